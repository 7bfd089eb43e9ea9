// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/file_chooser.h"

#include <QFileDialog>

namespace kelvo {

QString ChooseFileFor(QWidget* window, const ChooseFile& replacement, const QString& title, const QString& suggested,
                      const QString& filter, bool save) {
    if (replacement) return replacement(title, suggested, filter, save);
    return save ? QFileDialog::getSaveFileName(window, title, suggested, filter)
                : QFileDialog::getOpenFileName(window, title, suggested, filter);
}

}  // namespace kelvo
