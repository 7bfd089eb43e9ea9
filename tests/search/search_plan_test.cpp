// SPDX-License-Identifier: GPL-3.0-or-later
// What a meter search tries, in which order, and what it says a search will take.

#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "search/search_plan.h"

namespace kelvo {
namespace {

using std::chrono::microseconds;
using std::chrono::milliseconds;

TEST(SearchPlan, AddressRanges) {
    const struct {
        const char* text;
        std::optional<AddressRange> range;
    } cases[] = {
        {"17", AddressRange{17, 17}},   {" 10 - 20 ", AddressRange{10, 20}}, {"1-247", AddressRange{1, 247}},
        {"0", std::nullopt},            {"248", std::nullopt},               {"20-10", std::nullopt},
        {"", std::nullopt},             {"abc", std::nullopt},               {"5-", std::nullopt},
        {"1-2-3", std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(ParseAddressRange(c.text), c.range) << c.text;
}

TEST(SearchPlan, TheStoredAddressFirstThenTheStoredLineThenAddressByAddress) {
    const LineSetting stored{9600, 0};
    const LineSetting other{4800, 0};
    const LineSetting odd{4800, 1};
    const SearchScope scope{.addresses = {1, 3}, .preferredAddress = 2, .lines = {stored, other, odd}};
    const std::vector<SearchTry> expected = {
        {2, stored}, {2, other}, {2, odd},  // the stored address at every setting
        {1, stored}, {3, stored},           // the stored setting at every other address
        {1, other},  {1, odd},   {3, other}, {3, odd},
    };
    EXPECT_EQ(PlanSearch(scope), expected);
}

TEST(SearchPlan, ScopeFromTheStoredSettings) {
    SerialSettings stored;
    stored.address = 8;
    stored.baudRate = 2400;
    stored.parity = 2;
    const SearchScope whole = ScopeFromSettings(stored);
    EXPECT_EQ(whole.preferredAddress, 8);
    ASSERT_EQ(whole.lines.size(), kOfferedBaudRates.size() * kParityCount);
    EXPECT_EQ(whole.lines.front(), (LineSetting{2400, 2}));
    EXPECT_EQ(whole.lines[1], (LineSetting{1200, 0}));
    EXPECT_EQ(PlanSearch(whole).size(), 247U * 21U) << "every address at every setting, each once";

    // A range without the stored address has no address to try first; a stored rate the
    // dialog does not offer is not tried.
    stored.baudRate = 115200;
    const SearchScope some = ScopeFromSettings(stored, {10, 20});
    EXPECT_EQ(some.preferredAddress, std::nullopt);
    EXPECT_EQ(some.lines.front(), (LineSetting{1200, 0}));
}

TEST(SearchPlan, ATryWaitsForTheRequestTheLongestAnswerAndTheTurnaround) {
    // 6 + 38 bytes of 10 bits at 4800 baud: 91.667 ms; of 11 bits at 1200 baud: 403.333 ms.
    EXPECT_EQ(TryFloor({4800, 0}, milliseconds(100)), microseconds(191'667));
    EXPECT_EQ(TryFloor({1200, 2}, milliseconds(100)), microseconds(503'333));
    const std::vector<SearchTry> tries = {{1, {4800, 0}}, {2, {1200, 2}}};
    EXPECT_EQ(PlanTime(tries, milliseconds(100)), microseconds(695'000));
}

TEST(SearchPlan, Texts) {
    EXPECT_EQ(LineText({4800, 0}), "4800 波特，无校验");
    EXPECT_EQ(LineText({2400, 2}), "2400 波特，偶校验");
    EXPECT_EQ(DurationText(microseconds(400'000)), "不到 1 秒");
    EXPECT_EQ(DurationText(milliseconds(12'400)), "约 12 秒");
    EXPECT_EQ(DurationText(std::chrono::seconds(1095)), "约 18 分 15 秒");
}

}  // namespace
}  // namespace kelvo
