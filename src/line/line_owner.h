// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// LineOwner: the one owner of the serial line. It holds the link (and through it the
// port), the traffic log every exchange feeds, the time after an interrupted answer
// before which nothing may be sent, and the serial settings as the user keeps them. Every
// use of the line — a connection's identification and polling, a page's transaction, a
// meter search — is a job that runs on the owner's worker thread, one after another, so
// no two users ever share the port. Whoever submits a job hears of its end through a
// callback on the worker; the window turns that into a call on its own thread, and so
// never waits for a meter.

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <thread>

#include "link/modbus_rtu.h"
#include "link/stop_event.h"
#include "link/traffic_log.h"
#include "link/transport.h"
#include "settings/settings.h"

namespace kelvo {

class LineOwner;

// What a job may use while it runs on the worker.
class LineJob {
public:
    LineJob(LineOwner& owner, SerialSettings settings) : owner_(owner), settings_(std::move(settings)) {}

    CDMRJly& Link();
    // The serial settings as they were when the job started.
    const SerialSettings& Settings() const { return settings_; }
    // The settings as the user keeps them now (a polling cycle takes its byte order here).
    SerialSettings CurrentSettings() const;
    // True once the job was cancelled; every wait of the link ends then at once.
    bool Cancelled() const;
    const StopEvent& Stop() const;
    // How far the job has come, e.g. the third of seven blocks: for the window's status line.
    void ReportProgress(int done, int total);
    // For a job that keeps the port open from cycle to cycle (the live connection): runs, on
    // the open port, the jobs submitted to go between its cycles (SubmitBetweenCycles), one
    // after another, each to its end. Returns at once when none waits or this job is stopped.
    void RunJobsBetweenCycles();

private:
    LineOwner& owner_;
    SerialSettings settings_;
};

class LineOwner {
public:
    using JobId = std::uint64_t;
    using Work = std::function<void(LineJob&)>;
    using Ended = std::function<void()>;

    // `stop` is the process-wide StopEvent: raised, it ends the job under way at once.
    // Without a transport the link opens the one each job's settings need (the serial port
    // or a network connection); tests give one of their own.
    explicit LineOwner(StopEvent& stop, std::unique_ptr<Transport> port = nullptr);
    // Cancels the job under way, drops the queued ones, waits for the worker and closes
    // the port.
    ~LineOwner();
    LineOwner(const LineOwner&) = delete;
    LineOwner& operator=(const LineOwner&) = delete;

    // Queues `work`; its frames go to the traffic log marked `source`. `ended` runs on the
    // worker once the work has returned and the port is closed. 0 when there is no worker
    // (the system would not give a thread): nothing runs then.
    JobId Submit(TrafficSource source, Work work, Ended ended = {});
    // Queues `work` to run between two cycles of job `host`, which holds the port open and
    // calls LineJob::RunJobsBetweenCycles between its cycles: on the same worker, link and
    // open port, never in the middle of a cycle; `ended` runs once the work has returned,
    // and the host goes on after it. Its frames go to the traffic log marked `source`. A
    // cancel ends it alone; a cancel of the host ("断开") ends both; one still waiting when
    // the host ends runs cancelled. 0 when `host` is not the job under way.
    JobId SubmitBetweenCycles(JobId host, TrafficSource source, Work work, Ended ended = {});
    // Ends job `id` at once while it runs; a job still queued starts cancelled (its waits
    // end at once, and `ended` still runs). Nothing for a job that has ended.
    void Cancel(JobId id);
    // Waits until job `id` has ended (its `ended` has returned). Never on the window's
    // thread while the job may wait for the window.
    void WaitEnded(JobId id);
    // Cancels every job, drops the queued ones and waits for the worker to end; the port
    // is closed. Submit refuses from here on. The destructor does the same.
    void Shutdown();
    // True when no job runs or waits.
    bool Idle() const;
    // Waits until Idle (the command line, tests); never on the window's thread.
    void WaitIdle();

    struct Progress {
        JobId job = 0;  // the job under way, 0 for none
        int done = 0;
        int total = 0;
    };
    Progress CurrentProgress() const;

    // The serial settings jobs start with, kept current by whoever saves them.
    void UseSettings(const SerialSettings& settings);
    SerialSettings Settings() const;

    TrafficLog& Traffic() { return traffic_; }

private:
    friend class LineJob;
    struct Queued {
        JobId id = 0;
        TrafficSource source = TrafficSource::Page;
        Work work;
        Ended ended;
        bool cancelled = false;
    };

    void Serve();
    void RunJobsBetweenCycles();
    // Runs one job between the cycles of the job under way, on its link.
    void RunBetween(Queued& job);
    // The jobs left waiting when their host ended run cancelled: nothing of theirs is sent.
    void EndJobsBetweenCycles();
    // Notes the end of `job` for WaitEnded, once its `ended` has returned.
    void NoteEnded(const Queued& job);

    StopEvent& stop_;
    TrafficLog traffic_;
    CDMRJly link_;  // used by the worker alone

    mutable std::mutex mutex_;  // guards everything below
    std::condition_variable wake_;
    std::condition_variable idle_;
    std::deque<Queued> queue_;
    JobId running_ = 0;
    JobId lastId_ = 0;
    std::set<JobId> unfinished_;  // submitted, and their `ended` has not returned
    // Between the cycles of the job under way, while it takes them.
    std::deque<Queued> betweenCycles_;
    JobId runningBetween_ = 0;
    bool takesJobsBetweenCycles_ = false;  // from its start until its work has returned
    bool runningCancelled_ = false;  // the stop was raised for the job under way itself
    bool closing_ = false;
    bool hasWorker_ = false;
    Progress progress_;
    SerialSettings settings_;

    std::thread worker_;  // last: it starts once everything above is there
};

}  // namespace kelvo
