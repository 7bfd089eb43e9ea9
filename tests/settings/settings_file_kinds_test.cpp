// SPDX-License-Identifier: GPL-3.0-or-later
// A config.ini that is no file to read: a FIFO, a link to a device, a huge file. Start-up
// must neither hang nor fill the memory, and the file must stay as the user left it.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "settings/atomic_file.h"
#include "settings/settings.h"
#include "settings_printers.h"
#include "support/temp_settings.h"

namespace kelvo {
namespace {

namespace fs = std::filesystem;
using test::TempSettings;

const std::string kGoodFile = "[ComSet]\nAddr=3\nCOM=COM2\n";

TEST(SettingsFileKinds, OnlyARegularFileOfAtMostOneMebibyteIsRead) {
    struct Case {
        const char* what;
        std::function<void(const TempSettings&)> make;
        SettingsFileProblem problem;
    };
    const Case cases[] = {
        {"FIFO", [](const TempSettings& t) { ASSERT_EQ(mkfifo(t.IniPath().c_str(), 0600), 0); },
         SettingsFileProblem::NotRegular},
        {"link to /dev/zero", [](const TempSettings& t) { fs::create_symlink("/dev/zero", t.IniPath()); },
         SettingsFileProblem::NotRegular},
        {"folder", [](const TempSettings& t) { fs::create_directory(t.IniPath()); }, SettingsFileProblem::NotRegular},
        {"one byte over 1 MiB",
         [](const TempSettings& t) { t.WriteIni(kGoodFile + std::string(kMaxReadableFileBytes + 1 - kGoodFile.size(), ';')); },
         SettingsFileProblem::TooLarge},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempSettings temp;
        fs::create_directories(temp.KelvoFolder());
        c.make(temp);
        const auto before = fs::symlink_status(temp.IniPath()).type();

        EXPECT_EQ(CheckSettingsFile(), c.problem);
        EXPECT_NE(SettingsFileProblemText(c.problem, temp.IniPath()).find(temp.IniPath()), std::string::npos);
        EXPECT_EQ(LoadSerialSettings(), SerialSettings{});
        EXPECT_EQ(LoadMeterKind(), kGenericMeter);
        EXPECT_EQ(LoadPresets(), PresetStore{});
        for (const SaveResult& result :
             {SaveSerialSettings({"COM9", 2400, 1, 2, 100, 0}), SaveMeterKind(1), SavePresets(PresetStore{})}) {
            EXPECT_EQ(result.error, SaveError::FileUnusable);
        }
        EXPECT_EQ(fs::symlink_status(temp.IniPath()).type(), before) << "the file is left as it was";
    }
}

TEST(SettingsFileKinds, ALinkToARegularFileIsReadAndAFileOfExactlyOneMebibyteToo) {
    const struct {
        const char* what;
        std::string padding;
        bool linked;
        SaveError saved;  // a save must not make the file too large to be read again
    } cases[] = {
        {"link", "", true, SaveError::None},
        {"1 MiB", std::string(kMaxReadableFileBytes - kGoodFile.size(), ';'), false, SaveError::FileUnusable},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TempSettings temp;
        fs::create_directories(temp.KelvoFolder());
        const std::string target = c.linked ? temp.ConfigHome() + "/elsewhere.ini" : temp.IniPath();
        std::ofstream(target) << kGoodFile << c.padding;
        if (c.linked) fs::create_symlink(target, temp.IniPath());
        EXPECT_EQ(CheckSettingsFile(), SettingsFileProblem::None);
        EXPECT_EQ(LoadSerialSettings().address, 3);
        EXPECT_EQ(SaveMeterKind(1).error, c.saved);
        EXPECT_EQ(LoadSerialSettings().address, 3);
        EXPECT_EQ(LoadMeterKind(), c.saved == SaveError::None ? 1 : 0);
    }
}

}  // namespace
}  // namespace kelvo
