// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Every message and question of a transaction reaches the user through this one
// interface. The GUI shows message boxes (warning icon, OK; OK and Cancel for
// questions; title "Kelvo"); tests record the texts in order and answer questions.

#include <string>
#include <string_view>

namespace kelvo {

class Prompter {
public:
    virtual ~Prompter() = default;
    // A message with an OK button. `detail` is optional extra text (e.g. why a port
    // could not be opened); the main text stays the fixed text of the system.
    virtual void Warn(std::string_view text, std::string_view detail = {}) = 0;
    // A question with OK and Cancel; true for OK.
    virtual bool Confirm(std::string_view text) = 0;
};

// Fixed texts shared by several parts of the program.
inline constexpr std::string_view kOpenPortFailedText = "打开串口失败！";
inline constexpr std::string_view kReadIdentificationFailedText = "读取仪表串号失败！";
inline constexpr std::string_view kMeterNotSupportedText = "不支持该仪表类型！";
// The standard prompts of a field whose text does not parse.
inline constexpr std::string_view kEnterNumberText = "请输入一个数字。";
inline constexpr std::string_view kEnterIntegerText = "请输入一个整数。";
// The settings file could not be written; the program goes on with what it has in memory.
inline constexpr std::string_view kSaveSettingsFailedText = "保存配置文件失败！";

}  // namespace kelvo
