// SPDX-License-Identifier: GPL-3.0-or-later
// The Windows side of atomic_file.h: UTF-16 paths throughout, a temporary file beside the
// target flushed with FlushFileBuffers, then MoveFileExW over the target.

#include "settings/atomic_file.h"

#include <windows.h>

#include <cerrno>
#include <cstdint>
#include <cwctype>
#include <string>

#include "settings/win32_handle.h"  // LastErrno
#include "settings/win32_text.h"

namespace kelvo {
namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// Reads up to one byte past the limit; 0 or the errno of a failed read.
int ReadToEnd(HANDLE file, std::string& text) {
    char chunk[8192];
    while (text.size() <= kMaxReadableFileBytes) {
        DWORD got = 0;
        if (!ReadFile(file, chunk, sizeof chunk, &got, nullptr)) return LastErrno();
        if (got == 0) break;
        text.append(chunk, got);
    }
    return 0;
}

// 0, or the errno of the write that failed (a write that takes nothing counts as EIO).
int WriteAll(HANDLE file, std::string_view text) {
    while (!text.empty()) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(text.size(), 1U << 20));
        DWORD put = 0;
        if (!WriteFile(file, text.data(), chunk, &put, nullptr)) return LastErrno();
        if (put == 0) return EIO;
        text.remove_prefix(put);
    }
    return 0;
}

FileText ReadPath(const std::wstring& path) {
    FileText result;
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        result.error = LastErrno();
        result.status = result.error == ENOENT ? FileText::Status::Absent : FileText::Status::Failed;
        return result;
    }
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        result.status = FileText::Status::NotRegular;
        return result;
    }
    // Shared for deleting too, so that a save may replace the file while it is read.
    const Win32Handle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                       nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) {
        result.error = LastErrno();
        result.status = result.error == ENOENT ? FileText::Status::Absent : FileText::Status::Failed;
        return result;
    }
    // A device name (CON, COM1) or a pipe is no settings file, whatever it is called.
    if (GetFileType(file.get()) != FILE_TYPE_DISK) {
        result.status = FileText::Status::NotRegular;
        return result;
    }
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.get(), &size)) {
        result.error = LastErrno();
        result.status = FileText::Status::Failed;
        return result;
    }
    if (static_cast<std::uint64_t>(size.QuadPart) > kMaxReadableFileBytes) {
        result.status = FileText::Status::TooLarge;
        return result;
    }
    result.error = ReadToEnd(file.get(), result.text);
    result.status = result.error != 0 ? FileText::Status::Failed : FileText::Status::Read;
    if (result.text.size() > kMaxReadableFileBytes) result.status = FileText::Status::TooLarge;
    if (result.status != FileText::Status::Read) result.text.clear();
    return result;
}

bool MakeFolderWithParents(const std::wstring& folder) {
    if (CreateDirectoryW(folder.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS) return true;
    if (GetLastError() != ERROR_PATH_NOT_FOUND) return false;
    const auto slash = folder.find_last_of(L"\\/");
    if (slash == std::wstring::npos || slash == 0 || folder[slash - 1] == L':') return false;
    if (!MakeFolderWithParents(folder.substr(0, slash))) return false;
    return CreateDirectoryW(folder.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
}

// One name per folder, whichever way its path is spelt: the full path, upper case,
// hashed (FNV-1a), as a mutex name may not hold a backslash and is limited in length.
std::wstring WriterMutexName(const std::wstring& folder) {
    std::wstring full(MAX_PATH, L'\0');
    DWORD length = GetFullPathNameW(folder.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (length >= full.size()) {
        full.resize(length);
        length = GetFullPathNameW(folder.c_str(), length, full.data(), nullptr);
    }
    full.resize(length < full.size() ? length : 0);
    if (full.empty()) full = folder;
    while (full.size() > 3 && (full.back() == L'\\' || full.back() == L'/')) full.pop_back();
    std::uint64_t hash = 14695981039346656037ULL;
    for (wchar_t c : full) {
        if (c == L'/') c = L'\\';
        hash = (hash ^ static_cast<std::uint16_t>(std::towupper(static_cast<std::wint_t>(c)))) * 1099511628211ULL;
    }
    wchar_t name[64];
    swprintf(name, 64, L"Local\\Kelvo.folder-writer.%016llx", static_cast<unsigned long long>(hash));
    return name;
}

// A name no other save in the folder uses at the same moment: the process, the time and a try.
std::wstring TemporaryName(const std::wstring& fileName, int attempt) {
    wchar_t suffix[64];
    swprintf(suffix, 64, L".%lx-%llx-%d.tmp", GetCurrentProcessId(),
             static_cast<unsigned long long>(GetTickCount64()), attempt);
    return L"." + fileName + suffix;
}

// A reader (the polling thread, a virus scanner) may hold the old file for a moment; such a
// refusal passes, so the replace is tried again for about a second before it counts.
bool ReplaceWithRetries(const std::wstring& from, const std::wstring& to) {
    constexpr int kTries = 50;
    for (int attempt = 1;; ++attempt) {
        if (MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return true;
        const DWORD error = GetLastError();
        const bool passing = error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION ||
                             (error == ERROR_ACCESS_DENIED &&
                              (GetFileAttributesW(to.c_str()) & FILE_ATTRIBUTE_READONLY) == 0);
        if (!passing || attempt == kTries) {
            SetLastError(error);
            return false;
        }
        Sleep(20);
    }
}

}  // namespace

FileText ReadWholeFile(const std::string& path) { return ReadPath(WideFromUtf8(path)); }

PathParts SplitPath(const std::string& path) {
    std::size_t slash = path.size();
    while (slash > 0 && !IsSeparator(path[slash - 1])) --slash;
    if (slash == 0) {
        // "C:name" is a name in drive C's current folder.
        if (path.size() > 2 && path[1] == ':') return {path.substr(0, 2), path.substr(2)};
        return {".", path};
    }
    std::string folder = path.substr(0, slash - 1);
    // A file at a root keeps the root's separator: "C:\" and "\", not "C:" and "".
    if (folder.empty() || (folder.size() == 2 && folder[1] == ':')) folder = path.substr(0, slash);
    return {folder, path.substr(slash)};
}

std::optional<LockedFolder> LockedFolder::Open(const std::string& folderPath, int& error) {
    const std::wstring folder = WideFromUtf8(folderPath);
    const DWORD attributes = GetFileAttributesW(folder.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        // A fresh account may not have the parent folders yet: they are made too.
        const DWORD missing = GetLastError();
        if ((missing != ERROR_FILE_NOT_FOUND && missing != ERROR_PATH_NOT_FOUND) || !MakeFolderWithParents(folder)) {
            error = LastErrno();
            return std::nullopt;
        }
    } else if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        error = ENOTDIR;
        return std::nullopt;
    }
    Win32Handle mutex(CreateMutexW(nullptr, FALSE, WriterMutexName(folder).c_str()));
    if (!mutex.valid()) {
        error = LastErrno();
        return std::nullopt;
    }
    // An abandoned mutex (a writer that died holding it) is ours now all the same: its
    // temporary file is a stray, the target is whole.
    const DWORD waited = WaitForSingleObject(mutex.get(), INFINITE);
    if (waited != WAIT_OBJECT_0 && waited != WAIT_ABANDONED) {
        error = LastErrno();
        return std::nullopt;
    }
    return LockedFolder(folderPath, HeldMutex(std::move(mutex)));
}

FileText LockedFolder::Read(const std::string& fileName) const { return ReadPath(WideFromUtf8(path_ + "\\" + fileName)); }

int LockedFolder::ReplaceRefusal(const std::string& fileName) const {
    const DWORD attributes = GetFileAttributesW(WideFromUtf8(path_ + "\\" + fileName).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const int error = LastErrno();
        return error == ENOENT ? 0 : error;
    }
    // Windows would refuse the replace anyway; the user who set the flag meant it.
    return (attributes & FILE_ATTRIBUTE_READONLY) != 0 ? EACCES : 0;
}

int LockedFolder::Replace(const std::string& fileName, std::string_view text) const {
    const std::wstring folder = WideFromUtf8(path_) + L"\\";
    const std::wstring name = WideFromUtf8(fileName);
    std::wstring tempPath;
    Win32Handle temp;
    for (int attempt = 0; attempt < 100 && !temp.valid(); ++attempt) {
        tempPath = folder + TemporaryName(name, attempt);
        temp = Win32Handle(CreateFileW(tempPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                                       nullptr));
        if (!temp.valid() && GetLastError() != ERROR_FILE_EXISTS) return LastErrno();
    }
    if (!temp.valid()) return EEXIST;

    int error = WriteAll(temp.get(), text);
    if (error == 0 && !FlushFileBuffers(temp.get())) error = LastErrno();
    if (!temp.Close() && error == 0) error = LastErrno();
    if (error == 0 && !ReplaceWithRetries(tempPath, folder + name)) error = LastErrno();
    if (error != 0) DeleteFileW(tempPath.c_str());
    return error;
}

}  // namespace kelvo
