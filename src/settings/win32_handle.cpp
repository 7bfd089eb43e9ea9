// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/win32_handle.h"

#include <windows.h>

#include <cerrno>
#include <utility>

namespace kelvo {

int ErrnoOf(unsigned long error) {
    switch (error) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_INVALID_DRIVE:
        case ERROR_BAD_NETPATH:
            return ENOENT;
        case ERROR_ACCESS_DENIED:
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
            return EACCES;
        case ERROR_WRITE_PROTECT:
            return EROFS;
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL:
            return ENOSPC;
        case ERROR_DIRECTORY:
            return ENOTDIR;
        case ERROR_FILE_EXISTS:
        case ERROR_ALREADY_EXISTS:
            return EEXIST;
        default:
            return static_cast<int>(error);
    }
}

int LastErrno() { return ErrnoOf(GetLastError()); }

Win32Handle::Win32Handle(void* handle) : handle_(handle == INVALID_HANDLE_VALUE ? nullptr : handle) {}

Win32Handle::~Win32Handle() { Close(); }

Win32Handle::Win32Handle(Win32Handle&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}

Win32Handle& Win32Handle::operator=(Win32Handle&& other) noexcept {
    if (this != &other) {
        Close();
        handle_ = std::exchange(other.handle_, nullptr);
    }
    return *this;
}

bool Win32Handle::Close() {
    if (handle_ == nullptr) return true;
    return CloseHandle(std::exchange(handle_, nullptr)) != 0;
}

HeldMutex::~HeldMutex() { Release(); }

HeldMutex& HeldMutex::operator=(HeldMutex&& other) noexcept {
    if (this != &other) {
        Release();
        mutex_ = std::move(other.mutex_);
    }
    return *this;
}

void HeldMutex::Release() {
    if (mutex_.valid()) ReleaseMutex(mutex_.get());
    mutex_.Close();
}

}  // namespace kelvo
