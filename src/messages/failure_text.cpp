#include "messages/failure_text.h"

#include <cstdio>

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
            return "网关路径不可用";
        case 0x0B:
            return "网关目标设备无响应";
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

}  // namespace

std::string FailureDetail(const LinkResult& result) {
    switch (result.failure) {
        case LinkFailure::None:
            return {};
        case LinkFailure::NotOpen:
            return result.portError == PortError::None ? "串口未打开" : std::string(PortErrorText(result.portError));
        case LinkFailure::Answer:
            return AnswerFaultDetail(result);
        case LinkFailure::Cancelled:
            return "已取消";
        case LinkFailure::PortGone:
            return "串口已断开";
    }
    return {};
}

}  // namespace kelvo
