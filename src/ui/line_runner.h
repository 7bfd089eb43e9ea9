// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// CLineRunner: the window's side of the line. It starts a page's transaction (or any
// other job) on the line's worker and is told of its end there; it turns that into a
// call on the window's thread, where the transaction's values are shown. While a job
// runs the runner is busy: the window disables what would conflict, shows the busy
// cursor, the progress and a cancel. Messages of a job reach the window's prompter
// through a RelayedPrompter, so the window's thread never waits for the meter.

#include <QObject>
#include <QString>

#include <functional>
#include <optional>

#include "line/line_owner.h"
#include "messages/relayed_prompter.h"
#include "pages/parameter_page.h"

namespace kelvo {

class Prompter;

class CLineRunner : public QObject {
    Q_OBJECT
public:
    // Messages of jobs go to `prompter` on this object's thread.
    CLineRunner(LineOwner& line, Prompter& prompter, QObject* parent = nullptr);
    ~CLineRunner() override;  // stops listening: a job's message still to come shows nothing

    LineOwner& Line() { return line_; }
    // Where a job's messages go (from the worker).
    Prompter& Relayed() { return relayed_; }

    // Busy from a click on: `title` names what runs ("全部读取"), `cancel` ends it.
    void SetBusy(const QString& title, std::function<void()> cancel);
    void ClearBusy();
    bool Busy() const { return busy_; }
    // The title with the job's progress, e.g. "全部读取 3/7".
    QString ProgressText() const;
    // Ends what runs at once by the line's stop.
    void Cancel();

    // Runs the rest of a page's press on the line; busy until its values are shown and
    // its last message closed. False (and not busy) when the line takes no job.
    bool Start(PageTransaction transaction);
    // While the live connection holds the port, a page's transaction cannot have it:
    // pages built by a meter-kind switch while connected are enabled, and their presses
    // end as a port held elsewhere does.
    void SetHeldByConnection(bool held) { heldByConnection_ = held; }

    // Runs `call` on this object's thread, later; from any thread.
    void Post(std::function<void()> call);
    // Stops listening before the line is shut down (the window closing).
    void Abandon() { relayed_.Abandon(); }

signals:
    void busyChanged(bool busy);

private:
    LineOwner& line_;
    Prompter& prompter_;
    RelayedPrompter relayed_;
    bool heldByConnection_ = false;
    bool busy_ = false;
    QString title_;
    std::function<void()> cancel_;
    LineOwner::JobId job_ = 0;
};

}  // namespace kelvo
