// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Which meter answers: its row of ModelTable and how it encodes its parameters.

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "link/answer_check.h"
#include "link/link_result.h"
#include "settings/settings.h"  // kW58Meter

namespace kelvo {

class CDMRJly;
class Prompter;

inline constexpr int kUnknownModel = 12;  // a model code that is not in ModelTable

// ParamEncoding
inline constexpr int kEncodingUnsupported = -1;
inline constexpr int kEncodingLegacy = 0;
inline constexpr int kEncodingCurrent = 1;

struct MeterIdentity {
    int modelIndex = 0;                    // ModelIndex
    int paramEncoding = kEncodingCurrent;  // ParamEncoding

    bool operator==(const MeterIdentity&) const = default;
};

// A W58 meter and the generic models RA02, RA05 and RA12 also measure heat.
constexpr bool MeasuresHeat(int meterKind, int modelIndex) {
    return meterKind == kW58Meter || modelIndex == 1 || modelIndex == 4 || modelIndex == 11;
}

// "W58仪表" or "通用仪表".
constexpr std::string_view MeterKindText(int meterKind) { return meterKind == kW58Meter ? "W58仪表" : "通用仪表"; }

// Decodes the identification bytes: model code in bytes 0..3 (up to the first zero
// byte), firmware version digits in bytes 4..7. Bytes beyond `count` count as zero.
MeterIdentity DecodeIdentification(const std::uint8_t* bytes, int count);

// The firmware version of bytes 4..7, or −1. The six characters after '9' (':' to '?')
// pass as the digit values 10 to 15, as the meters' firmware numbers its versions.
int FirmwareVersion(const std::uint8_t* versionBytes);

// The model code and the version characters as a person reads them: the code up to its
// first zero byte, the four version characters as they came; bytes that are no printable
// ASCII show as '?'. Missing bytes give shorter texts.
struct IdentificationTexts {
    std::string model;
    std::string version;
};
IdentificationTexts DescribeIdentification(std::span<const std::uint8_t> bytes);

// One function code 0x41 exchange on an open link. An answer that carries no byte names
// no meter: it counts as a truncated answer (`empty` says so).
struct IdentificationRead {
    LinkResult result;
    bool empty = false;
    std::array<std::uint8_t, kIdentificationBytes> bytes{};
    MeterIdentity identity;  // when the result is good

    bool Unsupported() const { return result && identity.paramEncoding == kEncodingUnsupported; }
    std::span<const std::uint8_t> Answer() const {
        return std::span(bytes).first(result ? static_cast<std::size_t>(result.count) : 0);
    }
};
IdentificationRead ReadIdentification(CDMRJly& link);

// Function code 0x41 on an open link. Sets `identity` (and `texts`, when given). On failure
// it has shown "读取仪表串号失败！" (with why) or "不支持该仪表类型！" and closed the port;
// returns 0. A cancelled identification closes the port and shows nothing.
int IdentifyMeter(CDMRJly& link, Prompter& prompter, MeterIdentity& identity, IdentificationTexts* texts = nullptr);

}  // namespace kelvo
