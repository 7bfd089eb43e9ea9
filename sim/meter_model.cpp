// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/meter_model.h"

#include <array>
#include <string_view>

#include "meter/meter_identity.h"
#include "meter/register_maps.h"
#include "settings/settings.h"
#include "sim/meter_defaults.h"

namespace kelvo::sim {
namespace {

enum class Effect { None, AutoZero, ClearFlowTotals, ClearEnergyTotals, FactoryReset };

// What the meter does for each command of its map, and the name its log gives it.
struct CommandEffect {
    std::string_view command;  // in the register map
    std::string_view logName;
    Effect effect;  // None: the meter only acknowledges (its reports live inside it)
};

constexpr std::array kEffects = std::to_array<CommandEffect>({
    {.command = "auto_zero", .logName = "auto zero", .effect = Effect::AutoZero},
    {.command = "clear_totals", .logName = "clear flow totals", .effect = Effect::ClearFlowTotals},
    {.command = "clear_flow_totals", .logName = "clear flow totals", .effect = Effect::ClearFlowTotals},
    {.command = "clear_energy_totals", .logName = "clear energy totals", .effect = Effect::ClearEnergyTotals},
    {.command = "clear_reports", .logName = "clear reports", .effect = Effect::None},
    {.command = "clear_working_hours", .logName = "clear working hours", .effect = Effect::None},
    {.command = "clear_power_failure_records", .logName = "clear power-failure records", .effect = Effect::None},
    {.command = "factory_reset", .logName = "factory reset", .effect = Effect::FactoryReset},
});

const CommandEffect* EffectOf(std::string_view command) {
    for (const CommandEffect& effect : kEffects) {
        if (effect.command == command) return &effect;
    }
    return nullptr;
}

// Totals are zero in every byte order, so their registers are simply cleared.
void ZeroTotal(RegisterImage& image, const Parameter& total) {
    for (int reg = total.reg; reg <= total.LastRegister(); ++reg) image.SetReg(reg, 0);
}

}  // namespace

MeterModel::MeterModel(SimMeterKind kind, std::uint8_t address) : kind_(kind), address_(address) {
    Reset(std::time(nullptr));
}

void MeterModel::Reset(std::time_t hostTime) {
    std::uint8_t clock[6];
    ClockBytesAt(hostTime, clock);
    FillDefaultImage(image_, kind_, address_, clock);
    motion_.Rebase(image_, hostTime);
}

void MeterModel::SetParamEncoding(int paramEncoding) {
    // The generic meter keeps its factor in ten-thousandths where its encoding is the legacy one.
    const bool legacyFactor = kind_ == SimMeterKind::Generic && paramEncoding == kEncodingLegacy;
    motion_.SetFactorDecimals(legacyFactor ? 4 : 5);
}

double MeterModel::TrueVolume() const { return motion_.TrueVolume(image_); }

std::vector<std::string> MeterModel::Write(int start, std::span<const std::uint8_t> wireBytes,
                                           std::time_t hostTime) {
    image_.SetBytes(start, wireBytes);
    const int end = start + static_cast<int>(wireBytes.size() / 2);
    std::vector<std::string> done;
    const RegisterMap& map = RegisterMapOf(kind_ == SimMeterKind::W58 ? kW58Meter : kGenericMeter);
    for (const MeterCommand& command : map.commands) {
        const CommandEffect* effect = EffectOf(command.name);
        if (effect == nullptr || command.reg < start || command.reg >= end || image_.Reg(command.reg) != command.value) {
            continue;
        }
        done.emplace_back(effect->logName);
        switch (effect->effect) {
            case Effect::None:
                break;
            case Effect::AutoZero:
                motion_.AutoZero(image_);
                break;
            case Effect::ClearFlowTotals:
                ZeroTotal(image_, shared_parameters::kForwardTotal);
                ZeroTotal(image_, shared_parameters::kReverseTotal);
                break;
            case Effect::ClearEnergyTotals:
                ZeroTotal(image_, shared_parameters::kHeatTotal);
                ZeroTotal(image_, shared_parameters::kColdTotal);
                break;
            case Effect::FactoryReset:
                Reset(hostTime);
                break;
        }
    }
    return done;
}

}  // namespace kelvo::sim
