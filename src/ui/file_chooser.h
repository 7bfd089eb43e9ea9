// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The file a command reads or writes, asked with the platform's file dialog — or through a
// replacement that tests and automation put in, so that no test waits on a modal dialog.

#include <QString>

#include <functional>

class QWidget;

namespace kelvo {

// `save` for a file to write. Empty: the user cancelled.
using ChooseFile = std::function<QString(const QString& title, const QString& suggested, const QString& filter,
                                         bool save)>;

QString ChooseFileFor(QWidget* window, const ChooseFile& replacement, const QString& title, const QString& suggested,
                      const QString& filter, bool save);

}  // namespace kelvo
