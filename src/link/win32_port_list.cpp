// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/win32_port_list.h"

#include <windows.h>
#include <setupapi.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <type_traits>

#include "settings/win32_text.h"

namespace kelvo {
namespace {

constexpr int kHighestComNumber = 256;

// GUID_DEVINTERFACE_COMPORT and GUID_DEVCLASS_PORTS, spelt out: the headers define them
// only in the one file that includes initguid.h first.
constexpr GUID kComPortInterface = {0x86e0d1e0, 0x8089, 0x11d0, {0x9c, 0xe4, 0x08, 0x00, 0x3e, 0x30, 0x1f, 0x73}};
constexpr GUID kPortsClass = {0x4d36e978, 0xe325, 0x11ce, {0xbf, 0xc1, 0x08, 0x00, 0x2b, 0xe1, 0x03, 0x18}};

struct DeviceListCloser {
    void operator()(HDEVINFO list) const { SetupDiDestroyDeviceInfoList(list); }
};
using DeviceList = std::unique_ptr<std::remove_pointer_t<HDEVINFO>, DeviceListCloser>;

struct KeyCloser {
    void operator()(HKEY key) const { RegCloseKey(key); }
};
using RegistryKey = std::unique_ptr<std::remove_pointer_t<HKEY>, KeyCloser>;

// A REG_SZ value without the terminating zeros the registry may or may not hold.
std::optional<std::wstring> TextValue(HKEY key, const wchar_t* name) {
    DWORD type = 0;
    DWORD bytes = 0;
    if (RegQueryValueExW(key, name, nullptr, &type, nullptr, &bytes) != ERROR_SUCCESS || type != REG_SZ) {
        return std::nullopt;
    }
    std::wstring text(bytes / sizeof(wchar_t) + 1, L'\0');
    if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(text.data()), &bytes) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    text.resize(bytes / sizeof(wchar_t));
    while (!text.empty() && text.back() == L'\0') text.pop_back();
    return text;
}

std::wstring DeviceProperty(HDEVINFO list, SP_DEVINFO_DATA& device, DWORD property) {
    wchar_t text[512] = {};
    DWORD type = 0;
    if (!SetupDiGetDeviceRegistryPropertyW(list, &device, property, &type, reinterpret_cast<BYTE*>(text),
                                           sizeof text - sizeof(wchar_t), nullptr) ||
        type != REG_SZ) {
        return {};
    }
    return text;
}

std::string LabelOf(const std::string& name, const std::string& deviceName) {
    if (deviceName.empty()) return name;
    // Most drivers name the port in their friendly name already: "USB-SERIAL CH340 (COM5)".
    if (deviceName.find("(" + name + ")") != std::string::npos) return deviceName;
    return deviceName + " (" + name + ")";
}

void AddPort(std::vector<PresentPort>& ports, const std::string& name, const std::string& deviceName) {
    if (ComNumber(name) == 0) return;
    const auto same = std::find_if(ports.begin(), ports.end(),
                                   [&name](const PresentPort& port) { return ComNumber(port.name) == ComNumber(name); });
    if (same == ports.end()) {
        ports.push_back({name, LabelOf(name, deviceName)});
    } else if (same->label == same->name && !deviceName.empty()) {
        same->label = LabelOf(same->name, deviceName);
    }
}

void AddDevices(std::vector<PresentPort>& ports, const GUID& guid, DWORD flags) {
    // Failures come back as INVALID_HANDLE_VALUE, which no owner may be given to close.
    const HDEVINFO opened = SetupDiGetClassDevsW(&guid, nullptr, nullptr, DIGCF_PRESENT | flags);
    if (opened == INVALID_HANDLE_VALUE) return;
    const DeviceList list(opened);
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof device;
    for (DWORD index = 0; SetupDiEnumDeviceInfo(list.get(), index, &device); ++index) {
        const HKEY deviceKey = SetupDiOpenDevRegKey(list.get(), &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ);
        if (deviceKey == nullptr || deviceKey == INVALID_HANDLE_VALUE) continue;
        const RegistryKey key(deviceKey);
        const std::optional<std::wstring> portName = TextValue(key.get(), L"PortName");
        if (!portName) continue;
        std::wstring deviceName = DeviceProperty(list.get(), device, SPDRP_FRIENDLYNAME);
        if (deviceName.empty()) deviceName = DeviceProperty(list.get(), device, SPDRP_DEVICEDESC);
        AddPort(ports, Utf8FromWide(*portName), Utf8FromWide(deviceName));
    }
}

void AddAnnouncedPorts(std::vector<PresentPort>& ports) {
    HKEY opened = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_READ, &opened) != ERROR_SUCCESS) {
        return;
    }
    const RegistryKey key(opened);
    for (DWORD index = 0;; ++index) {
        wchar_t valueName[256];
        DWORD nameLength = static_cast<DWORD>(std::size(valueName));
        wchar_t data[64] = {};
        DWORD dataBytes = sizeof data - sizeof(wchar_t);
        DWORD type = 0;
        const LONG result = RegEnumValueW(key.get(), index, valueName, &nameLength, nullptr, &type,
                                          reinterpret_cast<BYTE*>(data), &dataBytes);
        if (result == ERROR_NO_MORE_ITEMS) break;
        if (result != ERROR_SUCCESS || type != REG_SZ) continue;
        AddPort(ports, Utf8FromWide(data), {});
    }
}

}  // namespace

int ComNumber(std::string_view name) {
    if (name.size() < 4 || name.size() > 6 || name[3] == '0') return 0;
    for (std::size_t i = 0; i < 3; ++i) {
        if ((name[i] & ~0x20) != "COM"[i]) return 0;
    }
    int number = 0;
    for (char c : name.substr(3)) {
        if (c < '0' || c > '9') return 0;
        number = number * 10 + (c - '0');
    }
    return number <= kHighestComNumber ? number : 0;
}

std::vector<PresentPort> PresentComPorts() {
    std::vector<PresentPort> ports;
    AddDevices(ports, kComPortInterface, DIGCF_DEVICEINTERFACE);
    AddDevices(ports, kPortsClass, 0);
    AddAnnouncedPorts(ports);
    std::sort(ports.begin(), ports.end(),
              [](const PresentPort& a, const PresentPort& b) { return ComNumber(a.name) < ComNumber(b.name); });
    return ports;
}

}  // namespace kelvo
