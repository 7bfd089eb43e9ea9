// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Where the trend's axes put their ticks: round steps of local clock time on the time axis,
// round values on a value axis. Only arithmetic and clock texts, so that the painting code
// merely measures and draws.

#include <QString>

#include <cstdint>
#include <functional>
#include <vector>

#include "history/history_store.h"  // TimeSpan

namespace kelvo {

struct TimeTick {
    std::int64_t timeMs;
    QString label;
};

// The text format of the time labels: seconds only for steps below a minute, the date in
// front once the span reaches over midnight.
QString TimeLabelFormat(TimeSpan span, std::int64_t stepMs);

// The smallest round step of clock time whose labels, each `labelWidth(format)` wide plus a
// space, fit into `width`; the longest step when none does.
std::int64_t TimeStep(TimeSpan span, double width, const std::function<double(const QString& format)>& labelWidth);

// The ticks of `span` at every multiple of `stepMs` of local clock time counted from
// midnight (a step of days: at midnights), with their labels.
std::vector<TimeTick> TimeTicks(TimeSpan span, std::int64_t stepMs);

struct ValueTicks {
    double first = 0;  // the lowest tick at or above the axis' low end
    double step = 1;
    int count = 0;
    int decimals = 0;  // that tell one tick from the next
    double At(int index) const { return first + step * index; }
    QString Label(int index) const;
};

// Ticks 1, 2, 2.5 or 5 times a power of ten apart, at most `most` of them over [low, high].
ValueTicks NiceTicks(double low, double high, int most);

}  // namespace kelvo
