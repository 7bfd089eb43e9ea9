// SPDX-License-Identifier: GPL-3.0-or-later
#include "proving/sensor_factor.h"

#include <cmath>

#include "messages/failure_text.h"
#include "meter/register_maps.h"
#include "meter/value_format.h"
#include "meter/value_text.h"
#include "pages/page_session.h"

namespace kelvo {
namespace {

// The sensor factor of the kind's map: the parameter the sensor-factor rows of the pages show.
Parameter SensorFactorOf(int meterKind) {
    return FindParameter(RegisterMapOf(meterKind).parameters, "sensor_factor").value_or(Parameter{});
}
static_assert(FindParameter(generic_map::kParameters, "sensor_factor") &&
              FindParameter(w58_map::kParameters, "sensor_factor"));

std::string FactorText(const Parameter& row, double factor) { return ValueText(row, FieldValue{.real = factor}); }

std::string Number(double value) { return FormatGeneral(value, 15); }

}  // namespace

FactorProposal ProposeSensorFactor(int meterKind, const CodecContext& context, double present, double reference,
                                   double measured) {
    const Parameter row = SensorFactorOf(meterKind);
    FactorProposal proposal;
    proposal.meterKind = meterKind;
    proposal.context = context;
    proposal.present = present;
    proposal.reference = reference;
    proposal.measured = measured;
    proposal.presentText = FactorText(row, present);
    if (!std::isfinite(measured) || measured <= 0) {
        proposal.refusal = "没有测得体积，无法计算新系数。";
        return proposal;
    }
    if (!std::isfinite(reference) || reference <= 0) {
        proposal.refusal = "参考体积必须大于 0。";
        return proposal;
    }
    // To the nearest step the register holds (10^-5; 10^-4 for a generic meter of the
    // legacy encoding), so that what is shown is what is written.
    const double steps = std::pow(10.0, RegisterScale(row, context));
    const double exact = present * reference / measured;
    if (!std::isfinite(exact) || std::fabs(exact * steps) > 9e15) {
        proposal.refusal = "新系数超出仪表能保存的范围。";
        return proposal;
    }
    proposal.proposed = static_cast<double>(std::llround(exact * steps)) / steps;
    proposal.proposedText = FactorText(row, proposal.proposed);
    if (proposal.proposed <= 0) {
        proposal.refusal = "新系数 " + proposal.proposedText + " 不大于 0，不能写入。";
        return proposal;
    }
    RowBytes wire{};
    if (auto refusal = Unsendable(row, FieldValue{.real = proposal.proposed}, context, wire)) {
        proposal.refusal = "新系数 " + proposal.proposedText + " 不能写入：" + *refusal;
    }
    return proposal;
}

std::string FactorFormula(const FactorProposal& proposal) {
    return "新系数 = 原系数 × 参考体积 ÷ 测得体积 = " + proposal.presentText + " × " + Number(proposal.reference) + " ÷ " +
           Number(proposal.measured) + " = " + proposal.proposedText;
}

std::string FactorQuestion(const FactorProposal& proposal) {
    return "将传感器系数由 " + proposal.presentText + " 改为 " + proposal.proposedText + "（" + FactorFormula(proposal) +
           "），写入仪表后读回核对。是否写入？";
}

FactorWrite WriteSensorFactor(CDMRJly& link, const FactorProposal& proposal, Confirmation confirmation) {
    FactorWrite write;
    write.written = {.failure = LinkFailure::NotOpen};
    if (confirmation != Confirmation::Given || !proposal.Writable()) return write;
    const Parameter row = SensorFactorOf(proposal.meterKind);
    const auto bytes = static_cast<std::uint16_t>(row.Bytes());
    RowBytes wire{};
    if (Unsendable(row, FieldValue{.real = proposal.proposed}, proposal.context, wire)) return write;

    // The proposal rests on the factor the meter held: one that has changed since (another
    // program, the meter's own keys) is not written over.
    RowBytes held{};
    write.before = link.ReadRegisters(row.reg, bytes, held.data());
    if (!write.before) return write;
    write.found = DecodeWire(row, held.data(), proposal.context).real;
    if (FactorText(row, *write.found) != proposal.presentText) return write;

    write.attempted = true;
    write.written = link.WriteRegisters(row.reg, bytes, wire.data());
    if (!write.written) return write;
    write.readBack = link.ReadRegisters(row.reg, bytes, held.data());
    if (write.readBack) write.held = DecodeWire(row, held.data(), proposal.context).real;
    return write;
}

FactorReport DescribeFactorWrite(const FactorProposal& proposal, Confirmation confirmation, const FactorWrite& write) {
    const Parameter row = SensorFactorOf(proposal.meterKind);
    if (proposal.refusal) return {"不能写入传感器系数", *proposal.refusal};
    if (confirmation != Confirmation::Given) return {"未确认，没有写入传感器系数", {}};
    if (!write.before) {
        if (write.before.Cancelled()) return {std::string(kWriteCancelledText), "请求未发出，仪表没有写入。"};
        return {"读取传感器系数失败，没有写入", FailureDetail(write.before)};
    }
    if (!write.attempted) {
        return {"仪表的传感器系数已不是 " + proposal.presentText + "，没有写入",
                "仪表现在的传感器系数是 " + FactorText(row, write.found.value_or(0)) + "，请重新核查后再修正。"};
    }
    if (!write.written) {
        const std::string sent = write.written.requestSent ? "请求已发出，仪表可能已写入。" : "请求未发出，仪表没有写入。";
        if (write.written.Cancelled()) return {std::string(kWriteCancelledText), sent};
        return {"写入传感器系数失败", FailureDetail(write.written) + "。" + sent};
    }
    if (!write.readBack) {
        return {"传感器系数已写入，但读回失败", FailureDetail(write.readBack) + "。写入的是 " + proposal.proposedText + "。"};
    }
    const std::string heldText = FactorText(row, *write.held);
    if (heldText != proposal.proposedText) {
        return {"传感器系数已写入，但仪表读回的是 " + heldText, "写入的是 " + proposal.proposedText + "。"};
    }
    return {"传感器系数已由 " + proposal.presentText + " 改为 " + heldText + "（仪表读回）", FactorFormula(proposal), true};
}

}  // namespace kelvo
