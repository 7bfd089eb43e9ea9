// SPDX-License-Identifier: GPL-3.0-or-later
// A save changes its own keys and nothing else a user put into config.ini.

#include <gtest/gtest.h>

#include <cctype>
#include <clocale>
#include <string>

#include "settings/settings.h"
#include "settings_printers.h"
#include "support/temp_settings.h"

namespace kelvo {
namespace {

using test::TempSettings;

int CountOf(const std::string& text, const std::string& part) {
    int count = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
    return count;
}

std::string Lowered(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

TEST(SettingsMerge, ASaveKeepsEverythingElseAndUpdatesKeysInAnyCase) {
    TempSettings temp;
    temp.WriteIni(
        "; Kelvo settings, edited by hand\n"
        "[comset]\n"
        "addr=3\n"
        "; the adapter on the bench\n"
        "com=COM7\n"
        "Extra=keep me\n"
        "\n"
        "[Other]\n"
        "Key=Value\n"
        "# a note on Other\n"
        "[METERTYPE]\n"
        "TYPE=0\n"
        "; last words\n");

    ASSERT_TRUE(SaveSerialSettings({"COM4", 2400, 5, 2, 100, 1}));
    ASSERT_TRUE(SaveMeterKind(1));

    EXPECT_EQ(temp.ReadIni(),
              "; Kelvo settings, edited by hand\n"
              "\n"
              "[comset]\n"
              "addr=5\n"
              "\n"
              "; the adapter on the bench\n"
              "com=COM4\n"
              "Extra=keep me\n"
              "BaudRate=2400\n"
              "Parity=2\n"
              "ReadTotalTimeoutConstant=100\n"
              "Swap=1\n"
              "\n"
              "[Other]\n"
              "Key=Value\n"
              "\n"
              "# a note on Other\n"
              "[METERTYPE]\n"
              "TYPE=1\n"
              "\n"
              "; last words\n");
    EXPECT_EQ(LoadSerialSettings(), (SerialSettings{"COM4", 2400, 5, 2, 100, 1}));
}

TEST(SettingsMerge, EachKeyStaysOneLine) {
    struct Case {
        const char* name;
        std::string file;
        const char* line;  // the only line that may carry the key afterwards
    };
    const Case cases[] = {
        {"lower case", "[ComSet]\naddr=3\n", "addr=9\n"},
        {"upper case section and key", "[COMSET]\nADDR=3\n", "ADDR=9\n"},
        {"key written twice", "[ComSet]\nAddr=3\nAddr=4\n", "Addr=9\n"},
        {"blanks around the equals sign", "[ComSet]\nAddr = 3\n", "Addr=9\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempSettings temp;
        temp.WriteIni(c.file);
        SerialSettings settings = LoadSerialSettings();
        settings.address = 9;
        ASSERT_TRUE(SaveSerialSettings(settings));
        const std::string text = temp.ReadIni();
        EXPECT_EQ(CountOf(Lowered(text), "addr="), 1) << text;
        EXPECT_EQ(CountOf(text, c.line), 1) << text;
        EXPECT_EQ(CountOf(text, "]\n"), 1) << text;
        EXPECT_EQ(LoadSerialSettings().address, 9);
    }
}

TEST(SettingsMerge, KeepsTheSignatureOfAFileThatHasOne) {
    TempSettings temp;
    temp.WriteIni("\xEF\xBB\xBF[ComSet]\r\nCOM=COM2\r\n");
    ASSERT_TRUE(SaveMeterKind(1));
    EXPECT_EQ(temp.ReadIni(), "\xEF\xBB\xBF[ComSet]\nCOM=COM2\n\n[MeterType]\nType=1\n");
}

TEST(SettingsMerge, AValueIsNeverMoreThanOneLine) {
    TempSettings temp;
    ASSERT_TRUE(SaveSerialSettings({"CO\nM9", 9600, 8, 0, 100, 1}));
    EXPECT_EQ(temp.ReadIni(),
              "[ComSet]\nAddr=8\nCOM=CO\nBaudRate=9600\nParity=0\nReadTotalTimeoutConstant=100\nSwap=1\n");
}

// Found by fuzzing: a "[" line without its "]" ran on into the next key's section name,
// and every save added a line.
TEST(SettingsMerge, AnUnclosedSectionHeaderStaysAsItIsAndTheFileDoesNotGrow) {
    TempSettings temp;
    temp.WriteIni("[ComSet]\nAddr=3\n[MeterType\nType=1\n");
    EXPECT_EQ(LoadSerialSettings().address, 3);
    EXPECT_EQ(LoadMeterKind(), kGenericMeter) << "no header, no section";
    ASSERT_TRUE(SaveMeterKind(1));
    const std::string saved = temp.ReadIni();
    EXPECT_EQ(CountOf(saved, "[MeterType\n"), 1) << saved;
    ASSERT_TRUE(SaveMeterKind(1));
    EXPECT_EQ(temp.ReadIni(), saved);
    EXPECT_EQ(LoadMeterKind(), 1);
}

// The GUI sets the process locale from the environment; a decimal comma must not reach the
// file, nor cut a stored real at its point.
class CommaLocale {
public:
    CommaLocale() : previous_(std::setlocale(LC_ALL, nullptr)) {
        for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "de_DE", "fr_FR.UTF-8", "ru_RU.UTF-8"}) {
            if (std::setlocale(LC_ALL, name) != nullptr && std::localeconv()->decimal_point == std::string(",")) {
                active_ = true;
                return;
            }
        }
        std::setlocale(LC_ALL, previous_.c_str());
    }
    ~CommaLocale() { std::setlocale(LC_ALL, previous_.c_str()); }
    CommaLocale(const CommaLocale&) = delete;
    CommaLocale& operator=(const CommaLocale&) = delete;
    bool active() const { return active_; }

private:
    std::string previous_;
    bool active_ = false;
};

TEST(SettingsMerge, ALocaleWithADecimalCommaChangesNothing) {
    TempSettings temp;
    const CommaLocale locale;
    if (!locale.active()) GTEST_SKIP() << "no locale with a decimal comma is installed";

    temp.WriteIni("[NormalCfg 1]\nFlowScale=12.3457\nSnsrFact=0.98765\n[W58NormalCfg 1]\nFlowScale=1e2\n");
    const PresetStore loaded = LoadPresets();
    EXPECT_DOUBLE_EQ(loaded.generic[0].FlowScale, 12.3457);
    EXPECT_DOUBLE_EQ(loaded.generic[0].SnsrFact, 0.98765);
    EXPECT_DOUBLE_EQ(loaded.w58[0].FlowScale, 100.0);

    PresetStore presets;
    presets.generic[0].FlowScale = 12.345678;
    presets.generic[0].SnsrFact = 0.9876543;
    presets.w58[0].SnsrCode = 1234;
    ASSERT_TRUE(SavePresets(presets));
    const std::string text = temp.ReadIni();
    EXPECT_NE(text.find("\nFlowScale=12.3457\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\nSnsrFact=0.98765\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\nSnsrCode=1234\n"), std::string::npos) << text;
    EXPECT_EQ(text.find(','), std::string::npos) << text;
}

}  // namespace
}  // namespace kelvo
