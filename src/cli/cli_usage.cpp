// SPDX-License-Identifier: GPL-3.0-or-later
// What `kelvo-cli help` and a usage error print: one block per command, so that
// `kelvo-cli backup --help` shows backup's alone.

#include <array>

#include "cli/cli_arguments.h"
#include "vocabulary/kelvo_version.h"

namespace kelvo::cli {
namespace {

struct CommandUsage {
    std::string_view name;
    std::string_view text;
};

constexpr std::string_view kPortText =
    "  串口参数：[--port 串口 | --tcp 主机:端口 | --modbus-tcp 主机:端口] [--address A] [--baud B]\n"
    "      [--parity P] [--kind generic|w58] [--net-timeout 毫秒]，各自代替存储的设置；\n"
    "      三者都不给时用存储的连接。--tcp：串口服务器（RTU over TCP），--modbus-tcp：Modbus TCP\n"
    "      网关，IPv6 地址写作 [地址]:端口；--net-timeout：网络应答超时（默认为存储的设置，3000）。\n";

constexpr std::array<CommandUsage, 11> kUsages = {{
    {"scan",
     "  kelvo-cli scan --port 串口 [--address A|A-B] [--baud 列表] [--parity 列表] [--turnaround 毫秒]\n"
     "  kelvo-cli scan --tcp|--modbus-tcp 主机:端口 [--address A|A-B] [--turnaround 毫秒] [--net-timeout 毫秒]\n"
     "      用标识请求（功能码 0x41）搜索仪表，每找到一台打印一行。经由转换器时只试地址。\n"
     "      --address   要试的地址或地址范围（1-247）；默认先试存储的地址，再试 1-247\n"
     "      --baud      波特率列表，如 4800,9600；默认为串口设置中的全部波特率\n"
     "      --parity    校验列表：none、odd、even（或 0、1、2）；默认全部\n"
     "      --turnaround 仪表的应答延时，毫秒；默认为存储的设置（100）\n"},
    {"monitor",
     "  kelvo-cli monitor --port 串口|--tcp 主机:端口|--modbus-tcp 主机:端口 --seconds N\n"
     "                    [--address A] [--baud B] [--parity P] [--kind generic|w58]\n"
     "      像主窗口一样识别并轮询仪表 N 秒，打印每一帧通讯。其余设置取自存储的串口设置。\n"},
    {"log",
     "  kelvo-cli log -o 文件.csv [--seconds N] [串口参数]\n"
     "      识别并轮询仪表，把每个轮询周期记为 CSV 文件的一行，直到 N 秒后或 Ctrl+C。\n"
     "      文件名为 文件-YYYYMMDD-NNN.csv，零点和单位改变时开始新文件，从不覆盖已有文件。\n"},
    {"zero-check",
     "  kelvo-cli zero-check [--seconds N] [串口参数]\n"
     "      管道充满、阀门关闭、流量停止时，轮询仪表 N 秒（默认 60），打印瞬时流量的平均值、标准偏差、\n"
     "      最小值、最大值及其占流量量程的百分比，并按主窗口“零点检查”存储的限值判定（未存储时：\n"
     "      平均值 ≤ ±0.5 % 量程、标准偏差 ≤ 0.5 % 量程）；有效周期少于预计的 80 % 或少于 10 个时\n"
     "      不判定。不向仪表写入任何内容。\n"
     "      退出状态：0 合格，1 不合格，3 没有结论（串口或仪表故障、有效数据不足、被中断）。\n"},
    {"verify",
     "  kelvo-cli verify --seconds N --reference 体积 [--unit 单位] [--tolerance 百分比] [串口参数]\n"
     "      一次流量核查：读取开始和 N 秒后的正向累积，打印测得体积、误差（测得 − 参考）÷ 参考\n"
     "      和仪表系数（参考 ÷ 测得）。--unit：参考体积的单位 L、m3、kg、t、gal、Igal，默认为仪表的\n"
     "      累积单位；--tolerance：允许误差，默认 0.5 %。不向仪表写入任何内容。\n"
     "      退出状态：0 在允许误差内，1 超出，3 没有结论（串口或仪表故障、累积变小、核查过短、被中断）。\n"},
    {"backup",
     "  kelvo-cli backup -o 文件 [串口参数]\n"
     "      读取仪表的全部参数，保存为备份文件（INI，UTF-8）。\n"},
    {"compare",
     "  kelvo-cli compare 文件 [文件2] [--all] [串口参数]\n"
     "      一个文件：先读取仪表，再与文件对比；两个文件：文件与文件对比，不连接仪表。\n"
     "      每个不同的参数打印一行，--all 打印全部参数。相同时退出状态为 0，不同时为 1。\n"},
    {"restore",
     "  kelvo-cli restore 文件 [--only 名称,名称…] [--yes] [串口参数]\n"
     "      把备份文件中的参数写入仪表并读回核对；只写与仪表不同的参数。\n"
     "      不给 --only 时不写仪表自身的参数（地址、波特率、表号、时间、零点等）；\n"
     "      --only 只写列出的参数。写入前询问（y/N），--yes 不询问。\n"},
    {"read",
     "  kelvo-cli read 名称… [串口参数]\n"
     "      读取仪表的参数，每个参数打印一行：名称 标签 = 值 单位。名称即备份文件的节名。\n"},
    {"write",
     "  kelvo-cli write 名称=值… [串口参数]\n"
     "      检查每个值后写入仪表（每个参数一个写请求），再读回核对。列表参数可写选项文字或序号，\n"
     "      时间写作 \"YYYY-MM-DD HH:MM:SS\"。\n"},
    {"report",
     "  kelvo-cli report 文件 -o 报告.pdf|报告.html [--technician 调试人员] [--site 现场]\n"
     "      用备份文件生成调试报告；调试人员和现场默认取主窗口上次填写的。\n"},
}};

constexpr bool TalksToTheMeter(std::string_view name) {
    return name == "log" || name == "zero-check" || name == "verify" || name == "backup" || name == "compare" || name == "restore" || name == "read" ||
           name == "write";
}

constexpr std::string_view kExitText =
    "退出状态：0 成功（找到仪表、参数相同、全部写入并核对）；1 没有找到仪表 / 仪表没有应答 /\n"
    "参数不同 / 未全部写入 / 被 Ctrl+C 中断；2 参数错误（含不认识的参数名、被拒绝的值、\n"
    "不是备份文件）；3 串口无法打开（log：或仪表始终没有应答）。\n"
    "zero-check 和 verify：0 合格，1 不合格，3 没有结论。\n";

}  // namespace

std::string UsageText(std::string_view command) {
    std::string text = "用法：\n";
    for (const CommandUsage& usage : kUsages) {
        if (!command.empty() && usage.name != command) continue;
        text += usage.text;
        if (!command.empty() && TalksToTheMeter(command)) text += kPortText;
    }
    if (command.empty()) {
        text += "  kelvo-cli help [命令]，或在任一命令后加 --help：该命令的用法。\n";
        text += "  kelvo-cli --version：版本和许可证。\n";
        text += kPortText;
    }
    return text + "\n" + std::string(kExitText);
}

std::string VersionText() { return "kelvo-cli (Kelvo) " + std::string(kKelvoVersion) + "\n" + kKelvoLicenceNotice; }

}  // namespace kelvo::cli
