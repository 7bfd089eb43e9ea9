// SPDX-License-Identifier: GPL-3.0-or-later
// The Windows side of port_choices.h: the COM ports present, under the names Device
// Manager shows, and only those the settings can keep (up to COM99: five characters).

#include "ui/dialogs/port_choices.h"

#include "link/win32_port_list.h"
#include "settings/settings.h"

namespace kelvo {

std::vector<PortChoice> PortChoices() {
    std::vector<PortChoice> choices;
    for (PresentPort& port : PresentComPorts()) {
        if (port.name.size() <= static_cast<std::size_t>(kMaxPortNameLength)) {
            choices.push_back({std::move(port.name), std::move(port.label)});
        }
    }
    return choices;
}

}  // namespace kelvo
