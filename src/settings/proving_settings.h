// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The limits the proving checks are judged by, as the technician last set them: the
// tolerance of a verification run, the length of a zero watch and the zero's limits. Kept
// in [Proving] of config.ini; a key that is missing, or holds no number above zero, gives
// nothing, and the checks take their own defaults.

#include <optional>

#include "settings/save_result.h"

namespace kelvo {

struct ProvingSettings {
    std::optional<double> tolerancePercent;      // Tolerance
    std::optional<int> zeroSeconds;              // ZeroSeconds
    std::optional<double> zeroMeanPercent;       // ZeroMeanLimit, of the flow range
    std::optional<double> zeroDeviationPercent;  // ZeroDeviationLimit, of the flow range

    bool operator==(const ProvingSettings&) const = default;
};

ProvingSettings LoadProvingSettings();
// Writes the values that are there and leaves the other keys as they are.
SaveResult SaveProvingSettings(const ProvingSettings& settings);

}  // namespace kelvo
