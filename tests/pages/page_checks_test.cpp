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

constexpr ParamRow Word(int id, std::uint16_t reg) {
    return {.label = "字", .control = Control::IntEdit, .controlId = id, .kind = Kind::U16, .reg = reg};
}
constexpr ParamRow Pair(int id, std::uint16_t reg) {
    return {.label = "对", .control = Control::DecimalEdit, .controlId = id, .kind = Kind::U32, .reg = reg, .scale = 4};
}

constexpr std::array<ParamRow, 3> kRows = {{Word(1001, 141), Word(1002, 142), Pair(1003, 139)}};
constexpr PageDefinition Page(std::span<const BatchBlock> readAll, std::span<const BatchBlock> download,
                              std::span<const ParamRow> rows = kRows) {
    return {.className = "C", .dialogId = 1, .frames = kFrames, .rows = rows, .readAllButton = 2001,
            .readAllBlocks = readAll, .downloadAllButton = 2002, .downloadBlocks = download};
}

constexpr std::array<BatchBlock, 1> kWhole = {{{139, 8}}};
static_assert(FirstTableFault(Page(kWhole, kWhole)) == TableFault::None);

constexpr std::array<ParamRow, 2> kSameId = {{Word(1001, 141), Word(1001, 142)}};
static_assert(FirstTableFault(Page({}, {}, kSameId)) == TableFault::DuplicateId);
constexpr std::array<ParamRow, 1> kIdOfAButton = {{Word(2001, 141)}};
static_assert(FirstTableFault(Page({}, {}, kIdOfAButton)) == TableFault::DuplicateId);

constexpr std::array<BatchBlock, 1> kOdd = {{{139, 7}}};
constexpr std::array<BatchBlock, 1> kBeyondOneRequest = {{{99, 242}}};
static_assert(FirstTableFault(Page(kOdd, {})) == TableFault::BlockShape);
static_assert(FirstTableFault(Page(kBeyondOneRequest, {})) == TableFault::BlockShape);

// 287..320 lie outside the live record: a read there would be dropped without a word.
constexpr std::array<ParamRow, 1> kOutside = {{Word(1001, 300)}};
static_assert(FirstTableFault(Page({}, {}, kOutside)) == TableFault::RowOutsideRecord);
constexpr std::array<BatchBlock, 1> kAcrossTheGap = {{{280, 108}}};
constexpr std::array<ParamRow, 2> kBothEnds = {{Word(1001, 280), Word(1002, 333)}};
static_assert(FirstTableFault(Page(kAcrossTheGap, {}, kBothEnds)) == TableFault::BlockOutsideRecord);

// 141 is a word of the live block, 140 the second half of a pair.
constexpr std::array<ParamRow, 1> kPairOnAWord = {{Pair(1001, 141)}};
constexpr std::array<ParamRow, 1> kPairOffItsStart = {{Pair(1001, 140)}};
constexpr std::array<ParamRow, 1> kWordInAPair = {{Word(1001, 139)}};
static_assert(FirstTableFault(Page({}, {}, kPairOnAWord)) == TableFault::RowAgainstLiveRule);
static_assert(FirstTableFault(Page({}, {}, kPairOffItsStart)) == TableFault::RowAgainstLiveRule);
static_assert(FirstTableFault(Page({}, {}, kWordInAPair)) == TableFault::RowAgainstLiveRule);

constexpr std::array<BatchBlock, 1> kHalfAPair = {{{140, 6}}};
static_assert(FirstTableFault(Page(kHalfAPair, {})) == TableFault::RowStraddlesBlock);
static_assert(FirstTableFault(Page({}, kHalfAPair)) == TableFault::RowStraddlesBlock);

constexpr std::array<BatchBlock, 1> kLooseEnd = {{{139, 10}}};  // 143 is no row's
static_assert(FirstTableFault(Page(kLooseEnd, {})) == TableFault::LooseReadBlockEdge);

// 141 and 142 are rows but 143 is not: the download would send it as zero.
constexpr std::array<ParamRow, 2> kGap = {{Word(1001, 141), Word(1002, 143)}};
constexpr std::array<BatchBlock, 1> kOverTheGap = {{{141, 6}}};
static_assert(FirstTableFault(Page(kOverTheGap, {}, kGap)) == TableFault::None);  // a read may pass over it
static_assert(FirstTableFault(Page({}, kOverTheGap, kGap)) == TableFault::UncoveredDownload);

constexpr std::array<int, 2> kShortOrder = {1001, 1002};
constexpr PageDefinition kMissingFromOrder = {.className = "C", .dialogId = 1, .frames = kFrames, .rows = kRows,
                                              .enableOrder = kShortOrder};
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
