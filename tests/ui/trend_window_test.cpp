// SPDX-License-Identifier: GPL-3.0-or-later
// The trend window over a history the test writes: what it draws for the values ticked, a
// gap and a unit change left open, the cursor's reading, the statistics, and the files
// "保存图片" and "导出数据" write.
//
// GoogleTest rather than QtTest: the picture and the export are written on a thread of the
// window's own, which the thread sanitizer checks, and QtTest's watchdog thread is not
// visible to it.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDateTime>
#include <QFile>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

#include <optional>

#include "history/cycle_recorder.h"
#include "settings/settings.h"
#include "support/scripted_prompter.h"
#include "ui/trend/trend_axes.h"
#include "ui/trend/trend_chart.h"
#include "ui/trend/trend_window.h"
#include "ui_test_support.h"

#if defined(__SANITIZE_THREAD__)
// Qt's raster engine fills a large area in stripes on the threads of Qt's pool, which take
// their work and hand it back through Qt's own uninstrumented locks: the thread sanitizer
// sees a stripe's job made on one thread and freed on another with nothing between them. So
// what Qt itself allocates, copies and frees is left out of its view; every access of the
// window's own code, on its threads and the writer's, is still watched.
extern "C" const char* __tsan_default_suppressions() {
    return "called_from_lib:libQt6Core.so.6\ncalled_from_lib:libQt6Gui.so.6\n";
}
#endif

namespace kelvo {
namespace {

constexpr std::int64_t kStartMs = 1740801600000;  // 2025-03-01T04:00:00Z

// A minute of cycles, one a second: flow i/2 m3/h, then failed cycles 20–24, and from cycle
// 40 on the flow in L/s.
void WriteMinute(HistoryStore& store) {
    for (int i = 0; i < 60; ++i) {
        const std::int64_t timeMs = kStartMs + 1000LL * i;
        CycleSample sample = FailedSample(timeMs);
        if (i < 20 || i >= 25) {
            sample.outcome = CycleOutcome::Good;
            sample.floats[0] = 0.5F * static_cast<float>(i);
            sample.floats[1] = 0.25F;
            sample.volumeUnit = i < 40 ? 1 : 0;
            sample.timeUnit = i < 40 ? 2 : 0;
        }
        store.Append(sample, timeMs);
    }
}

std::string Clock(std::int64_t timeMs) {
    return QDateTime::fromMSecsSinceEpoch(timeMs).toString("yyyy-MM-dd HH:mm:ss.zzz").toStdString();
}

class TrendWindowTest : public ::testing::Test {
protected:
    TrendWindowTest() {
        recorder_.Begin({.model = "RA03", .version = "2004", .meterNumber = {}, .meterKind = kW58Meter,
                         .measuresHeat = true, .port = "COM1", .address = 8, .baudRate = 2400, .parity = 2});
        WriteMinute(store_);
        window_.emplace(store_, recorder_, nullptr, nullptr, prompter_);
        window_->resize(1000, 650);
        window_->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&*window_));
        window_->ShowSpan({.fromMs = kStartMs, .toMs = kStartMs + 60000});
    }
    const TrendChart& Chart() const { return window_->Chart(); }
    void Tick(const char* name) { window_->findChild<QCheckBox*>(QString("trendSeries_") + name)->click(); }

    HistoryStore store_;
    CycleRecorder recorder_{store_};
    test::ScriptedPrompter prompter_;
    std::optional<CTrendWindow> window_;
};

TEST_F(TrendWindowTest, TickedValuesAreDrawnInPiecesThatLeaveTheGapAndTheUnitChangeOpen) {
    EXPECT_TRUE(window_->findChild<QCheckBox*>("trendSeries_heat_power")->isVisible()) << "a heat meter";
    EXPECT_EQ(Chart().Pieces(SeriesId::Flow), 3);
    EXPECT_EQ(Chart().Pieces(SeriesId::Velocity), 0);
    EXPECT_TRUE(Chart().AxisTitle("m3/h").startsWith("m3/h（")) << Chart().AxisTitle("m3/h").toStdString();
    EXPECT_TRUE(Chart().AxisTitle("L/s").startsWith("L/s（")) << Chart().AxisTitle("L/s").toStdString();

    Tick("flow");
    Tick("velocity");
    EXPECT_EQ(Chart().Pieces(SeriesId::Flow), 0);
    EXPECT_EQ(Chart().Pieces(SeriesId::Velocity), 2) << "its unit never changed: the gap alone splits it";
    EXPECT_EQ(Chart().AxisTitle("m/s"), "m/s");
}

TEST_F(TrendWindowTest, TheCursorReadsOffTheCycleUnderIt) {
    Tick("velocity");
    const std::vector<std::pair<std::int64_t, std::string>> readings = {
        {kStartMs + 10'300, Clock(kStartMs + 10'000) + "  瞬时流量 5 m3/h  瞬时流速 0.25 m/s"},
        {kStartMs + 22'000, Clock(kStartMs + 22'000) + "  通讯中断"},
        {kStartMs + 45'000, Clock(kStartMs + 45'000) + "  瞬时流量 22.5 L/s  瞬时流速 0.25 m/s"},
    };
    for (const auto& [timeMs, text] : readings) {
        window_->PlaceCursor(timeMs);
        EXPECT_EQ(window_->CursorText().toStdString(), text);
    }

    const auto* table = window_->findChild<QTableWidget*>("trendStatistics");
    ASSERT_EQ(table->rowCount(), 3) << "the flow in each of its units, the velocity";
    const QStringList flowInM3h = {"瞬时流量 (m3/h)（单位有变）", "35", "0", "19.5", "9.571429", "6.233"};
    for (int column = 0; column < 6; ++column) EXPECT_EQ(table->item(0, column)->text(), flowInM3h[column]);
}

TEST_F(TrendWindowTest, SavesThePictureAndExportsTheSpanInView) {
    QTemporaryDir folder;
    QSignalSpy written(&*window_, &CTrendWindow::written);
    window_->SavePicture(folder.filePath("trend.png"));
    ASSERT_TRUE(written.wait(10000));
    window_->ExportData(folder.filePath("trend.csv"));
    ASSERT_TRUE(written.wait(10000));
    ASSERT_EQ(written.count(), 2);
    EXPECT_TRUE(written.at(0).at(0).toBool() && written.at(1).at(0).toBool());

    QFile picture(folder.filePath("trend.png"));
    ASSERT_TRUE(picture.open(QIODevice::ReadOnly));
    EXPECT_EQ(picture.read(4), QByteArray("\x89PNG"));
    QFile data(folder.filePath("trend.csv"));
    ASSERT_TRUE(data.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(data.readAll());
    EXPECT_TRUE(text.startsWith(QString::fromUtf8("\xEF\xBB\xBF型号,RA03\r\n")));
    EXPECT_EQ(text.count("通讯中断"), 5);
    EXPECT_EQ(text.count("\r\n时间,状态,"), 2) << "a title row for each unit";
    EXPECT_TRUE(text.contains(",,22.5,0.25,") && text.contains("瞬时流量 (L/s)"));
    EXPECT_TRUE(prompter_.Entries().empty());
}

// The time axis in local clock time: round times of the clock, and the date on every label
// once the span reaches over midnight (a span that ends at midnight does not).
TEST(TrendTimeAxis, TicksAroundMidnight) {
    const auto local = [](int day, const char* clock) {
        return QDateTime(QDate(2025, 1, day), QTime::fromString(QString::fromLatin1(clock), "HH:mm:ss"))
            .toMSecsSinceEpoch();
    };
    struct Case {
        TimeSpan span;
        std::int64_t stepMs;
        std::vector<std::string> labels;
    };
    const std::vector<Case> cases = {
        {{local(15, "23:59:30"), local(16, "00:00:30")}, 15'000,
         {"01-15 23:59:30", "01-15 23:59:45", "01-16 00:00:00", "01-16 00:00:15", "01-16 00:00:30"}},
        {{local(15, "22:10:00"), local(16, "02:00:00")}, 3'600'000,
         {"01-15 23:00", "01-16 00:00", "01-16 01:00", "01-16 02:00"}},
        {{local(15, "23:00:00"), local(16, "00:00:00")}, 1'800'000, {"23:00", "23:30", "00:00"}},
        {{local(15, "10:00:05"), local(15, "10:01:05")}, 20'000, {"10:00:20", "10:00:40", "10:01:00"}},
        {{local(14, "12:00:00"), local(17, "12:00:00")}, 86'400'000, {"01-15", "01-16", "01-17"}},
    };
    for (const Case& c : cases) {
        std::vector<std::string> labels;
        for (const TimeTick& tick : TimeTicks(c.span, c.stepMs)) labels.push_back(tick.label.toStdString());
        EXPECT_EQ(labels, c.labels) << c.labels.front();
    }
}

}  // namespace
}  // namespace kelvo

KELVO_UI_GTEST_MAIN()
