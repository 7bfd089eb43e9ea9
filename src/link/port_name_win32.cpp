// SPDX-License-Identifier: GPL-3.0-or-later
// The Windows side of port_name.h: every port is a device of the \\.\ namespace.

#include "link/port_name.h"

namespace kelvo {

bool PortNameEscapes(std::string_view portName) {
    return portName == "." || portName == ".." ||
           portName.find_first_of(std::string_view("/\\:\0", 4)) != std::string_view::npos;
}

std::string ResolvePortPath(std::string_view portName) {
    if (PortNameEscapes(portName)) return {};
    return "\\\\.\\" + std::string(portName);
}

}  // namespace kelvo
