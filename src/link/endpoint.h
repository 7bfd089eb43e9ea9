// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Where the meter is reached: a serial port with its line settings, or a serial-to-Ethernet
// converter by its host and TCP port with the framing it speaks. The stored settings choose
// one; the link opens the transport that serves it, and nothing above the link asks which.

#include <optional>
#include <string>
#include <string_view>

#include "settings/settings.h"

namespace kelvo {

enum class LinkType {
    Serial,      // a port of this computer
    RtuOverTcp,  // a serial server passing the RTU frames through unchanged
    ModbusTcp,   // a gateway: MBAP frames on the network, RTU on its serial side
};

struct Endpoint {
    LinkType type = LinkType::Serial;
    // The serial line; over the network the converter's own settings decide the rate and
    // parity, and the rate only estimates how long the meter's side of it takes.
    std::string portName;
    int baudRate = 9600;
    int parity = 0;
    // The converter: the host as typed (brackets around an IPv6 address allowed).
    std::string host;
    int tcpPort = 0;
    int answerTimeoutMs = kDefaultNetTimeoutMs;

    bool Network() const { return type != LinkType::Serial; }
};

// A stored kind outside the three counts as serial, as a file without the key does.
LinkType LinkTypeOf(int stored);
int StoredLinkType(LinkType type);
Endpoint EndpointOf(const SerialSettings& settings);

// "COM3", "192.168.1.20:4001", "[fe80::1]:502": where the meter was sought, for messages.
std::string EndpointText(const Endpoint& endpoint);

enum class HostProblem {
    None,
    Empty,
    TooLong,       // more than kMaxHostLength characters
    BadCharacter,  // a blank, a control character, or anything no name or address holds
    BadBrackets,   // "[" and "]" only around an IPv6 address, both or neither
};
// Whether `host` can be a host name, an IPv4 address or an IPv6 address (in brackets or
// not). It says nothing of whether the host exists.
HostProblem CheckHost(std::string_view host);
// The host as the resolver takes it: without the brackets of an IPv6 address.
std::string_view BareHost(std::string_view host);

struct HostAndPort {
    std::string host;
    int port = 0;
    bool operator==(const HostAndPort&) const = default;
};
// "HOST:PORT", "[v6::literal]:PORT" (kelvo-cli's --tcp and --modbus-tcp); nullopt for a
// host CheckHost refuses, a port outside 1..65535 or a bare IPv6 address, whose last colon
// cannot be told from the port's.
std::optional<HostAndPort> ParseHostAndPort(std::string_view text);

}  // namespace kelvo
