// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A page as a user meets it in the tests: fake controls, a prompter that also notes
// whether the page still holds the port while a message is up, and the simulated meter
// under the port name "SIM1" whose log holds every frame sent.

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <iomanip>
#include <sstream>
#include <string>
#include <vector>

#include "fake_controls.h"
#include "link/crc16.h"
#include "link/modbus_rtu.h"
#include "support/simulated_meter_port.h"
#include "pages/normal_cfg_page.h"
#include "pages/page_catalog.h"
#include "pages/parameter_page.h"
#include "settings/settings.h"
#include "support/scripted_prompter.h"

namespace kelvo::test {

using Frame = std::vector<std::uint8_t>;
using Frames = std::vector<Frame>;

inline constexpr std::uint8_t kMeterAddress = 8;

inline Frame WithCrc(Frame frame) {
    const std::uint16_t crc = Crc16(frame.data(), static_cast<std::uint16_t>(frame.size()));
    frame.push_back(static_cast<std::uint8_t>(crc & 0xFF));
    frame.push_back(static_cast<std::uint8_t>(crc >> 8));
    return frame;
}

inline Frame ReadFrame(int start, int registers) {
    return WithCrc({kMeterAddress, 0x04, static_cast<std::uint8_t>(start >> 8), static_cast<std::uint8_t>(start),
                    static_cast<std::uint8_t>(registers >> 8), static_cast<std::uint8_t>(registers)});
}

inline Frame WriteFrame(int start, const Frame& data) {
    const auto registers = static_cast<int>(data.size() / 2);
    Frame frame = {kMeterAddress,
                   0x10,
                   static_cast<std::uint8_t>(start >> 8),
                   static_cast<std::uint8_t>(start),
                   static_cast<std::uint8_t>(registers >> 8),
                   static_cast<std::uint8_t>(registers),
                   static_cast<std::uint8_t>(data.size())};
    frame.insert(frame.end(), data.begin(), data.end());
    return WithCrc(frame);
}

// A 16-bit register in wire order, and a 32-bit value arranged by a ByteOrderMode:
// bytes numbered 1 (least significant) to 4, "1-2 3-4", "2-1 4-3", "3-4 1-2", "4-3 2-1".
inline Frame Word(int value) { return {static_cast<std::uint8_t>(value >> 8), static_cast<std::uint8_t>(value)}; }
inline Frame Pair(std::uint32_t value, int byteOrderMode = 1) {
    constexpr int kOrder[4][4] = {{1, 2, 3, 4}, {2, 1, 4, 3}, {3, 4, 1, 2}, {4, 3, 2, 1}};
    Frame bytes;
    for (int n : kOrder[byteOrderMode]) bytes.push_back(static_cast<std::uint8_t>(value >> (8 * (n - 1))));
    return bytes;
}
inline Frame Joined(std::initializer_list<Frame> parts) {
    Frame all;
    for (const Frame& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

inline Frame IdentifyFrame() { return WithCrc({kMeterAddress, 0x41, 0x00, 0x00}); }

inline std::string Hex(const Frame& frame) {
    std::ostringstream text;
    for (std::size_t i = 0; i < frame.size(); ++i) {
        text << (i == 0 ? "" : " ") << std::hex << std::uppercase << std::setw(2) << std::setfill('0')
             << static_cast<int>(frame[i]);
    }
    return text.str();
}

inline std::vector<std::string> HexAll(const Frames& frames) {
    std::vector<std::string> texts;
    for (const Frame& frame : frames) texts.push_back(Hex(frame));
    return texts;
}

inline int WritesAmong(const Frames& frames) {
    int writes = 0;
    for (const Frame& frame : frames) writes += frame.size() > 1 && frame[1] == 0x10 ? 1 : 0;
    return writes;
}

// True when another link can open the port the settings name, i.e. nobody holds it.
inline bool PortIsFree() {
    CDMRJly other;
    const bool opened = other.OpenPort(LoadSerialSettings()).Good();
    other.ClosePort();
    return opened;
}

// Notes, for every message and question, whether the page's link held the port while
// it was shown.
class PortProbingPrompter : public ScriptedPrompter {
public:
    void Warn(std::string_view text, std::string_view detail = {}) override {
        held_.push_back(!PortIsFree());
        ScriptedPrompter::Warn(text, detail);
    }
    bool Confirm(std::string_view text) override {
        held_.push_back(!PortIsFree());
        return ScriptedPrompter::Confirm(text);
    }
    const std::vector<bool>& PortHeld() const { return held_; }
    void Reset() {
        Clear();
        held_.clear();
    }

private:
    std::vector<bool> held_;
};

inline sim::SimOptions GenericMeterOptions() {
    sim::SimOptions options = SimulatedMeterPort::DefaultOptions();
    options.kind = sim::SimMeterKind::Generic;
    return options;
}

// Model and firmware of a meter with the current / the legacy parameter encoding.
struct MeterModel {
    const char* model;
    const char* version;
};
inline constexpr MeterModel kCurrentMeter = {"RA03", "2004"};
inline constexpr MeterModel kLegacyMeter = {"RA01", "1003"};
inline constexpr MeterModel kUnsupportedMeter = {"RA06", "2002"};

// A page as the main window builds it, against a simulated meter of its kind.
class PageTest : public ::testing::Test {
protected:
    PageTest(const PageDefinition& definition, sim::SimOptions options)
        : port_(options), controls_(definition), page_(MakePageLogic(definition, controls_, prompter_)) {}

    void SetUp() override {
        ASSERT_TRUE(port_.Start(ByteOrderMode()));
        page_->Initialise();
    }
    virtual int ByteOrderMode() const { return 1; }

    sim::MeterSimulator& Meter() { return port_.Meter(); }
    const TempSettings& Settings() const { return port_.Settings(); }
    void Identify(const MeterModel& meter) { Meter().SetIdentification(meter.model, meter.version); }

    // One button press as the user makes it, the whole transaction on this thread;
    // questions are answered from `answers`. The meter's log and the messages start
    // empty for each press; the serial settings are read afresh, as the window keeps
    // them current.
    void Press(int buttonId, std::initializer_list<bool> answers = {}) {
        Meter().ClearRequests();
        prompter_.Reset();
        prompter_.QueueAnswers(answers);
        ASSERT_TRUE(RunButton(buttonId)) << "the page has no button " << buttonId;
    }
    // The whole press, with the messages and the meter's log as they are.
    bool RunButton(int buttonId) {
        PageLine line{.link = link_, .settings = LoadSerialSettings(), .messages = prompter_};
        return page_->OnButton(buttonId, line);
    }

    // The frames the meter received, once at least `expected` of them have arrived.
    Frames Sent(std::size_t expected = 0) {
        Meter().WaitForRequests(expected, 3000);
        return Meter().Requests();
    }

    std::vector<std::string> Messages() const { return prompter_.Texts(); }
    std::string Text(int id) const { return controls_.Text(id); }
    int Selection(int id) const { return controls_.Selection(id); }
    const FieldValue& Field(int controlId) const { return page_->Value(*page_->RowOfControl(controlId)); }

    SimulatedMeterPort port_;
    FakeControls controls_;
    PortProbingPrompter prompter_;
    CDMRJly link_;  // the line's one link, as every transaction uses it
    std::unique_ptr<ParameterPage> page_;
};

// The generic page against a simulated generic meter.
class GenericPageTest : public PageTest {
protected:
    GenericPageTest() : PageTest(NormalCfgDefinition(), GenericMeterOptions()) {}
};

// A W58 page against a simulated W58 meter.
class W58PageTest : public PageTest {
protected:
    explicit W58PageTest(const PageDefinition& definition)
        : PageTest(definition, SimulatedMeterPort::DefaultOptions()) {}
};

}  // namespace kelvo::test
