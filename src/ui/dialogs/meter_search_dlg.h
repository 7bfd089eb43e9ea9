// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// "搜索仪表": finds a meter that does not answer at the stored settings. The user picks
// the port, may narrow the addresses and sets the meter's turnaround; the dialog shows
// how long the search can take before it starts, runs it off the user-interface thread
// (a MeterSearch), shows what it tries and the meters that answered, and "使用此设置"
// stores the chosen one as the serial settings.

#include <QDialog>
#include <QTimer>

#include <optional>
#include <string>
#include <vector>

#include "search/meter_search.h"
#include "settings/settings.h"
#include "ui/dialogs/port_choices.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QTableWidget;

namespace kelvo {

class LineOwner;
class Prompter;

inline constexpr int kSearchPollMs = 100;

class CMeterSearchDlg : public QDialog {
    Q_OBJECT
public:
    // The search runs on `line`, whose traffic log (and so the traffic monitor) shows its tries.
    CMeterSearchDlg(Prompter& prompter, LineOwner& line, QWidget* parent = nullptr);
    ~CMeterSearchDlg() override;  // a search still running is cancelled and waited for

    // The tries the controls describe; nullopt when the address range does not parse.
    std::optional<std::vector<SearchTry>> Plan() const;
    void StartSearch();
    void CancelSearch();
    // Stores the selected meter's port, rate, parity and address, with the rest of the
    // stored serial settings as they are, and closes the dialog.
    void UseSelected();
    // One look at the search: progress, what it tries, the meters found. The dialog's
    // timer does this while a search runs.
    void Poll();
    bool Searching() const { return running_; }

    // A search still running is cancelled, and the port free, before the dialog closes.
    void reject() override;

private:
    void BuildControls();
    void ShowEstimate();
    void ShowFound(const std::vector<FoundMeter>& found);
    void ShowEnd(const SearchStatus& status);
    void EnableControls();
    // What each try waits beyond its wire time: the turnaround, and through a converter more.
    std::chrono::milliseconds Turnaround() const;

    Prompter& prompter_;
    LineOwner& line_;
    const SerialSettings stored_;
    MeterSearch search_;
    QTimer poll_;
    bool running_ = false;
    std::string searchedPort_;
    std::vector<FoundMeter> found_;
    // What the port box lists: the shown label stands for the port's name.
    std::vector<PortChoice> portChoices_;

    QComboBox* port_ = nullptr;
    QLineEdit* addresses_ = nullptr;
    QSpinBox* turnaround_ = nullptr;
    QLabel* estimate_ = nullptr;
    QPushButton* start_ = nullptr;
    QPushButton* cancel_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QLabel* status_ = nullptr;
    QTableWidget* results_ = nullptr;
    QPushButton* use_ = nullptr;
};

}  // namespace kelvo
