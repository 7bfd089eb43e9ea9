// SPDX-License-Identifier: GPL-3.0-or-later
// The Windows side of temp_settings.h: APPDATA, set through the Win32 environment that the
// settings folder is read from, and paths made from UTF-16.

#include "support/temp_settings.h"

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "settings/win32_text.h"

namespace kelvo::test {

namespace fs = std::filesystem;

namespace {

fs::path PathOf(const std::string& utf8) { return Utf8Path(utf8); }

std::optional<std::wstring> Environment(const wchar_t* name) {
    const DWORD needed = GetEnvironmentVariableW(name, nullptr, 0);
    if (needed == 0) return std::nullopt;
    std::wstring value(needed, L'\0');
    value.resize(GetEnvironmentVariableW(name, value.data(), needed));
    return value;
}

}  // namespace

TempSettings::TempSettings() {
    const fs::path base = fs::temp_directory_path();
    for (int attempt = 0; root_.empty(); ++attempt) {
        if (attempt == 100) throw std::runtime_error("no temporary folder could be made");
        const fs::path candidate = base / (L"kelvo-测试-用户" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                                           std::to_wstring(GetTickCount64()) + L"-" + std::to_wstring(attempt));
        std::error_code error;
        if (fs::create_directory(candidate, error)) root_ = Utf8FromWide(candidate.wstring());
    }
    if (const auto old = Environment(L"APPDATA")) previous_ = Utf8FromWide(*old);
    SetEnvironmentVariableW(L"APPDATA", WideFromUtf8(root_).c_str());
}

TempSettings::~TempSettings() {
    SetEnvironmentVariableW(L"APPDATA", previous_ ? WideFromUtf8(*previous_).c_str() : nullptr);
    std::error_code ignored;
    // A read-only flag a test set would keep the file from being removed.
    for (const auto& entry : fs::recursive_directory_iterator(PathOf(root_), ignored)) {
        SetFileAttributesW(entry.path().c_str(), FILE_ATTRIBUTE_NORMAL);
    }
    fs::remove_all(PathOf(root_), ignored);
}

std::string TempSettings::ReadIni() const {
    std::ifstream in(PathOf(IniPath()), std::ios::binary);
    if (!in) return {};
    std::ostringstream read;
    read << in.rdbuf();
    std::string text = read.str();
    std::string lines;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
        lines.push_back(text[i]);
    }
    return lines;
}

void TempSettings::WriteIni(const std::string& text) const {
    fs::create_directories(PathOf(KelvoFolder()));
    std::ofstream(PathOf(IniPath()), std::ios::binary | std::ios::trunc) << text;
}

}  // namespace kelvo::test
