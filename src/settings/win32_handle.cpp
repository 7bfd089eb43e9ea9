#include "settings/win32_handle.h"

#include <windows.h>

#include <utility>

namespace kelvo {

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
