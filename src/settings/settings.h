// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The records kept in config.ini and the operations that load and save them.
// Nothing is cached: every consumer loads what it needs when it needs it, and every
// change is written at once, so a change made in one place is seen by the next load.

#include <array>
#include <string>

#include "settings/save_result.h"

namespace kelvo {

// How the meter is reached: on a serial port of this computer, or through a serial-to-
// Ethernet converter that passes the RTU frames through a TCP connection unchanged (a
// serial server in raw TCP mode) or translates Modbus TCP to RTU (a gateway).
inline constexpr int kLinkSerial = 0;
inline constexpr int kLinkRtuOverTcp = 1;
inline constexpr int kLinkModbusTcp = 2;

inline constexpr int kDefaultRtuOverTcpPort = 4001;
inline constexpr int kDefaultModbusTcpPort = 502;
// The converter's own retries and its serial line come on top of the network's delay.
inline constexpr int kDefaultNetTimeoutMs = 3000;
inline constexpr int kMinNetTimeoutMs = 100;
inline constexpr int kMaxNetTimeoutMs = 60000;
// A DNS name has at most 253 characters; an IPv6 literal with brackets and a zone fits too.
inline constexpr int kMaxHostLength = 253;

struct SerialSettings {
    std::string portName = "COM1";  // at most 5 characters
    int baudRate = 9600;            // bit/s, the number itself
    int address = 8;                // Modbus device address; the low 8 bits go on the wire
    int parity = 0;                 // 0 none, 1 odd, 2 even
    int readTotalTimeout = 100;     // ms; carried and written back, the port uses the baud table
    int byteOrderMode = 1;          // ByteOrderMode 0..3
    // The connection kind and, for the network kinds, the converter's host as typed (a
    // name, an IPv4 or an IPv6 address), its TCP port and how long an answer may take.
    int linkType = kLinkSerial;
    std::string host{};
    int tcpPort = kDefaultRtuOverTcpPort;
    int netTimeoutMs = kDefaultNetTimeoutMs;

    bool operator==(const SerialSettings&) const = default;
};

inline constexpr int kMaxPortNameLength = 5;

// The TCP port a converter of the kind listens on unless it was set up otherwise.
constexpr int DefaultTcpPort(int linkType) {
    return linkType == kLinkModbusTcp ? kDefaultModbusTcpPort : kDefaultRtuOverTcpPort;
}

// The rates the serial settings dialog offers, and so the rates a meter search tries; the
// port layer knows 115200 too, which cannot be chosen there.
inline constexpr std::array<int, 7> kOfferedBaudRates = {1200, 2400, 4800, 9600, 19200, 38400, 57600};
// Parity indices: 0 none, 1 odd, 2 even.
inline constexpr int kParityCount = 3;

// How long a meter may take between the end of a request and the start of its answer, as a
// meter search waits for it; kept in its own section, so the serial settings stay as they are.
inline constexpr int kDefaultTurnaroundMs = 100;
inline constexpr int kMinTurnaroundMs = 10;
inline constexpr int kMaxTurnaroundMs = 2000;

// MeterKind: 0 generic meter, 1 W58 meter. The W58 page set is chosen exactly when it is 1.
inline constexpr int kGenericMeter = 0;
inline constexpr int kW58Meter = 1;

struct GenericPreset {
    int DN = 13;           // DnList index (13 = DN50)
    int FlowUnit = 5;      // FlowUnitTexts index (5 = m3/h)
    int FlowAccuUnit = 1;  // VolumeUnits index (1 = m3)
    double FlowScale = 35.0;
    double ZeroFact = 0.0;  // m/s; carried through, never downloaded
    double SnsrFact = 1.0;

    bool operator==(const GenericPreset&) const = default;
};

struct W58Preset {
    int DN = 10;            // DnList index (10 = DN25)
    int FlowAccuView = 0;   // TotalizerNames index
    int HeatAccuUnit = 0;   // EnergyUnits index (the meter's own unit code)
    int SnsrCode = 0;       // meter number 0..99999999
    double FlowScale = 7.0;
    double SnsrFact = 1.0;
    int Addr = 8;
    int Baudrate = 3;  // BaudTexts index (3 = 9600)
    int Parity = 0;
    int Swap = 1;  // ByteOrderMode

    bool operator==(const W58Preset&) const = default;
};

inline constexpr int kPresetCount = 5;

// Who commissions where, for the commissioning report; asked once and remembered.
struct ReportPeople {
    std::string technician;
    std::string site;

    bool operator==(const ReportPeople&) const = default;
};

// Where the main window was and how large, as the user left it; width 0: never saved.
struct WindowPlacement {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;

    bool Saved() const { return width > 0 && height > 0; }
    bool operator==(const WindowPlacement&) const = default;
};

struct PresetStore {
    std::array<GenericPreset, kPresetCount> generic{};
    std::array<W58Preset, kPresetCount> w58{};

    bool operator==(const PresetStore&) const = default;
};

// ${XDG_CONFIG_HOME:-$HOME/.config}/Kelvo on Linux, %APPDATA%\Kelvo on Windows; UTF-8.
// Does not create the folder.
std::string GetSettingsFolder();
// GetSettingsFolder() + "/config.ini" ("\config.ini" on Windows).
std::string GetSettingsFilePath();

// Loads never fail: a missing folder, file, section or key gives the default, and
// loading never creates anything.
SerialSettings LoadSerialSettings();
int LoadMeterKind();
PresetStore LoadPresets();
// Within kMinTurnaroundMs..kMaxTurnaroundMs; a missing or odd value gives the default.
int LoadSearchTurnaround();
WindowPlacement LoadWindowPlacement();
ReportPeople LoadReportPeople();
// [Trend] LogFolder: where the last log was written; empty before the first.
std::string LoadLogFolder();

// Saves create the folder (one level) and the file on demand, keep every other line
// of the file and replace it atomically. A failed save (read-only, disk full, a file
// that is not one to read) says why; the caller tells the user.
SaveResult SaveSerialSettings(const SerialSettings& settings);
SaveResult SaveMeterKind(int meterKind);
SaveResult SavePresets(const PresetStore& presets);
SaveResult SaveSearchTurnaround(int turnaroundMs);
SaveResult SaveWindowPlacement(const WindowPlacement& placement);
SaveResult SaveReportPeople(const ReportPeople& people);
SaveResult SaveLogFolder(const std::string& folder);

// config.ini is there but is no file to read: not a regular file (a FIFO, a device, a
// link to one) or larger than 1 MiB. Loads then give the defaults and every save is
// refused, so the file stays as it is.
enum class SettingsFileProblem { None, NotRegular, TooLarge };
SettingsFileProblem CheckSettingsFile();
// The message that names the file and says what the program does about it.
std::string SettingsFileProblemText(SettingsFileProblem problem, const std::string& path);

}  // namespace kelvo
