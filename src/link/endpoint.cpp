// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/endpoint.h"

#include <algorithm>
#include <charconv>

namespace kelvo {
namespace {

bool IsAsciiLetterOrDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsHexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

// Letters, digits, "-" and "_" (which some hosts files use) between the dots.
bool IsNameCharacter(char c) { return IsAsciiLetterOrDigit(c) || c == '-' || c == '_' || c == '.'; }

// Hex groups, colons, an IPv4 tail's dots, and after a "%" the zone (an interface name or number).
HostProblem CheckIpv6(std::string_view text) {
    const std::size_t percent = text.find('%');
    const std::string_view address = text.substr(0, percent);
    if (address.find(':') == std::string_view::npos) return HostProblem::BadCharacter;
    if (!std::all_of(address.begin(), address.end(), [](char c) { return IsHexDigit(c) || c == ':' || c == '.'; })) {
        return HostProblem::BadCharacter;
    }
    if (percent == std::string_view::npos) return HostProblem::None;
    const std::string_view zone = text.substr(percent + 1);
    if (zone.empty() || !std::all_of(zone.begin(), zone.end(), IsNameCharacter)) return HostProblem::BadCharacter;
    return HostProblem::None;
}

}  // namespace

LinkType LinkTypeOf(int stored) {
    switch (stored) {
        case kLinkRtuOverTcp:
            return LinkType::RtuOverTcp;
        case kLinkModbusTcp:
            return LinkType::ModbusTcp;
        default:
            return LinkType::Serial;
    }
}

int StoredLinkType(LinkType type) {
    switch (type) {
        case LinkType::RtuOverTcp:
            return kLinkRtuOverTcp;
        case LinkType::ModbusTcp:
            return kLinkModbusTcp;
        case LinkType::Serial:
            break;
    }
    return kLinkSerial;
}

Endpoint EndpointOf(const SerialSettings& settings) {
    return {.type = LinkTypeOf(settings.linkType),
            .portName = settings.portName,
            .baudRate = settings.baudRate,
            .parity = settings.parity,
            .host = settings.host,
            .tcpPort = settings.tcpPort,
            .answerTimeoutMs = settings.netTimeoutMs};
}

std::string EndpointText(const Endpoint& endpoint) {
    if (!endpoint.Network()) return endpoint.portName;
    const bool bareIpv6 = !endpoint.host.empty() && endpoint.host.find(':') != std::string::npos && endpoint.host.front() != '[';
    const std::string host = bareIpv6 ? "[" + endpoint.host + "]" : endpoint.host;
    return host + ":" + std::to_string(endpoint.tcpPort);
}

HostProblem CheckHost(std::string_view host) {
    if (host.empty()) return HostProblem::Empty;
    if (host.size() > static_cast<std::size_t>(kMaxHostLength)) return HostProblem::TooLong;
    if (std::any_of(host.begin(), host.end(), [](char c) {
            const auto byte = static_cast<unsigned char>(c);
            return byte <= ' ' || byte >= 0x7F;
        })) {
        return HostProblem::BadCharacter;
    }
    const bool opens = host.front() == '[';
    const bool closes = host.back() == ']';
    if (opens != closes) return HostProblem::BadBrackets;
    const std::string_view inner = BareHost(host);
    if (inner.find_first_of("[]") != std::string_view::npos) return HostProblem::BadBrackets;
    if (inner.find(':') != std::string_view::npos) return CheckIpv6(inner);
    if (opens) return HostProblem::BadBrackets;  // brackets around a name or an IPv4 address
    if (!std::all_of(inner.begin(), inner.end(), IsNameCharacter)) return HostProblem::BadCharacter;
    // A label is never empty: no leading dot, no two dots in a row. A trailing dot is the
    // root, which resolvers accept.
    if (inner.front() == '.' || inner.find("..") != std::string_view::npos) return HostProblem::BadCharacter;
    return HostProblem::None;
}

std::string_view BareHost(std::string_view host) {
    if (host.size() >= 2 && host.front() == '[' && host.back() == ']') return host.substr(1, host.size() - 2);
    return host;
}

std::optional<HostAndPort> ParseHostAndPort(std::string_view text) {
    const std::size_t colon = text.rfind(':');
    if (colon == std::string_view::npos) return std::nullopt;
    const std::string_view host = text.substr(0, colon);
    const std::string_view port = text.substr(colon + 1);
    // "fe80::1:502" could be either; only the brackets say where the address ends.
    if (host.find(':') != std::string_view::npos && host.front() != '[') return std::nullopt;
    if (CheckHost(host) != HostProblem::None) return std::nullopt;
    int number = 0;
    const auto [end, error] = std::from_chars(port.data(), port.data() + port.size(), number);
    if (port.empty() || error != std::errc{} || end != port.data() + port.size() || number < 1 || number > 65535) {
        return std::nullopt;
    }
    return HostAndPort{.host = std::string(host), .port = number};
}

}  // namespace kelvo
