// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/main/start_options.h"

#include "vocabulary/kelvo_version.h"

namespace kelvo {

StartOptions ParseStartOptions(const std::vector<std::string>& args) {
    StartOptions options;
    for (const std::string& arg : args) {
        if (arg == "--help" || arg == "-h") options.help = true;
        if (arg == "--version") options.version = true;
        if (arg == "--quit-when-shown") options.quitWhenShown = true;
    }
    return options;
}

std::string StartUsageText() {
    return "用法：kelvo [--quit-when-shown] [Qt 选项]\n"
           "      kelvo --help | --version\n"
           "Kelvo：通过 Modbus RTU 串口调试和维护电磁流量计与热量表。\n"
           "  --help             显示本说明\n"
           "  --version          显示版本和许可证\n"
           "  --quit-when-shown  主窗口显示后打印一行并退出（检查安装是否完整）\n"
           "Qt 的选项照常有效，如 -platform offscreen。\n";
}

std::string StartVersionText() { return "kelvo (Kelvo) " + std::string(kKelvoVersion) + "\n" + kKelvoLicenceNotice; }

}  // namespace kelvo
