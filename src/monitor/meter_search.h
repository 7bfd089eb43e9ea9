#pragma once
// MeterSearch: runs a plan of identification tries on a thread of its own and reports
// what it tried and found. The user-interface thread (or the command line) starts it,
// looks at Status() now and then and may cancel it; the try in progress then ends at
// once. The port is opened once for the whole search, its line settings changed from
// try to try, and it is closed before the search reports that it has ended, so whoever
// sees the end can open the port at once.

#include <chrono>
#include <cstddef>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "link/serial_port.h"
#include "monitor/search_plan.h"
#include "monitor/stop_event.h"

namespace kelvo {

class TrafficLog;

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
    MeterSearch() = default;
    ~MeterSearch();  // cancels a search under way and waits for it
    MeterSearch(const MeterSearch&) = delete;
    MeterSearch& operator=(const MeterSearch&) = delete;

    // Starts the plan on `portName`. The search's own requests and answers go to `log`
    // (may be nullptr). False when a search is still running or no thread could be made.
    bool Start(const std::string& portName, std::vector<SearchTry> plan, std::chrono::milliseconds turnaround,
               TrafficLog* log);
    void Cancel();
    // Waits until the search has ended (at once when none runs).
    void Wait();

    SearchStatus Status() const;

private:
    void Run(std::string portName, std::vector<SearchTry> plan, std::chrono::milliseconds turnaround,
             TrafficLog* log);
    // Runs the tries on the open port; the state the search ended in.
    SearchState RunTries(CSerialPort& port, const std::vector<SearchTry>& plan, std::chrono::milliseconds turnaround,
                         TrafficLog* log);

    StopEvent cancel_;
    mutable std::mutex mutex_;  // guards status_; held only to copy it or change it
    SearchStatus status_;
    std::thread thread_;
};

}  // namespace kelvo
