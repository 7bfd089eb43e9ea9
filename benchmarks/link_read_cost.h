// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What one live-value read costs at 9600 baud on an open link, against what the line and the
// link's own waits demand at the least: the pause after the request and the answer on the
// wire, which overlap (the meter starts its answer while the link pauses), then the
// interval timeout that ends every read. The pseudo-terminal carries the request at once,
// so its wire time is no part of that floor; on a real line it only adds. A read can then
// not be quicker than its floor: the ratio stays at or above 1. link_read_benchmark (Linux,
// the in-process simulated meter) and win32_link_read_benchmark (Windows, a kelvo-meter-sim
// behind a COM port) measure the same read this way.

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdint>
#include <cstdio>

#include "link/modbus_rtu.h"
#include "link/transport.h"
#include "messages/failure_text.h"

namespace kelvo::bench {

inline constexpr int kReadBaud = 9600;
inline constexpr int kReadBitsPerByte = 10;  // start bit, 8 data bits, stop bit
inline constexpr std::uint16_t kReadFirstRegister = 99;  // the live block starts with the flow
inline constexpr int kReadRegisters = 100;

// Reads `reads` times after one read that is not measured (the far end's start-up), prints
// the measured and the demanded time per read and last "overhead ratio X.XXX". Returns the
// ratio (measured / demanded), or a negative number when a read failed (said on stderr).
inline double MeasureLiveReads(CDMRJly& link, int reads, const char* where) {
    constexpr int kRequestBytes = 8;
    constexpr int kAnswerBytes = 5 + 2 * kReadRegisters;  // address, function, count, data, CRC
    constexpr std::uint16_t kBlockBytes = 2 * kReadRegisters;
    const auto wireMs = [](int bytes) { return 1000.0 * bytes * kReadBitsPerByte / kReadBaud; };

    std::array<std::uint8_t, kBlockBytes> block{};
    if (const LinkResult read = link.ReadRegisters(kReadFirstRegister, kBlockBytes, block.data()); !read) {
        std::fprintf(stderr, "the meter did not answer: %s\n", FailureDetail(read).c_str());
        return -1;
    }
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < reads; ++i) {
        if (const LinkResult read = link.ReadRegisters(kReadFirstRegister, kBlockBytes, block.data()); !read) {
            std::fprintf(stderr, "read %d failed: %s\n", i + 1, FailureDetail(read).c_str());
            return -1;
        }
    }
    const std::chrono::duration<double, std::milli> elapsed = std::chrono::steady_clock::now() - start;

    const double measuredMs = elapsed.count() / reads;
    const double requestMs = wireMs(kRequestBytes);
    const double answerMs = wireMs(kAnswerBytes);
    const double intervalMs = TimeoutsForBaud(kReadBaud).intervalMs;
    const double demandedMs = std::max<double>(kReadPauseMs, answerMs) + intervalMs;
    const double ratio = measuredMs / demandedMs;

    std::printf("%d reads of %d registers from register %d at %d baud%s\n", reads, kReadRegisters,
                kReadFirstRegister, kReadBaud, where);
    std::printf("measured  %.3f ms per read\n", measuredMs);
    std::printf("demanded  %.3f ms per read = the longer of pause %d and answer %.3f + interval timeout %.0f "
                "(the request, %.3f ms on a real line, crosses the pseudo-terminal at once)\n",
                demandedMs, kReadPauseMs, answerMs, intervalMs, requestMs);
    std::printf("overhead ratio %.3f\n", ratio);
    return ratio;
}

}  // namespace kelvo::bench
