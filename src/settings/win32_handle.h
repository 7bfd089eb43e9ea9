// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Owners of Win32 kernel handles (files, ports, events, mutexes): each releases what it
// holds exactly once, on every path. Here, in the lowest layer with Windows files, so that
// the serial port above uses the same ones. Windows builds only.

namespace kelvo {

// The errno of a Win32 error, so that callers read it as on Linux; an error with no
// counterpart is passed on as it is, and shown as its number.
int ErrnoOf(unsigned long error);
// ErrnoOf(GetLastError()).
int LastErrno();

class Win32Handle {
public:
    Win32Handle() = default;
    // Null and INVALID_HANDLE_VALUE both mean "none", so a failed CreateFileW and a failed
    // CreateEventW can be taken as they come.
    explicit Win32Handle(void* handle);
    ~Win32Handle();
    Win32Handle(Win32Handle&& other) noexcept;
    Win32Handle& operator=(Win32Handle&& other) noexcept;
    Win32Handle(const Win32Handle&) = delete;
    Win32Handle& operator=(const Win32Handle&) = delete;

    void* get() const { return handle_; }
    bool valid() const { return handle_ != nullptr; }
    // Closes now; false when CloseHandle reported an error (where a file's last write may fail).
    bool Close();

private:
    void* handle_ = nullptr;
};

// A mutex this thread owns: released, then closed. A mutex is owned by a thread, so the
// object must end on the thread that waited for it.
class HeldMutex {
public:
    HeldMutex() = default;
    explicit HeldMutex(Win32Handle mutex) : mutex_(static_cast<Win32Handle&&>(mutex)) {}
    ~HeldMutex();
    HeldMutex(HeldMutex&& other) noexcept = default;
    HeldMutex& operator=(HeldMutex&& other) noexcept;
    HeldMutex(const HeldMutex&) = delete;
    HeldMutex& operator=(const HeldMutex&) = delete;

private:
    void Release();
    Win32Handle mutex_;
};

}  // namespace kelvo
