// SPDX-License-Identifier: GPL-3.0-or-later
#include "line/line_owner.h"

#include <algorithm>
#include <system_error>
#include <utility>

namespace kelvo {

CDMRJly& LineJob::Link() { return owner_.link_; }

SerialSettings LineJob::CurrentSettings() const { return owner_.Settings(); }

bool LineJob::Cancelled() const { return owner_.stop_.IsSet(); }

const StopEvent& LineJob::Stop() const { return owner_.stop_; }

void LineJob::ReportProgress(int done, int total) {
    const std::lock_guard lock(owner_.mutex_);
    owner_.progress_.done = done;
    owner_.progress_.total = total;
}

void LineJob::RunJobsBetweenCycles() { owner_.RunJobsBetweenCycles(); }

LineOwner::LineOwner(StopEvent& stop, std::unique_ptr<Transport> port)
    : stop_(stop), link_(std::move(port)), settings_(LoadSerialSettings()) {
    link_.SetStop(&stop_);
    try {
        worker_ = std::thread(&LineOwner::Serve, this);
        hasWorker_ = true;
    } catch (const std::system_error&) {
        // No worker, no jobs: Submit says so and every button reports it as it would a
        // port that cannot be opened.
    }
}

LineOwner::~LineOwner() { Shutdown(); }

void LineOwner::Shutdown() {
    {
        const std::lock_guard lock(mutex_);
        closing_ = true;
        for (const auto* dropped : {&queue_, &betweenCycles_}) {
            for (const Queued& job : *dropped) unfinished_.erase(job.id);
        }
        queue_.clear();
        betweenCycles_.clear();
        if (running_ != 0) {
            runningCancelled_ = true;
            stop_.Set();
        }
    }
    wake_.notify_all();
    if (worker_.joinable()) worker_.join();
    idle_.notify_all();
    link_.ClosePort();
}

void LineOwner::WaitEnded(JobId id) {
    std::unique_lock lock(mutex_);
    idle_.wait(lock, [this, id] { return !unfinished_.contains(id) || !hasWorker_ || (closing_ && running_ == 0); });
}

LineOwner::JobId LineOwner::Submit(TrafficSource source, Work work, Ended ended) {
    JobId id = 0;
    {
        const std::lock_guard lock(mutex_);
        if (closing_ || !hasWorker_) return 0;
        id = ++lastId_;
        queue_.push_back({.id = id, .source = source, .work = std::move(work), .ended = std::move(ended)});
        unfinished_.insert(id);
    }
    wake_.notify_one();
    return id;
}

LineOwner::JobId LineOwner::SubmitBetweenCycles(JobId host, TrafficSource source, Work work, Ended ended) {
    const std::lock_guard lock(mutex_);
    if (closing_ || host == 0 || host != running_ || !takesJobsBetweenCycles_ || runningCancelled_) return 0;
    const JobId id = ++lastId_;
    betweenCycles_.push_back({.id = id, .source = source, .work = std::move(work), .ended = std::move(ended)});
    unfinished_.insert(id);
    return id;
}

void LineOwner::Cancel(JobId id) {
    const std::lock_guard lock(mutex_);
    if (id == 0) return;
    if (id == runningBetween_) {
        stop_.Set();
        return;
    }
    if (id == running_) {
        runningCancelled_ = true;
        stop_.Set();
        return;
    }
    for (auto* waiting : {&queue_, &betweenCycles_}) {
        for (Queued& queued : *waiting) {
            if (queued.id == id) queued.cancelled = true;
        }
    }
}

bool LineOwner::Idle() const {
    const std::lock_guard lock(mutex_);
    return running_ == 0 && queue_.empty();
}

void LineOwner::WaitIdle() {
    std::unique_lock lock(mutex_);
    idle_.wait(lock, [this] { return (running_ == 0 && queue_.empty()) || !hasWorker_ || closing_; });
}

LineOwner::Progress LineOwner::CurrentProgress() const {
    const std::lock_guard lock(mutex_);
    return progress_;
}

void LineOwner::UseSettings(const SerialSettings& settings) {
    const std::lock_guard lock(mutex_);
    settings_ = settings;
}

SerialSettings LineOwner::Settings() const {
    const std::lock_guard lock(mutex_);
    return settings_;
}

void LineOwner::Serve() {
    for (;;) {
        Queued job;
        SerialSettings settings;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return closing_ || !queue_.empty(); });
            if (closing_) return;
            job = std::move(queue_.front());
            queue_.pop_front();
            running_ = job.id;
            takesJobsBetweenCycles_ = true;
            runningCancelled_ = job.cancelled;
            progress_ = {.job = job.id, .done = 0, .total = 0};
            settings = settings_;
            // A stop raised for an earlier job must not end this one; one raised for this
            // job before it started must.
            stop_.Reset();
            if (job.cancelled) stop_.Set();
        }
        LineJob context(*this, std::move(settings));
        link_.SetTrafficLog(&traffic_, job.source);
        job.work(context);
        EndJobsBetweenCycles();
        // Whatever the job did, the port is free for the next one.
        link_.ClosePort();
        if (job.ended) job.ended();
        {
            const std::lock_guard lock(mutex_);
            running_ = 0;
            progress_ = {};
        }
        NoteEnded(job);
    }
}

void LineOwner::NoteEnded(const Queued& job) {
    {
        const std::lock_guard lock(mutex_);
        unfinished_.erase(job.id);
    }
    idle_.notify_all();
}

void LineOwner::RunBetween(Queued& job) {
    LineJob context(*this, link_.Settings());
    const TrafficSource hostSource = link_.Source();
    link_.SetTrafficLog(&traffic_, job.source);
    job.work(context);
    link_.SetTrafficLog(&traffic_, hostSource);
}

void LineOwner::RunJobsBetweenCycles() {
    for (;;) {
        Queued job;
        Progress hostProgress;
        {
            const std::lock_guard lock(mutex_);
            if (betweenCycles_.empty() || runningCancelled_ || closing_) return;
            job = std::move(betweenCycles_.front());
            betweenCycles_.pop_front();
            runningBetween_ = job.id;
            hostProgress = progress_;
            progress_ = {.job = job.id, .done = 0, .total = 0};
            if (job.cancelled) stop_.Set();
        }
        RunBetween(job);
        bool resume = false;
        {
            const std::lock_guard lock(mutex_);
            runningBetween_ = 0;
            progress_ = hostProgress;
            // A stop raised for this job alone ended it, not its host: the host goes on.
            if (stop_.IsSet() && !runningCancelled_ && !closing_) {
                stop_.Reset();
                resume = true;
            }
        }
        // A port whose wait a stop ended sends nothing until it is opened again; the quiet
        // time after the answer it cut short still holds for the host's next request.
        if (resume && link_.Stopped()) {
            const SerialSettings settings = link_.Settings();
            link_.ClosePort();
            if (!link_.OpenPort(settings)) link_.ClosePort();
        }
        if (job.ended) job.ended();
        NoteEnded(job);
    }
}

void LineOwner::EndJobsBetweenCycles() {
    for (;;) {
        Queued job;
        {
            const std::lock_guard lock(mutex_);
            takesJobsBetweenCycles_ = false;
            if (betweenCycles_.empty()) return;
            job = std::move(betweenCycles_.front());
            betweenCycles_.pop_front();
            runningBetween_ = job.id;
            stop_.Set();
        }
        RunBetween(job);
        {
            const std::lock_guard lock(mutex_);
            runningBetween_ = 0;
        }
        if (job.ended) job.ended();
        NoteEnded(job);
    }
}

}  // namespace kelvo
