#pragma once
// The commissioning report: who the meter is, who commissioned it where and when, every
// parameter page by page with its value and unit, the live values at that moment and the
// comparison when one was made. As HTML, which the window prints to PDF.

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
};

std::string ReportHtml(const ReportContent& content);

}  // namespace kelvo
