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

}  // namespace kelvo::sim
