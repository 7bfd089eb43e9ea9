// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// kelvo-cli as a function, so that tests run it in-process: the arguments after the
// program name in, the lines on `out`, the messages on `err`, the exit status back.

#include <chrono>
#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

namespace kelvo::cli {

inline constexpr int kExitFound = 0;    // a meter was found / polled
inline constexpr int kExitNothing = 1;  // no meter found / no good polling cycle
inline constexpr int kExitUsage = 2;
inline constexpr int kExitPort = 3;  // the port cannot be opened
// The commands on a meter's parameters use the same numbers.
inline constexpr int kExitDone = kExitFound;       // saved, equal, written and read back
inline constexpr int kExitNotDone = kExitNothing;  // differs, no answer, not all written, interrupted
// zero-check and verify: within the limits, outside them, or no verdict at all (the port or
// the meter failed, too few good cycles, the total went backwards, the run was too short,
// interrupted).
inline constexpr int kExitPass = 0;
inline constexpr int kExitFail = 1;
inline constexpr int kExitNoVerdict = kExitPort;

// Waits for at most the time given; true when the user asked to stop (Ctrl+C). Also the
// pace at which the commands print what came.
using InterruptWait = std::function<bool(std::chrono::milliseconds)>;

// The user's answer to a question just printed.
enum class Reply { Yes, No, Interrupted };
// Reads that answer; empty when nobody can give one (stdin is no terminal).
using ReadReply = std::function<Reply()>;

struct Console {
    std::ostream& out;
    std::ostream& err;
    InterruptWait wait;
    ReadReply reply;
};

int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err, const InterruptWait& wait,
           const ReadReply& reply = {});

struct ScanCommand;
struct MonitorCommand;
struct LogCommand;
struct ZeroCheckCommand;
struct VerifyCommand;
struct BackupCommand;
struct CompareCommand;
struct RestoreCommand;
struct ReadCommand;
struct WriteCommand;
struct ReportCommand;
int RunScan(const ScanCommand& scan, std::ostream& out, std::ostream& err, const InterruptWait& wait);
int RunMonitor(const MonitorCommand& monitor, std::ostream& out, std::ostream& err, const InterruptWait& wait);
int RunLog(const LogCommand& log, const Console& console);
int RunZeroCheck(const ZeroCheckCommand& check, const Console& console);
int RunVerify(const VerifyCommand& verify, const Console& console);
int RunBackup(const BackupCommand& backup, const Console& console);
int RunCompare(const CompareCommand& compare, const Console& console);
int RunRestore(const RestoreCommand& restore, const Console& console);
int RunRead(const ReadCommand& read, const Console& console);
int RunWrite(const WriteCommand& write, const Console& console);
int RunReport(const ReportCommand& report, const Console& console);

// How often the commands look at what the search or the link did.
inline constexpr std::chrono::milliseconds kPrintInterval{100};

}  // namespace kelvo::cli
