#pragma once
// What a person reads about a failure of the line: the reason a port could not be opened
// and the detail text of a failed transaction ("无应答（等待 6400 ms，共 2 次）"). The main
// text of each box stays the fixed text of the system; these say why.

#include <cstdint>
#include <string>
#include <string_view>

#include "link/link_result.h"

namespace kelvo {

std::string_view PortErrorText(PortError error);

// The meter's reason of an exception answer, e.g. "非法数据地址"; empty for codes the
// Modbus standard does not name.
std::string_view ExceptionCodeText(std::uint8_t code);

// A short explanation of the answer check's verdict, for a person reading the traffic.
std::string_view AnswerFaultText(AnswerFault fault);

// Why the operation failed, in one line; empty for a good result.
std::string FailureDetail(const LinkResult& result);

}  // namespace kelvo
