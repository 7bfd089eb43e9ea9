#pragma once
// The ways a simulated meter can misbehave on the wire, switched on by tests.

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace kelvo::sim {

struct ExceptionRange {
    int first;
    int last;
    int times;  // < 0: every time
};

struct FaultSwitches {
    bool echo = false;  // every frame comes back as it was sent, and nothing else
    bool silent = false;
    bool badCrc = false;
    bool wrongAddress = false;
    bool shortAnswers = false;
    int extraDelayMs = 0;
    int paceBaud = 0;
    std::optional<ExceptionRange> exceptions;
};

// True when the request touches the exception range and the range still fires; uses
// up one of its times.
bool TakeException(FaultSwitches& faults, std::span<const std::uint8_t> request);

// Spoils a correct answer as the switches say: a short 0x04 answer carries half its
// data bytes (byte count and CRC to match), a wrong address answers from address + 1
// (CRC to match), a bad CRC is inverted last.
void SpoilAnswer(const FaultSwitches& faults, std::vector<std::uint8_t>& answer);

}  // namespace kelvo::sim
