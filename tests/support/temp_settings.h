// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A private settings folder for one test: XDG_CONFIG_HOME (APPDATA on Windows) points into a
// fresh temporary folder for the lifetime of the object and is restored afterwards. On
// Windows the folder's name has Chinese characters, so that every test also shows that
// paths stay UTF-16 from end to end.

#include <filesystem>
#include <optional>
#include <string>

namespace kelvo::test {

// A path from the program's UTF-8 text. std::filesystem reads a plain std::string in the
// ANSI code page on Windows, which cannot hold the Chinese folder names tests use there.
inline std::filesystem::path Utf8Path(const std::string& utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

#ifdef _WIN32
inline constexpr const char* kPathSeparator = "\\";
#else
inline constexpr const char* kPathSeparator = "/";
#endif

class TempSettings {
public:
    TempSettings();
    ~TempSettings();
    TempSettings(const TempSettings&) = delete;
    TempSettings& operator=(const TempSettings&) = delete;

    const std::string& ConfigHome() const { return root_; }
    std::string KelvoFolder() const { return root_ + kPathSeparator + "Kelvo"; }
    std::string IniPath() const { return KelvoFolder() + kPathSeparator + "config.ini"; }

    // Reads the whole config.ini ("" when absent) / replaces it. On Windows the text read
    // has its CRLF line breaks as "\n", so that one expected text serves both platforms;
    // settings_win32_test looks at the bytes themselves.
    std::string ReadIni() const;
    void WriteIni(const std::string& text) const;
#ifndef _WIN32
    // Maps a port name to a device path through <folder>/ports/<name>.
    void MapPort(const std::string& name, const std::string& devicePath) const;
#endif

private:
    std::string root_;
    std::optional<std::string> previous_;
};

}  // namespace kelvo::test
