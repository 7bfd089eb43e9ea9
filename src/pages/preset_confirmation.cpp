// SPDX-License-Identifier: GPL-3.0-or-later
#include "pages/preset_confirmation.h"

#include "meter/value_text.h"
#include "vocabulary/value_tables.h"

namespace kelvo {
namespace {

constexpr std::string_view kHeading = "是否确定下传下列配置参数：\r\n";

// "DN%d" of a stored index; a hand-edited index outside the list shows no number.
std::string Diameter(int index) {
    const auto dn = TableAt(DnList, index);
    return dn ? "DN" + std::to_string(*dn) : "DN";
}

std::string Line(std::string_view name, std::string_view value) {
    return std::string(name) + "= " + std::string(value) + " \r\n";
}

}  // namespace

std::string GenericPresetConfirmation(const GenericPreset& preset) {
    const int volume = preset.FlowUnit / 3;
    const int time = preset.FlowUnit % 3;
    std::string text(kHeading);
    text += Line("口径", Diameter(preset.DN));
    text += Line("流量量程", FormatFixed(preset.FlowScale, 4));
    text += Line("流量单位", std::string(TextAt(VolumeUnits, volume)) + "/" + std::string(TextAt(TimeUnits, time)));
    text += Line("累积单位", TextAt(VolumeUnits, preset.FlowAccuUnit));
    text += "传感器系数= " + FormatFixed(preset.SnsrFact, 5);  // the last line has no line break
    return text;
}

std::string W58PresetConfirmation(const W58Preset& preset) {
    std::string text(kHeading);
    text += Line("口径", Diameter(preset.DN));
    text += Line("流量量程", FormatFixed(preset.FlowScale, 4));
    text += Line("流量累积显示", TextAt(TotalizerNames, preset.FlowAccuView));
    text += Line("能量累积单位", TextAt(EnergyUnits, preset.HeatAccuUnit));
    text += Line("传感器系数", FormatFixed(preset.SnsrFact, 5));
    text += Line("表号", FormatMeterNumber(preset.SnsrCode));
    text += Line("通讯地址", std::to_string(preset.Addr));
    text += Line("波特率", TextAt(BaudTexts, preset.Baudrate));
    text += Line("校验方式", TextAt(ParityTexts, preset.Parity));
    text += Line("字节顺序", TextAt(ByteOrderTexts, preset.Swap));
    return text;
}

}  // namespace kelvo
