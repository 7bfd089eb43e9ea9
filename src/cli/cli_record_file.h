// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A backup file as the commands take it: the record, or why the file is none.

#include <iosfwd>
#include <optional>
#include <string>

#include "records/meter_record.h"

namespace kelvo::cli {

// The record of the file at `path`; nullopt when it holds none, said why on `err`.
std::optional<MeterRecord> LoadRecordFile(const std::string& path, std::ostream& err);

// The meter kind a command works with: the one given, or the file's. nullopt when the one
// given is not the file's (said on `err`): a record is meaningful to its kind alone.
std::optional<int> KindOfRecord(const MeterRecord& record, std::optional<int> given, std::ostream& err);

}  // namespace kelvo::cli
