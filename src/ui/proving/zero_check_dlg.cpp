// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/proving/zero_check_dlg.h"

#include <QDateTime>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>
#include <memory>
#include <string>

#include "messages/failure_text.h"
#include "messages/prompter.h"
#include "pages/page_catalog.h"
#include "pages/page_session.h"
#include "proving/proving_reads.h"
#include "proving/proving_text.h"
#include "settings/proving_settings.h"
#include "settings/settings.h"
#include "ui/proving/proving_jobs.h"
#include "ui/proving/proving_widgets.h"

namespace kelvo {
namespace {

constexpr char kFullPipeQuestion[] = "请确认管道内已充满液体、阀门已关闭、流量已停止。开始零点检查？";
constexpr char kReadRangeFailedText[] = "读取流量量程失败";
// The statistics are looked at this often while a watch runs.
constexpr int kRefreshMs = 500;
constexpr int kMaxSeconds = 3600;

// The auto zero as the kind's pages offer it: its register, value, question and texts.
std::optional<CommandButton> AutoZeroButton(int meterKind) {
    for (const PageDefinition* page : PageDefinitionsOf(meterKind)) {
        for (const CommandButton& command : page->commands) {
            if (command.name == "auto_zero") return command;
        }
    }
    return std::nullopt;
}

}  // namespace

CZeroCheckDlg::CZeroCheckDlg(CProvingJobs& jobs, Prompter& prompter, ProvingRecord& record, QWidget* parent)
    : QDialog(parent), jobs_(jobs), prompter_(prompter), record_(record) {
    setObjectName(QStringLiteral("zeroCheck"));
    setWindowTitle(QStringLiteral("零点检查"));
    timer_.setInterval(kRefreshMs);
    connect(&timer_, &QTimer::timeout, this, &CZeroCheckDlg::Refresh);
    BuildWindow();
    UpdateStates();
}

void CZeroCheckDlg::BuildWindow() {
    const ProvingSettings stored = LoadProvingSettings();
    auto* layout = new QVBoxLayout(this);
    auto* limits = new QGroupBox(QStringLiteral("检查设置"), this);
    auto* form = new QFormLayout(limits);
    seconds_ = new QSpinBox(limits);
    seconds_->setObjectName(QStringLiteral("zeroSeconds"));
    seconds_->setRange(1, kMaxSeconds);
    seconds_->setSuffix(QStringLiteral(" s"));
    seconds_->setValue(std::clamp(stored.zeroSeconds.value_or(kDefaultZeroSeconds), 1, kMaxSeconds));
    form->addRow(QStringLiteral("观察时间："), seconds_);
    meanLimit_ = PercentBox("zeroMeanLimit", stored.zeroMeanPercent.value_or(kDefaultZeroMeanPercent), limits);
    form->addRow(QStringLiteral("平均值限值（量程的 ±）："), meanLimit_);
    deviationLimit_ =
        PercentBox("zeroDeviationLimit", stored.zeroDeviationPercent.value_or(kDefaultZeroDeviationPercent), limits);
    form->addRow(QStringLiteral("标准偏差限值（量程的）："), deviationLimit_);
    layout->addWidget(limits);

    auto* buttons = new QHBoxLayout;
    start_ = NamedButton("开始检查", "startZeroCheck", this);
    autoZero_ = NamedButton("自动调零", "autoZero", this);
    buttons->addWidget(start_);
    buttons->addWidget(autoZero_);
    buttons->addStretch(1);
    layout->addLayout(buttons);

    live_ = NamedLabel("zeroStatistics", this);
    layout->addWidget(live_);
    verdict_ = NamedLabel("zeroVerdict", this);
    layout->addWidget(verdict_);
    auto* results = new QGroupBox(QStringLiteral("结果"), this);
    auto* resultForm = new QFormLayout(results);
    asFound_ = NamedLabel("zeroAsFound", results);
    asLeft_ = NamedLabel("zeroAsLeft", results);
    resultForm->addRow(QStringLiteral("调零前："), asFound_);
    resultForm->addRow(QStringLiteral("调零后："), asLeft_);
    layout->addWidget(results);
    layout->addStretch(1);

    connect(start_, &QPushButton::clicked, this, &CZeroCheckDlg::StartWatch);
    connect(autoZero_, &QPushButton::clicked, this, &CZeroCheckDlg::AutoZero);
    connect(seconds_, &QSpinBox::valueChanged, this, &CZeroCheckDlg::SaveLimits);
    connect(meanLimit_, &QDoubleSpinBox::valueChanged, this, &CZeroCheckDlg::SaveLimits);
    connect(deviationLimit_, &QDoubleSpinBox::valueChanged, this, &CZeroCheckDlg::SaveLimits);
    resize(560, 420);
}

ZeroLimits CZeroCheckDlg::Limits() const {
    ZeroLimits limits;
    limits.meanPercent = meanLimit_->value();
    limits.deviationPercent = deviationLimit_->value();
    return limits;
}

void CZeroCheckDlg::SaveLimits() {
    // Only the zero's keys: the file keeps the tolerance as it stands.
    ProvingSettings stored;
    stored.zeroSeconds = seconds_->value();
    stored.zeroMeanPercent = meanLimit_->value();
    stored.zeroDeviationPercent = deviationLimit_->value();
    if (const SaveResult saved = SaveProvingSettings(stored); !saved) {
        prompter_.Warn(kSaveSettingsFailedText, SaveErrorText(saved));
    }
}

void CZeroCheckDlg::SetConnected(bool connected) {
    connected_ = connected;
    if (!connected && watch_) {
        timer_.stop();
        watch_.reset();
        verdict_->setText(QStringLiteral("连接已断开，零点检查中止。"));
    }
    UpdateStates();
}

void CZeroCheckDlg::UpdateStates() {
    const bool free = connected_ && jobs_.Polling() && !jobs_.Busy() && !watch_;
    start_->setEnabled(free);
    start_->setText(zeroed_ ? QStringLiteral("开始调零后检查") : QStringLiteral("开始检查"));
    autoZero_->setEnabled(free && record_.zeroAsFound.has_value() && !zeroed_);
    seconds_->setEnabled(!watch_);
    meanLimit_->setEnabled(!watch_);
    deviationLimit_->setEnabled(!watch_);
}

void CZeroCheckDlg::StartWatch() {
    if (watch_ || !prompter_.Confirm(kFullPipeQuestion)) return;
    const int kind = jobs_.MeterKind();
    const CodecContext context = jobs_.Context();
    auto range = std::make_shared<DecimalRead>();
    const bool started = jobs_.Run(
        QStringLiteral("零点检查"),
        [kind, context, range](LineJob& job) { *range = ReadDecimalParameter(job.Link(), kind, "flow_range", context); },
        [this, range] {
            if (!range->read || !range->value) {
                if (!range->read.Cancelled()) prompter_.Warn(kReadRangeFailedText, FailureDetail(range->read));
                UpdateStates();
                return;
            }
            // The watch begins now: cycles polled before the flow range came are not part of it.
            const std::int64_t now = QDateTime::currentMSecsSinceEpoch();
            watch_ = Watch{.startMs = now,
                           .endMs = now + static_cast<std::int64_t>(seconds_->value()) * 1000,
                           .range = *range->value,
                           .asLeft = zeroed_};
            verdict_->setText(QStringLiteral("检查中……"));
            live_->clear();
            timer_.start();
            UpdateStates();
        });
    if (started) UpdateStates();
}

QString CZeroCheckDlg::StatisticsText(const ZeroCheck& check) const {
    QStringList lines;
    for (const auto& [label, value] : ZeroRows(check)) {
        // The verdict has a line of its own, and none while the watch runs.
        if (label == "结论" || label == "说明") continue;
        lines << Utf8(label) + QStringLiteral("：") + QString::fromStdString(value);
    }
    return lines.join('\n');
}

void CZeroCheckDlg::Refresh() {
    if (!watch_) return;
    const std::int64_t now = QDateTime::currentMSecsSinceEpoch();
    const bool ended = now >= watch_->endMs;
    const TimeSpan span{watch_->startMs, std::min(now, watch_->endMs)};
    const ZeroCheck check = CheckZero(jobs_.History().Take(), span, watch_->range, 0, Limits());
    live_->setText(StatisticsText(check));
    if (!ended) {
        verdict_->setText(QStringLiteral("检查中……还剩 %1 s").arg((watch_->endMs - now + 999) / 1000));
        return;
    }
    Finish(check);
}

void CZeroCheckDlg::Finish(const ZeroCheck& check) {
    timer_.stop();
    const Watch watch = *watch_;
    watch_.reset();
    const ZeroCheckRecord result{.startMs = watch.startMs, .endMs = watch.endMs, .check = check};
    const QString text = Utf8(VerdictText(check.verdict)) + QStringLiteral("：") + QString::fromStdString(check.reason);
    verdict_->setText(text);
    (watch.asLeft ? asLeft_ : asFound_)->setText(text + '\n' + StatisticsText(check));
    (watch.asLeft ? record_.zeroAsLeft : record_.zeroAsFound) = result;
    UpdateStates();
}

void CZeroCheckDlg::AutoZero() {
    const int kind = jobs_.MeterKind();
    const std::optional<CommandButton> command = AutoZeroButton(kind);
    if (!command || !prompter_.Confirm(command->question)) return;
    auto written = std::make_shared<LinkResult>();
    jobs_.Run(
        Utf8(command->label),
        [kind, written](LineJob& job) { *written = SendMeterCommand(job.Link(), kind, "auto_zero"); },
        [this, command, written] {
            if (*written) {
                zeroed_ = true;
                prompter_.Warn(command->successText);
                verdict_->setText(QStringLiteral("已自动调零。请待流量读数稳定后开始调零后检查。"));
            } else if (written->Cancelled()) {
                prompter_.Warn(kWriteCancelledText, written->requestSent ? "请求已发出，仪表可能已写入。"
                                                                         : "请求未发出，仪表没有写入。");
            } else {
                prompter_.Warn(command->failText, FailureDetail(*written));
            }
            UpdateStates();
        });
    UpdateStates();
}

}  // namespace kelvo
