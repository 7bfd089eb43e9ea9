#include "ui/main/kelvo_dlg.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QTabWidget>
#include <QToolBar>
#include <QVBoxLayout>

#include "messages/prompter.h"
#include "monitor/live_display.h"
#include "monitor/live_status.h"
#include "settings/settings.h"
#include "ui/busy_cursor.h"
#include "ui/dialog_units.h"
#include "ui/dialogs/cfg_dlg.h"
#include "ui/dialogs/com_set_dlg.h"
#include "ui/dialogs/meter_search_dlg.h"
#include "ui/dialogs/traffic_monitor_dlg.h"
#include "ui/main/about_dlg.h"
#include "ui/main/kelvo_icon.h"
#include "ui/main/live_values_panel.h"
#include "ui/main/meter_pages.h"
#include "ui/message_box_prompter.h"

namespace kelvo {

namespace {

// Dialog 102 in dialog units.
constexpr int kClientWidth = 507, kClientHeight = 292;
constexpr QRect kTabControl(165, 9, 335, 276);

constexpr int kLiveTimerPeriodMs = 1000;

// Generic models whose meters also measure heat: RA02, RA05, RA12.
bool ModelMeasuresHeat(int modelIndex) { return modelIndex == 1 || modelIndex == 4 || modelIndex == 11; }

bool IsEnterOrEscape(const QEvent* event) {
    if (event->type() != QEvent::KeyPress) return false;
    const int key = static_cast<const QKeyEvent*>(event)->key();
    return key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape;
}

}  // namespace

CKelvoDlg::CKelvoDlg(StopEvent& stopEvent, std::mutex& liveMutex, Prompter* prompter, QWidget* parent)
    : QDialog(parent),
      ownPrompter_(prompter != nullptr ? nullptr : std::make_unique<CMessageBoxPrompter>(this)),
      prompter_(prompter != nullptr ? *prompter : *ownPrompter_),
      connection_(stopEvent, liveMutex) {
    setObjectName(QStringLiteral("102"));
    setWindowTitle(QStringLiteral("Kelvo v1.1.2"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    setWindowIcon(KelvoIcon());

    connection_.SetTrafficLog(&traffic_);
    liveTimer_.setObjectName(QStringLiteral("LiveTimer"));
    liveTimer_.setInterval(kLiveTimerPeriodMs);
    connect(&liveTimer_, &QTimer::timeout, this, &CKelvoDlg::RunLiveTick);

    BuildWindow();
    ConnectCommands();
    // Enter and Escape must not close the window, whichever of its controls has the focus.
    qApp->installEventFilter(this);

    // Said once, before anything else: every setting shown from here on is a default.
    if (const SettingsFileProblem problem = CheckSettingsFile(); problem != SettingsFileProblem::None) {
        prompter_.Warn(SettingsFileProblemText(problem, GetSettingsFilePath()));
    }
    ApplyMeterKind();
    liveValues_->FirstField()->setFocus();
}

CKelvoDlg::~CKelvoDlg() {
    qApp->removeEventFilter(this);
    liveTimer_.stop();
    // The pages go in their fixed order; the connection's own destructor then ends the
    // polling and closes the port.
    pages_.reset();
    trafficMonitor_.reset();
}

void CKelvoDlg::BuildWindow() {
    commands_ = BuildMainCommands(this);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->setMenuBar(commands_.menuBar);

    const DialogUnits du(font());
    auto* client = new QWidget(this);
    client->setFixedSize(du.X(kClientWidth), du.Y(kClientHeight));
    layout->addWidget(client);

    // The toolbar sits in the strip above the data group, left of the tab control.
    commands_.toolBar->setParent(client);
    commands_.toolBar->move(du.X(4), 0);
    commands_.toolBar->resize(commands_.toolBar->sizeHint());

    liveValues_ = std::make_unique<LiveValuesPanel>(client, du);

    tabs_ = new QTabWidget(client);
    tabs_->setObjectName(QStringLiteral("1106"));
    tabs_->setGeometry(du.Rect(kTabControl.x(), kTabControl.y(), kTabControl.width(), kTabControl.height()));
    pages_ = std::make_unique<MeterPages>(tabs_, prompter_, &traffic_);
}

void CKelvoDlg::ConnectCommands() {
    connect(commands_.connect, &QAction::triggered, this, &CKelvoDlg::Connect);
    connect(commands_.disconnect, &QAction::triggered, this, &CKelvoDlg::Disconnect);
    connect(commands_.serialSettings, &QAction::triggered, this, &CKelvoDlg::RunSerialSettingsDialog);
    connect(commands_.presets, &QAction::triggered, this, &CKelvoDlg::RunPresetsDialog);
    connect(commands_.meterSearch, &QAction::triggered, this, &CKelvoDlg::RunMeterSearchDialog);
    connect(commands_.trafficMonitor, &QAction::triggered, this, &CKelvoDlg::ShowTrafficMonitor);
    connect(commands_.genericMeter, &QAction::triggered, this, [this] { ChooseMeterKind(kGenericMeter); });
    connect(commands_.w58Meter, &QAction::triggered, this, [this] { ChooseMeterKind(kW58Meter); });
    connect(commands_.about, &QAction::triggered, this, &CKelvoDlg::RunAboutBox);
    // The states are applied whenever a menu is about to be seen, so the check marks
    // follow the settings file even when another program changed it.
    for (QMenu* menu : {commands_.typeMenu, commands_.linkMenu, commands_.configMenu, commands_.helpMenu})
        connect(menu, &QMenu::aboutToShow, this, &CKelvoDlg::UpdateCommandStates);
}

void CKelvoDlg::UpdateCommandStates() {
    const bool connected = connection_.IsConnected();
    commands_.connect->setEnabled(!connected);
    commands_.disconnect->setEnabled(connected);
    commands_.serialSettings->setEnabled(!connected);
    // The search needs the port the connection holds.
    commands_.meterSearch->setEnabled(!connected);
    commands_.trafficMonitor->setEnabled(true);
    commands_.presets->setEnabled(true);
    const int storedKind = LoadMeterKind();
    commands_.genericMeter->setChecked(storedKind == kGenericMeter);
    commands_.w58Meter->setChecked(storedKind == kW58Meter);
}

void CKelvoDlg::ApplyMeterKind() {
    connection_.ResetIdentity();
    const int meterKind = LoadMeterKind();
    connection_.SetMeterKind(meterKind);
    pages_->Rebuild(meterKind);
    if (meterKind == kW58Meter) {
        // W58 meters are commissioned at 2400 baud, even parity.
        SerialSettings settings = LoadSerialSettings();
        settings.baudRate = 2400;
        settings.parity = 2;
        if (const SaveResult saved = SaveSerialSettings(settings); !saved) {
            prompter_.Warn(kSaveSettingsFailedText, SaveErrorText(saved));
        }
    }
    UpdateHeatGroup();
    UpdateCommandStates();
}

void CKelvoDlg::UpdateHeatGroup() {
    liveValues_->SetHeatGroupVisible(connection_.MeterKind() == kW58Meter ||
                                     ModelMeasuresHeat(connection_.Identity().modelIndex));
}

void CKelvoDlg::ChooseMeterKind(int meterKind) {
    if (const SaveResult saved = SaveMeterKind(meterKind); !saved) {
        prompter_.Warn(kSaveSettingsFailedText, SaveErrorText(saved));
    }
    ApplyMeterKind();
}

void CKelvoDlg::Connect() {
    if (connection_.IsConnected()) return;
    {
        const BusyCursor busy;
        if (!connection_.OpenAndIdentify(prompter_)) {
            UpdateCommandStates();
            return;
        }
    }
    UpdateHeatGroup();
    pages_->SetControlsEnabled(false);
    connection_.StartPolling();
    liveTimer_.start();
    UpdateCommandStates();
}

void CKelvoDlg::Disconnect() {
    if (!connection_.IsConnected()) return;
    liveTimer_.stop();
    {
        // The stop request ends the polling thread's wait for the meter at once.
        const BusyCursor busy;
        connection_.StopPolling();
    }
    pages_->SetLineQuietAt(connection_.LineQuietAt());
    // The last values stay on screen as before a connect; they are marked only while
    // a connection claims to show live values.
    liveValues_->ShowStatus({});
    UpdateHeatGroup();
    pages_->SetControlsEnabled(true);
    UpdateCommandStates();
}

void CKelvoDlg::RunLiveTick() {
    const LiveRecord record = connection_.CopySnapshot();
    const int meterKind = connection_.MeterKind();
    const LiveTexts texts = FormatLiveTexts(record, meterKind);
    pages_->ShowLiveValues(record, connection_.Identity().paramEncoding);
    liveValues_->ShowTexts(texts);
    const SerialSettings& polling = connection_.PollingSettings();
    liveValues_->ShowStatus(DescribeLiveStatus(connection_.Health(), std::chrono::steady_clock::now(),
                                               GoodCycleTime(meterKind, polling.baudRate, polling.parity)));
}

void CKelvoDlg::RunPresetsDialog() {
    // Also while connected: the dialog only edits the stored presets.
    CCfgDlg dialog(prompter_, this);
    dialog.exec();
}

void CKelvoDlg::RunSerialSettingsDialog() {
    if (connection_.IsConnected()) return;
    CComSetDlg dialog(prompter_, this);
    dialog.exec();
}

void CKelvoDlg::RunMeterSearchDialog() {
    if (connection_.IsConnected()) return;
    CMeterSearchDlg dialog(prompter_, &traffic_, this);
    dialog.setWindowModality(Qt::WindowModal);
    dialog.exec();
}

CTrafficMonitorDlg& CKelvoDlg::TrafficMonitor() {
    if (!trafficMonitor_) trafficMonitor_ = std::make_unique<CTrafficMonitorDlg>(traffic_, prompter_);
    return *trafficMonitor_;
}

void CKelvoDlg::ShowTrafficMonitor() {
    CTrafficMonitorDlg& monitor = TrafficMonitor();
    monitor.show();
    monitor.raise();
    monitor.activateWindow();
}

void CKelvoDlg::RunAboutBox() {
    CAboutDlg about(this);
    about.exec();
}

void CKelvoDlg::reject() {
    Disconnect();
    if (trafficMonitor_) trafficMonitor_->close();
    QDialog::reject();
}

bool CKelvoDlg::eventFilter(QObject* watched, QEvent* event) {
    if (IsEnterOrEscape(event) && watched->isWidgetType()) {
        auto* widget = static_cast<QWidget*>(watched);
        if (widget == this || isAncestorOf(widget)) return true;
    }
    return QDialog::eventFilter(watched, event);
}

}  // namespace kelvo
