// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A log file as the writer uses it: created new (never over an existing file), written,
// flushed to the disk, closed. The platform's own are the POSIX file (log_file.cpp) and the
// Win32 file with a UTF-16 path (log_file_win32.cpp); tests put in a file that fails as a
// full disk or a removed drive does.

#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace kelvo {

class LogFile {
public:
    virtual ~LogFile() = default;
    // 0, or the errno of the failure (a write that takes nothing counts as EIO).
    virtual int Write(std::string_view bytes) = 0;
    // Onto the disk, so that a loss of power keeps what was written.
    virtual int Sync() = 0;
    virtual int Close() = 0;
};

struct OpenedLogFile {
    std::unique_ptr<LogFile> file;
    int error = 0;  // EEXIST when the name is taken
};

// `path` is UTF-8.
using LogFileMaker = std::function<OpenedLogFile(const std::string& path)>;
OpenedLogFile CreateLogFile(const std::string& path);

// Why a log file could not be written, in words a user can act on.
std::string LogErrorText(int error);

}  // namespace kelvo
