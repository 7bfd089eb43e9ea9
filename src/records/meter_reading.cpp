// SPDX-License-Identifier: GPL-3.0-or-later
#include "records/meter_reading.h"

#include <algorithm>
#include <array>

#include "messages/failure_text.h"
#include "meter/register_maps.h"
#include "meter/value_format.h"
#include "pages/page_catalog.h"
#include "records/record_parameters.h"
#include "vocabulary/kelvo_version.h"

namespace kelvo {
namespace {

bool Inside(const Parameter& parameter, const RegisterSpan& span) {
    return parameter.reg >= span.start && parameter.LastRegister() < span.start + span.bytes / 2;
}

std::string RegistersText(const RegisterSpan& span) {
    const int last = span.start + span.bytes / 2 - 1;
    return "寄存器 " + std::to_string(span.start) + (last > span.start ? "–" + std::to_string(last) : "");
}

std::string Hex(std::span<const std::uint8_t> bytes) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    for (std::uint8_t byte : bytes) {
        if (!text.empty()) text += ' ';
        text += kDigits[byte >> 4];
        text += kDigits[byte & 0xF];
    }
    return text;
}

}  // namespace

std::vector<RegisterSpan> ReadingRequests(int meterKind) {
    std::vector<RegisterSpan> requests;
    const auto covered = [&requests](const Parameter& parameter) {
        return std::any_of(requests.begin(), requests.end(),
                           [&parameter](const RegisterSpan& span) { return Inside(parameter, span); });
    };
    for (const PageDefinition* page : PageDefinitionsOf(meterKind)) {
        for (const BatchBlock& block : page->readAllBlocks) {
            const RegisterSpan span{block.start, block.bytes};
            // A block whose every parameter an earlier request has read adds nothing.
            const bool adds = std::any_of(page->rows.begin(), page->rows.end(), [&](const ParamRow& row) {
                return row.Registers() > 0 && Inside(row, span) && !covered(row);
            });
            if (adds) requests.push_back(span);
        }
    }
    for (const ParamRow* row : RecordedParameters(meterKind)) {
        if (!covered(*row)) requests.push_back({row->reg, static_cast<std::uint16_t>(row->Bytes())});
    }
    // The units the record shows its values in (the flow range in the flow unit, a total in
    // the totals unit) lie in the meter's unit registers. The W58 pages show no flow or
    // totals unit, so their read-all blocks leave them out: they follow here, neighbours in
    // one request.
    std::vector<RegisterSpan> units;
    for (const ParamRow* row : RecordedParameters(meterKind)) {
        const Parameter* unit = UnitParameterOf(*row);
        const bool listed = unit != nullptr && std::any_of(units.begin(), units.end(), [unit](const RegisterSpan& span) {
            return span.start == unit->reg;
        });
        if (unit != nullptr && !listed && !covered(*unit)) units.push_back({unit->reg, static_cast<std::uint16_t>(unit->Bytes())});
    }
    std::sort(units.begin(), units.end(), [](const RegisterSpan& a, const RegisterSpan& b) { return a.start < b.start; });
    for (std::size_t i = 0; i < units.size(); ++i) {
        if (i > 0 && requests.back().start + requests.back().bytes / 2 == units[i].start) {
            requests.back().bytes = static_cast<std::uint16_t>(requests.back().bytes + units[i].bytes);
        } else {
            requests.push_back(units[i]);
        }
    }
    return requests;
}

MeterReading ReadMeter(CDMRJly& link, const SerialSettings& settings, int meterKind,
                       const std::function<void(int, int)>& progress) {
    MeterReading reading;
    const std::vector<RegisterSpan> requests = ReadingRequests(meterKind);
    const int steps = static_cast<int>(requests.size()) + 1;
    if (progress) progress(1, steps);

    const IdentificationRead identification = ReadIdentification(link);
    reading.failure = identification.result;
    if (!reading.failure) {
        reading.failedAt = "标识";
        return reading;
    }
    reading.identity = identification.identity;
    if (identification.Unsupported()) {
        reading.unsupported = true;
        return reading;
    }

    const RegisterMap& map = RegisterMapOf(meterKind);
    const CodecContext context{.byteOrderMode = settings.byteOrderMode, .paramEncoding = reading.identity.paramEncoding};
    LiveRecord host;
    for (std::size_t i = 0; i < requests.size(); ++i) {
        const RegisterSpan& span = requests[i];
        if (progress) progress(static_cast<int>(i) + 2, steps);
        std::array<std::uint8_t, kChunkBytes> wire{};
        if (const LinkResult read = link.ReadRegisters(span.start, span.bytes, wire.data()); !read) {
            reading.failure = read;
            reading.failedAt = "第 " + std::to_string(i + 1) + "/" + std::to_string(requests.size()) + " 个请求（" +
                               RegistersText(span) + "）";
            return reading;
        }
        std::copy_n(wire.begin(), span.bytes, reading.wire.At(span.start));
        PlaceWireBytes(host, span.start, wire.data(), span.bytes, map.parameters, context.byteOrderMode);
    }

    MeterRecord record;
    record.kelvoVersion = kKelvoVersion;
    record.meterKind = meterKind;
    record.taken = NowText();
    const IdentificationTexts texts = DescribeIdentification(identification.Answer());
    record.model = texts.model;
    record.version = texts.version;
    record.identification = Hex(identification.Answer());
    record.byteOrderMode = context.byteOrderMode;
    record.paramEncoding = context.paramEncoding;
    for (const ParamRow* row : RecordedParameters(meterKind)) {
        const std::uint8_t* raw = reading.wire.At(row->reg);
        record.values.push_back({.name = std::string(row->name),
                                 .label = std::string(row->label),
                                 .reg = row->reg,
                                 .raw = {raw, raw + row->Bytes()},
                                 .value = ValueText(*row, DecodeRow(*row, host, context)),
                                 .unit = UnitText(*row, host)});
    }
    reading.record = std::move(record);
    return reading;
}

std::string ReadingFailureText(const MeterReading& reading) {
    if (reading.unsupported) return std::string(kMeterNotSupportedText);
    if (reading.failure.Good()) return {};
    return reading.failedAt + "：" + FailureDetail(reading.failure);
}

}  // namespace kelvo
