// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A busy cursor for as long as a transaction with the meter runs on the user-interface
// thread; restored on every path out of the scope.

#include <QApplication>
#include <QCursor>

namespace kelvo {

class BusyCursor {
public:
    BusyCursor() { QApplication::setOverrideCursor(QCursor(Qt::WaitCursor)); }
    ~BusyCursor() { QApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

}  // namespace kelvo
