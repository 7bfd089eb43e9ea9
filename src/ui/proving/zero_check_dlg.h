// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// "零点检查": with the pipe full and the flow stopped, watches the flow the polling reads for
// a chosen time and shows, live and at the end, its mean, spread, extremes and the mean as
// a share of the flow range, with a verdict against limits the technician sets. It then
// offers the meter's "自动调零" and a second watch: the zero as found and as left. It reads
// the history of the connection; only the flow range and the auto zero take the line.

#include <QDialog>
#include <QTimer>

#include <cstdint>
#include <optional>

#include "proving/proving_record.h"
#include "proving/zero_check.h"

class QDoubleSpinBox;
class QLabel;
class QPushButton;
class QSpinBox;

namespace kelvo {

class CProvingJobs;
class Prompter;

class CZeroCheckDlg : public QDialog {
    Q_OBJECT
public:
    // The watches go into `record`, which the window keeps for the record file and the report.
    CZeroCheckDlg(CProvingJobs& jobs, Prompter& prompter, ProvingRecord& record, QWidget* parent = nullptr);

    // The window connected or disconnected: a watch under way ends with the connection.
    void SetConnected(bool connected);
    void UpdateStates();

    // Asks that the pipe is full and the flow stopped, reads the flow range, then watches.
    void StartWatch();
    void AutoZero();
    // One look at the history: the statistics so far, and the verdict once the time is up.
    void Refresh();
    bool Watching() const { return watch_.has_value(); }

private:
    struct Watch {
        std::int64_t startMs = 0;
        std::int64_t endMs = 0;
        double range = 0;
        bool asLeft = false;
    };

    void BuildWindow();
    ZeroLimits Limits() const;
    void SaveLimits();
    QString StatisticsText(const ZeroCheck& check) const;
    void Finish(const ZeroCheck& check);

    CProvingJobs& jobs_;
    Prompter& prompter_;
    ProvingRecord& record_;
    bool connected_ = false;
    bool zeroed_ = false;  // an auto zero was carried out: the next watch is as left
    std::optional<Watch> watch_;
    QTimer timer_;

    QSpinBox* seconds_ = nullptr;
    QDoubleSpinBox* meanLimit_ = nullptr;
    QDoubleSpinBox* deviationLimit_ = nullptr;
    QPushButton* start_ = nullptr;
    QPushButton* autoZero_ = nullptr;
    QLabel* live_ = nullptr;
    QLabel* verdict_ = nullptr;
    QLabel* asFound_ = nullptr;
    QLabel* asLeft_ = nullptr;
};

}  // namespace kelvo
