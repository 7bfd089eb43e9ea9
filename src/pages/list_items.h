#pragma once
// The items of the pages' drop-down lists: the fixed lists that several pages share,
// and the items of any row's list.

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "pages/page_definition.h"

namespace kelvo {

inline constexpr std::array<std::string_view, 2> kNoYesItems = {"N", "Y"};
inline constexpr std::array<std::string_view, 2> kFlowDirectionItems = {"正向", "反向"};
// A W58 meter offers DN20, DN25 and DN32 only: list index 0 is DnList index 9.
inline constexpr std::array<std::string_view, 3> kW58DiameterItems = {"DN20", "DN25", "DN32"};
inline constexpr int kW58FirstDiameter = 9;

// The items of a row's drop-down list, in order.
std::vector<std::string> ListItems(const ParamRow& row);

}  // namespace kelvo
