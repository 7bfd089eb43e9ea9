// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/trend/trend_window.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QSaveFile>
#include <QTableWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <system_error>

#include "history/csv_format.h"
#include "history/statistics.h"
#include "live/live_display.h"
#include "messages/prompter.h"
#include "ui/trend/trend_chart.h"
#include "ui/trend/trend_view.h"

namespace kelvo {

namespace {

constexpr int kRefreshMs = 1000;
// What the wheel and a drag may make of the span.
constexpr std::int64_t kShortestSpanMs = 10'000;
constexpr std::int64_t kLongestSpanMs = 31LL * 86'400'000;
// One notch of the wheel shows this share of the span.
constexpr double kZoomPerNotch = 0.8;
constexpr int kLaneHeight = 80;  // two bands and the time labels

QString Text(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

QString Titled(const SeriesInfo& series, const std::string& unit) {
    return unit.empty() ? Text(series.label) : Text(series.label) + QStringLiteral(" (") + Text(unit) + ')';
}

// A value as the meter sent it: the shortest text of its float, a total's three decimals.
QString ValueText(const CycleSample& sample, const SeriesInfo& series, int meterKind) {
    const auto slot = static_cast<std::size_t>(series.slot);
    switch (series.kind) {
        case SeriesKind::Float: return Text(FloatText(sample.floats[slot]));
        case SeriesKind::Total: return Text(TotalText(sample.totals[slot]));
        case SeriesKind::Alarm: break;
    }
    const std::string alarm = AlarmText(sample.alarmBits, meterKind);
    return alarm.empty() ? QStringLiteral("无") : Text(alarm);
}

QString StatisticText(double value, SeriesKind kind) {
    return kind == SeriesKind::Total ? QString::number(value, 'f', 3) : QString::number(value, 'g', 7);
}

std::int64_t NowMs() { return QDateTime::currentMSecsSinceEpoch(); }

// The smallest of 1, 1.25, 1.5, 2, 2.5, 3, 4, 5, 6, 8 times a power of ten milliseconds that
// is at least `ms`: a column width that a growing history keeps for a long while.
std::int64_t RoundColumnMs(std::int64_t ms) {
    constexpr std::array<std::int64_t, 10> kSteps = {100, 125, 150, 200, 250, 300, 400, 500, 600, 800};
    for (std::int64_t decade = 1;; decade *= 10) {
        for (const std::int64_t step : kSteps) {
            if (step * decade >= ms * 100) return std::max<std::int64_t>(1, step * decade / 100);
        }
    }
}

}  // namespace

CTrendWindow::CTrendWindow(const HistoryStore& history, const CycleRecorder& recorder, QAction* startLog,
                           QAction* stopLog, Prompter& prompter, QWidget* parent)
    : QDialog(parent), history_(history), recorder_(recorder), prompter_(prompter) {
    setObjectName(QStringLiteral("TrendWindow"));
    setWindowTitle(QStringLiteral("趋势"));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint |
                   Qt::WindowCloseButtonHint);
    shown_[static_cast<std::size_t>(SeriesId::Flow)] = true;
    refresh_.setObjectName(QStringLiteral("trendRefresh"));
    refresh_.setInterval(kRefreshMs);
    connect(&refresh_, &QTimer::timeout, this, &CTrendWindow::Refresh);
    BuildControls(startLog, stopLog);
    resize(1100, 700);
}

CTrendWindow::~CTrendWindow() {
    if (writer_.joinable()) writer_.join();
}

void CTrendWindow::BuildControls(QAction* startLog, QAction* stopLog) {
    auto* layout = new QVBoxLayout(this);
    auto* bar = new QHBoxLayout;
    bar->addWidget(new QLabel(QStringLiteral("范围"), this));
    span_ = new QComboBox(this);
    span_->setObjectName(QStringLiteral("trendSpan"));
    for (const TrendSpanChoice& choice : kTrendSpans) span_->addItem(QString::fromUtf8(choice.text));
    span_->setCurrentIndex(spanChoice_);
    connect(span_, &QComboBox::activated, this, &CTrendWindow::SetSpanChoice);
    bar->addWidget(span_);
    follow_ = new QCheckBox(QStringLiteral("跟随"), this);
    follow_->setObjectName(QStringLiteral("trendFollow"));
    follow_->setChecked(following_);
    connect(follow_, &QCheckBox::clicked, this, &CTrendWindow::SetFollowing);
    bar->addWidget(follow_);
    bar->addStretch(1);
    const auto button = [this, bar](const char* text, const char* name) {
        auto* made = new QPushButton(QString::fromUtf8(text), this);
        made->setObjectName(QString::fromLatin1(name));
        made->setAutoDefault(false);
        bar->addWidget(made);
        return made;
    };
    // Each asks for its file, named after the moment, and writes it.
    const auto writesChosenFile = [this](QPushButton* pressed, const char* title, const char* name, const char* filter,
                                         void (CTrendWindow::*write)(const QString&)) {
        connect(pressed, &QPushButton::clicked, this, [this, title, name, filter, write] {
            const QString path = ChooseFileFor(this, choose_, QString::fromUtf8(title),
                                               QDateTime::currentDateTime().toString(QString::fromUtf8(name)),
                                               QString::fromUtf8(filter), true);
            if (!path.isEmpty()) (this->*write)(path);
        });
    };
    savePicture_ = button("保存图片", "trendSavePicture");
    writesChosenFile(savePicture_, "保存图片", "'趋势-'yyyyMMdd-HHmmss'.png'", "PNG 图片 (*.png)",
                     &CTrendWindow::SavePicture);
    export_ = button("导出数据", "trendExport");
    writesChosenFile(export_, "导出数据", "'趋势数据-'yyyyMMdd-HHmmss'.csv'", "CSV 文件 (*.csv)",
                     &CTrendWindow::ExportData);
    for (const auto& [action, name] : {std::pair{startLog, "trendStartLog"}, std::pair{stopLog, "trendStopLog"}}) {
        if (action == nullptr) continue;
        auto* tool = new QToolButton(this);
        tool->setObjectName(QString::fromLatin1(name));
        tool->setDefaultAction(action);
        bar->addWidget(tool);
    }
    layout->addLayout(bar);

    auto* body = new QHBoxLayout;
    auto* values = new QGroupBox(QStringLiteral("数值"), this);
    auto* ticks = new QVBoxLayout(values);
    for (const SeriesInfo& series : kSeries) {
        const auto slot = static_cast<std::size_t>(series.id);
        auto* tick = new QCheckBox(Text(series.label), values);
        tick->setObjectName(QStringLiteral("trendSeries_") + Text(series.name));
        tick->setChecked(shown_[slot]);
        connect(tick, &QCheckBox::toggled, this, [this, id = series.id](bool on) { SetShown(id, on); });
        ticks->addWidget(tick);
        ticks_[slot] = tick;
    }
    ticks->addStretch(1);
    body->addWidget(values);

    chart_ = new TrendChart(this);
    charts_ = new QWidget(this);
    charts_->setObjectName(QStringLiteral("trendCharts"));
    auto* stack = new QVBoxLayout(charts_);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(0);
    mainView_ = new TrendView(*chart_, TrendView::Part::Plot, nullptr, charts_);
    mainView_->setObjectName(QStringLiteral("trendChart"));
    laneView_ = new TrendView(*chart_, TrendView::Part::Lane, mainView_, charts_);
    laneView_->setObjectName(QStringLiteral("trendLane"));
    laneView_->setFixedHeight(kLaneHeight);
    laneView_->setToolTip(QStringLiteral("上：报警（有报警时为高）；下：红色标记为通讯中断的轮询周期"));
    stack->addWidget(mainView_, 1);
    stack->addWidget(laneView_);
    // A plot of another width has other columns.
    connect(mainView_, &TrendView::resized, this, &CTrendWindow::Redraw);
    for (TrendView* view : {mainView_, laneView_}) {
        connect(view, &TrendView::dragged, this, &CTrendWindow::Dragged);
        connect(view, &TrendView::wheeled, this, &CTrendWindow::Wheeled);
        connect(view, &TrendView::hovered, this, [this](double fraction) {
            const TimeSpan span = VisibleSpan();
            PlaceCursor(span.fromMs + static_cast<std::int64_t>(fraction * static_cast<double>(span.Length())));
        });
    }
    body->addWidget(charts_, 1);
    layout->addLayout(body, 1);

    cursor_ = new QLabel(this);
    cursor_->setObjectName(QStringLiteral("trendCursor"));
    cursor_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    cursor_->setWordWrap(true);
    layout->addWidget(cursor_);
    failed_ = new QLabel(this);
    failed_->setObjectName(QStringLiteral("trendFailedCycles"));
    layout->addWidget(failed_);
    statistics_ = new QTableWidget(0, 6, this);
    statistics_->setObjectName(QStringLiteral("trendStatistics"));
    statistics_->setHorizontalHeaderLabels(
        {QStringLiteral("数值"), QStringLiteral("个数"), QStringLiteral("最小"), QStringLiteral("最大"),
         QStringLiteral("平均"), QStringLiteral("标准差")});
    statistics_->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    statistics_->horizontalHeader()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    statistics_->verticalHeader()->hide();
    statistics_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    statistics_->setMaximumHeight(170);
    layout->addWidget(statistics_);
}

void CTrendWindow::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    stale_ = true;
    Refresh();
    refresh_.start();
}

void CTrendWindow::hideEvent(QHideEvent* event) {
    refresh_.stop();
    QDialog::hideEvent(event);
}

void CTrendWindow::Refresh() {
    const std::uint64_t revision = history_.Revision();
    if (revision == drawnRevision_ && !stale_) return;
    const std::uint64_t generation = view_.Generation();
    view_ = history_.Take();
    // A new connection starts a new history: what the cursor showed is gone.
    if (view_.Generation() != generation) cursorMs_.reset();
    drawnRevision_ = revision;
    Redraw();
}

void CTrendWindow::Redraw() {
    stale_ = false;
    std::vector<SeriesId> ticked;
    for (const SeriesInfo& series : SeriesOfMeter(view_.MeasuresHeat())) {
        if (shown_[static_cast<std::size_t>(series.id)]) ticked.push_back(series.id);
    }
    // The axes a drawing needs may narrow or widen the plot, and with it the columns: then
    // once more on the new columns, whose axes are the same.
    TimeSpan span;
    for (int pass = 0; pass < 2; ++pass) {
        span = VisibleSpan();
        const int columns = Columns();
        chart_->Draw(view_, Decimate(view_, ticked, span, columns), span, columns);
        if (Columns() == columns) break;
    }
    ShowUnits();
    ShowStatistics(span);
    ShowCursor();
}

int CTrendWindow::Columns() const { return std::max(1, static_cast<int>(mainView_->PlotRect().width())); }

TimeSpan CTrendWindow::VisibleSpan() const {
    if (!following_) return manual_;
    const auto columns = static_cast<std::int64_t>(Columns());
    const std::int64_t length = kTrendSpans[static_cast<std::size_t>(spanChoice_)].lengthMs;
    if (view_.Empty()) {
        const std::int64_t shown = std::max<std::int64_t>(length, 60'000);
        return {.fromMs = NowMs() - shown, .toMs = NowMs()};
    }
    const std::int64_t newest = view_[view_.Size() - 1].timeMs + 1;
    // Following moves the span a whole column at a time, so that the columns keep their
    // cycles and a new cycle redraws only what it changed.
    if (length > 0) {
        const std::int64_t column = std::max<std::int64_t>(1, (length + columns - 1) / columns);
        const std::int64_t to = (newest + column - 1) / column * column;
        return {.fromMs = to - column * columns, .toMs = to};
    }
    // The whole history, on columns of a round width that stays while the history grows.
    const std::int64_t oldest = view_[0].timeMs;
    std::int64_t column = RoundColumnMs(std::max<std::int64_t>(newest - oldest, kShortestSpanMs) / columns + 1);
    std::int64_t from = oldest / column * column;
    while (from + column * columns < newest) {
        column = RoundColumnMs(column + 1);
        from = oldest / column * column;
    }
    return {.fromMs = from, .toMs = from + column * columns};
}

void CTrendWindow::SetShown(SeriesId id, bool shown) {
    const auto slot = static_cast<std::size_t>(id);
    shown_[slot] = shown;
    if (ticks_[slot]->isChecked() != shown) ticks_[slot]->setChecked(shown);
    Redraw();
}

void CTrendWindow::SetSpanChoice(int index) {
    if (index < 0 || index >= static_cast<int>(kTrendSpans.size())) return;
    spanChoice_ = index;
    if (span_->currentIndex() != index) span_->setCurrentIndex(index);
    if (!following_) {
        // The new length ends where the view ends now; the whole history is all of it.
        const std::int64_t length = kTrendSpans[static_cast<std::size_t>(index)].lengthMs;
        if (length == 0) {
            SetFollowing(true);
            return;
        }
        manual_.fromMs = manual_.toMs - length;
    }
    Redraw();
}

void CTrendWindow::SetFollowing(bool following) {
    if (!following) manual_ = VisibleSpan();
    following_ = following;
    if (follow_->isChecked() != following) follow_->setChecked(following);
    Redraw();
}

void CTrendWindow::ShowSpan(TimeSpan span) {
    const std::int64_t length = std::clamp(span.Length(), kShortestSpanMs, kLongestSpanMs);
    const std::int64_t middle = span.fromMs + span.Length() / 2;
    manual_ = {.fromMs = middle - length / 2, .toMs = middle - length / 2 + length};
    following_ = false;
    if (follow_->isChecked()) follow_->setChecked(false);
    Redraw();
}

void CTrendWindow::Dragged(double fraction) {
    const TimeSpan span = VisibleSpan();
    const auto shift = static_cast<std::int64_t>(fraction * static_cast<double>(span.Length()));
    ShowSpan({.fromMs = span.fromMs - shift, .toMs = span.toMs - shift});
}

void CTrendWindow::Wheeled(double steps, double fraction) {
    const TimeSpan span = VisibleSpan();
    const double scale = std::pow(kZoomPerNotch, steps);
    const double anchor = static_cast<double>(span.fromMs) + fraction * static_cast<double>(span.Length());
    ShowSpan({.fromMs = static_cast<std::int64_t>(anchor - (anchor - static_cast<double>(span.fromMs)) * scale),
              .toMs = static_cast<std::int64_t>(anchor + (static_cast<double>(span.toMs) - anchor) * scale)});
}

void CTrendWindow::ShowUnits() {
    const bool heat = view_.MeasuresHeat();
    std::optional<std::size_t> newestGood;
    for (std::size_t i = view_.Size(); i-- > 0;) {
        if (view_[i].Good()) {
            newestGood = i;
            break;
        }
    }
    for (const SeriesInfo& series : kSeries) {
        QCheckBox* tick = ticks_[static_cast<std::size_t>(series.id)];
        tick->setVisible(!series.heat || heat);
        // The unit the meter reports now.
        tick->setText(newestGood ? Titled(series, UnitText(view_[*newestGood], series.id)) : Text(series.label));
    }
}

void CTrendWindow::ShowStatistics(TimeSpan span) {
    std::size_t failed = 0;
    for (std::size_t i = view_.LowerBound(span.fromMs); i < view_.Size() && view_[i].timeMs < span.toMs; ++i) {
        failed += view_[i].Good() ? 0 : 1;
    }
    failed_->setText(failed > 0 ? QStringLiteral("所示范围内通讯中断的轮询周期：%1 个").arg(failed) : QString());

    std::vector<SeriesId> ticked;
    for (const SeriesInfo& series : SeriesOfMeter(view_.MeasuresHeat())) {
        if (shown_[static_cast<std::size_t>(series.id)] && series.kind != SeriesKind::Alarm) ticked.push_back(series.id);
    }
    std::vector<QStringList> rows;
    for (const SeriesStatistics& statistics : Statistics(view_, ticked, span)) {
        const SeriesInfo& series = InfoOf(statistics.id);
        for (const UnitStatistics& unit : statistics.units) {
            QString name = Titled(series, unit.unit);
            if (statistics.Mixed()) name += QStringLiteral("（单位有变）");
            rows.push_back({name, QString::number(unit.count), StatisticText(unit.minimum, series.kind),
                            StatisticText(unit.maximum, series.kind), StatisticText(unit.mean, series.kind),
                            QString::number(unit.standardDeviation, 'g', 4)});
        }
    }
    // Cells are rewritten in place: a table built anew every second would be laid out anew.
    statistics_->setRowCount(static_cast<int>(rows.size()));
    for (int row = 0; row < statistics_->rowCount(); ++row) {
        for (int column = 0; column < statistics_->columnCount(); ++column) {
            const QString& text = rows[static_cast<std::size_t>(row)][column];
            if (QTableWidgetItem* item = statistics_->item(row, column)) {
                if (item->text() != text) item->setText(text);
            } else {
                statistics_->setItem(row, column, new QTableWidgetItem(text));
            }
        }
    }
}

void CTrendWindow::PlaceCursor(std::int64_t timeMs) {
    cursorMs_ = timeMs;
    ShowCursor();
}

void CTrendWindow::ShowCursor() {
    const std::optional<std::size_t> nearest = cursorMs_ ? view_.Nearest(*cursorMs_) : std::nullopt;
    if (!nearest) {
        cursor_->setText(QString());
        mainView_->ShowCursorAt(-1);
        laneView_->ShowCursorAt(-1);
        return;
    }
    // The cursor stands on the cycle whose values it shows, at that cycle's time.
    const CycleSample& sample = view_[*nearest];
    QString text = QDateTime::fromMSecsSinceEpoch(sample.timeMs).toString("yyyy-MM-dd HH:mm:ss.zzz");
    if (!sample.Good()) {
        text += QStringLiteral("  ") + Text(kFailedCycleStatus);
    } else {
        for (const SeriesInfo& series : SeriesOfMeter(view_.MeasuresHeat())) {
            if (!shown_[static_cast<std::size_t>(series.id)]) continue;
            text += QStringLiteral("  ") + Text(series.label) + ' ' + ValueText(sample, series, view_.MeterKind());
            if (const std::string unit = UnitText(sample, series.id); !unit.empty()) text += ' ' + Text(unit);
        }
    }
    cursor_->setText(text);
    const TimeSpan span = VisibleSpan();
    const double fraction =
        static_cast<double>(sample.timeMs - span.fromMs) / static_cast<double>(std::max<std::int64_t>(span.Length(), 1));
    mainView_->ShowCursorAt(fraction);
    laneView_->ShowCursorAt(fraction);
}

QString CTrendWindow::CursorText() const { return cursor_->text(); }

void CTrendWindow::SavePicture(const QString& path) {
    const QImage image = charts_->grab().toImage();
    WriteInBackground([image, path] { return image.save(path, "PNG") ? QString() : QStringLiteral("无法写入该文件。"); },
                      kSavePictureFailedText);
}

void CTrendWindow::ExportData(const QString& path) {
    const std::optional<LogIdentity> identity = recorder_.Identity();
    if (!identity) {
        prompter_.Warn(kExportDataFailedText, "还没有连接过仪表，没有数据。");
        return;
    }
    WriteInBackground(
        [view = view_, span = VisibleSpan(), identity = *identity, path] {
            const std::string text = ExportText(view, span, identity);
            QSaveFile file(path);
            if (file.open(QIODevice::WriteOnly) &&
                file.write(text.data(), static_cast<qint64>(text.size())) == static_cast<qint64>(text.size()) &&
                file.commit()) {
                return QString();
            }
            return file.errorString();
        },
        kExportDataFailedText);
}

void CTrendWindow::WriteInBackground(std::function<QString()> write, const char* failedText) {
    // One file at a time; the buttons wait until it is written.
    if (writing_.exchange(true)) return;
    if (writer_.joinable()) writer_.join();
    savePicture_->setEnabled(false);
    export_->setEnabled(false);
    failedText_ = failedText;
    try {
        writer_ = std::thread([this, write = std::move(write)] {
            const QString problem = write();
            // Called by name: a queued functor would be freed on whichever thread let go of
            // it last, and that thread may be this one, after the window ran it.
            QMetaObject::invokeMethod(this, "FinishWriting", Qt::QueuedConnection, Q_ARG(QString, problem));
        });
    } catch (const std::system_error&) {
        FinishWriting(QStringLiteral("系统没有给出线程。"));
    }
}

void CTrendWindow::FinishWriting(const QString& problem) {
    writing_.store(false);
    savePicture_->setEnabled(true);
    export_->setEnabled(true);
    if (!problem.isEmpty()) prompter_.Warn(failedText_, problem.toStdString());
    emit written(problem.isEmpty());
}

}  // namespace kelvo
