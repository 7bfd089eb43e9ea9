// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Whole-file reads and atomic replacement of a file in the settings folder.
//
// The polling thread loads the serial settings every cycle while the user-interface thread
// may be saving them, and no lock guards the reads: a save therefore never writes into the
// file a reader may have open. It writes a new file beside it and renames it over the old
// one, so a reader sees the old file or the new one, whole, and a failed save (read-only
// file or folder, full disk) leaves the old file as it was.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#ifdef _WIN32
#include "settings/win32_handle.h"
#endif

namespace kelvo {

// A settings file is small; anything larger is not one, and reading it whole on every
// polling cycle would stall the cycle.
inline constexpr std::size_t kMaxReadableFileBytes = std::size_t{1} << 20;

struct FileText {
    enum class Status {
        Absent,
        Read,
        Failed,      // the open or a read failed (error says why)
        NotRegular,  // a FIFO, a device, a folder, or a link to one: never read
        TooLarge,    // more than kMaxReadableFileBytes: never read
    };
    Status status = Status::Absent;
    std::string text;
    int error = 0;  // errno when Failed (on Windows the errno of the Win32 error, where one fits)
};

// Reads the whole file; a missing file (or folder) is Absent. A symbolic link is followed;
// what it leads to must be a regular file of at most kMaxReadableFileBytes. Opening never
// waits (a FIFO without a writer would block for ever).
FileText ReadWholeFile(const std::string& path);

// The folder and the name of a file's path (UTF-8): "." for a bare name.
struct PathParts {
    std::string folder;
    std::string name;
};
PathParts SplitPath(const std::string& path);

#ifndef _WIN32
// Owns an open file descriptor.
class UniqueFd {
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : fd_(fd) {}
    ~UniqueFd();
    UniqueFd(UniqueFd&& other) noexcept;
    UniqueFd& operator=(UniqueFd&& other) noexcept;
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;

    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    // Closes now and reports whether the close (which may be where a write error shows) succeeded.
    bool Close();

private:
    int fd_ = -1;
};
#endif

// A folder held by one writer at a time. Writers in this process and in other processes take
// turns on it, so that two saves never read the same old file and lose one another's keys.
// Readers take no part: they only ever see whole files.
class LockedFolder {
public:
    // Opens the folder, creating it first when it is missing (one level, as the parent of the
    // settings folder is expected to exist), and waits for the writer's lock. On failure
    // `error` holds the errno.
    static std::optional<LockedFolder> Open(const std::string& folderPath, int& error);

    FileText Read(const std::string& fileName) const;
    // 0, or the errno that refuses writing a present file (EACCES: a user who made it
    // read-only meant it to stay as it is, even though renaming over it would succeed).
    int ReplaceRefusal(const std::string& fileName) const;
    // Writes the text into a new file in the folder, flushes it to the disk and renames it over
    // fileName. The new file keeps the mode and owner of the one it replaces. 0, or the errno
    // of the step that failed.
    int Replace(const std::string& fileName, std::string_view text) const;

private:
#ifdef _WIN32
    // Windows cannot lock a folder: its writers take a named mutex of the folder's path.
    LockedFolder(std::string path, HeldMutex lock) : path_(std::move(path)), lock_(std::move(lock)) {}

    std::string path_;
    HeldMutex lock_;
#else
    LockedFolder(std::string path, UniqueFd folder) : path_(std::move(path)), folder_(std::move(folder)) {}

    std::string path_;
    UniqueFd folder_;  // the lock goes with the descriptor
#endif
};

}  // namespace kelvo
