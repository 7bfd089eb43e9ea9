#pragma once
// The generic meter's parameter page (dialog 143): sixteen parameters, download all,
// five preset downloads, auto zero and clear totals.

#include <array>
#include <memory>

#include "pages/list_items.h"
#include "pages/page_definition.h"

namespace kelvo {

// The page's own logic: the preset downloads.
std::unique_ptr<ParameterPage> MakeNormalCfgPage(const PageDefinition& definition, PageControls& controls,
                                                 Prompter& prompter);

namespace normal_cfg {

inline constexpr std::array<std::string_view, 7> kMeterBaudRates = {"1200", "2400", "4800", "9600", "19200", "38400", "57600"};
inline constexpr std::array<std::string_view, 2> kPulseSignals = {"频率", "脉冲"};

enum FrameIndex : int { kCommon, kAdvanced };
inline constexpr std::array<kelvo::Frame, 2> kFrames = {{{"常用参数"}, {"高级参数"}}};

// Row indices the preset download fills.
enum Row : std::size_t { kDiameterRow, kRangeRow, kFlowUnitRow, kTotalsUnitRow, kSensorFactorRow };

inline constexpr std::array<ParamRow, 17> kRows = {{
    {.label = "口径", .control = Control::List, .controlId = 1031, .kind = Kind::U16, .reg = 149,
     .mapping = Mapping::EncodedDiameter, .listSource = ListSource::AllDiameters, .readButton = 1060, .writeButton = 1072},
    {.label = "流量量程", .control = Control::DecimalEdit, .controlId = 1007, .kind = Kind::U32, .reg = 139, .scale = 4,
     .readButton = 1074, .writeButton = 1075, .zeroText = true},
    {.label = "流量单位", .control = Control::List, .controlId = 1047, .kind = Kind::FlowUnitPair, .reg = 115,
     .listSource = ListSource::FlowUnits, .readButton = 1076, .writeButton = 1077, .initial = 5},
    {.label = "累积单位", .control = Control::List, .controlId = 1049, .kind = Kind::U16, .reg = 117,
     .listSource = ListSource::VolumeUnits, .readButton = 1078, .writeButton = 1079, .initial = 1},
    {.label = "传感器系数", .control = Control::DecimalEdit, .controlId = 1055, .kind = Kind::S32, .reg = 147,
     .mapping = Mapping::EncodedFactor, .readButton = 1112, .writeButton = 1114, .zeroText = true},
    {.label = "零点修正(m/s)", .control = Control::DecimalEdit, .controlId = 1056, .kind = Kind::S32, .reg = 323,
     .scale = 4, .readButton = 1108, .writeButton = 1110, .zeroText = true, .hidden = true},
    {.label = "流量方向", .control = Control::List, .controlId = 1035, .kind = Kind::U16, .reg = 150, .items = kFlowDirectionItems,
     .readButton = 1080, .writeButton = 1081, .frame = kAdvanced},
    {.label = "流量切除", .control = Control::FloatEdit, .controlId = 1008, .kind = Kind::U16, .reg = 141, .scale = 1,
     .readButton = 1082, .writeButton = 1083, .frame = kAdvanced},
    {.label = "时间常数", .control = Control::IntEdit, .controlId = 1010, .kind = Kind::U16, .reg = 142,
     .readButton = 1084, .writeButton = 1085, .frame = kAdvanced},
    {.label = "空管检测允许", .control = Control::List, .controlId = 1036, .kind = Kind::U16, .reg = 153, .items = kNoYesItems,
     .readButton = 1086, .writeButton = 1088, .frame = kAdvanced},
    {.label = "空管检测阈值", .control = Control::IntEdit, .controlId = 1053, .kind = Kind::U16, .reg = 154,
     .readButton = 1090, .writeButton = 1092, .frame = kAdvanced},
    {.label = "反向输出允许", .control = Control::List, .controlId = 1038, .kind = Kind::U16, .reg = 155, .items = kNoYesItems,
     .readButton = 1094, .writeButton = 1096, .frame = kAdvanced},
    {.label = "设备地址", .control = Control::IntEdit, .controlId = 1051, .kind = Kind::U16, .reg = 156,
     .readButton = 1098, .writeButton = 1100, .frame = kAdvanced},
    {.label = "波特率", .control = Control::List, .controlId = 1041, .kind = Kind::U16, .reg = 157,
     .items = kMeterBaudRates, .readButton = 1102, .writeButton = 1104, .frame = kAdvanced},
    {.label = "脉冲输出信号", .control = Control::List, .controlId = 1159, .kind = Kind::U16, .reg = 185,
     .items = kPulseSignals, .readButton = 1172, .writeButton = 1174, .frame = kAdvanced},
    {.label = "脉冲当量", .control = Control::DecimalEdit, .controlId = 1168, .kind = Kind::U32, .reg = 189, .scale = 3,
     .readButton = 1202, .writeButton = 1204, .frame = kAdvanced},
    {.label = "频率上限", .control = Control::DecimalEdit, .controlId = 1163, .kind = Kind::None, .alwaysDisabled = true,
     .initial = 2000, .frame = kAdvanced},
}};

inline constexpr std::array<BatchBlock, 3> kDownloadBlocks = {{
    {115, 6, "单位下传失败，注意仪表是否支持相关参数下传"},
    {139, 4, "流量量程下传失败，注意参数设置是否超限"},
    {147, 6, "传感器系数&口径下传失败，注意参数设置是否超限"},
}};

inline constexpr std::array<CommandButton, 2> kCommands = {{
    {1045, "自动调零", "请确认阀门是否关闭？", 151, 1, "下传成功", "下传失败"},
    {1043, "总量清零", "是否确认清零？", 152, 1, "成功清零", "清零失败"},
}};

inline constexpr std::array<SpecialButton, 5> kPresetButtons = {{
    {1026, "配置1下传"}, {1057, "配置2下传"}, {1059, "配置3下传"}, {1061, "配置4下传"}, {1062, "配置5下传"},
}};

inline constexpr PageDefinition kPage = {
    .className = "CNormalCfgDlg", .dialogId = 143, .tabTitle = "组态", .frames = kFrames, .rows = kRows,
    .downloadAllButton = 1014, .downloadBlocks = kDownloadBlocks, .identifyBeforeDownload = true,
    .commands = kCommands, .presetButtons = kPresetButtons, .makePage = &MakeNormalCfgPage,
    .writeFailText = "写入失败，注意仪表是否支持该参数下传设置"};

}  // namespace normal_cfg
}  // namespace kelvo
