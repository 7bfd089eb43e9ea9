// SPDX-License-Identifier: GPL-3.0-or-later
// The compile-time check of page tables catches each kind of broken table. These are
// checks the compiler runs: a table the checker let through would fail the build here.

#include <gtest/gtest.h>

#include <array>

#include "pages/page_catalog.h"
#include "pages/page_checks.h"
#include "settings/settings.h"

namespace kelvo {
namespace {

constexpr std::array<kelvo::Frame, 1> kFrames = {{{"组"}}};

// A small meter: a pair at 139, words at 141..143, one word at each end of the record's gap.
constexpr auto kParameters = std::to_array<Parameter>({
    {.name = "pair", .label = "对", .kind = Kind::U32, .reg = 139, .scale = 4},
    {.name = "w141", .label = "字", .control = Control::IntEdit, .reg = 141},
    {.name = "w142", .label = "字", .control = Control::IntEdit, .reg = 142},
    {.name = "w143", .label = "字", .control = Control::IntEdit, .reg = 143},
    {.name = "w280", .label = "字", .control = Control::IntEdit, .reg = 280},
    {.name = "w333", .label = "字", .control = Control::IntEdit, .reg = 333},
});
constexpr RegisterMap kMap = {.kindName = "test", .parameters = kParameters, .commands = {}};
static_assert(FirstMapFault(kMap) == MapFault::None);

constexpr ParamRow At(std::string_view name, int id, RowLayout layout = {}) {
    layout.controlId = id;
    return ParamRow{*FindParameter(kParameters, name), layout};
}

constexpr std::array<ParamRow, 3> kRows = {{At("w141", 1001), At("w142", 1002), At("pair", 1003)}};
constexpr PageDefinition Page(std::span<const BatchBlock> readAll, std::span<const BatchBlock> download,
                              std::span<const ParamRow> rows = kRows) {
    return {.className = "C", .map = kMap, .dialogId = 1, .frames = kFrames, .rows = rows,
            .readAllButton = readAll.empty() ? 0 : 2001, .readAllBlocks = readAll, .downloadAllButton = 2002,
            .downloadBlocks = download};
}

constexpr std::array<BatchBlock, 1> kWhole = {{{139, 8}}};
static_assert(FirstTableFault(Page(kWhole, kWhole)) == TableFault::None);

constexpr PageDefinition kWithoutMap = {.className = "C", .dialogId = 1, .frames = kFrames, .rows = kRows};
static_assert(FirstTableFault(kWithoutMap) == TableFault::NoMap);

constexpr std::array<ParamRow, 2> kSameId = {{At("w141", 1001), At("w142", 1001)}};
static_assert(FirstTableFault(Page({}, {}, kSameId)) == TableFault::DuplicateId);
constexpr std::array<ParamRow, 1> kIdOfAButton = {{At("w141", 2002)}};
static_assert(FirstTableFault(Page({}, {}, kIdOfAButton)) == TableFault::DuplicateId);

constexpr std::array<BatchBlock, 1> kOdd = {{{139, 7}}};
constexpr std::array<BatchBlock, 1> kBeyondOneRequest = {{{99, 242}}};
static_assert(FirstTableFault(Page(kOdd, {})) == TableFault::BlockShape);
static_assert(FirstTableFault(Page(kBeyondOneRequest, {})) == TableFault::BlockShape);

// 287..320 lie outside the live record: a read there would be dropped without a word.
constexpr ParamRow Moved(ParamRow row, std::uint16_t reg) {
    row.reg = reg;
    return row;
}
constexpr std::array<ParamRow, 1> kOutside = {{Moved(At("w141", 1001), 300)}};
static_assert(FirstTableFault(Page({}, {}, kOutside)) == TableFault::RowOutsideRecord);
constexpr std::array<BatchBlock, 1> kAcrossTheGap = {{{280, 108}}};
constexpr std::array<ParamRow, 2> kBothEnds = {{At("w280", 1001), At("w333", 1002)}};
static_assert(FirstTableFault(Page(kAcrossTheGap, {}, kBothEnds)) == TableFault::BlockOutsideRecord);

// A row must be the parameter its kind's map keeps at its register: the polling converts
// the live block by the map, the row decodes by its own kind.
constexpr ParamRow AsPair(ParamRow row) {
    row.kind = Kind::U32;
    return row;
}
constexpr std::array<ParamRow, 1> kPairOnAWord = {{AsPair(At("w141", 1001))}};
constexpr std::array<ParamRow, 1> kOffItsRegister = {{Moved(At("pair", 1001), 140)}};
static_assert(FirstTableFault(Page({}, {}, kPairOnAWord)) == TableFault::RowNotOfMap);
static_assert(FirstTableFault(Page({}, {}, kOffItsRegister)) == TableFault::RowNotOfMap);

constexpr std::array<BatchBlock, 1> kHalfAPair = {{{140, 6}}};
static_assert(FirstTableFault(Page(kHalfAPair, {})) == TableFault::RowStraddlesBlock);
static_assert(FirstTableFault(Page({}, kHalfAPair)) == TableFault::RowStraddlesBlock);

constexpr std::array<BatchBlock, 1> kLooseEnd = {{{139, 10}}};  // 143 is no row's
static_assert(FirstTableFault(Page(kLooseEnd, {})) == TableFault::LooseReadBlockEdge);

// 141 and 142 are rows but 143 is not: the download would send it as zero.
constexpr std::array<ParamRow, 2> kGap = {{At("w141", 1001), At("w143", 1002)}};
constexpr std::array<BatchBlock, 1> kOverTheGap = {{{141, 6}}};
static_assert(FirstTableFault(Page(kOverTheGap, {}, kGap)) == TableFault::None);  // a read may pass over it
static_assert(FirstTableFault(Page({}, kOverTheGap, kGap)) == TableFault::UncoveredDownload);

// A read all that leaves out a row: dropped blocks are caught, a row read alone is not one.
constexpr std::array<BatchBlock, 1> kRangeOnly = {{{139, 4}}};
static_assert(FirstTableFault(Page(kRangeOnly, {})) == TableFault::RowOutsideReadAll);
constexpr std::array<ParamRow, 3> kWordsAlone = {
    {At("w141", 1001, {.readAlone = true}), At("w142", 1002, {.readAlone = true}), At("pair", 1003)}};
static_assert(FirstTableFault(Page(kRangeOnly, {}, kWordsAlone)) == TableFault::None);

constexpr std::array<ParamRow, 1> kInASecondFrame = {{At("w141", 1001, {.frame = 1})}};
static_assert(FirstTableFault(Page({}, {}, kInASecondFrame)) == TableFault::FrameOutOfRange);

constexpr std::array<int, 2> kShortOrder = {1001, 1002};
constexpr PageDefinition kMissingFromOrder = {.className = "C", .map = kMap, .dialogId = 1, .frames = kFrames,
                                              .rows = kRows, .enableOrder = kShortOrder};
static_assert(FirstTableFault(kMissingFromOrder) == TableFault::EnableOrderMismatch);

TEST(PageTables, EveryPageOfEveryKindIsSound) {
    for (int kind : {kGenericMeter, kW58Meter}) {
        for (const PageDefinition* page : PageDefinitionsOf(kind)) {
            EXPECT_EQ(FirstTableFault(*page), TableFault::None) << page->className;
        }
    }
}

}  // namespace
}  // namespace kelvo
