// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the traffic monitor and `kelvo-cli monitor` print for each record of the
// TrafficLog: the time with milliseconds, the direction, the link, the bytes in hex and
// a summary in Chinese. Answers are judged by the link's own answer check against the
// latest request of their link, so a line never calls good what the link refused.
// Decoding happens when a record is shown, never in the link.

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "link/mbap.h"
#include "link/traffic_log.h"

namespace kelvo {

enum class TrafficVerdict { Request, Good, NoAnswer, BadCrc, Exception, OtherFault };

struct TrafficSummary {
    TrafficVerdict verdict;
    std::string text;
};

// "地址 8 读输入寄存器 起始 99 数量 59", "地址 17 读仪表标识", …
std::string RequestSummary(std::span<const std::uint8_t> request);
// What a read brought in answer to `request` (empty: no request known). frameBytes is the
// length of the whole frame, of which `answer` may hold only the start.
TrafficSummary AnswerSummary(std::span<const std::uint8_t> request, std::span<const std::uint8_t> answer,
                             std::size_t frameBytes);
// "MBAP 事务 13 协议 0 长度 6 单元 8": the header of a Modbus TCP frame.
std::string MbapHeaderText(const MbapHeader& header);
// A Modbus TCP frame that came after `request` (a frame that was sent): the answer decoded
// as its RTU form would be, or why the gateway's transport dropped it.
TrafficSummary MbapAnswerSummary(std::span<const std::uint8_t> request, std::span<const std::uint8_t> answer,
                                 std::size_t frameBytes);

// "08 04 00 63 …", with the whole length when only the start was kept.
std::string HexText(std::span<const std::uint8_t> bytes, std::size_t frameBytes);
// "14:03:27.512" in local time.
std::string ClockText(std::int64_t timeMs);

struct TrafficCounters {
    long long requests = 0;
    long long goodAnswers = 0;
    long long noAnswers = 0;
    long long badCrc = 0;
    long long exceptions = 0;
    long long otherFaults = 0;  // short, long, from another address, …
    long long lost = 0;         // records the log overwrote before they were shown

    bool operator==(const TrafficCounters&) const = default;
};

// "请求 12  正确应答 10  无应答 1  CRC错误 1  异常应答 0  其他错误 0", and the lost records
// when there were any.
std::string CountersText(const TrafficCounters& counters);

// Turns records into lines in the order they were logged, remembering each link's latest
// request for the answer that follows it, and counts what it has seen.
class TrafficDecoder {
public:
    std::string Line(const TrafficRecord& record);
    // The lines of the records the log holds from `cursor` on, which moves past them; the
    // records the log overwrote before they were read are counted as lost.
    std::vector<std::string> ReadLines(const TrafficLog& log, std::uint64_t& cursor);
    void CountLost(std::uint64_t records) { counters_.lost += static_cast<long long>(records); }
    const TrafficCounters& Counters() const { return counters_; }
    // Starts counting afresh; the requests already seen still pair with their answers.
    void ResetCounters() { counters_ = {}; }

private:
    void Count(TrafficVerdict verdict);

    // Each link's latest request as it was sent (an MBAP frame through a gateway).
    std::array<std::vector<std::uint8_t>, kTrafficSourceCount> lastRequest_;
    TrafficCounters counters_;
};

}  // namespace kelvo
