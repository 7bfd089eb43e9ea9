// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The parameters a record keeps for a meter kind: every parameter of every page of the
// kind that has registers, once, in the order of the pages and their rows.

#include <vector>

#include "pages/page_definition.h"

namespace kelvo {

std::vector<const ParamRow*> RecordedParameters(int meterKind);

}  // namespace kelvo
