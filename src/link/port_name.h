// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Short port names and the devices they stand for.

#include <cstddef>
#include <string>
#include <string_view>

#include "settings/settings.h"

namespace kelvo {

// Whether the name fits the characters a stored port name may have (kMaxPortNameLength),
// counted as characters of UTF-8, not as bytes.
inline bool PortNameFits(std::string_view portName) {
    std::size_t characters = 0;
    // Every byte that does not continue a sequence starts a character.
    for (const char c : portName) characters += (static_cast<unsigned char>(c) & 0xC0U) != 0x80U ? 1 : 0;
    return characters <= static_cast<std::size_t>(kMaxPortNameLength);
}

// True for a name that would lead out of the ports folder or /dev ("/" in it, "." or
// ".."), or that a path cannot hold (a zero byte); on Windows also a "\" or a ":", which
// would lead out of the device namespace. Such a name is never opened.
bool PortNameEscapes(std::string_view portName);

// Resolves a short port name to a device path.
// On Linux:
//   <settings folder>/ports/<name> when it exists (a link or a path to a device);
//   COMn -> /dev/ttyS<n-1>, USBn -> /dev/ttyUSBn, ACMn -> /dev/ttyACMn;
//   anything else -> /dev/<name>.
// On Windows: \\.\<name> (COM10 and above are reachable only so); no ports folder.
// Empty for a name that escapes (above).
std::string ResolvePortPath(std::string_view portName);

}  // namespace kelvo
