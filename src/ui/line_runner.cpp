// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/line_runner.h"

#include <QMetaObject>
#include <QPointer>

#include <utility>

#include "messages/failure_text.h"
#include "messages/prompter.h"

namespace kelvo {

CLineRunner::CLineRunner(LineOwner& line, Prompter& prompter, QObject* parent)
    : QObject(parent),
      line_(line),
      prompter_(prompter),
      relayed_(prompter, [this](std::function<void()> call) { Post(std::move(call)); }) {}

CLineRunner::~CLineRunner() { relayed_.Abandon(); }

void CLineRunner::Post(std::function<void()> call) {
    // A queued call dies with this object: nothing runs on a window that is gone.
    QMetaObject::invokeMethod(this, std::move(call), Qt::QueuedConnection);
}

void CLineRunner::SetBusy(const QString& title, std::function<void()> cancel) {
    title_ = title;
    cancel_ = std::move(cancel);
    if (busy_) return;
    busy_ = true;
    emit busyChanged(true);
}

void CLineRunner::ClearBusy() {
    job_ = 0;
    cancel_ = {};
    title_.clear();
    if (!busy_) return;
    busy_ = false;
    emit busyChanged(false);
}

QString CLineRunner::ProgressText() const {
    if (!busy_) return {};
    const LineOwner::Progress progress = line_.CurrentProgress();
    if (job_ != 0 && progress.job == job_ && progress.total > 1) {
        return QStringLiteral("%1 %2/%3").arg(title_).arg(progress.done).arg(progress.total);
    }
    return title_;
}

void CLineRunner::Cancel() {
    if (cancel_) cancel_();
}

bool CLineRunner::Start(PageTransaction transaction) {
    if (heldByConnection_) {
        ClearBusy();
        prompter_.Warn(kOpenPortFailedText, PortErrorText(PortError::Busy));
        return false;
    }
    auto finish = std::move(transaction.finish);
    const QString title = QString::fromStdString(transaction.title);
    const LineOwner::JobId id = line_.Submit(
        TrafficSource::Page,
        [this, run = std::move(transaction.run)](LineJob& job) {
            PageLine line{.link = job.Link(),
                          .settings = job.Settings(),
                          .messages = relayed_,
                          .progress = [&job](int done, int total) { job.ReportProgress(done, total); }};
            run(line);
        },
        [this, finish = std::move(finish)] {
            Post([this, finish] {
                if (finish) finish();
                ClearBusy();
            });
        });
    if (id == 0) {
        ClearBusy();
        return false;
    }
    SetBusy(title, [this, id] { line_.Cancel(id); });
    job_ = id;
    return true;
}

}  // namespace kelvo
