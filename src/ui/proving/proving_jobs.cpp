// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/proving/proving_jobs.h"

#include <memory>

#include "live/live_connection.h"
#include "ui/line_runner.h"

namespace kelvo {

bool CProvingJobs::Polling() const { return connection_.IsPolling(); }

bool CProvingJobs::Busy() const { return runner_.Busy(); }

int CProvingJobs::MeterKind() const { return connection_.MeterKind(); }

CodecContext CProvingJobs::Context() const {
    return {.byteOrderMode = connection_.PollingSettings().byteOrderMode,
            .paramEncoding = connection_.Identity().paramEncoding};
}

bool CProvingJobs::Run(const QString& title, LineOwner::Work work, std::function<void()> done) {
    if (!Polling() || runner_.Busy()) return false;
    // The id is known only once submitted; the cancel of the status line needs it.
    auto id = std::make_shared<LineOwner::JobId>(0);
    LineOwner& line = runner_.Line();
    runner_.SetBusy(title, [&line, id] {
        if (*id != 0) line.Cancel(*id);
    });
    *id = connection_.SubmitBetweenCycles(TrafficSource::Page, std::move(work), [this, done = std::move(done)] {
        runner_.Post([this, done] {
            runner_.ClearBusy();
            if (done) done();
        });
    });
    if (*id == 0) {
        runner_.ClearBusy();
        return false;
    }
    return true;
}

}  // namespace kelvo
