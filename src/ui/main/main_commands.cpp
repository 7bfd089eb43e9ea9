// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/main/main_commands.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QPixmap>
#include <QToolBar>

namespace kelvo {

namespace {

// The toolbar images are XPM text, 16 × 15 pixels each.
#include "resources/connect.xpm"
#include "resources/disconnect.xpm"
#include "resources/settings.xpm"

QAction* MakeAction(QWidget* owner, int id, const char* text) {
    auto* action = new QAction(QString::fromUtf8(text), owner);
    action->setObjectName(QString::number(id));
    return action;
}

QAction* MakeToolAction(QWidget* owner, int id, const char* text, const char* const* image, const char* tip) {
    QAction* action = MakeAction(owner, id, text);
    action->setIcon(QIcon(QPixmap(image)));
    action->setToolTip(QString::fromUtf8(tip));
    return action;
}

}  // namespace

MainCommands BuildMainCommands(QWidget* owner) {
    MainCommands c;
    c.genericMeter = MakeAction(owner, kCmdGenericMeter, "通用仪表(&N)");
    c.w58Meter = MakeAction(owner, kCmdW58Meter, "W58仪表(&F)");
    c.genericMeter->setCheckable(true);
    c.w58Meter->setCheckable(true);
    c.connect = MakeToolAction(owner, kCmdConnect, "连接(&C)", connect_xpm, "连接仪表");
    c.disconnect = MakeToolAction(owner, kCmdDisconnect, "断开(&D)", disconnect_xpm, "断开连接");
    c.serialSettings = MakeToolAction(owner, kCmdSerialSettings, "设置(&S)", settings_xpm, "串口设置");
    c.meterSearch = MakeAction(owner, kCmdMeterSearch, "搜索仪表(&F)...");
    c.trafficMonitor = MakeAction(owner, kCmdTrafficMonitor, "通讯监视(&M)");
    c.trend = MakeAction(owner, kCmdTrend, "趋势(&T)");
    c.startLog = MakeAction(owner, kCmdStartLog, "开始记录(&L)...");
    c.stopLog = MakeAction(owner, kCmdStopLog, "停止记录(&E)");
    c.presets = MakeAction(owner, kCmdPresets, "常用配置设置(&S)");
    c.backup = MakeAction(owner, kCmdBackup, "备份参数(&B)...");
    c.compare = MakeAction(owner, kCmdCompare, "对比参数(&C)...");
    c.restore = MakeAction(owner, kCmdRestore, "恢复参数(&R)...");
    c.report = MakeAction(owner, kCmdReport, "调试报告(&P)...");
    c.zeroCheck = MakeAction(owner, kCmdZeroCheck, "零点检查(&Z)...");
    c.verification = MakeAction(owner, kCmdVerification, "流量核查(&V)...");
    c.licence = MakeAction(owner, kCmdLicence, "许可证(&L)...");
    c.about = MakeAction(owner, kCmdAbout, "关于Kelvo(&A)...");

    c.menuBar = new QMenuBar(owner);
    c.menuBar->setObjectName(QStringLiteral("130"));
    c.typeMenu = c.menuBar->addMenu(QStringLiteral("类型(&M)"));
    c.typeMenu->addAction(c.genericMeter);
    c.typeMenu->addAction(c.w58Meter);
    c.linkMenu = c.menuBar->addMenu(QStringLiteral("通讯(&C)"));
    c.linkMenu->addAction(c.connect);
    c.linkMenu->addAction(c.disconnect);
    c.linkMenu->addSeparator();
    c.linkMenu->addAction(c.serialSettings);
    c.linkMenu->addAction(c.meterSearch);
    c.linkMenu->addSeparator();
    c.linkMenu->addAction(c.trafficMonitor);
    c.linkMenu->addAction(c.trend);
    c.linkMenu->addSeparator();
    c.linkMenu->addAction(c.startLog);
    c.linkMenu->addAction(c.stopLog);
    c.configMenu = c.menuBar->addMenu(QStringLiteral("配置(&N)"));
    c.configMenu->addAction(c.presets);
    c.configMenu->addSeparator();
    c.configMenu->addAction(c.backup);
    c.configMenu->addAction(c.compare);
    c.configMenu->addAction(c.restore);
    c.configMenu->addAction(c.report);
    c.provingMenu = c.menuBar->addMenu(QStringLiteral("调试(&T)"));
    c.provingMenu->setObjectName(QStringLiteral("provingMenu"));
    c.provingMenu->addAction(c.zeroCheck);
    c.provingMenu->addAction(c.verification);
    c.helpMenu = c.menuBar->addMenu(QStringLiteral("帮助(&H)"));
    c.helpMenu->addAction(c.licence);
    c.helpMenu->addAction(c.about);

    c.toolBar = new QToolBar(owner);
    c.toolBar->setObjectName(QStringLiteral("toolbar"));
    c.toolBar->setIconSize(QSize(16, 15));
    c.toolBar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    c.toolBar->addAction(c.connect);
    c.toolBar->addAction(c.disconnect);
    c.toolBar->addSeparator();
    c.toolBar->addAction(c.serialSettings);
    return c;
}

}  // namespace kelvo
