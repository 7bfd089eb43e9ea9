// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the proving dialogs ask of the main window's line: a job between two polling
// cycles of the live connection (a total read, the sensor factor written), with the
// window busy, its progress and its cancel as for a page's transaction, and its end
// handed back on the window's thread. Polling goes on after it.

#include <QString>

#include <functional>

#include "line/line_owner.h"
#include "meter/value_codec.h"

namespace kelvo {

class CLineRunner;
class HistoryStore;
class LiveConnection;

class CProvingJobs {
public:
    CProvingJobs(LiveConnection& connection, CLineRunner& runner, const HistoryStore& history)
        : connection_(connection), runner_(runner), history_(history) {}

    // Runs `work` on the connection's open port between two cycles, then `done` on the
    // window's thread. False, and nothing runs, while not polling or while busy.
    bool Run(const QString& title, LineOwner::Work work, std::function<void()> done);

    bool Polling() const;
    bool Busy() const;
    int MeterKind() const;
    // The byte order the polling runs with and the meter's parameter encoding.
    CodecContext Context() const;
    const HistoryStore& History() const { return history_; }
    CLineRunner& Runner() { return runner_; }

private:
    LiveConnection& connection_;
    CLineRunner& runner_;
    const HistoryStore& history_;
};

}  // namespace kelvo
