// SPDX-License-Identifier: GPL-3.0-or-later
// Commissioning records as a technician uses them, with the main window and a simulated
// W58 meter: back up, change three parameters on the meter, compare (three differences),
// restore, compare again (none), and print the report.
//
// GoogleTest rather than QtTest: the line's worker and the simulated meter run threads the
// thread sanitizer must see.

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QTableWidget>
#include <QTest>

#include <cstdio>
#include <fstream>
#include <functional>
#include <mutex>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>

#include "link/stop_event.h"
#include "records/meter_record.h"
#include "settings/settings.h"
#include "sim/meter_simulator.h"
#include "support/scripted_prompter.h"
#include "support/temp_settings.h"
#include "ui/main/kelvo_dlg.h"
#include "ui/records/compare_dlg.h"
#include "ui/records/records_commands.h"
#include "ui/records/restore_dlg.h"
#include "ui_test_support.h"
#include "window_with_meter.h"

namespace kelvo {
namespace {

using test::ScriptedPrompter;
using test::SettingsText;
using test::TempSettings;

constexpr int kWaitMs = 20000;

class Bench : public test::WindowWithMeter {
public:
    Bench() : WindowWithMeter(Options(), SettingsText(kW58Meter)) { StoreSettings(SettingsText(kW58Meter)); }

    static sim::SimOptions Options() {
        sim::SimOptions options;
        options.kind = sim::SimMeterKind::W58;
        options.moveLiveValues = false;
        return options;
    }
    bool Settle() {
        return test::WaitProcessingEvents([this] { return !dlg->property("busy").toBool(); }, kWaitMs);
    }
    std::string File(const char* name) const { return settings.ConfigHome() + "/" + name; }

};

std::string Summary(const CCompareDlg& compare) {
    return compare.findChild<QLabel*>(QStringLiteral("compareSummary"))->text().toStdString();
}

// Differences the dialog lists, by parameter name.
std::vector<std::string> Differing(const CCompareDlg& compare) {
    const auto* table = compare.findChild<QTableWidget*>(QStringLiteral("compareTable"));
    std::vector<std::string> names;
    for (int r = 0; r < table->rowCount(); ++r) {
        if (table->item(r, 5)->text() != QStringLiteral("相同")) names.push_back(table->item(r, 1)->text().toStdString());
    }
    return names;
}

TEST(Records, BackUpChangeCompareRestoreCompareAndReport) {
    Bench bench;
    CRecordsCommands& records = bench.dlg->Records();
    const QString backup = QString::fromStdString(bench.File("backup.ini"));

    records.Backup(backup);
    ASSERT_TRUE(bench.Settle());
    ASSERT_EQ(bench.prompter.Texts(), std::vector<std::string>{"备份成功"}) << bench.prompter.Entries()[0].detail;
    const RecordRead saved = ReadRecord(backup.toStdString());
    ASSERT_TRUE(saved.record.has_value()) << saved.problem;
    EXPECT_EQ(saved.record->model, "RA03");
    EXPECT_EQ(saved.record->Find("flow_range")->value, "20");
    EXPECT_EQ(saved.record->Find("meter_number")->value, "12345678");

    // Three parameters change on the meter, and one that belongs to the meter alone.
    bench.meter.SetReg32(139, 250000);  // flow range 25
    bench.meter.SetReg(142, 9);         // time constant
    bench.meter.SetReg(196, 1);         // alarm enabled
    bench.meter.SetReg(156, 21);        // its address: not restored

    CCompareDlg compare(records);
    compare.SetSources(true, {}, backup);
    bench.prompter.Clear();
    compare.Run();
    ASSERT_TRUE(bench.Settle());
    EXPECT_TRUE(bench.prompter.Texts().empty());
    EXPECT_EQ(Summary(compare), "共 4 处不同");
    EXPECT_EQ(Differing(compare),
              (std::vector<std::string>{"flow_range", "meter_address", "time_constant", "alarm_enabled"}));

    std::vector<std::string> unknown;
    const auto choices = RestoreChoices(*saved.record, {}, unknown);
    bench.prompter.QueueAnswers({true});
    bench.meter.ClearRequests();
    records.Restore(*saved.record, choices);
    ASSERT_TRUE(bench.Settle());
    ASSERT_EQ(bench.prompter.Texts(), (std::vector<std::string>{RestoreQuestion(3), "恢复成功：写入并核对了 3 个参数"}))
        << bench.prompter.Entries().back().detail;
    EXPECT_EQ(bench.meter.Reg32(139), 200000U);
    EXPECT_EQ(bench.meter.Reg(142), 4);
    EXPECT_EQ(bench.meter.Reg(196), 0);
    EXPECT_EQ(bench.meter.Reg(156), 21) << "the meter keeps its own address";

    compare.Run();
    ASSERT_TRUE(bench.Settle());
    EXPECT_EQ(Differing(compare), std::vector<std::string>{"meter_address"});

    // The report: the PDF is there; its text, where a PDF reader is installed, is Chinese.
    const std::string pdf = bench.File("report.pdf");
    bench.prompter.Clear();
    records.Report({.technician = "张工", .site = "一号泵站"}, QString::fromStdString(pdf));
    ASSERT_TRUE(bench.Settle());
    ASSERT_EQ(bench.prompter.Texts(), std::vector<std::string>{"调试报告已生成"});
    std::ifstream file(pdf, std::ios::binary);
    std::string head(4, '\0');
    file.read(head.data(), 4);
    EXPECT_EQ(head, "%PDF");
    if (std::FILE* pipe = popen(("pdftotext -q '" + pdf + "' - 2>/dev/null").c_str(), "r")) {
        std::string text;
        char chunk[4096];
        for (std::size_t n; (n = std::fread(chunk, 1, sizeof chunk, pipe)) > 0;) text.append(chunk, n);
        if (pclose(pipe) == 0) {
            for (const char* expected : {"调试报告", "张工", "一号泵站", "流量量程", "参数对比", "实时数据"}) {
                EXPECT_NE(text.find(expected), std::string::npos) << expected;
            }
        }
    }
}

TEST(Records, ParametersOfOneMeterStartUnticked) {
    Bench bench;
    bench.dlg->Records().Backup(QString::fromStdString(bench.File("backup.ini")));
    ASSERT_TRUE(bench.Settle());
    const RecordRead saved = ReadRecord(bench.File("backup.ini"));
    ASSERT_TRUE(saved.record.has_value());
    CRestoreDlg restore(*saved.record);
    for (const RestoreChoice& choice : restore.Choices()) {
        EXPECT_EQ(choice.selected, !choice.parameter->perMeter) << choice.parameter->name;
    }
    restore.SetTicked("meter_address", true);
    for (const RestoreChoice& choice : restore.Choices()) {
        if (choice.parameter->name == "meter_address") {
            EXPECT_TRUE(choice.selected);
        }
    }
    EXPECT_NE(restore.findChild<QLabel*>(QStringLiteral("restorePerMeter"))->text().indexOf(QStringLiteral("表号")), -1);
}

}  // namespace
}  // namespace kelvo

KELVO_UI_GTEST_MAIN()
