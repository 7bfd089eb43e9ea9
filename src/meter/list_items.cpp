// SPDX-License-Identifier: GPL-3.0-or-later
#include "meter/list_items.h"

#include "vocabulary/value_tables.h"

namespace kelvo {

std::vector<std::string> ListItems(const Parameter& row) {
    std::vector<std::string> items;
    switch (row.listSource) {
        case ListSource::Fixed:
            for (auto item : row.items) items.emplace_back(item);
            break;
        case ListSource::AllDiameters:
            for (std::size_t i = 0; i < DnList.size(); ++i) items.push_back(DiameterText(static_cast<long long>(i)));
            break;
        case ListSource::FlowUnits:
            items.assign(FlowUnitTexts().begin(), FlowUnitTexts().end());
            break;
        case ListSource::VolumeUnits:
            for (auto unit : VolumeUnits) items.emplace_back(unit);
            break;
        case ListSource::ShortEnergyUnits:
            for (auto unit : ShortEnergyUnits) items.emplace_back(unit);
            break;
    }
    return items;
}

}  // namespace kelvo
