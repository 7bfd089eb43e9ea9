#pragma once
// The port names the serial settings dialog offers: the six classic names, the serial
// devices present on this machine under the short names that resolve back to them,
// and the names the user mapped in <settings folder>/ports/. Every name fits the
// five characters a stored port name may have.

#include <string>
#include <vector>

namespace kelvo {

struct PortChoiceRoots {
    std::string devFolder = "/dev";
    std::string ttyClassFolder = "/sys/class/tty";
    std::string mappedFolder;  // <settings folder>/ports; empty: none
};

// Names in the order the list shows them, without repeats.
std::vector<std::string> SerialPortChoices(const PortChoiceRoots& roots);
// The same for this machine and the current settings folder.
std::vector<std::string> SerialPortChoices();

}  // namespace kelvo
