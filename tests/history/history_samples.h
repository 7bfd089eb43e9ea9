// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Samples for the history's tests, written the way a meter would send them, and a time zone
// that every platform's C library understands, so that local times in files are fixed.

#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "history/history_store.h"
#include "settings/settings.h"  // kW58Meter

namespace kelvo::test {

inline CycleSample Good(std::int64_t timeMs, float flow, std::uint16_t volumeUnit = 1, std::uint16_t timeUnit = 2) {
    CycleSample sample;
    sample.timeMs = timeMs;
    sample.outcome = CycleOutcome::Good;
    sample.floats[InfoOf(SeriesId::Flow).slot] = flow;
    sample.volumeUnit = volumeUnit;
    sample.timeUnit = timeUnit;
    return sample;
}

// A history made of the samples, each appended with the steady clock in step.
inline HistoryView HistoryOf(const std::vector<CycleSample>& samples, HistoryLimits limits = {}) {
    HistoryStore store(limits);
    store.Begin(1, true);
    for (const CycleSample& sample : samples) store.Append(sample, sample.timeMs);
    return store.Take();
}

// UTC+8 (China Standard Time) while it lives.
class ChinaTime {
public:
    ChinaTime() {
        if (const char* tz = std::getenv("TZ")) previous_ = tz;
        Set("CST-8");
    }
    ~ChinaTime() { Set(previous_.empty() ? nullptr : previous_.c_str()); }
    ChinaTime(const ChinaTime&) = delete;
    ChinaTime& operator=(const ChinaTime&) = delete;

private:
    static void Set(const char* tz) {
#ifdef _WIN32
        _putenv_s("TZ", tz != nullptr ? tz : "");
        _tzset();
#else
        if (tz != nullptr) {
            setenv("TZ", tz, 1);
        } else {
            unsetenv("TZ");
        }
        tzset();
#endif
    }
    std::string previous_;
};

// 2025-03-01T00:00:00+08:00
inline constexpr std::int64_t kMarchFirstMs = 1740758400000;

}  // namespace kelvo::test
