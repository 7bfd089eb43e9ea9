// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/cli_line.h"

#include <ostream>

#include "messages/failure_text.h"
#include "messages/prompter.h"
#include "meter/meter_identity.h"
#include "records/meter_reading.h"

namespace kelvo::cli {

SerialSettings WithEndpoint(SerialSettings settings, const std::optional<std::string>& port,
                            const std::optional<Converter>& converter, std::optional<int> netTimeoutMs) {
    if (port) {
        settings.linkType = kLinkSerial;
        settings.portName = *port;
    } else if (converter) {
        settings.linkType = converter->linkType;
        settings.host = converter->where.host;
        settings.tcpPort = converter->where.port;
    }
    settings.netTimeoutMs = netTimeoutMs.value_or(settings.netTimeoutMs);
    return settings;
}

SerialSettings SettingsFor(const PortOptions& line) {
    SerialSettings settings = WithEndpoint(LoadSerialSettings(), line.port, line.converter, line.netTimeoutMs);
    settings.address = line.address.value_or(settings.address);
    settings.baudRate = line.baudRate.value_or(settings.baudRate);
    settings.parity = line.parity.value_or(settings.parity);
    return settings;
}

int MeterKindFor(const PortOptions& line) { return line.meterKind.value_or(LoadMeterKind()); }

LineSession::LineSession(const SerialSettings& settings) : line_(stop_) { line_.UseSettings(settings); }

RunEnd LineSession::Run(LineOwner::Work work, const Console& console, const AskUser& ask) {
    {
        const std::lock_guard lock(mutex_);
        interrupted_ = false;
    }
    std::atomic<bool> ended{false};
    const LineOwner::JobId id = line_.Submit(TrafficSource::Page, std::move(work), [&ended] { ended.store(true); });
    if (id == 0) return RunEnd::NotStarted;
    bool interrupted = false;
    while (!ended.load() && !interrupted) {
        if (const auto question = TakeQuestion()) {
            const Reply reply = ask ? ask(*question) : Reply::No;
            if (reply == Reply::Interrupted) {
                interrupted = true;
            } else {
                Answer(reply == Reply::Yes);
            }
            continue;
        }
        interrupted = console.wait(kPrintInterval);
    }
    if (interrupted) {
        // A question the job asks from here on is answered no at once: nobody waits for it.
        {
            const std::lock_guard lock(mutex_);
            interrupted_ = true;
        }
        answered_.notify_all();
        line_.Cancel(id);
    }
    line_.WaitEnded(id);
    return interrupted ? RunEnd::Interrupted : RunEnd::Finished;
}

bool LineSession::Ask(const std::string& question) {
    std::unique_lock lock(mutex_);
    if (interrupted_) return false;
    question_ = question;
    answer_.reset();
    answered_.wait(lock, [this] { return answer_.has_value() || interrupted_; });
    const bool yes = answer_.value_or(false) && !interrupted_;
    answer_.reset();
    question_.reset();
    return yes;
}

std::optional<std::string> LineSession::TakeQuestion() {
    const std::lock_guard lock(mutex_);
    std::optional<std::string> question = std::move(question_);
    question_.reset();
    return question;
}

void LineSession::Answer(bool yes) {
    {
        const std::lock_guard lock(mutex_);
        answer_ = yes;
    }
    answered_.notify_one();
}

std::optional<int> EndedEarly(RunEnd end, std::ostream& err) {
    switch (end) {
        case RunEnd::Finished: return std::nullopt;
        case RunEnd::Interrupted: err << "已中断，串口已关闭。\n"; break;
        case RunEnd::NotStarted: err << "kelvo-cli：无法开始与仪表通讯。\n"; break;
    }
    return kExitNotDone;
}

int PortFailed(const LinkResult& opened, const SerialSettings& settings, std::ostream& err) {
    err << kOpenPortFailedText << FailureDetail(opened) << "（" << EndpointText(EndpointOf(settings)) << "）\n";
    return kExitPort;
}

MeterRead ReadWholeMeter(const PortOptions& line, int meterKind, const Console& console) {
    const SerialSettings settings = SettingsFor(line);
    LinkResult opened{.failure = LinkFailure::NotOpen};  // until the job has opened it
    MeterReading reading;
    LineSession session(settings);
    const RunEnd end = session.Run(
        [&](LineJob& job) {
            opened = job.Link().OpenPort(job.Settings());
            if (opened) reading = ReadMeter(job.Link(), job.Settings(), meterKind);
        },
        console);
    if (const auto status = EndedEarly(end, console.err)) return {.record = std::nullopt, .status = *status};
    if (!opened) return {.record = std::nullopt, .status = PortFailed(opened, settings, console.err)};
    if (!reading.record) {
        console.err << "读取仪表参数失败！" << ReadingFailureText(reading) << "\n";
        return {.record = std::nullopt, .status = kExitNotDone};
    }
    return {.record = std::move(reading.record), .status = kExitDone};
}

std::string_view KindText(int meterKind) { return MeterKindText(meterKind); }

}  // namespace kelvo::cli
