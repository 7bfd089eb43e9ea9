#pragma once
// The W58 common parameters and functions page (dialog 146): ten parameters, the four
// totals and the meter clock, read all and download all in seven blocks, seven meter
// commands, clock synchronisation and five preset downloads.

#include <array>
#include <memory>

#include "pages/list_items.h"
#include "pages/page_definition.h"
#include "tables/value_tables.h"

namespace kelvo {

// The page's own logic: preset downloads and the clock synchronisation.
std::unique_ptr<ParameterPage> MakeW58NormalPage(const PageDefinition& definition, PageControls& controls,
                                                 Prompter& prompter);

namespace w58_normal {

enum FrameIndex : int { kParameters, kFunctions };
inline constexpr std::array<kelvo::Frame, 2> kFrames = {{{"常用参数"}, {"常用功能"}}};

// Row indices a preset download fills, in the exchange order of the rows below.
enum Row : std::size_t {
    kDiameterRow, kRangeRow, kTotaliserRow, kEnergyUnitRow, kSensorFactorRow, kMeterNumberRow,
    kClockRow = 10, kAddressRow, kBaudRow, kParityRow, kByteOrderRow,
};

inline constexpr std::string_view kClockWriteFailText = "写入失败，注意设置时间是否异常或超限";

inline constexpr std::array<ParamRow, 15> kRows = {{
    {.label = "口径", .control = Control::List, .controlId = 1031, .kind = Kind::U16, .reg = 149,
     .mapping = Mapping::DiameterOffset, .items = kW58DiameterItems, .readButton = 1060, .writeButton = 1072},
    {.label = "流量量程", .control = Control::DecimalEdit, .controlId = 1007, .kind = Kind::U32, .reg = 139, .scale = 4,
     .readButton = 1074, .writeButton = 1075, .zeroText = true},
    {.label = "流量累积显示", .control = Control::List, .controlId = 1167, .kind = Kind::U16, .reg = 280,
     .items = TotalizerNames, .readButton = 1169, .writeButton = 1171},
    {.label = "能量累积单位", .control = Control::List, .controlId = 1117, .kind = Kind::U16, .reg = 134,
     .mapping = Mapping::EnergyUnit, .listSource = ListSource::ShortEnergyUnits, .readButton = 1119,
     .writeButton = 1121},
    {.label = "传感器系数", .control = Control::DecimalEdit, .controlId = 1055, .kind = Kind::S32, .reg = 147, .scale = 5,
     .readButton = 1112, .writeButton = 1114, .zeroText = true},
    {.label = "表号", .control = Control::DigitsEdit, .controlId = 1278, .kind = Kind::Digits8, .reg = 225,
     .readButton = 1280, .writeButton = 1282, .range = Range{0, 99999999}},
    {.label = "流量正向累积", .control = Control::DecimalEdit, .controlId = 1069, .kind = Kind::Total, .reg = 107,
     .readButton = 1131, .writeButton = 1133, .zeroText = true, .frame = kFunctions},
    {.label = "流量反向累积", .control = Control::DecimalEdit, .controlId = 1064, .kind = Kind::Total, .reg = 111,
     .readButton = 1135, .writeButton = 1137, .zeroText = true, .frame = kFunctions},
    {.label = "热量累积", .control = Control::DecimalEdit, .controlId = 1029, .kind = Kind::Total, .reg = 125,
     .readButton = 1139, .writeButton = 1141, .zeroText = true, .frame = kFunctions},
    {.label = "冷量累积", .control = Control::DecimalEdit, .controlId = 1058, .kind = Kind::Total, .reg = 129,
     .readButton = 1143, .writeButton = 1145, .zeroText = true, .frame = kFunctions},
    {.label = "仪表时间", .control = Control::DateTime, .controlId = 1151, .secondControlId = 1153, .kind = Kind::Clock,
     .reg = 273, .readButton = 1147, .writeButton = 1149, .writeFailText = kClockWriteFailText, .frame = kFunctions},
    {.label = "通讯地址", .control = Control::IntEdit, .controlId = 1009, .kind = Kind::U16, .reg = 156,
     .readButton = 1178, .writeButton = 1181},
    {.label = "波特率", .control = Control::List, .controlId = 1184, .kind = Kind::U16, .reg = 157, .items = BaudTexts,
     .readButton = 1187, .writeButton = 1189},
    {.label = "校验方式", .control = Control::List, .controlId = 1191, .kind = Kind::U16, .reg = 203,
     .items = ParityTexts, .readButton = 1194, .writeButton = 1197},
    {.label = "字节顺序", .control = Control::List, .controlId = 1199, .kind = Kind::U16, .reg = 204,
     .items = ByteOrderTexts, .readButton = 1201, .writeButton = 1203},
}};

inline constexpr std::array<BatchBlock, 7> kReadAllBlocks = {{
    {134, 2, "单位读取失败，注意仪表是否支持相关参数读取"},
    {280, 2, "流量累积显示读取失败，注意仪表是否支持相关参数读取"},
    {139, 4, "流量量程读取失败，注意仪表是否支持相关参数读取"},
    {147, 6, "传感器系数&口径读取失败，注意仪表是否支持相关参数读取"},
    {225, 8, "表号读取失败，注意仪表是否支持相关参数读取"},
    {156, 4, "通讯地址&波特率读取失败，注意仪表是否支持相关参数读取"},
    {203, 4, "校验方式&字节顺序读取失败，注意仪表是否支持相关参数读取"},
}};

// Parity and byte order go before address and baud rate, unlike the read all.
inline constexpr std::array<BatchBlock, 7> kDownloadBlocks = {{
    {134, 2, "单位下传失败，注意仪表是否支持相关参数下传"},
    {280, 2, "流量累积显示下传失败，注意仪表是否支持相关参数下传"},
    {139, 4, "流量量程下传失败，注意参数设置是否超限"},
    {147, 6, "传感器系数&口径下传失败，注意参数设置是否超限"},
    {225, 8, "表号下传失败，注意参数设置是否超限"},
    {203, 4, "校验方式&字节顺序下传失败，注意参数设置是否超限"},
    {156, 4, "通讯地址&波特率下传失败，注意参数设置是否超限"},
}};

// Register 262 serves two buttons: 1 clears the working hours, 2 the power-failure records.
inline constexpr std::array<CommandButton, 7> kCommands = {{
    {1043, "流量总量清零", "请确认是否清除流量总量？", 152, 1, "流量总量清零成功", "流量总量清零失败", kFunctions},
    {1048, "能量总量清零", "请确认是否清零能量总量？", 260, 1, "能量总量清零成功", "能量总量清零失败", kFunctions},
    {1045, "自动调零", "请确认阀门是否关闭？", 151, 1, "下传成功", "下传失败", kFunctions},
    {1050, "清除报表", "请确认是否清除报表？", 261, 1, "清除报表成功", "清除报表失败", kFunctions},
    {1052, "清除工时", "请确认是否清除工时？", 262, 1, "清除工时成功", "清除工时失败", kFunctions},
    {1053, "清除掉电记录", "请确认是否清除掉电记录？", 262, 2, "清除掉电记录成功", "清除掉电记录失败", kFunctions},
    {1054, "恢复出厂设置", "请确认是否恢复出厂设置？", 263, 1, "恢复出厂设置成功", "恢复出厂设置失败", kFunctions},
}};

inline constexpr int kSynchroniseButton = 1066;
inline constexpr std::array<SpecialButton, 5> kPresetButtons = {{
    {1026, "配置1下传"}, {1057, "配置2下传"}, {1059, "配置3下传"}, {1061, "配置4下传"}, {1062, "配置5下传"},
}};
inline constexpr std::array<SpecialButton, 1> kSpecialButtons = {{{kSynchroniseButton, "时间同步", kFunctions}}};

// The page's layout: the parameters with the batch and preset buttons, then the totals,
// two commands, the clock, its synchronisation and the other commands.
inline constexpr auto kEnableOrder = std::to_array<int>({
    1031, 1060, 1072, 1007, 1074, 1075, 1167, 1169, 1171, 1117, 1119, 1121, 1055, 1112, 1114, 1278,
    1280, 1282, 1009, 1178, 1181, 1184, 1187, 1189, 1191, 1194, 1197, 1199, 1201, 1203, 1018, 1129,
    1026, 1057, 1059, 1061, 1062, 1069, 1131, 1133, 1064, 1135, 1137, 1029, 1139, 1141, 1058, 1143,
    1145, 1043, 1048, 1151, 1153, 1147, 1149, 1066, 1045, 1050, 1052, 1053, 1054,
});

inline constexpr PageDefinition kPage = {
    .className = "CW58NormalDlg", .dialogId = 146, .tabTitle = "常用参数和功能", .frames = kFrames, .rows = kRows,
    .readAllButton = 1018, .readAllBlocks = kReadAllBlocks, .readAllDecodesEachBlock = true,
    .downloadAllButton = 1129, .downloadBlocks = kDownloadBlocks, .commands = kCommands,
    .presetButtons = kPresetButtons, .specialButtons = kSpecialButtons, .enableOrder = kEnableOrder,
    .makePage = &MakeW58NormalPage, .writeFailText = kW58WriteFailText};
static_assert(kEnableOrder.size() == 61);

}  // namespace w58_normal
}  // namespace kelvo
