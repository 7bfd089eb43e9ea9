// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/message_box_prompter.h"

#include <QApplication>
#include <QCursor>
#include <QMessageBox>
#include <QString>

namespace kelvo {

namespace {

QString FromUtf8(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

// A box may come up in the middle of a transaction that shows the busy cursor; the user
// must see a normal pointer over the box, and the busy cursor returns afterwards.
class ArrowCursorWhileAsking {
public:
    ArrowCursorWhileAsking() : active_(QApplication::overrideCursor() != nullptr) {
        if (active_) QApplication::setOverrideCursor(QCursor(Qt::ArrowCursor));
    }
    ~ArrowCursorWhileAsking() {
        if (active_) QApplication::restoreOverrideCursor();
    }
    ArrowCursorWhileAsking(const ArrowCursorWhileAsking&) = delete;
    ArrowCursorWhileAsking& operator=(const ArrowCursorWhileAsking&) = delete;

private:
    bool active_;
};

}  // namespace

void CMessageBoxPrompter::Warn(std::string_view text, std::string_view detail) {
    ArrowCursorWhileAsking arrow;
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Kelvo"), FromUtf8(text), QMessageBox::Ok, parent_);
    if (!detail.empty()) box.setDetailedText(FromUtf8(detail));
    box.exec();
}

bool CMessageBoxPrompter::Confirm(std::string_view text) {
    ArrowCursorWhileAsking arrow;
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Kelvo"), FromUtf8(text),
                    QMessageBox::Ok | QMessageBox::Cancel, parent_);
    box.setDefaultButton(QMessageBox::Ok);
    return box.exec() == QMessageBox::Ok;
}

}  // namespace kelvo
