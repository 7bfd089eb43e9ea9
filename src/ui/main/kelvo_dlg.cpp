// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/main/kelvo_dlg.h"

#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QTabWidget>
#include <QToolBar>
#include <QVBoxLayout>

#include "messages/prompter.h"
#include "live/live_display.h"
#include "live/live_status.h"
#include "settings/settings.h"
#include "ui/dialog_units.h"
#include "ui/dialogs/cfg_dlg.h"
#include "ui/dialogs/com_set_dlg.h"
#include "ui/dialogs/meter_search_dlg.h"
#include "ui/dialogs/traffic_monitor_dlg.h"
#include "ui/proving/proving_jobs.h"
#include "ui/proving/verification_dlg.h"
#include "ui/proving/zero_check_dlg.h"
#include "ui/trend/trend_window.h"
#include "ui/main/about_dlg.h"
#include "ui/main/kelvo_icon.h"
#include "ui/main/licence_dlg.h"
#include "ui/main/live_values_panel.h"
#include "ui/main/meter_pages.h"
#include "ui/message_box_prompter.h"
#include "ui/records/records_commands.h"
#include "vocabulary/kelvo_version.h"

namespace kelvo {

namespace {

// What tells one meter from another: its model and firmware, the meter kind, and where it
// hangs (port or converter, and address).
std::string ProvingMeterKey(const std::string& model, const std::string& version, int meterKind,
                            const SerialSettings& line) {
    return model + '\n' + version + '\n' + std::to_string(meterKind) + '\n' + std::to_string(line.linkType) + '\n' +
           line.portName + '\n' + line.host + '\n' + std::to_string(line.tcpPort) + '\n' +
           std::to_string(line.address);
}

std::string ProvingMeterOf(const LiveConnection& connection) {
    const IdentificationTexts texts = connection.IdentifiedAs();
    return ProvingMeterKey(texts.model, texts.version, connection.MeterKind(), connection.PollingSettings());
}

// Dialog 102 in dialog units.
constexpr int kClientWidth = 507, kClientHeight = 292;
constexpr QRect kTabControl(165, 9, 335, 276);

constexpr int kLiveTimerPeriodMs = 1000;
// The progress of a transaction is looked at this often.
constexpr int kProgressPeriodMs = 100;
// A saved position counts as on a screen when a point this far below its top is.
constexpr int kTitleGripPx = 10;

// A window of its own beside this one, shown and brought to the front.
void ShowBeside(QWidget& window) {
    window.show();
    window.raise();
    window.activateWindow();
}

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
      line_(stopEvent),
      runner_(line_, prompter_),
      connection_(line_, liveMutex) {
    setObjectName(QStringLiteral("102"));
    setWindowTitle(QStringLiteral("Kelvo v") + QString::fromLatin1(kKelvoVersion));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    setWindowIcon(KelvoIcon());
    setProperty("busy", false);

    liveTimer_.setObjectName(QStringLiteral("LiveTimer"));
    liveTimer_.setInterval(kLiveTimerPeriodMs);
    connect(&liveTimer_, &QTimer::timeout, this, &CKelvoDlg::RunLiveTick);
    progressTimer_.setInterval(kProgressPeriodMs);
    connect(&progressTimer_, &QTimer::timeout, this, &CKelvoDlg::ShowProgress);
    connect(&runner_, &CLineRunner::busyChanged, this, &CKelvoDlg::OnBusyChanged);

    BuildWindow();
    ConnectCommands();
    // Enter and Escape must not close the window, whichever of its controls has the focus.
    qApp->installEventFilter(this);

    // Said once, before anything else: every setting shown from here on is a default.
    if (const SettingsFileProblem problem = CheckSettingsFile(); problem != SettingsFileProblem::None) {
        prompter_.Warn(SettingsFileProblemText(problem, GetSettingsFilePath()));
    }
    ApplyMeterKind();
    PlaceWindow();
    liveValues_->FirstField()->setFocus();
}

CKelvoDlg::~CKelvoDlg() {
    qApp->removeEventFilter(this);
    liveTimer_.stop();
    // A job waiting for a box must not wait for a window that is going; then the line
    // ends what runs and lets go of the port, before the pages its jobs refer to go.
    runner_.Abandon();
    line_.Shutdown();
    // The log's file is closed whole before the window goes; its end reports to nobody.
    (void)recorder_.FinishLog();
    if (runner_.Busy()) QApplication::restoreOverrideCursor();
    pages_.reset();
    trafficMonitor_.reset();
    trend_.reset();
    zeroCheck_.reset();
    verification_.reset();
}

void CKelvoDlg::BuildWindow() {
    commands_ = BuildMainCommands(this);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->setMenuBar(commands_.menuBar);

    const DialogUnits du(font());
    auto* body = new QHBoxLayout;
    body->setContentsMargins(0, 0, du.X(kClientWidth - kTabControl.right() - 1), 0);
    body->setSpacing(0);
    layout->addLayout(body, 1);

    // The live values keep their places; the tab control takes whatever room is left.
    auto* live = new QWidget(this);
    live->setFixedSize(du.X(kTabControl.x()), du.Y(kClientHeight));
    body->addWidget(live, 0, Qt::AlignTop);
    // The toolbar sits in the strip above the data group, left of the tab control.
    commands_.toolBar->setParent(live);
    commands_.toolBar->move(du.X(4), 0);
    commands_.toolBar->resize(commands_.toolBar->sizeHint());
    liveValues_ = std::make_unique<LiveValuesPanel>(live, du);

    auto* tabColumn = new QVBoxLayout;
    tabColumn->setContentsMargins(0, du.Y(kTabControl.y()), 0, du.Y(kClientHeight - kTabControl.bottom() - 1));
    tabs_ = new QTabWidget(this);
    tabs_->setObjectName(QStringLiteral("1106"));
    tabs_->setMinimumSize(du.X(kTabControl.width()), du.Y(kTabControl.height()));
    tabColumn->addWidget(tabs_);
    body->addLayout(tabColumn, 1);

    // What runs on the line for a click, and its cancel.
    auto* status = new QStatusBar(this);
    status->setObjectName(QStringLiteral("statusLine"));
    progress_ = new QLabel(status);
    progress_->setObjectName(QStringLiteral("transactionStatus"));
    status->addWidget(progress_, 1);
    logStatus_ = new QLabel(status);
    logStatus_->setObjectName(QStringLiteral("logStatus"));
    status->addPermanentWidget(logStatus_);
    cancel_ = new QPushButton(QStringLiteral("取消"), status);
    cancel_->setObjectName(QStringLiteral("cancelTransaction"));
    cancel_->setAutoDefault(false);
    cancel_->hide();
    connect(cancel_, &QPushButton::clicked, this, &CKelvoDlg::CancelTransaction);
    status->addPermanentWidget(cancel_);
    layout->addWidget(status);

    pages_ = std::make_unique<MeterPages>(tabs_, prompter_, runner_);
    // The proving results go with the meter they were found on: a backup or report of another
    // meter, read after "断开" with other settings, carries none.
    records_ = new CRecordsCommands(
        runner_, prompter_, [this] { return connection_.MeterKind(); }, this,
        [this](const MeterRecord& meter, const SerialSettings& readWith) -> const ProvingRecord* {
            if (proving_.Empty()) return nullptr;
            const std::string key = ProvingMeterKey(meter.model, meter.version, meter.meterKind, readWith);
            return key == provingMeter_ ? &proving_ : nullptr;
        });
    provingJobs_ = std::make_unique<CProvingJobs>(connection_, runner_, history_);
}

void CKelvoDlg::ConnectCommands() {
    connect(commands_.connect, &QAction::triggered, this, &CKelvoDlg::Connect);
    connect(commands_.disconnect, &QAction::triggered, this, &CKelvoDlg::Disconnect);
    connect(commands_.serialSettings, &QAction::triggered, this, &CKelvoDlg::RunSerialSettingsDialog);
    connect(commands_.presets, &QAction::triggered, this, &CKelvoDlg::RunPresetsDialog);
    connect(commands_.meterSearch, &QAction::triggered, this, &CKelvoDlg::RunMeterSearchDialog);
    connect(commands_.trafficMonitor, &QAction::triggered, this, &CKelvoDlg::ShowTrafficMonitor);
    connect(commands_.trend, &QAction::triggered, this, &CKelvoDlg::ShowTrend);
    connect(commands_.startLog, &QAction::triggered, this, &CKelvoDlg::StartLogCommand);
    connect(commands_.stopLog, &QAction::triggered, this, &CKelvoDlg::StopLog);
    connect(commands_.zeroCheck, &QAction::triggered, this, &CKelvoDlg::ShowZeroCheck);
    connect(commands_.verification, &QAction::triggered, this, &CKelvoDlg::ShowVerification);
    connect(commands_.genericMeter, &QAction::triggered, this, [this] { ChooseMeterKind(kGenericMeter); });
    connect(commands_.w58Meter, &QAction::triggered, this, [this] { ChooseMeterKind(kW58Meter); });
    connect(commands_.licence, &QAction::triggered, this, &CKelvoDlg::RunLicenceBox);
    connect(commands_.about, &QAction::triggered, this, &CKelvoDlg::RunAboutBox);
    connect(commands_.backup, &QAction::triggered, records_, &CRecordsCommands::BackupCommand);
    connect(commands_.compare, &QAction::triggered, records_, &CRecordsCommands::CompareCommand);
    connect(commands_.restore, &QAction::triggered, records_, &CRecordsCommands::RestoreCommand);
    connect(commands_.report, &QAction::triggered, records_, &CRecordsCommands::ReportCommand);
    // The states are applied whenever a menu is about to be seen, so the check marks
    // follow the settings file even when another program changed it.
    for (QMenu* menu : {commands_.typeMenu, commands_.linkMenu, commands_.configMenu, commands_.provingMenu,
                         commands_.helpMenu})
        connect(menu, &QMenu::aboutToShow, this, &CKelvoDlg::UpdateCommandStates);
}

void CKelvoDlg::UpdateCommandStates() {
    const bool busy = runner_.Busy();
    commands_.connect->setEnabled(!connected_ && !busy);
    commands_.disconnect->setEnabled(connected_);
    commands_.serialSettings->setEnabled(!connected_ && !busy);
    // The search needs the port the connection holds.
    commands_.meterSearch->setEnabled(!connected_ && !busy);
    // Switching the kind rebuilds the pages, whose transaction may be under way.
    commands_.genericMeter->setEnabled(!busy);
    commands_.w58Meter->setEnabled(!busy);
    commands_.trafficMonitor->setEnabled(true);
    commands_.trend->setEnabled(true);
    const std::optional<LogProgress> log = recorder_.RunningLog();
    const bool logging = log && log->running;
    commands_.startLog->setEnabled(connected_ && !logging);
    commands_.stopLog->setEnabled(logging);
    commands_.presets->setEnabled(true);
    // They read the polling and take the line between its cycles.
    commands_.zeroCheck->setEnabled(connected_);
    commands_.verification->setEnabled(connected_);
    // They talk to the meter, as a page does: not while the connection holds the port. A
    // comparison of two files needs no meter, but its dialog offers the meter too.
    for (QAction* records : {commands_.backup, commands_.compare, commands_.restore, commands_.report}) {
        records->setEnabled(!connected_ && !busy);
    }
    const int storedKind = LoadMeterKind();
    commands_.genericMeter->setChecked(storedKind == kGenericMeter);
    commands_.w58Meter->setChecked(storedKind == kW58Meter);
}

void CKelvoDlg::ReloadSerialSettings() { line_.UseSettings(LoadSerialSettings()); }

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
    ReloadSerialSettings();
    // New pages start enabled, also while connected (their presses then find the port
    // held); only a transaction under way keeps them locked.
    if (runner_.Busy()) pages_->SetControlsEnabled(false);
    UpdateHeatGroup();
    UpdateCommandStates();
}

void CKelvoDlg::UpdateHeatGroup() {
    liveValues_->SetHeatGroupVisible(MeasuresHeat(connection_.MeterKind(), connection_.Identity().modelIndex));
}

void CKelvoDlg::ChooseMeterKind(int meterKind) {
    if (runner_.Busy()) return;
    if (const SaveResult saved = SaveMeterKind(meterKind); !saved) {
        prompter_.Warn(kSaveSettingsFailedText, SaveErrorText(saved));
    }
    ApplyMeterKind();
}

void CKelvoDlg::Connect() {
    if (connected_ || runner_.Busy() || connection_.Active()) return;
    // Events of the connection's job arrive on the worker; each is handed to this thread
    // with the job it belongs to, so that a late one of an earlier connection is ignored.
    auto job = std::make_shared<LineOwner::JobId>(0);
    ConnectionEvents events{
        .identified =
            [this, job](const MeterIdentity&) {
                // On the worker, before the first cycle: the new connection's history begins.
                recorder_.Begin(IdentityOf(connection_));
                runner_.Post([this, job] { OnIdentified(*job); });
            },
        .ended = [this, job] { runner_.Post([this, job] { OnConnectionEnded(*job); }); },
        .cycleEnded = [this](const PolledCycle& cycle) { recorder_.Record(cycle); },
    };
    runner_.SetBusy(QStringLiteral("连接"), [this] { connection_.Disconnect(); });
    if (!connection_.Connect(runner_.Relayed(), events)) {
        runner_.ClearBusy();
        return;
    }
    // The job's events are posted to this thread, so they run only after this line.
    *job = connection_.Job();
    connectionJob_ = *job;
    UpdateCommandStates();
}

void CKelvoDlg::OnIdentified(LineOwner::JobId job) {
    if (job != connectionJob_) return;
    connected_ = true;
    runner_.SetHeldByConnection(true);
    UpdateHeatGroup();
    // Nothing the meter has not sent: the fields stay empty until the first good cycle.
    liveValues_->ShowTexts({});
    liveValues_->ShowStatus({});
    liveTimer_.start();
    runner_.ClearBusy();
    pages_->SetControlsEnabled(false);
    UpdateCommandStates();
    StartProvingVisitFor(ProvingMeterOf(connection_));
    UpdateProvingWindows();
}

// A proving visit belongs to one meter. Connected to another one, the proving windows close
// and the record starts empty, so that one meter's zero checks and runs never reach another
// meter's record file or report; the same meter connected again keeps them.
void CKelvoDlg::StartProvingVisitFor(const std::string& meter) {
    if (meter == provingMeter_) return;
    if (!provingMeter_.empty()) {
        zeroCheck_.reset();
        verification_.reset();
        proving_ = {};
    }
    provingMeter_ = meter;
}

void CKelvoDlg::OnConnectionEnded(LineOwner::JobId job) {
    if (job != connectionJob_) return;
    connectionJob_ = 0;
    if (connected_) {
        // The job ended by itself, while the window still showed it as polling.
        LeaveConnectedState();
    } else {
        // The open or the identification failed, or was cancelled; its message is closed.
        runner_.ClearBusy();
    }
    UpdateCommandStates();
}

void CKelvoDlg::Disconnect() {
    if (!connected_) return;
    // The stop ends the wait for the meter at once; the job closes the port as it ends.
    connection_.Disconnect();
    connectionJob_ = 0;
    LeaveConnectedState();
}

void CKelvoDlg::LeaveConnectedState() {
    liveTimer_.stop();
    // A log is of one connection: its header names the meter.
    StopLog();
    connected_ = false;
    runner_.SetHeldByConnection(false);
    // The last values stay on screen as before a connect; they are marked only while
    // a connection claims to show live values.
    liveValues_->ShowStatus({});
    UpdateHeatGroup();
    pages_->SetControlsEnabled(!runner_.Busy());
    UpdateCommandStates();
    UpdateProvingWindows();
}

void CKelvoDlg::CancelTransaction() { runner_.Cancel(); }

void CKelvoDlg::OnBusyChanged(bool busy) {
    setProperty("busy", busy);
    if (busy) {
        QApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
        progressTimer_.start();
    } else {
        QApplication::restoreOverrideCursor();
        progressTimer_.stop();
    }
    ShowProgress();
    cancel_->setVisible(busy);
    // Pages built while connected stay as they are; the others follow the connection.
    if (!connected_) pages_->SetControlsEnabled(!busy);
    UpdateCommandStates();
    UpdateProvingWindows();
}

void CKelvoDlg::ShowProgress() {
    const QString text = runner_.ProgressText();
    if (progress_->text() != text) progress_->setText(text);
}

void CKelvoDlg::RunLiveTick() {
    const LinkHealth health = connection_.Health();
    const int meterKind = connection_.MeterKind();
    // Until a whole cycle has been read the record holds nothing the meter sent.
    if (health.goodCycleSeen) {
        const LiveRecord record = connection_.CopySnapshot();
        pages_->ShowLiveValues(record, connection_.Identity().paramEncoding);
        liveValues_->ShowTexts(FormatLiveTexts(record, meterKind));
    }
    const SerialSettings polling = connection_.PollingSettings();
    liveValues_->ShowStatus(DescribeLiveStatus(health, std::chrono::steady_clock::now(),
                                               GoodCycleTime(meterKind, polling.baudRate, polling.parity)));
    if (const std::optional<LogProgress> log = recorder_.RunningLog()) ShowLogStatus(log);
}

void CKelvoDlg::StartLogCommand() {
    if (!connected_) return;
    const QString folder = QString::fromStdString(LoadLogFolder());
    const QString suggested = QDir(folder.isEmpty() ? QDir::homePath() : folder).filePath(QStringLiteral("记录.csv"));
    const QString path = ChooseFileFor(this, choose_, QStringLiteral("开始记录"), suggested,
                                       QStringLiteral("CSV 文件 (*.csv)"), true);
    if (!path.isEmpty()) StartLog(path);
}

void CKelvoDlg::StartLog(const QString& path) {
    if (!connected_) return;
    // Where the next log's dialog opens; a folder that cannot be kept is no loss worth a box.
    (void)SaveLogFolder(QDir::toNativeSeparators(QFileInfo(path).absolutePath()).toStdString());
    const bool started = recorder_.StartLog({
        .chosenPath = QDir::toNativeSeparators(path).toStdString(),
        .identity = {},
        .startMs = QDateTime::currentMSecsSinceEpoch(),
        .ended = [this](const LogProgress& last) { runner_.Post([this, last] { OnLogEnded(last); }); },
    });
    if (started) ShowLogStatus(recorder_.RunningLog());
    UpdateCommandStates();
}

void CKelvoDlg::StopLog() {
    recorder_.StopLog();
    UpdateCommandStates();
}

void CKelvoDlg::OnLogEnded(const LogProgress& last) {
    ShowLogStatus(last, true);
    UpdateCommandStates();
    if (last.failure.empty()) return;
    std::string detail = last.failure;
    if (!last.files.empty()) {
        detail += "已写入的 " + std::to_string(last.rows) + " 行保存在 " + last.files.back() + "。";
    }
    prompter_.Warn(kLogStoppedText, detail);
}

void CKelvoDlg::ShowLogStatus(const std::optional<LogProgress>& log, bool ended) {
    if (!log) return;
    const QString file =
        log->files.empty() ? QString() : QFileInfo(QString::fromStdString(log->files.back())).fileName();
    QString text;
    if (!ended && log->running) {
        text = file.isEmpty() ? QStringLiteral("记录中：等待仪表应答")
                              : QStringLiteral("记录中：%1，%2 行").arg(file).arg(log->rows);
    } else {
        text = QStringLiteral("%1：%2，%3 行")
                   .arg(log->failure.empty() ? QStringLiteral("记录已停止") : QStringLiteral("记录因错误停止"),
                        file.isEmpty() ? QStringLiteral("没有写入文件") : file)
                   .arg(log->rows);
    }
    if (logStatus_->text() != text) logStatus_->setText(text);
    QStringList files;
    for (const std::string& one : log->files) files << QString::fromStdString(one);
    logStatus_->setToolTip(files.join('\n'));
}

void CKelvoDlg::PlaceWindow() {
    // Not adjustSize(): it stops at two thirds of the screen, and the largest page wants
    // more on a small one. The screen itself is the limit.
    QSize first = sizeHint();
    if (const QScreen* here = screen(); here != nullptr) first = first.boundedTo(here->availableGeometry().size());
    resize(first.expandedTo(minimumSizeHint()));
    const WindowPlacement placement = LoadWindowPlacement();
    if (!placement.Saved()) return;
    resize(QSize(placement.width, placement.height).expandedTo(minimumSizeHint()));
    // A window left on a screen that is no longer there opens where the system puts it.
    if (QGuiApplication::screenAt(QPoint(placement.x + placement.width / 2, placement.y + kTitleGripPx)) != nullptr) {
        move(placement.x, placement.y);
    }
}

void CKelvoDlg::SavePlacement() {
    // A placement that cannot be written is no loss worth a message at closing.
    (void)SaveWindowPlacement({.x = x(), .y = y(), .width = width(), .height = height()});
}

void CKelvoDlg::RunPresetsDialog() {
    // Also while connected: the dialog only edits the stored presets.
    CCfgDlg dialog(prompter_, this);
    dialog.exec();
}

void CKelvoDlg::RunSerialSettingsDialog() {
    if (connected_ || runner_.Busy()) return;
    CComSetDlg dialog(prompter_, this);
    dialog.exec();
    ReloadSerialSettings();
}

void CKelvoDlg::RunMeterSearchDialog() {
    if (connected_ || runner_.Busy()) return;
    CMeterSearchDlg dialog(prompter_, line_, this);
    dialog.setWindowModality(Qt::WindowModal);
    dialog.exec();
    ReloadSerialSettings();
}

CTrafficMonitorDlg& CKelvoDlg::TrafficMonitor() {
    if (!trafficMonitor_) trafficMonitor_ = std::make_unique<CTrafficMonitorDlg>(line_.Traffic(), prompter_);
    return *trafficMonitor_;
}

void CKelvoDlg::ShowTrafficMonitor() { ShowBeside(TrafficMonitor()); }

CTrendWindow& CKelvoDlg::Trend() {
    if (!trend_) {
        trend_ = std::make_unique<CTrendWindow>(history_, recorder_, commands_.startLog, commands_.stopLog, prompter_);
    }
    return *trend_;
}

void CKelvoDlg::ShowTrend() { ShowBeside(Trend()); }

CZeroCheckDlg& CKelvoDlg::ZeroCheck() {
    if (!zeroCheck_) {
        zeroCheck_ = std::make_unique<CZeroCheckDlg>(*provingJobs_, prompter_, proving_);
        zeroCheck_->SetConnected(connected_);
    }
    return *zeroCheck_;
}

CVerificationDlg& CKelvoDlg::Verification() {
    if (!verification_) {
        verification_ = std::make_unique<CVerificationDlg>(*provingJobs_, prompter_, proving_);
        verification_->SetConnected(connected_);
    }
    return *verification_;
}

void CKelvoDlg::ShowZeroCheck() {
    if (connected_) ShowBeside(ZeroCheck());
}

void CKelvoDlg::ShowVerification() {
    if (connected_) ShowBeside(Verification());
}

void CKelvoDlg::UpdateProvingWindows() {
    if (zeroCheck_) zeroCheck_->SetConnected(connected_);
    if (verification_) verification_->SetConnected(connected_);
}

void CKelvoDlg::RunAboutBox() {
    CAboutDlg about(this);
    about.exec();
}

void CKelvoDlg::RunLicenceBox() {
    CLicenceDlg licence(this);
    licence.exec();
}

void CKelvoDlg::reject() {
    Disconnect();
    CancelTransaction();
    SavePlacement();
    if (trafficMonitor_) trafficMonitor_->close();
    if (trend_) trend_->close();
    if (zeroCheck_) zeroCheck_->close();
    if (verification_) verification_->close();
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
