// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/host_lookup.h"

// getaddrinfo and its addrinfo are the same on both platforms, under other headers.
#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#endif

#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

#include "link/endpoint.h"
#include "link/stop_event.h"

namespace kelvo {
namespace {

// How often the wait for a name looks at the stop.
constexpr std::chrono::milliseconds kStopLook{10};

// What the lookup thread and the waiting connection share; whoever is last frees it.
struct PendingLookup {
    std::mutex mutex;
    std::condition_variable done;
    bool finished = false;
    ResolvedHost resolved;
};

}  // namespace

ResolvedHost ResolveNow(const std::string& host, int port, bool numericOnly) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    hints.ai_flags = AI_NUMERICSERV | (numericOnly ? AI_NUMERICHOST : 0);
    addrinfo* list = nullptr;
    const std::string service = std::to_string(port);
    if (const int status = getaddrinfo(host.c_str(), service.c_str(), &hints, &list); status != 0) {
        return {.error = HostLookupError(status), .addresses = {}};
    }
    ResolvedHost resolved;
    for (const addrinfo* entry = list; entry != nullptr; entry = entry->ai_next) {
        SocketAddress address;
        if (entry->ai_addrlen > address.bytes.size()) continue;
        address.length = entry->ai_addrlen;
        address.family = entry->ai_family;
        std::memcpy(address.bytes.data(), entry->ai_addr, entry->ai_addrlen);
        resolved.addresses.push_back(address);
    }
    freeaddrinfo(list);
    if (resolved.addresses.empty()) resolved.error = PortError::HostNotFound;
    return resolved;
}

HostLookup LookUpHost(const std::string& host, int port, PortClock::time_point deadline, const StopEvent* stop) {
    const std::string bare(BareHost(host));
    ResolvedHost numeric = ResolveNow(bare, port, true);
    if (numeric.error == PortError::None) return {.resolved = std::move(numeric), .stopped = false};

    auto pending = std::make_shared<PendingLookup>();
    std::thread resolver;
    try {
        resolver = std::thread([pending, bare, port] {
            ResolvedHost resolved = ResolveNow(bare, port, false);
            const std::lock_guard lock(pending->mutex);
            pending->resolved = std::move(resolved);
            pending->finished = true;
            pending->done.notify_all();
        });
    } catch (const std::system_error&) {
        return {.resolved = {.error = PortError::NetworkOther, .addresses = {}}, .stopped = false};
    }
    HostLookup lookup{.resolved = {.error = PortError::HostNotFound, .addresses = {}}, .stopped = false};
    {
        std::unique_lock lock(pending->mutex);
        while (!pending->finished) {
            if (stop != nullptr && stop->IsSet()) {
                lookup.stopped = true;
                break;
            }
            if (PortClock::now() >= deadline) break;
            pending->done.wait_for(lock, kStopLook);
        }
        if (pending->finished) lookup.resolved = std::move(pending->resolved);
    }
    if (lookup.resolved.addresses.empty() && !lookup.stopped && lookup.resolved.error == PortError::None) {
        lookup.resolved.error = PortError::HostNotFound;
    }
    // A finished lookup's thread is about to end; one given up ends when the resolver returns.
    if (pending->finished) {
        resolver.join();
    } else {
        resolver.detach();
    }
    return lookup;
}

}  // namespace kelvo
