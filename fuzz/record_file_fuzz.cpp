// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzz target: the commissioning record file, which a technician may edit by hand, with its
// proving sections. Whatever the file holds, reading it must not fail; a record it reads,
// written again, must read back as the same text; and its report must be made.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "records/meter_record.h"
#include "records/report.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const kelvo::RecordRead read = kelvo::ParseRecord(text);
    if (!read.record) return 0;
    const std::string written = kelvo::RecordText(*read.record);
    const kelvo::RecordRead again = kelvo::ParseRecord(written);
    if (!again.record || kelvo::RecordText(*again.record) != written) std::abort();
    const std::string html = kelvo::ReportHtml(
        {.record = &*again.record, .technician = "", .site = "", .date = "", .live = std::nullopt, .comparison = nullptr});
    if (html.empty()) std::abort();
    return 0;
}
