// SPDX-License-Identifier: GPL-3.0-or-later
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
#include "meter/parameter.h"

namespace kelvo {

class PageControls;
class ParameterPage;
struct PageDefinition;

// Builds the logic of a page whose buttons need more than the engine offers (preset
// downloads, the meter clock); pages without one run on the plain engine.
using PageFactory = std::unique_ptr<ParameterPage> (*)(const PageDefinition&, PageControls&, Prompter&);

// How a row sits on its page, beside the parameter it shows.
struct RowLayout {
    int controlId = 0;
    int secondControlId = 0;  // the time picker of a date and time row
    int readButton = 0;
    int writeButton = 0;
    bool zeroText = false;        // its text "0" becomes "0.0" before writes and downloads
    bool hidden = false;          // created hidden and never shown (still exchanged)
    bool alwaysDisabled = false;
    // Not in any of the page's read-all blocks: read only by its own button (the totals
    // and the clock, which a read all leaves alone).
    bool readAlone = false;
    std::string_view writeFailText = {};  // instead of the page's write-failure text
    int frame = 0;                        // index into the page's frames
    std::string_view captionBefore = {};  // a caption line above the row (e.g. "继电器1")
};

// A row of a page: a parameter of its meter kind's map, placed on the page. The
// parameter's facts (register, kind, scale, list …) come from the map alone.
struct ParamRow : Parameter, RowLayout {};

// The row of the parameter `name` of `map`, laid out as `layout`. A name the map lacks
// does not compile.
consteval ParamRow Row(std::span<const Parameter> map, std::string_view name, RowLayout layout) {
    return ParamRow{ParameterNamed(map, name), layout};
}

// One request of a batch: registers [start, start + bytes/2).
struct BatchBlock {
    std::uint16_t start;
    std::uint16_t bytes;
    std::string_view failText = {};  // instead of the page's batch-failure text
};

// The block from parameter `first` to parameter `last` of `map`, with whatever lies
// between them in the meter's layout.
consteval BatchBlock Block(std::span<const Parameter> map, std::string_view first, std::string_view last,
                           std::string_view failText = {}) {
    const RegisterSpan span = SpanOf(map, first, last);
    return {.start = span.start, .bytes = span.bytes, .failText = failText};
}
consteval BatchBlock Block(std::span<const Parameter> map, std::string_view only) { return Block(map, only, only); }

// How a command's button sits on its page.
struct CommandLayout {
    int buttonId;
    std::string_view label;
    std::string_view question;
    std::string_view successText;
    std::string_view failText;
    int frame = 0;
};

// A function button that writes one command of the meter.
struct CommandButton : MeterCommand, CommandLayout {};

consteval CommandButton Command(std::span<const MeterCommand> commands, std::string_view name, CommandLayout layout) {
    return CommandButton{CommandNamed(commands, name), layout};
}

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
    RegisterMap map = {};  // the meter kind whose parameters the page shows
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

// The row of the parameter `name`; rows are found by name, never by position.
constexpr std::optional<std::size_t> RowIndexOf(const PageDefinition& page, std::string_view name) {
    for (std::size_t i = 0; i < page.rows.size(); ++i) {
        if (page.rows[i].name == name) return i;
    }
    return std::nullopt;
}

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
