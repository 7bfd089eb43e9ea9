// SPDX-License-Identifier: GPL-3.0-or-later
// The one owner of the serial line, on the fake transport: its jobs run one after
// another in the order they came, a cancel ends the job under way at once or makes a
// queued one start cancelled without touching the next, the port is closed after every
// job, and every job starts with the serial settings the line keeps in memory.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "line/line_owner.h"
#include "link/link_result.h"
#include "link/stop_event.h"
#include "link/traffic_log.h"
#include "settings/settings.h"
#include "support/fake_transport.h"
#include "support/simulated_meter_port.h"
#include "support/temp_settings.h"

namespace kelvo {
namespace {

using test::Bytes;

// A meter that answers every read of input registers with zeros.
Bytes ZeroRegisters(std::span<const std::uint8_t> request) {
    if (request.size() != 8 || request[1] != 0x04) return {};
    Bytes answer = {request[0], 0x04, static_cast<std::uint8_t>(2 * request[5])};
    answer.resize(answer.size() + 2 * request[5], 0x00);
    return test::WithCrc16(std::move(answer));
}

SerialSettings SettingsOn(const std::string& portName, int address) {
    SerialSettings settings;
    settings.portName = portName;
    settings.baudRate = 57600;
    settings.address = address;
    return settings;
}

// Opens the port with the job's settings unless it is open, and reads one register.
LinkResult ReadOne(LineJob& job) {
    if (!job.Link().IsOpen()) {
        if (LinkResult opened = job.Link().OpenPort(job.Settings()); !opened) return opened;
    }
    std::uint8_t bytes[2] = {};
    return job.Link().ReadRegisters(99, 2, bytes);
}

// A line on the fake transport, set up from a config.ini of its own.
struct Rig {
    explicit Rig(const std::string& ini = test::ComSetIni(1)) {
        config.WriteIni(ini);
        wire->meter = ZeroRegisters;
    }

    bool PortOpen() {
        const std::lock_guard lock(wire->mutex);
        return wire->open;
    }
    void SetBeforeAnswer(std::function<void(std::size_t)> hook) {
        const std::lock_guard lock(wire->mutex);
        wire->beforeAnswer = std::move(hook);
    }

    test::TempSettings config;
    std::shared_ptr<test::FakeLine> wire = std::make_shared<test::FakeLine>();
    StopEvent stop;
    std::optional<LineOwner> line;

    LineOwner& Line() {
        if (!line) line.emplace(stop, std::make_unique<test::FakeTransport>(wire));
        return *line;
    }
};

// Holds the worker until opened, so that the jobs behind it are all queued first.
class Gate {
public:
    LineOwner::Work Job() {
        return [future = opened_.get_future().share()](LineJob&) { future.wait(); };
    }
    void Open() { opened_.set_value(); }

private:
    std::promise<void> opened_;
};

TEST(LineOwner, JobsRunOneAtATimeInOrderAndEachFindsThePortClosed) {
    struct Job {
        TrafficSource source;
        bool closesThePortItself;
    };
    const std::vector<Job> jobs = {
        {TrafficSource::Polling, false},
        {TrafficSource::Page, true},
        {TrafficSource::Search, false},
        {TrafficSource::Page, false},
    };
    Rig rig;
    LineOwner& line = rig.Line();
    line.Traffic().SetCapturing(true);

    std::mutex mutex;
    std::vector<std::string> events;  // what ran, in order
    const auto note = [&](const std::string& event) {
        const std::lock_guard lock(mutex);
        events.push_back(event);
    };
    std::atomic<int> running{0};
    std::vector<LineOwner::JobId> ids(jobs.size());
    Gate gate;
    ASSERT_NE(line.Submit(TrafficSource::Page, gate.Job()), 0U);
    for (std::size_t i = 0; i < jobs.size(); ++i) {
        const std::string name = std::to_string(i);
        ids[i] = line.Submit(
            jobs[i].source,
            [&, i, name](LineJob& job) {
                const int alongside = running.fetch_add(1);
                note("start " + name + (alongside == 0 ? "" : " beside another job") +
                     (job.Link().IsOpen() || rig.PortOpen() ? " on an open port" : ""));
                job.ReportProgress(static_cast<int>(i + 1), static_cast<int>(jobs.size()));
                const LineOwner::Progress progress = line.CurrentProgress();
                EXPECT_EQ(progress.job, ids[i]);
                EXPECT_EQ(progress.done, static_cast<int>(i + 1));
                EXPECT_EQ(progress.total, static_cast<int>(jobs.size()));
                EXPECT_TRUE(ReadOne(job).Good());
                if (jobs[i].closesThePortItself) job.Link().ClosePort();
                running.fetch_sub(1);
            },
            [&, name] { note("ended " + name + (rig.PortOpen() ? " with the port open" : "")); });
        ASSERT_NE(ids[i], 0U);
    }
    gate.Open();
    line.WaitEnded(ids.back());

    std::vector<std::string> expected;
    for (std::size_t i = 0; i < jobs.size(); ++i) {
        expected.push_back("start " + std::to_string(i));
        expected.push_back("ended " + std::to_string(i));
    }
    EXPECT_EQ(events, expected);
    EXPECT_TRUE(line.Idle());
    EXPECT_EQ(line.CurrentProgress().job, 0U);
    EXPECT_EQ(rig.wire->closes, static_cast<int>(jobs.size())) << "each job's port was closed once";

    // Every request went to the traffic log marked with its job's source.
    std::uint64_t cursor = 0;
    std::vector<TrafficSource> sent;
    for (const TrafficRecord& record : line.Traffic().ReadFrom(cursor).records) {
        if (record.kind == TrafficKind::Sent) sent.push_back(record.source);
    }
    std::vector<TrafficSource> sources;
    for (const Job& job : jobs) sources.push_back(job.source);
    EXPECT_EQ(sent, sources);
}

TEST(LineOwner, ACancelEndsOnlyTheJobItNames) {
    enum class When { Running, Queued, Ended };
    struct Case {
        const char* what;
        When when;
        LinkFailure targetEnds;  // how the cancelled job's read ended
        bool startsCancelled;
    };
    const Case cases[] = {
        {"while it waits for the answer", When::Running, LinkFailure::Cancelled, false},
        {"while it is queued", When::Queued, LinkFailure::Cancelled, true},
        {"after it has ended", When::Ended, LinkFailure::None, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Rig rig;
        LineOwner& line = rig.Line();
        std::atomic<bool> waiting{false};
        std::atomic<bool> stopEndedTheWait{false};
        if (c.when == When::Running) {
            // The meter takes as long as it takes: only the stop ends the wait.
            rig.SetBeforeAnswer([&](std::size_t request) {
                if (request != 1) return;
                waiting.store(true);
                stopEndedTheWait.store(rig.stop.WaitFor(std::chrono::minutes(1)));
            });
        }
        Gate gate;
        if (c.when == When::Queued) {
            ASSERT_NE(line.Submit(TrafficSource::Page, gate.Job()), 0U);
        }

        struct Outcome {
            bool startedCancelled = false;
            LinkResult read;
            bool ended = false;
        };
        Outcome target;
        Outcome next;
        const auto reading = [](Outcome& outcome) {
            return [&outcome](LineJob& job) {
                outcome.startedCancelled = job.Cancelled();
                outcome.read = ReadOne(job);
            };
        };
        const LineOwner::JobId id =
            line.Submit(TrafficSource::Page, reading(target), [&target] { target.ended = true; });
        ASSERT_NE(id, 0U);
        switch (c.when) {
            case When::Running:
                ASSERT_TRUE(test::WaitUntil([&waiting] { return waiting.load(); }));
                line.Cancel(id);
                break;
            case When::Queued:
                line.Cancel(id);
                gate.Open();
                break;
            case When::Ended:
                line.WaitEnded(id);
                line.Cancel(id);
                break;
        }
        const LineOwner::JobId nextId = line.Submit(TrafficSource::Page, reading(next), [&next] { next.ended = true; });
        line.WaitEnded(nextId);

        EXPECT_EQ(target.startedCancelled, c.startsCancelled);
        EXPECT_EQ(target.read.failure, c.targetEnds);
        EXPECT_TRUE(target.ended) << "the cancelled job's end is still reported";
        if (c.when == When::Running) {
            EXPECT_TRUE(stopEndedTheWait.load()) << "the cancel ended the wait for the answer";
            EXPECT_EQ(target.read.attempts, 1) << "no second attempt after a cancel";
            EXPECT_TRUE(target.read.requestSent);
        }
        if (c.when == When::Queued) {
            EXPECT_FALSE(target.read.requestSent) << "a write cancelled before it started never reaches the meter";
        }
        EXPECT_FALSE(next.startedCancelled) << "the cancel does not reach the job after";
        EXPECT_TRUE(next.read.Good());
        EXPECT_TRUE(next.ended);
        EXPECT_FALSE(rig.PortOpen());
    }
}

TEST(LineOwner, EachJobStartsWithTheSettingsTheLineKeepsInMemory) {
    const std::string ini = "[ComSet]\nAddr=9\nCOM=COM3\nBaudRate=19200\nParity=2\nReadTotalTimeoutConstant=100\nSwap=2\n";
    Rig rig(ini);
    LineOwner& line = rig.Line();
    const SerialSettings loaded = LoadSerialSettings();
    ASSERT_EQ(loaded.portName, "COM3");
    const SerialSettings kept = SettingsOn("COM5", 17);
    const SerialSettings changed = SettingsOn("COM6", 18);

    struct Case {
        const char* what;
        std::optional<SerialSettings> useBefore;  // what the line is told before the job
        std::optional<SerialSettings> useDuring;  // ... and while it runs
        SerialSettings jobStartsWith;
        SerialSettings currentAtItsEnd;
    };
    const std::vector<Case> cases = {
        {"as loaded from config.ini", std::nullopt, std::nullopt, loaded, loaded},
        {"as the user keeps them now", kept, std::nullopt, kept, kept},
        {"changed while the job runs", std::nullopt, changed, kept, changed},
        {"the change applies to the next job", std::nullopt, std::nullopt, changed, changed},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.useBefore) line.UseSettings(*c.useBefore);
        SerialSettings startedWith;
        SerialSettings current;
        const LineOwner::JobId id = line.Submit(TrafficSource::Page, [&](LineJob& job) {
            if (c.useDuring) line.UseSettings(*c.useDuring);
            startedWith = job.Settings();
            current = job.CurrentSettings();
            ASSERT_TRUE(ReadOne(job).Good());
        });
        line.WaitEnded(id);
        EXPECT_EQ(startedWith, c.jobStartsWith);
        EXPECT_EQ(current, c.currentAtItsEnd);
        EXPECT_EQ(line.Settings(), c.currentAtItsEnd);
        const std::lock_guard lock(rig.wire->mutex);
        EXPECT_EQ(rig.wire->opened.back(), c.jobStartsWith.portName) << "the port the job opened";
        EXPECT_EQ(rig.wire->written.back().front(), c.jobStartsWith.address) << "the address its request went to";
    }
    EXPECT_EQ(rig.config.ReadIni(), ini) << "settings in memory are not saved";
}

TEST(LineOwner, ShutdownEndsTheJobUnderWayDropsTheQueuedOnesAndRefusesMore) {
    Rig rig;
    LineOwner& line = rig.Line();
    std::atomic<bool> waiting{false};
    rig.SetBeforeAnswer([&](std::size_t) {
        waiting.store(true);
        rig.stop.WaitFor(std::chrono::minutes(1));
    });
    LinkResult running;
    std::atomic<bool> queuedRan{false};
    const LineOwner::JobId first = line.Submit(TrafficSource::Page, [&running](LineJob& job) { running = ReadOne(job); });
    const LineOwner::JobId queued =
        line.Submit(TrafficSource::Page, [&queuedRan](LineJob&) { queuedRan.store(true); });
    ASSERT_TRUE(test::WaitUntil([&waiting] { return waiting.load(); }));

    line.Shutdown();
    EXPECT_TRUE(running.Cancelled());
    EXPECT_FALSE(queuedRan.load());
    line.WaitEnded(first);
    line.WaitEnded(queued);
    EXPECT_EQ(line.Submit(TrafficSource::Page, [](LineJob&) {}), 0U);
    EXPECT_FALSE(rig.PortOpen());
}

}  // namespace
}  // namespace kelvo
