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
        if (!queue_.empty()) lastEnded_ = queue_.back().id;
        queue_.clear();
        if (running_ != 0) stop_.Set();
    }
    wake_.notify_all();
    if (worker_.joinable()) worker_.join();
    idle_.notify_all();
    link_.ClosePort();
}

void LineOwner::WaitEnded(JobId id) {
    std::unique_lock lock(mutex_);
    idle_.wait(lock, [this, id] { return lastEnded_ >= id || !hasWorker_ || (closing_ && running_ == 0); });
}

LineOwner::JobId LineOwner::Submit(TrafficSource source, Work work, Ended ended) {
    JobId id = 0;
    {
        const std::lock_guard lock(mutex_);
        if (closing_ || !hasWorker_) return 0;
        id = ++lastId_;
        queue_.push_back({.id = id, .source = source, .work = std::move(work), .ended = std::move(ended)});
    }
    wake_.notify_one();
    return id;
}

void LineOwner::Cancel(JobId id) {
    const std::lock_guard lock(mutex_);
    if (id != 0 && id == running_) {
        stop_.Set();
        return;
    }
    for (Queued& queued : queue_) {
        if (queued.id == id) queued.cancelled = true;
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
        // Whatever the job did, the port is free for the next one.
        link_.ClosePort();
        if (job.ended) job.ended();
        {
            const std::lock_guard lock(mutex_);
            running_ = 0;
            lastEnded_ = std::max(lastEnded_, job.id);
            progress_ = {};
        }
        idle_.notify_all();
    }
}

}  // namespace kelvo
