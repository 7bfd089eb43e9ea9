// SPDX-License-Identifier: GPL-3.0-or-later
#include "vocabulary/value_tables.h"

namespace kelvo {

const std::array<std::string, kFlowUnitCount>& FlowUnitTexts() {
    static const std::array<std::string, kFlowUnitCount> texts = [] {
        std::array<std::string, kFlowUnitCount> built;
        for (std::size_t i = 0; i < kFlowUnitCount; ++i) {
            built[i] = std::string(VolumeUnits[i / TimeUnits.size()]) + "/" +
                       std::string(TimeUnits[i % TimeUnits.size()]);
        }
        return built;
    }();
    return texts;
}

std::string_view FlowUnitTextAt(long long index) {
    if (index < 0 || index >= static_cast<long long>(kFlowUnitCount)) return {};
    return FlowUnitTexts()[static_cast<std::size_t>(index)];
}

std::string DiameterText(long long dnIndex) {
    const auto dn = TableAt(DnList, dnIndex);
    return dn ? "DN" + std::to_string(*dn) : std::string{};
}

int EnergyCodeToShortIndex(long long code) {
    if (code < 0) return -1;
    if (code <= 1) return static_cast<int>(code);
    if (code == 2) return 0;
    if (code > 65535) return -1;
    return static_cast<int>(code - 1);
}

int ShortIndexToEnergyCode(int listIndex) { return listIndex >= 2 ? listIndex + 1 : listIndex; }

}  // namespace kelvo
