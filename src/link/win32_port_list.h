// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The COM ports present on a Windows machine, with the names Device Manager shows for
// them, for the serial settings dialog and the meter search. Windows builds only.

#include <string>
#include <string_view>
#include <vector>

namespace kelvo {

struct PresentPort {
    std::string name;   // "COM5": what the settings keep and the port opens
    std::string label;  // "USB-SERIAL CH340 (COM5)"; the name alone when the system has no other
};

// n of "COMn" in any case, for 1 <= n <= 256 (the numbers Windows gives ports); 0 otherwise.
int ComNumber(std::string_view name);

// By number, each port once: every port the device registry lists as present (its friendly
// name from SetupAPI) and every one the serial drivers announce in HARDWARE\DEVICEMAP\SERIALCOMM
// (virtual ports and Wine's mapped ones, which have no device entry).
std::vector<PresentPort> PresentComPorts();

}  // namespace kelvo
