// SPDX-License-Identifier: GPL-3.0-or-later
// The main window without a meter: its commands and their states, the pages of each
// meter kind, what it stores in config.ini, the heat group, the keyboard and closing.

#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTextBrowser>
#include <QTimer>
#include <QToolBar>
#include <QtTest>

#include <sys/stat.h>

#include <cerrno>
#include <filesystem>

#include <mutex>
#include <optional>
#include <vector>

#include "messages/prompter.h"
#include "link/stop_event.h"
#include "ui/pages/parameter_page_view.h"
#include "settings/settings.h"
#include "support/scripted_prompter.h"
#include "support/temp_settings.h"
#include "ui/main/kelvo_dlg.h"
#include "ui_test_support.h"
#include "vocabulary/kelvo_version.h"

using namespace kelvo;
using kelvo::test::ById;
using kelvo::test::ScriptedPrompter;
using kelvo::test::SettingsText;
using kelvo::test::TempSettings;

namespace {

constexpr int kHeatControlIds[] = {1071, 1063, 1016, 1065, 1020, 1067, 1023, 1068, 1029, 1070, 1058};

// One main window over a private settings folder.
struct Window {
    explicit Window(std::optional<std::string> ini = std::nullopt) {
        if (ini) settings.WriteIni(*ini);
        dlg.emplace(stopEvent, liveMutex, &prompter);
    }
    QAction* Action(int id) const { return ById<QAction>(&*dlg, id); }
    QTabWidget* Tabs() const { return ById<QTabWidget>(&*dlg, 1106); }
    QStringList TabTitles() const {
        QStringList titles;
        for (int i = 0; i < Tabs()->count(); ++i) titles << Tabs()->tabText(i);
        return titles;
    }
    QStringList PageClasses() const {
        QStringList classes;
        for (int i = 0; i < Tabs()->count(); ++i) classes << Tabs()->widget(i)->property("className").toString();
        return classes;
    }
    // Opening a menu applies the command states, as a user sees them.
    void OpenMenus() const {
        for (QMenu* menu : dlg->findChild<QMenuBar*>()->findChildren<QMenu*>()) emit menu->aboutToShow();
    }
    bool HeatGroupShown() const {
        int shown = 0;
        for (int id : kHeatControlIds) shown += ById<QWidget>(&*dlg, id)->isHidden() ? 0 : 1;
        if (shown != 0 && shown != static_cast<int>(std::size(kHeatControlIds)))
            qWarning("heat group half shown: %d controls", shown);
        return shown == static_cast<int>(std::size(kHeatControlIds));
    }

    TempSettings settings;
    StopEvent stopEvent;
    std::mutex liveMutex;
    ScriptedPrompter prompter;
    std::optional<CKelvoDlg> dlg;
};

const QStringList kW58Titles = {"常用参数和功能", "流量组态", "脉冲频率组态", "报警组态", "传感器组态", "热量组态"};
const QStringList kW58Classes = {"CW58NormalDlg",  "CW58FlowCfgDlg", "CW58PulseCfg",
                                 "CW58AlmCfgDlg",  "CW58SnsrCfgDlg", "CW58HeatCfgDlg"};

// Once the dialog that QDialog::exec() shows is up: reports its id and closes it.
void CloseNextModal(QString* shownId) {
    QTimer::singleShot(0, [shownId] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr) return;
        *shownId = modal->objectName();
        QMetaObject::invokeMethod(modal, "reject", Qt::QueuedConnection);
    });
}

}  // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

private slots:
    void windowCarriesItsTitleMenusAndToolbar() {
        Window w;
        QCOMPARE(w.dlg->windowTitle(), QString("Kelvo v") + kKelvoVersion);
        QVERIFY(!(w.dlg->windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
        QVERIFY(!w.dlg->windowIcon().isNull());

        QStringList menuTitles;
        for (QAction* menu : w.dlg->findChild<QMenuBar*>()->actions()) menuTitles << menu->text();
        QCOMPARE(menuTitles, QStringList({"类型(&M)", "通讯(&C)", "配置(&N)", "调试(&T)", "帮助(&H)"}));

        const struct {
            int id;
            const char* text;
        } kCommands[] = {{32777, "通用仪表(&N)"}, {32778, "W58仪表(&F)"},      {32771, "连接(&C)"},
                         {32772, "断开(&D)"},     {32773, "设置(&S)"},         {32774, "常用配置设置(&S)"},
                         {32791, "零点检查(&Z)..."}, {32792, "流量核查(&V)..."}, {16, "关于Kelvo(&A)..."}};
        for (const auto& command : kCommands) {
            QAction* action = w.Action(command.id);
            QVERIFY2(action != nullptr, command.text);
            QCOMPARE(action->text(), QString::fromUtf8(command.text));
        }
        QVERIFY(w.Action(32772)->associatedObjects().size() >= 2);  // menu and toolbar

        auto* toolBar = w.dlg->findChild<QToolBar*>();
        QStringList toolIds;
        for (QAction* action : toolBar->actions()) toolIds << (action->isSeparator() ? "|" : action->objectName());
        QCOMPARE(toolIds, QStringList({"32771", "32772", "|", "32773"}));
        QCOMPARE(toolBar->iconSize(), QSize(16, 15));
        for (int id : {32771, 32772, 32773}) {
            QVERIFY(!w.Action(id)->toolTip().isEmpty());
            QCOMPARE(w.Action(id)->icon().availableSizes().value(0), QSize(16, 15));
        }
    }

    // At the size it asks for, every page of both kinds shows all its rows and buttons
    // without scrolling; the size and place the user leaves are those of the next start.
    void firstSizeShowsTheLargestPageAndTheLastIsRemembered() {
        for (int kind : {kGenericMeter, kW58Meter}) {
            Window w(SettingsText(kind));
            w.dlg->resize(w.dlg->sizeHint());
            w.dlg->show();
            QVERIFY(QTest::qWaitForWindowExposed(&*w.dlg));
            for (int i = 0; i < w.Tabs()->count(); ++i) {
                w.Tabs()->setCurrentIndex(i);
                QWidget* page = w.Tabs()->widget(i);
                QVERIFY2(page->width() >= page->sizeHint().width() && page->height() >= page->sizeHint().height(),
                         qPrintable(page->property("className").toString()));
            }
        }
        Window w(SettingsText(kW58Meter));
        w.dlg->show();
        QVERIFY(QTest::qWaitForWindowExposed(&*w.dlg));
        const QSize chosen = w.dlg->minimumSizeHint() + QSize(40, 30);
        w.dlg->resize(chosen);
        w.dlg->move(20, 30);
        QTRY_COMPARE(w.dlg->size(), chosen);
        const QPoint place = w.dlg->pos();
        w.dlg->close();
        const WindowPlacement saved = LoadWindowPlacement();
        QCOMPARE(QSize(saved.width, saved.height), chosen);
        w.dlg.emplace(w.stopEvent, w.liveMutex, &w.prompter);
        QCOMPARE(w.dlg->size(), chosen);
        QCOMPARE(w.dlg->pos(), place);
    }

    void dataGroupHasItsLabelsAndReadOnlyFields() {
        Window w;
        // The pages in the tab control have controls of their own; these are the window's.
        const auto outsidePages = [&w](const QWidget* control) { return !w.Tabs()->isAncestorOf(control); };
        QStringList groups;
        for (QGroupBox* box : w.dlg->findChildren<QGroupBox*>())
            if (outsidePages(box)) groups << box->title();
        QCOMPARE(groups, QStringList({"数据采集", "流量", "热量"}));
        QStringList labels;
        for (QLabel* label : w.dlg->findChildren<QLabel*>())
            if (outsidePages(label) && label->objectName() != "liveStatus" && label->objectName() != "transactionStatus" &&
                label->objectName() != "logStatus")
                labels << label->text();
        // The line that says when the values are not live is empty and hidden until connected.
        const auto* status = w.dlg->findChild<QLabel*>(QStringLiteral("liveStatus"));
        QVERIFY(status != nullptr && status->isHidden() && status->text().isEmpty());
        QCOMPARE(labels, QStringList({"瞬时流量", "瞬时流速", "流量百分比", "MT", "正向累积", "反向累积", "报警", "瞬时热量",
                                      "进温(℃)", "出温(℃)", "热量累积", "冷量累积"}));
        for (int id : {1000, 1001, 1002, 1003, 1004, 1005, 1006, 1016, 1020, 1023, 1029, 1058}) {
            auto* field = ById<QLineEdit>(&*w.dlg, id);
            QVERIFY2(field != nullptr, qPrintable(QString::number(id)));
            QVERIFY(field->isReadOnly());
            QVERIFY(field->text().isEmpty());
        }
    }

    void commandStatesFollowTheStoredKindBehindTheWindowsBack() {
        Window w(SettingsText(0));
        const struct {
            const char* ini;
            bool genericChecked;
            bool w58Checked;
        } kCases[] = {
            {"[MeterType]\nType=1\n", false, true},  {"[MeterType]\nType=0\n", true, false},
            {"[MeterType]\nType=2\n", false, false}, {"[meterTYPE]\ntype=1\n", false, true},
            {"", true, false},  // no key: the generic default
        };
        for (const auto& c : kCases) {
            w.settings.WriteIni(c.ini);
            w.OpenMenus();
            QCOMPARE(w.Action(32777)->isChecked(), c.genericChecked);
            QCOMPARE(w.Action(32778)->isChecked(), c.w58Checked);
            // Not connected: everything but disconnect.
            for (int id : {32771, 32773, 32774, 32777, 32778, 16}) QVERIFY(w.Action(id)->isEnabled());
            QVERIFY(!w.Action(32772)->isEnabled());
        }
        QCOMPARE(w.TabTitles(), QStringList({"组态"}));  // the pages follow commands, not the file
    }

    void storedKindChoosesThePageSet_data() {
        QTest::addColumn<QString>("ini");
        QTest::addColumn<QStringList>("titles");
        QTest::addColumn<QStringList>("classes");
        QTest::addColumn<bool>("heatShown");
        QTest::newRow("no file") << "" << QStringList{"组态"} << QStringList{"CNormalCfgDlg"} << false;
        QTest::newRow("generic") << QString::fromStdString(SettingsText(0)) << QStringList{"组态"}
                                 << QStringList{"CNormalCfgDlg"} << false;
        QTest::newRow("W58") << QString::fromStdString(SettingsText(1)) << kW58Titles << kW58Classes << true;
        QTest::newRow("kind 2") << QString::fromStdString(SettingsText(2)) << QStringList{"组态"}
                                << QStringList{"CNormalCfgDlg"} << false;
    }
    void storedKindChoosesThePageSet() {
        QFETCH(QString, ini);
        QFETCH(QStringList, titles);
        QFETCH(QStringList, classes);
        QFETCH(bool, heatShown);
        Window w(ini.isEmpty() ? std::nullopt : std::optional(ini.toStdString()));
        QCOMPARE(w.TabTitles(), titles);
        QCOMPARE(w.PageClasses(), classes);
        QCOMPARE(w.Tabs()->currentIndex(), 0);
        QCOMPARE(w.HeatGroupShown(), heatShown);
        QVERIFY(w.prompter.Texts().empty());
    }

    void w58IsCommissionedAt2400BaudEvenParityEveryTime() {
        Window w("[ComSet]\nAddr=5\nCOM=USB0\nBaudRate=57600\nParity=0\nReadTotalTimeoutConstant=250\nSwap=3\n"
                 "[MeterType]\nType=1\n");
        const SerialSettings expected{.portName = "USB0", .baudRate = 2400, .address = 5, .parity = 2,
                                      .readTotalTimeout = 250, .byteOrderMode = 3};
        QCOMPARE(LoadSerialSettings(), expected);
        QVERIFY(w.settings.ReadIni().find("BaudRate=2400") != std::string::npos);
        QVERIFY(w.settings.ReadIni().find("Parity=2") != std::string::npos);

        // Choosing W58 again rebuilds all six pages and forces the line settings again.
        w.settings.WriteIni("[ComSet]\nAddr=5\nCOM=USB0\nBaudRate=9600\nParity=1\nReadTotalTimeoutConstant=250\n"
                            "Swap=3\n[MeterType]\nType=1\n");
        QPointer<QWidget> oldPage = w.Tabs()->widget(0);
        w.Action(32778)->trigger();
        QVERIFY(oldPage.isNull());
        QCOMPARE(w.PageClasses(), kW58Classes);
        QCOMPARE(LoadSerialSettings(), expected);

        // Generic leaves the line settings alone.
        w.settings.WriteIni("[ComSet]\nBaudRate=19200\nParity=1\n[MeterType]\nType=1\n");
        w.Action(32777)->trigger();
        QCOMPARE(w.TabTitles(), QStringList({"组态"}));
        QCOMPARE(LoadMeterKind(), kGenericMeter);
        QVERIFY(w.settings.ReadIni().find("BaudRate=19200") != std::string::npos);
        QVERIFY(w.settings.ReadIni().find("Parity=1") != std::string::npos);
        w.OpenMenus();
        QVERIFY(w.Action(32777)->isChecked());
        QVERIFY(!w.Action(32778)->isChecked());
        QVERIFY(w.prompter.Texts().empty());
    }

    void startingGenericLeavesTheFileAlone() {
        const std::string ini = SettingsText(0, 57600, 1) + "[NormalCfg 1]\nDN=7\n";
        Window w(ini);
        QCOMPARE(w.settings.ReadIni(), ini);
    }

    void failedSavesAreReported() {
        TempSettings settings;
        settings.WriteIni(SettingsText(1));
        StopEvent stopEvent;
        std::mutex liveMutex;
        ScriptedPrompter prompter;
        std::optional<CKelvoDlg> dlg;
        {
            const kelvo::test::FileWritesFail diskFull;
            dlg.emplace(stopEvent, liveMutex, &prompter);
            QCOMPARE(prompter.Texts(), std::vector<std::string>{std::string(kSaveSettingsFailedText)});
            // The kind cannot be stored: the window goes on with the kind the file holds.
            ById<QAction>(&*dlg, 32777)->trigger();
        }
        QCOMPARE(prompter.Texts(), std::vector<std::string>(3, std::string(kSaveSettingsFailedText)));
        for (const auto& entry : prompter.Entries()) QCOMPARE(entry.detail, SaveErrorText({SaveError::DiskFull, EFBIG}));
        QCOMPARE(dlg->findChild<QTabWidget*>("1106")->count(), 6);
        QCOMPARE(settings.ReadIni(), SettingsText(1));
    }

    void aSettingsFileThatIsNoFileIsNamedOnceAndLeftAlone() {
        TempSettings settings;
        std::filesystem::create_directories(settings.KelvoFolder());
        QCOMPARE(mkfifo(settings.IniPath().c_str(), 0600), 0);
        StopEvent stopEvent;
        std::mutex liveMutex;
        ScriptedPrompter prompter;
        CKelvoDlg dlg(stopEvent, liveMutex, &prompter);
        QCOMPARE(prompter.Texts().size(), std::size_t{1});
        QVERIFY(prompter.Texts()[0].find(settings.IniPath()) != std::string::npos);
        // Choosing a kind would save it; the file is not written, and the user is told why.
        ById<QAction>(&dlg, 32778)->trigger();
        QCOMPARE(prompter.Texts().size(), std::size_t{2});
        QCOMPARE(prompter.Entries()[1].detail, SaveErrorText({SaveError::FileUnusable, 0}));
        QVERIFY(std::filesystem::is_fifo(settings.IniPath()));
    }

    void tabSwitchingShowsExactlyOnePage() {
        Window w(SettingsText(1));
        w.dlg->show();
        QVERIFY(QTest::qWaitForWindowExposed(&*w.dlg));
        for (int selected : {0, 3, 5, 1, 4, 2, 0}) {
            w.Tabs()->setCurrentIndex(selected);
            for (int i = 0; i < w.Tabs()->count(); ++i)
                QCOMPARE(w.Tabs()->widget(i)->isVisible(), i == selected);
        }
    }

    void enterAndEscapeDoNothing() {
        Window w(SettingsText(1));
        w.dlg->show();
        QVERIFY(QTest::qWaitForWindowActive(&*w.dlg));
        QCOMPARE(QApplication::focusWidget(), ById<QWidget>(&*w.dlg, 1000));
        QWidget* targets[] = {ById<QLineEdit>(&*w.dlg, 1000), ById<QLineEdit>(&*w.dlg, 1004), w.Tabs(),
                              w.Tabs()->widget(0), &*w.dlg};
        for (QWidget* target : targets) {
            for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) {
                QTest::keyClick(target, key);
                QVERIFY(w.dlg->isVisible());
                QCOMPARE(w.dlg->result(), 0);
            }
        }
        w.dlg->close();  // the close box still closes
        QVERIFY(!w.dlg->isVisible());
        QCOMPARE(w.dlg->result(), static_cast<int>(QDialog::Rejected));
    }

    void commandsOpenTheirDialogs() {
        Window w;
        const struct {
            int command;
            const char* dialog;
        } kCases[] = {{16, "100"}, {32773, "133"}, {32774, "141"}, {32790, "licenceDlg"}};
        for (const auto& c : kCases) {
            QString shown;
            CloseNextModal(&shown);
            w.Action(c.command)->trigger();
            QCOMPARE(shown, QString(c.dialog));
        }
    }

    void aboutBoxShowsNameVersionAndIcon() {
        Window w;
        QString shown;
        QTimer::singleShot(0, [&shown] {
            QWidget* about = QApplication::activeModalWidget();
            QVERIFY(about != nullptr);
            shown = about->windowTitle() + "|" + about->findChild<QLabel*>("version")->text() + "|" +
                    about->findChild<QPushButton*>("1")->text();
            QVERIFY(!about->findChild<QLabel*>("icon")->pixmap().isNull());
            QTest::mouseClick(about->findChild<QPushButton*>("1"), Qt::LeftButton);
        });
        w.Action(16)->trigger();
        QCOMPARE(shown, QString("关于 Kelvo|Kelvo，%1版|确定").arg(kKelvoVersion));
    }

    // What a user must be able to read in the program itself: the licence, what the
    // packages contain (the files built in as resources) and Qt's own about box.
    void licenceBoxShowsTheLicencesAndQtsAboutBox() {
        Window w;
        QCOMPARE(w.Action(32790)->text(), QString("许可证(&L)..."));
        QStringList helpMenu;
        for (QAction* menu : w.dlg->findChild<QMenuBar*>()->actions()) {
            if (menu->text() != "帮助(&H)") continue;
            for (QAction* action : menu->menu()->actions()) helpMenu << action->objectName();
        }
        QCOMPARE(helpMenu, QStringList({"32790", "16"}));

        QString thirdParty, copying, intro, qtBox;
        QTimer::singleShot(0, [&] {
            QWidget* box = QApplication::activeModalWidget();
            QVERIFY(box != nullptr && box->objectName() == "licenceDlg");
            intro = box->findChild<QLabel*>("licenceIntro")->text();
            thirdParty = box->findChild<QTextBrowser*>("thirdPartyText")->toPlainText();
            copying = box->findChild<QPlainTextEdit*>("copyingText")->toPlainText();
            QTimer::singleShot(0, [&qtBox] {
                QWidget* about = QApplication::activeModalWidget();
                if (about == nullptr) return;
                qtBox = about->windowTitle();
                QMetaObject::invokeMethod(about, "reject", Qt::QueuedConnection);
            });
            QTest::mouseClick(box->findChild<QPushButton*>("aboutQt"), Qt::LeftButton);
            QTest::mouseClick(box->findChild<QPushButton*>("ok"), Qt::LeftButton);
        });
        w.Action(32790)->trigger();
        QVERIFY2(intro.contains(QString("Kelvo %1 是自由软件").arg(kKelvoVersion)), qPrintable(intro));
        for (const char* part : {"GPL-3.0-or-later", "Qt Widgets", "SimpleIni", "mingw-w64", "FreeType"})
            QVERIFY2(thirdParty.contains(part), part);
        QVERIFY(copying.startsWith(QString(" ").repeated(20) + "GNU GENERAL PUBLIC LICENSE\n"));
        QVERIFY(copying.contains("END OF TERMS AND CONDITIONS"));
        QCOMPARE(qtBox, QString("关于 Qt"));
    }
};

KELVO_UI_TEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
