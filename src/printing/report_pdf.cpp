// SPDX-License-Identifier: GPL-3.0-or-later
#include "printing/report_pdf.h"

#include <QFile>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
#include <QTextDocument>

namespace kelvo {

bool WriteReportPdf(std::string_view html, const std::string& path, std::string& error) {
    // Written beside the target and renamed over it: a report is there whole or not at all.
    QSaveFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::WriteOnly)) {
        error = file.errorString().toStdString();
        return false;
    }
    {
        QPdfWriter writer(&file);
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.setPageMargins(QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter);
        writer.setTitle(QStringLiteral("调试报告"));
        writer.setCreator(QStringLiteral("Kelvo"));
        QTextDocument document;
        document.setHtml(QString::fromUtf8(html.data(), static_cast<qsizetype>(html.size())));
        document.print(&writer);
    }
    if (!file.commit()) {
        error = file.errorString().toStdString();
        return false;
    }
    return true;
}

}  // namespace kelvo
