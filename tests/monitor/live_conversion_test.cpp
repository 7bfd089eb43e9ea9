// The live block as the meter sends it, converted register by register: every row of
// the meter's register layout, at both of its ends, in two byte orders.

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <span>

#include "link/byte_order.h"
#include "monitor/live_polling.h"
#include "monitor/live_record.h"
#include "settings/settings.h"

namespace kelvo {
namespace {

using enum RegisterRule;

// The wire byte at record offset i; neighbouring bytes differ, so every swap shows.
std::uint8_t WireByte(int offset) { return static_cast<std::uint8_t>(offset * 7 + 1); }

LiveRecord WireOrderRecord() {
    LiveRecord record;
    for (int i = 0; i < kLiveRecordBytes; ++i) record.bytes[static_cast<std::size_t>(i)] = WireByte(i);
    return record;
}

struct ConvertedRegister {
    int reg;  // for 32-bit values the first register of the pair
    RegisterRule rule;
    // Host value in mode 1 ("2-1 4-3") and mode 3 ("4-3 2-1"). A raw register keeps its
    // bytes in wire order; the value lists them first byte high.
    std::uint32_t inMode1;
    std::uint32_t inMode3;
};

// Wire bytes from WireByte(); host values worked out by hand from the byte-order table.
constexpr std::array<ConvertedRegister, 72> kConverted = {{
    {99, Pair32, 0x0F160108, 0x01080F16},
    {113, Pair32, 0xD3DAC5CC, 0xC5CCD3DA},
    {115, Word16, 0xE1E8, 0xE1E8},
    {118, Word16, 0x0B12, 0x0B12},
    {119, Pair32, 0x272E1920, 0x1920272E},
    {131, Pair32, 0xCFD6C1C8, 0xC1C8CFD6},
    {133, Word16, 0xDDE4, 0xDDE4},
    {134, Word16, 0xEBF2, 0xEBF2},
    {135, Raw, 0xF900, 0xF900},
    {138, Raw, 0x232A, 0x232A},
    {139, Pair32, 0x3F463138, 0x31383F46},
    {141, Word16, 0x4D54, 0x4D54},
    {144, Word16, 0x777E, 0x777E},
    {145, Pair32, 0x939A858C, 0x858C939A},
    {147, Pair32, 0xAFB6A1A8, 0xA1A8AFB6},
    {149, Word16, 0xBDC4, 0xBDC4},
    {158, Word16, 0x3B42, 0x3B42},
    {159, Pair32, 0x575E4950, 0x4950575E},
    {175, Pair32, 0x373E2930, 0x2930373E},
    {177, Word16, 0x454C, 0x454C},
    {178, Word16, 0x535A, 0x535A},
    {179, Raw, 0x6168, 0x6168},
    {180, Word16, 0x6F76, 0x6F76},
    {181, Raw, 0x7D84, 0x7D84},
    {184, Raw, 0xA7AE, 0xA7AE},
    {185, Word16, 0xB5BC, 0xB5BC},
    {186, Word16, 0xC3CA, 0xC3CA},
    {187, Pair32, 0xDFE6D1D8, 0xD1D8DFE6},
    {189, Pair32, 0xFB02EDF4, 0xEDF4FB02},
    {191, Word16, 0x0910, 0x0910},
    {199, Word16, 0x7980, 0x7980},
    {200, Raw, 0x878E, 0x878E},
    {202, Raw, 0xA3AA, 0xA3AA},
    {203, Word16, 0xB1B8, 0xB1B8},
    {204, Word16, 0xBFC6, 0xBFC6},
    {205, Raw, 0xCDD4, 0xCDD4},
    {222, Raw, 0xBBC2, 0xBBC2},
    {223, Word16, 0xC9D0, 0xC9D0},
    {224, Word16, 0xD7DE, 0xD7DE},
    {225, Raw, 0xE5EC, 0xE5EC},
    {234, Raw, 0x636A, 0x636A},
    {235, Pair32, 0x7F867178, 0x71787F86},
    {237, Word16, 0x8D94, 0x8D94},
    {238, Raw, 0x9BA2, 0x9BA2},
    {239, Raw, 0xA9B0, 0xA9B0},
    {240, Word16, 0xB7BE, 0xB7BE},
    {241, Pair32, 0xD3DAC5CC, 0xC5CCD3DA},
    {243, Pair32, 0xEFF6E1E8, 0xE1E8EFF6},
    {245, Word16, 0xFD04, 0xFD04},
    {246, Word16, 0x0B12, 0x0B12},
    {247, Raw, 0x1920, 0x1920},
    {248, Word16, 0x272E, 0x272E},
    {249, Pair32, 0x434A353C, 0x353C434A},
    {251, Word16, 0x5158, 0x5158},
    {252, Word16, 0x5F66, 0x5F66},
    {253, Pair32, 0x7B826D74, 0x6D747B82},
    {255, Pair32, 0x979E8990, 0x8990979E},
    {257, Word16, 0xA5AC, 0xA5AC},
    {265, Word16, 0x151C, 0x151C},
    {266, Pair32, 0x3138232A, 0x232A3138},
    {268, Word16, 0x3F46, 0x3F46},
    {269, Raw, 0x4D54, 0x4D54},
    {271, Raw, 0x6970, 0x6970},
    {272, Word16, 0x777E, 0x777E},
    {273, Raw, 0x858C, 0x858C},
    {276, Raw, 0xAFB6, 0xAFB6},
    {277, Pair32, 0xCBD2BDC4, 0xBDC4CBD2},
    {279, Word16, 0xD9E0, 0xD9E0},
    {286, Word16, 0x3B42, 0x3B42},
    {321, Pair32, 0x575E4950, 0x4950575E},
    {331, Pair32, 0xE3EAD5DC, 0xD5DCE3EA},
    {333, Word16, 0xF1F8, 0xF1F8},
}};

std::uint32_t HostValue(const LiveRecord& record, const ConvertedRegister& expected) {
    switch (expected.rule) {
        case Word16:
            return record.U16(expected.reg);
        case Pair32:
            return record.U32(expected.reg);
        case Raw:
            break;
    }
    const std::uint8_t* place = record.Raw(expected.reg, 2);
    return place != nullptr ? static_cast<std::uint32_t>(place[0] << 8 | place[1]) : 0xFFFFFFFF;
}

std::uint32_t WireValue(const ConvertedRegister& expected) {
    const int offset = *LiveOffset(expected.reg);
    if (expected.rule != Pair32) return static_cast<std::uint32_t>(WireByte(offset) << 8 | WireByte(offset + 1));
    std::uint32_t value = 0;
    for (int i = 0; i < 4; ++i) value |= static_cast<std::uint32_t>(WireByte(offset + i)) << (8 * i);
    return value;
}

void ConvertBlocks(LiveRecord& record, std::span<const LiveBlock> blocks, int mode) {
    for (const LiveBlock& block : blocks) ConvertLiveBlock(record, block.startRegister, block.byteCount, mode);
}

TEST(LiveConversion, W58BlocksConvertEveryRegisterByItsRule) {
    struct ModeCase {
        int mode;
        std::uint32_t ConvertedRegister::*value;
    };
    // Mode 7 is outside 0..3 and acts as mode 1.
    const std::array<ModeCase, 3> modes = {{{1, &ConvertedRegister::inMode1},
                                            {3, &ConvertedRegister::inMode3},
                                            {7, &ConvertedRegister::inMode1}}};
    for (const ModeCase& mode : modes) {
        LiveRecord record = WireOrderRecord();
        ConvertBlocks(record, LiveBlocksOf(kW58Meter), mode.mode);
        for (const ConvertedRegister& expected : kConverted) {
            EXPECT_EQ(HostValue(record, expected), expected.*mode.value)
                << "register " << expected.reg << ", mode " << mode.mode;
        }
    }
}

TEST(LiveConversion, GenericBlocksConvertOnlyTheirRegisters) {
    LiveRecord record = WireOrderRecord();
    const auto blocks = LiveBlocksOf(kGenericMeter);
    ConvertBlocks(record, blocks, 3);
    for (const ConvertedRegister& expected : kConverted) {
        bool inBlock = false;
        for (const LiveBlock& block : blocks) {
            inBlock = inBlock || (expected.reg >= block.startRegister &&
                                  expected.reg < block.startRegister + block.byteCount / 2);
        }
        if (inBlock) {
            EXPECT_EQ(HostValue(record, expected), expected.inMode3) << "register " << expected.reg;
        } else {
            const std::uint8_t* place = record.Raw(expected.reg, expected.rule == Pair32 ? 4 : 2);
            ASSERT_NE(place, nullptr);
            std::uint32_t stored = 0;
            if (expected.rule == Pair32) {
                for (int i = 0; i < 4; ++i) stored |= static_cast<std::uint32_t>(place[i]) << (8 * i);
            } else {
                stored = static_cast<std::uint32_t>(place[0] << 8 | place[1]);
            }
            EXPECT_EQ(stored, WireValue(expected)) << "register " << expected.reg << " lies outside every block";
        }
    }
}

TEST(LiveConversion, KnownMeterValues) {
    struct Case {
        int reg;
        std::array<std::uint8_t, 4> wire;
        int mode;
        std::uint32_t host;
    };
    const std::array<Case, 6> cases = {{
        {139, {0x00, 0x01, 0x86, 0xA0}, 3, 100000},
        {139, {0x86, 0xA0, 0x00, 0x01}, 1, 100000},
        {139, {0xA0, 0x86, 0x01, 0x00}, 0, 100000},
        {139, {0x01, 0x00, 0xA0, 0x86}, 2, 100000},
        {323, {0xFF, 0xFF, 0xFF, 0xFE}, 3, 0xFFFFFFFE},
        {115, {0x01, 0x2C, 0x00, 0x02}, 3, 300},  // 16-bit: the byte order does not apply
    }};
    for (const Case& c : cases) {
        LiveRecord record;
        std::uint8_t* place = record.RawMutable(c.reg, 4);
        ASSERT_NE(place, nullptr);
        for (std::size_t i = 0; i < 4; ++i) place[i] = c.wire[i];
        ConvertLiveBlock(record, static_cast<std::uint16_t>(c.reg), 4, c.mode);
        const std::uint32_t host = LiveRuleOf(c.reg) == Pair32 ? record.U32(c.reg) : record.U16(c.reg);
        EXPECT_EQ(host, c.host) << "register " << c.reg << ", mode " << c.mode;
    }
}

TEST(LiveConversion, APairCutByTheBlockEdgeStaysAsReceived) {
    LiveRecord record = WireOrderRecord();
    const LiveRecord before = record;
    ConvertLiveBlock(record, 100, 2, 3);  // the second half of the flow pair alone
    ConvertLiveBlock(record, 139, 2, 3);  // the first half of the range pair alone
    EXPECT_EQ(record, before);
}

}  // namespace
}  // namespace kelvo
