// SPDX-License-Identifier: GPL-3.0-or-later
// The PDF through Qt's printing, which needs a QGuiApplication: one lives for the one
// report, on the "offscreen" platform unless the user chose another, so that kelvo-cli
// needs no display.

#include <QGuiApplication>
#include <QtGlobal>

#include "cli/cli_pdf.h"
#include "printing/report_pdf.h"

namespace kelvo::cli {

std::optional<std::string> PdfUnavailable() { return std::nullopt; }

bool WritePdf(std::string_view html, const std::string& path, std::string& error) {
    if (QGuiApplication::instance() != nullptr) return WriteReportPdf(html, path, error);
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    char name[] = "kelvo-cli";
    char* argv[] = {name, nullptr};
    int argc = 1;
    const QGuiApplication application(argc, argv);
    return WriteReportPdf(html, path, error);
}

}  // namespace kelvo::cli
