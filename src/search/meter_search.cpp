// SPDX-License-Identifier: GPL-3.0-or-later
#include "search/meter_search.h"

#include <utility>

#include "link/identification_probe.h"
#include "link/modbus_frames.h"
#include "meter/meter_identity.h"

namespace kelvo {

MeterSearch::~MeterSearch() {
    Cancel();
    Wait();
}

bool MeterSearch::Start(const std::string& portName, std::vector<SearchTry> plan,
                        std::chrono::milliseconds turnaround) {
    SerialSettings where;
    where.portName = portName;
    return Start(where, std::move(plan), turnaround);
}

bool MeterSearch::Start(const SerialSettings& where, std::vector<SearchTry> plan, std::chrono::milliseconds turnaround) {
    const std::lock_guard lock(mutex_);
    if (status_.state == SearchState::Running) return false;
    status_ = SearchStatus{.state = SearchState::Running,
                           .triesDone = 0,
                           .triesTotal = plan.size(),
                           .current = std::nullopt,
                           .found = {},
                           .portError = PortError::None,
                           .remaining = PlanTime(plan, turnaround)};
    job_ = line_.Submit(TrafficSource::Search,
                        [this, where, plan = std::move(plan), turnaround](LineJob& job) {
                            Run(job, where, plan, turnaround);
                        });
    if (job_ == 0) status_.state = SearchState::Idle;
    return job_ != 0;
}

void MeterSearch::Cancel() {
    const std::lock_guard lock(mutex_);
    if (job_ != 0) line_.Cancel(job_);
}

void MeterSearch::Wait() {
    LineOwner::JobId job = 0;
    {
        const std::lock_guard lock(mutex_);
        job = job_;
    }
    if (job != 0) line_.WaitEnded(job);
}

SearchStatus MeterSearch::Status() const {
    const std::lock_guard lock(mutex_);
    return status_;
}

void MeterSearch::Run(LineJob& job, const SerialSettings& where, const std::vector<SearchTry>& plan,
                      std::chrono::milliseconds turnaround) {
    SearchState ending = SearchState::Finished;
    PortError portError = PortError::None;
    SerialSettings opening = where;
    if (!plan.empty()) {
        opening.baudRate = plan.front().line.baudRate;
        opening.parity = plan.front().line.parity;
    }
    // An answer a disconnect left on the line would spoil the first try.
    if (!job.Link().WaitForQuietLine()) {
        ending = SearchState::Cancelled;
    } else if (const LinkResult opened = job.Link().OpenPort(opening); !opened) {
        ending = opened.Cancelled() ? SearchState::Cancelled : SearchState::PortFailed;
        portError = opened.portError;
    } else {
        ending = RunTries(job, plan, turnaround);
        // The only way a search on an open port fails: the device or the connection went away.
        if (ending == SearchState::PortFailed) {
            const PortError reason = job.Link().Port().GoneReason();
            portError = reason != PortError::None ? reason : PortError::NoSuchDevice;
        }
    }
    // Closed here, before anyone hears that the search has ended.
    job.Link().ClosePort();
    const std::lock_guard lock(mutex_);
    status_.state = ending;
    status_.portError = portError;
    status_.current.reset();
}

SearchState MeterSearch::RunTries(LineJob& job, const std::vector<SearchTry>& plan,
                                  std::chrono::milliseconds turnaround) {
    Transport& port = job.Link().Port();
    TrafficLog* log = job.Link().Traffic();
    LineSetting configured = plan.empty() ? LineSetting{} : plan.front().line;
    std::optional<LineSetting> answeredAt;
    for (const SearchTry& attempt : plan) {
        if (job.Cancelled()) return SearchState::Cancelled;
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
        const auto address = static_cast<std::uint8_t>(attempt.address);
        const auto sentAt = std::chrono::steady_clock::now();
        const ProbeAnswer answer = ProbeIdentification(port, address, floor, log);
        if (port.State() == LineState::Stopped) {
            // The meter may still be answering the try the cancel cut short.
            job.Link().NoteCutShortWait(IdentificationRequest(address).View(), attempt.line.baudRate,
                                        attempt.line.parity, sentAt);
            return SearchState::Cancelled;
        }
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
