// SPDX-License-Identifier: GPL-3.0-or-later
// kelvo-cli backup: every parameter of the meter, read as the pages read them, kept in a file.

#include <ostream>

#include "cli/cli_line.h"
#include "cli/cli_run.h"
#include "settings/save_result.h"

namespace kelvo::cli {

int RunBackup(const BackupCommand& backup, const Console& console) {
    const int kind = MeterKindFor(backup.line);
    const MeterRead read = ReadWholeMeter(backup.line, kind, console);
    if (!read.record) return read.status;
    const MeterRecord& record = *read.record;
    if (const SaveResult saved = WriteRecord(backup.output, record); !saved) {
        console.err << "保存备份文件失败！" << SaveErrorText(saved) << "（" << backup.output << "）\n";
        return kExitNotDone;
    }
    console.out << "已备份 " << record.values.size() << " 个参数（" << KindText(kind) << "，型号 " << record.model
                << "，版本 " << record.version << "）到 " << backup.output << "\n";
    return kExitDone;
}

}  // namespace kelvo::cli
