// SPDX-License-Identifier: GPL-3.0-or-later
// kelvo-cli scan: a meter search on the command line, one line per meter found.

#include <ostream>

#include "cli/cli_arguments.h"
#include "cli/cli_line.h"
#include "cli/cli_run.h"
#include "line/line_owner.h"
#include "link/stop_event.h"
#include "messages/failure_text.h"
#include "messages/prompter.h"
#include "search/meter_search.h"
#include "settings/settings.h"

namespace kelvo::cli {
namespace {

// Through a converter the rate and parity are the converter's, not what the search found.
std::string FoundLine(const FoundMeter& meter, const SerialSettings& where) {
    const std::string line = SearchesAddressesOnly(where)
                                 ? " 经由 " + EndpointText(EndpointOf(where))
                                 : " 波特率 " + std::to_string(meter.line.baudRate) + " 校验 " + ParityText(meter.line.parity);
    return "地址 " + std::to_string(meter.address) + line + " 型号 " + meter.model + " 版本 " + meter.version;
}

}  // namespace

int RunScan(const ScanCommand& scan, std::ostream& out, std::ostream& err, const InterruptWait& wait) {
    const std::optional<std::string> port = scan.converter ? std::nullopt : std::optional(scan.port);
    const SerialSettings where = WithEndpoint(LoadSerialSettings(), port, scan.converter, scan.netTimeoutMs);
    SearchScope scope = ScopeFromSettings(where, scan.addresses.value_or(AddressRange{}));
    if (!SearchesAddressesOnly(where)) {
        scope.lines = SearchLines(scan.baudRates, scan.parities, LineSetting{where.baudRate, where.parity});
    }
    const std::vector<SearchTry> plan = PlanSearch(scope);
    const std::chrono::milliseconds turnaround(scan.turnaroundMs.value_or(LoadSearchTurnaround()));
    const std::chrono::milliseconds tryWait = TryWait(where, turnaround);
    if (SearchesAddressesOnly(where)) err << "经由转换器搜索：只试地址，波特率和校验由转换器决定。\n";
    err << "共 " << plan.size() << " 次尝试，最长" << DurationText(PlanTime(plan, tryWait)) << "。\n";

    StopEvent stopEvent;
    LineOwner line(stopEvent);
    MeterSearch search(line);
    if (!search.Start(where, plan, tryWait)) {
        err << "kelvo-cli：无法开始搜索。\n";
        return kExitNothing;
    }
    std::size_t printed = 0;
    SearchStatus status = search.Status();
    for (;;) {
        const bool ended = status.state != SearchState::Running;
        for (; printed < status.found.size(); ++printed) out << FoundLine(status.found[printed], where) << "\n" << std::flush;
        if (ended) break;
        if (wait(kPrintInterval)) search.Cancel();
        status = search.Status();
    }
    search.Wait();
    if (status.state == SearchState::PortFailed) {
        err << kOpenPortFailedText << PortErrorText(status.portError) << "（" << EndpointText(EndpointOf(where)) << "）\n";
        return kExitPort;
    }
    if (status.state == SearchState::Cancelled) err << "搜索已取消。\n";
    if (status.found.empty()) {
        err << "没有找到仪表。\n";
        return kExitNothing;
    }
    return kExitFound;
}

}  // namespace kelvo::cli
