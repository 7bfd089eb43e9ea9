// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/cli_record_file.h"

#include <ostream>

#include "cli/cli_line.h"

namespace kelvo::cli {

std::optional<MeterRecord> LoadRecordFile(const std::string& path, std::ostream& err) {
    RecordRead read = ReadRecord(path);
    if (!read.record) err << "kelvo-cli：" << path << "：" << read.problem << "\n";
    return std::move(read.record);
}

std::optional<int> KindOfRecord(const MeterRecord& record, std::optional<int> given, std::ostream& err) {
    if (given && *given != record.meterKind) {
        err << "kelvo-cli：备份文件是" << KindText(record.meterKind) << "的，与 --kind 给出的" << KindText(*given)
            << "不同。\n";
        return std::nullopt;
    }
    return record.meterKind;
}

}  // namespace kelvo::cli
