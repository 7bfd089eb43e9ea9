#include "sim/meter_model.h"

#include <array>
#include <string_view>

#include "sim/meter_defaults.h"

namespace kelvo::sim {
namespace {

enum class Effect { None, ClearFlowTotals, ClearEnergyTotals, FactoryReset };

struct CommandRow {
    int reg;
    std::uint16_t value;
    std::string_view name;
    Effect effect;  // None: the meter only acknowledges (reports and zeroing live inside it)
};

constexpr std::array kCommands = std::to_array<CommandRow>({
    {.reg = 151, .value = 1, .name = "auto zero", .effect = Effect::None},
    {.reg = 152, .value = 1, .name = "clear flow totals", .effect = Effect::ClearFlowTotals},
    {.reg = 260, .value = 1, .name = "clear energy totals", .effect = Effect::ClearEnergyTotals},
    {.reg = 261, .value = 1, .name = "clear reports", .effect = Effect::None},
    {.reg = 262, .value = 1, .name = "clear working hours", .effect = Effect::None},
    {.reg = 262, .value = 2, .name = "clear power-failure records", .effect = Effect::None},
    {.reg = 263, .value = 1, .name = "factory reset", .effect = Effect::FactoryReset},
});

// Totals are zero in every byte order, so the registers are simply cleared.
void ZeroRegisters(RegisterImage& image, int first, int last) {
    for (int reg = first; reg <= last; ++reg) image.SetReg(reg, 0);
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

std::vector<std::string> MeterModel::Write(int start, std::span<const std::uint8_t> wireBytes,
                                           std::time_t hostTime) {
    image_.SetBytes(start, wireBytes);
    const int end = start + static_cast<int>(wireBytes.size() / 2);
    std::vector<std::string> done;
    for (const CommandRow& command : kCommands) {
        if (command.reg < start || command.reg >= end || image_.Reg(command.reg) != command.value) continue;
        done.emplace_back(command.name);
        switch (command.effect) {
            case Effect::None:
                break;
            case Effect::ClearFlowTotals:
                ZeroRegisters(image_, 107, 114);
                break;
            case Effect::ClearEnergyTotals:
                ZeroRegisters(image_, 125, 132);
                break;
            case Effect::FactoryReset:
                Reset(hostTime);
                break;
        }
    }
    return done;
}

}  // namespace kelvo::sim
