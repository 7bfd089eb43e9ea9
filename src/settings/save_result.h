// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Why a save of config.ini failed, for the detail text of "保存配置文件失败！".

#include <string>

namespace kelvo {

enum class SaveError {
    None,
    ReadOnlyFile,        // the file is there and this user may not write it
    AccessDenied,        // the folder (or a parent) may not be written or entered
    ReadOnlyFileSystem,
    DiskFull,            // no space, quota or file size limit reached
    FileUnusable,        // not a regular file or larger than 1 MiB: never overwritten
    Unreadable,          // the present file could not be read, so its other keys would be lost
    Other,
};

struct SaveResult {
    SaveError error = SaveError::None;
    int systemError = 0;  // errno behind Other (and the others, where there is one)

    explicit operator bool() const { return error == SaveError::None; }
    bool operator==(const SaveResult&) const = default;
};

// The result of a failed system call with this errno.
SaveResult SaveFailure(int systemError);

// What went wrong, in words a user can act on; empty for a save that succeeded.
std::string SaveErrorText(const SaveResult& result);

}  // namespace kelvo
