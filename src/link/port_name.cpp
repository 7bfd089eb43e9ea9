// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/port_name.h"

#include <cctype>
#include <filesystem>
#include <system_error>

#include "settings/settings.h"

namespace kelvo {
namespace {

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (std::toupper(static_cast<unsigned char>(text[i])) != prefix[i]) return false;
    }
    return true;
}

// The number after a known prefix, or -1 when the rest is not all digits.
int NumberAfter(std::string_view name, std::string_view prefix) {
    if (!StartsWithNoCase(name, prefix) || name.size() == prefix.size()) return -1;
    const std::string_view digits = name.substr(prefix.size());
    // Far more digits than a stored name can hold; also keeps the number within an int.
    if (digits.size() > 6) return -1;
    int number = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') return -1;
        number = number * 10 + (c - '0');
    }
    return number;
}

}  // namespace

bool PortNameEscapes(std::string_view portName) {
    return portName == "." || portName == ".." || portName.find_first_of(std::string_view("/\0", 2)) != std::string_view::npos;
}

std::string ResolvePortPath(std::string_view portName) {
    if (PortNameEscapes(portName)) return {};
    const std::string name(portName);
    // A mapping is used even when its target is missing: falling back to a built-in
    // name would talk to some other device behind the user's back.
    const std::filesystem::path mapped = std::filesystem::path(GetSettingsFolder()) / "ports" / name;
    std::error_code error;
    if (!name.empty() && std::filesystem::exists(std::filesystem::symlink_status(mapped, error))) {
        return mapped.string();
    }
    if (const int n = NumberAfter(portName, "COM"); n >= 1) return "/dev/ttyS" + std::to_string(n - 1);
    if (const int n = NumberAfter(portName, "USB"); n >= 0) return "/dev/ttyUSB" + std::to_string(n);
    if (const int n = NumberAfter(portName, "ACM"); n >= 0) return "/dev/ttyACM" + std::to_string(n);
    return "/dev/" + name;
}

}  // namespace kelvo
