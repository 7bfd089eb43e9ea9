// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The commissioning report: who the meter is, who commissioned it where and when, every
// parameter page by page with its value and unit, the live values at that moment, the
// comparison when one was made, and the zero checks and verification runs of a proving
// visit. As HTML, which the window prints to PDF.

#include <optional>
#include <string>

#include "live/live_display.h"
#include "records/meter_record.h"
#include "records/record_compare.h"

namespace kelvo {

struct ReportContent {
    const MeterRecord* record = nullptr;
    std::string technician;
    std::string site;
    std::string date;  // the report's, "2026-12-09 12:34:56"
    std::optional<LiveTexts> live;
    const Comparison* comparison = nullptr;
    // The zero checks and verification runs of the visit, in a section of their own; when
    // none is given, the record's own, if it has one.
    const ProvingRecord* proving = nullptr;
};

std::string ReportHtml(const ReportContent& content);

}  // namespace kelvo
