#pragma once
// A parameter page described as constant data: its rows (one parameter each, in the
// page's exchange order), its batch blocks, its command buttons and its messages.
// One engine (ParameterPage) performs every transaction of every page from this data
// and one view builds the controls from it.

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string_view>

#include "messages/prompter.h"

namespace kelvo {

class PageControls;
class ParameterPage;
struct PageDefinition;

// Builds the logic of a page whose buttons need more than the engine offers (preset
// downloads, the meter clock); pages without one run on the plain engine.
using PageFactory = std::unique_ptr<ParameterPage> (*)(const PageDefinition&, PageControls&, Prompter&);

// The control that shows a row's value field.
enum class Control {
    List,        // drop-down list; field = selected index, −1 for none
    IntEdit,     // integer edit
    DecimalEdit, // decimal edit, double precision, shown with up to 15 significant digits
    FloatEdit,   // decimal edit, single precision, shown with up to 6 significant digits
    DigitsEdit,  // eight-digit meter number, always shown as "%08ld"
    DateTime,    // a date picker (controlId) and a time picker (secondControlId)
};

// How the row's registers travel on the wire.
enum class Kind {
    None,          // no register (a value that is only shown)
    U16, S16,      // one register, high byte first
    U32, S32,      // two registers arranged by the ByteOrderMode
    FlowUnitPair,  // two U16 registers: volume unit, time unit; field = volume × 3 + time
    Digits8,       // four registers, one decimal digit per byte, no swapping
    Total,         // four registers: whole part and thousandths, each a U32 pair
    Clock,         // three registers: year − 2000, month, day, hour, minute, second bytes
};

// Mappings between a field and its register integer beyond the plain scale.
enum class Mapping {
    Plain,             // register = field (× 10^scale for decimals)
    DiameterOffset,    // W58: register = list index + 9 (DN20, DN25, DN32 of DnList)
    EnergyUnit,        // list of ShortEnergyUnits <-> EnergyUnits code
    EncodedDiameter,   // generic: DnList index, or the legacy code on legacy meters
    EncodedFactor,     // generic sensor factor: scale 10^5, 10^4 on legacy meters
};

// Where a list's items come from (the fixed lists of a page carry their own items).
enum class ListSource { Fixed, AllDiameters, FlowUnits, VolumeUnits, ShortEnergyUnits };

// The bounds of the standard range prompt of a field, checked right after capture.
struct Range {
    double min;
    double max;
};

struct ParamRow {
    std::string_view label;
    Control control = Control::DecimalEdit;
    int controlId = 0;
    int secondControlId = 0;  // the time picker of a DateTime row
    Kind kind = Kind::U16;
    std::uint16_t reg = 0;
    int scale = 0;  // decimal exponent k: register = value × 10^k
    Mapping mapping = Mapping::Plain;
    ListSource listSource = ListSource::Fixed;
    std::span<const std::string_view> items = {};
    int readButton = 0;
    int writeButton = 0;
    std::optional<Range> range = std::nullopt;
    bool zeroText = false;     // its text "0" becomes "0.0" before writes and downloads
    bool hidden = false;       // created hidden and never shown (still exchanged)
    bool alwaysDisabled = false;
    double initial = 0;        // value field at page creation
    std::string_view writeFailText = {};  // instead of the page's write-failure text
    int frame = 0;             // index into the page's frames
    std::string_view captionBefore = {};  // a caption line above the row (e.g. "继电器1")

    // Request length in bytes.
    constexpr int Bytes() const {
        switch (kind) {
            case Kind::None: return 0;
            case Kind::U16:
            case Kind::S16: return 2;
            case Kind::U32:
            case Kind::S32:
            case Kind::FlowUnitPair: return 4;
            case Kind::Clock: return 6;
            case Kind::Digits8:
            case Kind::Total: return 8;
        }
        return 0;
    }
    constexpr int Registers() const { return Bytes() / 2; }
    // Its registers mean different things to meters of the two parameter encodings, so
    // every exchange of it identifies the meter first.
    constexpr bool DependsOnEncoding() const {
        return mapping == Mapping::EncodedDiameter || mapping == Mapping::EncodedFactor;
    }
};

// One request of a batch: registers [start, start + bytes/2).
struct BatchBlock {
    std::uint16_t start;
    std::uint16_t bytes;
    std::string_view failText = {};  // instead of the page's batch-failure text
};

// A function button that writes one command value to one register.
struct CommandButton {
    int buttonId;
    std::string_view label;
    std::string_view question;
    std::uint16_t reg;
    std::uint16_t value;
    std::string_view successText;
    std::string_view failText;
    int frame = 0;
};

// A button whose transaction is the page's own (presets, clock synchronisation).
struct SpecialButton {
    int buttonId;
    std::string_view label;
    int frame = 0;
};

struct Frame {
    std::string_view title;
};

struct PageDefinition {
    std::string_view className;  // the page's name in the meter's tool family, e.g. "CW58FlowCfgDlg"
    int dialogId;
    std::string_view tabTitle = {};
    std::span<const Frame> frames;
    std::span<const ParamRow> rows;  // in the page's exchange order

    int readAllButton = 0;  // 0: the page has none
    std::span<const BatchBlock> readAllBlocks = {};
    // true: every block is decoded as soon as it has been read, and a failing block
    // leaves the earlier ones' values; false: values change only when all were read.
    bool readAllDecodesEachBlock = false;

    int downloadAllButton = 0;
    std::span<const BatchBlock> downloadBlocks = {};
    // Identify the meter before the download (its encoding decides the values).
    bool identifyBeforeDownload = false;

    std::span<const CommandButton> commands = {};
    // "配置1下传" … "配置5下传": each downloads its stored preset, by the page's own logic.
    std::span<const SpecialButton> presetButtons = {};
    std::span<const SpecialButton> specialButtons = {};
    // The order SetControlsEnabled goes through the controls, where the page's layout
    // orders them otherwise than row by row (each row's control and its buttons, then the
    // batch, command and special buttons).
    std::span<const int> enableOrder = {};

    PageFactory makePage = nullptr;

    std::string_view writeFailText = {};
    std::string_view readAllFailText = "参数读取失败，注意仪表是否支持相关参数读取";
    std::string_view downloadFailText = "参数下传失败，注意仪表是否支持相关参数下传或者参数超限";
};

// Calls `visit` with the id of every control and button of the page in its derived
// order: each row's control(s) and its buttons, then the batch, command, preset and
// special buttons. The controls of rows that are always disabled only `withAlwaysDisabled`.
template <class Visit>
constexpr void ForEachPageId(const PageDefinition& page, bool withAlwaysDisabled, Visit&& visit) {
    const auto present = [&visit](int id) {
        if (id != 0) visit(id);
    };
    for (const ParamRow& row : page.rows) {
        if (row.alwaysDisabled && !withAlwaysDisabled) continue;
        present(row.controlId);
        present(row.secondControlId);
        present(row.readButton);
        present(row.writeButton);
    }
    present(page.readAllButton);
    present(page.downloadAllButton);
    for (const CommandButton& command : page.commands) present(command.buttonId);
    for (const SpecialButton& preset : page.presetButtons) present(preset.buttonId);
    for (const SpecialButton& special : page.specialButtons) present(special.buttonId);
}

// Every control and button that SetControlsEnabled acts on, in that order.
template <class Visit>
constexpr void ForEachLockedId(const PageDefinition& page, Visit&& visit) {
    ForEachPageId(page, false, visit);
}

// Texts shared by every page.
inline constexpr std::string_view kReadFailedText = "读取失败";
inline constexpr std::string_view kWriteSucceededText = "写入成功";
inline constexpr std::string_view kReadAllSucceededText = "读取成功";
inline constexpr std::string_view kDownloadSucceededText = "下传成功";
inline constexpr std::string_view kW58WriteFailText = "写入失败，注意仪表是否支持该参数下传设置或设置超限";
inline constexpr int kBatchPauseMs = 200;

}  // namespace kelvo
