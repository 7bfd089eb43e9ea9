// SPDX-License-Identifier: GPL-3.0-or-later
#include "meter/value_format.h"

#include <cstdio>
#include <ctime>

#include "meter/list_items.h"
#include "meter/shared_parameters.h"
#include "meter/value_text.h"
#include "settings/calendar_fields.h"
#include "vocabulary/value_tables.h"

namespace kelvo {
namespace {

constexpr std::string_view kOpen = "(";
constexpr std::string_view kClose = ")";

std::string ClockText(long long seconds) {
    const std::tm local = LocalFields(static_cast<std::time_t>(seconds));
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    return text;
}

std::optional<long long> ParseClock(std::string_view text) {
    std::tm local{};
    char trailing = 0;
    const std::string copy(text);
    if (std::sscanf(copy.c_str(), "%d-%d-%d %d:%d:%d%c", &local.tm_year, &local.tm_mon, &local.tm_mday,
                    &local.tm_hour, &local.tm_min, &local.tm_sec, &trailing) != 6) {
        return std::nullopt;
    }
    local.tm_year -= 1900;
    local.tm_mon -= 1;
    local.tm_isdst = -1;
    const std::time_t seconds = std::mktime(&local);
    if (seconds == static_cast<std::time_t>(-1)) return std::nullopt;
    return static_cast<long long>(seconds);
}

}  // namespace

std::string ValueText(const Parameter& parameter, const FieldValue& value) {
    switch (parameter.control) {
        case Control::List: {
            const auto items = ListItems(parameter);
            if (value.integer < 0 || value.integer >= static_cast<long long>(items.size())) return {};
            return items[static_cast<std::size_t>(value.integer)];
        }
        case Control::IntEdit: return std::to_string(value.integer);
        case Control::DecimalEdit: return FormatGeneral(value.real, 15);
        case Control::FloatEdit: return FormatGeneral(static_cast<float>(value.real), 6);
        case Control::DigitsEdit: return FormatMeterNumber(value.integer);
        case Control::DateTime: return ClockText(value.integer);
    }
    return {};
}

std::optional<FieldValue> ParseValueText(const Parameter& parameter, std::string_view text) {
    FieldValue value;
    switch (parameter.control) {
        case Control::List: {
            const auto items = ListItems(parameter);
            for (std::size_t i = 0; i < items.size(); ++i) {
                if (items[i] == text) {
                    value.integer = static_cast<long long>(i);
                    return value;
                }
            }
            const auto index = ParseInteger(text);
            if (!index || *index < 0 || *index >= static_cast<long long>(items.size())) return std::nullopt;
            value.integer = *index;
            return value;
        }
        case Control::IntEdit:
        case Control::DigitsEdit: {
            const auto integer = ParseInteger(text);
            if (!integer) return std::nullopt;
            value.integer = *integer;
            return value;
        }
        case Control::DecimalEdit:
        case Control::FloatEdit: {
            const auto number = ParseDecimal(text);
            if (!number) return std::nullopt;
            value.real = parameter.control == Control::FloatEdit ? static_cast<double>(static_cast<float>(*number))
                                                                 : *number;
            return value;
        }
        case Control::DateTime: {
            const auto seconds = ParseClock(text);
            if (!seconds) return std::nullopt;
            value.integer = value.integer2 = *seconds;
            return value;
        }
    }
    return std::nullopt;
}

std::string_view UnitOf(const Parameter& parameter) {
    const std::string_view label = parameter.label;
    const auto close = label.rfind(kClose);
    if (close == std::string_view::npos || close + kClose.size() != label.size()) return {};
    const auto open = label.rfind(kOpen, close);
    if (open == std::string_view::npos) return {};
    return label.substr(open + kOpen.size(), close - open - kOpen.size());
}

FieldValue DecodeWire(const Parameter& parameter, const std::uint8_t* wire, const CodecContext& context) {
    LiveRecord host;
    PlaceWireBytes(host, parameter.reg, wire, parameter.Bytes(), std::span(&parameter, 1), context.byteOrderMode);
    return DecodeRow(parameter, host, context);
}

std::optional<std::string> Unsendable(const Parameter& parameter, const FieldValue& value, const CodecContext& context,
                                      RowBytes& wire) {
    if (auto refusal = RefusalOf(parameter, value, context)) return refusal;
    wire = {};
    if (const EncodeResult encoded = EncodeRow(parameter, value, context, wire.data()); !encoded.ok) {
        return encoded.message;
    }
    const std::string meant = ValueText(parameter, value);
    const std::string kept = ValueText(parameter, DecodeWire(parameter, wire.data(), context));
    if (kept != meant) return "仪表保存的将是 " + kept + "，不是 " + meant + "。";
    return std::nullopt;
}

const Parameter* UnitParameterOf(const Parameter& parameter) {
    switch (parameter.unit) {
        case UnitSource::FlowUnit:
        case UnitSource::VolumeUnit: return &shared_parameters::kFlowUnit;
        case UnitSource::PowerUnit: return &shared_parameters::kPowerUnit;
        case UnitSource::EnergyUnit: return &shared_parameters::kEnergyUnit;
        case UnitSource::Fixed: break;
    }
    return nullptr;
}

std::string UnitText(const Parameter& parameter, const LiveRecord& units) {
    const Parameter* source = UnitParameterOf(parameter);
    if (source == nullptr) return std::string(UnitOf(parameter));
    switch (parameter.unit) {
        case UnitSource::FlowUnit: {
            const auto volume = TableAt(VolumeUnits, units.U16(source->reg));
            const auto time = TableAt(TimeUnits, units.U16(source->reg + 1));
            if (!volume || !time) return {};
            return std::string(*volume) + '/' + std::string(*time);
        }
        case UnitSource::VolumeUnit: return std::string(TextAt(VolumeUnits, units.U16(source->reg)));
        case UnitSource::PowerUnit: return std::string(TextAt(PowerUnits, units.U16(source->reg)));
        case UnitSource::EnergyUnit: return std::string(TextAt(EnergyUnits, units.U16(source->reg)));
        case UnitSource::Fixed: break;
    }
    return {};
}

}  // namespace kelvo
