// SPDX-License-Identifier: GPL-3.0-or-later
#include "proving/proving_reads.h"

#include <array>

#include "meter/register_maps.h"
#include "meter/shared_parameters.h"
#include "meter/value_format.h"
#include "vocabulary/value_tables.h"

namespace kelvo {
namespace {

namespace live = shared_parameters;

constexpr int kFirstRegister = live::kForwardTotal.reg;
constexpr int kLastRegister = live::kTotalsUnit.reg;
static_assert(live::kFlowUnit.reg > kFirstRegister && live::kFlowUnit.reg + 1 < kLastRegister,
              "the flow unit lies inside the block");
constexpr int kBlockBytes = 2 * (kLastRegister - kFirstRegister + 1);

}  // namespace

TotalReading ForwardTotalOf(const LiveRecord& record) {
    return {.whole = record.S32(live::kForwardTotal.reg),
            .thousandths = record.S32(live::kForwardTotal.reg + 2),
            .unit = record.U16(live::kTotalsUnit.reg)};
}

TotalRead ReadForwardTotal(CDMRJly& link, int byteOrderMode) {
    std::array<std::uint8_t, kBlockBytes> wire{};
    TotalRead out;
    out.read = link.ReadRegisters(kFirstRegister, kBlockBytes, wire.data());
    if (!out.read) return out;
    // Into host order as a polling cycle's registers are, by the rows that lie in the block.
    LiveRecord record;
    PlaceWireBytes(record, kFirstRegister, wire.data(), kBlockBytes,
                   std::array{live::kForwardTotal, live::kFlowUnit, live::kTotalsUnit}, byteOrderMode);
    out.total = ForwardTotalOf(record);
    out.flowUnit = static_cast<int>(DecodeRow(live::kFlowUnit, record, {}).integer);
    return out;
}

DecimalRead ReadDecimalParameter(CDMRJly& link, int meterKind, std::string_view name, const CodecContext& context) {
    DecimalRead out;
    const auto parameter = FindParameter(RegisterMapOf(meterKind).parameters, name);
    if (!parameter || parameter->Bytes() > static_cast<int>(RowBytes{}.size())) {
        out.read = {.failure = LinkFailure::NotOpen};
        return out;
    }
    RowBytes wire{};
    out.read = link.ReadRegisters(static_cast<std::uint16_t>(parameter->reg), static_cast<std::uint16_t>(parameter->Bytes()),
                                  wire.data());
    if (out.read) out.value = DecodeWire(*parameter, wire.data(), context).real;
    return out;
}

LinkResult SendMeterCommand(CDMRJly& link, int meterKind, std::string_view name) {
    for (const MeterCommand& command : RegisterMapOf(meterKind).commands) {
        if (command.name != name) continue;
        const std::array<std::uint8_t, 2> wire = {static_cast<std::uint8_t>(command.value >> 8),
                                                  static_cast<std::uint8_t>(command.value & 0xFF)};
        return link.WriteRegisters(command.reg, 2, wire.data());
    }
    return {.failure = LinkFailure::NotOpen};
}

}  // namespace kelvo
