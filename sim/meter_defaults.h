// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The register image of a fresh meter of each kind, as constant rows.

#include <cstdint>

#include "sim/meter_simulator.h"
#include "sim/register_image.h"

namespace kelvo::sim {

// Clears the image and fills it with the values of a fresh meter: byte-order mode 1,
// the given own address in register 156, and the meter clock set to clockBytes
// (year - 2000, month, day, hour, minute, second).
void FillDefaultImage(RegisterImage& image, SimMeterKind kind, std::uint8_t address,
                      const std::uint8_t (&clockBytes)[6]);

}  // namespace kelvo::sim
