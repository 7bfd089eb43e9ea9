// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The Prompter of the running program: modal message boxes with the warning icon and
// the title "Kelvo"; OK for messages, OK and Cancel for questions.

#include <QPointer>
#include <QWidget>

#include "messages/prompter.h"

namespace kelvo {

class CMessageBoxPrompter : public Prompter {
public:
    // The boxes are centred over `parent` (may be null).
    explicit CMessageBoxPrompter(QWidget* parent = nullptr) : parent_(parent) {}

    void Warn(std::string_view text, std::string_view detail = {}) override;
    bool Confirm(std::string_view text) override;

private:
    QPointer<QWidget> parent_;
};

}  // namespace kelvo
