#include "pages/w58/w58_normal_page.h"

#include <array>
#include <ctime>

#include "messages/prompter.h"
#include "pages/list_items.h"
#include "pages/page_checks.h"
#include "pages/preset_confirmation.h"
#include "pages/w58/w58_pages.h"
#include "settings/settings.h"
#include "tables/value_tables.h"

namespace kelvo {
namespace {

enum FrameIndex { kParameters, kFunctions };
constexpr std::array<kelvo::Frame, 2> kFrames = {{{"常用参数"}, {"常用功能"}}};

// Row indices a preset download fills, in the exchange order of the rows below.
enum Row : std::size_t {
    kDiameterRow, kRangeRow, kTotaliserRow, kEnergyUnitRow, kSensorFactorRow, kMeterNumberRow,
    kClockRow = 10, kAddressRow, kBaudRow, kParityRow, kByteOrderRow,
};

constexpr std::string_view kClockWriteFailText = "写入失败，注意设置时间是否异常或超限";

constexpr std::array<ParamRow, 15> kRows = {{
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

constexpr std::array<BatchBlock, 7> kReadAllBlocks = {{
    {134, 2, "单位读取失败，注意仪表是否支持相关参数读取"},
    {280, 2, "流量累积显示读取失败，注意仪表是否支持相关参数读取"},
    {139, 4, "流量量程读取失败，注意仪表是否支持相关参数读取"},
    {147, 6, "传感器系数&口径读取失败，注意仪表是否支持相关参数读取"},
    {225, 8, "表号读取失败，注意仪表是否支持相关参数读取"},
    {156, 4, "通讯地址&波特率读取失败，注意仪表是否支持相关参数读取"},
    {203, 4, "校验方式&字节顺序读取失败，注意仪表是否支持相关参数读取"},
}};

// Parity and byte order go before address and baud rate, unlike the read all.
constexpr std::array<BatchBlock, 7> kDownloadBlocks = {{
    {134, 2, "单位下传失败，注意仪表是否支持相关参数下传"},
    {280, 2, "流量累积显示下传失败，注意仪表是否支持相关参数下传"},
    {139, 4, "流量量程下传失败，注意参数设置是否超限"},
    {147, 6, "传感器系数&口径下传失败，注意参数设置是否超限"},
    {225, 8, "表号下传失败，注意参数设置是否超限"},
    {203, 4, "校验方式&字节顺序下传失败，注意参数设置是否超限"},
    {156, 4, "通讯地址&波特率下传失败，注意参数设置是否超限"},
}};

// Register 262 serves two buttons: 1 clears the working hours, 2 the power-failure records.
constexpr std::array<CommandButton, 7> kCommands = {{
    {1043, "流量总量清零", "请确认是否清除流量总量？", 152, 1, "流量总量清零成功", "流量总量清零失败", kFunctions},
    {1048, "能量总量清零", "请确认是否清零能量总量？", 260, 1, "能量总量清零成功", "能量总量清零失败", kFunctions},
    {1045, "自动调零", "请确认阀门是否关闭？", 151, 1, "下传成功", "下传失败", kFunctions},
    {1050, "清除报表", "请确认是否清除报表？", 261, 1, "清除报表成功", "清除报表失败", kFunctions},
    {1052, "清除工时", "请确认是否清除工时？", 262, 1, "清除工时成功", "清除工时失败", kFunctions},
    {1053, "清除掉电记录", "请确认是否清除掉电记录？", 262, 2, "清除掉电记录成功", "清除掉电记录失败", kFunctions},
    {1054, "恢复出厂设置", "请确认是否恢复出厂设置？", 263, 1, "恢复出厂设置成功", "恢复出厂设置失败", kFunctions},
}};

constexpr int kSynchroniseButton = 1066;
constexpr std::array<SpecialButton, 6> kSpecialButtons = {{
    {1026, "配置1下传"}, {1057, "配置2下传"}, {1059, "配置3下传"}, {1061, "配置4下传"}, {1062, "配置5下传"},
    {kSynchroniseButton, "时间同步", kFunctions},
}};
constexpr std::size_t kPresetButtons = 5;

// The page's layout: the parameters with the batch and preset buttons, then the totals,
// two commands, the clock, its synchronisation and the other commands.
constexpr auto kEnableOrder = std::to_array<int>({
    1031, 1060, 1072, 1007, 1074, 1075, 1167, 1169, 1171, 1117, 1119, 1121, 1055, 1112, 1114, 1278,
    1280, 1282, 1009, 1178, 1181, 1184, 1187, 1189, 1191, 1194, 1197, 1199, 1201, 1203, 1018, 1129,
    1026, 1057, 1059, 1061, 1062, 1069, 1131, 1133, 1064, 1135, 1137, 1029, 1139, 1141, 1058, 1143,
    1145, 1043, 1048, 1151, 1153, 1147, 1149, 1066, 1045, 1050, 1052, 1053, 1054,
});

std::unique_ptr<ParameterPage> MakePage(const PageDefinition& definition, PageControls& controls,
                                        Prompter& prompter) {
    return std::make_unique<CW58NormalPage>(definition, controls, prompter);
}

constexpr PageDefinition kDefinition = {
    .className = "CW58NormalDlg",
    .dialogId = 146,
    .tabTitle = "常用参数和功能",
    .frames = kFrames,
    .rows = kRows,
    .readAllButton = 1018,
    .readAllBlocks = kReadAllBlocks,
    .readAllDecodesEachBlock = true,
    .downloadAllButton = 1129,
    .downloadBlocks = kDownloadBlocks,
    .commands = kCommands,
    .specialButtons = kSpecialButtons,
    .enableOrder = kEnableOrder,
    .makePage = &MakePage,
    .writeFailText = kW58WriteFailText,
};
static_assert(FirstTableFault(kDefinition) == TableFault::None);
static_assert(kEnableOrder.size() == 61);

void PutWord(int value, std::uint8_t* wire) {
    wire[0] = static_cast<std::uint8_t>((value >> 8) & 0xFF);
    wire[1] = static_cast<std::uint8_t>(value & 0xFF);
}

}  // namespace

const PageDefinition& W58NormalDefinition() { return kDefinition; }

CW58NormalPage::CW58NormalPage(const PageDefinition& definition, PageControls& controls, Prompter& prompter)
    : ParameterPage(definition, controls, prompter) {}

bool CW58NormalPage::OnSpecialButton(int buttonId) {
    if (buttonId == kSynchroniseButton) {
        SynchroniseClock();
        return true;
    }
    for (std::size_t i = 0; i < kPresetButtons; ++i) {
        if (kSpecialButtons[i].buttonId == buttonId) {
            DownloadPreset(static_cast<int>(i) + 1);
            return true;
        }
    }
    return false;
}

void CW58NormalPage::SynchroniseClock() {
    if (!Messages().Confirm("请确认是否要同步时间？")) return;
    CodecContext context;
    if (!OpenTransaction(context)) return;
    const auto now = static_cast<std::int64_t>(std::time(nullptr));
    std::array<std::uint8_t, 6> clock{};
    TimeToClockBytes(now, now, clock.data());
    const bool written = Link().WriteRegisters(kRows[kClockRow].reg, static_cast<std::uint16_t>(clock.size()), clock.data()) != 0;
    Messages().Warn(written ? "时间同步成功" : "时间同步失败");
    Link().ClosePort();
}

void CW58NormalPage::DownloadPreset(int presetNumber) {
    CodecContext context;
    if (!OpenTransaction(context)) return;
    const W58Preset preset = LoadPresets().w58.at(static_cast<std::size_t>(presetNumber - 1));

    // The preset's values travel in place of the page's own; the page keeps its fields.
    std::vector<FieldValue> values = Values();
    values[kRangeRow].real = preset.FlowScale;
    values[kTotaliserRow].integer = preset.FlowAccuView;
    values[kSensorFactorRow].real = preset.SnsrFact;
    values[kMeterNumberRow].integer = preset.SnsrCode;
    values[kAddressRow].integer = preset.Addr;
    values[kBaudRow].integer = preset.Baudrate;
    values[kParityRow].integer = preset.Parity;
    values[kByteOrderRow].integer = preset.Swap;
    // A hand-edited preset whose meter number or factor the registers cannot carry is
    // refused before the question: nothing of it reaches the meter.
    for (Row row : {kRangeRow, kSensorFactorRow, kMeterNumberRow}) {
        if (const auto refusal = RefusalOf(kRows[row], values[row], context)) {
            Messages().Warn(*refusal);
            Link().ClosePort();
            return;
        }
    }
    if (!Messages().Confirm(W58PresetConfirmation(preset))) {
        Link().ClosePort();
        return;
    }
    WireImage image;
    if (!EncodeDownload(values, context, image)) return;
    // The preset stores the meter's own unit code and DnList index: they go out as stored.
    PutWord(preset.HeatAccuUnit, image.At(kRows[kEnergyUnitRow].reg));
    PutWord(preset.DN, image.At(kRows[kDiameterRow].reg));
    WriteDownloadBlocks(image);
}

}  // namespace kelvo
