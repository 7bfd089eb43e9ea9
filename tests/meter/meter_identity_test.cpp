// SPDX-License-Identifier: GPL-3.0-or-later
// Which meters Kelvo accepts, and how it expects them to encode their parameters, from
// the identification bytes they answer with.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "meter/meter_identity.h"

namespace kelvo {
namespace {

std::vector<std::uint8_t> Bytes(const std::string& text) { return {text.begin(), text.end()}; }

struct IdentificationCase {
    const char* what;
    std::vector<std::uint8_t> answer;
    MeterIdentity expected;
};

TEST(MeterIdentity, ModelAndVersionGiveTheParameterEncoding) {
    using namespace std::string_literals;
    const std::vector<IdentificationCase> cases = {
        // RA01, RA02: current encoding after firmware 1003.
        {"RA01 1003", Bytes("RA011003"), {0, kEncodingLegacy}},
        {"RA01 1004", Bytes("RA011004"), {0, kEncodingCurrent}},
        {"RA01 10A3 is no version", Bytes("RA0110A3"), {0, kEncodingLegacy}},
        {"RA02 1003", Bytes("RA021003"), {1, kEncodingLegacy}},
        {"RA02 1004", Bytes("RA021004"), {1, kEncodingCurrent}},
        // RA03..RA05: current encoding after firmware 2003.
        {"RA03 2003", Bytes("RA032003"), {2, kEncodingLegacy}},
        {"RA03 2004", Bytes("RA032004"), {2, kEncodingCurrent}},
        {"RA04 2003", Bytes("RA042003"), {3, kEncodingLegacy}},
        {"RA04 2004", Bytes("RA042004"), {3, kEncodingCurrent}},
        {"RA05 2003", Bytes("RA052003"), {4, kEncodingLegacy}},
        {"RA05 1:00 counts as 2000", Bytes("RA051:00"), {4, kEncodingLegacy}},
        {"RA05 2:00 counts as 3000", Bytes("RA052:00"), {4, kEncodingCurrent}},
        {"RA05 no version", Bytes("RA05ABCD"), {4, kEncodingLegacy}},
        // RA06, RA07: legacy encoding from a minimum firmware, older ones unsupported.
        {"RA06 2002", Bytes("RA062002"), {5, kEncodingUnsupported}},
        {"RA06 2003", Bytes("RA062003"), {5, kEncodingLegacy}},
        {"RA06 9999", Bytes("RA069999"), {5, kEncodingLegacy}},
        {"RA06 no version", Bytes("RA06----"), {5, kEncodingUnsupported}},
        {"RA07 3002", Bytes("RA073002"), {6, kEncodingUnsupported}},
        {"RA07 3003", Bytes("RA073003"), {6, kEncodingLegacy}},
        // RA08..RA12 and unknown models: current encoding whatever the version.
        {"RA08", Bytes("RA080000"), {7, kEncodingCurrent}},
        {"RA09", Bytes("RA099999"), {8, kEncodingCurrent}},
        {"RA10", Bytes("RA10"), {9, kEncodingCurrent}},
        {"RA11", Bytes("RA11zzzz"), {10, kEncodingCurrent}},
        {"RA12", Bytes("RA12????"), {11, kEncodingCurrent}},
        {"unknown model", Bytes("XY991234"), {kUnknownModel, kEncodingCurrent}},
        {"unknown model, no version", Bytes("XY99"), {kUnknownModel, kEncodingCurrent}},
        {"model codes are case-sensitive", Bytes("ra061000"), {kUnknownModel, kEncodingCurrent}},
        {"RA13 is not in the table", Bytes("RA132002"), {kUnknownModel, kEncodingCurrent}},
        // Short answers: what did not arrive counts as zero bytes, i.e. no version.
        {"model only", Bytes("RA01"), {0, kEncodingLegacy}},
        {"RA06, model only", Bytes("RA06"), {5, kEncodingUnsupported}},
        {"RA06, three version digits", Bytes("RA06200"), {5, kEncodingUnsupported}},
        {"RA03, two version digits", Bytes("RA0320"), {2, kEncodingLegacy}},
        {"empty answer", {}, {kUnknownModel, kEncodingCurrent}},
        // The model ends at the first zero byte; a shorter text matches no model.
        {"three-character model", Bytes("RA0\0"s "2004"), {kUnknownModel, kEncodingCurrent}},
        {"three-character answer", Bytes("RA0"), {kUnknownModel, kEncodingCurrent}},
        {"zero byte first", Bytes("\0RA0"s "6200"), {kUnknownModel, kEncodingCurrent}},
        {"longer answer", Bytes("RA062003 serial 0012345"), {5, kEncodingLegacy}},
    };
    for (const IdentificationCase& c : cases) {
        EXPECT_EQ(DecodeIdentification(c.answer.data(), static_cast<int>(c.answer.size())), c.expected) << c.what;
    }
}

TEST(MeterIdentity, BytesBeyondTheAnswerCountAsZero) {
    const std::vector<std::uint8_t> buffer = Bytes("RA062003");
    // The buffer holds a version, but the meter sent only the model code.
    EXPECT_EQ(DecodeIdentification(buffer.data(), 4), (MeterIdentity{5, kEncodingUnsupported}));
    EXPECT_EQ(DecodeIdentification(buffer.data(), 8), (MeterIdentity{5, kEncodingLegacy}));
}

TEST(MeterIdentity, AnswersBeyondThe32ByteBufferAreCut) {
    std::vector<std::uint8_t> answer(40, 'x');
    const std::string start = "RA011004";
    std::copy(start.begin(), start.end(), answer.begin());
    EXPECT_EQ(DecodeIdentification(answer.data(), 40), (MeterIdentity{0, kEncodingCurrent}));
}

TEST(MeterIdentity, FirmwareVersionDigits) {
    struct Case {
        std::array<std::uint8_t, 4> digits;
        int version;
    };
    const std::array<Case, 10> cases = {{
        {{'0', '0', '0', '0'}, 0},
        {{'2', '0', '0', '3'}, 2003},
        {{'9', '9', '9', '9'}, 9999},
        {{'1', ':', '0', '0'}, 2000},  // ':' is the digit value 10
        {{'?', '?', '?', '?'}, 16665},  // '?' is 15, the largest
        {{'1', '0', 'A', '3'}, -1},
        {{'@', '0', '0', '0'}, -1},  // the character after '?'
        {{'/', '0', '0', '0'}, -1},  // below '0'
        {{'1', '0', '0', ' '}, -1},
        {{0, 0, 0, 0}, -1},
    }};
    for (const Case& c : cases) {
        EXPECT_EQ(FirmwareVersion(c.digits.data()), c.version)
            << std::string(c.digits.begin(), c.digits.end());
    }
}

}  // namespace
}  // namespace kelvo
