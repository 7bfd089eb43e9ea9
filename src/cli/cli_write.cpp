// SPDX-License-Identifier: GPL-3.0-or-later
// kelvo-cli write: named parameters written one request each and read back. Every value is
// checked before anything is sent, so that a typing error never reaches the meter.

#include <algorithm>
#include <chrono>
#include <ostream>

#include "cli/cli_line.h"
#include "cli/cli_parameters.h"
#include "cli/cli_run.h"
#include "messages/failure_text.h"
#include "meter/list_items.h"
#include "meter/value_format.h"

namespace kelvo::cli {
namespace {

struct Planned {
    const ParamRow* row;
    FieldValue value;
    RowBytes wire{};
};

struct Written {
    FieldValue back;
    bool same;
};

struct WriteOutcome {
    LinkResult opened{.failure = LinkFailure::NotOpen};  // until the job has opened it
    IdentificationRead identified;
    std::string refusal;          // found once the encoding was known: nothing was written
    std::vector<Written> written;  // in order
    LinkResult failure;            // of the parameter after them
    bool failedReadingBack = false;
};

// How a value of the parameter is typed, for one that was not.
std::string Hint(const Parameter& parameter) {
    if (parameter.control == Control::DateTime) return "时间写作 \"YYYY-MM-DD HH:MM:SS\"。";
    if (parameter.control != Control::List) return "须为数字。";
    std::string items;
    for (const std::string& item : ListItems(parameter)) items += (items.empty() ? "" : "、") + item;
    return "可选：" + items + "（或其序号，从 0 起）。";
}

// The values as typed, checked as far as they can be without the meter.
std::optional<std::vector<Planned>> Plan(const std::vector<Assignment>& assignments,
                                         const std::vector<const ParamRow*>& rows, const SerialSettings& settings,
                                         std::ostream& err) {
    std::vector<Planned> planned;
    const CodecContext context{.byteOrderMode = settings.byteOrderMode};
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const ParamRow& row = *rows[i];
        const auto value = ParseValueText(row, assignments[i].value);
        if (!value) {
            err << "kelvo-cli：" << row.name << " " << row.label << " 的值“" << assignments[i].value << "”不对。"
                << Hint(row) << "\n";
            return std::nullopt;
        }
        Planned plan{.row = &row, .value = *value};
        // Values that depend on the meter's encoding are checked again once it is known.
        const auto refusal = row.DependsOnEncoding() ? RefusalOf(row, *value, context)
                                                     : Unsendable(row, *value, context, plan.wire);
        if (refusal) {
            err << "kelvo-cli：" << row.name << " " << row.label << "：" << *refusal << "\n";
            return std::nullopt;
        }
        planned.push_back(plan);
    }
    return planned;
}

void WriteRows(LineJob& job, std::vector<Planned>& planned, WriteOutcome& outcome) {
    CDMRJly& link = job.Link();
    outcome.opened = link.OpenPort(job.Settings());
    if (!outcome.opened) return;
    CodecContext context{.byteOrderMode = job.Settings().byteOrderMode};
    std::vector<const ParamRow*> rows;
    for (const Planned& plan : planned) rows.push_back(plan.row);
    if (AnyDependsOnEncoding(rows)) {
        outcome.identified = ReadIdentification(link);
        if (!outcome.identified.result || outcome.identified.Unsupported()) return;
        context.paramEncoding = outcome.identified.identity.paramEncoding;
    }
    for (Planned& plan : planned) {
        if (const auto refusal = Unsendable(*plan.row, plan.value, context, plan.wire)) {
            outcome.refusal = std::string(plan.row->name) + " " + std::string(plan.row->label) + "：" + *refusal;
            return;
        }
    }
    for (std::size_t i = 0; i < planned.size(); ++i) {
        const ParamRow& row = *planned[i].row;
        const auto bytes = static_cast<std::uint16_t>(row.Bytes());
        // The pause the pages keep between the requests of a download.
        if (i > 0 && !link.Port().Wait(std::chrono::milliseconds(kBatchPauseMs))) {
            outcome.failure = {.failure = LinkFailure::Cancelled};
            return;
        }
        outcome.failure = link.WriteRegisters(row.reg, bytes, planned[i].wire.data());
        if (!outcome.failure) return;
        RowBytes back{};
        outcome.failure = link.ReadRegisters(row.reg, bytes, back.data());
        if (!outcome.failure) {
            outcome.failedReadingBack = true;
            return;
        }
        outcome.written.push_back({.back = DecodeWire(row, back.data(), context),
                                   .same = std::equal(back.begin(), back.begin() + bytes, planned[i].wire.begin())});
    }
}

// What came of the parameter where the writing stopped, and of those after it.
void PrintFailure(const std::vector<Planned>& planned, const WriteOutcome& outcome, std::ostream& err) {
    const std::size_t at = outcome.written.size();
    const ParamRow& row = *planned[at].row;
    if (outcome.failedReadingBack) {
        err << row.name << " 已写入，读回失败！" << FailureDetail(outcome.failure) << "\n";
    } else {
        err << "写入 " << row.name << " 失败！" << FailureDetail(outcome.failure)
            << (outcome.failure.requestSent ? "（请求已发出，仪表可能已写入）" : "") << "\n";
    }
    std::string unwritten;
    for (std::size_t i = at + 1; i < planned.size(); ++i)
        unwritten += (unwritten.empty() ? "" : "、") + std::string(planned[i].row->name);
    if (!unwritten.empty()) err << "未写入：" << unwritten << "\n";
}

}  // namespace

int RunWrite(const WriteCommand& write, const Console& console) {
    const int kind = MeterKindFor(write.line);
    std::vector<std::string> names;
    for (const Assignment& assignment : write.assignments) names.push_back(assignment.name);
    const auto rows = ParametersNamed(names, kind, console.err);
    if (!rows) return kExitUsage;
    const SerialSettings settings = SettingsFor(write.line);
    auto planned = Plan(write.assignments, *rows, settings, console.err);
    if (!planned) return kExitUsage;

    WriteOutcome outcome;
    LineSession session(settings);
    const RunEnd end = session.Run([&](LineJob& job) { WriteRows(job, *planned, outcome); }, console);
    if (end == RunEnd::Finished && !outcome.opened) return PortFailed(outcome.opened, settings, console.err);
    bool allSame = true;
    for (std::size_t i = 0; i < outcome.written.size(); ++i) {
        const Planned& plan = (*planned)[i];
        const Written& written = outcome.written[i];
        console.out << plan.row->name << " " << plan.row->label << "：写入 " << ValueWithUnit(*plan.row, plan.value)
                    << "，读回 " << ValueWithUnit(*plan.row, written.back) << (written.same ? "" : "（与写入的不符）")
                    << "\n";
        allSame = allSame && written.same;
    }
    if (outcome.opened && outcome.written.size() < planned->size() && outcome.refusal.empty() &&
        IdentifyFailureText(outcome.identified).empty()) {
        PrintFailure(*planned, outcome, console.err);
    }
    if (const auto status = EndedEarly(end, console.err)) return *status;
    if (!outcome.refusal.empty()) {
        console.err << "kelvo-cli：" << outcome.refusal << "\n";
        return kExitUsage;
    }
    if (const std::string why = IdentifyFailureText(outcome.identified); !why.empty()) {
        console.err << why << "\n";
        return kExitNotDone;
    }
    return outcome.written.size() == planned->size() && allSame ? kExitDone : kExitNotDone;
}

}  // namespace kelvo::cli
