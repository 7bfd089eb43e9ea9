// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A meter's parameters kept in a file: who the meter is, when it was read, and every
// parameter of every page of its kind by its map name, with its label, its registers as
// they came, the value as a page shows it and its unit.
//
// The file is INI, UTF-8: the format of config.ini, which a technician can open in any
// editor; one section per parameter and one key per line, so that two backups compare
// line by line with any diff tool. Section [Record] says what the file is.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "meter/parameter.h"
#include "meter/value_codec.h"
#include "proving/proving_record.h"
#include "settings/save_result.h"

namespace kelvo {

inline constexpr int kRecordFormat = 1;

struct RecordedValue {
    std::string name;   // in the kind's register map
    std::string label;
    std::uint16_t reg = 0;
    std::vector<std::uint8_t> raw;  // the registers as the meter sent them, wire order
    std::string value;              // as a page shows it
    std::string unit;

    bool operator==(const RecordedValue&) const = default;
};

struct MeterRecord {
    int format = kRecordFormat;
    std::string kelvoVersion;
    int meterKind = 0;
    std::string taken;  // local time, "2026-12-09 12:34:56"
    std::string model;
    std::string version;
    std::string identification;  // the identification bytes in hex
    // How the raw registers are to be read: the byte order of the serial settings and the
    // meter's parameter encoding when they were read.
    int byteOrderMode = 1;
    int paramEncoding = 1;
    std::vector<RecordedValue> values;  // in the order of the kind's pages
    // The zero checks and verification runs of a proving visit, when one was made: in
    // sections of their own after the parameters; a file without them reads as none.
    std::optional<ProvingRecord> proving;

    const RecordedValue* Find(std::string_view name) const;
    // The value of a recorded parameter, decoded from its raw registers with the file's
    // byte order and encoding. nullopt when the registers stand for no value a page could
    // show and write back as they are (a clock that is no date, a legacy diameter code
    // beyond the table, thousandths of 1000 and more, a byte order or encoding the program
    // does not know): such a value cannot be decoded.
    std::optional<FieldValue> Decoded(const Parameter& parameter) const;
    bool operator==(const MeterRecord&) const = default;
};

std::string_view KindName(int meterKind);

std::string RecordText(const MeterRecord& record);
SaveResult WriteRecord(const std::string& path, const MeterRecord& record);

// Why a file could not be taken as a record.
struct RecordRead {
    std::optional<MeterRecord> record;
    std::string problem;  // e.g. "不是 Kelvo 参数备份文件", when there is no record
};
RecordRead ParseRecord(std::string_view text);
RecordRead ReadRecord(const std::string& path);

// "2026-12-09 12:34:56" for now, local time.
std::string NowText();
// The same for a wall-clock time in milliseconds since 1970 UTC.
std::string TimeText(std::int64_t timeMs);

}  // namespace kelvo
