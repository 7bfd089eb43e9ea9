// SPDX-License-Identifier: GPL-3.0-or-later
// kelvo-cli restore: a backup file's parameters written to the meter and read back, after
// the user has said yes to the number that will change.

#include <ostream>

#include "cli/cli_line.h"
#include "cli/cli_record_file.h"
#include "cli/cli_run.h"
#include "records/restore.h"

namespace kelvo::cli {
namespace {

// The per-meter parameters a restore without --only leaves alone, so that the user knows
// how to ask for them.
void PrintLeftOut(const std::vector<RestoreChoice>& choices, std::ostream& out) {
    std::string names;
    for (const RestoreChoice& choice : choices) {
        if (choice.selected) continue;
        names += (names.empty() ? "" : "、") + std::string(choice.parameter->name) + " " +
                 std::string(choice.parameter->label);
    }
    if (!names.empty()) out << "不写入仪表自身的参数（要写入请用 --only 列出）：" << names << "\n";
}

// On the command's thread, while the job holds the port. On the error stream, as a prompt,
// so that it shows when the output goes to a file.
Reply AskOnConsole(const std::string& question, const Console& console) {
    console.err << question << "（y/N）" << std::flush;
    if (!console.reply) {
        console.err << "\n没有终端可以回答，不写入；要不经询问写入，请加 --yes。\n";
        return Reply::No;
    }
    const Reply reply = console.reply();
    if (reply == Reply::Interrupted) console.err << "\n";
    return reply;
}

}  // namespace

int RunRestore(const RestoreCommand& restore, const Console& console) {
    const auto record = LoadRecordFile(restore.file, console.err);
    if (!record) return kExitUsage;
    const auto kind = KindOfRecord(*record, restore.line.meterKind, console.err);
    if (!kind) return kExitUsage;
    std::vector<std::string> unknown;
    const std::vector<RestoreChoice> choices = RestoreChoices(*record, restore.only, unknown);
    if (!unknown.empty()) {
        console.err << "kelvo-cli：备份文件中没有这些参数：";
        for (std::size_t i = 0; i < unknown.size(); ++i) console.err << (i == 0 ? "" : "、") << unknown[i];
        console.err << "。\n";
        return kExitUsage;
    }
    if (restore.only.empty()) PrintLeftOut(choices, console.out);

    const SerialSettings settings = SettingsFor(restore.line);
    LinkResult opened{.failure = LinkFailure::NotOpen};  // until the job has opened it
    RestoreOutcome outcome;
    LineSession session(settings);
    const auto confirm = [&](const std::string& question) { return restore.yes || session.Ask(question); };
    const RunEnd end = session.Run(
        [&](LineJob& job) {
            opened = job.Link().OpenPort(job.Settings());
            if (opened) outcome = Restore(job.Link(), job.Settings(), *kind, choices, confirm);
        },
        console, [&console](const std::string& question) { return AskOnConsole(question, console); });
    if (end == RunEnd::Finished && !opened) return PortFailed(opened, settings, console.err);
    if (opened) {
        // Also after Ctrl+C: what went out before it matters.
        const RestoreReport report = DescribeRestore(outcome);
        std::ostream& shown = outcome.Complete() ? console.out : console.err;
        shown << report.text << "\n";
        if (!report.detail.empty()) shown << report.detail << "\n";
    }
    if (const auto status = EndedEarly(end, console.err)) return *status;
    return outcome.Complete() ? kExitDone : kExitNotDone;
}

}  // namespace kelvo::cli
