// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Correcting a meter's sensor factor after verification runs. The meter's reading grows
// with its sensor factor, so the factor that brings its reading to the reference is the
// present one × reference ÷ measured. It is proposed in the steps the register holds and
// refused where the meter would keep another value, by the checks the sensor-factor row
// of the pages makes; it is written only after the technician's yes, with one function
// code 0x10 request as the page's single write sends it, then read back: what the meter
// holds then is what counts. On the line's worker, e.g. between two polling cycles.

#include <optional>
#include <string>

#include "link/modbus_rtu.h"
#include "meter/value_codec.h"

namespace kelvo {

struct FactorProposal {
    int meterKind = 0;
    CodecContext context;  // the byte order of the line, the meter's parameter encoding
    double present = 0;    // the factor the meter holds
    double reference = 0;  // of the runs
    double measured = 0;   // of the runs, in the same unit
    double proposed = 0;   // present × reference ÷ measured, in the steps of the register
    std::string presentText;   // as the page shows them
    std::string proposedText;
    std::optional<std::string> refusal;  // why it cannot be written: nothing is then

    bool Writable() const { return !refusal; }
};

FactorProposal ProposeSensorFactor(int meterKind, const CodecContext& context, double present, double reference,
                                   double measured);

// "新系数 = 原系数 × 参考体积 ÷ 测得体积 = 1 × 100 ÷ 102 = 0.98039"
std::string FactorFormula(const FactorProposal& proposal);
// The question before writing: the formula with both factors.
std::string FactorQuestion(const FactorProposal& proposal);

// The technician's answer to FactorQuestion, which the caller asks before it submits the write.
enum class Confirmation { Declined, Given };

struct FactorWrite {
    LinkResult before;             // the read of the factor the proposal started from
    std::optional<double> found;   // what the meter held then
    LinkResult written;            // NotOpen when no write was made
    LinkResult readBack;
    std::optional<double> held;    // what the meter holds now, read back
    bool attempted = false;        // a write request was made
};

// On the open link: reads the meter's factor and, when it is still the proposal's present
// one, writes the proposed factor and reads it back. Nothing is sent without
// Confirmation::Given or for a refused proposal; nothing is written over a factor that has
// changed since the proposal.
FactorWrite WriteSensorFactor(CDMRJly& link, const FactorProposal& proposal, Confirmation confirmation);

struct FactorReport {
    std::string text;
    std::string detail;
    bool holdsProposed = false;  // the meter read back the proposed factor
};
FactorReport DescribeFactorWrite(const FactorProposal& proposal, Confirmation confirmation, const FactorWrite& write);

}  // namespace kelvo
