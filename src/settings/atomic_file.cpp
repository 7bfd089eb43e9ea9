// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/atomic_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <utility>

namespace kelvo {
namespace {

// The reads of one descriptor up to its end or one byte past the limit; errno of a failed read.
int ReadToEnd(int fd, std::string& text) {
    std::array<char, 8192> chunk{};
    while (text.size() <= kMaxReadableFileBytes) {
        const ssize_t got = read(fd, chunk.data(), chunk.size());
        if (got < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        if (got == 0) break;
        text.append(chunk.data(), static_cast<std::size_t>(got));
    }
    return 0;
}

// 0, or the errno of the write that failed (a write that takes nothing counts as EIO).
int WriteAll(int fd, std::string_view text) {
    while (!text.empty()) {
        const ssize_t put = write(fd, text.data(), text.size());
        if (put < 0 && errno == EINTR) continue;
        if (put < 0) return errno;
        if (put == 0) return EIO;
        text.remove_prefix(static_cast<std::size_t>(put));
    }
    return 0;
}

FileText ReadOpened(UniqueFd file) {
    FileText result;
    if (!file.valid()) {
        result.error = errno;
        result.status = (errno == ENOENT || errno == ENOTDIR) ? FileText::Status::Absent : FileText::Status::Failed;
        return result;
    }
    struct stat info {};
    if (fstat(file.get(), &info) != 0) {
        result.error = errno;
        result.status = FileText::Status::Failed;
        return result;
    }
    if (!S_ISREG(info.st_mode)) {
        result.status = FileText::Status::NotRegular;
        return result;
    }
    if (static_cast<std::size_t>(info.st_size) > kMaxReadableFileBytes) {
        result.status = FileText::Status::TooLarge;
        return result;
    }
    result.error = ReadToEnd(file.get(), result.text);
    result.status = FileText::Status::Read;
    if (result.error != 0) result.status = FileText::Status::Failed;
    // Grown since it was looked at: still no settings file.
    if (result.text.size() > kMaxReadableFileBytes) result.status = FileText::Status::TooLarge;
    if (result.status != FileText::Status::Read) result.text.clear();
    return result;
}

// Read-only, never blocking in open (a FIFO), never becoming a controlling terminal.
constexpr int kReadFlags = O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK;

}  // namespace

UniqueFd::~UniqueFd() { Close(); }

UniqueFd::UniqueFd(UniqueFd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}

UniqueFd& UniqueFd::operator=(UniqueFd&& other) noexcept {
    if (this != &other) {
        Close();
        fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
}

bool UniqueFd::Close() {
    if (fd_ < 0) return true;
    // Linux releases the descriptor even when close reports EINTR, so it is never retried.
    return ::close(std::exchange(fd_, -1)) == 0;
}

FileText ReadWholeFile(const std::string& path) { return ReadOpened(UniqueFd(open(path.c_str(), kReadFlags))); }

PathParts SplitPath(const std::string& path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos) return {".", path};
    return {slash == 0 ? "/" : path.substr(0, slash), path.substr(slash + 1)};
}

namespace {

bool MakeFolderWithParents(const std::string& folderPath) {
    if (mkdir(folderPath.c_str(), 0700) == 0 || errno == EEXIST) return true;
    if (errno != ENOENT) return false;
    const auto slash = folderPath.find_last_of('/');
    if (slash == std::string::npos || slash == 0) return false;
    if (!MakeFolderWithParents(folderPath.substr(0, slash))) return false;
    return mkdir(folderPath.c_str(), 0700) == 0 || errno == EEXIST;
}

}  // namespace

std::optional<LockedFolder> LockedFolder::Open(const std::string& folderPath, int& error) {
    struct stat info {};
    if (stat(folderPath.c_str(), &info) != 0) {
        // Private to the user, as the base directory rules ask of new configuration folders.
        // A fresh account may not have ~/.config yet: its missing parents are made too.
        if (errno != ENOENT || !MakeFolderWithParents(folderPath)) {
            error = errno;
            return std::nullopt;
        }
    }
    UniqueFd folder(open(folderPath.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!folder.valid()) {
        error = errno;
        return std::nullopt;
    }
    while (flock(folder.get(), LOCK_EX) != 0) {
        if (errno != EINTR) {
            error = errno;
            return std::nullopt;
        }
    }
    return LockedFolder(folderPath, std::move(folder));
}

FileText LockedFolder::Read(const std::string& fileName) const {
    return ReadOpened(UniqueFd(openat(folder_.get(), fileName.c_str(), kReadFlags)));
}

int LockedFolder::ReplaceRefusal(const std::string& fileName) const {
    if (faccessat(folder_.get(), fileName.c_str(), W_OK, AT_EACCESS) == 0 || errno == ENOENT) return 0;
    return errno;
}

int LockedFolder::Replace(const std::string& fileName, std::string_view text) const {
    std::string tempPath = path_ + "/." + fileName + ".XXXXXX";
    UniqueFd temp(mkostemp(tempPath.data(), O_CLOEXEC));
    if (!temp.valid()) return errno;
    const std::string tempName = tempPath.substr(path_.size() + 1);

    struct stat old {};
    if (fstatat(folder_.get(), fileName.c_str(), &old, 0) == 0 && S_ISREG(old.st_mode)) {
        // Owner first: a change of owner may clear mode bits. Either may be refused to a
        // non-root user, and the file is still worth saving then.
        [[maybe_unused]] const int owned = fchown(temp.get(), old.st_uid, old.st_gid);
        [[maybe_unused]] const int moded = fchmod(temp.get(), old.st_mode & 07777);
    }

    int error = WriteAll(temp.get(), text);
    if (error == 0 && fsync(temp.get()) != 0) error = errno;
    if (!temp.Close() && error == 0) error = errno;
    if (error == 0 && renameat(folder_.get(), tempName.c_str(), folder_.get(), fileName.c_str()) != 0) error = errno;
    if (error != 0) {
        unlinkat(folder_.get(), tempName.c_str(), 0);
        return error;
    }
    // Makes the rename itself durable. The new file is in place already, so a failure here
    // is not a failed save.
    fsync(folder_.get());
    return 0;
}

}  // namespace kelvo
