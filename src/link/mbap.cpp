// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/mbap.h"

#include "link/crc16.h"

namespace kelvo {
namespace {

constexpr std::size_t kRtuCrcBytes = 2;
// The unit id and the function code: less than that is no PDU to judge.
constexpr std::size_t kShortestJudgedPart = 3;

std::uint16_t Word(std::span<const std::uint8_t> bytes, std::size_t at) {
    return static_cast<std::uint16_t>(bytes[at] << 8 | bytes[at + 1]);
}

void PutWord(std::vector<std::uint8_t>& frame, std::uint16_t value) {
    frame.push_back(static_cast<std::uint8_t>(value >> 8));
    frame.push_back(static_cast<std::uint8_t>(value & 0xFFU));
}

}  // namespace

std::optional<MbapHeader> ReadMbapHeader(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < kMbapHeaderBytes) return std::nullopt;
    return MbapHeader{.transaction = Word(bytes, 0), .protocol = Word(bytes, 2), .length = Word(bytes, 4), .unit = bytes[6]};
}

std::vector<std::uint8_t> MbapFromRtu(std::span<const std::uint8_t> rtuRequest, std::uint16_t transaction) {
    std::vector<std::uint8_t> frame;
    if (rtuRequest.size() < 1 + kRtuCrcBytes) return frame;
    const std::span<const std::uint8_t> unitAndPdu = rtuRequest.first(rtuRequest.size() - kRtuCrcBytes);
    frame.reserve(6 + unitAndPdu.size());
    PutWord(frame, transaction);
    PutWord(frame, 0);
    PutWord(frame, static_cast<std::uint16_t>(unitAndPdu.size()));
    frame.insert(frame.end(), unitAndPdu.begin(), unitAndPdu.end());
    return frame;
}

std::vector<std::uint8_t> RtuFromMbap(std::span<const std::uint8_t> frame) {
    if (frame.size() < kMbapHeaderBytes) return {};
    std::vector<std::uint8_t> rtu(frame.begin() + 6, frame.end());
    if (rtu.size() < kShortestJudgedPart) return rtu;
    const std::uint16_t crc = Crc16(rtu.data(), static_cast<std::uint16_t>(rtu.size()));
    rtu.push_back(static_cast<std::uint8_t>(crc & 0xFFU));
    rtu.push_back(static_cast<std::uint8_t>(crc >> 8));
    return rtu;
}

MbapMatch MatchMbap(const MbapHeader& request, const MbapHeader& answer) {
    if (answer.protocol != 0) return MbapMatch::OtherProtocol;
    if (answer.transaction != request.transaction) return MbapMatch::OtherTransaction;
    if (answer.unit != request.unit) return MbapMatch::OtherUnit;
    return MbapMatch::Answer;
}

}  // namespace kelvo
