// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// "趋势": a window beside the main window that draws the history of the connection — every
// live value the user ticks, each in its unit on a value axis of that unit, over a span of
// local clock time — with a cursor that reads off the values of one polling cycle and, for
// the span in view, each value's minimum, maximum, mean and standard deviation. "跟随" keeps
// the newest cycle in view; dragging or turning the wheel over the chart stops it. It
// only reads the history: closing it changes nothing, a log goes on.

#include <QDialog>
#include <QTimer>

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <thread>

#include "history/cycle_recorder.h"
#include "history/decimation.h"
#include "ui/file_chooser.h"

class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QTableWidget;

namespace kelvo {

class Prompter;
class TrendChart;
class TrendView;

inline constexpr const char* kSavePictureFailedText = "保存图片失败！";
inline constexpr const char* kExportDataFailedText = "导出数据失败！";

struct TrendSpanChoice {
    const char* text;
    std::int64_t lengthMs;  // 0: the whole history
};
inline constexpr std::array<TrendSpanChoice, 6> kTrendSpans = {{{"1 分钟", 60'000},
                                                               {"10 分钟", 600'000},
                                                               {"1 小时", 3'600'000},
                                                               {"8 小时", 28'800'000},
                                                               {"24 小时", 86'400'000},
                                                               {"全部", 0}}};

class CTrendWindow : public QDialog {
    Q_OBJECT
public:
    // `startLog` and `stopLog` are the main window's commands, which the window offers too.
    CTrendWindow(const HistoryStore& history, const CycleRecorder& recorder, QAction* startLog, QAction* stopLog,
                 Prompter& prompter, QWidget* parent = nullptr);
    ~CTrendWindow() override;  // waits for a picture or an export still being written

    // Draws anew when the history or the view changed; what the window's timer does.
    void Refresh();
    void SetShown(SeriesId id, bool shown);
    void SetSpanChoice(int index);  // of kTrendSpans
    void SetFollowing(bool following);
    // Shows this span, as a drag or a turn of the wheel does: following stops.
    void ShowSpan(TimeSpan span);
    TimeSpan VisibleSpan() const;
    // The cursor on the polling cycle nearest to `timeMs`.
    void PlaceCursor(std::int64_t timeMs);
    QString CursorText() const;
    const TrendChart& Chart() const { return *chart_; }

    // Writes the charts as PNG, or the span in view as CSV in the log's format, on a thread
    // of their own; a failure is reported through the prompter. `written` follows.
    void SavePicture(const QString& path);
    void ExportData(const QString& path);
    void SetFileChooser(ChooseFile chooser) { choose_ = std::move(chooser); }

signals:
    void written(bool good);

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void BuildControls(QAction* startLog, QAction* stopLog);
    // The chart's width in pixels: the columns a span is drawn on.
    int Columns() const;
    void Redraw();
    void ShowUnits();
    void ShowStatistics(TimeSpan span);
    void ShowCursor();
    void Dragged(double fraction);
    void Wheeled(double steps, double fraction);
    void WriteInBackground(std::function<QString()> write, const char* failedText);
    // On the window's thread once the writer is done; `problem` is empty when it wrote all.
    Q_INVOKABLE void FinishWriting(const QString& problem);

    const HistoryStore& history_;
    const CycleRecorder& recorder_;
    Prompter& prompter_;
    ChooseFile choose_;
    HistoryView view_;  // what was drawn last
    std::uint64_t drawnRevision_ = 0;
    bool stale_ = true;  // the view changed since it was drawn
    std::array<bool, kSeriesCount> shown_{};
    int spanChoice_ = 1;
    bool following_ = true;
    TimeSpan manual_;  // while not following
    std::optional<std::int64_t> cursorMs_;
    QTimer refresh_;
    std::thread writer_;
    std::atomic<bool> writing_{false};
    const char* failedText_ = "";  // of the file being written

    TrendChart* chart_ = nullptr;
    TrendView* mainView_ = nullptr;
    TrendView* laneView_ = nullptr;
    QWidget* charts_ = nullptr;
    QComboBox* span_ = nullptr;
    QCheckBox* follow_ = nullptr;
    std::array<QCheckBox*, kSeriesCount> ticks_{};
    QLabel* cursor_ = nullptr;
    QLabel* failed_ = nullptr;
    QTableWidget* statistics_ = nullptr;
    QPushButton* savePicture_ = nullptr;
    QPushButton* export_ = nullptr;
};

}  // namespace kelvo
