// SPDX-License-Identifier: GPL-3.0-or-later
// The build without Qt: the report is there as HTML, which any browser prints to PDF.

#include "cli/cli_pdf.h"

namespace kelvo::cli {

std::optional<std::string> PdfUnavailable() {
    return "这个 kelvo-cli 不带 Qt，不能生成 PDF；请用 -o 报告.html 生成 HTML，再用浏览器打印为 PDF。";
}

bool WritePdf(std::string_view, const std::string&, std::string& error) {
    error = *PdfUnavailable();
    return false;
}

}  // namespace kelvo::cli
