// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// CKelvoDlg (dialog 102): the main window. Live values on the left, the parameter
// pages of the chosen meter kind in a tab control on the right, menu and toolbar on
// top, a status line with the progress of what runs on the line and its cancel at the
// bottom. Owns the serial line (its one owner), the live connection and LiveTimer.
//
// Nothing here waits for a meter: every exchange runs on the line's worker, and while
// one runs the window's dynamic property "busy" is true — from the click until the
// exchange has ended and its last message box has been closed.

#include <QDialog>
#include <QTimer>

#include <memory>
#include <mutex>
#include <optional>

#include "history/cycle_recorder.h"
#include "history/history_store.h"
#include "line/line_owner.h"
#include "live/live_connection.h"
#include "proving/proving_record.h"
#include "ui/file_chooser.h"
#include "ui/line_runner.h"
#include "ui/main/main_commands.h"

class QLabel;
class QPushButton;
class QTabWidget;

namespace kelvo {

class CMessageBoxPrompter;
class CProvingJobs;
class CVerificationDlg;
class CZeroCheckDlg;
class CRecordsCommands;
class CTrafficMonitorDlg;
class CTrendWindow;
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

    // Starts the identification on the line; the window is connected once the meter has
    // answered (busy until then).
    void Connect();
    // Returns at once: the stop ends the wait for the meter in progress.
    void Disconnect();
    // Ends what runs on the line for a click ("取消" of the status line).
    void CancelTransaction();
    // One tick of LiveTimer: the snapshot into the twelve fields and the pages.
    void RunLiveTick();

    bool IsConnected() const { return connected_; }
    bool IsBusy() const { return runner_.Busy(); }
    const LiveConnection& Connection() const { return connection_; }
    LineOwner& Line() { return line_; }

    // Command 32780 "通讯监视": shows the traffic monitor (made at its first use), also
    // while connected.
    void ShowTrafficMonitor();
    // The traffic monitor's window, made at its first use and hidden until shown.
    CTrafficMonitorDlg& TrafficMonitor();
    TrafficLog& Traffic() { return line_.Traffic(); }
    // 备份参数, 对比参数, 恢复参数, 调试报告.
    CRecordsCommands& Records() { return *records_; }

    // Command 32785 "趋势": the trend window (made at its first use), also after "断开".
    void ShowTrend();
    CTrendWindow& Trend();
    // The history of the connection, and its log. The polling appends to the history; a
    // benchmark may write one of its own into it.
    HistoryStore& History() { return history_; }
    const CycleRecorder& Recorder() const { return recorder_; }
    // Command 32786 "开始记录...": asks for the file, then logs every polling cycle to it
    // (only while connected). The log goes on whoever looks at the trend.
    void StartLogCommand();
    void StartLog(const QString& path);
    // Command 32787 "停止记录"; "断开" stops the log too. Returns at once: the log's own
    // thread closes the file.
    void StopLog();
    // Commands 32791 "零点检查" and 32792 "流量核查": windows of their own beside this one
    // (made at their first use), usable while connected.
    void ShowZeroCheck();
    void ShowVerification();
    CZeroCheckDlg& ZeroCheck();
    CVerificationDlg& Verification();
    // What the proving of this session found, for the record file and the report.
    const ProvingRecord& Proving() const { return proving_; }
    // Tests and automation choose the log's file without a dialog.
    void SetFileChooser(ChooseFile chooser) { choose_ = std::move(chooser); }

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
    void RunLicenceBox();
    // The serial settings as saved, for the jobs from now on.
    void ReloadSerialSettings();
    void OnIdentified(LineOwner::JobId job);
    void OnConnectionEnded(LineOwner::JobId job);
    void LeaveConnectedState();
    void OnBusyChanged(bool busy);
    void ShowProgress();
    // First size: the largest page of the kind without scrolling, unless the user left
    // the window otherwise last time.
    void PlaceWindow();
    void SavePlacement();
    void OnLogEnded(const LogProgress& last);
    void ShowLogStatus(const std::optional<LogProgress>& log, bool ended = false);
    // The proving windows follow the connection and the line's busy state.
    void UpdateProvingWindows();
    void StartProvingVisitFor(const std::string& meter);

    std::unique_ptr<CMessageBoxPrompter> ownPrompter_;
    Prompter& prompter_;
    // Before the line: the connection's job records into them until the line has stopped.
    HistoryStore history_;
    CycleRecorder recorder_{history_};
    ChooseFile choose_;
    // The line first: the runner, the connection and the pages hand their jobs to it.
    LineOwner line_;
    CLineRunner runner_;
    LiveConnection connection_;
    LineOwner::JobId connectionJob_ = 0;
    bool connected_ = false;
    QTimer liveTimer_;
    QTimer progressTimer_;
    MainCommands commands_;
    QTabWidget* tabs_ = nullptr;
    QLabel* progress_ = nullptr;
    QPushButton* cancel_ = nullptr;
    QLabel* logStatus_ = nullptr;
    std::unique_ptr<LiveValuesPanel> liveValues_;
    std::unique_ptr<MeterPages> pages_;
    CRecordsCommands* records_ = nullptr;  // a child of this window
    // A window of its own rather than a child: a child would be blocked with this window
    // while the meter search runs.
    std::unique_ptr<CTrafficMonitorDlg> trafficMonitor_;
    std::unique_ptr<CTrendWindow> trend_;  // the same, for the trend
    // The session's zero checks and verification runs: kept after "断开", since the record
    // file and the report are written while not connected.
    ProvingRecord proving_;
    std::string provingMeter_;  // the meter the record belongs to (ProvingMeterOf); empty before the first
    std::unique_ptr<CProvingJobs> provingJobs_;
    std::unique_ptr<CZeroCheckDlg> zeroCheck_;
    std::unique_ptr<CVerificationDlg> verification_;
};

}  // namespace kelvo
