// SPDX-License-Identifier: GPL-3.0-or-later
// The presets dialog without its windows: what the tabs show for a given config.ini, and
// what OK writes back after the user's choices, typing mistakes included.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "messages/prompter.h"
#include "meter/list_items.h"
#include "pages/preset_form.h"
#include "settings/settings.h"
#include "settings/settings_printers.h"
#include "support/scripted_prompter.h"
#include "support/temp_settings.h"

namespace kelvo {
namespace {

namespace fs = std::filesystem;
namespace id = preset_control;
using test::ScriptedPrompter;
using test::TempSettings;

// The controls of one tab as plain maps; lists know their items so that a test reads and
// picks items by the texts a user sees.
class FakeTab : public PageControls {
public:
    explicit FakeTab(std::span<const ParamRow> fields) {
        for (const ParamRow& field : fields) {
            if (field.control == Control::List) items_[field.controlId] = ListItems(field);
        }
    }

    std::string Text(int controlId) const override { return texts_.at(controlId); }
    void SetText(int controlId, std::string_view text) override { texts_[controlId] = std::string(text); }
    int Selection(int controlId) const override { return selections_.at(controlId); }
    void SetSelection(int controlId, int index) override {
        const auto count = static_cast<int>(items_.at(controlId).size());
        selections_[controlId] = index >= 0 && index < count ? index : -1;
    }
    std::int64_t DateTime(int /*controlId*/) const override { return 0; }
    void SetDateTime(int /*controlId*/, std::int64_t /*seconds*/) override {}
    void SetEnabled(int /*controlId*/, bool /*enabled*/) override {}

    // What the control shows: the edit text, the selected item, or "" for no selection.
    std::string Shown(int controlId) const {
        if (!items_.contains(controlId)) return texts_.at(controlId);
        const int selection = selections_.at(controlId);
        return selection < 0 ? std::string{} : items_.at(controlId)[static_cast<std::size_t>(selection)];
    }

    // Types into an edit box, or picks the list item with that text.
    void Enter(int controlId, const std::string& text) {
        const auto list = items_.find(controlId);
        if (list == items_.end()) {
            texts_.at(controlId) = text;
            return;
        }
        const auto item = std::find(list->second.begin(), list->second.end(), text);
        ASSERT_NE(item, list->second.end()) << text;
        selections_[controlId] = static_cast<int>(item - list->second.begin());
    }

private:
    std::map<int, std::vector<std::string>> items_;
    std::map<int, std::string> texts_;
    std::map<int, int> selections_;
};

// The dialog as opened: the editor and the five tabs showing their presets.
struct OpenDialog {
    PresetEditor editor;
    std::vector<FakeTab> tabs;

    OpenDialog() {
        for (int n = 0; n < kPresetCount; ++n) {
            tabs.emplace_back(editor.Tab(n).Fields());
            editor.Tab(n).Show(tabs.back());
        }
    }

    bool PressOk(Prompter& prompter) {
        std::array<const PageControls*, kPresetCount> controls{};
        for (std::size_t n = 0; n < controls.size(); ++n) controls[n] = &tabs[n];
        return editor.Accept(controls, prompter);
    }
};

// A user entry: on tab `tab` (0-based), type `text` into the edit box or pick the item.
struct Entry {
    int tab;
    int controlId;
    std::string text;
};

constexpr char kW58Kind[] = "[MeterType]\nType=1\n";

TEST(PresetForm, TabsShowTheStoredPresets) {
    struct Case {
        const char* name;
        std::string ini;
        std::map<int, std::string> shown;  // on every tab
    };
    const Case cases[] = {
        {"no file, generic", "",
         {{id::kDiameter, "DN50"},
          {id::kFlowScale, "35"},
          {id::kFlowUnit, "m3/h"},
          {id::kTotalsUnit, "m3"},
          {id::kSensorFactor, "1"},
          {id::kZeroCorrection, "0"}}},
        {"no W58 sections, W58", kW58Kind,
         {{id::kDiameter, "DN25"},
          {id::kFlowScale, "7"},
          {id::kTotaliserShown, "正向累积"},
          {id::kEnergyUnit, "kWh"},
          {id::kSensorFactor, "1"},
          {id::kMeterNumber, "00000000"},
          {id::kAddress, "8"},
          {id::kBaudRate, "9600"},
          {id::kParity, "无校验"},
          {id::kByteOrder, "2-1 4-3"}}},
        {"a stored kind other than W58 edits the generic presets",
         "[MeterType]\nType=2\n"
         "[NormalCfg 1]\n[NormalCfg 2]\n[NormalCfg 3]\n[NormalCfg 4]\n[NormalCfg 5]\n",
         {{id::kDiameter, "DN50"}, {id::kFlowUnit, "m3/h"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempSettings temp;
        if (!c.ini.empty()) temp.WriteIni(c.ini);
        OpenDialog dialog;
        for (int n = 0; n < kPresetCount; ++n) {
            for (const auto& [controlId, text] : c.shown) {
                EXPECT_EQ(dialog.tabs[static_cast<std::size_t>(n)].Shown(controlId), text)
                    << "tab " << n + 1 << ", control " << controlId;
            }
        }
    }
}

TEST(PresetForm, StoredValuesShowAsTheUserReadsThem) {
    TempSettings temp;
    temp.WriteIni(std::string(kW58Kind) +
                  "[W58NormalCfg 2]\nDN=11\nFlowAccuView=2\nHeatAccuUnit=4\nFlowScale=12.3457\nSnsrFact=0.98765\n"
                  "SnsrCode=1234\nAddr=17\nBaudrate=0\nParity=2\nSwap=3\n");
    OpenDialog dialog;
    const std::map<int, std::string> expected = {
        {id::kDiameter, "DN32"},       {id::kFlowScale, "12.3457"}, {id::kTotaliserShown, "净累积"},
        {id::kEnergyUnit, "GJ"},       {id::kSensorFactor, "0.98765"}, {id::kMeterNumber, "00001234"},
        {id::kAddress, "17"},          {id::kBaudRate, "1200"},     {id::kParity, "偶校验"},
        {id::kByteOrder, "4-3 2-1"},
    };
    for (const auto& [controlId, text] : expected) EXPECT_EQ(dialog.tabs[1].Shown(controlId), text) << controlId;
}

// The W58 diameter and energy lists offer part of what the file can hold.
TEST(PresetForm, W58ListsMapStoredValuesBothWays) {
    struct Case {
        const char* key;
        int stored;
        const char* chosen;  // nullptr: left as shown
        const char* shown;   // "" for no selection
        int written;
    };
    const Case cases[] = {
        {"DN", 10, nullptr, "DN25", 10},
        {"DN", 9, nullptr, "DN20", 9},
        {"DN", 11, nullptr, "DN32", 11},
        {"DN", 0, nullptr, "DN20", 9},
        {"DN", 8, nullptr, "DN20", 9},
        {"DN", -4, nullptr, "DN20", 9},
        {"DN", 12, nullptr, "", 12},
        {"DN", 35, nullptr, "", 35},
        {"DN", 12, "DN25", "", 10},
        {"DN", 5, "DN32", "DN20", 11},
        {"HeatAccuUnit", 0, nullptr, "kWh", 0},
        {"HeatAccuUnit", 1, nullptr, "MWh", 1},
        {"HeatAccuUnit", 2, nullptr, "kWh", 0},
        {"HeatAccuUnit", 3, nullptr, "MJ", 3},
        {"HeatAccuUnit", 4, nullptr, "GJ", 4},
        {"HeatAccuUnit", 2, "MWh", "kWh", 1},
        {"HeatAccuUnit", 0, "MJ", "kWh", 3},
        {"HeatAccuUnit", 0, "GJ", "kWh", 4},
        // A code the list cannot show leaves it empty, and an empty list stores −1.
        {"HeatAccuUnit", 5, nullptr, "", -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.key) + "=" + std::to_string(c.stored) + (c.chosen ? " chosen " : "") +
                     (c.chosen ? c.chosen : ""));
        TempSettings temp;
        temp.WriteIni(std::string(kW58Kind) + "[W58NormalCfg 4]\n" + c.key + "=" + std::to_string(c.stored) + "\n");
        OpenDialog dialog;
        const int control = std::string_view(c.key) == "DN" ? id::kDiameter : id::kEnergyUnit;
        EXPECT_EQ(dialog.tabs[3].Shown(control), c.shown);
        if (c.chosen) dialog.tabs[3].Enter(control, c.chosen);
        ScriptedPrompter prompter;
        ASSERT_TRUE(dialog.PressOk(prompter));
        EXPECT_TRUE(prompter.Entries().empty());

        const W58Preset written = LoadPresets().w58[3];
        EXPECT_EQ(control == id::kDiameter ? written.DN : written.HeatAccuUnit, c.written);
        const std::string ini = temp.ReadIni();
        const std::size_t section = ini.find("[W58NormalCfg 4]\n");
        ASSERT_NE(section, std::string::npos);
        const std::string line = "\n" + std::string(c.key) + "=" + std::to_string(c.written) + "\n";
        EXPECT_NE(ini.substr(section, ini.find('[', section + 1) - section).find(line), std::string::npos);
    }
}

GenericPreset Generic(const std::function<void(GenericPreset&)>& change) {
    GenericPreset preset;
    change(preset);
    return preset;
}

W58Preset W58(const std::function<void(W58Preset&)>& change) {
    W58Preset preset;
    change(preset);
    return preset;
}

// A field whose text fails its check ends the reading of its tab; the fields read before
// it are taken, it and the fields after it keep their values, and OK still saves.
TEST(PresetForm, FieldChecksEndTheReadingOfTheirTab) {
    const std::string rangePrompt = "请输入一个 0 至 99999999 之间的整数。";
    struct Case {
        const char* name;
        bool w58;
        std::vector<Entry> entries;
        std::vector<std::string> messages;
        GenericPreset generic;  // preset 1 as written
        W58Preset w58Preset;
    };
    const std::vector<Case> cases = {
        {"generic, every field taken", false,
         {{0, id::kDiameter, "DN100"},
          {0, id::kFlowScale, " 2.5e1 "},
          {0, id::kFlowUnit, "L/s"},
          {0, id::kTotalsUnit, "Igal"},
          {0, id::kSensorFactor, "+0.5"}},
         {},
         Generic([](GenericPreset& p) {
             p.DN = 16; p.FlowScale = 25; p.FlowUnit = 0; p.FlowAccuUnit = 5; p.SnsrFact = 0.5;
         }),
         {}},
        {"generic, range not a number", false,
         {{0, id::kDiameter, "DN100"}, {0, id::kFlowScale, "1,5"}, {0, id::kFlowUnit, "L/s"}},
         {"请输入一个数字。"},
         Generic([](GenericPreset& p) { p.DN = 16; }),
         {}},
        {"generic, empty sensor factor", false,
         {{0, id::kFlowScale, "12"}, {0, id::kTotalsUnit, "t"}, {0, id::kSensorFactor, ""}},
         {"请输入一个数字。"},
         Generic([](GenericPreset& p) { p.FlowScale = 12; p.FlowAccuUnit = 3; }),
         {}},
        {"W58, every field taken", true,
         {{0, id::kDiameter, "DN32"},
          {0, id::kFlowScale, "3.25"},
          {0, id::kTotaliserShown, "反向累积"},
          {0, id::kEnergyUnit, "MJ"},
          {0, id::kSensorFactor, "1.02"},
          {0, id::kMeterNumber, "99999999"},
          {0, id::kAddress, "-3"},
          {0, id::kBaudRate, "1200"},
          {0, id::kParity, "奇校验"},
          {0, id::kByteOrder, "1-2 3-4"}},
         {},
         {},
         W58([](W58Preset& p) {
             p.DN = 11; p.FlowScale = 3.25; p.FlowAccuView = 1; p.HeatAccuUnit = 3; p.SnsrFact = 1.02,
             p.SnsrCode = 99999999; p.Addr = -3; p.Baudrate = 0; p.Parity = 1; p.Swap = 0;
         })},
        {"W58, range not a number", true,
         {{0, id::kDiameter, "DN20"}, {0, id::kFlowScale, "seven"}, {0, id::kBaudRate, "4800"}},
         {"请输入一个数字。"},
         {},
         W58([](W58Preset& p) { p.DN = 9; })},
        {"W58, meter number not an integer", true,
         {{0, id::kSensorFactor, "2"}, {0, id::kMeterNumber, "12.5"}, {0, id::kAddress, "5"}},
         {"请输入一个整数。"},
         {},
         W58([](W58Preset& p) { p.SnsrFact = 2; })},
        {"W58, meter number too large", true,
         {{0, id::kMeterNumber, "100000000"}, {0, id::kAddress, "5"}, {0, id::kParity, "偶校验"}},
         {rangePrompt},
         {},
         W58([](W58Preset& p) { p.SnsrCode = 100000000; })},
        {"W58, meter number below zero", true,
         {{0, id::kMeterNumber, "-1"}},
         {rangePrompt},
         {},
         W58([](W58Preset& p) { p.SnsrCode = -1; })},
        {"W58, meter number beyond 32 bits", true,
         {{0, id::kMeterNumber, "4294967296"}, {0, id::kAddress, "5"}},
         {"请输入一个整数。"},
         {},
         {}},
        {"W58, address not an integer", true,
         {{0, id::kMeterNumber, "42"}, {0, id::kAddress, "0x10"}, {0, id::kByteOrder, "3-4 1-2"}},
         {"请输入一个整数。"},
         {},
         W58([](W58Preset& p) { p.SnsrCode = 42; })},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempSettings temp;
        if (c.w58) temp.WriteIni(kW58Kind);
        OpenDialog dialog;
        for (const Entry& entry : c.entries) {
            dialog.tabs[static_cast<std::size_t>(entry.tab)].Enter(entry.controlId, entry.text);
        }
        ScriptedPrompter prompter;
        EXPECT_TRUE(dialog.PressOk(prompter));
        EXPECT_EQ(prompter.Texts(), c.messages);

        const PresetStore written = LoadPresets();
        EXPECT_EQ(written.generic[0], c.generic);
        EXPECT_EQ(written.w58[0], c.w58Preset);
        for (std::size_t n = 1; n < kPresetCount; ++n) {
            EXPECT_EQ(written.generic[n], GenericPreset{});
            EXPECT_EQ(written.w58[n], W58Preset{});
        }
    }
}

TEST(PresetForm, EachTabReportsItsOwnFailedCheck) {
    TempSettings temp;
    temp.WriteIni(kW58Kind);
    OpenDialog dialog;
    dialog.tabs[1].Enter(id::kFlowScale, "x");
    dialog.tabs[2].Enter(id::kBaudRate, "4800");
    dialog.tabs[3].Enter(id::kMeterNumber, "123456789");
    dialog.tabs[4].Enter(id::kAddress, "");
    ScriptedPrompter prompter;
    EXPECT_TRUE(dialog.PressOk(prompter));

    EXPECT_EQ(prompter.Texts(), (std::vector<std::string>{"请输入一个数字。", "请输入一个 0 至 99999999 之间的整数。",
                                                          "请输入一个整数。"}));
    const PresetStore written = LoadPresets();
    const std::array<W58Preset, kPresetCount> expected = {
        W58Preset{}, W58Preset{}, W58([](W58Preset& p) { p.Baudrate = 2; }),
        W58([](W58Preset& p) { p.SnsrCode = 123456789; }), W58Preset{}};
    EXPECT_EQ(written.w58, expected);
    EXPECT_NE(temp.ReadIni().find("[W58NormalCfg 3]\nDN=10\nFlowAccuView=0\nHeatAccuUnit=0\nFlowScale=7.0000\n"
                                  "SnsrCode=0\nSnsrFact=1.00000\nAddr=8\nBaudrate=2\n"),
              std::string::npos);
}

// What the dialog does not edit goes back exactly as SavePresets writes the loaded values.
TEST(PresetForm, OkWritesBackWhatItDidNotEdit) {
    const std::string ini =
        "; kept\n[ComSet]\nCOM=USB0\n"
        "[NormalCfg 1]\nDN=35\nFlowUnit=17\nFlowAccuUnit=3\nFlowScale=12.345678\nZeroFact=0.0123\nSnsrFact=0.9876543\n"
        "[NormalCfg 4]\nFlowScale=abc\n"
        "[W58NormalCfg 2]\nDN=50\nHeatAccuUnit=2\nSnsrCode=123456789\nFlowScale=1e3\nBaudrate=7\n"
        "[W58NormalCfg 5]\nDN=3\nSwap=x\n";
    struct Case {
        const char* name;
        std::string meterKind;
    };
    const Case cases[] = {{"generic", ""}, {"kind 2", "[MeterType]\nType=2\n"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string reference;
        {
            TempSettings temp;
            temp.WriteIni(ini + c.meterKind);
            ASSERT_TRUE(SavePresets(LoadPresets()));
            reference = temp.ReadIni();
        }
        TempSettings temp;
        temp.WriteIni(ini + c.meterKind);
        OpenDialog dialog;
        ScriptedPrompter prompter;
        EXPECT_TRUE(dialog.PressOk(prompter));
        EXPECT_TRUE(prompter.Entries().empty());
        EXPECT_EQ(temp.ReadIni(), reference);
    }
}

TEST(PresetForm, AFailedSaveIsReported) {
    TempSettings temp;
    // The settings folder's name is taken by a file, so nothing can be written there.
    std::ofstream(test::Utf8Path(temp.KelvoFolder())) << "not a folder";
    OpenDialog dialog;
    ScriptedPrompter prompter;
    EXPECT_FALSE(dialog.PressOk(prompter));
    EXPECT_EQ(prompter.Texts(), std::vector<std::string>{std::string(kSaveSettingsFailedText)});
    EXPECT_TRUE(fs::is_regular_file(test::Utf8Path(temp.KelvoFolder())));
}

TEST(PresetForm, TabsWithoutControlsKeepTheirPresets) {
    TempSettings temp;
    temp.WriteIni(std::string(kW58Kind) + "[W58NormalCfg 1]\nDN=2\n[W58NormalCfg 2]\nDN=2\n");
    PresetEditor editor;
    FakeTab second(editor.Tab(1).Fields());
    editor.Tab(1).Show(second);
    ScriptedPrompter prompter;
    EXPECT_TRUE(editor.Accept({nullptr, &second, nullptr, nullptr, nullptr}, prompter));
    EXPECT_EQ(LoadPresets().w58[0].DN, 2);
    EXPECT_EQ(LoadPresets().w58[1].DN, 9);
}

}  // namespace
}  // namespace kelvo
