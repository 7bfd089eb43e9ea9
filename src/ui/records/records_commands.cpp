// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/records/records_commands.h"

#include <QDateTime>
#include <QDir>
#include <QWidget>

#include <mutex>

#include "live/live_display.h"
#include "live/live_polling.h"
#include "messages/failure_text.h"
#include "messages/prompter.h"
#include "printing/report_pdf.h"
#include "records/meter_reading.h"
#include "records/report.h"
#include "settings/profile_file.h"
#include "settings/settings.h"
#include "ui/line_runner.h"
#include "ui/records/compare_dlg.h"
#include "ui/records/report_dlg.h"
#include "ui/records/restore_dlg.h"

namespace kelvo {
namespace {

constexpr char kRecordFilter[] = "参数备份 (*.ini)";

// What a reading on the line brought back to the window's thread.
struct Reading {
    LinkResult opened;
    MeterReading reading;
    std::optional<LiveTexts> live;
    SerialSettings settings;  // the meter was read with
};

// Opens the port with the transaction's settings, reads the meter (and, for a report, one
// polling cycle of live values), closes the port.
void ReadOnLine(PageLine& line, int meterKind, bool withLive, Reading& out) {
    out.settings = line.settings;
    out.opened = line.link.OpenPort(line.settings);
    if (!out.opened) {
        line.link.ClosePort();
        return;
    }
    out.reading = ReadMeter(line.link, line.settings, meterKind, line.progress);
    if (withLive && out.reading.record) {
        std::mutex liveMutex;
        LiveShared shared(liveMutex);
        if (PollOnce(line.link, meterKind, shared, line.settings.byteOrderMode)) {
            out.live = FormatLiveTexts(shared.snapshot, meterKind);
        }
    }
    line.link.ClosePort();
}

}  // namespace

CRecordsCommands::CRecordsCommands(CLineRunner& runner, Prompter& prompter, std::function<int()> meterKind,
                                   QWidget* window, ProvingFor provingFor)
    : QObject(window),
      runner_(runner),
      prompter_(prompter),
      meterKind_(std::move(meterKind)),
      window_(window),
      provingFor_(std::move(provingFor)) {}

QString CRecordsCommands::Choose(const QString& title, const QString& suggested, const QString& filter, bool save) {
    return ChooseFileFor(window_, choose_, title, suggested, filter, save);
}

std::optional<MeterRecord> CRecordsCommands::OpenRecord(const QString& path) {
    RecordRead read = ReadRecord(path.toStdString());
    if (!read.record) prompter_.Warn("打开备份文件失败！", read.problem);
    return std::move(read.record);
}

void CRecordsCommands::ReadMeterThen(const QString& title,
                                     std::function<void(const MeterRecord&, const SerialSettings&)> done) {
    if (runner_.Busy()) return;
    const int kind = meterKind_();
    auto reading = std::make_shared<Reading>();
    runner_.Start({.title = title.toStdString(),
                   .run = [kind, reading](PageLine& line) { ReadOnLine(line, kind, false, *reading); },
                   .finish = [this, reading, done = std::move(done)] {
                       if (!reading->opened) {
                           WarnOpenFailed(prompter_, reading->opened);
                       } else if (!reading->reading.record) {
                           if (!reading->reading.failure.Cancelled()) {
                               prompter_.Warn("读取仪表参数失败", ReadingFailureText(reading->reading));
                           }
                       } else {
                           done(*reading->reading.record, reading->settings);
                       }
                   }});
}

void CRecordsCommands::BackupCommand() {
    const QString suggested = QDir::home().filePath(
        QStringLiteral("kelvo-参数备份-%1.ini").arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"))));
    const QString path = Choose(QStringLiteral("备份参数"), suggested, QString::fromUtf8(kRecordFilter), true);
    if (!path.isEmpty()) Backup(path);
}

void CRecordsCommands::Backup(const QString& path) {
    ReadMeterThen(QStringLiteral("备份参数"), [this, path](const MeterRecord& read, const SerialSettings& readWith) {
        MeterRecord record = read;
        if (const ProvingRecord* proving = ProvingResults(read, readWith)) record.proving = *proving;
        if (const SaveResult saved = WriteRecord(path.toStdString(), record); !saved) {
            prompter_.Warn("保存备份文件失败！", SaveErrorText(saved));
            return;
        }
        prompter_.Warn("备份成功", "已备份 " + std::to_string(record.values.size()) + " 个参数（型号 " + record.model +
                                       "，版本 " + record.version + "）到 " + path.toStdString());
    });
}

void CRecordsCommands::CompareCommand() {
    CCompareDlg dialog(*this, window_);
    dialog.exec();
}

void CRecordsCommands::RestoreCommand() {
    const QString path = Choose(QStringLiteral("恢复参数：选择备份文件"), QDir::homePath(), QString::fromUtf8(kRecordFilter), false);
    if (path.isEmpty()) return;
    const auto record = OpenRecord(path);
    if (!record) return;
    if (record->meterKind != meterKind_()) {
        prompter_.Warn("备份文件的仪表类型与当前仪表类型不同，不能恢复", "文件：" + std::string(KindName(record->meterKind)));
        return;
    }
    CRestoreDlg dialog(*record, window_);
    if (dialog.exec() != QDialog::Accepted) return;
    Restore(*record, dialog.Choices());
}

void CRecordsCommands::Restore(const MeterRecord& record, const std::vector<RestoreChoice>& choices) {
    if (runner_.Busy()) return;
    const int kind = record.meterKind;
    auto outcome = std::make_shared<std::pair<LinkResult, RestoreOutcome>>();
    runner_.Start({.title = "恢复参数",
                   .run = [kind, choices, outcome](PageLine& line) {
                       outcome->first = line.link.OpenPort(line.settings);
                       if (outcome->first) {
                           // The question comes with the port held: the meter as read stays the meter written.
                           outcome->second = kelvo::Restore(
                               line.link, line.settings, kind, choices,
                               [&line](const std::string& question) { return line.messages.Confirm(question); },
                               line.progress);
                       }
                       line.link.ClosePort();
                   },
                   .finish = [this, outcome] {
                       if (!outcome->first) {
                           WarnOpenFailed(prompter_, outcome->first);
                           return;
                       }
                       const RestoreReport report = DescribeRestore(outcome->second);
                       prompter_.Warn(report.text, report.detail);
                   }});
}

void CRecordsCommands::ReportCommand() {
    CReportDlg dialog(LoadReportPeople(), *this, window_);
    if (dialog.exec() != QDialog::Accepted) return;
    if (const SaveResult saved = SaveReportPeople(dialog.People()); !saved) {
        prompter_.Warn(kSaveSettingsFailedText, SaveErrorText(saved));
    }
    Report(dialog.People(), dialog.Path());
}

void CRecordsCommands::Report(const ReportPeople& people, const QString& path) {
    if (runner_.Busy()) return;
    const int kind = meterKind_();
    auto reading = std::make_shared<Reading>();
    runner_.Start({.title = "调试报告",
                   .run = [kind, reading](PageLine& line) { ReadOnLine(line, kind, true, *reading); },
                   .finish = [this, reading, people, path] {
                       if (!reading->opened) {
                           WarnOpenFailed(prompter_, reading->opened);
                           return;
                       }
                       if (!reading->reading.record) {
                           if (!reading->reading.failure.Cancelled()) {
                               prompter_.Warn("读取仪表参数失败", ReadingFailureText(reading->reading));
                           }
                           return;
                       }
                       const ReportContent content{.record = &*reading->reading.record,
                                                   .technician = people.technician,
                                                   .site = people.site,
                                                   .date = NowText(),
                                                   .live = reading->live,
                                                   .comparison = lastComparison_ ? &*lastComparison_ : nullptr,
                                                   .proving = ProvingResults(*reading->reading.record,
                                                                             reading->settings)};
                       const std::string html = ReportHtml(content);
                       std::string error;
                       bool written = false;
                       if (path.endsWith(QStringLiteral(".html"), Qt::CaseInsensitive) ||
                           path.endsWith(QStringLiteral(".htm"), Qt::CaseInsensitive)) {
                           const SaveResult saved = ReplaceFile(path.toStdString(), html);
                           written = static_cast<bool>(saved);
                           error = SaveErrorText(saved);
                       } else {
                           written = WriteReportPdf(html, path.toStdString(), error);
                       }
                       if (!written) {
                           prompter_.Warn("生成调试报告失败！", error);
                           return;
                       }
                       prompter_.Warn("调试报告已生成", path.toStdString());
                   }});
}

}  // namespace kelvo
