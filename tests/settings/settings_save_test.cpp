// SPDX-License-Identifier: GPL-3.0-or-later
// Saves that cannot be written leave the old file, and readers never see half a file.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/fsuid.h>
#include <sys/resource.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "settings/settings.h"
#include "settings_printers.h"
#include "support/temp_settings.h"

namespace kelvo {
namespace {

namespace fs = std::filesystem;
using test::TempSettings;

constexpr uid_t kNobody = 65534;

// Runs `work` with the file permissions of an ordinary user. Root passes every permission
// check, so as root the work runs on a thread whose filesystem ids are those of "nobody"
// (they are per thread on Linux). False when that cannot be arranged.
bool RunWithoutRootPowers(const std::function<void()>& work) {
    if (geteuid() != 0) {
        work();
        return true;
    }
    bool arranged = false;
    std::thread worker([&] {
        setfsgid(kNobody);
        setfsuid(kNobody);
        arranged = setfsuid(static_cast<uid_t>(-1)) == kNobody;
        if (arranged) work();
    });
    worker.join();
    return arranged;
}

std::vector<std::string> FilesIn(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
    return names;
}

// Every save fails, and says why.
void ExpectEverySaveFails(SaveError why) {
    for (const SaveResult& result :
         {SaveSerialSettings({"COM9", 2400, 1, 2, 100, 0}), SaveMeterKind(1), SavePresets(PresetStore{})}) {
        EXPECT_FALSE(result);
        EXPECT_EQ(result.error, why) << SaveErrorText(result);
        EXPECT_FALSE(SaveErrorText(result).empty());
    }
}

const std::string kOldFile = "[ComSet]\nAddr=3\n; kept\nCOM=COM2\n";

TEST(SettingsSave, AFileThatCannotBeWrittenStaysAsItWas) {
    struct Case {
        const char* name;
        fs::perms folder;
        fs::perms file;
        SaveError why;
    };
    const Case cases[] = {
        {"read-only folder", fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                                 fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec,
         fs::perms::all, SaveError::AccessDenied},
        {"read-only file", fs::perms::all,
         fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read, SaveError::ReadOnlyFile},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempSettings temp;
        temp.WriteIni(kOldFile);
        // An ordinary user must be able to reach the folder for the case to mean anything.
        fs::permissions(temp.ConfigHome(), fs::perms::all);
        fs::permissions(temp.IniPath(), c.file);
        fs::permissions(temp.KelvoFolder(), c.folder);

        const bool ran = RunWithoutRootPowers([&c] { ExpectEverySaveFails(c.why); });
        fs::permissions(temp.KelvoFolder(), fs::perms::all);
        if (!ran) GTEST_SKIP() << "cannot drop root's file permissions";

        EXPECT_EQ(temp.ReadIni(), kOldFile);
        EXPECT_EQ(FilesIn(temp.KelvoFolder()), std::vector<std::string>{"config.ini"});
        EXPECT_EQ(LoadSerialSettings().address, 3);
    }
}

// A file size limit makes the write fail the way a full disk does, and needs no privileges.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &previous_);
        struct sigaction ignore {};
        ignore.sa_handler = SIG_IGN;
        sigaction(SIGXFSZ, &ignore, &previousAction_);
        rlimit limit = previous_;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &previous_);
        sigaction(SIGXFSZ, &previousAction_, nullptr);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit previous_{};
    struct sigaction previousAction_ {};
};

TEST(SettingsSave, AFullDiskLeavesTheOldFile) {
    TempSettings temp;
    temp.WriteIni(kOldFile);
    {
        const FileSizeLimit limit(kOldFile.size());
        ExpectEverySaveFails(SaveError::DiskFull);
    }
    EXPECT_EQ(temp.ReadIni(), kOldFile);
    EXPECT_EQ(FilesIn(temp.KelvoFolder()), std::vector<std::string>{"config.ini"});
}

TEST(SettingsSave, ASettingsFolderThatIsAFileFailsAndStays) {
    TempSettings temp;
    { std::ofstream(temp.KelvoFolder()) << "not a folder"; }
    ExpectEverySaveFails(SaveError::Other);
    EXPECT_TRUE(fs::is_regular_file(temp.KelvoFolder()));
    EXPECT_EQ(LoadSerialSettings(), SerialSettings{});
}

// Every key differs, and the padding makes the file long enough to be written in pieces.
const SerialSettings kFirst{"COM1", 9600, 8, 0, 100, 1};
const SerialSettings kSecond{"USB12", 57600, 247, 2, 1000, 3};

std::string Padding() {
    std::string text = "[Padding]\n";
    for (int i = 0; i < 400; ++i) text += "Key" + std::to_string(i) + "=" + std::string(20, 'x') + "\n";
    return text;
}

TEST(SettingsSave, AReaderNeverSeesAHalfWrittenFile) {
    TempSettings temp;
    temp.WriteIni(Padding());
    ASSERT_TRUE(SaveSerialSettings(kFirst));

    std::atomic<bool> writing{true};
    int loads = 0;
    int strangers = 0;
    SerialSettings stranger;
    std::thread reader([&] {
        while (writing.load()) {
            const SerialSettings seen = LoadSerialSettings();
            ++loads;
            if (seen != kFirst && seen != kSecond) {
                ++strangers;
                stranger = seen;
            }
        }
    });
    int failedSaves = 0;
    for (int i = 0; i < 200; ++i) failedSaves += SaveSerialSettings(i % 2 == 0 ? kSecond : kFirst) ? 0 : 1;
    writing = false;
    reader.join();

    EXPECT_EQ(failedSaves, 0);
    EXPECT_GT(loads, 0);
    EXPECT_EQ(strangers, 0) << "e.g. port " << stranger.portName << ", address " << stranger.address;
    EXPECT_EQ(LoadSerialSettings(), kFirst);
    EXPECT_EQ(FilesIn(temp.KelvoFolder()), std::vector<std::string>{"config.ini"});
}

TEST(SettingsSave, SavesFromTwoThreadsLoseNoKeys) {
    TempSettings temp;
    temp.WriteIni(Padding());
    constexpr int kRounds = 100;
    std::atomic<int> failedSaves{0};
    std::thread kinds([&] {
        for (int i = 0; i < kRounds; ++i) failedSaves += SaveMeterKind(i % 2) ? 0 : 1;
    });
    std::thread serial([&] {
        for (int i = 0; i < kRounds; ++i) failedSaves += SaveSerialSettings(i % 2 == 0 ? kFirst : kSecond) ? 0 : 1;
    });
    kinds.join();
    serial.join();

    EXPECT_EQ(failedSaves.load(), 0);
    EXPECT_EQ(LoadMeterKind(), 1);
    EXPECT_EQ(LoadSerialSettings(), kSecond);
    EXPECT_NE(temp.ReadIni().find("\nKey399=xxxxxxxxxxxxxxxxxxxx\n"), std::string::npos);
}

}  // namespace
}  // namespace kelvo
