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

// Waits for at most the time given; true when the user asked to stop (Ctrl+C). Also the
// pace at which the commands print what came.
using InterruptWait = std::function<bool(std::chrono::milliseconds)>;

int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err, const InterruptWait& wait);

struct ScanCommand;
struct MonitorCommand;
int RunScan(const ScanCommand& scan, std::ostream& out, std::ostream& err, const InterruptWait& wait);
int RunMonitor(const MonitorCommand& monitor, std::ostream& out, std::ostream& err, const InterruptWait& wait);

// How often the commands look at what the search or the link did.
inline constexpr std::chrono::milliseconds kPrintInterval{100};

}  // namespace kelvo::cli
