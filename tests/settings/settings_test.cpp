// SPDX-License-Identifier: GPL-3.0-or-later
// What lands in config.ini and what is read back from it.

#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <optional>
#include <string>

#include "settings/settings.h"
#include "settings_printers.h"
#include "support/temp_settings.h"

namespace kelvo {
namespace {

namespace fs = std::filesystem;
using test::TempSettings;

// The text of one section of the file, header to the next header.
std::string SectionOf(const std::string& file, const std::string& header) {
    const auto start = file.find("[" + header + "]\n");
    if (start == std::string::npos) return {};
    const auto end = file.find("\n[", start + 1);
    return file.substr(start, end == std::string::npos ? std::string::npos : end - start + 1);
}

TEST(SettingsFile, WithoutAFileEveryLoadGivesTheDefaultsAndCreatesNothing) {
    struct Case {
        const char* name;
        std::optional<std::string> file;  // nothing: not even the folder exists
    };
    const Case cases[] = {
        {"no folder", std::nullopt},
        {"empty file", ""},
        {"other sections only", "[Other]\nAddr=1\nType=1\nDN=2\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempSettings temp;
        if (c.file) temp.WriteIni(*c.file);

        const SerialSettings serial = LoadSerialSettings();
        EXPECT_EQ(serial.portName, "COM1");
        EXPECT_EQ(serial.baudRate, 9600);
        EXPECT_EQ(serial.address, 8);
        EXPECT_EQ(serial.parity, 0);
        EXPECT_EQ(serial.readTotalTimeout, 100);
        EXPECT_EQ(serial.byteOrderMode, 1);
        EXPECT_EQ(LoadMeterKind(), 0);

        const PresetStore presets = LoadPresets();
        for (const GenericPreset& p : presets.generic) {
            EXPECT_EQ(p, (GenericPreset{.DN = 13, .FlowUnit = 5, .FlowAccuUnit = 1, .FlowScale = 35.0,
                                        .ZeroFact = 0.0, .SnsrFact = 1.0}));
        }
        for (const W58Preset& p : presets.w58) {
            EXPECT_EQ(p, (W58Preset{.DN = 10, .FlowAccuView = 0, .HeatAccuUnit = 0, .SnsrCode = 0, .FlowScale = 7.0,
                                    .SnsrFact = 1.0, .Addr = 8, .Baudrate = 3, .Parity = 0, .Swap = 1}));
        }
        EXPECT_EQ(fs::exists(test::Utf8Path(temp.KelvoFolder())), c.file.has_value());
        EXPECT_EQ(fs::exists(test::Utf8Path(temp.IniPath())), c.file.has_value());
    }
}

TEST(SettingsFile, LoadsTheSerialSettingsAsWritten) {
    struct Case {
        const char* name;
        std::string file;
        SerialSettings want;
    };
    const Case cases[] = {
        {"every key",
         "[ComSet]\nAddr=17\nCOM=COM3\nBaudRate=57600\nParity=2\nReadTotalTimeoutConstant=250\nSwap=3\n",
         {"COM3", 57600, 17, 2, 250, 3}},
        {"port name cut to five characters", "[ComSet]\nCOM=COM123\n", {"COM12", 9600, 8, 0, 100, 1}},
        {"port name cut by characters, not bytes", "[ComSet]\nCOM=串口一二三四\n", {"串口一二三", 9600, 8, 0, 100, 1}},
        {"names in any case", "[comset]\naddr=5\ncom=USB0\nBAUDRATE=4800\nparity=1\nreadtotaltimeoutconstant=50\nSWAP=0\n",
         {"USB0", 4800, 5, 1, 50, 0}},
        {"blanks around names and values", "[ ComSet ]\n  Addr  =  12  \nCOM = COM2 \n", {"COM2", 9600, 12, 0, 100, 1}},
        {"text after the number", "[ComSet]\nAddr=12 ; bench meter\nBaudRate=19200bps\nSwap=2.9\n",
         {"COM1", 19200, 12, 0, 100, 2}},
        {"text that is no number reads 0", "[ComSet]\nAddr=abc\nBaudRate=\nParity=x1\nSwap=-\n", {"COM1", 0, 0, 0, 100, 0}},
        {"empty port name stays empty", "[ComSet]\nCOM=\n", {"", 9600, 8, 0, 100, 1}},
        {"signs", "[ComSet]\nAddr=+7\nParity=-1\nReadTotalTimeoutConstant= -20\n", {"COM1", 9600, 7, -1, -20, 1}},
        {"numbers beyond int", "[ComSet]\nBaudRate=99999999999\nAddr=-99999999999\n", {"COM1", INT_MAX, INT_MIN, 0, 100, 1}},
        {"the first of two equal keys", "[ComSet]\nAddr=4\naddr=6\n", {"COM1", 9600, 4, 0, 100, 1}},
        {"a section written twice", "[ComSet]\nAddr=4\n[Other]\nx=1\n[COMSET]\nSwap=2\n", {"COM1", 9600, 4, 0, 100, 2}},
        {"Windows line ends and signature", "\xEF\xBB\xBF[ComSet]\r\nAddr=9\r\nCOM=COM5\r\n", {"COM5", 9600, 9, 0, 100, 1}},
        {"keys of other sections are not taken", "[MeterType]\nAddr=3\n[ComSet]\nParity=2\n", {"COM1", 9600, 8, 2, 100, 1}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempSettings temp;
        temp.WriteIni(c.file);
        EXPECT_EQ(LoadSerialSettings(), c.want);
    }
}

TEST(SettingsFile, LoadsTheConverterFromKeysOfItsOwn) {
    struct Case {
        const char* name;
        std::string file;
        int linkType;
        std::string host;
        int tcpPort;
        int netTimeoutMs;
    };
    const Case cases[] = {
        {"RTU over TCP", "[ComSet]\nLinkType=1\nHost=127.0.0.1\nTcpPort=8899\nNetTimeout=5000\n", 1,
         "127.0.0.1", 8899, 5000},
        {"Modbus TCP without a port: the gateway's", "[ComSet]\nLinkType=2\nHost=[::1]\n", 2, "[::1]", 502, 3000},
        {"a port or a timeout out of range gives the default", "[ComSet]\nLinkType=1\nTcpPort=70000\nNetTimeout=20\n",
         1, "", 4001, 3000},
        {"a host cut to 253 characters", "[ComSet]\nHost=" + std::string(300, 'a') + "\n", 0, std::string(253, 'a'),
         4001, 3000},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempSettings temp;
        temp.WriteIni(c.file);
        const SerialSettings loaded = LoadSerialSettings();
        EXPECT_EQ(loaded.linkType, c.linkType);
        EXPECT_EQ(loaded.host, c.host);
        EXPECT_EQ(loaded.tcpPort, c.tcpPort);
        EXPECT_EQ(loaded.netTimeoutMs, c.netTimeoutMs);
    }
}

TEST(SettingsFile, AConverterAddsItsKeysAndKeepsThemWhenTheLineIsSerialAgain) {
    TempSettings temp;
    SerialSettings settings;
    settings.linkType = kLinkModbusTcp;
    settings.host = "localhost";
    settings.tcpPort = 502;
    ASSERT_TRUE(SaveSerialSettings(settings));
    const std::string serialKeys = "[ComSet]\nAddr=8\nCOM=COM1\nBaudRate=9600\nParity=0\nReadTotalTimeoutConstant=100\nSwap=1\n";
    EXPECT_EQ(temp.ReadIni(), serialKeys + "LinkType=2\nHost=localhost\nTcpPort=502\nNetTimeout=3000\n");
    settings.linkType = kLinkSerial;
    ASSERT_TRUE(SaveSerialSettings(settings));
    EXPECT_EQ(temp.ReadIni(), serialKeys + "LinkType=0\nHost=localhost\nTcpPort=502\nNetTimeout=3000\n");
    EXPECT_EQ(LoadSerialSettings(), settings);
}

TEST(SettingsFile, LoadsTheStoredMeterKindAsItIs) {
    struct Case {
        std::string file;
        int want;
    };
    const Case cases[] = {
        {"[MeterType]\nType=1\n", 1},    {"[MeterType]\nType=0\n", 0}, {"[MeterType]\nType=2\n", 2},
        {"[metertype]\ntype=1\n", 1},    {"[MeterType]\nType=W58\n", 0}, {"[MeterType]\nKind=1\n", 0},
        {"[MeterType]\nType=-1\n", -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        TempSettings temp;
        temp.WriteIni(c.file);
        EXPECT_EQ(LoadMeterKind(), c.want);
    }
}

TEST(SettingsFile, ReadsRealsFromTheirFirstTwentyCharacters) {
    struct Case {
        std::string text;
        double want;
    };
    const Case cases[] = {
        {"12.3457", 12.3457},
        {"1e3", 1000.0},
        {"-0.5 m3/h", -0.5},
        {"12,5", 12.0},
        {"abc", 0.0},
        {"", 0.0},
        {".25", 0.25},
        {"123456789012345678901234", 12345678901234567890.0},
        {"0.000000000000000000123", 0.0},
        {"1.000000000000000000009", 1.0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        TempSettings temp;
        temp.WriteIni("[NormalCfg 3]\nFlowScale=" + c.text + "\n[W58NormalCfg 5]\nSnsrFact=" + c.text + "\n");
        const PresetStore presets = LoadPresets();
        EXPECT_DOUBLE_EQ(presets.generic[2].FlowScale, c.want);
        EXPECT_DOUBLE_EQ(presets.w58[4].SnsrFact, c.want);
        EXPECT_DOUBLE_EQ(presets.generic[1].FlowScale, 35.0);
    }
}

TEST(SettingsFile, SavingIntoAnEmptyPlaceWritesExactlyTheseBytes) {
    TempSettings temp;
    ASSERT_FALSE(fs::exists(test::Utf8Path(temp.KelvoFolder())));

    ASSERT_TRUE(SaveSerialSettings({"COM3", 19200, 17, 2, 100, 0}));
    EXPECT_EQ(temp.ReadIni(),
              "[ComSet]\nAddr=17\nCOM=COM3\nBaudRate=19200\nParity=2\nReadTotalTimeoutConstant=100\nSwap=0\n");

    ASSERT_TRUE(SaveMeterKind(1));
    EXPECT_EQ(temp.ReadIni(),
              "[ComSet]\nAddr=17\nCOM=COM3\nBaudRate=19200\nParity=2\nReadTotalTimeoutConstant=100\nSwap=0\n"
              "\n[MeterType]\nType=1\n");
}

TEST(SettingsFile, SavingThePresetsWritesEverySectionInOrder) {
    TempSettings temp;
    PresetStore presets;
    presets.generic[0] = {.DN = 20, .FlowUnit = 17, .FlowAccuUnit = 5, .FlowScale = 12.345678, .ZeroFact = -0.0123,
                          .SnsrFact = 0.9876543};
    presets.w58[1] = {.DN = 11, .FlowAccuView = 2, .HeatAccuUnit = 4, .SnsrCode = 1234, .FlowScale = 2.5,
                      .SnsrFact = 1.000004, .Addr = 247, .Baudrate = 0, .Parity = 1, .Swap = 3};
    ASSERT_TRUE(SavePresets(presets));

    const std::string genericDefault = "DN=13\nFlowUnit=5\nFlowAccuUnit=1\nFlowScale=35.0000\nZeroFact=0.0000\n"
                                       "SnsrFact=1.00000\n";
    const std::string w58Default = "DN=10\nFlowAccuView=0\nHeatAccuUnit=0\nFlowScale=7.0000\nSnsrCode=0\n"
                                   "SnsrFact=1.00000\nAddr=8\nBaudrate=3\nParity=0\nSwap=1\n";
    std::string want = "[NormalCfg 1]\nDN=20\nFlowUnit=17\nFlowAccuUnit=5\nFlowScale=12.3457\nZeroFact=-0.0123\n"
                       "SnsrFact=0.98765\n";
    for (int n = 2; n <= 5; ++n) want += "\n[NormalCfg " + std::to_string(n) + "]\n" + genericDefault;
    want += "\n[W58NormalCfg 1]\n" + w58Default;
    want += "\n[W58NormalCfg 2]\nDN=11\nFlowAccuView=2\nHeatAccuUnit=4\nFlowScale=2.5000\nSnsrCode=1234\n"
            "SnsrFact=1.00000\nAddr=247\nBaudrate=0\nParity=1\nSwap=3\n";
    for (int n = 3; n <= 5; ++n) want += "\n[W58NormalCfg " + std::to_string(n) + "]\n" + w58Default;
    EXPECT_EQ(temp.ReadIni(), want);
}

TEST(SettingsFile, WritesRealsWithFourOrFiveDecimals) {
    struct Case {
        double value;
        const char* fourDecimals;  // FlowScale
        const char* fiveDecimals;  // SnsrFact
    };
    const Case cases[] = {
        {12.345678, "12.3457", "12.34568"}, {0.9876543, "0.9877", "0.98765"}, {35.0, "35.0000", "35.00000"},
        {-1.5, "-1.5000", "-1.50000"},      {-0.00001, "-0.0000", "-0.00001"}, {123456789.0, "123456789.0000", "123456789.00000"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        TempSettings temp;
        PresetStore presets;
        presets.w58[2].FlowScale = c.value;
        presets.w58[2].SnsrFact = c.value;
        ASSERT_TRUE(SavePresets(presets));
        const std::string section = SectionOf(temp.ReadIni(), "W58NormalCfg 3");
        EXPECT_NE(section.find(std::string("\nFlowScale=") + c.fourDecimals + "\n"), std::string::npos) << section;
        EXPECT_NE(section.find(std::string("\nSnsrFact=") + c.fiveDecimals + "\n"), std::string::npos) << section;
    }
}

TEST(SettingsFile, WhatIsSavedLoadsBack) {
    TempSettings temp;
    temp.WriteIni("[ComSet]\nReadTotalTimeoutConstant=250\n");
    SerialSettings serial = LoadSerialSettings();
    serial.portName = "ACM0";
    serial.baudRate = 2400;
    serial.parity = 2;
    ASSERT_TRUE(SaveSerialSettings(serial));
    EXPECT_EQ(LoadSerialSettings(), (SerialSettings{"ACM0", 2400, 8, 2, 250, 1}));

    PresetStore presets;
    for (int i = 0; i < kPresetCount; ++i) {
        const auto at = static_cast<std::size_t>(i);
        presets.generic[at] = {.DN = i, .FlowUnit = 17 - i, .FlowAccuUnit = i, .FlowScale = 100.25 * i,
                               .ZeroFact = -0.5 * i, .SnsrFact = 0.03125 * i};
        presets.w58[at] = {.DN = 9 + i, .FlowAccuView = i % 3, .HeatAccuUnit = 4 - i, .SnsrCode = 99999999 - i,
                           .FlowScale = 0.125 * i, .SnsrFact = 1.5 + i, .Addr = 1 + i, .Baudrate = i % 4,
                           .Parity = i % 3, .Swap = (i + 1) % 4};
    }
    ASSERT_TRUE(SavePresets(presets));
    ASSERT_TRUE(SaveMeterKind(2));
    EXPECT_EQ(LoadPresets(), presets);
    EXPECT_EQ(LoadMeterKind(), 2);
    EXPECT_EQ(LoadSerialSettings(), (SerialSettings{"ACM0", 2400, 8, 2, 250, 1}));
}

}  // namespace
}  // namespace kelvo
