// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The log: every polling cycle as a row of a CSV file, written on a thread of its own from a
// bounded queue, so that polling never waits for the disk. A row reaches the disk (flushed,
// not only written) at most a second after it arrives. A new file begins at local midnight
// and when a unit of a column changes: `<stem>-YYYYMMDD-NNN.csv` beside the name the user
// chose, NNN counting from 001 for each day, never over an existing file. A write that fails
// (a full disk, a removed drive) stops the log; what was written stays, and the failure is
// reported once.
//
// The file opens with the first good cycle, which gives the columns their units; failed
// cycles before it are held and written after the header. A log without a good cycle
// writes no file.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "history/csv_format.h"
#include "history/cycle_sample.h"
#include "history/log_file.h"

namespace kelvo {

// Rows the queue holds: an hour of cycles at one a second. A full queue means a disk that
// has stopped answering; the log then stops rather than make polling wait.
inline constexpr std::size_t kLogQueueRows = 3600;
inline constexpr std::chrono::milliseconds kLogSyncDelay{500};
// What the window's box and kelvo-cli say when a write stops the log; the reason follows.
inline constexpr const char* kLogStoppedText = "记录文件写入失败，记录已停止！";

struct LogEntry {
    CycleSample sample;
    std::optional<std::uint32_t> meterNumber;  // a W58 meter's number, read in this cycle
};

struct LogProgress {
    std::vector<std::string> files;  // written so far, the current one last
    std::uint64_t rows = 0;          // in all of them
    bool running = true;
    std::string failure;  // why the log stopped; empty when it was stopped or is running
};

struct LogOptions {
    std::string chosenPath;  // UTF-8; the files go beside it, named after its stem
    LogIdentity identity;
    std::int64_t startMs = 0;
    // On the writer's thread, once, when the last file has been closed (stopped or failed).
    // It must not destroy the writer.
    std::function<void(const LogProgress&)> ended;
    LogFileMaker makeFile = CreateLogFile;
    std::size_t queueRows = kLogQueueRows;
    std::chrono::milliseconds syncDelay = kLogSyncDelay;
};

// `<folder>/<stem>-YYYYMMDD-NNN.csv` of the chosen path.
std::string LogFileName(const std::string& chosenPath, int date, int sequence);

class LogWriter {
public:
    explicit LogWriter(LogOptions options);
    // Writes what is queued, closes the file and waits for the thread.
    ~LogWriter();
    LogWriter(const LogWriter&) = delete;
    LogWriter& operator=(const LogWriter&) = delete;

    // Never waits. False when the log has stopped, or when the queue is full — which stops it.
    bool Push(const LogEntry& entry);
    // Returns at once; the thread writes what is queued, closes the file and ends.
    void RequestStop();
    // Stops and waits until the file is closed; what the log did.
    LogProgress StopAndWait();
    LogProgress Progress() const;

private:
    void Run();
    // Each returns false once the log has failed.
    bool WriteEntry(const LogEntry& entry);
    bool WriteRow(const CycleSample& sample, const std::string& titles);
    bool OpenFile(int date, const std::string& titles);
    bool Fail(int error);
    bool Fail(std::string why);
    bool CloseFile();
    void Finish();

    const LogOptions options_;
    const std::span<const SeriesInfo> series_;

    mutable std::mutex mutex_;  // guards the queue, the stop and the progress; never held for I/O
    std::condition_variable wake_;
    std::vector<LogEntry> queue_;
    bool stopRequested_ = false;
    bool overflowed_ = false;
    LogProgress progress_;

    // The writer thread's own.
    std::unique_ptr<LogFile> file_;
    int fileDate_ = 0;
    std::string fileTitles_;
    std::string titles_;  // of the latest good cycle; empty before the first
    std::vector<std::int64_t> heldFailures_;
    std::optional<std::uint32_t> meterNumber_;
    int lastDate_ = 0;
    int lastSequence_ = 0;
    std::optional<std::chrono::steady_clock::time_point> syncDue_;

    std::thread thread_;  // last: it starts once everything above is there
};

}  // namespace kelvo
