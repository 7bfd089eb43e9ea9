// SPDX-License-Identifier: GPL-3.0-or-later
// The generic meter page as a user sees it, offscreen: its controls by id, their items
// and first values, a 读取 and a 写入 press against the simulated meter, the lock of the
// connected state and the live view.

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include <clocale>
#include <memory>
#include <string>
#include <vector>

#include "line/line_owner.h"
#include "link/stop_event.h"
#include "meter/live_record.h"
#include "pages/normal_cfg_page.h"
#include "ui/line_runner.h"
#include "ui/pages/parameter_page_view.h"
#include "sim/meter_simulator.h"
#include "support/scripted_prompter.h"
#include "support/temp_settings.h"
#include "vocabulary/value_tables.h"

namespace kelvo {
namespace {

const char* const kPortName = "SIM1";

QStringList ItemsOf(const QComboBox* list) {
    QStringList items;
    for (int i = 0; i < list->count(); ++i) items << list->itemText(i);
    return items;
}

QStringList Texts(std::initializer_list<const char*> texts) {
    QStringList list;
    for (const char* text : texts) list << QString::fromUtf8(text);
    return list;
}

// Every parameter control but the frequency upper limit, every 读取 and 写入 button
// (also the hidden ones), the function and the preset buttons.
const std::vector<int> kLockedControls = {
    1031, 1007, 1047, 1049, 1055, 1056, 1035, 1008, 1010, 1036, 1053, 1038, 1051, 1041, 1159, 1168,
    1060, 1072, 1074, 1075, 1076, 1077, 1078, 1079, 1112, 1114, 1108, 1110, 1080, 1081, 1082, 1083,
    1084, 1085, 1086, 1088, 1090, 1092, 1094, 1096, 1098, 1100, 1102, 1104, 1172, 1174, 1202, 1204,
    1045, 1043, 1014, 1026, 1057, 1059, 1061, 1062};

}  // namespace

class NormalCfgViewTest : public QObject {
    Q_OBJECT

private:
    template <class T>
    T* ById(int id) const {
        return page_->findChild<T*>(QString::number(id));
    }
    QString TextOf(int id) const { return ById<QLineEdit>(id)->text(); }
    QString ChosenIn(int id) const { return ById<QComboBox>(id)->currentText(); }
    void Click(int buttonId) {
        auto* button = ById<QPushButton>(buttonId);
        QVERIFY2(button != nullptr, qPrintable(QString::number(buttonId)));
        prompter_.Clear();
        meter_->ClearRequests();
        QTest::mouseClick(button, Qt::LeftButton);
        // The press runs on the line; its outcome is there once the runner is idle.
        QTRY_VERIFY_WITH_TIMEOUT(!runner_->Busy(), 10000);
    }

    std::unique_ptr<test::TempSettings> settings_;
    std::unique_ptr<sim::MeterSimulator> meter_;
    test::ScriptedPrompter prompter_;
    StopEvent stop_;
    std::unique_ptr<LineOwner> line_;
    std::unique_ptr<CLineRunner> runner_;
    std::unique_ptr<CParameterPageView> page_;

private slots:
    void init() {
        settings_ = std::make_unique<test::TempSettings>();
        sim::SimOptions options;
        options.kind = sim::SimMeterKind::Generic;
        options.moveLiveValues = false;
        meter_ = std::make_unique<sim::MeterSimulator>(options);
        QVERIFY(meter_->Start());
        settings_->MapPort(kPortName, meter_->SlavePath());
        settings_->WriteIni(std::string("[ComSet]\nAddr=8\nCOM=") + kPortName +
                            "\nBaudRate=57600\nParity=0\nReadTotalTimeoutConstant=100\nSwap=1\n");
        prompter_.Clear();
        line_ = std::make_unique<LineOwner>(stop_);
        runner_ = std::make_unique<CLineRunner>(*line_, prompter_);
        page_ = std::make_unique<CParameterPageView>(NormalCfgDefinition(), nullptr, &prompter_, runner_.get());
        page_->resize(1600, 1000);
        page_->show();
        QVERIFY(QTest::qWaitForWindowExposed(page_.get()));
    }

    void cleanup() {
        runner_->Abandon();
        line_->Shutdown();
        page_.reset();
        runner_.reset();
        line_.reset();
        meter_.reset();
        settings_.reset();
    }

    void everyControlCarriesItsId() {
        QCOMPARE(page_->objectName(), QString("143"));
        for (int id : {1031, 1047, 1049, 1035, 1036, 1038, 1041, 1159}) {
            QVERIFY2(ById<QComboBox>(id) != nullptr, qPrintable(QString::number(id)));
        }
        for (int id : {1007, 1055, 1056, 1008, 1010, 1053, 1051, 1168, 1163}) {
            QVERIFY2(ById<QLineEdit>(id) != nullptr, qPrintable(QString::number(id)));
        }
        for (int id : kLockedControls) {
            QVERIFY2(ById<QWidget>(id) != nullptr, qPrintable(QString::number(id)));
        }
    }

    void listsCarryTheirItems() {
        QStringList diameters;
        for (int dn : DnList) diameters << QString("DN%1").arg(dn);
        QCOMPARE(ItemsOf(ById<QComboBox>(1031)).size(), 36);
        QCOMPARE(ItemsOf(ById<QComboBox>(1031)), diameters);
        QCOMPARE(ItemsOf(ById<QComboBox>(1031)).first(), QString("DN1"));
        QCOMPARE(ItemsOf(ById<QComboBox>(1031)).last(), QString("DN2000"));
        QStringList flowUnits;
        for (const char* volume : {"L", "m3", "kg", "t", "gal", "Igal"}) {
            for (const char* time : {"s", "min", "h"}) flowUnits << QString("%1/%2").arg(volume, time);
        }
        QCOMPARE(ItemsOf(ById<QComboBox>(1047)), flowUnits);
        QCOMPARE(ItemsOf(ById<QComboBox>(1049)), Texts({"L", "m3", "kg", "t", "gal", "Igal"}));
        QCOMPARE(ItemsOf(ById<QComboBox>(1035)), Texts({"正向", "反向"}));
        QCOMPARE(ItemsOf(ById<QComboBox>(1036)), Texts({"N", "Y"}));
        QCOMPARE(ItemsOf(ById<QComboBox>(1038)), Texts({"N", "Y"}));
        QCOMPARE(ItemsOf(ById<QComboBox>(1041)), Texts({"1200", "2400", "4800", "9600", "19200", "38400", "57600"}));
        QCOMPARE(ItemsOf(ById<QComboBox>(1159)), Texts({"频率", "脉冲"}));
    }

    void hiddenAndDisabledControls() {
        for (int id : {1056, 1108, 1110}) QVERIFY2(!ById<QWidget>(id)->isVisible(), qPrintable(QString::number(id)));
        for (int id : {1007, 1060, 1072, 1014, 1026}) QVERIFY(ById<QWidget>(id)->isVisible());
        QVERIFY(!ById<QLineEdit>(1163)->isEnabled());
        QCOMPARE(TextOf(1163), QString("2000"));
    }

    void initialValues() {
        QCOMPARE(ChosenIn(1031), QString("DN1"));
        QCOMPARE(TextOf(1007), QString("0"));
        QCOMPARE(ChosenIn(1047), QString("m3/h"));
        QCOMPARE(ChosenIn(1049), QString("m3"));
        QCOMPARE(TextOf(1055), QString("0"));
        QCOMPARE(ChosenIn(1035), QString::fromUtf8("正向"));
        QCOMPARE(TextOf(1008), QString("0"));
        QCOMPARE(TextOf(1010), QString("0"));
        QCOMPARE(ChosenIn(1036), QString("N"));
        QCOMPARE(TextOf(1053), QString("0"));
        QCOMPARE(ChosenIn(1038), QString("N"));
        QCOMPARE(TextOf(1051), QString("0"));
        QCOMPARE(ChosenIn(1041), QString("1200"));
        QCOMPARE(ChosenIn(1159), QString::fromUtf8("频率"));
        QCOMPARE(TextOf(1168), QString("0"));
    }

    void readButtonsShowWhatTheMeterHolds() {
        meter_->SetReg32(139, 125000);
        meter_->SetReg(149, 13);
        Click(1074);
        QCOMPARE(TextOf(1007), QString("12.5"));
        Click(1060);
        QCOMPARE(ChosenIn(1031), QString("DN50"));
        QVERIFY(prompter_.Entries().empty());
    }

    void writeButtonSendsTheTypedValue() {
        ById<QLineEdit>(1007)->setText("  7.25 ");
        Click(1075);
        QCOMPARE(meter_->Reg32(139), 72500U);
        QCOMPARE(prompter_.Texts(), std::vector<std::string>{"写入成功"});
    }

    void zeroBecomesZeroPointZeroOnWrite() {
        ById<QLineEdit>(1007)->setText("0");
        ById<QLineEdit>(1055)->setText("0");
        Click(1077);
        QCOMPARE(TextOf(1007), QString("0.0"));
        QCOMPARE(TextOf(1055), QString("0.0"));
    }

    void lockedWhileConnected() {
        page_->SetControlsEnabled(false);
        for (int id : kLockedControls) QVERIFY2(!ById<QWidget>(id)->isEnabled(), qPrintable(QString::number(id)));
        page_->SetControlsEnabled(true);
        for (int id : kLockedControls) QVERIFY2(ById<QWidget>(id)->isEnabled(), qPrintable(QString::number(id)));
        QVERIFY(!ById<QLineEdit>(1163)->isEnabled());
    }

    void liveValuesReachTheControls() {
        LiveRecord record;
        record.SetU16(115, 0);
        record.SetU16(116, 1);
        record.SetU32(139, 350000);
        record.SetU16(149, 0);
        page_->ShowLiveValues(record, 0);
        QCOMPARE(ChosenIn(1031), QString("DN3"));
        QCOMPARE(ChosenIn(1047), QString("L/min"));
        QCOMPARE(TextOf(1007), QString("35"));
        QCOMPARE(TextOf(1163), QString("2000"));
        record.SetU16(149, 31);  // no such legacy code
        page_->ShowLiveValues(record, 0);
        QCOMPARE(ById<QComboBox>(1031)->currentIndex(), -1);
    }
};

}  // namespace kelvo

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");  // as the program does
    kelvo::NormalCfgViewTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "normal_cfg_view_test.moc"
