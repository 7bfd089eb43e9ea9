#pragma once
// CKelvoDlg (dialog 102): the main window. Live values on the left, the parameter
// pages of the chosen meter kind in a tab control on the right, menu and toolbar on
// top; owns the live connection and LiveTimer.

#include <QDialog>
#include <QTimer>

#include <memory>
#include <mutex>

#include "monitor/live_connection.h"
#include "ui/main/main_commands.h"

class QTabWidget;

namespace kelvo {

class CMessageBoxPrompter;
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

protected:
    // Command 32774: the presets dialog, modal (tests replace it).
    virtual void RunPresetsDialog();
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
    LiveConnection connection_;
    QTimer liveTimer_;
    MainCommands commands_;
    QTabWidget* tabs_ = nullptr;
    std::unique_ptr<LiveValuesPanel> liveValues_;
    std::unique_ptr<MeterPages> pages_;
};

}  // namespace kelvo
