// SPDX-License-Identifier: GPL-3.0-or-later
// The log file as a spreadsheet and a power cut see it: its header and rows byte for byte,
// the files a day and a unit change begin, and what a full disk or a removed drive leaves.

#include <gtest/gtest.h>

#include <cerrno>
#include <charconv>
#include <condition_variable>
#include <fstream>
#include <limits>
#include <map>
#include <mutex>
#include <sstream>

#include "history/log_writer.h"
#include "history_samples.h"
#include "support/temp_settings.h"
#include "vocabulary/kelvo_version.h"

namespace kelvo {
namespace {

using test::ChinaTime;
using test::Good;
using test::kMarchFirstMs;

// A disk in memory that can fill up, lose its drive or stop answering.
struct MemoryDisk {
    std::mutex mutex;
    std::condition_variable resumed;
    std::map<std::string, std::string> files;
    int writes = 0;
    int failingWrite = 0;  // this write and every later one find the disk full
    int syncError = 0;
    bool stalled = false;

    LogFileMaker Maker() {
        return [this](const std::string& path) -> OpenedLogFile {
            const std::lock_guard lock(mutex);
            files[path];
            return {.file = std::make_unique<File>(*this, path), .error = 0};
        };
    }
    void Resume() {
        {
            const std::lock_guard lock(mutex);
            stalled = false;
        }
        resumed.notify_all();
    }

    class File final : public LogFile {
    public:
        File(MemoryDisk& disk, std::string path) : disk_(disk), path_(std::move(path)) {}
        int Write(std::string_view bytes) override {
            std::unique_lock lock(disk_.mutex);
            disk_.resumed.wait(lock, [this] { return !disk_.stalled; });
            if (++disk_.writes >= disk_.failingWrite && disk_.failingWrite > 0) return ENOSPC;
            disk_.files[path_] += bytes;
            return 0;
        }
        int Sync() override {
            const std::lock_guard lock(disk_.mutex);
            return disk_.syncError;
        }
        int Close() override { return 0; }

    private:
        MemoryDisk& disk_;
        std::string path_;
    };
};

LogIdentity W58Meter() {
    return {.model = "RA03", .version = "2004", .meterNumber = {}, .meterKind = kW58Meter, .measuresHeat = true,
            .port = "COM1", .address = 8, .baudRate = 2400, .parity = 2};
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(test::Utf8Path(path), std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string LastLine(const std::string& text) {
    const std::size_t end = text.rfind("\r\n");
    return text.substr(text.rfind("\r\n", end - 1) + 2, end - text.rfind("\r\n", end - 1) - 2);
}

TEST(LogText, FieldsAndNumbersReadBackAsTheMeterSentThem) {
    const std::vector<std::pair<std::string_view, std::string_view>> fields = {
        {"RA03", "RA03"}, {"a,b", "\"a,b\""}, {"say \"hi\"", "\"say \"\"hi\"\"\""}, {"two\nlines", "\"two\nlines\""}};
    for (const auto& [text, field] : fields) EXPECT_EQ(CsvField(text), field);

    for (const float value : {12.5F, 0.1F, 45.678F, 1e-7F, -0.0F, 3.4028235e38F, 1.17549435e-38F, 16777217.0F}) {
        const std::string text = FloatText(value);
        float back = 0;
        std::from_chars(text.data(), text.data() + text.size(), back);
        EXPECT_EQ(std::bit_cast<std::uint32_t>(back), std::bit_cast<std::uint32_t>(value)) << text;
    }
    EXPECT_EQ(FloatText(0.1F), "0.1") << "the shortest text, not the double's 0.10000000149011612";

    const std::vector<std::pair<std::int64_t, std::string_view>> totals = {
        {12005, "12.005"}, {-250, "-0.250"}, {0, "0.000"}, {2147483647999LL, "2147483647.999"}};
    for (const auto& [thousandths, text] : totals) EXPECT_EQ(TotalText(thousandths), text);
}

TEST(LogWriter, WritesTheHeaderAndARowForEveryCycle) {
    const ChinaTime china;
    MemoryDisk disk;
    LogWriter log({.chosenPath = "logs/泵站.csv", .identity = W58Meter(), .startMs = kMarchFirstMs + 50607512,
                   .ended = {}, .makeFile = disk.Maker()});
    CycleSample good = Good(kMarchFirstMs + 50608612, 12.5F);
    good.floats = {12.5F, 0.1F, 45.678F, 1e-7F, 3.4028235e38F, std::numeric_limits<float>::quiet_NaN(), -0.0F};
    good.totals = {12005, -250, 0, 7};
    good.alarmBits = 0x0D;
    // Failed cycles before the first good one are held until it has given the columns their units.
    EXPECT_TRUE(log.Push({.sample = FailedSample(kMarchFirstMs + 50607512), .meterNumber = std::nullopt}));
    EXPECT_TRUE(log.Push({.sample = good, .meterNumber = 12345678}));
    EXPECT_TRUE(log.Push({.sample = FailedSample(kMarchFirstMs + 50609712), .meterNumber = std::nullopt}));
    const LogProgress done = log.StopAndWait();

    EXPECT_EQ(done.files, std::vector<std::string>{"logs/泵站-20250301-001.csv"});
    EXPECT_EQ(done.rows, 3U);
    EXPECT_EQ(done.failure, "");
    EXPECT_EQ(disk.files[done.files[0]],
              "\xEF\xBB\xBF型号,RA03\r\n版本,2004\r\n表号,12345678\r\n仪表类型,W58仪表\r\n串口,COM1\r\n地址,8\r\n"
              "波特率,2400\r\n校验,偶校验\r\nKelvo 版本," + std::string(kKelvoVersion) + "\r\n开始时间,2025-03-01T14:03:27.512+08:00\r\n\r\n"
              "时间,状态,瞬时流量 (m3/h),瞬时流速 (m/s),流量百分比 (%),MT,正向累积 (m3),反向累积 (m3),报警,"
              "瞬时热量 (kW),进温 (℃),出温 (℃),热量累积 (kWh),冷量累积 (kWh)\r\n"
              "2025-03-01T14:03:27.512+08:00,通讯中断,,,,,,,,,,,,\r\n"
              "2025-03-01T14:03:28.612+08:00,,12.5,0.1,45.678,1e-07,12.005,-0.250,系统;上限;下限;,3.4028235e+38,nan,-0,"
              "0.000,0.007\r\n"
              "2025-03-01T14:03:29.712+08:00,通讯中断,,,,,,,,,,,,\r\n");
}

TEST(LogWriter, BeginsAFileAtMidnightAndAtAUnitChangeNeverOverAnExistingOne) {
    const ChinaTime china;
    const test::TempSettings folder;  // a Chinese folder name on Windows
    const std::string stem = folder.ConfigHome() + test::kPathSeparator + "泵站";
    std::ofstream(test::Utf8Path(stem + "-20250301-001.csv"), std::ios::binary) << "kept";

    LogWriter log({.chosenPath = stem + ".CSV", .identity = W58Meter(), .startMs = kMarchFirstMs - 500, .ended = {}});
    for (const CycleSample& sample : {Good(kMarchFirstMs - 500, 1.0F), Good(kMarchFirstMs + 250, 2.0F),
                                      Good(kMarchFirstMs + 1250, 3.0F, 0, 0), FailedSample(kMarchFirstMs + 2250)}) {
        ASSERT_TRUE(log.Push({.sample = sample, .meterNumber = std::nullopt}));
    }
    const LogProgress done = log.StopAndWait();

    ASSERT_EQ(done.files, (std::vector<std::string>{stem + "-20250228-001.csv", stem + "-20250301-002.csv",
                                                    stem + "-20250301-003.csv"}));
    EXPECT_EQ(ReadFile(stem + "-20250301-001.csv"), "kept");
    const std::vector<std::pair<std::string_view, std::string_view>> lastTwo = {
        {"瞬时流量 (m3/h)", "2025-02-28T23:59:59.500+08:00,,1,"},
        {"瞬时流量 (m3/h)", "2025-03-01T00:00:00.250+08:00,,2,"},
        {"瞬时流量 (L/s)", "2025-03-01T00:00:02.250+08:00,通讯中断,"},
    };
    for (std::size_t i = 0; i < done.files.size(); ++i) {
        const std::string text = ReadFile(done.files[i]);
        EXPECT_NE(text.find(lastTwo[i].first), std::string::npos) << done.files[i];
        EXPECT_EQ(LastLine(text).rfind(lastTwo[i].second, 0), 0U) << LastLine(text);
    }
}

TEST(LogWriter, AFailingDiskStopsTheLogAndKeepsWhatWasWritten) {
    struct Case {
        const char* what;
        std::function<void(MemoryDisk&)> arrange;
        std::string failure;
        std::optional<std::uint64_t> rows;  // none: as many as the stalled disk took
        std::size_t queueRows = 64;
    };
    const std::vector<Case> cases = {
        // The header, the first row, then the second row finds the disk full.
        {"full after the first row", [](MemoryDisk& disk) { disk.failingWrite = 3; }, "磁盘已满（或超出了配额）。", 1},
        {"the drive removed", [](MemoryDisk& disk) { disk.syncError = EIO; }, "写入时出错，磁盘或驱动器可能已被移除。",
         10},
        {"a disk that stops answering", [](MemoryDisk& disk) { disk.stalled = true; },
         "磁盘长时间没有写完，记录跟不上轮询。", std::nullopt, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const ChinaTime china;
        MemoryDisk disk;
        c.arrange(disk);
        std::vector<LogProgress> ended;  // written by the writer's thread before it ends
        LogWriter log({.chosenPath = "x.csv", .identity = W58Meter(), .startMs = kMarchFirstMs,
                       .ended = [&ended](const LogProgress& last) { ended.push_back(last); },
                       .makeFile = disk.Maker(), .queueRows = c.queueRows,
                       .syncDelay = std::chrono::hours(1)});  // flushed when it stops
        for (int i = 0; i < 10; ++i) {
            if (!log.Push({.sample = Good(kMarchFirstMs + 1000 * i, 1.0F), .meterNumber = std::nullopt})) break;
        }
        disk.Resume();
        const LogProgress done = log.StopAndWait();

        EXPECT_EQ(done.failure, c.failure);
        ASSERT_EQ(ended.size(), 1U);
        EXPECT_EQ(ended[0].failure, c.failure);
        EXPECT_FALSE(log.Push({.sample = Good(kMarchFirstMs + 20000, 1.0F), .meterNumber = std::nullopt}));
        if (c.rows) {
            EXPECT_EQ(done.rows, *c.rows);
            EXPECT_EQ(LastLine(disk.files["x-20250301-001.csv"]),
                      "2025-03-01T00:00:0" + std::to_string(*c.rows - 1) +
                          ".000+08:00,,1,0,0,0,0.000,0.000,,0,0,0,0.000,0.000");
        }
    }
}

}  // namespace
}  // namespace kelvo
