#include "link/host_lookup.h"

#include <condition_variable>
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
