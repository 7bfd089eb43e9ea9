// SPDX-License-Identifier: GPL-3.0-or-later
// Finding a meter that does not answer, as a technician does it: the traffic monitor
// open beside the main window, a connect that fails, "搜索仪表" finding the simulated meter
// at address 17 and 4800 baud, "使用此设置", and a connect that works. Also the monitor's
// own buttons, a cancelled search and the commands' states.
//
// GoogleTest rather than QtTest, as main_window_connection_test: the search and the
// polling run threads that the thread sanitizer checks.

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

#include <chrono>
#include <clocale>
#include <fstream>
#include <functional>
#include <mutex>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>

#include "link/serial_port.h"
#include "messages/failure_text.h"
#include "messages/prompter.h"
#include "link/stop_event.h"
#include "settings/settings.h"
#include "sim/meter_simulator.h"
#include "support/scripted_prompter.h"
#include "support/temp_settings.h"
#include "ui/dialogs/meter_search_dlg.h"
#include "ui/dialogs/traffic_monitor_dlg.h"
#include "ui/main/kelvo_dlg.h"
#include "ui_test_support.h"
#include "window_with_meter.h"

namespace kelvo {
namespace {

using test::ById;
using test::ScriptedPrompter;
using test::SettingsText;
using test::TempSettings;

constexpr int kWaitMs = 20000;
constexpr int kSearchCommand = 32779;
constexpr int kMonitorCommand = 32780;

bool WaitUntil(const std::function<bool()>& done, int timeoutMs = kWaitMs) {
    return test::WaitProcessingEvents(done, timeoutMs);
}

template <class T>
T* Named(const QObject* root, const char* name) {
    return root->findChild<T*>(QString::fromLatin1(name));
}

// A generic main window over a private settings folder whose stored settings (address 8,
// 57600 baud) are wrong for the simulated meter on COM1 (address 17, only 4800 baud).
class Bench : public test::WindowWithMeter {
public:
    Bench() : WindowWithMeter(Options(), SettingsText(kGenericMeter)) {}

    static sim::SimOptions Options() {
        sim::SimOptions options;
        options.kind = sim::SimMeterKind::Generic;
        options.address = 17;
        options.onlyBaud = 4800;
        options.moveLiveValues = false;
        return options;
    }

    // A command and its whole outcome (the window is busy until it is there).
    void Trigger(int command) {
        ById<QAction>(&*dlg, command)->trigger();
        ASSERT_TRUE(WaitUntil([this] { return !dlg->property("busy").toBool(); }));
    }
    bool Enabled(int command) const { return ById<QAction>(&*dlg, command)->isEnabled(); }
    // Shown as the menu entry shows it, but never drawn: Qt draws large windows on threads
    // of its own, which the thread sanitizer cannot see into.
    CTrafficMonitorDlg& Monitor() {
        dlg->TrafficMonitor().setUpdatesEnabled(false);
        Trigger(kMonitorCommand);
        return dlg->TrafficMonitor();
    }
    std::string MonitorText() {
        return Named<QPlainTextEdit>(&dlg->TrafficMonitor(), "trafficView")->toPlainText().toStdString();
    }
    static bool PortIsFree() {
        CSerialPort port;
        return port.Open("COM1", 57600, 0) == PortError::None;
    }

};

// The search dialog driven through its controls.
struct SearchDialog {
    explicit SearchDialog(Bench& bench) : dlg(bench.prompter, bench.dlg->Line(), &*bench.dlg) {}

    void Start(const char* addresses, int turnaroundMs) {
        Named<QLineEdit>(&dlg, "searchAddresses")->setText(QString::fromLatin1(addresses));
        Named<QSpinBox>(&dlg, "searchTurnaround")->setValue(turnaroundMs);
        Named<QPushButton>(&dlg, "searchStart")->click();
    }
    std::string Status() const { return Named<QLabel>(&dlg, "searchStatus")->text().toStdString(); }
    std::string Estimate() const { return Named<QLabel>(&dlg, "searchEstimate")->text().toStdString(); }
    QTableWidget* Results() const { return Named<QTableWidget>(&dlg, "searchResults"); }
    std::string Cell(int row, int column) const { return Results()->item(row, column)->text().toStdString(); }

    CMeterSearchDlg dlg;
};

TEST(SearchAndMonitor, FindTheMeterUseItsSettingsAndConnect) {
    Bench bench;
    CTrafficMonitorDlg& monitor = bench.Monitor();
    ASSERT_TRUE(monitor.isVisible());
    ASSERT_TRUE(bench.dlg->Traffic().Capturing());

    bench.Trigger(32771);
    ASSERT_FALSE(bench.dlg->IsConnected());
    EXPECT_EQ(bench.prompter.Texts(), std::vector<std::string>{std::string(kReadIdentificationFailedText)});
    EXPECT_TRUE(WaitUntil([&] { return bench.MonitorText().find("无应答") != std::string::npos; }));

    {
        SearchDialog search(bench);
        search.Start("15-20", 20);
        ASSERT_TRUE(search.dlg.Searching());
        EXPECT_FALSE(Named<QPushButton>(&search.dlg, "searchStart")->isEnabled());
        ASSERT_TRUE(WaitUntil([&] { search.dlg.Poll(); return !search.dlg.Searching(); }));
        EXPECT_EQ(search.Status(), "搜索完成：找到 1 台仪表。");
        ASSERT_EQ(search.Results()->rowCount(), 1);
        EXPECT_EQ(search.Cell(0, 0), "17");
        EXPECT_EQ(search.Cell(0, 1), "4800");
        EXPECT_EQ(search.Cell(0, 2), "无校验");
        EXPECT_EQ(search.Cell(0, 3), "RA03");
        EXPECT_EQ(search.Cell(0, 4), "2004");
        Named<QPushButton>(&search.dlg, "searchUse")->click();
        EXPECT_EQ(search.dlg.result(), QDialog::Accepted);
    }
    const SerialSettings stored = LoadSerialSettings();
    EXPECT_EQ(stored.portName, "COM1");
    EXPECT_EQ(stored.address, 17);
    EXPECT_EQ(stored.baudRate, 4800);
    EXPECT_EQ(stored.parity, 0);
    EXPECT_EQ(stored.byteOrderMode, 1) << "the byte order stays as stored";

    bench.Trigger(32771);
    ASSERT_TRUE(bench.dlg->IsConnected()) << testing::PrintToString(bench.prompter.Texts());
    ASSERT_TRUE(WaitUntil([&] { return bench.MonitorText().find("应答 118 字节") != std::string::npos; }));
    const std::string traffic = bench.MonitorText();
    const auto failedTry = traffic.find("[搜索]  无应答");
    const auto found = traffic.find("[搜索]  仪表标识 型号 RA03 版本 2004  11 41 00 08");
    const auto polled = traffic.find("[轮询]  应答 118 字节  11 04 76");
    EXPECT_NE(failedTry, std::string::npos) << traffic;
    EXPECT_LT(failedTry, found);
    EXPECT_LT(found, polled);
    bench.Trigger(32772);
}

TEST(SearchAndMonitor, ACancelledSearchLeavesThePortFree) {
    Bench bench;
    SearchDialog search(bench);
    EXPECT_NE(search.Estimate().find("共 5187 次尝试"), std::string::npos) << search.Estimate();
    search.Start("", 100);
    ASSERT_TRUE(WaitUntil([&] { return search.Status().starts_with("正在尝试"); }));
    EXPECT_FALSE(Bench::PortIsFree());
    Named<QPushButton>(&search.dlg, "searchCancel")->click();
    EXPECT_FALSE(search.dlg.Searching());
    EXPECT_EQ(search.Status(), "搜索已取消。");
    EXPECT_TRUE(Bench::PortIsFree());
    EXPECT_TRUE(Named<QPushButton>(&search.dlg, "searchStart")->isEnabled());
    EXPECT_TRUE(bench.prompter.Texts().empty());
}

TEST(SearchAndMonitor, ARangeThatDoesNotParseCannotStartAndAMissingPortIsReported) {
    Bench bench;
    SearchDialog search(bench);
    Named<QLineEdit>(&search.dlg, "searchAddresses")->setText(QStringLiteral("300"));
    EXPECT_FALSE(Named<QPushButton>(&search.dlg, "searchStart")->isEnabled());
    EXPECT_NE(search.Estimate().find("地址范围应为"), std::string::npos);

    bench.settings.MapPort("COM1", bench.settings.ConfigHome() + "/no-such-device");
    search.Start("17", 20);
    ASSERT_TRUE(WaitUntil([&] { search.dlg.Poll(); return !search.dlg.Searching(); }));
    ASSERT_EQ(bench.prompter.Entries().size(), 1U);
    EXPECT_EQ(bench.prompter.Entries()[0].text, kOpenPortFailedText);
    EXPECT_EQ(bench.prompter.Entries()[0].detail, PortErrorText(PortError::NoSuchDevice));
}

TEST(SearchAndMonitor, TheMonitorsButtonsAndWhatItCostsWhenClosed) {
    Bench bench;
    CTrafficMonitorDlg& monitor = bench.Monitor();
    bench.Trigger(32771);  // two frames: the identification and its wait that ran out
    ASSERT_TRUE(WaitUntil([&] { return bench.MonitorText().find("无应答") != std::string::npos; }));
    auto* counters = Named<QLabel>(&monitor, "trafficCounters");
    EXPECT_EQ(counters->text().toStdString(), "请求 1  正确应答 0  无应答 1  CRC错误 0  异常应答 0  其他错误 0");

    const std::string path = bench.settings.ConfigHome() + "/traffic.txt";
    ASSERT_TRUE(monitor.SaveTo(QString::fromStdString(path)));
    std::stringstream saved;
    saved << std::ifstream(path).rdbuf();
    EXPECT_EQ(saved.str(), bench.MonitorText() + "\n" + counters->text().toStdString() + "\n");

    Named<QPushButton>(&monitor, "trafficPause")->click();
    bench.Trigger(32771);
    monitor.Refresh();
    EXPECT_EQ(bench.MonitorText().find("无应答"), bench.MonitorText().rfind("无应答")) << "paused: nothing new shown";
    Named<QPushButton>(&monitor, "trafficPause")->click();
    EXPECT_NE(bench.MonitorText().find("无应答"), bench.MonitorText().rfind("无应答")) << "resumed: the pause's frames follow";

    Named<QPushButton>(&monitor, "trafficClear")->click();
    EXPECT_EQ(bench.MonitorText(), "");
    EXPECT_TRUE(counters->text().startsWith(QStringLiteral("请求 0")));

    Named<QPushButton>(&monitor, "trafficClose")->click();
    EXPECT_FALSE(bench.dlg->Traffic().Capturing());
    const std::uint64_t end = bench.dlg->Traffic().End();
    bench.Trigger(32771);
    EXPECT_EQ(bench.dlg->Traffic().End(), end) << "nothing is logged while the window is closed";
}

TEST(SearchAndMonitor, SearchOnlyWhileNotConnectedMonitorAlways) {
    Bench bench;
    std::string rightSettings = SettingsText(kGenericMeter, 4800);
    rightSettings.replace(rightSettings.find("Addr=8"), 6, "Addr=17");
    bench.settings.WriteIni(rightSettings);
    bench.dlg->Line().UseSettings(LoadSerialSettings());  // as a save in the program leaves them
    EXPECT_TRUE(bench.Enabled(kSearchCommand));
    EXPECT_TRUE(bench.Enabled(kMonitorCommand));

    // The menu entry opens the search, modal to the main window only.
    std::string opened;
    Qt::WindowModality modality = Qt::NonModal;
    QTimer::singleShot(0, [&] {
        QWidget* dialog = QApplication::activeModalWidget();
        opened = dialog != nullptr ? dialog->objectName().toStdString() : "";
        if (dialog != nullptr) modality = dialog->windowModality();
        if (dialog != nullptr) QMetaObject::invokeMethod(dialog, "reject");
    });
    bench.Trigger(kSearchCommand);
    EXPECT_EQ(opened, "meterSearch");
    EXPECT_EQ(modality, Qt::WindowModal);

    bench.Trigger(32771);
    ASSERT_TRUE(bench.dlg->IsConnected()) << testing::PrintToString(bench.prompter.Texts());
    bench.dlg->UpdateCommandStates();
    EXPECT_FALSE(bench.Enabled(kSearchCommand));
    EXPECT_TRUE(bench.Enabled(kMonitorCommand));
    EXPECT_TRUE(bench.Monitor().isVisible());
    bench.Trigger(32772);
    EXPECT_TRUE(bench.Enabled(kSearchCommand));
}

}  // namespace
}  // namespace kelvo

KELVO_UI_GTEST_MAIN()
