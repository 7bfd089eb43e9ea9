// SPDX-License-Identifier: GPL-3.0-or-later
#include "records/record_parameters.h"

#include <algorithm>

#include "pages/page_catalog.h"

namespace kelvo {

std::vector<const ParamRow*> RecordedParameters(int meterKind) {
    std::vector<const ParamRow*> rows;
    for (const PageDefinition* page : PageDefinitionsOf(meterKind)) {
        for (const ParamRow& row : page->rows) {
            if (row.Registers() == 0) continue;
            const bool seen = std::any_of(rows.begin(), rows.end(), [&row](const ParamRow* r) { return r->name == row.name; });
            if (!seen) rows.push_back(&row);
        }
    }
    return rows;
}

}  // namespace kelvo
