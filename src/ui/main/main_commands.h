// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The main window's commands: menu 130 (with a "调试" menu for proving a meter, a help menu that holds the licence box and
// the about entry,
// since a Linux window manager's window menu cannot be extended) and the toolbar.
// Every action carries its command id as its object name.

class QAction;
class QMenu;
class QMenuBar;
class QToolBar;
class QWidget;

namespace kelvo {

// Command ids of menu 130, the toolbar and the about entry.
enum CommandId {
    kCmdAbout = 16,
    kCmdConnect = 32771,
    kCmdDisconnect = 32772,
    kCmdSerialSettings = 32773,
    kCmdPresets = 32774,
    kCmdGenericMeter = 32777,
    kCmdW58Meter = 32778,
    kCmdMeterSearch = 32779,
    kCmdTrafficMonitor = 32780,
    kCmdBackup = 32781,
    kCmdCompare = 32782,
    kCmdRestore = 32783,
    kCmdReport = 32784,
    kCmdTrend = 32785,
    kCmdStartLog = 32786,
    kCmdStopLog = 32787,
    kCmdLicence = 32790,
    kCmdZeroCheck = 32791,
    kCmdVerification = 32792,
};

struct MainCommands {
    QMenuBar* menuBar = nullptr;
    QToolBar* toolBar = nullptr;
    QMenu* typeMenu = nullptr;
    QMenu* linkMenu = nullptr;
    QMenu* configMenu = nullptr;
    QMenu* provingMenu = nullptr;
    QMenu* helpMenu = nullptr;

    QAction* genericMeter = nullptr;
    QAction* w58Meter = nullptr;
    QAction* connect = nullptr;
    QAction* disconnect = nullptr;
    QAction* serialSettings = nullptr;
    QAction* meterSearch = nullptr;
    QAction* trafficMonitor = nullptr;
    QAction* trend = nullptr;
    QAction* startLog = nullptr;
    QAction* stopLog = nullptr;
    QAction* presets = nullptr;
    QAction* backup = nullptr;
    QAction* compare = nullptr;
    QAction* restore = nullptr;
    QAction* report = nullptr;
    QAction* zeroCheck = nullptr;
    QAction* verification = nullptr;
    QAction* licence = nullptr;
    QAction* about = nullptr;
};

// Creates the actions, the menu bar and the toolbar as children of `owner`; the caller
// places the bars and connects the actions.
MainCommands BuildMainCommands(QWidget* owner);

}  // namespace kelvo
