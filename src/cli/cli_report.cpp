// SPDX-License-Identifier: GPL-3.0-or-later
// kelvo-cli report: the commissioning report of a backup file, as PDF or HTML.

#include <ostream>

#include "cli/cli_arguments.h"
#include "cli/cli_pdf.h"
#include "cli/cli_record_file.h"
#include "cli/cli_run.h"
#include "records/report.h"
#include "settings/profile_file.h"
#include "settings/settings.h"

namespace kelvo::cli {

int RunReport(const ReportCommand& report, const Console& console) {
    if (report.format == ReportFormat::Pdf) {
        if (const auto why = PdfUnavailable()) {
            console.err << "kelvo-cli：" << *why << "\n";
            return kExitUsage;
        }
    }
    const auto record = LoadRecordFile(report.file, console.err);
    if (!record) return kExitUsage;
    const ReportPeople stored = LoadReportPeople();
    const std::string html = ReportHtml({.record = &*record,
                                         .technician = report.technician.value_or(stored.technician),
                                         .site = report.site.value_or(stored.site),
                                         .date = NowText(),
                                         .live = std::nullopt,
                                         .comparison = nullptr});
    if (report.format == ReportFormat::Html) {
        if (const SaveResult saved = ReplaceFile(report.output, html); !saved) {
            console.err << "保存报告失败！" << SaveErrorText(saved) << "（" << report.output << "）\n";
            return kExitNotDone;
        }
    } else if (std::string error; !WritePdf(html, report.output, error)) {
        console.err << "保存报告失败！" << error << "（" << report.output << "）\n";
        return kExitNotDone;
    }
    console.out << "已生成调试报告 " << report.output << "\n";
    return kExitDone;
}

}  // namespace kelvo::cli
