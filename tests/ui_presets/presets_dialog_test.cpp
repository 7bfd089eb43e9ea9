// SPDX-License-Identifier: GPL-3.0-or-later
// The presets dialog as a user drives it: what its tabs show, what OK writes into
// config.ini, what Cancel leaves alone, and the messages on the way. The dialog is never
// run modally; the test clicks its buttons while it is shown.

#include <sys/fsuid.h>
#include <unistd.h>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "messages/prompter.h"
#include "settings/settings.h"
#include "support/scripted_prompter.h"
#include "support/temp_settings.h"
#include "ui/dialogs/cfg_common_dlg.h"
#include "ui/dialogs/cfg_dlg.h"
#include "ui/dialogs/cfg_w58_common_dlg.h"

namespace {

namespace fs = std::filesystem;
using kelvo::CCfgDlg;
using kelvo::test::ScriptedPrompter;
using kelvo::test::TempSettings;

const std::string kW58Kind = "[MeterType]\nType=1\n";

// A user entry on tab `tab` (0-based): text typed into an edit box, or the item picked.
struct Entry {
    int tab;
    int controlId;
    QString text;
};
using Entries = std::vector<Entry>;

QWidget* Page(CCfgDlg& dialog, int tab) { return dialog.findChild<QTabWidget*>(QStringLiteral("1073"))->widget(tab); }

// The text a control shows: an edit box's text or the selected item ("" for none).
QString Shown(QWidget* page, int controlId) {
    const QString name = QString::number(controlId);
    if (auto* list = page->findChild<QComboBox*>(name)) return list->currentText();
    if (auto* edit = page->findChild<QLineEdit*>(name)) return edit->text();
    return QStringLiteral("<no control %1>").arg(controlId);
}

bool Enter(CCfgDlg& dialog, const Entry& entry) {
    QWidget* page = Page(dialog, entry.tab);
    const QString name = QString::number(entry.controlId);
    if (auto* list = page->findChild<QComboBox*>(name)) {
        const int index = list->findText(entry.text, Qt::MatchExactly);
        list->setCurrentIndex(index);
        return index >= 0;
    }
    auto* edit = page->findChild<QLineEdit*>(name);
    if (edit == nullptr) return false;
    edit->clear();
    QTest::keyClicks(edit, entry.text);
    return edit->text() == entry.text;
}

void Click(CCfgDlg& dialog, const char* buttonId) {
    QTest::mouseClick(dialog.findChild<QPushButton*>(QString::fromLatin1(buttonId)), Qt::LeftButton);
}

// "Section/Key=value" lines as they stand in a config.ini text.
bool HasLine(const std::string& ini, const QString& sectionKeyValue) {
    const QStringList parts = sectionKeyValue.split(QLatin1Char('/'));
    const std::string section = "[" + parts[0].toStdString() + "]\n";
    const std::size_t start = ini.find(section);
    if (start == std::string::npos) return false;
    const std::string body = ini.substr(start + section.size(), ini.find('[', start + 1) - start - section.size());
    return ("\n" + body).find("\n" + parts[1].toStdString() + "\n") != std::string::npos;
}

// Runs `work` with the file permissions of an ordinary user: root passes every
// permission check, so as root the filesystem ids of this thread become "nobody" for a
// while. False when that cannot be arranged.
template <typename Work>
bool WithoutRootPowers(Work work) {
    if (geteuid() != 0) {
        work();
        return true;
    }
    constexpr uid_t kNobody = 65534;
    setfsgid(kNobody);
    setfsuid(kNobody);
    const bool arranged = setfsuid(static_cast<uid_t>(-1)) == kNobody;
    if (arranged) work();
    setfsuid(0);
    setfsgid(0);
    return arranged;
}

}  // namespace

Q_DECLARE_METATYPE(Entries)

class PresetsDialogTest : public QObject {
    Q_OBJECT

private slots:
    void tabsShowTheStoredKind_data();
    void tabsShowTheStoredKind();
    void listsOfferTheTableItems();
    void oneTabPageIsShownAtATime();
    void tabPagesAreWhite();
    void zeroCorrectionIsCarriedThroughHidden();
    void okStores_data();
    void okStores();
    void okWhileGenericWritesW58SectionsBack();
    void cancelWritesNothing_data();
    void cancelWritesNothing();
    void failedSaveIsReported_data();
    void failedSaveIsReported();
};

void PresetsDialogTest::tabsShowTheStoredKind_data() {
    QTest::addColumn<QString>("ini");
    QTest::addColumn<int>("controlId");
    QTest::addColumn<QString>("shown");

    const QString w58 = QString::fromStdString(kW58Kind);
    const struct {
        const char* kind;
        QString ini;
        int controlId;
        const char* shown;
    } rows[] = {
        {"generic", "", 1031, "DN50"},        {"generic", "", 1007, "35"},          {"generic", "", 1047, "m3/h"},
        {"generic", "", 1049, "m3"},          {"generic", "", 1055, "1"},           {"W58", w58, 1031, "DN25"},
        {"W58", w58, 1007, "7"},              {"W58", w58, 1167, "正向累积"},       {"W58", w58, 1117, "kWh"},
        {"W58", w58, 1055, "1"},              {"W58", w58, 1278, "00000000"},       {"W58", w58, 1009, "8"},
        {"W58", w58, 1184, "9600"},           {"W58", w58, 1191, "无校验"},         {"W58", w58, 1199, "2-1 4-3"},
        {"W58 kJ", w58 + "[W58NormalCfg 1]\nHeatAccuUnit=2\n[W58NormalCfg 2]\nHeatAccuUnit=2\n[W58NormalCfg 3]\n"
                         "HeatAccuUnit=2\n[W58NormalCfg 4]\nHeatAccuUnit=2\n[W58NormalCfg 5]\nHeatAccuUnit=2\n",
         1117, "kWh"},
        {"W58 DN below 20", w58 + "[W58NormalCfg 1]\nDN=3\n[W58NormalCfg 2]\nDN=3\n[W58NormalCfg 3]\nDN=3\n"
                                  "[W58NormalCfg 4]\nDN=3\n[W58NormalCfg 5]\nDN=3\n",
         1031, "DN20"},
    };
    for (const auto& row : rows) {
        QTest::addRow("%s %d", row.kind, row.controlId) << row.ini << row.controlId << QString::fromUtf8(row.shown);
    }
}

void PresetsDialogTest::tabsShowTheStoredKind() {
    QFETCH(QString, ini);
    QFETCH(int, controlId);
    QFETCH(QString, shown);
    TempSettings temp;
    if (!ini.isEmpty()) temp.WriteIni(ini.toStdString());
    ScriptedPrompter prompter;
    CCfgDlg dialog(prompter);

    QCOMPARE(dialog.windowTitle(), QStringLiteral("常用配置设置"));
    auto* tabs = dialog.findChild<QTabWidget*>(QStringLiteral("1073"));
    QVERIFY(tabs != nullptr);
    QCOMPARE(tabs->count(), 5);
    const bool w58 = ini.startsWith(QStringLiteral("[MeterType]\nType=1"));
    QCOMPARE(dialog.findChildren<kelvo::CCfgW58CommonDlg*>().size(), w58 ? 5 : 0);
    QCOMPARE(dialog.findChildren<kelvo::CCfgCommonDlg*>().size(), w58 ? 0 : 5);
    for (int n = 0; n < 5; ++n) {
        QCOMPARE(tabs->tabText(n), QStringLiteral("配置%1").arg(n + 1));
        QCOMPARE(Shown(Page(dialog, n), controlId), shown);
    }
    QVERIFY(prompter.Entries().empty());
}

void PresetsDialogTest::listsOfferTheTableItems() {
    const struct {
        std::string ini;
        std::vector<const char*> labels;  // the visible labels, in field order
        int listId;
        QStringList items;
    } cases[] = {
        {"",
         {"口径", "流量量程", "流量单位", "累积单位", "传感器系数"},
         1049,
         {"L", "m3", "kg", "t", "gal", "Igal"}},
        {"",
         {},
         1047,
         {"L/s", "L/min", "L/h", "m3/s", "m3/min", "m3/h", "kg/s", "kg/min", "kg/h", "t/s", "t/min", "t/h", "gal/s",
          "gal/min", "gal/h", "Igal/s", "Igal/min", "Igal/h"}},
        {"",
         {},
         1031,
         {"DN1",   "DN2",   "DN3",   "DN4",    "DN5",    "DN6",    "DN8",    "DN10",   "DN15",
          "DN20",  "DN25",  "DN32",  "DN40",   "DN50",   "DN65",   "DN80",   "DN100",  "DN125",
          "DN150", "DN200", "DN250", "DN300",  "DN350",  "DN400",  "DN450",  "DN500",  "DN600",
          "DN700", "DN800", "DN900", "DN1000", "DN1200", "DN1400", "DN1600", "DN1800", "DN2000"}},
        {kW58Kind,
         {"口径", "流量量程", "流量累积显示", "能量累积单位", "传感器系数", "表号", "通讯地址", "波特率", "校验方式",
          "字节顺序"},
         1031,
         {"DN20", "DN25", "DN32"}},
        {kW58Kind, {}, 1167, {"正向累积", "反向累积", "净累积"}},
        {kW58Kind, {}, 1117, {"kWh", "MWh", "MJ", "GJ"}},
        {kW58Kind, {}, 1184, {"1200", "2400", "4800", "9600"}},
        {kW58Kind, {}, 1191, {"无校验", "奇校验", "偶校验"}},
        {kW58Kind, {}, 1199, {"1-2 3-4", "2-1 4-3", "3-4 1-2", "4-3 2-1"}},
    };
    for (const auto& c : cases) {
        TempSettings temp;
        if (!c.ini.empty()) temp.WriteIni(c.ini);
        ScriptedPrompter prompter;
        CCfgDlg dialog(prompter);
        dialog.show();
        QWidget* page = Page(dialog, 0);
        auto* list = page->findChild<QComboBox*>(QString::number(c.listId));
        QVERIFY(list != nullptr);
        QStringList items;
        for (int i = 0; i < list->count(); ++i) items << list->itemText(i);
        QCOMPARE(items, c.items);
        if (c.labels.empty()) continue;
        QStringList visibleLabels;
        for (const QLabel* label : page->findChildren<QLabel*>()) {
            if (label->isVisible()) visibleLabels << label->text();
        }
        QStringList expected;
        for (const char* label : c.labels) expected << QString::fromUtf8(label);
        QCOMPARE(visibleLabels, expected);
    }
}

void PresetsDialogTest::oneTabPageIsShownAtATime() {
    TempSettings temp;
    ScriptedPrompter prompter;
    CCfgDlg dialog(prompter);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    auto* tabs = dialog.findChild<QTabWidget*>(QStringLiteral("1073"));
    const auto expectOnlyVisible = [&](int shown) {
        for (int n = 0; n < 5; ++n) QCOMPARE(Page(dialog, n)->isVisible(), n == shown);
    };
    expectOnlyVisible(0);
    for (const int n : {3, 1, 4, 0, 2}) {
        QTest::mouseClick(tabs->tabBar(), Qt::LeftButton, {}, tabs->tabBar()->tabRect(n).center());
        QCOMPARE(tabs->currentIndex(), n);
        expectOnlyVisible(n);
    }
}

void PresetsDialogTest::tabPagesAreWhite() {
    for (const std::string& ini : {std::string{}, kW58Kind}) {
        TempSettings temp;
        if (!ini.empty()) temp.WriteIni(ini);
        ScriptedPrompter prompter;
        CCfgDlg dialog(prompter);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QWidget* page = Page(dialog, 0);
        const QImage image = page->grab().toImage();
        QVERIFY(!image.isNull());
        // Corners of the page hold no control.
        for (const QPoint corner : {QPoint(1, 1), QPoint(image.width() - 2, image.height() - 2)}) {
            QCOMPARE(image.pixelColor(corner), QColor(Qt::white));
        }
        for (QWidget* control : page->findChildren<QWidget*>()) {
            QCOMPARE(control->palette().color(QPalette::Window), QColor(Qt::white));
            QCOMPARE(control->palette().color(QPalette::Base), QColor(Qt::white));
        }
    }
}

void PresetsDialogTest::zeroCorrectionIsCarriedThroughHidden() {
    TempSettings temp;
    temp.WriteIni("[NormalCfg 2]\nZeroFact=0.0123\n");
    ScriptedPrompter prompter;
    CCfgDlg dialog(prompter);
    dialog.show();
    QWidget* page = Page(dialog, 1);
    auto* edit = page->findChild<QLineEdit*>(QStringLiteral("1056"));
    QVERIFY(edit != nullptr);
    QVERIFY(edit->isHidden());
    QCOMPARE(edit->text(), QStringLiteral("0.0123"));
    QLabel* zeroLabel = nullptr;
    for (QLabel* label : page->findChildren<QLabel*>()) {
        if (label->text() == QStringLiteral("零点修正(m/s)")) zeroLabel = label;
    }
    QVERIFY(zeroLabel != nullptr);
    QVERIFY(zeroLabel->isHidden());

    Click(dialog, "1");
    QVERIFY(HasLine(temp.ReadIni(), QStringLiteral("NormalCfg 2/ZeroFact=0.0123")));
    QVERIFY(HasLine(temp.ReadIni(), QStringLiteral("NormalCfg 1/ZeroFact=0.0000")));
}

void PresetsDialogTest::okStores_data() {
    QTest::addColumn<QString>("ini");
    QTest::addColumn<Entries>("entries");
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<QStringList>("lines");

    const QString w58 = QString::fromStdString(kW58Kind);
    const QString rangePrompt = QStringLiteral("请输入一个 0 至 99999999 之间的整数。");
    QTest::newRow("4800 on tab 2 only") << w58 << Entries{{1, 1184, "4800"}} << QStringList{}
                                        << QStringList{"W58NormalCfg 1/Baudrate=3", "W58NormalCfg 2/Baudrate=2",
                                                       "W58NormalCfg 3/Baudrate=3", "W58NormalCfg 5/Baudrate=3"};
    QTest::newRow("kJ goes back as kWh") << w58 + "[W58NormalCfg 3]\nHeatAccuUnit=2\n" << Entries{} << QStringList{}
                                         << QStringList{"W58NormalCfg 3/HeatAccuUnit=0"};
    QTest::newRow("MJ chosen") << w58 << Entries{{0, 1117, "MJ"}} << QStringList{}
                               << QStringList{"W58NormalCfg 1/HeatAccuUnit=3"};
    QTest::newRow("DN below 20 goes back as DN20") << w58 + "[W58NormalCfg 1]\nDN=4\n" << Entries{} << QStringList{}
                                                   << QStringList{"W58NormalCfg 1/DN=9"};
    QTest::newRow("DN above 32 untouched stays") << w58 + "[W58NormalCfg 1]\nDN=12\n" << Entries{} << QStringList{}
                                                 << QStringList{"W58NormalCfg 1/DN=12"};
    QTest::newRow("DN above 32 replaced") << w58 + "[W58NormalCfg 1]\nDN=12\n" << Entries{{0, 1031, "DN32"}}
                                          << QStringList{} << QStringList{"W58NormalCfg 1/DN=11"};
    QTest::newRow("W58 every field") << w58
                                     << Entries{{4, 1031, "DN20"},  {4, 1007, "12.345678"}, {4, 1167, "净累积"},
                                                {4, 1117, "GJ"},    {4, 1055, "0.9876543"}, {4, 1278, "1234"},
                                                {4, 1009, "247"},   {4, 1184, "1200"},      {4, 1191, "偶校验"},
                                                {4, 1199, "4-3 2-1"}}
                                     << QStringList{}
                                     << QStringList{"W58NormalCfg 5/DN=9",           "W58NormalCfg 5/FlowAccuView=2",
                                                    "W58NormalCfg 5/HeatAccuUnit=4", "W58NormalCfg 5/FlowScale=12.3457",
                                                    "W58NormalCfg 5/SnsrCode=1234",  "W58NormalCfg 5/SnsrFact=0.98765",
                                                    "W58NormalCfg 5/Addr=247",       "W58NormalCfg 5/Baudrate=0",
                                                    "W58NormalCfg 5/Parity=2",       "W58NormalCfg 5/Swap=3"};
    QTest::newRow("generic every field")
        << QString() << Entries{{2, 1031, "DN2000"}, {2, 1007, "1e3"}, {2, 1047, "Igal/h"}, {2, 1049, "kg"},
                                {2, 1055, "0.5"}}
        << QStringList{}
        << QStringList{"NormalCfg 3/DN=35",          "NormalCfg 3/FlowScale=1000.0000", "NormalCfg 3/FlowUnit=17",
                       "NormalCfg 3/FlowAccuUnit=2", "NormalCfg 3/SnsrFact=0.50000",    "NormalCfg 2/DN=13"};
    // A failed check ends the reading of its tab: the fields before it are taken, it and
    // the fields after it keep their values, and OK still saves and closes.
    QTest::newRow("range not a number")
        << w58 << Entries{{0, 1031, "DN32"}, {0, 1007, "7,5"}, {0, 1184, "4800"}} << QStringList{"请输入一个数字。"}
        << QStringList{"W58NormalCfg 1/DN=11", "W58NormalCfg 1/FlowScale=7.0000", "W58NormalCfg 1/Baudrate=3"};
    QTest::newRow("generic sensor factor empty")
        << QString() << Entries{{0, 1049, "L"}, {0, 1055, ""}} << QStringList{"请输入一个数字。"}
        << QStringList{"NormalCfg 1/FlowAccuUnit=0", "NormalCfg 1/SnsrFact=1.00000"};
    QTest::newRow("meter number not an integer")
        << w58 + "[W58NormalCfg 2]\nSnsrCode=77\n" << Entries{{1, 1278, "12a"}, {1, 1009, "5"}}
        << QStringList{"请输入一个整数。"} << QStringList{"W58NormalCfg 2/SnsrCode=77", "W58NormalCfg 2/Addr=8"};
    QTest::newRow("meter number out of range")
        << w58 << Entries{{1, 1055, "2"}, {1, 1278, "123456789"}, {1, 1009, "5"}, {1, 1199, "1-2 3-4"}}
        << QStringList{rangePrompt}
        << QStringList{"W58NormalCfg 2/SnsrFact=2.00000", "W58NormalCfg 2/SnsrCode=123456789",
                       "W58NormalCfg 2/Addr=8", "W58NormalCfg 2/Swap=1"};
    QTest::newRow("address not an integer")
        << w58 << Entries{{3, 1278, "42"}, {3, 1009, "8.5"}, {3, 1191, "奇校验"}} << QStringList{"请输入一个整数。"}
        << QStringList{"W58NormalCfg 4/SnsrCode=42", "W58NormalCfg 4/Addr=8", "W58NormalCfg 4/Parity=0"};
    QTest::newRow("one message per failing tab")
        << w58 << Entries{{0, 1009, "x"}, {2, 1007, ""}, {4, 1278, "-1"}}
        << QStringList{"请输入一个整数。", "请输入一个数字。", rangePrompt}
        << QStringList{"W58NormalCfg 1/Addr=8", "W58NormalCfg 3/FlowScale=7.0000", "W58NormalCfg 5/SnsrCode=-1"};
}

void PresetsDialogTest::okStores() {
    QFETCH(QString, ini);
    QFETCH(Entries, entries);
    QFETCH(QStringList, messages);
    QFETCH(QStringList, lines);
    TempSettings temp;
    if (!ini.isEmpty()) temp.WriteIni(ini.toStdString());
    ScriptedPrompter prompter;
    CCfgDlg dialog(prompter);
    dialog.show();
    for (const Entry& entry : entries) QVERIFY2(Enter(dialog, entry), qPrintable(entry.text));

    Click(dialog, "1");
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QVERIFY(!dialog.isVisible());
    QStringList shownMessages;
    for (const std::string& text : prompter.Texts()) shownMessages << QString::fromStdString(text);
    QCOMPARE(shownMessages, messages);
    const std::string written = temp.ReadIni();
    for (const QString& line : lines) QVERIFY2(HasLine(written, line), qPrintable(line + "\n" + written.c_str()));
}

void PresetsDialogTest::okWhileGenericWritesW58SectionsBack() {
    const std::string ini =
        "[ComSet]\nCOM=USB0\n[NormalCfg 1]\nDN=20\nFlowScale=12.345678\n"
        "[W58NormalCfg 1]\nDN=50\nHeatAccuUnit=2\nSnsrCode=123456789\nFlowScale=1e3\nBaudrate=7\nSwap=x\n"
        "[W58NormalCfg 4]\nDN=3\nFlowAccuView=9\nSnsrFact=abc\n";
    std::string reference;
    {
        TempSettings temp;
        temp.WriteIni(ini);
        QVERIFY(kelvo::SavePresets(kelvo::LoadPresets()));
        reference = temp.ReadIni();
    }
    TempSettings temp;
    temp.WriteIni(ini);
    ScriptedPrompter prompter;
    CCfgDlg dialog(prompter);
    dialog.show();
    Click(dialog, "1");
    QVERIFY(prompter.Entries().empty());
    QCOMPARE(temp.ReadIni(), reference);
}

void PresetsDialogTest::cancelWritesNothing_data() {
    QTest::addColumn<QString>("ini");
    QTest::addColumn<bool>("pressEscape");
    QTest::newRow("no file") << QString() << false;
    QTest::newRow("W58 file") << QString::fromStdString(kW58Kind + "; note\n[W58NormalCfg 1]\nDN = 4\n") << false;
    QTest::newRow("generic file, Escape") << QStringLiteral("[NormalCfg 1]\r\nFlowScale=1.5\r\n") << true;
}

void PresetsDialogTest::cancelWritesNothing() {
    QFETCH(QString, ini);
    QFETCH(bool, pressEscape);
    TempSettings temp;
    if (!ini.isEmpty()) temp.WriteIni(ini.toStdString());
    ScriptedPrompter prompter;
    CCfgDlg dialog(prompter);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QVERIFY(Enter(dialog, {0, 1031, "DN20"}));
    QVERIFY(Enter(dialog, {0, 1007, "oops"}));
    if (pressEscape) {
        QTest::keyClick(&dialog, Qt::Key_Escape);
    } else {
        Click(dialog, "2");
    }
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    QVERIFY(!dialog.isVisible());
    QVERIFY(prompter.Entries().empty());
    if (ini.isEmpty()) {
        QVERIFY(!fs::exists(temp.KelvoFolder()));
    } else {
        QCOMPARE(QString::fromStdString(temp.ReadIni()), ini);
    }
}

void PresetsDialogTest::failedSaveIsReported_data() {
    QTest::addColumn<bool>("readOnlyFolder");
    QTest::newRow("read-only settings folder") << true;
    QTest::newRow("folder name taken by a file") << false;
}

void PresetsDialogTest::failedSaveIsReported() {
    QFETCH(bool, readOnlyFolder);
    TempSettings temp;
    const std::string old = kW58Kind + "[W58NormalCfg 1]\nAddr=3\n";
    if (readOnlyFolder) {
        temp.WriteIni(old);
        // An ordinary user must be able to reach the folder for the case to mean anything.
        fs::permissions(temp.ConfigHome(), fs::perms::all);
        fs::permissions(temp.KelvoFolder(), fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                                                fs::perms::group_exec | fs::perms::others_read |
                                                fs::perms::others_exec);
    } else {
        std::ofstream(temp.KelvoFolder()) << "not a folder";
    }
    ScriptedPrompter prompter;
    CCfgDlg dialog(prompter);
    dialog.show();
    QVERIFY(Enter(dialog, {0, 1031, "DN20"}));
    const bool ran = WithoutRootPowers([&] { Click(dialog, "1"); });
    if (readOnlyFolder) fs::permissions(temp.KelvoFolder(), fs::perms::all);
    if (!ran) QSKIP("cannot drop root's file permissions");

    QCOMPARE(prompter.Texts(), std::vector<std::string>{std::string(kelvo::kSaveSettingsFailedText)});
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QVERIFY(!dialog.isVisible());
    if (readOnlyFolder) QCOMPARE(temp.ReadIni(), old);
}

QTEST_MAIN(PresetsDialogTest)
#include "presets_dialog_test.moc"
