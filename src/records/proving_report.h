// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The report's section for a proving visit: the zero before and after "自动调零", the
// verification runs before and after the sensor factor was corrected, and the factor.

#include <string>

#include "proving/proving_record.h"

namespace kelvo {

std::string ProvingHtml(const ProvingRecord& proving);

}  // namespace kelvo
