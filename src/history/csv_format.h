// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The text of a log file: UTF-8 with a byte-order mark (a spreadsheet on Chinese Windows
// then shows the Chinese titles), RFC 4180 fields and CR LF line ends, a dot as the decimal
// separator whatever the locale. Header lines name the meter and the log; then one row per
// polling cycle: the local time with milliseconds and UTC offset, a status, and one column
// per live value with its unit in the title. Numbers carry exactly what the meter sent: a
// float in the shortest form that reads back as the same single-precision value, a total
// with its three decimals.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "history/cycle_sample.h"
#include "history/history_store.h"

namespace kelvo {

// What a log's header says about the meter and the line.
struct LogIdentity {
    std::string model;        // the model code as the meter answered it
    std::string version;      // its firmware version characters
    std::string meterNumber;  // a W58 meter's number; empty for a generic meter
    int meterKind = 0;
    bool measuresHeat = false;
    std::string port;
    int address = 0;
    int baudRate = 0;
    int parity = 0;
};

inline constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
inline constexpr std::string_view kFailedCycleStatus = "通讯中断";

// One field, quoted when it holds a comma, a quote or a line break (quotes doubled).
std::string CsvField(std::string_view text);

// "2025-03-01T14:03:27.512+08:00": the local time of a moment.
std::string LocalTimeText(std::int64_t timeMs);
// The local date as yyyymmdd, e.g. 20250301.
int LocalDate(std::int64_t timeMs);

// The shortest text that reads back as the same float ("12.5", "0.1", "nan").
std::string FloatText(float value);
// Thousandths as a number with three decimals ("12.005", "-0.250").
std::string TotalText(std::int64_t thousandths);

// The byte-order mark, the header lines and an empty line; `startMs` is when the log began.
std::string HeaderText(const LogIdentity& identity, std::int64_t startMs);
// The title row with the units of a good sample: "时间,状态,瞬时流量 (m3/h),…".
std::string TitleRow(std::span<const SeriesInfo> series, const CycleSample& units);
// One row; a failed cycle has the status and empty value cells.
std::string DataRow(std::span<const SeriesInfo> series, const CycleSample& sample, int meterKind);

// A span of the history as one file of the log's format. Where a unit changes within the
// span, an empty line and the title row with the new units come before the next row.
std::string ExportText(const HistoryView& view, TimeSpan span, const LogIdentity& identity);

}  // namespace kelvo
