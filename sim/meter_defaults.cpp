#include "sim/meter_defaults.h"

#include <array>
#include <span>

#include "link/byte_order.h"

namespace kelvo::sim {
namespace {

enum class Cell { U16, S16, U32, S32, Float, Total, Digits };

struct DefaultRow {
    int reg;
    Cell cell;
    double value;  // for U32/S32 the register value itself, already scaled
};

// Values shared by both kinds: the live block and every parameter a page can read.
// Scaled parameters carry the register value; the comment gives what a page shows.
constexpr std::array kCommonRows = std::to_array<DefaultRow>({
    {.reg = 99, .cell = Cell::Float, .value = 12.5},      // flow, m3/h
    {.reg = 101, .cell = Cell::Float, .value = 0.0},      // velocity: follows the flow
    {.reg = 103, .cell = Cell::Float, .value = 0.0},      // percentage: follows the flow
    {.reg = 105, .cell = Cell::Float, .value = 0.85},     // MT value
    {.reg = 107, .cell = Cell::Total, .value = 1234.567},  // forward total
    {.reg = 111, .cell = Cell::Total, .value = 12.345},   // reverse total
    {.reg = 115, .cell = Cell::U16, .value = 1},          // m3
    {.reg = 116, .cell = Cell::U16, .value = 2},          // /h
    {.reg = 117, .cell = Cell::U16, .value = 1},          // totals in m3
    {.reg = 118, .cell = Cell::U16, .value = 0},          // no alarm
    {.reg = 119, .cell = Cell::Float, .value = 0.0},      // heat power: follows flow and temperatures
    {.reg = 121, .cell = Cell::Float, .value = 65.3},     // supply temperature, °C
    {.reg = 123, .cell = Cell::Float, .value = 48.7},     // return temperature, °C
    {.reg = 125, .cell = Cell::Total, .value = 5678.901},  // heat total
    {.reg = 129, .cell = Cell::Total, .value = 23.456},   // cold total
    {.reg = 133, .cell = Cell::U16, .value = 0},          // kW
    {.reg = 134, .cell = Cell::U16, .value = 0},          // kWh
    {.reg = 139, .cell = Cell::U32, .value = 200000},     // flow range 20.0: the 12.5 m3/h flow is 62.5 %
    {.reg = 141, .cell = Cell::U16, .value = 10},         // cutoff 1.0
    {.reg = 142, .cell = Cell::U16, .value = 4},          // time constant
    {.reg = 147, .cell = Cell::S32, .value = 100000},     // sensor factor 1.0
    {.reg = 149, .cell = Cell::U16, .value = 10},         // DN25
    {.reg = 150, .cell = Cell::U16, .value = 0},          // forward
    {.reg = 153, .cell = Cell::U16, .value = 1},          // empty-pipe detection on
    {.reg = 154, .cell = Cell::U16, .value = 30},         // empty-pipe threshold
    {.reg = 155, .cell = Cell::U16, .value = 0},          // reverse output off
    {.reg = 157, .cell = Cell::U16, .value = 3},          // 9600 baud
    {.reg = 158, .cell = Cell::U16, .value = 0},          // flow correction off
    {.reg = 159, .cell = Cell::U32, .value = 500},        // correction point 1: 0.5 m/s
    {.reg = 161, .cell = Cell::U32, .value = 10000},      // factor 1: 1.0
    {.reg = 163, .cell = Cell::U32, .value = 1000},       // point 2: 1.0 m/s
    {.reg = 165, .cell = Cell::U32, .value = 10000},
    {.reg = 167, .cell = Cell::U32, .value = 2000},       // point 3: 2.0 m/s
    {.reg = 169, .cell = Cell::U32, .value = 10000},
    {.reg = 171, .cell = Cell::U32, .value = 5000},       // point 4: 5.0 m/s
    {.reg = 173, .cell = Cell::U32, .value = 10000},
    {.reg = 175, .cell = Cell::U32, .value = 1000},       // fluid density 1.0 g/cm3
    {.reg = 177, .cell = Cell::U16, .value = 0},          // measuring direction forward
    {.reg = 178, .cell = Cell::U16, .value = 0},          // spike suppression off
    {.reg = 180, .cell = Cell::U16, .value = 2},          // spike suppression time, s
    {.reg = 185, .cell = Cell::U16, .value = 0},          // frequency output
    {.reg = 186, .cell = Cell::U16, .value = 0},          // transistor low
    {.reg = 187, .cell = Cell::U32, .value = 20000},      // frequency upper limit 2000 Hz
    {.reg = 189, .cell = Cell::U32, .value = 1000},       // flow pulse equivalent 1.0 L/P
    {.reg = 191, .cell = Cell::U16, .value = 0},          // pulse width 200 ms
    {.reg = 192, .cell = Cell::U16, .value = 0},          // relay 1 ...
    {.reg = 193, .cell = Cell::U16, .value = 0},
    {.reg = 194, .cell = Cell::U16, .value = 0},
    {.reg = 195, .cell = Cell::U16, .value = 0},
    {.reg = 196, .cell = Cell::U16, .value = 0},          // alarm off
    {.reg = 197, .cell = Cell::U16, .value = 1000},       // alarm upper limit 100.0 %
    {.reg = 198, .cell = Cell::U16, .value = 50},         // alarm lower limit 5.0 %
    {.reg = 199, .cell = Cell::U16, .value = 20},         // alarm hysteresis 2.0 %
    {.reg = 203, .cell = Cell::U16, .value = 0},          // no parity
    {.reg = 223, .cell = Cell::U16, .value = 3000},       // empty-pipe upper limit
    {.reg = 224, .cell = Cell::U16, .value = 500},        // empty-pipe lower limit
    {.reg = 225, .cell = Cell::Digits, .value = 12345678},  // meter number
    {.reg = 237, .cell = Cell::U16, .value = 1},          // excitation 6.25 Hz
    {.reg = 243, .cell = Cell::U32, .value = 5000000},    // power upper limit 500 kW
    {.reg = 245, .cell = Cell::U16, .value = 0},          // working mode automatic
    {.reg = 246, .cell = Cell::U16, .value = 5},          // temperature damping, s
    {.reg = 248, .cell = Cell::U16, .value = 0},          // flow pulses
    {.reg = 249, .cell = Cell::U32, .value = 1000},       // energy pulse equivalent 1.0 kWh/P
    {.reg = 251, .cell = Cell::U16, .value = 0},          // water
    {.reg = 252, .cell = Cell::U16, .value = 1},          // 1.6 MPa
    {.reg = 253, .cell = Cell::U32, .value = 418},        // specific heat 4.18 kJ/(kg·K)
    {.reg = 255, .cell = Cell::U32, .value = 100000},     // density 1000 kg/m3
    {.reg = 257, .cell = Cell::U16, .value = 500},        // small temperature difference 0.5 K
    {.reg = 258, .cell = Cell::S16, .value = 0},          // supply compensation
    {.reg = 259, .cell = Cell::S16, .value = -1},         // return compensation -0.1 °C
    {.reg = 264, .cell = Cell::U16, .value = 5},          // inertial filter threshold 0.5 m/s
    {.reg = 265, .cell = Cell::U16, .value = 0},          // passive pulses
    {.reg = 266, .cell = Cell::U32, .value = 1250},       // excitation current 125.0 mA
    {.reg = 268, .cell = Cell::U16, .value = 0},          // 50 Hz mains
    {.reg = 272, .cell = Cell::U16, .value = 3},          // inertial filter time, s
    {.reg = 277, .cell = Cell::U32, .value = 10000},      // velocity upper limit 10.0 m/s
    {.reg = 279, .cell = Cell::U16, .value = 800},        // spike coefficient 0.8 m/s
    {.reg = 280, .cell = Cell::U16, .value = 0},          // forward total shown
    {.reg = 281, .cell = Cell::U16, .value = 0},          // relay 2 ...
    {.reg = 282, .cell = Cell::U16, .value = 0},
    {.reg = 283, .cell = Cell::U16, .value = 0},
    {.reg = 284, .cell = Cell::U16, .value = 0},
    {.reg = 285, .cell = Cell::U16, .value = 10},         // empty-pipe hysteresis
    {.reg = 286, .cell = Cell::U16, .value = 0},          // density of the supply temperature
    {.reg = 321, .cell = Cell::U32, .value = 100000},     // converter factor 1.0
    {.reg = 323, .cell = Cell::S32, .value = 25},         // zero correction 0.0025 m/s
    {.reg = 327, .cell = Cell::S32, .value = -1234},      // zero point -1.234 mV
    {.reg = 331, .cell = Cell::U32, .value = 500},        // start-up flow 0.05
    {.reg = 333, .cell = Cell::U16, .value = 3},          // empty-pipe decision count
});

// Where a generic meter differs: a DN50 sensor (current diameter encoding) with a
// range to match.
constexpr std::array kGenericRows = std::to_array<DefaultRow>({
    {.reg = 139, .cell = Cell::U32, .value = 350000},  // flow range 35.0
    {.reg = 149, .cell = Cell::U16, .value = 13},      // DN50
    {.reg = 141, .cell = Cell::U16, .value = 5},       // cutoff 0.5
});

void Apply(RegisterImage& image, std::span<const DefaultRow> rows) {
    for (const DefaultRow& row : rows) {
        switch (row.cell) {
            case Cell::U16:
                image.SetReg(row.reg, static_cast<std::uint16_t>(row.value));
                break;
            case Cell::S16:
                image.SetReg(row.reg, static_cast<std::uint16_t>(static_cast<std::int16_t>(row.value)));
                break;
            case Cell::U32:
                image.SetReg32(row.reg, static_cast<std::uint32_t>(row.value));
                break;
            case Cell::S32:
                image.SetReg32(row.reg, static_cast<std::uint32_t>(static_cast<std::int32_t>(row.value)));
                break;
            case Cell::Float:
                image.SetFloat(row.reg, static_cast<float>(row.value));
                break;
            case Cell::Total:
                image.SetTotal(row.reg, row.value);
                break;
            case Cell::Digits: {
                std::uint8_t digits[8];
                NumberToDigits(static_cast<std::uint32_t>(row.value), digits);
                image.SetBytes(row.reg, digits);
                break;
            }
        }
    }
}

}  // namespace

void FillDefaultImage(RegisterImage& image, SimMeterKind kind, std::uint8_t address,
                      const std::uint8_t (&clockBytes)[6]) {
    image.Clear();
    // Every 32-bit row below is stored in this mode, so it goes in first.
    image.SetReg(kByteOrderRegister, 1);
    Apply(image, kCommonRows);
    if (kind == SimMeterKind::Generic) Apply(image, kGenericRows);
    image.SetReg(156, address);
    image.SetBytes(273, clockBytes);
}

}  // namespace kelvo::sim
