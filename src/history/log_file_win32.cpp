// SPDX-License-Identifier: GPL-3.0-or-later
// The Windows side of log_file.h: a UTF-16 path, CREATE_NEW so that no file is ever
// overwritten, FlushFileBuffers onto the disk.

#include "history/log_file.h"

#include <windows.h>

#include <algorithm>
#include <cerrno>

#include "settings/win32_handle.h"
#include "settings/win32_text.h"

namespace kelvo {
namespace {

class Win32LogFile final : public LogFile {
public:
    explicit Win32LogFile(Win32Handle file) : file_(std::move(file)) {}

    int Write(std::string_view bytes) override {
        while (!bytes.empty()) {
            const auto chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1U << 20));
            DWORD put = 0;
            if (!WriteFile(file_.get(), bytes.data(), chunk, &put, nullptr)) return LastErrno();
            if (put == 0) return EIO;
            bytes.remove_prefix(put);
        }
        return 0;
    }
    int Sync() override { return FlushFileBuffers(file_.get()) ? 0 : LastErrno(); }
    int Close() override { return file_.Close() ? 0 : LastErrno(); }

private:
    Win32Handle file_;
};

}  // namespace

OpenedLogFile CreateLogFile(const std::string& path) {
    // Others may read the file while it grows (a spreadsheet, a copy), never write it.
    Win32Handle file(CreateFileW(WideFromUtf8(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) return {.file = nullptr, .error = LastErrno()};
    return {.file = std::make_unique<Win32LogFile>(std::move(file)), .error = 0};
}

}  // namespace kelvo
