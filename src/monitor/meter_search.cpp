#include "monitor/meter_search.h"

#include <system_error>
#include <utility>

#include "link/identification_probe.h"
#include "monitor/meter_identity.h"

namespace kelvo {

MeterSearch::~MeterSearch() {
    Cancel();
    Wait();
}

bool MeterSearch::Start(const std::string& portName, std::vector<SearchTry> plan,
                        std::chrono::milliseconds turnaround, TrafficLog* log) {
    if (thread_.joinable()) {
        if (Status().state == SearchState::Running) return false;
        thread_.join();
    }
    cancel_.Reset();
    {
        const std::lock_guard lock(mutex_);
        status_ = SearchStatus{.state = SearchState::Running,
                               .triesDone = 0,
                               .triesTotal = plan.size(),
                               .current = std::nullopt,
                               .found = {},
                               .portError = PortError::None,
                               .remaining = PlanTime(plan, turnaround)};
    }
    try {
        thread_ = std::thread(&MeterSearch::Run, this, portName, std::move(plan), turnaround, log);
    } catch (const std::system_error&) {
        const std::lock_guard lock(mutex_);
        status_.state = SearchState::Idle;
        return false;
    }
    return true;
}

void MeterSearch::Cancel() { cancel_.Set(); }

void MeterSearch::Wait() {
    if (thread_.joinable()) thread_.join();
}

SearchStatus MeterSearch::Status() const {
    const std::lock_guard lock(mutex_);
    return status_;
}

void MeterSearch::Run(std::string portName, std::vector<SearchTry> plan, std::chrono::milliseconds turnaround,
                      TrafficLog* log) {
    SearchState ending = SearchState::Finished;
    PortError portError = PortError::None;
    {
        CSerialPort port;
        port.SetStopSignal(cancel_.Fd());
        const LineSetting first = plan.empty() ? LineSetting{} : plan.front().line;
        if (port.Open(portName, first.baudRate, first.parity) < 0) {
            ending = SearchState::PortFailed;
            portError = port.LastError();
        } else {
            ending = RunTries(port, plan, turnaround, log);
            // The only way a search on an open port fails: the device went away.
            if (ending == SearchState::PortFailed) portError = PortError::NoSuchDevice;
        }
    }  // the port is closed here, before anyone hears that the search has ended
    const std::lock_guard lock(mutex_);
    status_.state = ending;
    status_.portError = portError;
    status_.current.reset();
}

SearchState MeterSearch::RunTries(CSerialPort& port, const std::vector<SearchTry>& plan,
                                  std::chrono::milliseconds turnaround, TrafficLog* log) {
    LineSetting configured = plan.empty() ? LineSetting{} : plan.front().line;
    std::optional<LineSetting> answeredAt;
    for (const SearchTry& attempt : plan) {
        if (cancel_.IsSet()) return SearchState::Cancelled;
        const auto floor = TryFloor(attempt.line, turnaround);
        // Every meter on one line talks at the same rate and parity: once one answered,
        // the other settings cannot find another.
        if (answeredAt && attempt.line != *answeredAt) {
            const std::lock_guard lock(mutex_);
            ++status_.triesDone;
            status_.remaining -= floor;
            continue;
        }
        if (attempt.line != configured) {
            port.Configure(attempt.line.baudRate, attempt.line.parity);
            configured = attempt.line;
        }
        {
            const std::lock_guard lock(mutex_);
            status_.current = attempt;
        }
        const ProbeAnswer answer = ProbeIdentification(port, static_cast<std::uint8_t>(attempt.address), floor, log);
        if (port.State() == LineState::Stopped) return SearchState::Cancelled;
        if (port.State() == LineState::Gone) return SearchState::PortFailed;

        const std::lock_guard lock(mutex_);
        ++status_.triesDone;
        status_.remaining -= floor;
        if (answer.Good()) {
            answeredAt = attempt.line;
            const IdentificationTexts texts = DescribeIdentification(answer.data);
            status_.found.push_back(
                {.address = attempt.address, .line = attempt.line, .model = texts.model, .version = texts.version});
        }
    }
    return SearchState::Finished;
}

}  // namespace kelvo
