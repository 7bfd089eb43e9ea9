#include "cli/cli_run.h"

#include <ostream>
#include <type_traits>
#include <variant>

#include "cli/cli_arguments.h"

namespace kelvo::cli {

int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err, const InterruptWait& wait) {
    return std::visit(
        [&](const auto& command) {
            using T = std::decay_t<decltype(command)>;
            if constexpr (std::is_same_v<T, ScanCommand>) {
                return RunScan(command, out, err, wait);
            } else if constexpr (std::is_same_v<T, MonitorCommand>) {
                return RunMonitor(command, out, err, wait);
            } else if constexpr (std::is_same_v<T, HelpCommand>) {
                out << kUsageText;
                return kExitFound;
            } else {
                err << "kelvo-cli：" << command.text << "\n" << kUsageText;
                return kExitUsage;
            }
        },
        ParseCommand(args));
}

}  // namespace kelvo::cli
