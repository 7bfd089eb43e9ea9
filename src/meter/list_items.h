// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The items of a parameter's drop-down list, in order: its own fixed items, or one of the
// value tables.

#include <string>
#include <vector>

#include "meter/parameter.h"

namespace kelvo {

std::vector<std::string> ListItems(const Parameter& parameter);

}  // namespace kelvo
