// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The serving thread of the simulated meter: collects the master's bytes into frames,
// answers them, paces the answers, and moves the live values once a second.

#include "sim/pseudo_terminal.h"
#include "sim/shared_meter.h"

namespace kelvo::sim {

// Runs until the wake event is signalled.
void ServeMeter(int masterFd, const WakeEvent& wake, SharedMeter& shared);

}  // namespace kelvo::sim
