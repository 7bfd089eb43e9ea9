// SPDX-License-Identifier: GPL-3.0-or-later
#include <windows.h>
#include <shlobj.h>

#include <string>

#include "settings/settings.h"
#include "settings/win32_text.h"

namespace kelvo {
namespace {

// An absolute path: "C:\..." or a UNC "\\server\...". A relative APPDATA would move the
// settings with the current folder.
bool IsAbsolute(std::wstring_view path) {
    if (path.size() >= 3 && path[1] == L':' && (path[2] == L'\\' || path[2] == L'/')) return true;
    return path.size() >= 2 && (path[0] == L'\\' || path[0] == L'/') && (path[1] == L'\\' || path[1] == L'/');
}

// %APPDATA% as this process sees it, which a user (or a test) may point elsewhere, as
// XDG_CONFIG_HOME on Linux; else the shell's roaming application-data folder.
std::wstring RoamingAppData() {
    const DWORD needed = GetEnvironmentVariableW(L"APPDATA", nullptr, 0);
    if (needed > 1) {
        std::wstring value(needed, L'\0');
        const DWORD length = GetEnvironmentVariableW(L"APPDATA", value.data(), needed);
        value.resize(length < needed ? length : 0);
        if (IsAbsolute(value)) return value;
    }
    PWSTR known = nullptr;
    std::wstring folder;
    if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_RoamingAppData, 0, nullptr, &known))) folder = known;
    CoTaskMemFree(known);
    return folder;
}

}  // namespace

std::string GetSettingsFolder() {
    std::wstring base = RoamingAppData();
    while (!base.empty() && (base.back() == L'\\' || base.back() == L'/')) base.pop_back();
    return Utf8FromWide(base) + "\\Kelvo";
}

std::string GetSettingsFilePath() { return GetSettingsFolder() + "\\config.ini"; }

}  // namespace kelvo
