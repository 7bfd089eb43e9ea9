// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/meter_server.h"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <utility>

#include "sim/line_watch.h"
#include "sim/slave_protocol.h"

namespace kelvo::sim {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;
using std::chrono::nanoseconds;

constexpr auto kLiveStep = std::chrono::seconds(1);
// A pty delivers a request in one piece; a gap this long means the sender is done.
constexpr auto kMinimumSilence = milliseconds(20);
// A master that stops reading must not hang the meter.
constexpr int kWriteStallMs = 200;

// The longest request the meter knows: 0x10 with a byte count of 255. Anything longer
// that is still no frame is noise, and only its start is kept, to show in the log.
constexpr std::size_t kLongestRequest = 9 + 255;
// A log line shows at most this many bytes of a frame.
constexpr std::size_t kLoggedBytes = 64;

// The frame in hex, cut after kLoggedBytes with "…" and the whole length.
std::string Hex(const std::vector<std::uint8_t>& bytes, std::size_t total = 0) {
    total = std::max(total, bytes.size());
    std::string text;
    char byte[4];
    for (std::size_t i = 0; i < std::min(bytes.size(), kLoggedBytes); ++i) {
        std::snprintf(byte, sizeof byte, "%02X ", bytes[i]);
        text += byte;
    }
    if (!text.empty()) text.pop_back();
    if (total > kLoggedBytes) text += " … (" + std::to_string(total) + " bytes)";
    return text;
}

// One bit time of the character frame (start, 8 data bits, stop) per byte.
nanoseconds ByteTime(int baud) { return nanoseconds(10'000'000'000LL / baud); }

class Server {
public:
    Server(int fd, const WakeEvent& wake, SharedMeter& shared) : fd_(fd), wake_(wake), shared_(shared) {}

    void Run() {
        auto lastStep = Clock::now();
        auto nextStep = lastStep + kLiveStep;
        for (;;) {
            auto deadline = shared_.moveLiveValues ? nextStep : Clock::now() + kLiveStep;
            if (!pending_.empty()) deadline = std::min(deadline, lastByte_ + Silence());
            if (!WaitForInput(deadline)) return;
            const auto now = Clock::now();
            if (!pending_.empty() && now - lastByte_ >= Silence()) DropPending();
            if (shared_.moveLiveValues && now >= nextStep) {
                const double elapsed = std::chrono::duration<double>(now - lastStep).count();
                {
                    const std::lock_guard lock(shared_.mutex);
                    shared_.meter.MoveLiveValues(elapsed, std::time(nullptr));
                }
                lastStep = now;
                nextStep = std::max(nextStep + kLiveStep, now + milliseconds(1));
            }
        }
    }

private:
    struct Event {
        SimEvent kind;
        std::string text;
    };

    // False once the wake event says stop.
    bool WaitForInput(Clock::time_point deadline) {
        const auto left = std::max(deadline - Clock::now(), Clock::duration::zero());
        const auto ns = std::chrono::duration_cast<nanoseconds>(left).count();
        const timespec timeout{.tv_sec = static_cast<time_t>(ns / 1'000'000'000),
                               .tv_nsec = static_cast<long>(ns % 1'000'000'000)};
        pollfd entries[2] = {{.fd = fd_, .events = POLLIN, .revents = 0},
                             {.fd = wake_.Fd(), .events = POLLIN, .revents = 0}};
        if (ppoll(entries, 2, &timeout, nullptr) < 0) {
            return errno == EINTR || wake_.SleepUntil(Clock::now() + milliseconds(10));
        }
        if (entries[1].revents != 0) return false;
        if ((entries[0].revents & POLLIN) != 0) return Receive();
        // A hang-up cannot last while the pty keeps its own slave open; do not spin on one.
        if (entries[0].revents != 0) return wake_.SleepUntil(Clock::now() + milliseconds(10));
        return true;
    }

    bool Receive() {
        std::uint8_t buffer[512];
        const ssize_t count = read(fd_, buffer, sizeof buffer);
        if (count <= 0) return true;
        // A frame is heard at the settings the line had when it began.
        if (pending_.empty()) heardLine_ = ReadMasterLine(fd_);
        pending_.insert(pending_.end(), buffer, buffer + count);
        lastByte_ = Clock::now();
        for (;;) {
            const int length = RequestLength(pending_);
            if (length <= 0 || pending_.size() < static_cast<std::size_t>(length)) break;
            std::vector<std::uint8_t> frame(pending_.begin(), pending_.begin() + length);
            pending_.erase(pending_.begin(), pending_.begin() + length);
            if (!Handle(frame)) return false;
        }
        // A flood of noise is dropped as it comes, until the line falls silent and the
        // next frame can begin: the meter stays small and answers again at once.
        if (pending_.size() > kLongestRequest) {
            droppedBytes_ += pending_.size() - kLongestRequest;
            pending_.resize(kLongestRequest);
        }
        return true;
    }

    Clock::duration Silence() const {
        int baud;
        {
            const std::lock_guard lock(shared_.mutex);
            baud = shared_.faults.WireBaud();
        }
        return baud > 0 ? std::max<Clock::duration>(kMinimumSilence, 4 * ByteTime(baud)) : kMinimumSilence;
    }

    void DropPending() {
        std::vector<Event> events;
        std::vector<std::uint8_t> bytes = std::exchange(pending_, {});
        const std::size_t total = bytes.size() + std::exchange(droppedBytes_, 0);
        if (RequestLength(bytes) == kUnknownFunction) {
            // As the master sent it (its start, when it was longer than any request).
            Record(bytes, events);
            events.push_back({SimEvent::Ignored, "unknown function code: " + Hex(bytes, total)});
        } else {
            events.push_back({SimEvent::Ignored, "incomplete frame: " + Hex(bytes, total)});
        }
        Emit(events);
    }

    void Record(const std::vector<std::uint8_t>& frame, std::vector<Event>& events) {
        {
            const std::lock_guard lock(shared_.mutex);
            shared_.LogRequest(frame);
        }
        shared_.framesArrived.notify_all();
        events.push_back({SimEvent::Request, Hex(frame)});
    }

    // False once the wake event says stop.
    bool Handle(const std::vector<std::uint8_t>& frame) {
        std::vector<Event> events;
        Record(frame, events);
        std::vector<std::uint8_t> answer;
        int delayMs = 0;
        int paceBaud = 0;
        {
            const std::lock_guard lock(shared_.mutex);
            if (shared_.faults.echo) {
                answer = frame;
                paceBaud = shared_.faults.paceBaud;
                events.push_back({SimEvent::Answer, Hex(answer)});
            } else if (!shared_.faults.Hears(heardLine_)) {
                events.push_back({SimEvent::Ignored, "noise: sent at " + LineName(heardLine_)});
            } else if (!CrcMatches(frame)) {
                events.push_back({SimEvent::Ignored, "bad CRC"});
            } else if (frame[0] != shared_.address) {
                events.push_back({SimEvent::Ignored, "for address " + std::to_string(frame[0])});
            } else if (shared_.faults.silent) {
                events.push_back({SimEvent::Ignored, "silent"});
            } else {
                if (TakeException(shared_.faults, frame)) {
                    answer = ExceptionAnswer(frame[0], frame[1], kIllegalDataAddress);
                } else {
                    Answer normal = AnswerRequest(frame, shared_.meter, shared_.identification, std::time(nullptr));
                    for (std::string& command : normal.commands) {
                        events.push_back({SimEvent::Command, command});
                        shared_.commands.push_back(std::move(command));
                    }
                    answer = std::move(normal.bytes);
                }
                SpoilAnswer(shared_.faults, answer);
                SpoilOnTheLine(answer, events);
                delayMs = shared_.faults.extraDelayMs;
                paceBaud = shared_.faults.WireBaud();
            }
        }
        Emit(events);
        if (answer.empty()) return true;
        if (delayMs > 0 && !wake_.SleepUntil(Clock::now() + milliseconds(delayMs))) return false;
        return Send(answer, paceBaud);
    }

    // Under the mutex: what the line does to a correct answer by the shares of lost and
    // garbled answers, and what a master that has moved to another rate makes of it.
    void SpoilOnTheLine(std::vector<std::uint8_t>& answer, std::vector<Event>& events) {
        FaultSwitches& faults = shared_.faults;
        if (Chance(faults.dropShare, shared_.random)) {
            events.push_back({SimEvent::Ignored, "answer lost on the line: " + Hex(answer)});
            answer.clear();
            return;
        }
        if (Chance(faults.garbleShare, shared_.random)) GarbleAnswer(answer, shared_.random);
        if (faults.onlyBaud != 0 && !faults.Hears(ReadMasterLine(fd_))) TurnToNoise(answer, shared_.random);
        events.push_back({SimEvent::Answer, Hex(answer)});
    }

    static std::string LineName(const std::optional<MasterLine>& line) {
        if (!line) return "unknown settings";
        return (line->baudRate > 0 ? std::to_string(line->baudRate) + " baud" : std::string("another rate")) +
               (line->odd ? ", odd parity" : "");
    }

    void Emit(const std::vector<Event>& events) const {
        SimEventSink sink;
        {
            const std::lock_guard lock(shared_.mutex);
            sink = shared_.sink;
        }
        if (!sink) return;
        for (const Event& event : events) sink(event.kind, event.text);
    }

    // Paced answers leave one byte per character time against a fixed start, so coarse
    // sleeps do not add up: the whole answer takes its true wire time.
    bool Send(const std::vector<std::uint8_t>& answer, int paceBaud) {
        if (paceBaud <= 0) return WriteAll(answer.data(), answer.size());
        const auto start = Clock::now();
        const nanoseconds byteTime = ByteTime(paceBaud);
        for (std::size_t i = 0; i < answer.size(); ++i) {
            if (!wake_.SleepUntil(start + static_cast<long long>(i + 1) * byteTime)) return false;
            if (!WriteAll(&answer[i], 1)) return false;
        }
        return true;
    }

    // False once the wake event says stop; a master that does not read loses the rest.
    bool WriteAll(const std::uint8_t* data, std::size_t size) {
        while (size > 0) {
            const ssize_t written = write(fd_, data, size);
            if (written > 0) {
                data += written;
                size -= static_cast<std::size_t>(written);
                continue;
            }
            if (written < 0 && errno != EAGAIN && errno != EINTR) return true;
            pollfd entries[2] = {{.fd = fd_, .events = POLLOUT, .revents = 0},
                                 {.fd = wake_.Fd(), .events = POLLIN, .revents = 0}};
            if (poll(entries, 2, kWriteStallMs) <= 0) return true;
            if (entries[1].revents != 0) return false;
        }
        return true;
    }

    const int fd_;
    const WakeEvent& wake_;
    SharedMeter& shared_;
    std::vector<std::uint8_t> pending_;  // at most kLongestRequest bytes between reads
    std::size_t droppedBytes_ = 0;       // noise beyond that, since the last silence
    Clock::time_point lastByte_;
    std::optional<MasterLine> heardLine_;  // the master's settings when the pending frame began
};

}  // namespace

void ServeMeter(int masterFd, const WakeEvent& wake, SharedMeter& shared) { Server(masterFd, wake, shared).Run(); }

}  // namespace kelvo::sim
