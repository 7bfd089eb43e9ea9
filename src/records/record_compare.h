// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Two records side by side, parameter by parameter: the meter against a file, or a file
// against a file. Values are compared as the meter means them (decoded from their
// registers), so records read with different byte orders still compare by meaning.

#include <string>
#include <vector>

#include "records/meter_record.h"

namespace kelvo {

enum class CompareVerdict { Same, Different, OnlyLeft, OnlyRight };

struct CompareRow {
    std::string name;
    std::string label;
    std::string left;   // the value as a page shows it; empty when the left record lacks it
    std::string right;
    std::string unit;
    CompareVerdict verdict = CompareVerdict::Same;
};

struct Comparison {
    std::string leftTitle;
    std::string rightTitle;
    std::vector<CompareRow> rows;  // in the order of the kind's pages
    int differences = 0;           // rows that are not Same
    bool kindsDiffer = false;      // a generic record against a W58 one: nothing in common
};

Comparison Compare(const MeterRecord& left, const MeterRecord& right);

std::string_view VerdictText(CompareVerdict verdict);

}  // namespace kelvo
