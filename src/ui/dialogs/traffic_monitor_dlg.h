// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// "通讯监视": a window that shows every frame the program's links send and receive,
// one line each, with counters. Capturing runs only while the window is shown; closed, it
// costs the links one relaxed load per frame and the program nothing else. It reads the
// log at most ten times a second.

#include <QDialog>
#include <QTimer>

#include <cstdint>

#include "traffic/traffic_text.h"

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace kelvo {

class Prompter;
class TrafficLog;

inline constexpr int kTrafficRefreshMs = 100;
inline constexpr const char* kSaveTrafficFailedText = "保存通讯记录失败！";

class CTrafficMonitorDlg : public QDialog {
    Q_OBJECT
public:
    // Failed saves are reported through `prompter`.
    CTrafficMonitorDlg(TrafficLog& log, Prompter& prompter, QWidget* parent = nullptr);
    ~CTrafficMonitorDlg() override;

    // The records logged since the last refresh into the view and the counters; what the
    // window's timer does. Nothing while paused.
    void Refresh();
    void SetPaused(bool paused);
    void Clear();
    void CopyToClipboard() const;
    // Writes the lines and the counters as UTF-8 text; false (after a message) on failure.
    bool SaveTo(const QString& path);

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    // Asks where "保存" writes; empty for cancel. Tests replace it.
    virtual QString ChooseSaveFile();

private:
    void BuildControls();
    void SaveAsChosen();
    void ShowCounters();

    TrafficLog& log_;
    Prompter& prompter_;
    TrafficDecoder decoder_;
    std::uint64_t cursor_ = 0;
    std::uint64_t droppedSeen_ = 0;
    bool paused_ = false;
    QTimer refresh_;

    QPlainTextEdit* view_ = nullptr;
    QLabel* counters_ = nullptr;
    QPushButton* pause_ = nullptr;
};

}  // namespace kelvo
