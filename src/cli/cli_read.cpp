// SPDX-License-Identifier: GPL-3.0-or-later
// kelvo-cli read: named parameters of the meter, one read request each, as a page's read
// button reads them.

#include <ostream>

#include "cli/cli_line.h"
#include "cli/cli_parameters.h"
#include "cli/cli_run.h"
#include "messages/failure_text.h"

namespace kelvo::cli {
namespace {

struct ReadOutcome {
    LinkResult opened{.failure = LinkFailure::NotOpen};  // until the job has opened it
    IdentificationRead identified;
    std::vector<FieldValue> values;  // of the rows read, in order
    LinkResult failure;              // of the row after them
};

void ReadRows(LineJob& job, const std::vector<const ParamRow*>& rows, ReadOutcome& outcome) {
    CDMRJly& link = job.Link();
    outcome.opened = link.OpenPort(job.Settings());
    if (!outcome.opened) return;
    CodecContext context{.byteOrderMode = job.Settings().byteOrderMode};
    if (AnyDependsOnEncoding(rows)) {
        outcome.identified = ReadIdentification(link);
        if (!outcome.identified.result || outcome.identified.Unsupported()) return;
        context.paramEncoding = outcome.identified.identity.paramEncoding;
    }
    for (const ParamRow* row : rows) {
        RowBytes wire{};
        outcome.failure = link.ReadRegisters(row->reg, static_cast<std::uint16_t>(row->Bytes()), wire.data());
        if (!outcome.failure) return;
        outcome.values.push_back(DecodeWire(*row, wire.data(), context));
    }
}

}  // namespace

int RunRead(const ReadCommand& read, const Console& console) {
    const int kind = MeterKindFor(read.line);
    const auto rows = ParametersNamed(read.names, kind, console.err);
    if (!rows) return kExitUsage;
    const SerialSettings settings = SettingsFor(read.line);
    ReadOutcome outcome;
    LineSession session(settings);
    const RunEnd end = session.Run([&](LineJob& job) { ReadRows(job, *rows, outcome); }, console);
    if (end == RunEnd::Finished && !outcome.opened) return PortFailed(outcome.opened, settings, console.err);
    for (std::size_t i = 0; i < outcome.values.size(); ++i) {
        const ParamRow& row = *(*rows)[i];
        console.out << row.name << " " << row.label << " = " << ValueWithUnit(row, outcome.values[i]) << "\n";
    }
    if (const auto status = EndedEarly(end, console.err)) return *status;
    if (const std::string why = IdentifyFailureText(outcome.identified); !why.empty()) {
        console.err << why << "\n";
        return kExitNotDone;
    }
    if (outcome.values.size() < rows->size()) {
        console.err << "读取 " << (*rows)[outcome.values.size()]->name << " 失败！" << FailureDetail(outcome.failure)
                    << "\n";
        return kExitNotDone;
    }
    return kExitDone;
}

}  // namespace kelvo::cli
