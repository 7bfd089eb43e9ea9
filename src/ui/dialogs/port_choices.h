// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The ports the serial settings dialog and the meter search offer. On Linux: the six
// classic names, the serial devices present on this machine under the short names that
// resolve back to them, and the names the user mapped in <settings folder>/ports/. On
// Windows: the COM ports present. Every name fits the five characters a stored port name
// may have.

#include <string>
#include <string_view>
#include <vector>

namespace kelvo {

// A port as the port boxes offer it: the name the settings keep, and the text the list
// shows. On Windows that is the name Device Manager gives the port ("USB-SERIAL CH340
// (COM5)", from port_choices_win32.cpp); on Linux the name itself.
struct PortChoice {
    std::string name;
    std::string label;
};

// The ports of this machine in the order the boxes list them.
std::vector<PortChoice> PortChoices();

// What a port box shows for a stored port name: its label when the port is listed, else
// the name itself.
inline std::string PortLabelOf(const std::vector<PortChoice>& choices, std::string_view name) {
    for (const PortChoice& choice : choices) {
        if (choice.name == name) return choice.label;
    }
    return std::string(name);
}

// The port name behind what a port box shows: a label of the list stands for its port's
// name; anything else is a name the user typed, taken as it is.
inline std::string PortNameShown(const std::vector<PortChoice>& choices, std::string_view shown) {
    for (const PortChoice& choice : choices) {
        if (choice.label == shown) return choice.name;
    }
    return std::string(shown);
}

#ifndef _WIN32
struct PortChoiceRoots {
    std::string devFolder = "/dev";
    std::string ttyClassFolder = "/sys/class/tty";
    std::string mappedFolder;  // <settings folder>/ports; empty: none
};

// Names in the order the list shows them, without repeats.
std::vector<std::string> SerialPortChoices(const PortChoiceRoots& roots);
// The same for this machine and the current settings folder.
std::vector<std::string> SerialPortChoices();
#endif

}  // namespace kelvo
