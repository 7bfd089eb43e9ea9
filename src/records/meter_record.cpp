// SPDX-License-Identifier: GPL-3.0-or-later
#include "records/meter_record.h"

#include <algorithm>
#include <cstdio>
#include <ctime>

#include "meter/live_record.h"
#include "meter/meter_identity.h"
#include "meter/value_format.h"
#include "records/proving_section.h"
#include "records/record_parameters.h"
#include "settings/atomic_file.h"
#include "settings/calendar_fields.h"
#include "settings/profile_file.h"
#include "settings/settings.h"

namespace kelvo {
namespace {

constexpr char kRecordSection[] = "Record";

std::string Hex(const std::vector<std::uint8_t>& bytes) {
    std::string text;
    char byte[4];
    for (std::uint8_t value : bytes) {
        std::snprintf(byte, sizeof byte, "%02X ", value);
        text += byte;
    }
    if (!text.empty()) text.pop_back();
    return text;
}

std::optional<std::vector<std::uint8_t>> FromHex(std::string_view text) {
    std::vector<std::uint8_t> bytes;
    std::size_t i = 0;
    const auto digit = [](char c) -> int {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        return -1;
    };
    while (i < text.size()) {
        if (text[i] == ' ') {
            ++i;
            continue;
        }
        if (i + 1 >= text.size() || digit(text[i]) < 0 || digit(text[i + 1]) < 0) return std::nullopt;
        bytes.push_back(static_cast<std::uint8_t>(digit(text[i]) * 16 + digit(text[i + 1])));
        i += 2;
    }
    return bytes;
}

std::optional<int> KindOfName(std::string_view name) {
    if (name == KindName(kGenericMeter)) return kGenericMeter;
    if (name == KindName(kW58Meter)) return kW58Meter;
    return std::nullopt;
}

}  // namespace

std::string_view KindName(int meterKind) { return meterKind == kW58Meter ? "w58" : "generic"; }

const RecordedValue* MeterRecord::Find(std::string_view name) const {
    for (const RecordedValue& value : values) {
        if (value.name == name) return &value;
    }
    return nullptr;
}

std::optional<FieldValue> MeterRecord::Decoded(const Parameter& parameter) const {
    const RecordedValue* recorded = Find(parameter.name);
    if (recorded == nullptr || static_cast<int>(recorded->raw.size()) != parameter.Bytes()) return std::nullopt;
    const bool knownOrder = byteOrderMode >= 0 && byteOrderMode <= 3;
    const bool knownEncoding = paramEncoding == kEncodingLegacy || paramEncoding == kEncodingCurrent;
    if (!knownOrder || (parameter.DependsOnEncoding() && !knownEncoding)) return std::nullopt;
    LiveRecord host;
    if (host.RawMutable(parameter.reg, parameter.Bytes()) == nullptr) return std::nullopt;
    PlaceWireBytes(host, parameter.reg, recorded->raw.data(), parameter.Bytes(), std::span(&parameter, 1),
                   byteOrderMode);
    const CodecContext context{.byteOrderMode = byteOrderMode, .paramEncoding = paramEncoding};
    const FieldValue value = DecodeRow(parameter, host, context);
    // Only a value that goes back into the very registers it came from is what the meter
    // meant; anything else would be restored as another value than the one recorded. A
    // value beyond the page's range is still a value: the restore refuses to write it.
    Parameter unbounded = parameter;
    unbounded.range.reset();
    RowBytes again{};
    if (Unsendable(unbounded, value, context, again) || !std::equal(recorded->raw.begin(), recorded->raw.end(), again.begin())) {
        return std::nullopt;
    }
    return value;
}

std::string RecordText(const MeterRecord& record) {
    std::string text = "; Kelvo 参数备份：每个参数一节，节名是它在仪表寄存器表中的名称。\n";
    const auto line = [&text](std::string_view key, const std::string& value) {
        text.append(key).append("=").append(value).append("\n");
    };
    text += "[" + std::string(kRecordSection) + "]\n";
    line("Format", std::to_string(record.format));
    line("Kelvo", record.kelvoVersion);
    line("Kind", std::string(KindName(record.meterKind)));
    line("Taken", record.taken);
    line("Model", record.model);
    line("Version", record.version);
    line("Identification", record.identification);
    line("ByteOrder", std::to_string(record.byteOrderMode));
    line("Encoding", std::to_string(record.paramEncoding));
    for (const RecordedValue& value : record.values) {
        text += "\n[" + value.name + "]\n";
        line("Label", value.label);
        line("Register", std::to_string(value.reg));
        line("Raw", Hex(value.raw));
        line("Value", value.value);
        line("Unit", value.unit);
    }
    if (record.proving) text += ProvingText(*record.proving);
    return text;
}

SaveResult WriteRecord(const std::string& path, const MeterRecord& record) {
    return ReplaceFile(path, RecordText(record));
}

RecordRead ParseRecord(std::string_view text) {
    ProfileFile file;
    if (!file.Parse(text) || !file.Find(kRecordSection, "Format")) return {std::nullopt, "不是 Kelvo 参数备份文件。"};
    MeterRecord record;
    record.format = file.GetInt(kRecordSection, "Format", 0);
    if (record.format < 1 || record.format > kRecordFormat) {
        return {std::nullopt, "备份文件的格式版本 " + std::to_string(record.format) + " 不是本程序能读的。"};
    }
    const auto kind = KindOfName(file.Find(kRecordSection, "Kind").value_or(""));
    if (!kind) return {std::nullopt, "备份文件没有说明仪表类型。"};
    record.meterKind = *kind;
    record.kelvoVersion = file.Find(kRecordSection, "Kelvo").value_or("");
    record.taken = file.Find(kRecordSection, "Taken").value_or("");
    record.model = file.Find(kRecordSection, "Model").value_or("");
    record.version = file.Find(kRecordSection, "Version").value_or("");
    record.identification = file.Find(kRecordSection, "Identification").value_or("");
    record.byteOrderMode = file.GetInt(kRecordSection, "ByteOrder", 1);
    record.paramEncoding = file.GetInt(kRecordSection, "Encoding", 1);
    for (const ParamRow* parameter : RecordedParameters(record.meterKind)) {
        const std::string section(parameter->name);
        const auto raw = file.Find(section, "Raw");
        if (!raw) continue;  // a parameter the file does not hold is not compared or restored
        const auto bytes = FromHex(*raw);
        const int reg = file.GetInt(section, "Register", -1);
        if (!bytes || static_cast<int>(bytes->size()) != parameter->Bytes() || reg != parameter->reg) {
            return {std::nullopt, "参数 " + section + " 的寄存器与本程序的仪表寄存器表不符。"};
        }
        record.values.push_back({.name = section,
                                 .label = file.Find(section, "Label").value_or(std::string(parameter->label)),
                                 .reg = parameter->reg,
                                 .raw = *bytes,
                                 .value = file.Find(section, "Value").value_or(""),
                                 .unit = file.Find(section, "Unit").value_or("")});
    }
    ProvingRead proving = ParseProving(file);
    if (!proving.problem.empty()) return {std::nullopt, std::move(proving.problem)};
    record.proving = std::move(proving.proving);
    return {record, {}};
}

RecordRead ReadRecord(const std::string& path) {
    const FileText file = ReadWholeFile(path);
    switch (file.status) {
        case FileText::Status::Read: return ParseRecord(file.text);
        case FileText::Status::Absent: return {std::nullopt, "找不到文件 " + path + "。"};
        case FileText::Status::TooLarge: return {std::nullopt, "文件太大，不是参数备份文件。"};
        case FileText::Status::NotRegular: return {std::nullopt, "不是普通文件。"};
        case FileText::Status::Failed: break;
    }
    return {std::nullopt, "无法读取文件 " + path + "。"};
}

std::string NowText() { return TimeText(static_cast<std::int64_t>(std::time(nullptr)) * 1000); }

std::string TimeText(std::int64_t timeMs) {
    // Whole seconds, the earlier one for a time before 1970.
    const std::int64_t seconds = timeMs >= 0 ? timeMs / 1000 : -((-timeMs + 999) / 1000);
    const std::tm local = LocalFields(static_cast<std::time_t>(seconds));
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    return text;
}

}  // namespace kelvo
