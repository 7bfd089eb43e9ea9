// kelvo-cli scan: a meter search on the command line, one line per meter found.

#include <ostream>

#include "cli/cli_arguments.h"
#include "cli/cli_run.h"
#include "line/line_owner.h"
#include "link/stop_event.h"
#include "messages/failure_text.h"
#include "messages/prompter.h"
#include "search/meter_search.h"
#include "settings/settings.h"

namespace kelvo::cli {
namespace {

std::string FoundLine(const FoundMeter& meter) {
    return "地址 " + std::to_string(meter.address) + " 波特率 " + std::to_string(meter.line.baudRate) + " 校验 " +
           ParityText(meter.line.parity) + " 型号 " + meter.model + " 版本 " + meter.version;
}

}  // namespace

int RunScan(const ScanCommand& scan, std::ostream& out, std::ostream& err, const InterruptWait& wait) {
    const SerialSettings stored = LoadSerialSettings();
    SearchScope scope = ScopeFromSettings(stored, scan.addresses.value_or(AddressRange{}));
    scope.lines = SearchLines(scan.baudRates, scan.parities, LineSetting{stored.baudRate, stored.parity});
    const std::vector<SearchTry> plan = PlanSearch(scope);
    const std::chrono::milliseconds turnaround(scan.turnaroundMs.value_or(LoadSearchTurnaround()));
    err << "共 " << plan.size() << " 次尝试，最长" << DurationText(PlanTime(plan, turnaround)) << "。\n";

    StopEvent stopEvent;
    LineOwner line(stopEvent);
    MeterSearch search(line);
    if (!search.Start(scan.port, plan, turnaround)) {
        err << "kelvo-cli：无法开始搜索。\n";
        return kExitNothing;
    }
    std::size_t printed = 0;
    SearchStatus status = search.Status();
    for (;;) {
        const bool ended = status.state != SearchState::Running;
        for (; printed < status.found.size(); ++printed) out << FoundLine(status.found[printed]) << "\n" << std::flush;
        if (ended) break;
        if (wait(kPrintInterval)) search.Cancel();
        status = search.Status();
    }
    search.Wait();
    if (status.state == SearchState::PortFailed) {
        err << kOpenPortFailedText << PortErrorText(status.portError) << "（" << scan.port << "）\n";
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
