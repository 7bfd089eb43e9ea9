// SPDX-License-Identifier: GPL-3.0-or-later
// The main window against a simulated meter on a pseudo-terminal: connect and its
// failures, the live values in the fields and pages, the heat group, disconnect and
// closing while connected. Every exchange runs at 57600 baud.
//
// GoogleTest rather than QtTest: these tests run a polling thread and are checked by the
// thread sanitizer, and QtTest's own watchdog thread is not visible to it.

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QPointer>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include <chrono>
#include <clocale>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "history/log_writer.h"
#include "link/serial_port.h"
#include "settings/atomic_file.h"
#include "live/live_display.h"
#include "messages/prompter.h"
#include "link/stop_event.h"
#include "ui/pages/parameter_page_view.h"
#include "settings/settings.h"
#include "sim/meter_simulator.h"
#include "support/scripted_prompter.h"
#include "support/temp_settings.h"
#include "ui/main/kelvo_dlg.h"
#include "ui_test_support.h"
#include "window_with_meter.h"

namespace kelvo {
namespace {

using sim::MeterSimulator;
using sim::SimMeterKind;
using sim::SimOptions;
using test::ById;
using test::ScriptedPrompter;
using test::SettingsText;
using test::TempSettings;
using Texts = std::vector<std::string>;

constexpr int kWaitMs = 10000;
constexpr int kHeatControlIds[] = {1071, 1063, 1016, 1065, 1020, 1067, 1023, 1068, 1029, 1070, 1058};

// Requests of one identification and one whole polling cycle, plus the first request of
// the next cycle, which the thread sends only after it copied the snapshot.
constexpr std::size_t kGenericCycleSeen = 1 + 4 + 1;
constexpr std::size_t kW58CycleSeen = 1 + 3 + 1;

SimOptions MeterOptions(SimMeterKind kind, const std::string& model = "RA03", const std::string& version = "2004") {
    SimOptions options;
    options.kind = kind;
    options.model = model;
    options.version = version;
    options.paceBaud = 57600;
    options.moveLiveValues = false;
    return options;
}

// The start register of a function code 0x04 request, or -1.
int ReadStart(const std::vector<std::uint8_t>& frame) {
    return frame.size() == 8 && frame[1] == 0x04 ? (frame[2] << 8 | frame[3]) : -1;
}

// Runs the event loop (LiveTimer included) until `done` holds or the time is up.
bool WaitUntil(const std::function<bool()>& done, int timeoutMs = kWaitMs) {
    return test::WaitProcessingEvents(done, timeoutMs);
}

// A simulated meter mapped to COM1 and a main window over a private settings folder
// that reaches it at 57600 baud.
class Bench : public test::WindowWithMeter {
public:
    explicit Bench(int meterKind, const SimOptions& options = MeterOptions(SimMeterKind::Generic))
        : WindowWithMeter(options, SettingsText(meterKind)) {
        StoreSettings(SettingsText(meterKind));
        meter.ClearRequests();
    }

    // A command as the user gives it, and its whole outcome: the window is busy from the
    // click until what it started on the line has ended and its last box is closed.
    void Trigger(int command) {
        ById<QAction>(&*dlg, command)->trigger();
        Settle();
    }
    // A button of a page, clicked, and its whole outcome.
    void Click(CParameterPageView* page, int id) {
        auto* button = page->findChild<QPushButton*>(QString::number(id));
        ASSERT_NE(button, nullptr) << id;
        ASSERT_TRUE(button->isEnabled()) << id;
        button->click();
        Settle();
    }
    void Settle() { ASSERT_TRUE(WaitUntil([this] { return !dlg->property("busy").toBool(); })); }
    bool Busy() const { return dlg->property("busy").toBool(); }
    bool Enabled(int command) const { return ById<QAction>(&*dlg, command)->isEnabled(); }
    std::string Field(int id) const { return ById<QLineEdit>(&*dlg, id)->text().toStdString(); }
    std::vector<CParameterPageView*> Pages() const {
        auto* tabs = ById<QTabWidget>(&*dlg, 1106);
        std::vector<CParameterPageView*> pages;
        for (int i = 0; i < tabs->count(); ++i) pages.push_back(qobject_cast<CParameterPageView*>(tabs->widget(i)));
        return pages;
    }
    bool PagesEnabled(bool enabled) const {
        for (CParameterPageView* page : Pages())
            if (page == nullptr || page->ControlsEnabled() != enabled) return false;
        return !Pages().empty();
    }
    bool HeatGroupShown() const {
        int shown = 0;
        for (int id : kHeatControlIds) shown += ById<QWidget>(&*dlg, id)->isHidden() ? 0 : 1;
        return shown == static_cast<int>(std::size(kHeatControlIds));
    }
    // The command states a user sees while connected (true) or not (false).
    bool CommandsShowConnected(bool connected) const {
        return Enabled(32771) == !connected && Enabled(32772) == connected && Enabled(32773) == !connected &&
               Enabled(32774) && Enabled(32777) && Enabled(32778);
    }
    // The port is closed and free, once the line has ended what ran.
    bool PortCanBeReopened() {
        if (!WaitUntil([this] { return dlg->Line().Idle(); })) return false;
        CSerialPort port;
        return port.Open("COM1", 57600, 0) == PortError::None;
    }
    // Waits a few polling cycles' time and tells whether the meter saw any request.
    bool MeterStaysUnasked() {
        meter.ClearRequests();
        QTest::qWait(400);
        return meter.Requests().empty();
    }

};

TEST(MainWindowConnection, AMissingPortFailsToOpenAndStaysDisconnected) {
    Bench bench(kGenericMeter);
    bench.settings.MapPort("COM1", bench.settings.ConfigHome() + "/no-such-device");
    bench.Trigger(32771);
    EXPECT_EQ(bench.prompter.Texts(), Texts{std::string(kOpenPortFailedText)});
    EXPECT_FALSE(bench.dlg->IsConnected());
    EXPECT_TRUE(bench.CommandsShowConnected(false));
    EXPECT_TRUE(bench.PagesEnabled(true));
}

TEST(MainWindowConnection, IdentificationFailuresLeaveThePortClosed) {
    const struct {
        const char* model;
        const char* version;
        bool silent;
        std::string_view message;
    } kCases[] = {
        {"RA03", "2004", true, kReadIdentificationFailedText},
        {"RA06", "2002", false, kMeterNotSupportedText},
        {"RA07", "3002", false, kMeterNotSupportedText},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(std::string(c.model) + " " + c.version + (c.silent ? " silent" : ""));
        Bench bench(kGenericMeter, MeterOptions(SimMeterKind::Generic, c.model, c.version));
        bench.meter.SetSilent(c.silent);
        bench.Trigger(32771);
        EXPECT_EQ(bench.prompter.Texts(), Texts{std::string(c.message)});
        if (c.silent && !bench.prompter.Entries().empty()) {
            EXPECT_EQ(bench.prompter.Entries()[0].detail, "无应答（等待 200 ms，共 1 次）");
        }
        EXPECT_FALSE(bench.dlg->IsConnected());
        EXPECT_TRUE(bench.CommandsShowConnected(false));
        EXPECT_TRUE(bench.PortCanBeReopened());
        EXPECT_TRUE(bench.MeterStaysUnasked());
    }
}

TEST(MainWindowConnection, GenericLiveValuesReachTheFieldsAndThePage) {
    Bench bench(kGenericMeter);
    MeterSimulator& meter = bench.meter;
    meter.SetFloat(99, 12.5f);
    meter.SetReg(115, 1);  // m3
    meter.SetReg(116, 2);  // h
    meter.SetFloat(103, 45.678f);
    meter.SetReg32(107, 12);
    meter.SetReg32(109, 5);
    meter.SetReg(118, 0x0D);
    meter.SetFloat(119, 3.25f);  // heat power of a meter without heat group: still formatted
    meter.SetReg(133, 0);

    bench.Trigger(32771);
    ASSERT_TRUE(bench.dlg->IsConnected()) << testing::PrintToString(bench.prompter.Texts());
    EXPECT_TRUE(bench.prompter.Texts().empty());
    EXPECT_TRUE(bench.CommandsShowConnected(true));
    EXPECT_TRUE(bench.PagesEnabled(false));
    EXPECT_FALSE(bench.HeatGroupShown());

    ASSERT_TRUE(meter.WaitForRequests(kGenericCycleSeen, kWaitMs));
    bench.dlg->RunLiveTick();
    EXPECT_EQ(bench.Field(1000), "12.5000 m3/h");
    EXPECT_EQ(bench.Field(1002), "45.68%");
    EXPECT_EQ(bench.Field(1004), "12.005 m3");
    EXPECT_EQ(bench.Field(1006), "系统;上限;下限;");
    EXPECT_EQ(bench.Field(1016), "3.2500 kW");
    CParameterPageView* page = bench.Pages().at(0);
    EXPECT_EQ(page->LiveUpdates(), 1);

    // LiveTimer goes on by itself, once a second.
    meter.SetFloat(99, 7.25f);
    EXPECT_TRUE(WaitUntil([&] { return bench.Field(1000) == "7.2500 m3/h"; }));
    EXPECT_GE(page->LiveUpdates(), 2);

    bench.Trigger(32772);
    EXPECT_FALSE(bench.dlg->IsConnected());
    EXPECT_TRUE(bench.CommandsShowConnected(false));
    EXPECT_TRUE(bench.PagesEnabled(true));
    EXPECT_EQ(bench.Field(1000), "7.2500 m3/h");  // the last values stay
    EXPECT_TRUE(bench.MeterStaysUnasked());
    EXPECT_TRUE(bench.PortCanBeReopened());
    EXPECT_TRUE(bench.prompter.Texts().empty());
}

TEST(MainWindowConnection, W58LiveValuesReachAllSixPages) {
    Bench bench(kW58Meter, MeterOptions(SimMeterKind::W58));
    bench.meter.SetReg(118, 0x30);
    bench.meter.SetFloat(121, 61.5f);
    bench.Trigger(32771);
    ASSERT_TRUE(bench.dlg->IsConnected());
    ASSERT_EQ(bench.Pages().size(), 6u);
    EXPECT_TRUE(bench.PagesEnabled(false));
    EXPECT_TRUE(bench.HeatGroupShown());

    ASSERT_TRUE(bench.meter.WaitForRequests(kW58CycleSeen, kWaitMs));
    bench.dlg->RunLiveTick();
    for (CParameterPageView* page : bench.Pages()) EXPECT_EQ(page->LiveUpdates(), 1);
    // One value of each page, in tab order, as the simulated meter holds it.
    const std::pair<int, QString> shown[] = {{1007, "20"},  {1154, "1"}, {1163, "2000"},
                                             {1211, "100"}, {1175, "1"}, {1294, "1000"}};
    for (std::size_t i = 0; i < std::size(shown); ++i) {
        const auto* edit = bench.Pages()[i]->findChild<QLineEdit*>(QString::number(shown[i].first));
        ASSERT_NE(edit, nullptr) << shown[i].first;
        EXPECT_EQ(edit->text(), shown[i].second) << shown[i].first;
    }
    EXPECT_EQ(bench.Field(1006), "供温;回温;");
    EXPECT_EQ(bench.Field(1020), "61.50");

    bench.Trigger(32772);
    EXPECT_TRUE(bench.PagesEnabled(true));
    EXPECT_TRUE(bench.HeatGroupShown());
}

TEST(MainWindowConnection, AfterDisconnectingEveryW58PageReadsAndDownloadsThroughItsButtons) {
    Bench bench(kW58Meter, MeterOptions(SimMeterKind::W58));
    bench.Trigger(32771);
    ASSERT_TRUE(bench.dlg->IsConnected());
    ASSERT_TRUE(bench.meter.WaitForRequests(kW58CycleSeen, kWaitMs));
    bench.Trigger(32772);
    const auto click = [&bench](CParameterPageView* page, int id) { bench.Click(page, id); };
    for (CParameterPageView* page : bench.Pages()) {
        const PageDefinition& definition = page->Page().Definition();
        bench.prompter.Clear();
        click(page, definition.readAllButton);
        click(page, definition.downloadAllButton);
        EXPECT_EQ(bench.prompter.Texts(), (Texts{"读取成功", "下传成功"})) << page->ClassName().toStdString();
    }

    // The flow range, written on the common page and read back on the flow page.
    CParameterPageView* common = bench.Pages().at(0);
    CParameterPageView* flow = bench.Pages().at(1);
    common->findChild<QLineEdit*>("1007")->setText("7.5");
    bench.prompter.Clear();
    click(common, 1075);
    EXPECT_EQ(bench.prompter.Texts(), Texts{"写入成功"});
    EXPECT_EQ(bench.meter.Reg32(139), 75000U);
    click(flow, 1074);
    EXPECT_EQ(flow->findChild<QLineEdit*>("1007")->text(), "7.5");
}

// The meter answers 40 ms late, so a disconnect leaves a two-register answer on its way;
// a page read of two other registers sent at once must show their value, not that one.
TEST(MainWindowConnection, APageReadRightAfterDisconnectGetsItsOwnAnswer) {
    Bench bench(kGenericMeter);
    bench.meter.SetReg32(139, 75000);  // flow range 7.5
    bench.meter.SetReg32(189, 11111);
    bench.meter.SetReg32(323, 22222);
    bench.meter.SetExtraDelayMs(40);
    bench.Trigger(32771);
    ASSERT_TRUE(bench.dlg->IsConnected());
    ASSERT_TRUE(WaitUntil([&] {
        const auto requests = bench.meter.Requests();
        const int start = requests.empty() ? -1 : ReadStart(requests.back());
        return requests.size() > kGenericCycleSeen && (start == 189 || start == 323);
    }));
    bench.Trigger(32772);
    CParameterPageView* page = bench.Pages().at(0);
    bench.Click(page, 1074);
    EXPECT_EQ(page->findChild<QLineEdit*>("1007")->text().toStdString(), "7.5");
    EXPECT_TRUE(bench.prompter.Texts().empty());
}

TEST(MainWindowConnection, HeatGroupFollowsTheIdentifiedModel) {
    const struct {
        const char* model;
        bool shown;
    } kCases[] = {{"RA02", true},  {"RA05", true},  {"RA12", true}, {"RA01", false},
                  {"RA03", false}, {"RA11", false}, {"XY77", false}};
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.model);
        Bench bench(kGenericMeter, MeterOptions(SimMeterKind::Generic, c.model));
        EXPECT_FALSE(bench.HeatGroupShown());
        bench.Trigger(32771);
        ASSERT_TRUE(bench.dlg->IsConnected());
        EXPECT_EQ(bench.HeatGroupShown(), c.shown);
        bench.Trigger(32772);
        EXPECT_EQ(bench.HeatGroupShown(), c.shown);
        // Choosing the kind again forgets the identified model until the next connect.
        bench.Trigger(32777);
        EXPECT_FALSE(bench.HeatGroupShown());
    }
}

TEST(MainWindowConnection, MeterKindSwitchWhileConnectedKeepsPolling) {
    Bench bench(kGenericMeter, MeterOptions(SimMeterKind::W58));
    bench.Trigger(32771);
    ASSERT_TRUE(bench.dlg->IsConnected());
    QPointer<QWidget> genericPage = bench.Pages().at(0);

    bench.Trigger(32778);
    EXPECT_TRUE(genericPage.isNull());
    EXPECT_TRUE(bench.dlg->IsConnected());
    EXPECT_TRUE(bench.CommandsShowConnected(true));
    EXPECT_EQ(bench.Pages().size(), 6u);
    EXPECT_TRUE(bench.PagesEnabled(true));  // new pages start enabled
    EXPECT_EQ(LoadSerialSettings().baudRate, 2400);
    // ... but the connection holds the port: a press ends at once, as against a held port.
    bench.Click(bench.Pages().at(1), 1074);
    EXPECT_EQ(bench.prompter.Texts(), Texts{std::string(kOpenPortFailedText)});
    EXPECT_TRUE(bench.dlg->IsConnected());

    // The polling thread reads the W58 blocks from its next cycle on.
    bench.meter.ClearRequests();
    EXPECT_TRUE(WaitUntil([&bench] {
        for (const auto& frame : bench.meter.Requests())
            if (ReadStart(frame) == 199) return true;
        return false;
    }));
    bench.Trigger(32772);
    EXPECT_FALSE(bench.dlg->IsConnected());
    EXPECT_TRUE(bench.PagesEnabled(true));
}

TEST(MainWindowConnection, ValuesThatAreNoLongerLiveAreMarkedUntilTheNextGoodCycle) {
    const struct {
        const char* what;
        std::function<void(Bench&)> lose;
        std::function<void(Bench&)> restore;
        std::string lostText;  // what the status line says beside the seconds
    } kCases[] = {
        {"silent meter", [](Bench& b) { b.meter.SetSilent(true); }, [](Bench& b) { b.meter.SetSilent(false); }, ""},
        {"unplugged and plugged in again", [](Bench& b) { b.meter.Stop(); },
         [](Bench& b) {
             ASSERT_TRUE(b.meter.Start());
             b.settings.MapPort("COM1", b.meter.SlavePath());
         },
         "，串口已断开"},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.what);
        Bench bench(kGenericMeter);
        bench.meter.SetFloat(99, 12.5f);
        bench.Trigger(32771);
        ASSERT_TRUE(bench.dlg->IsConnected());
        const auto* status = bench.dlg->findChild<QLabel*>(QStringLiteral("liveStatus"));
        ASSERT_NE(status, nullptr);
        auto* flow = ById<QLineEdit>(&*bench.dlg, 1000);
        ASSERT_TRUE(WaitUntil([&] { return bench.Field(1000) == "12.5000 m3/h"; }));
        EXPECT_TRUE(status->isHidden());
        EXPECT_FALSE(flow->property("stale").toBool());

        c.lose(bench);
        ASSERT_TRUE(WaitUntil([&] { return !status->isHidden(); }));
        const std::string shown = status->text().toStdString();
        EXPECT_TRUE(shown.starts_with("通讯中断 ") && shown.ends_with(" 秒" + c.lostText)) << shown;
        EXPECT_TRUE(flow->property("stale").toBool());
        EXPECT_EQ(bench.Field(1000), "12.5000 m3/h") << "the last values stay on screen";
        EXPECT_TRUE(bench.dlg->IsConnected());

        bench.meter.SetFloat(99, 7.25f);
        c.restore(bench);
        ASSERT_TRUE(WaitUntil([&] { return status->isHidden(); })) << "polling resumed by itself";
        EXPECT_FALSE(flow->property("stale").toBool());
        EXPECT_EQ(bench.Field(1000), "7.2500 m3/h");
        EXPECT_TRUE(bench.prompter.Texts().empty());
    }
}

TEST(MainWindowConnection, ClosingWhileConnectedDisconnects) {
    Bench bench(kGenericMeter);
    // Shown but never drawn: Qt draws a window this large on threads of its own, which the
    // thread sanitizer cannot see into.
    bench.dlg->setUpdatesEnabled(false);
    bench.dlg->show();
    bench.Trigger(32771);
    ASSERT_TRUE(bench.dlg->IsConnected());
    ASSERT_TRUE(bench.meter.WaitForRequests(kGenericCycleSeen, kWaitMs));

    EXPECT_TRUE(bench.dlg->close());
    EXPECT_FALSE(bench.dlg->isVisible());
    EXPECT_FALSE(bench.dlg->IsConnected());
    EXPECT_TRUE(bench.MeterStaysUnasked());
    EXPECT_TRUE(bench.PortCanBeReopened());
}

TEST(MainWindowConnection, NoValueIsShownBeforeTheFirstGoodCycle) {
    Bench bench(kGenericMeter);
    bench.meter.SetFloat(99, 12.5f);
    // The meter answers who it is, but refuses every read of its values.
    bench.meter.SetExceptionRange(99, 399);
    bench.Trigger(32771);
    ASSERT_TRUE(bench.dlg->IsConnected());
    ASSERT_TRUE(bench.meter.WaitForRequests(kGenericCycleSeen, kWaitMs));
    bench.dlg->RunLiveTick();
    for (int id : kLiveFieldControlIds) EXPECT_EQ(bench.Field(id), "") << id;
    EXPECT_EQ(bench.Pages().at(0)->LiveUpdates(), 0) << "no zeros on the page either";

    bench.meter.ClearFaults();
    EXPECT_TRUE(WaitUntil([&] { return bench.Field(1000) == "12.5000 m3/h"; }));
}

// A read all against a meter that has fallen silent, at 2400 baud, where each of its
// requests would wait 6.4 s twice: the window stays usable, refuses a second
// transaction, and "取消" ends it at once without a message and without new values.
TEST(MainWindowConnection, CancelEndsAReadAllAtOnceAndRefusesASecondMeanwhile) {
    Bench bench(kW58Meter, MeterOptions(SimMeterKind::W58));
    bench.settings.WriteIni(SettingsText(kW58Meter, 2400, 2));
    bench.dlg->Line().UseSettings(LoadSerialSettings());
    bench.meter.SetSilent(true);
    CParameterPageView* common = bench.Pages().at(0);
    CParameterPageView* flow = bench.Pages().at(1);
    auto* range = common->findChild<QLineEdit*>("1007");
    const QString before = range->text();

    common->findChild<QPushButton*>(QString::number(common->Page().Definition().readAllButton))->click();
    ASSERT_TRUE(bench.Busy());
    ASSERT_TRUE(bench.meter.WaitForRequests(1, kWaitMs));
    auto* status = bench.dlg->findChild<QLabel*>(QStringLiteral("transactionStatus"));
    auto* cancel = bench.dlg->findChild<QPushButton*>(QStringLiteral("cancelTransaction"));
    ASSERT_NE(status, nullptr);
    ASSERT_NE(cancel, nullptr);
    EXPECT_TRUE(WaitUntil([&] { return status->text() == QStringLiteral("全部读取 1/7"); }))
        << status->text().toStdString();
    EXPECT_FALSE(cancel->isHidden());
    EXPECT_TRUE(bench.PagesEnabled(false));
    EXPECT_FALSE(bench.Enabled(32771)) << "no connect while a page talks to the meter";
    EXPECT_FALSE(bench.Enabled(32778)) << "nor a switch of the meter kind";

    // A press that reaches a page anyway starts nothing.
    bench.meter.ClearRequests();
    flow->PressButton(1074);
    QTest::qWait(100);
    EXPECT_TRUE(bench.meter.Requests().empty());

    cancel->click();
    bench.Settle();
    EXPECT_TRUE(bench.prompter.Texts().empty()) << "a cancelled read says nothing";
    EXPECT_EQ(range->text(), before) << "no value the meter did not send";
    EXPECT_TRUE(bench.PagesEnabled(true));
    EXPECT_TRUE(cancel->isHidden());
    EXPECT_EQ(status->text(), "");
    EXPECT_TRUE(bench.PortCanBeReopened());
}

TEST(MainWindowConnection, PresetsDialogOpensWhileConnectedAndPollingGoesOn) {
    Bench bench(kGenericMeter);
    bench.Trigger(32771);
    ASSERT_TRUE(bench.dlg->IsConnected());
    ASSERT_TRUE(bench.Enabled(32774));

    std::string opened;
    QTimer::singleShot(0, [&opened] {
        QWidget* dialog = QApplication::activeModalWidget();
        opened = dialog != nullptr ? dialog->objectName().toStdString() : "";
        if (dialog != nullptr) QMetaObject::invokeMethod(dialog, "reject");
    });
    bench.Trigger(32774);
    EXPECT_EQ(opened, "141");
    EXPECT_TRUE(bench.dlg->IsConnected());
    bench.meter.ClearRequests();
    EXPECT_TRUE(bench.meter.WaitForRequests(kGenericCycleSeen, kWaitMs)) << "polling goes on";
}

// A log from the "通讯" menu: the status line while it runs, its end at "断开", and the box
// when its file cannot be written.
TEST(MainWindowConnection, ALogRunsFromTheMenuUntilDisconnectAndSaysWhyItStopped) {
    Bench bench(kGenericMeter);
    bench.meter.SetFloat(99, 12.5f);
    const QString folder = QString::fromStdString(bench.settings.ConfigHome());
    QStringList chosen = {folder + "/no-such-folder/x.csv", folder + "/泵站.csv"};
    bench.dlg->SetFileChooser([&chosen](const QString&, const QString&, const QString&, bool) { return chosen.takeFirst(); });
    const auto status = [&bench] { return bench.dlg->findChild<QLabel*>("logStatus")->text(); };
    EXPECT_FALSE(bench.Enabled(32786)) << "nothing to log without a connection";
    bench.Trigger(32771);
    ASSERT_TRUE(bench.dlg->IsConnected());

    bench.Trigger(32786);
    ASSERT_TRUE(WaitUntil([&bench] { return !bench.prompter.Entries().empty(); }));
    EXPECT_EQ(bench.prompter.Entries()[0].text, kLogStoppedText);
    EXPECT_EQ(bench.prompter.Entries()[0].detail, "文件夹不存在。");
    EXPECT_EQ(status(), "记录因错误停止：没有写入文件，0 行");

    bench.Trigger(32786);
    const QRegularExpression running("^记录中：泵站-\\d{8}-001\\.csv，([3-9]|\\d\\d+) 行$");
    ASSERT_TRUE(WaitUntil([&] { return running.match(status()).hasMatch(); })) << status().toStdString();
    EXPECT_FALSE(bench.Enabled(32786));
    EXPECT_TRUE(bench.Enabled(32787));
    bench.Trigger(32772);
    ASSERT_TRUE(WaitUntil([&] { return status().startsWith("记录已停止：泵站-"); })) << status().toStdString();
    EXPECT_FALSE(bench.Enabled(32787));

    const QString file = bench.dlg->findChild<QLabel*>("logStatus")->toolTip();
    const std::string text = ReadWholeFile(file.toStdString()).text;
    EXPECT_NE(text.find("时间,状态,瞬时流量 (m3/h)"), std::string::npos) << text.substr(0, 400);
    EXPECT_NE(text.find(",,12.5,"), std::string::npos);
    EXPECT_EQ(text.find("通讯中断"), std::string::npos);
    EXPECT_EQ(LoadLogFolder(), bench.settings.ConfigHome()) << "the next log's dialog opens there";
    EXPECT_EQ(bench.prompter.Entries().size(), 1U);
}

}  // namespace
}  // namespace kelvo

KELVO_UI_GTEST_MAIN()
