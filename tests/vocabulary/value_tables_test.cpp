// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <algorithm>

#include "vocabulary/value_tables.h"

namespace kelvo {
namespace {

TEST(ValueTables, LegacyDiameterTablesAreInverseAndAgreeOnSizes) {
    for (std::size_t code = 0; code < LegacyDnToIndex.size(); ++code) {
        const int index = LegacyDnToIndex[code];
        EXPECT_EQ(DnList.at(static_cast<std::size_t>(index)), LegacyDnList[code]) << "legacy code " << code;
        EXPECT_EQ(DnIndexToLegacy.at(static_cast<std::size_t>(index)), static_cast<int>(code));
    }
    for (std::size_t index = 0; index < DnIndexToLegacy.size(); ++index) {
        const int code = DnIndexToLegacy[index];
        if (code < 0) continue;
        EXPECT_EQ(LegacyDnToIndex.at(static_cast<std::size_t>(code)), static_cast<int>(index));
    }
}

TEST(ValueTables, DiametersLegacyMetersLack) {
    for (int dn : {1, 2, 4, 5, 8}) {
        const auto it = std::find(DnList.begin(), DnList.end(), dn);
        ASSERT_NE(it, DnList.end());
        EXPECT_EQ(DnIndexToLegacy[static_cast<std::size_t>(it - DnList.begin())], -1) << "DN" << dn;
    }
    int missing = 0;
    for (int code : DnIndexToLegacy) missing += code < 0 ? 1 : 0;
    EXPECT_EQ(missing, 5);
}

TEST(ValueTables, KnownRows) {
    struct Case {
        std::string_view got;
        std::string_view want;
    };
    const Case cases[] = {
        {FlowUnitTextAt(0), "L/s"},        {FlowUnitTextAt(5), "m3/h"},     {FlowUnitTextAt(17), "Igal/h"},
        {TextAt(ModelTable, 11), "RA12"},  {TextAt(PowerUnits, 2), "kJ/h"}, {TextAt(EnergyUnits, 2), "kJ"},
        {TextAt(ParityTexts, 2), "偶校验"}, {TextAt(ByteOrderTexts, 1), "2-1 4-3"},
        {TextAt(TotalizerNames, 2), "净累积"},
    };
    for (const auto& c : cases) EXPECT_EQ(c.got, c.want);
    EXPECT_EQ(DiameterText(13), "DN50");
    EXPECT_EQ(DnIndexToLegacy[13], 8);
    EXPECT_EQ(LegacyDnList[8], 50);
    EXPECT_EQ(LegacyDnToIndex[0], 2);
    EXPECT_EQ(LegacyDnToIndex[30], 35);
}

TEST(ValueTables, IndicesOutsideATableGiveNoText) {
    for (long long index : {-1LL, 6LL, 65535LL, 1LL << 40}) EXPECT_EQ(TextAt(VolumeUnits, index), "") << index;
    for (long long index : {-1LL, 36LL, 65535LL}) EXPECT_EQ(DiameterText(index), "") << index;
    EXPECT_EQ(FlowUnitTextAt(18), "");
    EXPECT_EQ(FlowUnitTextAt(-1), "");
    EXPECT_FALSE(TableAt(LegacyDnToIndex, 31).has_value());
}

TEST(ValueTables, EnergyUnitListMapping) {
    // stored code -> list index shown; list index chosen -> stored code
    const int shown[][2] = {{0, 0}, {1, 1}, {2, 0}, {3, 2}, {4, 3}, {5, 4}, {-1, -1}};
    for (const auto& row : shown) EXPECT_EQ(EnergyCodeToShortIndex(row[0]), row[1]) << "code " << row[0];
    const int chosen[][2] = {{0, 0}, {1, 1}, {2, 3}, {3, 4}, {-1, -1}};
    for (const auto& row : chosen) EXPECT_EQ(ShortIndexToEnergyCode(row[0]), row[1]) << "index " << row[0];
}

}  // namespace
}  // namespace kelvo
