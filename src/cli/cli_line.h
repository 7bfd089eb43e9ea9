// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A command's use of the serial line: the settings it runs with, its one job on a line of
// its own, and what it tells the user when the port or the meter fails it.

#include <atomic>
#include <condition_variable>
#include <functional>
#include <iosfwd>
#include <mutex>
#include <optional>
#include <ostream>
#include <string>

#include "cli/cli_arguments.h"
#include "cli/cli_run.h"
#include "line/line_owner.h"
#include "link/stop_event.h"
#include "messages/prompter.h"
#include "records/meter_record.h"
#include "settings/settings.h"

namespace kelvo::cli {

// The connection's messages ("读取仪表串号失败！" …) go to the error stream; a question
// is never asked on the way to polling, and would be answered with Cancel.
class StreamPrompter final : public Prompter {
public:
    explicit StreamPrompter(std::ostream& err) : err_(err) {}
    void Warn(std::string_view text, std::string_view detail) override {
        err_ << text << detail << "\n";
    }
    bool Confirm(std::string_view text) override {
        err_ << text << "\n";
        return false;
    }

private:
    std::ostream& err_;
};

// The stored serial settings with the options given in their place.
SerialSettings SettingsFor(const PortOptions& line);
// `settings` on the serial port or the converter given (a serial one when `port` is), with
// the network timeout when given.
SerialSettings WithEndpoint(SerialSettings settings, const std::optional<std::string>& port,
                            const std::optional<Converter>& converter, std::optional<int> netTimeoutMs);
int MeterKindFor(const PortOptions& line);

enum class RunEnd { Finished, Interrupted, NotStarted };

// A question a job puts to the user, answered on the command's thread.
using AskUser = std::function<Reply(const std::string& question)>;

class LineSession {
public:
    explicit LineSession(const SerialSettings& settings);
    LineSession(const LineSession&) = delete;
    LineSession& operator=(const LineSession&) = delete;

    // Runs `work` as the line's job and waits for it. Ctrl+C (or an interrupted question)
    // cancels it: its waits end at once and the port is closed before this returns. The
    // job's questions go to `ask`; without one they are answered no.
    RunEnd Run(LineOwner::Work work, const Console& console, const AskUser& ask = {});

    // For the job, during Run: asks on the command's thread and waits for the answer.
    bool Ask(const std::string& question);

private:
    std::optional<std::string> TakeQuestion();
    void Answer(bool yes);

    std::mutex mutex_;  // guards the question, the answer and the interruption
    std::condition_variable answered_;
    std::optional<std::string> question_;
    std::optional<bool> answer_;
    bool interrupted_ = false;
    StopEvent stop_;
    LineOwner line_;  // last: its worker goes before what it may use
};

// What an interrupted or unstarted run tells the user, and its exit status; nullopt for a
// run that finished.
std::optional<int> EndedEarly(RunEnd end, std::ostream& err);

// "打开串口失败！…（COM3）", and kExitPort.
int PortFailed(const LinkResult& opened, const SerialSettings& settings, std::ostream& err);

// Every recorded parameter of the meter, or the exit status when there is none (said why).
struct MeterRead {
    std::optional<MeterRecord> record;
    int status = kExitDone;
};
MeterRead ReadWholeMeter(const PortOptions& line, int meterKind, const Console& console);

// "W58仪表", "通用仪表".
std::string_view KindText(int meterKind);

}  // namespace kelvo::cli
