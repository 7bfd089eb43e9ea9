// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/proving_settings.h"

#include <cmath>
#include <string>

#include "settings/profile_file.h"
#include "settings/profile_values.h"
#include "settings/settings.h"

namespace kelvo {
namespace {

constexpr char kSection[] = "Proving";
constexpr char kToleranceKey[] = "Tolerance";
constexpr char kZeroSecondsKey[] = "ZeroSeconds";
constexpr char kZeroMeanKey[] = "ZeroMeanLimit";
constexpr char kZeroDeviationKey[] = "ZeroDeviationLimit";
constexpr std::size_t kRealTextLength = 20;
// Percentages are typed with at most this many decimals; the file keeps them as typed.
constexpr int kPercentDecimals = 3;
// A watch of a day is longer than any zero check needs.
constexpr int kMaxZeroSeconds = 86400;

std::optional<double> PositiveReal(const ProfileFile& file, const char* key) {
    const auto text = file.Find(kSection, key);
    if (!text) return std::nullopt;
    const double value = ParseProfileReal(FirstCharacters(*text, kRealTextLength));
    if (!std::isfinite(value) || value <= 0) return std::nullopt;
    return value;
}

}  // namespace

ProvingSettings LoadProvingSettings() {
    const ProfileFile file = ProfileFile::Load(GetSettingsFilePath());
    ProvingSettings settings;
    settings.tolerancePercent = PositiveReal(file, kToleranceKey);
    settings.zeroMeanPercent = PositiveReal(file, kZeroMeanKey);
    settings.zeroDeviationPercent = PositiveReal(file, kZeroDeviationKey);
    if (const int seconds = file.GetInt(kSection, kZeroSecondsKey, 0); seconds > 0 && seconds <= kMaxZeroSeconds) {
        settings.zeroSeconds = seconds;
    }
    return settings;
}

SaveResult SaveProvingSettings(const ProvingSettings& settings) {
    return EditProfileFile(GetSettingsFolder(), "config.ini", [&settings](ProfileFile& file) {
        const auto putReal = [&file](const char* key, const std::optional<double>& value) {
            if (value) file.SetText(kSection, key, FormatFixed(*value, kPercentDecimals));
        };
        putReal(kToleranceKey, settings.tolerancePercent);
        putReal(kZeroMeanKey, settings.zeroMeanPercent);
        putReal(kZeroDeviationKey, settings.zeroDeviationPercent);
        if (settings.zeroSeconds) file.SetText(kSection, kZeroSecondsKey, std::to_string(*settings.zeroSeconds));
    });
}

}  // namespace kelvo
