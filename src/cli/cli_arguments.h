// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The command line of kelvo-cli, parsed into what each command needs.

#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "link/endpoint.h"
#include "proving/verification.h"
#include "proving/zero_check.h"
#include "search/search_plan.h"

namespace kelvo::cli {

// --tcp HOST:PORT (a serial server, RTU over TCP) or --modbus-tcp HOST:PORT (a gateway): the
// converter in place of a serial port.
struct Converter {
    int linkType = kLinkRtuOverTcp;
    HostAndPort where;
    bool operator==(const Converter&) const = default;
};

struct ScanCommand {
    std::string port;                       // empty when a converter is given
    std::optional<Converter> converter;     // then only addresses are tried
    std::optional<int> netTimeoutMs;
    std::optional<AddressRange> addresses;  // none: the stored address first, then 1-247
    std::vector<int> baudRates;             // in the order given
    std::vector<int> parities;
    std::optional<int> turnaroundMs;        // none: the stored setting
};

// How to reach the meter; each replaces the stored setting when given.
struct PortOptions {
    std::optional<std::string> port;
    std::optional<Converter> converter;  // in place of the port
    std::optional<int> address;
    std::optional<int> baudRate;
    std::optional<int> parity;
    std::optional<int> meterKind;
    std::optional<int> netTimeoutMs;

    bool Any() const { return port || converter || address || baudRate || parity || meterKind || netTimeoutMs; }
    bool NamesEndpoint() const { return port || converter; }
};

struct MonitorCommand {
    PortOptions line;  // the port is required here
    int seconds = 0;
};

// Logs every polling cycle to CSV files until N seconds have passed or Ctrl+C.
struct LogCommand {
    PortOptions line;
    std::string output;
    std::optional<int> seconds;
};

// Watches the flow for N seconds with the pipe full and still, and judges its zero.
struct ZeroCheckCommand {
    PortOptions line;
    int seconds = kDefaultZeroSeconds;
};

// One timed verification run against a reference volume.
struct VerifyCommand {
    PortOptions line;
    int seconds = 0;
    std::string referenceText;  // as typed
    double reference = 0;
    std::optional<int> unit;    // a VolumeUnits index; none: the unit of the meter's totals
    double tolerancePercent = kDefaultTolerancePercent;
};

struct BackupCommand {
    PortOptions line;
    std::string output;
};

// One file: the meter against it; two: the first against the second.
struct CompareCommand {
    PortOptions line;
    std::string file;
    std::optional<std::string> otherFile;
    bool all = false;  // every parameter, not only those that differ
};

struct RestoreCommand {
    PortOptions line;
    std::string file;
    std::vector<std::string> only;  // empty: every parameter but the per-meter ones
    bool yes = false;               // write without asking
};

struct ReadCommand {
    PortOptions line;
    std::vector<std::string> names;
};

struct Assignment {
    std::string name;
    std::string value;  // as typed
};

struct WriteCommand {
    PortOptions line;
    std::vector<Assignment> assignments;
};

enum class ReportFormat { Pdf, Html };

struct ReportCommand {
    std::string file;
    std::string output;
    ReportFormat format = ReportFormat::Pdf;
    // None: what the window last used (or nothing).
    std::optional<std::string> technician;
    std::optional<std::string> site;
};

struct HelpCommand {
    std::string command;  // empty: every command
};

// kelvo-cli --version: the program's version and licence.
struct VersionCommand {};

struct UsageError {
    std::string text;
    std::string command = {};  // whose usage follows the text; empty: every command's
};

using Command = std::variant<ScanCommand, MonitorCommand, LogCommand, ZeroCheckCommand, VerifyCommand, BackupCommand,
                             CompareCommand, RestoreCommand, ReadCommand, WriteCommand, ReportCommand, HelpCommand,
                             VersionCommand, UsageError>;

Command ParseCommand(const std::vector<std::string>& args);

// The usage of one command, or of all with the exit statuses for an empty name.
std::string UsageText(std::string_view command = {});
// What kelvo-cli --version prints: the name, the version and the licence.
std::string VersionText();
bool IsCommandName(std::string_view name);

}  // namespace kelvo::cli
