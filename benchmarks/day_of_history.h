// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A day of a W58 heat meter's history at one polling cycle a second, as the trend window
// and the statistics meet it after a night of logging: the flow following a slow curve with
// noise, temperatures settling, the totals counting, an alarm now and then, a failed cycle
// in five hundred and a ten-minute silence every four hours.

#include <cmath>
#include <cstdint>

#include "history/history_store.h"
#include "settings/settings.h"

namespace kelvo::bench {

inline constexpr int kDayCycles = 24 * 3600;

// `steadyMs` is the steady clock's reading for the last cycle; the others lie a second apart.
inline void WriteDayOfHistory(HistoryStore& store, std::int64_t endMs, std::int64_t steadyMs) {
    std::uint32_t noise = 12345;
    const auto jitter = [&noise] {
        noise = noise * 1664525U + 1013904223U;
        return static_cast<float>(noise >> 8) / static_cast<float>(1U << 24) - 0.5F;
    };
    for (int i = 0; i < kDayCycles; ++i) {
        const std::int64_t back = 1000LL * (kDayCycles - 1 - i);
        const bool silent = (i % (4 * 3600)) < 600 && i > 0;
        CycleSample sample = FailedSample(endMs - back);
        if (!silent && i % 500 != 499) {
            sample = CycleSample{};
            sample.timeMs = endMs - back;
            sample.outcome = CycleOutcome::Good;
            const float flow = 12.0F + 6.0F * static_cast<float>(std::sin(i / 3000.0)) + 0.3F * jitter();
            sample.floats = {flow, flow / 1.77F, flow / 0.4F, 0.85F, flow * 0.0116F * 20.0F,
                             65.0F + 0.2F * jitter(), 45.0F + 0.2F * jitter()};
            sample.totals = {1234000000LL + 3LL * i, 12345, 5678000000LL + 67LL * i, 23456};
            sample.alarmBits = (i / 7000) % 5 == 4 ? 0x04 : 0;
            sample.alarmShown = sample.alarmBits != 0;
            sample.volumeUnit = 1;
            sample.timeUnit = 2;
        }
        store.Append(sample, steadyMs - back);
    }
}

}  // namespace kelvo::bench
