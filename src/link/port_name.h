#pragma once
// Short port names and the devices they stand for.

#include <string>
#include <string_view>

namespace kelvo {

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
