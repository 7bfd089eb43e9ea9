// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the connection's worker does with every polling cycle: a sample into the history
// and, while a log runs, a row into the log's queue. Recording never waits for the disk or
// for the window; the log is started and stopped from any thread, and goes on whoever
// looks at the history.

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "history/cycle_sample.h"
#include "history/history_store.h"
#include "history/log_writer.h"
#include "live/live_connection.h"

namespace kelvo {

// The identity a log of this connection names, as the meter answered at "连接".
LogIdentity IdentityOf(const LiveConnection& connection);

class CycleRecorder {
public:
    explicit CycleRecorder(HistoryStore& store) : store_(store) {}
    // Stops a log that runs and waits until its file is closed.
    ~CycleRecorder();
    CycleRecorder(const CycleRecorder&) = delete;
    CycleRecorder& operator=(const CycleRecorder&) = delete;

    // A new connection (on the worker, once the meter is identified): a new history.
    void Begin(const LogIdentity& identity);
    // On the worker, for every polling cycle that ran to its end.
    void Record(const PolledCycle& cycle);
    // The connection begun last; none before the first.
    std::optional<LogIdentity> Identity() const;

    // Starts a log of the connection begun last, in place of one that runs; `options`
    // gives the file and the callbacks, the identity is the connection's. False without
    // a connection.
    bool StartLog(LogOptions options);
    // Returns at once: the log writes what is queued and closes its file on its own thread.
    void StopLog();
    // Stops the log and waits until its file is closed; what it did (the command line).
    std::optional<LogProgress> FinishLog();
    // The log that runs, if any.
    std::optional<LogProgress> RunningLog() const;

private:
    std::vector<std::unique_ptr<LogWriter>> TakeEndedLogs();

    HistoryStore& store_;
    mutable std::mutex mutex_;  // guards everything below; held only for pointer moves
    std::optional<LogIdentity> identity_;
    std::unique_ptr<LogWriter> log_;
    std::vector<std::unique_ptr<LogWriter>> stopping_;  // closing their files
};

}  // namespace kelvo
