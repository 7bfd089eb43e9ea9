// SPDX-License-Identifier: GPL-3.0-or-later
#include "history/log_writer.h"

#include <array>
#include <cerrno>
#include <cstdio>
#include <system_error>

#include "meter/value_text.h"  // FormatMeterNumber
#include "settings/atomic_file.h"  // SplitPath

namespace kelvo {
namespace {

// Sequence numbers of one day a log tries before it gives up on finding a free name.
constexpr int kMaxSequence = 9999;
// Failed cycles held for a file that no good cycle has opened yet: a day at four a second.
constexpr std::size_t kMaxHeldFailures = 4 * 24 * 3600;

// What comes in front of the date: the chosen path without its ".csv".
std::string StemOf(const std::string& chosenPath) {
    constexpr std::string_view kExtension = ".csv";
    const PathParts parts = SplitPath(chosenPath);
    std::string name = parts.name;
    if (name.size() > kExtension.size()) {
        std::string tail = name.substr(name.size() - kExtension.size());
        for (char& c : tail) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
        if (tail == kExtension) name.resize(name.size() - kExtension.size());
    }
    const std::string folder = chosenPath.substr(0, chosenPath.size() - parts.name.size());
    return folder + name;
}

}  // namespace

std::string LogErrorText(int error) {
    switch (error) {
        case ENOSPC:
#ifdef EDQUOT
        case EDQUOT:
#endif
        case EFBIG: return "磁盘已满（或超出了配额）。";
        case EACCES:
        case EPERM: return "没有写入该文件夹的权限。";
        case EROFS: return "文件所在的文件系统是只读的。";
        case ENOENT:
        case ENOTDIR: return "文件夹不存在。";
        case EIO:
        case ENODEV:
        case ENXIO: return "写入时出错，磁盘或驱动器可能已被移除。";
        default: break;
    }
    return "写入时出错（错误码 " + std::to_string(error) + "）。";
}

std::string LogFileName(const std::string& chosenPath, int date, int sequence) {
    std::array<char, 32> suffix{};
    std::snprintf(suffix.data(), suffix.size(), "-%08d-%03d.csv", date, sequence);
    return StemOf(chosenPath) + suffix.data();
}

LogWriter::LogWriter(LogOptions options)
    : options_(std::move(options)), series_(SeriesOfMeter(options_.identity.measuresHeat)) {
    queue_.reserve(options_.queueRows);
    try {
        thread_ = std::thread([this] { Run(); });
    } catch (const std::system_error&) {
        progress_.running = false;
        progress_.failure = "无法开始记录（系统没有给出线程）。";
    }
}

LogWriter::~LogWriter() {
    RequestStop();
    if (thread_.joinable()) thread_.join();
}

bool LogWriter::Push(const LogEntry& entry) {
    bool taken = false;
    {
        const std::lock_guard lock(mutex_);
        if (!progress_.running || stopRequested_ || overflowed_) return false;
        taken = queue_.size() < options_.queueRows;
        if (taken) {
            queue_.push_back(entry);
        } else {
            overflowed_ = true;
        }
    }
    wake_.notify_one();
    return taken;
}

void LogWriter::RequestStop() {
    {
        const std::lock_guard lock(mutex_);
        stopRequested_ = true;
    }
    wake_.notify_one();
}

LogProgress LogWriter::StopAndWait() {
    RequestStop();
    if (thread_.joinable()) thread_.join();
    return Progress();
}

LogProgress LogWriter::Progress() const {
    const std::lock_guard lock(mutex_);
    return progress_;
}

void LogWriter::Run() {
    std::vector<LogEntry> batch;
    batch.reserve(options_.queueRows);
    for (;;) {
        bool stopping = false;
        bool overflowed = false;
        {
            std::unique_lock lock(mutex_);
            const auto ready = [this] { return !queue_.empty() || stopRequested_ || overflowed_; };
            if (syncDue_) {
                wake_.wait_until(lock, *syncDue_, ready);
            } else {
                wake_.wait(lock, ready);
            }
            batch.swap(queue_);
            stopping = stopRequested_;
            overflowed = overflowed_;
        }
        bool good = true;
        for (const LogEntry& entry : batch) {
            good = WriteEntry(entry);
            if (!good) break;
        }
        batch.clear();
        if (good && overflowed) good = Fail("磁盘长时间没有写完，记录跟不上轮询。");
        if (good && syncDue_ && (stopping || std::chrono::steady_clock::now() >= *syncDue_)) {
            syncDue_.reset();
            if (const int error = file_->Sync(); error != 0) good = Fail(error);
        }
        if (!good || stopping) break;
    }
    (void)CloseFile();  // a failure is in the progress already
    Finish();
}

bool LogWriter::WriteEntry(const LogEntry& entry) {
    if (entry.meterNumber) meterNumber_ = entry.meterNumber;
    const CycleSample& sample = entry.sample;
    if (!sample.Good()) {
        // Until a good cycle has given the columns their units, there is no file to write to.
        if (titles_.empty()) {
            if (heldFailures_.size() < kMaxHeldFailures) heldFailures_.push_back(sample.timeMs);
            return true;
        }
        return WriteRow(sample, titles_);
    }
    titles_ = TitleRow(series_, sample);
    for (const std::int64_t timeMs : std::exchange(heldFailures_, {})) {
        if (!WriteRow(FailedSample(timeMs), titles_)) return false;
    }
    return WriteRow(sample, titles_);
}

bool LogWriter::WriteRow(const CycleSample& sample, const std::string& titles) {
    const int date = LocalDate(sample.timeMs);
    if (!file_ || date != fileDate_ || titles != fileTitles_) {
        if (!OpenFile(date, titles)) return false;
    }
    if (const int error = file_->Write(DataRow(series_, sample, options_.identity.meterKind)); error != 0) {
        return Fail(error);
    }
    if (!syncDue_) syncDue_ = std::chrono::steady_clock::now() + options_.syncDelay;
    const std::lock_guard lock(mutex_);
    ++progress_.rows;
    return true;
}

bool LogWriter::OpenFile(int date, const std::string& titles) {
    if (!CloseFile()) return false;
    if (date != lastDate_) {
        lastDate_ = date;
        lastSequence_ = 0;
    }
    OpenedLogFile opened;
    std::string path;
    do {
        if (++lastSequence_ > kMaxSequence) return Fail(EEXIST);
        path = LogFileName(options_.chosenPath, date, lastSequence_);
        opened = options_.makeFile(path);
    } while (!opened.file && opened.error == EEXIST);
    if (!opened.file) return Fail(opened.error);
    file_ = std::move(opened.file);
    fileDate_ = date;
    fileTitles_ = titles;
    {
        const std::lock_guard lock(mutex_);
        progress_.files.push_back(path);
    }
    LogIdentity identity = options_.identity;
    if (meterNumber_) identity.meterNumber = FormatMeterNumber(*meterNumber_);
    if (const int error = file_->Write(HeaderText(identity, options_.startMs) + titles); error != 0) return Fail(error);
    return true;
}

bool LogWriter::CloseFile() {
    if (!file_) return true;
    if (syncDue_) {
        syncDue_.reset();
        if (const int error = file_->Sync(); error != 0) return Fail(error);
    }
    const int error = file_->Close();
    file_.reset();
    return error == 0 || Fail(error);
}

bool LogWriter::Fail(int error) { return Fail(LogErrorText(error)); }

bool LogWriter::Fail(std::string why) {
    // What was written stays: the file is closed as it is, without another flush that would fail too.
    if (file_) {
        (void)file_->Close();
        file_.reset();
    }
    syncDue_.reset();
    const std::lock_guard lock(mutex_);
    if (progress_.failure.empty()) progress_.failure = std::move(why);
    progress_.running = false;
    return false;
}

void LogWriter::Finish() {
    LogProgress last;
    {
        const std::lock_guard lock(mutex_);
        progress_.running = false;
        queue_.clear();
        last = progress_;
    }
    if (options_.ended) options_.ended(last);
}

}  // namespace kelvo
