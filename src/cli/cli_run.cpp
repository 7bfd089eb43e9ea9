// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/cli_run.h"

#include <ostream>
#include <type_traits>
#include <variant>

#include "cli/cli_arguments.h"

namespace kelvo::cli {

int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err, const InterruptWait& wait,
           const ReadReply& reply) {
    const Console console{.out = out, .err = err, .wait = wait, .reply = reply};
    return std::visit(
        [&](const auto& command) {
            using T = std::decay_t<decltype(command)>;
            if constexpr (std::is_same_v<T, ScanCommand>) {
                return RunScan(command, out, err, wait);
            } else if constexpr (std::is_same_v<T, MonitorCommand>) {
                return RunMonitor(command, out, err, wait);
            } else if constexpr (std::is_same_v<T, LogCommand>) {
                return RunLog(command, console);
            } else if constexpr (std::is_same_v<T, ZeroCheckCommand>) {
                return RunZeroCheck(command, console);
            } else if constexpr (std::is_same_v<T, VerifyCommand>) {
                return RunVerify(command, console);
            } else if constexpr (std::is_same_v<T, BackupCommand>) {
                return RunBackup(command, console);
            } else if constexpr (std::is_same_v<T, CompareCommand>) {
                return RunCompare(command, console);
            } else if constexpr (std::is_same_v<T, RestoreCommand>) {
                return RunRestore(command, console);
            } else if constexpr (std::is_same_v<T, ReadCommand>) {
                return RunRead(command, console);
            } else if constexpr (std::is_same_v<T, WriteCommand>) {
                return RunWrite(command, console);
            } else if constexpr (std::is_same_v<T, ReportCommand>) {
                return RunReport(command, console);
            } else if constexpr (std::is_same_v<T, VersionCommand>) {
                out << VersionText();
                return kExitFound;
            } else if constexpr (std::is_same_v<T, HelpCommand>) {
                out << UsageText(command.command);
                return kExitFound;
            } else {
                err << "kelvo-cli：" << command.text << "\n" << UsageText(command.command);
                return kExitUsage;
            }
        },
        ParseCommand(args));
}

}  // namespace kelvo::cli
