// SPDX-License-Identifier: GPL-3.0-or-later
#include <array>

#include "link/transport.h"

namespace kelvo {
namespace {

struct BaudTimeouts {
    int baudRate;
    ReadTimeouts timeouts;
};

// The meter answers within these gaps at each rate; an unknown rate waits the whole
// fixed total because no gap can be trusted.
constexpr std::array<BaudTimeouts, 8> kBaudTimeoutTable = {{
    {1200, {400, 10000}},
    {2400, {300, 6400}},
    {4800, {200, 3200}},
    {9600, {100, 1600}},
    {19200, {20, 800}},
    {38400, {20, 400}},
    {57600, {10, 200}},
    {115200, {10, 100}},
}};
constexpr ReadTimeouts kOtherBaudTimeouts = {-1, 500};

}  // namespace

ReadTimeouts TimeoutsForBaud(int baudRate) {
    for (const auto& row : kBaudTimeoutTable) {
        if (row.baudRate == baudRate) return row.timeouts;
    }
    return kOtherBaudTimeouts;
}

}  // namespace kelvo
