// SPDX-License-Identifier: GPL-3.0-or-later
#include "proving/proving_reads.h"

#include <array>

#include "link/byte_order.h"
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

const std::uint8_t* At(const std::array<std::uint8_t, kBlockBytes>& block, int reg) {
    return block.data() + 2 * (reg - kFirstRegister);
}

std::int32_t S32At(const std::array<std::uint8_t, kBlockBytes>& block, int reg, int byteOrderMode) {
    std::array<std::uint8_t, 4> host{};
    std::copy_n(At(block, reg), 4, host.begin());
    Reorder32(host.data(), byteOrderMode);
    return static_cast<std::int32_t>(LoadU32(host.data()));
}

int U16At(const std::array<std::uint8_t, kBlockBytes>& block, int reg) {
    const std::uint8_t* place = At(block, reg);
    return place[0] << 8 | place[1];
}

}  // namespace

TotalRead ReadForwardTotal(CDMRJly& link, int byteOrderMode) {
    std::array<std::uint8_t, kBlockBytes> block{};
    TotalRead out;
    out.read = link.ReadRegisters(kFirstRegister, kBlockBytes, block.data());
    if (!out.read) return out;
    out.total.whole = S32At(block, live::kForwardTotal.reg, byteOrderMode);
    out.total.thousandths = S32At(block, live::kForwardTotal.reg + 2, byteOrderMode);
    out.total.unit = U16At(block, live::kTotalsUnit.reg);
    out.flowUnit = U16At(block, live::kFlowUnit.reg) * static_cast<int>(TimeUnits.size()) +
                   U16At(block, live::kFlowUnit.reg + 1);
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
