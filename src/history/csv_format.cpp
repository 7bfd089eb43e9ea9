// SPDX-License-Identifier: GPL-3.0-or-later
#include "history/csv_format.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdio>
#include <ctime>

#include "live/live_display.h"
#include "meter/meter_identity.h"
#include "settings/calendar_fields.h"
#include "vocabulary/kelvo_version.h"
#include "vocabulary/value_tables.h"

namespace kelvo {
namespace {

constexpr std::string_view kLineEnd = "\r\n";

std::int64_t FloorSeconds(std::int64_t timeMs) { return (timeMs >= 0 ? timeMs : timeMs - 999) / 1000; }

void AppendLine(std::string& text, std::string_view label, std::string_view value) {
    text += CsvField(label);
    text += ',';
    text += CsvField(value);
    text += kLineEnd;
}

std::string ValueCell(const SeriesInfo& series, const CycleSample& sample, int meterKind) {
    const auto slot = static_cast<std::size_t>(series.slot);
    switch (series.kind) {
        case SeriesKind::Float: return FloatText(sample.floats[slot]);
        case SeriesKind::Total: return TotalText(sample.totals[slot]);
        case SeriesKind::Alarm: break;
    }
    return CsvField(AlarmText(sample.alarmBits, meterKind));
}

// The title row; without a good sample to take the units from, the labels alone.
std::string Titles(std::span<const SeriesInfo> series, const CycleSample* units) {
    std::string row = "时间,状态";
    for (const SeriesInfo& one : series) {
        std::string title(one.label);
        if (units != nullptr) {
            if (const std::string unit = UnitText(*units, one.id); !unit.empty()) title += " (" + unit + ")";
        }
        row += ',';
        row += CsvField(title);
    }
    row += kLineEnd;
    return row;
}

}  // namespace

std::string CsvField(std::string_view text) {
    if (text.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(text);
    std::string quoted = "\"";
    for (const char c : text) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    quoted += '"';
    return quoted;
}

std::string LocalTimeText(std::int64_t timeMs) {
    const std::int64_t seconds = FloorSeconds(timeMs);
    const auto millis = static_cast<int>(timeMs - seconds * 1000);
    const auto moment = static_cast<std::time_t>(seconds);
    std::tm local = LocalFields(moment);
    const std::tm shown = local;
    // The local fields read as UTC lie the offset east of UTC ahead of the moment.
    constexpr long kDayMinutes = 24 * 60;
    const auto offsetMinutes = static_cast<int>(
        std::clamp(static_cast<long>(UtcSeconds(local) - moment) / 60, -kDayMinutes, kDayMinutes));
    const int offset = offsetMinutes < 0 ? -offsetMinutes : offsetMinutes;
    std::array<char, 80> text{};
    std::snprintf(text.data(), text.size(), "%04d-%02d-%02dT%02d:%02d:%02d.%03d%c%02d:%02d", shown.tm_year + 1900,
                  shown.tm_mon + 1, shown.tm_mday, shown.tm_hour, shown.tm_min, shown.tm_sec, millis,
                  offsetMinutes < 0 ? '-' : '+', offset / 60, offset % 60);
    return text.data();
}

int LocalDate(std::int64_t timeMs) {
    const std::tm local = LocalFields(static_cast<std::time_t>(FloorSeconds(timeMs)));
    return (local.tm_year + 1900) * 10000 + (local.tm_mon + 1) * 100 + local.tm_mday;
}

std::string FloatText(float value) {
    std::array<char, 32> text{};
    const auto result = std::to_chars(text.data(), text.data() + text.size(), value);
    return std::string(text.data(), result.ptr);
}

std::string TotalText(std::int64_t thousandths) {
    const std::uint64_t magnitude =
        thousandths < 0 ? 0 - static_cast<std::uint64_t>(thousandths) : static_cast<std::uint64_t>(thousandths);
    std::array<char, 32> text{};
    std::snprintf(text.data(), text.size(), "%s%llu.%03llu", thousandths < 0 ? "-" : "",
                  static_cast<unsigned long long>(magnitude / 1000), static_cast<unsigned long long>(magnitude % 1000));
    return text.data();
}

std::string HeaderText(const LogIdentity& identity, std::int64_t startMs) {
    std::string text(kUtf8Bom);
    AppendLine(text, "型号", identity.model);
    AppendLine(text, "版本", identity.version);
    AppendLine(text, "表号", identity.meterNumber);
    AppendLine(text, "仪表类型", MeterKindText(identity.meterKind));
    AppendLine(text, "串口", identity.port);
    AppendLine(text, "地址", std::to_string(identity.address));
    AppendLine(text, "波特率", std::to_string(identity.baudRate));
    AppendLine(text, "校验", TextAt(ParityTexts, identity.parity));
    AppendLine(text, "Kelvo 版本", kKelvoVersion);
    AppendLine(text, "开始时间", LocalTimeText(startMs));
    text += kLineEnd;
    return text;
}

std::string TitleRow(std::span<const SeriesInfo> series, const CycleSample& units) { return Titles(series, &units); }

std::string DataRow(std::span<const SeriesInfo> series, const CycleSample& sample, int meterKind) {
    std::string row = LocalTimeText(sample.timeMs);
    row += ',';
    if (!sample.Good()) {
        row += kFailedCycleStatus;
        row.append(series.size(), ',');
    } else {
        for (const SeriesInfo& one : series) {
            row += ',';
            row += ValueCell(one, sample, meterKind);
        }
    }
    row += kLineEnd;
    return row;
}

std::string ExportText(const HistoryView& view, TimeSpan span, const LogIdentity& identity) {
    const std::span<const SeriesInfo> series = SeriesOfMeter(identity.measuresHeat);
    const std::size_t first = view.LowerBound(span.fromMs);
    const std::size_t end = view.LowerBound(span.toMs);
    std::string text = HeaderText(identity, first < end ? view[first].timeMs : span.fromMs);
    // The units of the first good cycle head the rows; a span without one has labels only.
    std::size_t unitsFrom = first;
    while (unitsFrom < end && !view[unitsFrom].Good()) ++unitsFrom;
    std::string titles = Titles(series, unitsFrom < end ? &view[unitsFrom] : nullptr);
    text += titles;
    for (std::size_t index = first; index < end; ++index) {
        const CycleSample& sample = view[index];
        if (sample.Good()) {
            if (std::string now = TitleRow(series, sample); now != titles) {
                titles = std::move(now);
                text += kLineEnd;
                text += titles;
            }
        }
        text += DataRow(series, sample, identity.meterKind);
    }
    return text;
}

}  // namespace kelvo
