// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The commands of the "配置" menu that keep a meter's parameters: 备份参数, 对比参数,
// 恢复参数 and 调试报告. Each reads or writes the meter on the line through the window's
// runner (busy, progress, cancel as any page transaction) and keeps its questions before
// and its messages after the exchange.

#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "records/meter_record.h"
#include "records/record_compare.h"
#include "records/restore.h"
#include "settings/settings.h"
#include "ui/file_chooser.h"

class QWidget;

namespace kelvo {

class CLineRunner;
class Prompter;

class CRecordsCommands : public QObject {
    Q_OBJECT
public:
    using ChooseFile = kelvo::ChooseFile;

    // What the window's proving windows found for the meter just read (with the settings it
    // was read with), which its record file and report carry; nullptr when nothing, or when
    // that is another meter than the one proved.
    using ProvingFor = std::function<const ProvingRecord*(const MeterRecord& meter, const SerialSettings& readWith)>;

    // `meterKind` tells the kind the window shows now.
    CRecordsCommands(CLineRunner& runner, Prompter& prompter, std::function<int()> meterKind, QWidget* window,
                     ProvingFor provingFor = {});

    // Tests and automation choose files without a dialog.
    void SetFileChooser(ChooseFile chooser) { choose_ = std::move(chooser); }

    // 备份参数: asks for the file, reads the meter, writes the file.
    void BackupCommand();
    void Backup(const QString& path);
    // 对比参数: the comparison dialog.
    void CompareCommand();
    // 恢复参数: asks for the file, lets the user tick what to restore, restores.
    void RestoreCommand();
    void Restore(const MeterRecord& record, const std::vector<RestoreChoice>& choices);
    // 调试报告: asks who and where and the file, reads the meter and its live values, prints.
    void ReportCommand();
    void Report(const ReportPeople& people, const QString& path);

    // Reads the meter on the line, then calls `done` on this thread with the record and the
    // settings it was read with, or shows why there is none (and calls nothing).
    void ReadMeterThen(const QString& title, std::function<void(const MeterRecord&, const SerialSettings&)> done);

    // The comparison made last, for the report.
    const std::optional<Comparison>& LastComparison() const { return lastComparison_; }
    void SetLastComparison(Comparison comparison) { lastComparison_ = std::move(comparison); }

    // Opens a record file; shows why it is none and gives nothing.
    std::optional<MeterRecord> OpenRecord(const QString& path);
    QString Choose(const QString& title, const QString& suggested, const QString& filter, bool save);

private:
    const ProvingRecord* ProvingResults(const MeterRecord& meter, const SerialSettings& readWith) const {
        return provingFor_ ? provingFor_(meter, readWith) : nullptr;
    }

    CLineRunner& runner_;
    Prompter& prompter_;
    std::function<int()> meterKind_;
    QWidget* window_;
    ChooseFile choose_;
    std::optional<Comparison> lastComparison_;
    ProvingFor provingFor_;
};

}  // namespace kelvo
