// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/trend/trend_axes.h"

#include <QDateTime>

#include <algorithm>
#include <array>
#include <cmath>

namespace kelvo {

namespace {

constexpr std::int64_t kSecondMs = 1000;
constexpr std::int64_t kMinuteMs = 60 * kSecondMs;
constexpr std::int64_t kHourMs = 60 * kMinuteMs;
constexpr std::int64_t kDayMs = 24 * kHourMs;
// Steps a clock face divides evenly, up to the longest span the window shows (a month).
constexpr std::array<std::int64_t, 22> kTimeSteps = {
    kSecondMs,      2 * kSecondMs,  5 * kSecondMs,  10 * kSecondMs, 15 * kSecondMs, 30 * kSecondMs,
    kMinuteMs,      2 * kMinuteMs,  5 * kMinuteMs,  10 * kMinuteMs, 15 * kMinuteMs, 30 * kMinuteMs,
    kHourMs,        2 * kHourMs,    3 * kHourMs,    6 * kHourMs,    12 * kHourMs,   kDayMs,
    2 * kDayMs,     7 * kDayMs,     14 * kDayMs,    28 * kDayMs};
constexpr double kLabelSpace = 16;  // pixels between two time labels

QDate DateAt(std::int64_t timeMs) { return QDateTime::fromMSecsSinceEpoch(timeMs).date(); }

std::int64_t Midnight(QDate day) { return QDateTime(day, QTime(0, 0)).toMSecsSinceEpoch(); }

}  // namespace

QString TimeLabelFormat(TimeSpan span, std::int64_t stepMs) {
    if (stepMs >= kDayMs) return QStringLiteral("MM-dd");
    const QString clock = stepMs < kMinuteMs ? QStringLiteral("HH:mm:ss") : QStringLiteral("HH:mm");
    if (DateAt(span.fromMs) != DateAt(span.toMs - 1)) return QStringLiteral("MM-dd ") + clock;
    return clock;
}

std::int64_t TimeStep(TimeSpan span, double width, const std::function<double(const QString& format)>& labelWidth) {
    for (const std::int64_t step : kTimeSteps) {
        const double ticks = static_cast<double>(span.Length()) / static_cast<double>(step) + 1;
        if (ticks * (labelWidth(TimeLabelFormat(span, step)) + kLabelSpace) <= width) return step;
    }
    return kTimeSteps.back();
}

std::vector<TimeTick> TimeTicks(TimeSpan span, std::int64_t stepMs) {
    std::vector<TimeTick> ticks;
    if (stepMs <= 0 || span.Length() <= 0) return ticks;
    const QString format = TimeLabelFormat(span, stepMs);
    const auto add = [&](std::int64_t timeMs) {
        ticks.push_back({timeMs, QDateTime::fromMSecsSinceEpoch(timeMs).toString(format)});
    };
    const QDate last = DateAt(span.toMs);
    if (stepMs >= kDayMs) {
        const std::int64_t days = stepMs / kDayMs;
        for (QDate day = DateAt(span.fromMs); day <= last; day = day.addDays(1)) {
            const std::int64_t midnight = Midnight(day);
            if (day.toJulianDay() % days == 0 && midnight >= span.fromMs && midnight <= span.toMs) add(midnight);
        }
        return ticks;
    }
    // Counted from each day's own midnight, so that the ticks keep to the clock's round times.
    for (QDate day = DateAt(span.fromMs); day <= last; day = day.addDays(1)) {
        const std::int64_t midnight = Midnight(day);
        const std::int64_t next = Midnight(day.addDays(1));
        const std::int64_t skipped = std::max<std::int64_t>(0, span.fromMs - midnight);
        for (std::int64_t t = midnight + (skipped + stepMs - 1) / stepMs * stepMs; t < next && t <= span.toMs;
             t += stepMs) {
            add(t);
        }
    }
    return ticks;
}

QString ValueTicks::Label(int index) const {
    const double value = At(index);
    // A tick that should be zero comes out as a tiny remainder of the steps added up.
    return QString::number(std::abs(value) < step * 1e-9 ? 0.0 : value, 'f', decimals);
}

ValueTicks NiceTicks(double low, double high, int most) {
    ValueTicks ticks;
    if (!(high > low) || most < 1 || !std::isfinite(high - low)) return ticks;
    const double rough = (high - low) / most;
    const double decade = std::pow(10.0, std::floor(std::log10(rough)));
    for (const double mantissa : {1.0, 2.0, 2.5, 5.0, 10.0}) {
        ticks.step = mantissa * decade;
        if (ticks.step >= rough) break;
    }
    ticks.first = std::ceil(low / ticks.step) * ticks.step;
    ticks.count = static_cast<int>(std::floor((high - ticks.first) / ticks.step + 1e-9)) + 1;
    // 2.5 times a power of ten needs one digit more than its decade.
    const int digits = -static_cast<int>(std::floor(std::log10(ticks.step) + 1e-9));
    const bool quarter = std::abs(std::fmod(ticks.step / decade, 1.0)) > 1e-9;
    ticks.decimals = std::clamp(digits + (quarter ? 1 : 0), 0, 9);
    return ticks;
}

}  // namespace kelvo
