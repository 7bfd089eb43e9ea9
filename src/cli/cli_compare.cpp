// SPDX-License-Identifier: GPL-3.0-or-later
// kelvo-cli compare: the meter against a backup file, or one file against another, one
// line per parameter that differs.

#include <ostream>

#include "cli/cli_line.h"
#include "cli/cli_record_file.h"
#include "cli/cli_run.h"
#include "records/record_compare.h"

namespace kelvo::cli {
namespace {

std::string Shown(const std::string& value, const std::string& unit) {
    if (value.empty()) return "—";
    return unit.empty() ? value : value + " " + unit;
}

int PrintComparison(const Comparison& comparison, bool all, std::ostream& out) {
    out << "对比：" << comparison.leftTitle << " / " << comparison.rightTitle << "\n";
    for (const CompareRow& row : comparison.rows) {
        if (!all && row.verdict == CompareVerdict::Same) continue;
        out << row.name << " " << row.label << "：" << Shown(row.left, row.unit) << " / " << Shown(row.right, row.unit)
            << "（" << VerdictText(row.verdict) << "）\n";
    }
    if (comparison.differences == 0) {
        out << "参数相同\n";
        return kExitDone;
    }
    out << "共 " << comparison.differences << " 处不同\n";
    return kExitNotDone;
}

}  // namespace

int RunCompare(const CompareCommand& compare, const Console& console) {
    const auto file = LoadRecordFile(compare.file, console.err);
    if (!file) return kExitUsage;
    Comparison comparison;
    if (compare.otherFile) {
        const auto other = LoadRecordFile(*compare.otherFile, console.err);
        if (!other) return kExitUsage;
        comparison = Compare(*file, *other);
        if (comparison.kindsDiffer) {
            console.err << "kelvo-cli：两个文件的仪表类型不同（" << KindText(file->meterKind) << "与"
                        << KindText(other->meterKind) << "），无法对比。\n";
            return kExitUsage;
        }
        comparison.leftTitle = compare.file;
        comparison.rightTitle = *compare.otherFile;
    } else {
        const auto kind = KindOfRecord(*file, compare.line.meterKind, console.err);
        if (!kind) return kExitUsage;
        const MeterRead meter = ReadWholeMeter(compare.line, *kind, console);
        if (!meter.record) return meter.status;
        comparison = Compare(*meter.record, *file);
        comparison.leftTitle = "仪表";
        comparison.rightTitle = compare.file;
    }
    return PrintComparison(comparison, compare.all, console.out);
}

}  // namespace kelvo::cli
