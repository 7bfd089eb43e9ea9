// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Writing a record's parameters to a meter — the one it was read from, or another one set
// up the same way — then reading them back to see that the meter took them.

#include <functional>
#include <string>
#include <vector>

#include "link/modbus_rtu.h"
#include "pages/page_definition.h"
#include "records/meter_reading.h"
#include "records/meter_record.h"

namespace kelvo {

struct RestoreChoice {
    const ParamRow* parameter = nullptr;
    FieldValue value;  // the record's, as the meter means it
    bool selected = false;
    // False when the file's registers cannot be decoded (MeterRecord::Decoded): such a
    // parameter is listed, and a restore that has it ticked writes it not and says so.
    bool decoded = true;
};

// What a restore may write: every parameter the record holds. Without `only`, all are
// chosen but those that belong to one meter (its number, address, line, totals, clock,
// zero point); with it, exactly those it names. `unknown` receives names of `only` that
// the record does not hold.
std::vector<RestoreChoice> RestoreChoices(const MeterRecord& record, const std::vector<std::string>& only,
                                          std::vector<std::string>& unknown);

// A chosen parameter the restore does not write, and why.
struct NotRestored {
    std::string name;
    std::string label;
    std::string reason;

    bool operator==(const NotRestored&) const = default;
};

struct RestoreOutcome {
    MeterReading before;  // the meter as it was; its failure ends the restore before any write
    // Chosen parameters whose recorded value cannot be decoded, or which the meter at hand
    // cannot be given as recorded (the pages' range checks and encoding refuse them).
    std::vector<NotRestored> refused;
    int changes = 0;      // chosen parameters whose registers differ from the meter's
    bool declined = false;
    std::vector<std::string> written;  // acknowledged by the meter
    std::vector<std::string> unsure;   // their request went out but was not acknowledged
    LinkResult writeFailure;
    std::string failedAt;
    std::vector<std::string> verified;    // read back as written
    std::vector<std::string> mismatched;  // read back otherwise
    LinkResult verifyFailure;

    bool Complete() const {
        return before.failure.Good() && !before.unsupported && refused.empty() && !declined && writeFailure.Good() &&
               verifyFailure.Good() && mismatched.empty();
    }
};

// On the open link: reads the meter; asks `confirm` the question of RestoreQuestion (the port
// held meanwhile); writes the changes by the pages' download blocks, 200 ms apart, and
// alone where no block holds them; reads them back. Stops at the first failure.
RestoreOutcome Restore(CDMRJly& link, const SerialSettings& settings, int meterKind,
                       const std::vector<RestoreChoice>& choices,
                       const std::function<bool(const std::string& question)>& confirm,
                       const std::function<void(int, int)>& progress = {});

// The question before writing: how many parameters change, and which chosen ones will not
// be written, and why.
std::string RestoreQuestion(int changes, const std::vector<NotRestored>& refused = {});
// What happened, for a message box or the command line: the main text and the details.
struct RestoreReport {
    std::string text;
    std::string detail;
};
RestoreReport DescribeRestore(const RestoreOutcome& outcome);

}  // namespace kelvo
