// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/proving/verification_dlg.h"

#include <QComboBox>
#include <QDateTime>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <memory>

#include "history/statistics.h"
#include "messages/failure_text.h"
#include "messages/prompter.h"
#include "meter/register_maps.h"
#include "meter/value_format.h"
#include "proving/proving_reads.h"
#include "proving/proving_text.h"
#include "settings/proving_settings.h"
#include "settings/settings.h"
#include "ui/proving/proving_jobs.h"
#include "ui/proving/proving_widgets.h"
#include "vocabulary/value_tables.h"

namespace kelvo {
namespace {

constexpr char kReadTotalFailedText[] = "读取正向累积失败";
constexpr char kReadFactorFailedText[] = "读取传感器系数失败";

enum Column { kPhase, kStart, kMeasured, kReference, kDuration, kFlowTotal, kFlowPolled, kError, kMeterFactor,
              kResolution, kRemark, kColumns };
constexpr const char* kHeaders[kColumns] = {"状态", "开始时间", "测得体积", "参考体积", "时长(s)", "平均流量(累积)",
                                            "平均流量(瞬时)", "误差", "仪表系数", "分辨率", "备注"};


QString Unit(int unit) { return Utf8(TextAt(VolumeUnits, unit)); }

QString Volume(std::int64_t thousandths, int unit) {
    return QString::fromStdString(VolumeText(static_cast<double>(thousandths) / 1000.0, unit));
}

QString ClockText(std::int64_t wallMs) {
    return QDateTime::fromMSecsSinceEpoch(wallMs).toString(QStringLiteral("HH:mm:ss"));
}

QString FlowUnitText(int flowUnit) {
    if (flowUnit < 0 || flowUnit >= static_cast<int>(kFlowUnitCount)) return {};
    return QString::fromStdString(FlowUnitTexts()[static_cast<std::size_t>(flowUnit)]);
}

Parameter SensorFactorRow(int meterKind) {
    return FindParameter(RegisterMapOf(meterKind).parameters, "sensor_factor").value_or(Parameter{});
}

QString FactorText(int meterKind, double factor) {
    return QString::fromStdString(ValueText(SensorFactorRow(meterKind), FieldValue{.real = factor}));
}

// A total the history kept, as a reading in the run's unit: only its order matters there.
TotalReading ReadingOf(std::int64_t thousandths, int unit) {
    return {.whole = static_cast<std::int32_t>(thousandths / 1000),
            .thousandths = static_cast<std::int32_t>(thousandths % 1000),
            .unit = unit};
}

}  // namespace

CVerificationDlg::CVerificationDlg(CProvingJobs& jobs, Prompter& prompter, ProvingRecord& record, QWidget* parent)
    : QDialog(parent), jobs_(jobs), prompter_(prompter), record_(record) {
    setObjectName(QStringLiteral("verification"));
    setWindowTitle(QStringLiteral("流量核查"));
    BuildWindow();
    record_.tolerancePercent = Tolerance();
    ShowRuns();
    UpdateStates();
}

void CVerificationDlg::BuildWindow() {
    auto* layout = new QVBoxLayout(this);

    auto* runBox = new QGroupBox(QStringLiteral("本次核查"), this);
    auto* form = new QFormLayout(runBox);
    startButton_ = NamedButton("开始", "startRun", runBox);
    startText_ = NamedLabel("startReading", runBox);
    auto* startRow = new QHBoxLayout;
    startRow->addWidget(startButton_);
    startRow->addWidget(startText_, 1);
    form->addRow(QStringLiteral("开始："), startRow);
    endButton_ = NamedButton("结束", "endRun", runBox);
    endText_ = NamedLabel("endReading", runBox);
    auto* endRow = new QHBoxLayout;
    endRow->addWidget(endButton_);
    endRow->addWidget(endText_, 1);
    form->addRow(QStringLiteral("结束："), endRow);
    reference_ = new QLineEdit(runBox);
    reference_->setObjectName(QStringLiteral("referenceVolume"));
    referenceUnit_ = new QComboBox(runBox);
    referenceUnit_->setObjectName(QStringLiteral("referenceUnit"));
    for (std::size_t i = 0; i < VolumeUnits.size(); ++i) referenceUnit_->addItem(Unit(static_cast<int>(i)));
    referenceUnit_->setCurrentIndex(1);
    auto* referenceRow = new QHBoxLayout;
    referenceRow->addWidget(reference_, 1);
    referenceRow->addWidget(referenceUnit_);
    form->addRow(QStringLiteral("参考体积："), referenceRow);
    result_ = NamedLabel("runResult", runBox);
    form->addRow(QStringLiteral("结果："), result_);
    add_ = NamedButton("添加", "addRun", runBox);
    form->addRow(QString(), add_);
    layout->addWidget(runBox);

    auto* toleranceRow = new QHBoxLayout;
    tolerance_ =
        PercentBox("tolerance", LoadProvingSettings().tolerancePercent.value_or(kDefaultTolerancePercent), this);
    toleranceRow->addWidget(new QLabel(QStringLiteral("允许误差 ±"), this));
    toleranceRow->addWidget(tolerance_);
    toleranceRow->addStretch(1);
    delete_ = NamedButton("删除", "deleteRun", this);
    toleranceRow->addWidget(delete_);
    layout->addLayout(toleranceRow);

    table_ = new QTableWidget(0, kColumns, this);
    table_->setObjectName(QStringLiteral("runs"));
    QStringList headers;
    for (const char* header : kHeaders) headers << QString::fromUtf8(header);
    table_->setHorizontalHeaderLabels(headers);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    layout->addWidget(table_, 1);
    summary_ = NamedLabel("runSummary", this);
    layout->addWidget(summary_);

    auto* factorBox = new QGroupBox(QStringLiteral("传感器系数修正"), this);
    auto* factorLayout = new QVBoxLayout(factorBox);
    proposalText_ = NamedLabel("factorProposal", factorBox);
    factorLayout->addWidget(proposalText_);
    correct_ = NamedButton("写入新系数...", "correctFactor", factorBox);
    factorLayout->addWidget(correct_, 0, Qt::AlignLeft);
    factorHeld_ = NamedLabel("factorHeld", factorBox);
    factorLayout->addWidget(factorHeld_);
    layout->addWidget(factorBox);

    status_ = NamedLabel("verificationStatus", this);
    layout->addWidget(status_);

    connect(startButton_, &QPushButton::clicked, this, &CVerificationDlg::StartRun);
    connect(endButton_, &QPushButton::clicked, this, &CVerificationDlg::EndRun);
    connect(add_, &QPushButton::clicked, this, &CVerificationDlg::AddRun);
    connect(delete_, &QPushButton::clicked, this, &CVerificationDlg::DeleteSelectedRun);
    connect(correct_, &QPushButton::clicked, this, &CVerificationDlg::CorrectFactor);
    connect(reference_, &QLineEdit::textChanged, this, &CVerificationDlg::ShowPendingRun);
    connect(referenceUnit_, &QComboBox::currentIndexChanged, this, &CVerificationDlg::ShowPendingRun);
    connect(tolerance_, &QDoubleSpinBox::valueChanged, this, &CVerificationDlg::OnToleranceChanged);
    connect(table_, &QTableWidget::itemSelectionChanged, this, &CVerificationDlg::UpdateStates);
    resize(900, 600);
}

double CVerificationDlg::Tolerance() const { return tolerance_->value(); }

void CVerificationDlg::OnToleranceChanged() {
    // Only the tolerance: the file keeps the zero's keys as they stand.
    ProvingSettings stored;
    stored.tolerancePercent = Tolerance();
    if (const SaveResult saved = SaveProvingSettings(stored); !saved) {
        prompter_.Warn(kSaveSettingsFailedText, SaveErrorText(saved));
    }
    // Whether a run is too short depends on the tolerance.
    for (Entry& entry : runs_) {
        const RunResult again = EvaluateRun(entry.readings, entry.record.run.durationSeconds, entry.reference, Tolerance());
        if (again.run) entry.record.run = *again.run;
    }
    ShowPendingRun();
    ShowRuns();
}

void CVerificationDlg::SetConnected(bool connected) {
    connected_ = connected;
    if (!connected && start_ && !end_) {
        status_->setText(QStringLiteral("连接已断开，进行中的核查作废。"));
        start_.reset();
        startText_->clear();
        ShowPendingRun();
    }
    UpdateStates();
}

void CVerificationDlg::UpdateStates() {
    const bool free = connected_ && jobs_.Polling() && !jobs_.Busy();
    startButton_->setEnabled(free);
    endButton_->setEnabled(free && start_.has_value() && !end_.has_value());
    add_->setEnabled(pending_.has_value());
    delete_->setEnabled(!table_->selectedItems().isEmpty());
    correct_->setEnabled(free && proposal_ && proposal_->Writable() && !asLeft_);
}

void CVerificationDlg::StartRun() {
    const int kind = jobs_.MeterKind();
    const CodecContext context = jobs_.Context();
    auto read = std::make_shared<std::pair<TotalRead, DecimalRead>>();
    auto at = std::make_shared<TotalAt>();
    const bool started = jobs_.Run(
        QStringLiteral("流量核查：开始"),
        [kind, context, read, at](LineJob& job) {
            read->first = ReadForwardTotal(job.Link(), context.byteOrderMode);
            // The time of the total, noted as its answer came.
            at->wallMs = QDateTime::currentMSecsSinceEpoch();
            at->steady = std::chrono::steady_clock::now();
            if (read->first.read) read->second = ReadDecimalParameter(job.Link(), kind, "sensor_factor", context);
        },
        [this, read, at] {
            if (!read->first.read) {
                if (!read->first.read.Cancelled()) prompter_.Warn(kReadTotalFailedText, FailureDetail(read->first.read));
            } else if (!read->second.read) {
                if (!read->second.read.Cancelled()) prompter_.Warn(kReadFactorFailedText, FailureDetail(read->second.read));
            } else {
                at->total = read->first.total;
                at->flowUnit = read->first.flowUnit;
                at->factor = read->second.value;
                start_ = *at;
                end_.reset();
                startText_->setText(QString::fromStdString(TotalText(at->total)) + QStringLiteral("（%1，传感器系数 %2）")
                                                                                        .arg(ClockText(at->wallMs),
                                                                                             FactorText(jobs_.MeterKind(), *at->factor)));
                endText_->clear();
                referenceUnit_->setCurrentIndex(std::clamp(at->total.unit, 0, static_cast<int>(VolumeUnits.size()) - 1));
                status_->setText(QStringLiteral("核查进行中：流量稳定后，在参考量达到时按“结束”。"));
                ShowPendingRun();
            }
            UpdateStates();
        });
    if (started) UpdateStates();
}

void CVerificationDlg::EndRun() {
    if (!start_ || end_) return;
    const int byteOrder = jobs_.Context().byteOrderMode;
    auto read = std::make_shared<TotalRead>();
    auto at = std::make_shared<TotalAt>();
    const bool started = jobs_.Run(
        QStringLiteral("流量核查：结束"),
        [byteOrder, read, at](LineJob& job) {
            *read = ReadForwardTotal(job.Link(), byteOrder);
            at->wallMs = QDateTime::currentMSecsSinceEpoch();
            at->steady = std::chrono::steady_clock::now();
        },
        [this, read, at] {
            if (!read->read) {
                if (!read->read.Cancelled()) prompter_.Warn(kReadTotalFailedText, FailureDetail(read->read));
            } else if (start_) {
                at->total = read->total;
                at->flowUnit = read->flowUnit;
                end_ = *at;
                endText_->setText(QString::fromStdString(TotalText(at->total)) + QStringLiteral("（%1）").arg(ClockText(at->wallMs)));
                status_->setText(QStringLiteral("请输入参考体积并选择其单位，然后按“添加”。"));
                ShowPendingRun();
            }
            UpdateStates();
        });
    if (started) UpdateStates();
}

QString CVerificationDlg::PolledMeanFlow(std::int64_t fromMs, std::int64_t toMs) const {
    const SeriesStatistics statistics = Statistics(jobs_.History().Take(), SeriesId::Flow, {fromMs, toMs});
    if (statistics.units.empty()) return QStringLiteral("没有有效数据");
    if (statistics.Mixed()) return QStringLiteral("流量单位有变化");
    const UnitStatistics& flow = statistics.units.front();
    return QString::number(flow.mean, 'f', 4) + ' ' + QString::fromStdString(flow.unit) +
           QStringLiteral("（%1 个周期）").arg(flow.count);
}

std::optional<CVerificationDlg::Entry> CVerificationDlg::PendingRun(QString& problem) const {
    if (!start_ || !end_) return std::nullopt;
    bool typed = false;
    const double reference = reference_->text().trimmed().toDouble(&typed);
    if (!typed) {
        problem = QStringLiteral("请输入参考体积。");
        return std::nullopt;
    }
    Entry entry;
    entry.reference = {.value = reference, .unit = referenceUnit_->currentIndex()};
    // Start, the totals polled in between (each must not be below the one before), end.
    entry.readings.push_back(start_->total);
    const HistoryView view = jobs_.History().Take();
    for (std::size_t i = view.LowerBound(start_->wallMs + 1); i < view.Size() && view[i].timeMs < end_->wallMs; ++i) {
        if (view[i].Good()) entry.readings.push_back(ReadingOf(view[i].totals[0], start_->total.unit));
    }
    entry.readings.push_back(end_->total);
    const double seconds = std::chrono::duration<double>(end_->steady - start_->steady).count();
    const RunResult result = EvaluateRun(entry.readings, seconds, entry.reference, Tolerance());
    if (!result.run) {
        problem = QString::fromStdString(result.problem);
        return std::nullopt;
    }
    entry.record = {.startMs = start_->wallMs,
                    .endMs = end_->wallMs,
                    .startTotal = start_->total,
                    .endTotal = end_->total,
                    .referenceText = reference_->text().trimmed().toStdString(),
                    .referenceValue = reference,
                    .referenceUnit = entry.reference.unit,
                    .run = *result.run};
    entry.factor = start_->factor;
    entry.flowUnit = end_->flowUnit;
    entry.polledFlow = PolledMeanFlow(start_->wallMs, end_->wallMs);
    entry.asLeft = asLeft_;
    return entry;
}

void CVerificationDlg::ShowPendingRun() {
    QString problem;
    pending_ = PendingRun(problem);
    const std::optional<Entry>& entry = pending_;
    if (!entry) {
        result_->setText(problem);
        UpdateStates();
        return;
    }
    const VerificationRun& run = entry->record.run;
    const std::optional<double> flow = MeanFlow(run, entry->flowUnit);
    QStringList lines;
    lines << QStringLiteral("测得体积 %1，时长 %2 s").arg(Volume(run.measuredThousandths, run.unit)).arg(run.durationSeconds, 0, 'f', 1);
    lines << QStringLiteral("平均流量：按累积 %1，按瞬时流量 %2")
                 .arg(flow ? QString::number(*flow, 'f', 4) + ' ' + FlowUnitText(entry->flowUnit) : QStringLiteral("—"),
                      entry->polledFlow);
    lines << QStringLiteral("误差 %1，仪表系数 %2")
                 .arg(QString::fromStdString(ErrorText(run)), QString::fromStdString(MeterFactorText(run)));
    lines << QStringLiteral("累积分辨率占测得体积 %1%2")
                 .arg(QString::fromStdString(PercentText(run.resolutionPercent)),
                      run.tooShort ? QStringLiteral("：") + Utf8(kTooShortText)
                                   : QString());
    result_->setText(lines.join('\n'));
    UpdateStates();
}

void CVerificationDlg::AddRun() {
    if (!pending_) return;
    Entry entry = std::move(*pending_);
    entry.asLeft = asLeft_;
    runs_.push_back(std::move(entry));
    start_.reset();
    end_.reset();
    startText_->clear();
    endText_->clear();
    reference_->clear();
    ShowPendingRun();
    status_->setText(QStringLiteral("已添加第 %1 次核查。").arg(runs_.size()));
    ShowRuns();
}

void CVerificationDlg::DeleteSelectedRun() {
    const QList<QTableWidgetItem*> selected = table_->selectedItems();
    if (selected.isEmpty()) return;
    const int row = selected.front()->row();
    if (row < 0 || row >= static_cast<int>(runs_.size())) return;
    runs_.erase(runs_.begin() + row);
    ShowRuns();
}

void CVerificationDlg::ShowRuns() {
    table_->setRowCount(static_cast<int>(runs_.size()));
    for (std::size_t i = 0; i < runs_.size(); ++i) {
        const Entry& entry = runs_[i];
        const VerificationRun& run = entry.record.run;
        const std::optional<double> flow = MeanFlow(run, entry.flowUnit);
        const QString cells[kColumns] = {
            entry.asLeft ? QStringLiteral("修正后") : QStringLiteral("修正前"),
            ClockText(entry.record.startMs),
            Volume(run.measuredThousandths, run.unit),
            QString::fromStdString(entry.record.referenceText) + ' ' + Unit(entry.record.referenceUnit),
            QString::number(run.durationSeconds, 'f', 1),
            flow ? QString::number(*flow, 'f', 4) + ' ' + FlowUnitText(entry.flowUnit) : QStringLiteral("—"),
            entry.polledFlow,
            QString::fromStdString(ErrorText(run)),
            QString::fromStdString(MeterFactorText(run)),
            QString::fromStdString(PercentText(run.resolutionPercent)),
            run.tooShort ? QStringLiteral("过短") : QString(),
        };
        for (int column = 0; column < kColumns; ++column) {
            auto* item = new QTableWidgetItem(cells[column]);
            if (column == kRemark && run.tooShort) {
                item->setToolTip(Utf8(kTooShortText));
            }
            table_->setItem(static_cast<int>(i), column, item);
        }
    }
    QStringList lines;
    for (const bool asLeft : {false, true}) {
        std::vector<VerificationRun> phase;
        for (const Entry& entry : runs_) {
            if (entry.asLeft == asLeft) phase.push_back(entry.record.run);
        }
        const std::optional<RunsSummary> summary = Summarise(phase);
        if (!summary) continue;
        // As the report judges a set: a run too short to judge leaves it without a verdict.
        const bool anyTooShort = std::any_of(phase.begin(), phase.end(), [](const VerificationRun& run) { return run.tooShort; });
        const QString verdict = anyTooShort                                   ? QStringLiteral("无法判定（有核查过短）")
                                : summary->WithinTolerance(Tolerance()) ? QStringLiteral("合格")
                                                                        : QStringLiteral("不合格");
        lines << QStringLiteral("%1 %2 次：平均误差 %3 %，重复性 %4 %，允许误差 ±%5 %：%6")
                     .arg(asLeft ? QStringLiteral("修正后") : QStringLiteral("修正前"))
                     .arg(summary->runs)
                     .arg(QString::fromStdString(FixedText(summary->meanErrorPercent, 3, true)),
                          QString::fromStdString(FixedText(summary->repeatabilityPercent, 3)),
                          QString::fromStdString(FixedText(Tolerance(), 3)), verdict);
    }
    summary_->setText(lines.join('\n'));
    ShowProposal();
    StoreRecord();
    UpdateStates();
}

void CVerificationDlg::ShowProposal() {
    proposal_.reset();
    if (asLeft_) {
        // One correction a visit: the record keeps the factor before and after it.
        QString text = record_.factor ? QStringLiteral("传感器系数已由 %1 修正为 %2。")
                                            .arg(QString::fromStdString(record_.factor->beforeText),
                                                 QString::fromStdString(record_.factor->afterText))
                                      : QStringLiteral("传感器系数已写入。");
        std::vector<VerificationRun> asLeft;
        for (const Entry& entry : runs_) {
            if (entry.asLeft) asLeft.push_back(entry.record.run);
        }
        if (const auto summary = Summarise(asLeft); summary && !summary->WithinTolerance(Tolerance())) {
            text += QStringLiteral("修正后平均误差仍超出允许误差：请检查流量是否稳定、参考量是否准确，再重新核查。");
        }
        proposalText_->setText(text);
        return;
    }
    std::vector<VerificationRun> asFound;
    std::optional<double> factor;
    bool oneFactor = true;
    bool anyTooShort = false;
    for (const Entry& entry : runs_) {
        if (entry.asLeft) continue;
        asFound.push_back(entry.record.run);
        if (factor && entry.factor != factor) oneFactor = false;
        factor = entry.factor;
        anyTooShort = anyTooShort || entry.record.run.tooShort;
    }
    const std::optional<RunsSummary> summary = Summarise(asFound);
    if (!summary || summary->WithinTolerance(Tolerance())) {
        proposalText_->setText(summary ? QStringLiteral("平均误差在允许误差之内，无需修正。") : QString());
        return;
    }
    if (anyTooShort) {
        proposalText_->setText(QStringLiteral("有核查过短，不能据此修正传感器系数；请删除过短的核查或延长核查。"));
        return;
    }
    if (!oneFactor || !factor) {
        proposalText_->setText(QStringLiteral("各次核查时仪表的传感器系数不同，无法计算新系数，请重新核查。"));
        return;
    }
    proposal_ = ProposeSensorFactor(jobs_.MeterKind(), jobs_.Context(), *factor, summary->reference,
                                    static_cast<double>(summary->measuredThousandths) / 1000.0);
    QString text = QStringLiteral("平均误差超出允许误差。原系数 %1，建议新系数 %2\n%3")
                       .arg(QString::fromStdString(proposal_->presentText),
                            QString::fromStdString(proposal_->proposedText),
                            QString::fromStdString(FactorFormula(*proposal_)));
    if (proposal_->refusal) text += QStringLiteral("\n不能写入：") + QString::fromStdString(*proposal_->refusal);
    proposalText_->setText(text);
}

void CVerificationDlg::CorrectFactor() {
    if (!proposal_ || asLeft_) return;
    const FactorProposal proposal = *proposal_;
    if (!proposal.Writable()) {
        const FactorReport report = DescribeFactorWrite(proposal, Confirmation::Given, {});
        prompter_.Warn(report.text, report.detail);
        return;
    }
    if (!prompter_.Confirm(FactorQuestion(proposal))) {
        factorHeld_->setText(QString::fromStdString(DescribeFactorWrite(proposal, Confirmation::Declined, {}).text));
        return;
    }
    auto write = std::make_shared<FactorWrite>();
    jobs_.Run(
        QStringLiteral("写入传感器系数"),
        [proposal, write](LineJob& job) { *write = WriteSensorFactor(job.Link(), proposal, Confirmation::Given); },
        [this, proposal, write] {
            const FactorReport report = DescribeFactorWrite(proposal, Confirmation::Given, *write);
            if (write->held) {
                factorHeld_->setText(QStringLiteral("仪表现在的传感器系数：%1（读回）")
                                         .arg(FactorText(proposal.meterKind, *write->held)));
            } else {
                factorHeld_->setText(QString::fromStdString(report.text));
            }
            if (write->attempted && write->written) {
                // The meter's factor has changed: the runs from here on prove it.
                asLeft_ = true;
                if (write->held) {
                    record_.factor = FactorChange{.before = proposal.present,
                                                  .after = *write->held,
                                                  .beforeText = proposal.presentText,
                                                  .afterText = FactorText(proposal.meterKind, *write->held).toStdString(),
                                                  .timeMs = QDateTime::currentMSecsSinceEpoch()};
                }
                status_->setText(QStringLiteral("传感器系数已修正，以后的核查记为“修正后”。"));
            }
            prompter_.Warn(report.text, report.detail);
            ShowRuns();
        });
    UpdateStates();
}

void CVerificationDlg::StoreRecord() {
    record_.runsAsFound.clear();
    record_.runsAsLeft.clear();
    for (const Entry& entry : runs_) (entry.asLeft ? record_.runsAsLeft : record_.runsAsFound).push_back(entry.record);
    record_.tolerancePercent = Tolerance();
}

}  // namespace kelvo
