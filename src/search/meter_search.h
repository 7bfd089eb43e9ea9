// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// MeterSearch: runs a plan of identification tries as a job on the line's worker and
// reports what it tried and found. The user-interface thread (or the command line)
// starts it, looks at Status() now and then and may cancel it; the try in progress then
// ends at once. The port is opened once for the whole search, its line settings changed
// from try to try, and it is closed before the search reports that it has ended.

#include <chrono>
#include <cstddef>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "line/line_owner.h"
#include "search/search_plan.h"

namespace kelvo {

struct FoundMeter {
    int address = 0;
    LineSetting line;
    std::string model;    // model code as the meter sent it
    std::string version;  // its four firmware version characters

    bool operator==(const FoundMeter&) const = default;
};

enum class SearchState {
    Idle,       // not started
    Running,
    Finished,   // every try ran or was skipped
    Cancelled,
    PortFailed, // the port could not be opened (see portError) or went away during the search
};

struct SearchStatus {
    SearchState state = SearchState::Idle;
    std::size_t triesDone = 0;  // run or skipped
    std::size_t triesTotal = 0;
    std::optional<SearchTry> current;  // the try under way
    std::vector<FoundMeter> found;     // in the order they answered
    PortError portError = PortError::None;
    std::chrono::microseconds remaining{0};  // the floors of the tries still to run
};

class MeterSearch {
public:
    explicit MeterSearch(LineOwner& line) : line_(line) {}
    ~MeterSearch();  // cancels a search under way and waits for it
    MeterSearch(const MeterSearch&) = delete;
    MeterSearch& operator=(const MeterSearch&) = delete;

    // Starts the plan on the endpoint of `where` (the serial port, or the converter, whose
    // line settings the tries do not change); its requests and answers go to the line's
    // traffic log. A try waits `wait` beyond its wire time (TryWait). False when a search
    // is still running or the line takes no job.
    bool Start(const SerialSettings& where, std::vector<SearchTry> plan, std::chrono::milliseconds wait);
    // On the serial port `portName`.
    bool Start(const std::string& portName, std::vector<SearchTry> plan, std::chrono::milliseconds turnaround);
    void Cancel();
    // Waits until the search has ended (at once when none runs).
    void Wait();

    SearchStatus Status() const;

private:
    void Run(LineJob& job, const SerialSettings& where, const std::vector<SearchTry>& plan,
             std::chrono::milliseconds turnaround);
    // Runs the tries on the open port; the state the search ended in.
    SearchState RunTries(LineJob& job, const std::vector<SearchTry>& plan, std::chrono::milliseconds turnaround);

    LineOwner& line_;
    mutable std::mutex mutex_;  // guards status_ and job_; held only to copy or change them
    SearchStatus status_;
    LineOwner::JobId job_ = 0;
};

}  // namespace kelvo
