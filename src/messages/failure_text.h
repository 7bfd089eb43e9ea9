// SPDX-License-Identifier: GPL-3.0-or-later
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

class Prompter;
// "打开串口失败！" with why in the details; nothing for an open the user cancelled (a
// disconnect during a connect that did not complete).
void WarnOpenFailed(Prompter& prompter, const LinkResult& opened);

// What the live status says of a line that went away: "串口已断开", "网络连接已断开".
std::string_view LineGoneText(LinkType linkType);

inline constexpr std::string_view kGatewayNoIdentificationText =
    "该网关不转发识别命令（功能码 0x41），请改用 RTU over TCP";
// A Modbus TCP gateway refused the identification (exception 01 or 04) or cut its answer
// short, as gateways do that guess an answer's length from the function code: the meter
// may be fine, the gateway is the wrong kind of converter for it.
bool GatewayCutIdentification(const LinkResult& result);

}  // namespace kelvo
