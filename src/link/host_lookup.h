// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The addresses of the converter's host, looked up once per connection. An address written
// as numbers needs no name server and is taken at once. A name is asked of the system's
// resolver on a thread of its own, so that the stop and the deadline end the wait for a
// name server that does not answer; a lookup given up so finishes on its own thread and
// frees what it holds there (a resolver call cannot be cancelled), nothing of it reaching
// the connection any more.

#include <string>

#include "link/read_deadline.h"
#include "link/tcp_socket.h"

namespace kelvo {

class StopEvent;

struct HostLookup {
    ResolvedHost resolved;
    bool stopped = false;  // the stop ended the wait; resolved says nothing then
};

// `host` as typed (brackets allowed) and checked by CheckHost. A name that has not resolved
// by `deadline` counts as not found.
HostLookup LookUpHost(const std::string& host, int port, PortClock::time_point deadline, const StopEvent* stop);

}  // namespace kelvo
