// SPDX-License-Identifier: GPL-3.0-or-later
// The serial settings dialog: what it shows from config.ini, what OK stores there,
// what it refuses, and the port names it offers.

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QPushButton>
#include <QtTest>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "messages/prompter.h"
#include "settings/settings.h"
#include "support/scripted_prompter.h"
#include "support/temp_settings.h"
#include "ui/dialogs/com_set_dlg.h"
#include "ui/dialogs/port_choices.h"
#include "ui_test_support.h"

using namespace kelvo;
using kelvo::test::ById;
using kelvo::test::ScriptedPrompter;
using kelvo::test::TempSettings;

namespace {

namespace fs = std::filesystem;

const std::string kStoredSettings =
    "[ComSet]\nAddr=17\nCOM=COM3\nBaudRate=19200\nParity=1\nReadTotalTimeoutConstant=250\nSwap=2\n"
    "[MeterType]\nType=1\n";

std::string ComSetWithBaud(int baudRate) {
    return "[ComSet]\nAddr=17\nCOM=COM3\nBaudRate=" + std::to_string(baudRate) +
           "\nParity=1\nReadTotalTimeoutConstant=250\nSwap=2\n";
}

struct Dialog {
    explicit Dialog(const std::string& ini) {
        if (!ini.empty()) settings.WriteIni(ini);
        dlg = std::make_unique<CComSetDlg>(prompter);
    }
    QLineEdit* Address() const { return ById<QLineEdit>(dlg.get(), 1028); }
    QComboBox* Port() const { return ById<QComboBox>(dlg.get(), 1019); }
    QComboBox* Baud() const { return ById<QComboBox>(dlg.get(), 1022); }
    QComboBox* Parity() const { return ById<QComboBox>(dlg.get(), 1025); }
    QComboBox* ByteOrder() const { return ById<QComboBox>(dlg.get(), 1033); }
    QComboBox* Kind() const { return dlg->findChild<QComboBox*>("linkType"); }
    QLineEdit* Host() const { return dlg->findChild<QLineEdit*>("host"); }
    QLineEdit* TcpPort() const { return dlg->findChild<QLineEdit*>("tcpPort"); }
    QSpinBox* NetTimeout() const { return dlg->findChild<QSpinBox*>("netTimeout"); }
    QLabel* Note() const { return dlg->findChild<QLabel*>("networkNote"); }
    void Press(int buttonId) const { QTest::mouseClick(ById<QPushButton>(dlg.get(), buttonId), Qt::LeftButton); }

    TempSettings settings;
    ScriptedPrompter prompter;
    std::unique_ptr<CComSetDlg> dlg;
};

QStringList Items(const QComboBox* list) {
    QStringList items;
    for (int i = 0; i < list->count(); ++i) items << list->itemText(i);
    return items;
}

void Touch(const fs::path& path, const std::string& text = {}) { std::ofstream(path) << text; }

}  // namespace

class ComSetDlgTest : public QObject {
    Q_OBJECT

private slots:
    void showsTheStoredSettings() {
        Dialog d(kStoredSettings);
        QCOMPARE(d.dlg->windowTitle(), QString("串口设置"));
        QCOMPARE(d.Address()->text(), QString("17"));
        QCOMPARE(d.Port()->currentText(), QString("COM3"));
        QCOMPARE(Items(d.Baud()), QStringList({"1200", "2400", "4800", "9600", "19200", "38400", "57600"}));
        QCOMPARE(d.Baud()->currentText(), QString("19200"));
        QCOMPARE(Items(d.Parity()), QStringList({"无校验", "奇校验", "偶校验"}));
        QCOMPARE(d.Parity()->currentIndex(), 1);
        QCOMPARE(Items(d.ByteOrder()), QStringList({"1-2 3-4", "2-1 4-3", "3-4 1-2", "4-3 2-1"}));
        QCOMPARE(d.ByteOrder()->currentIndex(), 2);
        QCOMPARE(Items(d.Port()).mid(0, 6), QStringList({"COM1", "COM2", "COM3", "COM4", "COM5", "COM6"}));
        QCOMPARE(ById<QPushButton>(d.dlg.get(), 1)->text(), QString("确定"));
        QCOMPARE(ById<QPushButton>(d.dlg.get(), 2)->text(), QString("取消"));
    }

    void baudRateSelection_data() {
        QTest::addColumn<QString>("ini");
        QTest::addColumn<int>("selected");
        QTest::newRow("no file: 9600") << "" << 3;
        QTest::newRow("1200") << QString::fromStdString(ComSetWithBaud(1200)) << 0;
        QTest::newRow("57600") << QString::fromStdString(ComSetWithBaud(57600)) << 6;
        QTest::newRow("115200") << QString::fromStdString(ComSetWithBaud(115200)) << -1;
        QTest::newRow("9601") << QString::fromStdString(ComSetWithBaud(9601)) << -1;
    }
    void baudRateSelection() {
        QFETCH(QString, ini);
        QFETCH(int, selected);
        Dialog d(ini.toStdString());
        QCOMPARE(d.Baud()->currentIndex(), selected);
    }

    void okWithoutChangesWritesBackTheLoadedValues() {
        Dialog d(kStoredSettings);
        const SerialSettings loaded = LoadSerialSettings();
        d.settings.WriteIni("[MeterType]\nType=1\n");  // so that every key must be written again
        d.Press(1);
        QCOMPARE(d.dlg->result(), static_cast<int>(QDialog::Accepted));
        QCOMPARE(LoadSerialSettings(), loaded);
        const std::string ini = d.settings.ReadIni();
        for (const char* line : {"Addr=17", "COM=COM3", "BaudRate=19200", "Parity=1", "ReadTotalTimeoutConstant=250",
                                 "Swap=2", "Type=1"})
            QVERIFY2(ini.find(line) != std::string::npos, line);
        QVERIFY(d.prompter.Texts().empty());
    }

    void okStoresWhatWasChosen() {
        Dialog d(kStoredSettings);
        d.Address()->setText("42");
        d.Port()->setEditText("COM10");
        d.Baud()->setCurrentIndex(6);
        d.Parity()->setCurrentIndex(2);
        d.ByteOrder()->setCurrentIndex(0);
        d.Press(1);
        QCOMPARE(d.dlg->result(), static_cast<int>(QDialog::Accepted));
        const SerialSettings expected{.portName = "COM10", .baudRate = 57600, .address = 42, .parity = 2,
                                      .readTotalTimeout = 250, .byteOrderMode = 0};
        QCOMPARE(LoadSerialSettings(), expected);
        QVERIFY(d.settings.ReadIni().find("COM=COM10") != std::string::npos);
    }

    void cancelLeavesTheFileByteIdentical() {
        Dialog d(kStoredSettings);
        d.Address()->setText("99");
        d.Port()->setEditText("USB0");
        d.Baud()->setCurrentIndex(0);
        d.Parity()->setCurrentIndex(0);
        d.ByteOrder()->setCurrentIndex(3);
        d.Press(2);
        QCOMPARE(d.dlg->result(), static_cast<int>(QDialog::Rejected));
        QCOMPARE(d.settings.ReadIni(), kStoredSettings);
    }

    void refusalsKeepTheDialogOpenAndSaveNothing_data() {
        QTest::addColumn<QString>("ini");
        QTest::addColumn<QString>("port");
        QTest::addColumn<QString>("message");
        QTest::newRow("six characters") << QString::fromStdString(kStoredSettings) << "COM100"
                                        << QString::fromUtf8(kPortNameTooLongText);
        QTest::newRow("device path") << QString::fromStdString(kStoredSettings) << "/dev/ttyUSB0"
                                     << QString::fromUtf8(kPortNameTooLongText);
        for (const char* escapes : {"..", ".", "/tmp", "a/b"}) {
            QTest::newRow(escapes) << QString::fromStdString(kStoredSettings) << escapes
                                   << QString::fromUtf8(kPortNameEscapesText);
        }
        QTest::newRow("no baud rate") << QString::fromStdString(ComSetWithBaud(115200)) << "COM3"
                                      << QString::fromUtf8(kChooseBaudRateText);
    }
    void refusalsKeepTheDialogOpenAndSaveNothing() {
        QFETCH(QString, ini);
        QFETCH(QString, port);
        QFETCH(QString, message);
        Dialog d(ini.toStdString());
        d.dlg->show();
        d.Port()->setEditText(port);
        d.Press(1);
        QCOMPARE(d.prompter.Texts(), std::vector<std::string>{message.toStdString()});
        QVERIFY(d.dlg->isVisible());
        QCOMPARE(d.dlg->result(), 0);
        QCOMPARE(d.settings.ReadIni(), ini.toStdString());
    }

    void anAddressThatIsNoIntegerKeepsTheOldOne_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("stored");
        QTest::addColumn<bool>("prompted");
        QTest::newRow("letters") << "abc" << 17 << true;
        QTest::newRow("empty") << "" << 17 << true;
        QTest::newRow("trailing letters") << "12x" << 17 << true;
        QTest::newRow("blanks around") << " 12 " << 12 << false;
        QTest::newRow("negative") << "-3" << -3 << false;
        QTest::newRow("beyond range") << "300" << 300 << false;  // stored as typed
    }
    void anAddressThatIsNoIntegerKeepsTheOldOne() {
        QFETCH(QString, typed);
        QFETCH(int, stored);
        QFETCH(bool, prompted);
        Dialog d(kStoredSettings);
        d.Address()->setText(typed);
        d.Port()->setEditText("COM5");
        d.Press(1);
        const std::vector<std::string> expected =
            prompted ? std::vector<std::string>{std::string(kEnterIntegerText)} : std::vector<std::string>{};
        QCOMPARE(d.prompter.Texts(), expected);
        QCOMPARE(d.dlg->result(), static_cast<int>(QDialog::Accepted));
        QCOMPARE(LoadSerialSettings().address, stored);
        QCOMPARE(LoadSerialSettings().portName, std::string("COM5"));
    }

    void aConverterIsChosenWithItsHostAndPort() {
        Dialog d(kStoredSettings);
        QCOMPARE(Items(d.Kind()), QStringList({"串口", "RTU over TCP（串口服务器）", "Modbus TCP（网关）"}));
        QCOMPARE(d.Kind()->currentIndex(), 0);
        QVERIFY(!d.Host()->isEnabled() && d.Baud()->isEnabled() && d.Note()->isHidden());

        // The TCP port follows the kind until the user types one.
        d.Kind()->setCurrentIndex(2);
        QCOMPARE(d.TcpPort()->text(), QString("502"));
        QVERIFY(d.Host()->isEnabled() && !d.Baud()->isEnabled() && !d.Parity()->isEnabled() && !d.Port()->isEnabled());
        QVERIFY(!d.Note()->isHidden());
        d.Kind()->setCurrentIndex(1);
        QCOMPARE(d.TcpPort()->text(), QString("4001"));
        d.TcpPort()->clear();
        QTest::keyClicks(d.TcpPort(), "8899");
        d.Kind()->setCurrentIndex(2);
        QCOMPARE(d.TcpPort()->text(), QString("8899"));

        d.Host()->setText("[::1]");
        d.NetTimeout()->setValue(5000);
        d.Press(1);
        QCOMPARE(d.dlg->result(), static_cast<int>(QDialog::Accepted));
        const std::string ini = d.settings.ReadIni();
        QVERIFY2(ini.find("Swap=2\nLinkType=2\nHost=[::1]\nTcpPort=8899\nNetTimeout=5000\n") != std::string::npos,
                 ini.c_str());
        QVERIFY2(ini.find("COM=COM3\nBaudRate=19200\nParity=1") != std::string::npos, "the serial line stays stored");

        // Opened again, it shows the converter; back to serial, the converter stays stored.
        Dialog again(ini);
        QCOMPARE(again.Kind()->currentIndex(), 2);
        QCOMPARE(again.Host()->text(), QString("[::1]"));
        QCOMPARE(again.TcpPort()->text(), QString("8899"));
        again.Kind()->setCurrentIndex(0);
        again.Press(1);
        QCOMPARE(LoadSerialSettings().linkType, kLinkSerial);
        QCOMPARE(LoadSerialSettings().host, std::string("[::1]"));
    }

    void aBadHostOrPortIsRefused_data() {
        QTest::addColumn<QString>("host");
        QTest::addColumn<QString>("port");
        QTest::addColumn<QString>("message");
        QTest::newRow("no host") << "" << "502" << QString::fromUtf8(HostProblemText(""));
        QTest::newRow("a blank") << "127.0.0 .1" << "502" << QString::fromUtf8(HostProblemText(" "));
        QTest::newRow("brackets around a name") << "[localhost]" << "502" << QString::fromUtf8(HostProblemText("[gw]"));
        QTest::newRow("a path") << "localhost/502" << "502" << QString::fromUtf8(HostProblemText(" "));
        QTest::newRow("port 0") << "127.0.0.1" << "0" << QString::fromUtf8(kTcpPortText);
        QTest::newRow("port beyond 65535") << "127.0.0.1" << "65536" << QString::fromUtf8(kTcpPortText);
        QTest::newRow("port in words") << "127.0.0.1" << "http" << QString::fromUtf8(kTcpPortText);
    }
    void aBadHostOrPortIsRefused() {
        QFETCH(QString, host);
        QFETCH(QString, port);
        QFETCH(QString, message);
        Dialog d(kStoredSettings);
        d.dlg->show();
        d.Kind()->setCurrentIndex(2);
        d.Host()->setText(host);
        d.TcpPort()->setText(port);
        d.Press(1);
        QCOMPARE(d.prompter.Texts(), std::vector<std::string>{message.toStdString()});
        QVERIFY(d.dlg->isVisible());
        QCOMPARE(d.settings.ReadIni(), kStoredSettings);
    }

    void aFailedSaveIsReported() {
        Dialog d(kStoredSettings);
        {
            const kelvo::test::FileWritesFail diskFull;
            d.Press(1);
        }
        QCOMPARE(d.prompter.Texts(), std::vector<std::string>{std::string(kSaveSettingsFailedText)});
        QCOMPARE(d.prompter.Entries().at(0).detail, SaveErrorText({SaveError::DiskFull, EFBIG}));
        QCOMPARE(d.settings.ReadIni(), kStoredSettings);
    }

    void offersThePortsOfThisMachineAndTheMappedNames() {
        TempSettings settings;
        const fs::path root = settings.ConfigHome();
        const fs::path dev = root / "dev", tty = root / "tty", mapped = root / "ports";
        for (const fs::path& folder : {dev, tty, mapped}) fs::create_directories(folder);
        for (const char* name : {"ttyUSB1", "ttyUSB0", "ttyACM0", "ttyS0", "ttyS1", "ttyS4", "ttyS12", "tty5",
                                 "ttyUSB123456", "null", "ttyACMx"})
            Touch(dev / name);
        // ttyS1 has no UART behind it; ttyS4 and ttyS12 have.
        for (const auto& [name, type] : {std::pair{"ttyS0", "4"}, {"ttyS1", "0"}, {"ttyS4", "4"}, {"ttyS12", "4"}}) {
            fs::create_directories(tty / name);
            Touch(tty / name / "type", std::string(type) + "\n");
        }
        for (const char* name : {"PLC", "COM2", "METER2", ".hidden"}) Touch(mapped / name);

        const PortChoiceRoots roots{.devFolder = dev.string(), .ttyClassFolder = tty.string(),
                                    .mappedFolder = mapped.string()};
        const std::vector<std::string> expected = {"COM1", "COM2", "COM3", "COM4", "COM5",  "COM6",
                                                   "USB0", "USB1", "ACM0", "COM13", "PLC"};
        QCOMPARE(SerialPortChoices(roots), expected);

        // The dialog shows the names mapped in the settings folder.
        settings.MapPort("LAB1", "/dev/null");
        ScriptedPrompter prompter;
        CComSetDlg dlg(prompter);
        QVERIFY(Items(ById<QComboBox>(&dlg, 1019)).contains("LAB1"));
    }
};

KELVO_UI_TEST_MAIN(ComSetDlgTest)
#include "com_set_dlg_test.moc"
