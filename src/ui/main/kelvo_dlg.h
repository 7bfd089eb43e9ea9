#pragma once
// CKelvoDlg (dialog 102): the main window. Live values on the left, the parameter
// pages of the chosen meter kind in a tab control on the right, menu and toolbar on
// top; owns the live connection and LiveTimer.

#include <QDialog>
#include <QTimer>

#include <memory>
#include <mutex>

#include "link/traffic_log.h"
#include "monitor/live_connection.h"
#include "ui/main/main_commands.h"

class QTabWidget;

namespace kelvo {

class CMessageBoxPrompter;
class CTrafficMonitorDlg;
class LiveValuesPanel;
class MeterPages;
class Prompter;
class StopEvent;

class CKelvoDlg : public QDialog {
    Q_OBJECT
public:
    // stopEvent and liveMutex are the process-wide StopEvent and LiveMutex. Messages
    // go to `prompter`; without one the window shows message boxes.
    CKelvoDlg(StopEvent& stopEvent, std::mutex& liveMutex, Prompter* prompter = nullptr, QWidget* parent = nullptr);
    ~CKelvoDlg() override;

    // Rebuilds the pages for the stored meter kind; W58 also stores 2400 baud, even parity.
    void ApplyMeterKind();
    // Shows the heat group for a W58 meter and for the generic models that measure heat.
    void UpdateHeatGroup();
    // Applies the enable and check rules to every command; the check marks re-read
    // the stored meter kind.
    void UpdateCommandStates();

    void Connect();
    void Disconnect();
    // One tick of LiveTimer: the snapshot into the twelve fields and the pages.
    void RunLiveTick();

    bool IsConnected() const { return connection_.IsConnected(); }
    const LiveConnection& Connection() const { return connection_; }

    // Command 32780 "通讯监视": shows the traffic monitor (made at its first use), also
    // while connected.
    void ShowTrafficMonitor();
    // The traffic monitor's window, made at its first use and hidden until shown.
    CTrafficMonitorDlg& TrafficMonitor();
    TrafficLog& Traffic() { return traffic_; }

protected:
    // Command 32774: the presets dialog, modal (tests replace it).
    virtual void RunPresetsDialog();
    // Command 32779: the meter search, modal to this window only, so that the traffic
    // monitor stays usable beside it (tests replace it). Only while not connected.
    virtual void RunMeterSearchDialog();
    // The cancel command (close box, Alt+F4): disconnect first, then close.
    void reject() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildWindow();
    void ConnectCommands();
    void ChooseMeterKind(int meterKind);
    void RunSerialSettingsDialog();
    void RunAboutBox();

    std::unique_ptr<CMessageBoxPrompter> ownPrompter_;
    Prompter& prompter_;
    // Before the connection and the pages, whose links feed it, and the monitor, which reads it.
    TrafficLog traffic_;
    LiveConnection connection_;
    QTimer liveTimer_;
    MainCommands commands_;
    QTabWidget* tabs_ = nullptr;
    std::unique_ptr<LiveValuesPanel> liveValues_;
    std::unique_ptr<MeterPages> pages_;
    // A window of its own rather than a child: a child would be blocked with this window
    // while the meter search runs.
    std::unique_ptr<CTrafficMonitorDlg> trafficMonitor_;
};

}  // namespace kelvo
