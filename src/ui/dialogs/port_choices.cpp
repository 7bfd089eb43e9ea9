// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/dialogs/port_choices.h"

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string_view>
#include <system_error>
#include <tuple>

#include "settings/settings.h"

namespace kelvo {

namespace fs = std::filesystem;

namespace {

constexpr int kClassicComPorts = 6;

// n of "<prefix>n", for device names such as ttyUSB0.
std::optional<int> NumberAfter(std::string_view name, std::string_view prefix) {
    if (!name.starts_with(prefix) || name.size() == prefix.size()) return std::nullopt;
    const std::string_view digits = name.substr(prefix.size());
    int number = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
    if (error != std::errc{} || end != digits.data() + digits.size() || number < 0) return std::nullopt;
    return number;
}

// Every 8250-style port has a device node whether or not a UART sits behind it; the
// driver reports type 0 (unknown) for the empty ones.
bool IsRealUartPort(const PortChoiceRoots& roots, const std::string& ttyName) {
    std::ifstream typeFile(fs::path(roots.ttyClassFolder) / ttyName / "type");
    int type = 0;
    return static_cast<bool>(typeFile >> type) && type != 0;
}

// The short name that resolves back to a device of /dev, or "" when it has none.
std::string ShortNameOf(const PortChoiceRoots& roots, const std::string& deviceName) {
    if (const auto n = NumberAfter(deviceName, "ttyUSB")) return "USB" + std::to_string(*n);
    if (const auto n = NumberAfter(deviceName, "ttyACM")) return "ACM" + std::to_string(*n);
    if (const auto n = NumberAfter(deviceName, "ttyS"); n && IsRealUartPort(roots, deviceName)) {
        std::string com = "COM" + std::to_string(*n + 1);
        return com.size() <= static_cast<std::size_t>(kMaxPortNameLength) ? com : deviceName;
    }
    return {};
}

struct Found {
    int group;       // USB before ACM before ttyS-based names
    int number;
    std::string name;
};

int GroupOf(const std::string& deviceName) {
    if (deviceName.starts_with("ttyUSB")) return 0;
    if (deviceName.starts_with("ttyACM")) return 1;
    return 2;
}

std::vector<std::string> DeviceNames(const PortChoiceRoots& roots) {
    std::vector<Found> found;
    std::error_code error;
    for (fs::directory_iterator it(roots.devFolder, error), end; !error && it != end; it.increment(error)) {
        const std::string deviceName = it->path().filename().string();
        const std::string shortName = ShortNameOf(roots, deviceName);
        if (shortName.empty() || shortName.size() > static_cast<std::size_t>(kMaxPortNameLength)) continue;
        const std::size_t digits = deviceName.find_first_of("0123456789");
        found.push_back({GroupOf(deviceName), NumberAfter(deviceName, deviceName.substr(0, digits)).value_or(0),
                         shortName});
    }
    std::sort(found.begin(), found.end(),
              [](const Found& a, const Found& b) { return std::tie(a.group, a.number) < std::tie(b.group, b.number); });
    std::vector<std::string> names;
    for (const Found& f : found) names.push_back(f.name);
    return names;
}

std::vector<std::string> MappedNames(const PortChoiceRoots& roots) {
    std::vector<std::string> names;
    if (roots.mappedFolder.empty()) return names;
    std::error_code error;
    for (fs::directory_iterator it(roots.mappedFolder, error), end; !error && it != end; it.increment(error)) {
        std::string name = it->path().filename().string();
        if (!name.empty() && name.size() <= static_cast<std::size_t>(kMaxPortNameLength) && name[0] != '.')
            names.push_back(std::move(name));
    }
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace

std::vector<std::string> SerialPortChoices(const PortChoiceRoots& roots) {
    std::vector<std::string> choices;
    const auto add = [&choices](const std::string& name) {
        if (std::find(choices.begin(), choices.end(), name) == choices.end()) choices.push_back(name);
    };
    for (int n = 1; n <= kClassicComPorts; ++n) add("COM" + std::to_string(n));
    for (const std::string& name : DeviceNames(roots)) add(name);
    for (const std::string& name : MappedNames(roots)) add(name);
    return choices;
}

std::vector<std::string> SerialPortChoices() {
    PortChoiceRoots roots;
    roots.mappedFolder = GetSettingsFolder() + "/ports";
    return SerialPortChoices(roots);
}

std::vector<PortChoice> PortChoices() {
    std::vector<PortChoice> choices;
    for (std::string& name : SerialPortChoices()) choices.push_back({name, name});
    return choices;
}

}  // namespace kelvo
