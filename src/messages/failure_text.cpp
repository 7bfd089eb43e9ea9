// SPDX-License-Identifier: GPL-3.0-or-later
#include "messages/failure_text.h"

#include <cstdio>

#include "link/modbus_frames.h"
#include "messages/prompter.h"

namespace kelvo {

std::string_view PortErrorText(PortError error) {
    switch (error) {
        case PortError::None:
            return "";
        case PortError::NameTooLong:
            return "串口名称不能超过 5 个字符。";
        case PortError::NameEscapes:
#ifdef _WIN32
            return "串口名称不能含有“/”、“\\”或“:”，也不能是“.”或“..”。";
#else
            return "串口名称不能含有“/”，也不能是“.”或“..”。";
#endif
        case PortError::NoSuchDevice:
            return "找不到该串口设备，请检查串口名称和连接线。";
        case PortError::Busy:
            return "串口正被其他程序或本程序的连接占用。";
        case PortError::AccessDenied:
            return "没有访问该串口的权限：请将当前用户加入 dialout 组，然后重新登录。";
        case PortError::NotATerminal:
            return "该设备不是串口。";
        case PortError::Other:
            break;
        case PortError::HostInvalid:
            return "主机名或 IP 地址不对，或 TCP 端口不在 1 至 65535 之间。";
        case PortError::HostNotFound:
            return "找不到该主机：请检查主机名，以及这台电脑的网络和 DNS 设置。";
        case PortError::ConnectionRefused:
            return "连接被拒绝：该主机的这个 TCP 端口上没有服务，请检查端口号和转换器的工作模式。";
        case PortError::NoRoute:
            return "网络不通：没有到该主机的路由，请检查 IP 地址、网线和网络设置。";
        case PortError::ConnectTimedOut:
            return "连接超时：主机没有回应，请检查 IP 地址和网络。";
        case PortError::ConnectionClosed:
            return "转换器关闭了连接。";
        case PortError::NetworkOther:
            return "无法建立网络连接。";
    }
    return "无法打开该串口。";
}

std::string_view ExceptionCodeText(std::uint8_t code) {
    switch (code) {
        case 0x01:
            return "非法功能";
        case 0x02:
            return "非法数据地址";
        case 0x03:
            return "非法数据值";
        case 0x04:
            return "从站设备故障";
        case 0x05:
            return "确认";
        case 0x06:
            return "从站设备忙";
        case 0x08:
            return "存储奇偶性差错";
        case 0x0A:
            return "网关无可用路径";
        case 0x0B:
            return "网关：仪表无应答";
        default:
            return "";
    }
}

std::string_view AnswerFaultText(AnswerFault fault) {
    switch (fault) {
        case AnswerFault::None:
            return "应答正确";
        case AnswerFault::NoAnswer:
            return "无应答";
        case AnswerFault::TooShort:
            return "应答过短";
        case AnswerFault::BadCrc:
            return "CRC 校验错误";
        case AnswerFault::WrongAddress:
            return "应答地址与请求不符";
        case AnswerFault::Exception:
            return "仪表返回异常应答";
        case AnswerFault::WrongFunction:
            return "应答功能码与请求不符";
        case AnswerFault::WrongByteCount:
            return "应答字节数与请求的寄存器数不符";
        case AnswerFault::Truncated:
            return "应答不完整";
        case AnswerFault::Overlong:
            return "应答过长";
        case AnswerFault::WrongEcho:
            return "写入应答的寄存器与请求不符";
        case AnswerFault::BadRequest:
            return "请求格式不对";
    }
    return "";
}

namespace {

std::string AnswerFaultDetail(const LinkResult& result) {
    switch (result.fault) {
        case AnswerFault::NoAnswer:
            return "无应答（等待 " + std::to_string(result.waitedMs) + " ms，共 " + std::to_string(result.attempts) +
                   " 次）";
        case AnswerFault::BadCrc:
            return "CRC 错误";
        case AnswerFault::Exception: {
            char code[8];
            std::snprintf(code, sizeof code, "%02X", static_cast<unsigned>(result.exceptionCode));
            const std::string_view reason = ExceptionCodeText(result.exceptionCode);
            return "仪表异常应答 " + std::string(code) + (reason.empty() ? "" : "（" + std::string(reason) + "）");
        }
        case AnswerFault::TooShort:
        case AnswerFault::Truncated:
            return "应答不完整";
        case AnswerFault::WrongAddress:
            return "其他地址的应答";
        case AnswerFault::Overlong:
            return "应答过长";
        case AnswerFault::WrongFunction:
            return "应答功能码与请求不符";
        case AnswerFault::WrongByteCount:
            return "应答字节数与请求不符";
        case AnswerFault::WrongEcho:
            return "写入应答的寄存器与请求不符";
        case AnswerFault::BadRequest:
            return "请求格式不对";
        case AnswerFault::None:
            break;
    }
    return {};
}

// The line went away; over the network, also what became of the one new connection.
std::string GoneDetail(const LinkResult& result) {
    std::string text(LineGoneText(result.linkType));
    if (result.linkType == LinkType::Serial || result.portError == PortError::None) return text;
    if (result.portError == PortError::ConnectionClosed) return text + "（转换器关闭了连接）";
    return text + "，重新连接失败：" + std::string(PortErrorText(result.portError));
}

}  // namespace

void WarnOpenFailed(Prompter& prompter, const LinkResult& opened) {
    if (!opened.Cancelled()) prompter.Warn(kOpenPortFailedText, FailureDetail(opened));
}

std::string_view LineGoneText(LinkType linkType) {
    return linkType == LinkType::Serial ? "串口已断开" : "网络连接已断开";
}

bool GatewayCutIdentification(const LinkResult& result) {
    if (result.linkType != LinkType::ModbusTcp || result.functionCode != kIdentify) return false;
    if (result.failure != LinkFailure::Answer) return false;
    switch (result.fault) {
        case AnswerFault::Exception:
            return result.exceptionCode == 0x01 || result.exceptionCode == 0x04;
        case AnswerFault::TooShort:
        case AnswerFault::Truncated:
        case AnswerFault::WrongByteCount:
            return true;
        default:
            return false;
    }
}

std::string FailureDetail(const LinkResult& result) {
    switch (result.failure) {
        case LinkFailure::None:
            return {};
        case LinkFailure::NotOpen:
            if (result.portError != PortError::None) return std::string(PortErrorText(result.portError));
            return result.linkType == LinkType::Serial ? "串口未打开" : "网络连接未建立";
        case LinkFailure::Answer:
            if (GatewayCutIdentification(result)) return std::string(kGatewayNoIdentificationText);
            return AnswerFaultDetail(result);
        case LinkFailure::Cancelled:
            return "已取消";
        case LinkFailure::PortGone:
            return GoneDetail(result);
    }
    return {};
}

}  // namespace kelvo
