// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// "流量核查": verification runs against a reference volume while connected. "开始" reads the
// forward total (and the sensor factor it runs with) between two polling cycles and notes
// the time, "结束" reads the total again; the technician types the reference and picks its
// unit. The run shows the measured volume, the duration, the mean flow from the total and
// from the polled flows, the error and the meter factor; "添加" puts it into the table of
// runs, whose mean error and repeatability are judged against the tolerance. When the mean
// error of the runs as found is outside it, the new sensor factor is proposed and, after
// the technician's yes, written and read back; the runs from then on are as left.

#include <QDialog>

#include <chrono>
#include <cstdint>
#include <optional>
#include <vector>

#include "proving/proving_record.h"
#include "proving/sensor_factor.h"
#include "proving/verification.h"

class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace kelvo {

class CProvingJobs;
class Prompter;

class CVerificationDlg : public QDialog {
    Q_OBJECT
public:
    // The runs go into `record`, which the window keeps for the record file and the report.
    CVerificationDlg(CProvingJobs& jobs, Prompter& prompter, ProvingRecord& record, QWidget* parent = nullptr);

    // The window connected or disconnected: a run under way ends with the connection.
    void SetConnected(bool connected);
    // The buttons follow the connection and the line's busy state.
    void UpdateStates();

    void StartRun();
    void EndRun();
    void AddRun();
    void DeleteSelectedRun();
    void CorrectFactor();

private:
    // A reading of the forward total between two cycles, with when it was taken.
    struct TotalAt {
        TotalReading total;
        int flowUnit = 0;
        std::int64_t wallMs = 0;
        std::chrono::steady_clock::time_point steady;
        std::optional<double> factor;  // the sensor factor the run starts with (start only)
    };
    struct Entry {
        RunRecord record;
        std::vector<TotalReading> readings;  // start, those polled in between, end
        ReferenceVolume reference;
        std::optional<double> factor;
        int flowUnit = 0;
        QString polledFlow;  // the mean of the polled flows, with its unit
        bool asLeft = false;
    };

    void BuildWindow();
    double Tolerance() const;
    void OnToleranceChanged();
    // The run between start_ and end_ with the reference typed; why there is none.
    std::optional<Entry> PendingRun(QString& problem) const;
    void ShowPendingRun();
    void ShowRuns();
    void ShowProposal();
    void StoreRecord();
    QString PolledMeanFlow(std::int64_t fromMs, std::int64_t toMs) const;

    CProvingJobs& jobs_;
    Prompter& prompter_;
    ProvingRecord& record_;
    bool connected_ = false;
    bool asLeft_ = false;  // the sensor factor was corrected
    std::optional<TotalAt> start_;
    std::optional<TotalAt> end_;
    std::vector<Entry> runs_;
    // The run ShowPendingRun made of start_, end_ and the reference typed: worked out once
    // each time one of them changes, for the result shown, the 添加 button and AddRun.
    std::optional<Entry> pending_;
    std::optional<FactorProposal> proposal_;

    QPushButton* startButton_ = nullptr;
    QPushButton* endButton_ = nullptr;
    QPushButton* add_ = nullptr;
    QPushButton* delete_ = nullptr;
    QPushButton* correct_ = nullptr;
    QLabel* startText_ = nullptr;
    QLabel* endText_ = nullptr;
    QLineEdit* reference_ = nullptr;
    QComboBox* referenceUnit_ = nullptr;
    QLabel* result_ = nullptr;
    QDoubleSpinBox* tolerance_ = nullptr;
    QTableWidget* table_ = nullptr;
    QLabel* summary_ = nullptr;
    QLabel* proposalText_ = nullptr;
    QLabel* factorHeld_ = nullptr;
    QLabel* status_ = nullptr;
};

}  // namespace kelvo
