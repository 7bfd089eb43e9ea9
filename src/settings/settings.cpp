// SPDX-License-Identifier: GPL-3.0-or-later
// Where each field of the settings records lives in config.ini and how it is spelled there.
// Keys are set in the order below, which is the order they take in a new section.

#include <cstddef>
#include <string>

#include "settings/atomic_file.h"
#include "settings/profile_file.h"
#include "settings/profile_values.h"
#include "settings/settings.h"
#include "settings/settings_records.h"

namespace kelvo {
namespace {

constexpr char kFileName[] = "config.ini";
constexpr char kSerialSection[] = "ComSet";
constexpr char kLinkTypeKey[] = "LinkType";
constexpr char kMeterKindSection[] = "MeterType";
constexpr char kSearchSection[] = "MeterSearch";
constexpr char kTurnaroundKey[] = "TurnaroundMs";
constexpr char kWindowSection[] = "MainWindow";
constexpr char kReportSection[] = "Report";
// A name or a place, not an essay: what fits a line of the report.
constexpr std::size_t kMaxReportTextCharacters = 200;
// The folder the last log went to, where the next one's file dialog opens.
constexpr char kTrendSection[] = "Trend";
constexpr char kLogFolderKey[] = "LogFolder";
constexpr std::size_t kMaxFolderCharacters = 1000;

// Reals are read into a text of at most 20 characters before they are converted.
constexpr std::size_t kRealTextLength = 20;

std::string GenericSection(int number) { return "NormalCfg " + std::to_string(number); }
std::string W58Section(int number) { return "W58NormalCfg " + std::to_string(number); }

// A missing key gives the record's default, which is what the default text parses to.
double GetReal(const ProfileFile& file, const std::string& section, const std::string& key, double fallback) {
    const auto value = file.Find(section, key);
    return value ? ParseProfileReal(FirstCharacters(*value, kRealTextLength)) : fallback;
}

void SetInt(ProfileFile& file, const std::string& section, const std::string& key, int value) {
    file.SetText(section, key, std::to_string(value));
}

void SetReal(ProfileFile& file, const std::string& section, const std::string& key, double value, int decimals) {
    file.SetText(section, key, FormatFixed(value, decimals));
}

GenericPreset LoadGenericPreset(const ProfileFile& file, const std::string& section) {
    const GenericPreset defaults;
    GenericPreset preset;
    preset.DN = file.GetInt(section, "DN", defaults.DN);
    preset.FlowUnit = file.GetInt(section, "FlowUnit", defaults.FlowUnit);
    preset.FlowAccuUnit = file.GetInt(section, "FlowAccuUnit", defaults.FlowAccuUnit);
    preset.FlowScale = GetReal(file, section, "FlowScale", defaults.FlowScale);
    preset.ZeroFact = GetReal(file, section, "ZeroFact", defaults.ZeroFact);
    preset.SnsrFact = GetReal(file, section, "SnsrFact", defaults.SnsrFact);
    return preset;
}

W58Preset LoadW58Preset(const ProfileFile& file, const std::string& section) {
    const W58Preset defaults;
    W58Preset preset;
    preset.DN = file.GetInt(section, "DN", defaults.DN);
    preset.FlowAccuView = file.GetInt(section, "FlowAccuView", defaults.FlowAccuView);
    preset.HeatAccuUnit = file.GetInt(section, "HeatAccuUnit", defaults.HeatAccuUnit);
    preset.FlowScale = GetReal(file, section, "FlowScale", defaults.FlowScale);
    preset.SnsrFact = GetReal(file, section, "SnsrFact", defaults.SnsrFact);
    preset.SnsrCode = file.GetInt(section, "SnsrCode", defaults.SnsrCode);
    preset.Addr = file.GetInt(section, "Addr", defaults.Addr);
    preset.Baudrate = file.GetInt(section, "Baudrate", defaults.Baudrate);
    preset.Parity = file.GetInt(section, "Parity", defaults.Parity);
    preset.Swap = file.GetInt(section, "Swap", defaults.Swap);
    return preset;
}

void SetGenericPreset(ProfileFile& file, const std::string& section, const GenericPreset& preset) {
    SetInt(file, section, "DN", preset.DN);
    SetInt(file, section, "FlowUnit", preset.FlowUnit);
    SetInt(file, section, "FlowAccuUnit", preset.FlowAccuUnit);
    SetReal(file, section, "FlowScale", preset.FlowScale, 4);
    SetReal(file, section, "ZeroFact", preset.ZeroFact, 4);
    SetReal(file, section, "SnsrFact", preset.SnsrFact, 5);
}

// The meter number is set before the sensor factor here, unlike the order it is read in.
void SetW58Preset(ProfileFile& file, const std::string& section, const W58Preset& preset) {
    SetInt(file, section, "DN", preset.DN);
    SetInt(file, section, "FlowAccuView", preset.FlowAccuView);
    SetInt(file, section, "HeatAccuUnit", preset.HeatAccuUnit);
    SetReal(file, section, "FlowScale", preset.FlowScale, 4);
    SetInt(file, section, "SnsrCode", preset.SnsrCode);
    SetReal(file, section, "SnsrFact", preset.SnsrFact, 5);
    SetInt(file, section, "Addr", preset.Addr);
    SetInt(file, section, "Baudrate", preset.Baudrate);
    SetInt(file, section, "Parity", preset.Parity);
    SetInt(file, section, "Swap", preset.Swap);
}

}  // namespace

SerialSettings SerialSettingsFrom(const ProfileFile& file) {
    const SerialSettings defaults;
    SerialSettings settings;
    settings.address = file.GetInt(kSerialSection, "Addr", defaults.address);
    settings.portName = file.GetText(kSerialSection, "COM", defaults.portName, kMaxPortNameLength);
    settings.baudRate = file.GetInt(kSerialSection, "BaudRate", defaults.baudRate);
    settings.parity = file.GetInt(kSerialSection, "Parity", defaults.parity);
    settings.readTotalTimeout = file.GetInt(kSerialSection, "ReadTotalTimeoutConstant", defaults.readTotalTimeout);
    settings.byteOrderMode = file.GetInt(kSerialSection, "Swap", defaults.byteOrderMode);
    // A file without these keys is a serial connection, as files were before there was a choice.
    settings.linkType = file.GetInt(kSerialSection, kLinkTypeKey, defaults.linkType);
    settings.host = file.GetText(kSerialSection, "Host", defaults.host, kMaxHostLength);
    const int port = file.GetInt(kSerialSection, "TcpPort", 0);
    settings.tcpPort = port >= 1 && port <= 65535 ? port : DefaultTcpPort(settings.linkType);
    const int timeout = file.GetInt(kSerialSection, "NetTimeout", 0);
    settings.netTimeoutMs = timeout >= kMinNetTimeoutMs && timeout <= kMaxNetTimeoutMs ? timeout : defaults.netTimeoutMs;
    return settings;
}

int MeterKindFrom(const ProfileFile& file) { return file.GetInt(kMeterKindSection, "Type", kGenericMeter); }

PresetStore PresetsFrom(const ProfileFile& file) {
    PresetStore presets;
    for (int n = 1; n <= kPresetCount; ++n) {
        presets.generic[static_cast<std::size_t>(n - 1)] = LoadGenericPreset(file, GenericSection(n));
    }
    for (int n = 1; n <= kPresetCount; ++n) {
        presets.w58[static_cast<std::size_t>(n - 1)] = LoadW58Preset(file, W58Section(n));
    }
    return presets;
}

void PutSerialSettings(ProfileFile& file, const SerialSettings& settings) {
    SetInt(file, kSerialSection, "Addr", settings.address);
    file.SetText(kSerialSection, "COM", settings.portName);
    SetInt(file, kSerialSection, "BaudRate", settings.baudRate);
    SetInt(file, kSerialSection, "Parity", settings.parity);
    // No dialog edits it; the value the caller loaded goes back unchanged.
    SetInt(file, kSerialSection, "ReadTotalTimeoutConstant", settings.readTotalTimeout);
    SetInt(file, kSerialSection, "Swap", settings.byteOrderMode);
    // A serial connection leaves the section as it always was; once a network kind was
    // chosen, the keys stay, so that going back to serial keeps the converter's address.
    if (settings.linkType != kLinkSerial || file.Find(kSerialSection, kLinkTypeKey)) {
        SetInt(file, kSerialSection, kLinkTypeKey, settings.linkType);
        file.SetText(kSerialSection, "Host", settings.host);
        SetInt(file, kSerialSection, "TcpPort", settings.tcpPort);
        SetInt(file, kSerialSection, "NetTimeout", settings.netTimeoutMs);
    }
}

void PutMeterKind(ProfileFile& file, int meterKind) { SetInt(file, kMeterKindSection, "Type", meterKind); }

void PutPresets(ProfileFile& file, const PresetStore& presets) {
    for (int n = 1; n <= kPresetCount; ++n) {
        SetGenericPreset(file, GenericSection(n), presets.generic[static_cast<std::size_t>(n - 1)]);
    }
    for (int n = 1; n <= kPresetCount; ++n) {
        SetW58Preset(file, W58Section(n), presets.w58[static_cast<std::size_t>(n - 1)]);
    }
}

SerialSettings LoadSerialSettings() { return SerialSettingsFrom(ProfileFile::Load(GetSettingsFilePath())); }

int LoadMeterKind() { return MeterKindFrom(ProfileFile::Load(GetSettingsFilePath())); }

PresetStore LoadPresets() { return PresetsFrom(ProfileFile::Load(GetSettingsFilePath())); }

int LoadSearchTurnaround() {
    const int stored = ProfileFile::Load(GetSettingsFilePath()).GetInt(kSearchSection, kTurnaroundKey, 0);
    return stored >= kMinTurnaroundMs && stored <= kMaxTurnaroundMs ? stored : kDefaultTurnaroundMs;
}

WindowPlacement LoadWindowPlacement() {
    const ProfileFile file = ProfileFile::Load(GetSettingsFilePath());
    return {.x = file.GetInt(kWindowSection, "X", 0),
            .y = file.GetInt(kWindowSection, "Y", 0),
            .width = file.GetInt(kWindowSection, "Width", 0),
            .height = file.GetInt(kWindowSection, "Height", 0)};
}

ReportPeople LoadReportPeople() {
    const ProfileFile file = ProfileFile::Load(GetSettingsFilePath());
    return {.technician = file.GetText(kReportSection, "Technician", "", kMaxReportTextCharacters),
            .site = file.GetText(kReportSection, "Site", "", kMaxReportTextCharacters)};
}

std::string LoadLogFolder() {
    return ProfileFile::Load(GetSettingsFilePath()).GetText(kTrendSection, kLogFolderKey, "", kMaxFolderCharacters);
}

SaveResult SaveSerialSettings(const SerialSettings& settings) {
    return EditProfileFile(GetSettingsFolder(), kFileName,
                           [&settings](ProfileFile& file) { PutSerialSettings(file, settings); });
}

SaveResult SaveMeterKind(int meterKind) {
    return EditProfileFile(GetSettingsFolder(), kFileName, [meterKind](ProfileFile& file) { PutMeterKind(file, meterKind); });
}

SaveResult SavePresets(const PresetStore& presets) {
    return EditProfileFile(GetSettingsFolder(), kFileName, [&presets](ProfileFile& file) { PutPresets(file, presets); });
}

SaveResult SaveSearchTurnaround(int turnaroundMs) {
    return EditProfileFile(GetSettingsFolder(), kFileName,
                           [turnaroundMs](ProfileFile& file) { SetInt(file, kSearchSection, kTurnaroundKey, turnaroundMs); });
}

SaveResult SaveWindowPlacement(const WindowPlacement& placement) {
    return EditProfileFile(GetSettingsFolder(), kFileName, [&placement](ProfileFile& file) {
        SetInt(file, kWindowSection, "X", placement.x);
        SetInt(file, kWindowSection, "Y", placement.y);
        SetInt(file, kWindowSection, "Width", placement.width);
        SetInt(file, kWindowSection, "Height", placement.height);
    });
}

SaveResult SaveReportPeople(const ReportPeople& people) {
    // One line each: a line break would end the value and start a key of its own.
    const auto oneLine = [](std::string text) {
        for (char& c : text) {
            if (c == '\r' || c == '\n') c = ' ';
        }
        return text;
    };
    return EditProfileFile(GetSettingsFolder(), kFileName, [&people, &oneLine](ProfileFile& file) {
        file.SetText(kReportSection, "Technician", oneLine(people.technician));
        file.SetText(kReportSection, "Site", oneLine(people.site));
    });
}

SaveResult SaveLogFolder(const std::string& folder) {
    // A line break would end the value and start a key of its own: such a folder is not kept.
    if (folder.find_first_of("\r\n") != std::string::npos) return {};
    return EditProfileFile(GetSettingsFolder(), kFileName,
                           [&folder](ProfileFile& file) { file.SetText(kTrendSection, kLogFolderKey, folder); });
}

SettingsFileProblem CheckSettingsFile() {
    switch (ReadWholeFile(GetSettingsFilePath()).status) {
        case FileText::Status::NotRegular:
            return SettingsFileProblem::NotRegular;
        case FileText::Status::TooLarge:
            return SettingsFileProblem::TooLarge;
        default:
            return SettingsFileProblem::None;
    }
}

std::string SettingsFileProblemText(SettingsFileProblem problem, const std::string& path) {
    const char* what = problem == SettingsFileProblem::TooLarge ? "大于 1 MiB" : "不是普通文件";
    return "配置文件 " + path + " " + what + "，程序使用默认设置，并且不会改写该文件。";
}

}  // namespace kelvo
