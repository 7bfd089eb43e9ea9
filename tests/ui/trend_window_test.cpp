// The trend window over a history the test writes: what it draws for the values ticked, a
// gap and a unit change left open, the cursor's reading, the statistics, and the files
// "保存图片" and "导出数据" write.

#include <QCheckBox>
#include <QDateTime>
#include <QFile>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

#include "history/cycle_recorder.h"
#include "settings/settings.h"
#include "support/scripted_prompter.h"
#include "ui/trend/trend_chart.h"
#include "ui/trend/trend_window.h"
#include "ui_test_support.h"

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

QString Clock(std::int64_t timeMs) { return QDateTime::fromMSecsSinceEpoch(timeMs).toString("yyyy-MM-dd HH:mm:ss.zzz"); }

}  // namespace

class TrendWindowTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        recorder_.emplace(store_);
        recorder_->Begin({.model = "RA03", .version = "2004", .meterNumber = {}, .meterKind = kW58Meter,
                          .measuresHeat = true, .port = "COM1", .address = 8, .baudRate = 2400, .parity = 2});
        WriteMinute(store_);
        window_.emplace(store_, *recorder_, nullptr, nullptr, prompter_);
        window_->resize(1000, 650);
        window_->show();
        QVERIFY(QTest::qWaitForWindowExposed(&*window_));
        window_->ShowSpan({.fromMs = kStartMs, .toMs = kStartMs + 60000});
    }
    void cleanup() {
        window_.reset();
        recorder_.reset();
    }

    void tickedValuesAreDrawnInPiecesThatLeaveTheGapAndTheUnitChangeOpen() {
        QVERIFY(window_->findChild<QCheckBox*>("trendSeries_heat_power")->isVisible());
        QCOMPARE(window_->Chart().Pieces(SeriesId::Flow), 3);
        QCOMPARE(window_->Chart().Pieces(SeriesId::Velocity), 0);
        QVERIFY(window_->Chart().AxisTitle("m3/h").startsWith("m3/h（"));
        QVERIFY(window_->Chart().AxisTitle("L/s").startsWith("L/s（"));

        window_->findChild<QCheckBox*>("trendSeries_flow")->click();
        window_->findChild<QCheckBox*>("trendSeries_velocity")->click();
        QCOMPARE(window_->Chart().Pieces(SeriesId::Flow), 0);
        // Its unit never changed: the gap alone splits it.
        QCOMPARE(window_->Chart().Pieces(SeriesId::Velocity), 2);
        QCOMPARE(window_->Chart().AxisTitle("m/s"), QString("m/s"));
    }

    void theCursorReadsOffTheCycleUnderIt() {
        window_->SetShown(SeriesId::Velocity, true);
        window_->PlaceCursor(kStartMs + 10'300);
        QCOMPARE(window_->CursorText(), Clock(kStartMs + 10'000) + "  瞬时流量 5 m3/h  瞬时流速 0.25 m/s");
        window_->PlaceCursor(kStartMs + 22'000);
        QCOMPARE(window_->CursorText(), Clock(kStartMs + 22'000) + "  通讯中断");
        window_->PlaceCursor(kStartMs + 45'000);
        QCOMPARE(window_->CursorText(), Clock(kStartMs + 45'000) + "  瞬时流量 22.5 L/s  瞬时流速 0.25 m/s");

        const auto* table = window_->findChild<QTableWidget*>("trendStatistics");
        QCOMPARE(table->rowCount(), 3);  // the flow in each of its units, the velocity
        const QStringList flowInM3h = {"瞬时流量 (m3/h)（单位有变）", "35", "0", "19.5", "9.571429", "6.233"};
        for (int column = 0; column < 6; ++column) QCOMPARE(table->item(0, column)->text(), flowInM3h[column]);
    }

    void savesThePictureAndExportsTheSpanInView() {
        QTemporaryDir folder;
        QSignalSpy written(&*window_, &CTrendWindow::written);
        window_->SavePicture(folder.filePath("trend.png"));
        QVERIFY(written.wait(10000));
        window_->ExportData(folder.filePath("trend.csv"));
        QVERIFY(written.wait(10000));
        QCOMPARE(written.count(), 2);
        QVERIFY(written.at(0).at(0).toBool() && written.at(1).at(0).toBool());

        QFile picture(folder.filePath("trend.png"));
        QVERIFY(picture.open(QIODevice::ReadOnly));
        QCOMPARE(picture.read(4), QByteArray("\x89PNG"));
        QFile data(folder.filePath("trend.csv"));
        QVERIFY(data.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(data.readAll());
        QVERIFY(text.startsWith(QString::fromUtf8("\xEF\xBB\xBF型号,RA03\r\n")));
        QCOMPARE(text.count("通讯中断"), 5);
        QCOMPARE(text.count("\r\n时间,状态,"), 2);  // a title row for each unit
        QVERIFY(text.contains(",,22.5,0.25,") && text.contains("瞬时流量 (L/s)"));
        QVERIFY(prompter_.Entries().empty());
    }

private:
    HistoryStore store_;
    std::optional<CycleRecorder> recorder_;
    test::ScriptedPrompter prompter_;
    std::optional<CTrendWindow> window_;
};

}  // namespace kelvo

KELVO_UI_TEST_MAIN(kelvo::TrendWindowTest)
#include "trend_window_test.moc"
