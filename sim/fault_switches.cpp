// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/fault_switches.h"

#include "sim/slave_protocol.h"

namespace kelvo::sim {

bool TakeException(FaultSwitches& faults, std::span<const std::uint8_t> request) {
    if (!faults.exceptions) return false;
    const std::optional<RegisterSpan> span = RequestedRegisters(request);
    if (!span) return false;
    ExceptionRange& range = *faults.exceptions;
    const int last = span->first + span->count - 1;
    if (last < range.first || span->first > range.last) return false;
    if (range.times >= 0 && --range.times == 0) faults.exceptions.reset();
    return true;
}

void SpoilAnswer(const FaultSwitches& faults, std::vector<std::uint8_t>& answer) {
    if (answer.size() < 4) return;
    if (faults.shortAnswers && answer[1] == kReadInputRegisters) {
        const std::uint8_t kept = static_cast<std::uint8_t>(answer[2] / 2);
        answer.resize(3U + kept);
        answer[2] = kept;
        AppendCrc(answer);
    }
    if (faults.wrongAddress) {
        answer.resize(answer.size() - 2);
        ++answer[0];
        AppendCrc(answer);
    }
    if (faults.badCrc) {
        answer[answer.size() - 2] ^= 0xFF;
        answer[answer.size() - 1] ^= 0xFF;
    }
}

bool FaultSwitches::Hears(const std::optional<MasterLine>& line) const {
    if (onlyBaud == 0 && !onlyParity) return true;
    if (!line) return false;
    if (onlyBaud != 0 && line->baudRate != onlyBaud) return false;
    return !onlyParity || ParityHeard(*onlyParity, *line);
}

bool Chance(double share, std::mt19937& random) {
    if (share <= 0) return false;
    return std::uniform_real_distribution<double>(0.0, 1.0)(random) < share;
}

void GarbleAnswer(std::vector<std::uint8_t>& answer, std::mt19937& random) {
    if (answer.empty()) return;
    const auto at = std::uniform_int_distribution<std::size_t>(0, answer.size() - 1)(random);
    answer[at] ^= static_cast<std::uint8_t>(std::uniform_int_distribution<int>(1, 255)(random));
}

void TurnToNoise(std::vector<std::uint8_t>& answer, std::mt19937& random) {
    for (std::uint8_t& byte : answer) byte = static_cast<std::uint8_t>(std::uniform_int_distribution<int>(0, 255)(random));
}

}  // namespace kelvo::sim
