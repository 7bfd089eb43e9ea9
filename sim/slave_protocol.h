// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The meter's side of Modbus RTU: how long a request is, and what the meter answers.
// The meter knows three function codes: 0x04 read input registers, 0x10 write
// registers and 0x41, its own identification request.

#include <cstdint>
#include <ctime>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "sim/meter_model.h"

namespace kelvo::sim {

inline constexpr std::uint8_t kReadInputRegisters = 0x04;
inline constexpr std::uint8_t kWriteRegisters = 0x10;
inline constexpr std::uint8_t kIdentify = 0x41;
inline constexpr std::uint8_t kExceptionFlag = 0x80;
inline constexpr std::uint8_t kIllegalDataAddress = 0x02;
inline constexpr std::uint8_t kIllegalDataValue = 0x03;

inline constexpr int kUnknownFunction = -1;

// Length of the request that begins with these bytes: 0 while too few bytes have come
// to tell, kUnknownFunction for a function code the meter does not know.
int RequestLength(std::span<const std::uint8_t> head);

bool CrcMatches(std::span<const std::uint8_t> frame);
void AppendCrc(std::vector<std::uint8_t>& frame);

struct RegisterSpan {
    int first;
    int count;
};
// The registers a well-formed 0x04 or 0x10 request names; none for 0x41.
std::optional<RegisterSpan> RequestedRegisters(std::span<const std::uint8_t> request);

std::vector<std::uint8_t> ExceptionAnswer(std::uint8_t address, std::uint8_t function, std::uint8_t code);

struct Answer {
    std::vector<std::uint8_t> bytes;
    std::vector<std::string> commands;  // carried out by a write
};

// The meter's answer to a complete request for its address whose CRC matched.
Answer AnswerRequest(std::span<const std::uint8_t> request, MeterModel& meter,
                     std::span<const std::uint8_t> identification, std::time_t hostTime);

}  // namespace kelvo::sim
