// SPDX-License-Identifier: GPL-3.0-or-later
// config.ini on Windows: in %APPDATA%\Kelvo whatever the folder is called, with CRLF lines,
// replaced whole.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "settings/atomic_file.h"
#include "settings/profile_file.h"
#include "settings/settings.h"
#include "settings_printers.h"
#include "support/temp_settings.h"

namespace kelvo {
namespace {

namespace fs = std::filesystem;
using test::TempSettings;

fs::path PathOf(const std::string& utf8) { return test::Utf8Path(utf8); }

std::string RawBytes(const std::string& path) {
    std::ifstream in(PathOf(path), std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(WindowsSettings, TheFileLivesInAppDataUnderAChineseFolderName) {
    TempSettings temp;
    ASSERT_NE(temp.ConfigHome().find("测试"), std::string::npos);
    EXPECT_EQ(GetSettingsFolder(), temp.KelvoFolder());
    EXPECT_EQ(GetSettingsFilePath(), temp.IniPath());

    const SerialSettings saved{"COM12", 4800, 17, 1, 100, 2};
    ASSERT_TRUE(SaveSerialSettings(saved));
    EXPECT_TRUE(fs::is_regular_file(PathOf(temp.IniPath())));
    EXPECT_EQ(LoadSerialSettings(), saved);
    // Nothing but the file: the temporary file of the replace is gone.
    int entries = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(PathOf(temp.KelvoFolder()))) ++entries;
    EXPECT_EQ(entries, 1);
}

TEST(WindowsSettings, LinesEndInCrLfWhateverTheFileHadBefore) {
    const struct {
        const char* name;
        std::string before;
    } cases[] = {
        {"no file", ""},
        {"LF lines", "[ComSet]\nAddr=3\nCOM=COM2\n\n[Mine]\nkeep=1\n"},
        {"CRLF lines", "[ComSet]\r\nAddr=3\r\nCOM=COM2\r\n\r\n[Mine]\r\nkeep=1\r\n"},
        {"mixed lines", "[ComSet]\r\nAddr=3\nCOM=COM2\r\n\n[Mine]\r\nkeep=1\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempSettings temp;
        if (!c.before.empty()) {
            temp.WriteIni(c.before);
            EXPECT_EQ(LoadSerialSettings().address, 3);
            EXPECT_EQ(LoadSerialSettings().portName, "COM2");
        }
        ASSERT_TRUE(SaveMeterKind(1));
        const std::string bytes = RawBytes(temp.IniPath());
        std::string expected = c.before.empty() ? "[MeterType]\r\nType=1\r\n"
                                                : "[ComSet]\r\nAddr=3\r\nCOM=COM2\r\n\r\n[Mine]\r\nkeep=1\r\n"
                                                  "\r\n[MeterType]\r\nType=1\r\n";
        EXPECT_EQ(bytes, expected);
    }
}

TEST(WindowsSettings, AReadOnlyFileIsLeftAsItIs) {
    TempSettings temp;
    temp.WriteIni("[ComSet]\r\nAddr=3\r\n");
    // The read-only attribute, as the file's Properties box sets it.
    fs::permissions(PathOf(temp.IniPath()), fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
    const SaveResult saved = SaveMeterKind(1);
    EXPECT_EQ(saved.error, SaveError::ReadOnlyFile);
    EXPECT_EQ(RawBytes(temp.IniPath()), "[ComSet]\r\nAddr=3\r\n");
}

TEST(WindowsSettings, AFileTheUserChoseIsWrittenWholeUnderAChinesePath) {
    TempSettings temp;
    const std::string path = temp.ConfigHome() + "\\备份 一号\\表 17.kelvo";
    ASSERT_TRUE(ReplaceFile(path, "第一版\r\n"));
    ASSERT_TRUE(ReplaceFile(path, "第二版\r\n"));
    const FileText read = ReadWholeFile(path);
    EXPECT_EQ(read.status, FileText::Status::Read);
    EXPECT_EQ(read.text, "第二版\r\n");
    EXPECT_EQ(ReadWholeFile(temp.ConfigHome() + "\\没有.kelvo").status, FileText::Status::Absent);
    EXPECT_EQ(ReadWholeFile(temp.ConfigHome()).status, FileText::Status::NotRegular);
}

TEST(WindowsSettings, PathsSplitAtEitherSlash) {
    const struct {
        const char* path;
        const char* folder;
        const char* name;
    } cases[] = {
        {"C:\\Users\\用户\\a.kelvo", "C:\\Users\\用户", "a.kelvo"},
        {"C:/data/a.kelvo", "C:/data", "a.kelvo"},
        {"C:\\a.kelvo", "C:\\", "a.kelvo"},
        {"\\\\server\\share\\a.kelvo", "\\\\server\\share", "a.kelvo"},
        {"a.kelvo", ".", "a.kelvo"},
    };
    for (const auto& c : cases) {
        const PathParts parts = SplitPath(c.path);
        EXPECT_EQ(parts.folder, c.folder) << c.path;
        EXPECT_EQ(parts.name, c.name) << c.path;
    }
}

}  // namespace
}  // namespace kelvo
