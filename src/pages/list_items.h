#pragma once
#include <string>
#include <vector>

#include "pages/page_definition.h"

namespace kelvo {

// The items of a row's drop-down list, in order.
std::vector<std::string> ListItems(const ParamRow& row);

}  // namespace kelvo
