// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/dialogs/traffic_monitor_dlg.h"

#include <QClipboard>
#include <QDateTime>
#include <QFileDialog>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSaveFile>
#include <QStringList>
#include <QVBoxLayout>

#include "link/traffic_log.h"
#include "messages/prompter.h"

namespace kelvo {

namespace {

QString FromUtf8(const std::string& text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

QPushButton* AddButton(QHBoxLayout* row, const char* text, const char* name, QWidget* parent) {
    auto* button = new QPushButton(QString::fromUtf8(text), parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setAutoDefault(false);
    row->addWidget(button);
    return button;
}

}  // namespace

CTrafficMonitorDlg::CTrafficMonitorDlg(TrafficLog& log, Prompter& prompter, QWidget* parent)
    : QDialog(parent), log_(log), prompter_(prompter), cursor_(log.End()) {
    setObjectName(QStringLiteral("trafficMonitor"));
    setWindowTitle(QStringLiteral("通讯监视"));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint |
                   Qt::WindowCloseButtonHint);
    refresh_.setObjectName(QStringLiteral("trafficRefresh"));
    refresh_.setInterval(kTrafficRefreshMs);
    connect(&refresh_, &QTimer::timeout, this, &CTrafficMonitorDlg::Refresh);
    BuildControls();
    ShowCounters();
}

CTrafficMonitorDlg::~CTrafficMonitorDlg() { log_.SetCapturing(false); }

void CTrafficMonitorDlg::BuildControls() {
    auto* layout = new QVBoxLayout(this);
    auto* about = new QLabel(QStringLiteral("窗口打开时记录主窗口轮询、参数页面和仪表搜索的每一帧通讯，"
                                            "保留最近 %1 帧。")
                                 .arg(kTrafficCapacity),
                             this);
    about->setObjectName(QStringLiteral("trafficAbout"));
    layout->addWidget(about);

    view_ = new QPlainTextEdit(this);
    view_->setObjectName(QStringLiteral("trafficView"));
    view_->setReadOnly(true);
    view_->setLineWrapMode(QPlainTextEdit::NoWrap);
    view_->setMaximumBlockCount(static_cast<int>(kTrafficCapacity));
    view_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    view_->setMinimumSize(760, 360);
    layout->addWidget(view_, 1);

    counters_ = new QLabel(this);
    counters_->setObjectName(QStringLiteral("trafficCounters"));
    counters_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(counters_);

    auto* buttons = new QHBoxLayout;
    pause_ = AddButton(buttons, "暂停", "trafficPause", this);
    pause_->setCheckable(true);
    connect(pause_, &QPushButton::toggled, this, &CTrafficMonitorDlg::SetPaused);
    connect(AddButton(buttons, "清除", "trafficClear", this), &QPushButton::clicked, this, &CTrafficMonitorDlg::Clear);
    connect(AddButton(buttons, "复制", "trafficCopy", this), &QPushButton::clicked, this,
            &CTrafficMonitorDlg::CopyToClipboard);
    connect(AddButton(buttons, "保存...", "trafficSave", this), &QPushButton::clicked, this,
            &CTrafficMonitorDlg::SaveAsChosen);
    buttons->addStretch(1);
    connect(AddButton(buttons, "关闭", "trafficClose", this), &QPushButton::clicked, this, &QDialog::close);
    layout->addLayout(buttons);
}

void CTrafficMonitorDlg::showEvent(QShowEvent* event) {
    log_.SetCapturing(true);
    refresh_.start();
    QDialog::showEvent(event);
}

void CTrafficMonitorDlg::hideEvent(QHideEvent* event) {
    refresh_.stop();
    log_.SetCapturing(false);
    // What was logged up to here still shows when the window opens again.
    Refresh();
    QDialog::hideEvent(event);
}

void CTrafficMonitorDlg::Refresh() {
    if (paused_) return;
    const std::vector<std::string> lines = decoder_.ReadLines(log_, cursor_);
    const std::uint64_t dropped = log_.Dropped();
    decoder_.CountLost(dropped - droppedSeen_);
    droppedSeen_ = dropped;
    if (!lines.empty()) {
        QStringList text;
        text.reserve(static_cast<qsizetype>(lines.size()));
        for (const std::string& line : lines) text << FromUtf8(line);
        view_->appendPlainText(text.join(QLatin1Char('\n')));
    }
    ShowCounters();
}

void CTrafficMonitorDlg::SetPaused(bool paused) {
    paused_ = paused;
    if (pause_->isChecked() != paused) pause_->setChecked(paused);
    pause_->setText(paused ? QStringLiteral("继续") : QStringLiteral("暂停"));
    // The frames of the pause stay in the log (as far as it holds them) and follow now.
    if (!paused) Refresh();
    ShowCounters();
}

void CTrafficMonitorDlg::Clear() {
    view_->clear();
    decoder_.ResetCounters();
    cursor_ = log_.End();
    ShowCounters();
}

void CTrafficMonitorDlg::CopyToClipboard() const {
    QString selected = view_->textCursor().selectedText();
    // A selection spanning lines holds U+2029 where the lines break.
    QGuiApplication::clipboard()->setText(selected.isEmpty() ? view_->toPlainText()
                                                             : selected.replace(QChar(0x2029), QLatin1Char('\n')));
}

bool CTrafficMonitorDlg::SaveTo(const QString& path) {
    QSaveFile file(path);
    const QByteArray text =
        (view_->toPlainText() + QLatin1Char('\n') + FromUtf8(CountersText(decoder_.Counters())) + QLatin1Char('\n'))
            .toUtf8();
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size() || !file.commit()) {
        prompter_.Warn(kSaveTrafficFailedText, file.errorString().toStdString());
        return false;
    }
    return true;
}

QString CTrafficMonitorDlg::ChooseSaveFile() {
    const QString name = QStringLiteral("kelvo-通讯记录-%1.txt")
                             .arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss")));
    return QFileDialog::getSaveFileName(this, QStringLiteral("保存通讯记录"), name,
                                        QStringLiteral("文本文件 (*.txt)"));
}

void CTrafficMonitorDlg::SaveAsChosen() {
    const QString path = ChooseSaveFile();
    if (!path.isEmpty()) SaveTo(path);
}

void CTrafficMonitorDlg::ShowCounters() {
    QString text = FromUtf8(CountersText(decoder_.Counters()));
    if (paused_) text += QStringLiteral("  （已暂停）");
    // Most refreshes bring nothing new; an unchanged label is not laid out again.
    if (text != counters_->text()) counters_->setText(text);
}

}  // namespace kelvo
