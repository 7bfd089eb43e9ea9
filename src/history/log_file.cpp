// SPDX-License-Identifier: GPL-3.0-or-later
// The POSIX side of log_file.h.

#include "history/log_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "settings/atomic_file.h"  // UniqueFd, SplitPath

namespace kelvo {
namespace {

class PosixLogFile final : public LogFile {
public:
    explicit PosixLogFile(UniqueFd fd) : fd_(std::move(fd)) {}

    int Write(std::string_view bytes) override {
        while (!bytes.empty()) {
            const ssize_t put = write(fd_.get(), bytes.data(), bytes.size());
            if (put < 0 && errno == EINTR) continue;
            if (put < 0) return errno;
            if (put == 0) return EIO;
            bytes.remove_prefix(static_cast<std::size_t>(put));
        }
        return 0;
    }
    int Sync() override { return fdatasync(fd_.get()) == 0 ? 0 : errno; }
    int Close() override { return fd_.Close() ? 0 : errno; }

private:
    UniqueFd fd_;
};

}  // namespace

OpenedLogFile CreateLogFile(const std::string& path) {
    UniqueFd fd(open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
    if (!fd.valid()) return {.file = nullptr, .error = errno};
    // The new name itself must survive a loss of power, not only what the file holds.
    if (UniqueFd folder(open(SplitPath(path).folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)); folder.valid()) {
        (void)fsync(folder.get());
    }
    return {.file = std::make_unique<PosixLogFile>(std::move(fd)), .error = 0};
}

}  // namespace kelvo
