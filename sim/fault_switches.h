// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The ways a simulated meter can misbehave on the wire, switched on by tests.

#include <cstdint>
#include <optional>
#include <random>
#include <span>
#include <vector>

#include "sim/line_watch.h"

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
    // The line settings the meter is set to (see SimOptions): requests the master sends
    // otherwise are noise to it.
    int onlyBaud = 0;
    std::optional<int> onlyParity;
    // Shares (0..1) of answers lost on the line and of answers with a byte spoilt on it.
    double dropShare = 0;
    double garbleShare = 0;

    // The rate answers travel at: the pacing, else the meter's own rate; 0 for at once.
    int WireBaud() const { return paceBaud > 0 ? paceBaud : onlyBaud; }
    // Whether the meter hears a master whose line is set as `line` shows.
    bool Hears(const std::optional<MasterLine>& line) const;
};

// True when the request touches the exception range and the range still fires; uses
// up one of its times.
bool TakeException(FaultSwitches& faults, std::span<const std::uint8_t> request);

// Spoils a correct answer as the switches say: a short 0x04 answer carries half its
// data bytes (byte count and CRC to match), a wrong address answers from address + 1
// (CRC to match), a bad CRC is inverted last.
void SpoilAnswer(const FaultSwitches& faults, std::vector<std::uint8_t>& answer);

// True with the probability `share`.
bool Chance(double share, std::mt19937& random);
// One byte of the answer changed, as a burst of noise on the line does; its CRC then fails.
void GarbleAnswer(std::vector<std::uint8_t>& answer, std::mt19937& random);
// What a master at another rate makes of an answer: bytes of noise, as many as were sent.
void TurnToNoise(std::vector<std::uint8_t>& answer, std::mt19937& random);

}  // namespace kelvo::sim
