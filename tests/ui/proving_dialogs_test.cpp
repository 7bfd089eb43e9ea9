// SPDX-License-Identifier: GPL-3.0-or-later
// The proving windows of the main window against a simulated meter while it is polled:
// a verification run against the volume that truly flowed, the sensor factor corrected
// (or not) and proved again; a zero watch that fails, the auto zero, and the watch after
// it. The simulated meter's values move only when the test moves them, so every run has
// an exact volume whatever the machine's speed.
//
// GoogleTest rather than QtTest: the polling thread must be visible to the thread sanitizer.

#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>

#include <cmath>
#include <cstdint>
#include <string>

#include "records/meter_record.h"
#include "sim/flow_profile.h"
#include "ui/records/records_commands.h"
#include "ui/proving/verification_dlg.h"
#include "ui/proving/zero_check_dlg.h"
#include "ui_test_support.h"
#include "window_with_meter.h"

namespace kelvo {
namespace {

using test::ScriptedPrompter;

constexpr int kWaitMs = 30000;
constexpr int kSensorFactorReg = 147;
constexpr int kForwardTotalReg = 107;

sim::SimOptions MeterOptions(const char* flow, double trueFactor, double zeroOffset) {
    sim::SimOptions options;
    options.kind = sim::SimMeterKind::Generic;
    options.paceBaud = 57600;
    options.moveLiveValues = false;
    options.flow = sim::ParseFlowProfile(flow).value();
    options.trueFactor = trueFactor;
    options.zeroOffset = zeroOffset;
    return options;
}

class Bench : public test::WindowWithMeter {
public:
    explicit Bench(const sim::SimOptions& options) : WindowWithMeter(options, test::SettingsText(kGenericMeter)) {
        StoreSettings(test::SettingsText(kGenericMeter));
    }

    void Connect() {
        test::ById<QAction>(&*dlg, 32771)->trigger();
        ASSERT_TRUE(test::WaitProcessingEvents([this] { return dlg->IsConnected() && !Busy(); }, kWaitMs));
    }
    bool Busy() const { return dlg->property("busy").toBool(); }
    // A button of a proving window, clicked, and the whole of what it started on the line.
    void Click(QWidget& window, const char* name) {
        auto* button = window.findChild<QPushButton*>(QString::fromLatin1(name));
        ASSERT_NE(button, nullptr) << name;
        ASSERT_TRUE(button->isEnabled()) << name;
        button->click();
        ASSERT_TRUE(test::WaitProcessingEvents([this] { return !Busy(); }, kWaitMs)) << name;
    }
    std::string Text(QWidget& window, const char* name) const {
        auto* label = window.findChild<QLabel*>(QString::fromLatin1(name));
        return label != nullptr ? label->text().toStdString() : "(no " + std::string(name) + ")";
    }
    // The forward total as the meter holds it, in thousandths.
    std::int64_t ForwardTotal() const {
        return std::int64_t{static_cast<std::int32_t>(meter.Reg32(kForwardTotalReg))} * 1000 +
               static_cast<std::int32_t>(meter.Reg32(kForwardTotalReg + 2));
    }
    bool FactorWritten() const {
        for (const auto& frame : meter.Requests()) {
            if (frame.size() > 3 && frame[1] == 0x10 && (frame[2] << 8 | frame[3]) == kSensorFactorReg) return true;
        }
        return false;
    }
};

// One run of `seconds` of the simulated flow, with the volume that truly flowed typed as
// the reference; the meter's own increase of its forward total, in thousandths.
std::int64_t RunOnce(Bench& bench, CVerificationDlg& window, double seconds) {
    bench.Click(window, "startRun");
    const std::int64_t totalBefore = bench.ForwardTotal();
    const double trueBefore = bench.meter.TrueVolume();
    bench.meter.AdvanceLiveValues(seconds);
    bench.Click(window, "endRun");
    const double reference = bench.meter.TrueVolume() - trueBefore;
    window.findChild<QLineEdit*>(QStringLiteral("referenceVolume"))->setText(QString::number(reference, 'f', 3));
    bench.Click(window, "addRun");
    return bench.ForwardTotal() - totalBefore;
}

TEST(ProvingDialogs, AVerificationProposesTheFactorAndWritesItOnlyWhenConfirmed) {
    // 10 m3/h through a sensor whose true factor is 1.02 while the meter holds 1: it reads
    // about 2 % too little. An hour of it is 10 m3, far above the total's resolution.
    const struct {
        bool confirm;
        std::string heldText;  // empty: the factor read back, as the meter holds it
    } kCases[] = {{true, ""}, {false, "未确认，没有写入传感器系数"}};
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.confirm ? "confirmed" : "declined");
        Bench bench(MeterOptions("constant:10", 1.02, 0));
        bench.Connect();
        ASSERT_TRUE(test::ById<QAction>(&*bench.dlg, 32792)->isEnabled());
        test::ById<QAction>(&*bench.dlg, 32792)->trigger();
        CVerificationDlg& window = bench.dlg->Verification();
        ASSERT_TRUE(window.isVisible());
        // Its buttons work as well unseen; a large window drawn offscreen would convert its
        // picture on Qt's own threads, which the thread sanitizer cannot see into.
        window.hide();
        window.findChild<QDoubleSpinBox*>(QStringLiteral("tolerance"))->setValue(0.3);
        EXPECT_NE(bench.settings.ReadIni().find("Tolerance=0.300"), std::string::npos);

        const std::int64_t measured = RunOnce(bench, window, 3600);
        auto* table = window.findChild<QTableWidget*>(QStringLiteral("runs"));
        ASSERT_EQ(table->rowCount(), 1);
        EXPECT_EQ(table->item(0, 0)->text().toStdString(), "修正前");
        EXPECT_EQ(table->item(0, 2)->text().toStdString(), QString::number(measured / 1000.0, 'f', 3).toStdString() + " m3");
        const double error = (measured / 1000.0 - 10.0) / 10.0 * 100.0;
        EXPECT_EQ(table->item(0, 7)->text(), QString::asprintf("%+.3f %%", error));
        EXPECT_EQ(table->item(0, 10)->text(), QString());  // not too short
        EXPECT_NE(bench.Text(window, "runSummary").find("允许误差 ±0.300 %：不合格"), std::string::npos);

        // The proposal: present × reference ÷ measured, in the register's steps.
        const double proposed = std::round(10.0 / (measured / 1000.0) * 1e5) / 1e5;
        // As the page's sensor-factor row shows it: no trailing zeros.
        const QString proposedText = QString::number(proposed, 'g', 12);
        EXPECT_NE(bench.Text(window, "factorProposal").find(proposedText.toStdString()), std::string::npos)
            << bench.Text(window, "factorProposal");
        bench.meter.ClearRequests();
        bench.prompter.Clear();
        bench.prompter.QueueAnswers({c.confirm});
        bench.Click(window, "correctFactor");
        ASSERT_FALSE(bench.prompter.Entries().empty());
        EXPECT_EQ(bench.prompter.Entries()[0].kind, ScriptedPrompter::Kind::Question);
        EXPECT_NE(bench.prompter.Entries()[0].text.find("改为 " + proposedText.toStdString()), std::string::npos);
        EXPECT_EQ(bench.FactorWritten(), c.confirm);

        const std::int32_t held = static_cast<std::int32_t>(bench.meter.Reg32(kSensorFactorReg));
        if (!c.confirm) {
            EXPECT_EQ(held, 100000);
            EXPECT_EQ(bench.Text(window, "factorHeld"), c.heldText);
            EXPECT_FALSE(bench.dlg->Proving().factor);
            continue;
        }
        EXPECT_EQ(held, std::llround(proposed * 1e5));
        EXPECT_EQ(bench.Text(window, "factorHeld"), "仪表现在的传感器系数：" + proposedText.toStdString() + "（读回）");
        ASSERT_EQ(bench.prompter.Entries().size(), 2u);
        EXPECT_EQ(bench.prompter.Entries()[1].text, "传感器系数已由 1 改为 " + proposedText.toStdString() + "（仪表读回）");

        // As left: from its next reading on, the meter reads within the tolerance.
        bench.meter.AdvanceLiveValues(1);
        RunOnce(bench, window, 3600);
        ASSERT_EQ(table->rowCount(), 2);
        EXPECT_EQ(table->item(1, 0)->text().toStdString(), "修正后");
        EXPECT_LT(std::fabs(bench.dlg->Proving().runsAsLeft.at(0).run.errorPercent), 0.05);
        const std::string summary = bench.Text(window, "runSummary");
        EXPECT_NE(summary.find("修正后 1 次"), std::string::npos) << summary;
        EXPECT_EQ(summary.substr(summary.size() - std::string("：合格").size()), "：合格") << summary;

        const ProvingRecord& record = bench.dlg->Proving();
        EXPECT_EQ(record.runsAsFound.size(), 1u);
        EXPECT_EQ(record.runsAsLeft.size(), 1u);
        ASSERT_TRUE(record.factor);
        EXPECT_EQ(record.factor->beforeText, "1");
        EXPECT_EQ(record.factor->afterText, proposedText.toStdString());

        // The record file of the visit carries them, written once disconnected.
        test::ById<QAction>(&*bench.dlg, 32772)->trigger();
        const std::string path = bench.settings.ConfigHome() + "/backup.ini";
        bench.dlg->Records().Backup(QString::fromStdString(path));
        ASSERT_TRUE(test::WaitProcessingEvents([&] { return !bench.Busy(); }, kWaitMs));
        const RecordRead written = ReadRecord(path);
        ASSERT_TRUE(written.record && written.record->proving) << written.problem;
        EXPECT_EQ(*written.record->proving, record);
    }
}

TEST(ProvingDialogs, AZeroOffsetFailsTheZeroUntilTheAutoZero) {
    // Nothing flows, and the meter reads 0.5 m3/h of it: beyond 0.5 % of any range it has.
    Bench bench(MeterOptions("constant:0", 1.0, 0.5));
    bench.Connect();
    test::ById<QAction>(&*bench.dlg, 32791)->trigger();
    CZeroCheckDlg& window = bench.dlg->ZeroCheck();
    ASSERT_TRUE(window.isVisible());
    window.hide();
    window.findChild<QSpinBox*>(QStringLiteral("zeroSeconds"))->setValue(8);
    EXPECT_NE(bench.settings.ReadIni().find("ZeroSeconds=8"), std::string::npos);

    const auto watch = [&] {
        bench.prompter.QueueAnswers({true});
        bench.Click(window, "startZeroCheck");
        ASSERT_TRUE(window.Watching());
        ASSERT_TRUE(test::WaitProcessingEvents([&] { return !window.Watching(); }, kWaitMs));
    };
    watch();
    const ProvingRecord& record = bench.dlg->Proving();
    ASSERT_TRUE(record.zeroAsFound);
    EXPECT_EQ(record.zeroAsFound->check.verdict, ZeroVerdict::Fail) << record.zeroAsFound->check.reason;
    EXPECT_EQ(record.zeroAsFound->check.statistics.mean, 0.5);
    EXPECT_EQ(bench.Text(window, "zeroVerdict").rfind("不合格：", 0), 0u) << bench.Text(window, "zeroVerdict");

    bench.prompter.Clear();
    bench.prompter.QueueAnswers({true});
    bench.Click(window, "autoZero");
    EXPECT_EQ(bench.prompter.Texts(), (std::vector<std::string>{"请确认阀门是否关闭？", "下传成功"}));
    EXPECT_EQ(bench.meter.CommandLog(), std::vector<std::string>{"auto zero"});
    bench.meter.AdvanceLiveValues(1);  // the meter's next reading takes its new zero

    watch();
    ASSERT_TRUE(record.zeroAsLeft);
    EXPECT_EQ(record.zeroAsLeft->check.verdict, ZeroVerdict::Pass) << record.zeroAsLeft->check.reason;
    EXPECT_EQ(record.zeroAsLeft->check.statistics.mean, 0.0);
    EXPECT_EQ(bench.Text(window, "zeroAsFound").rfind("不合格", 0), 0u);
    EXPECT_EQ(bench.Text(window, "zeroAsLeft").rfind("合格", 0), 0u);
}

}  // namespace
}  // namespace kelvo

KELVO_UI_GTEST_MAIN()
