// SPDX-License-Identifier: GPL-3.0-or-later
#include "meter/meter_identity.h"

#include <algorithm>
#include <array>
#include <climits>
#include <string_view>

#include "link/modbus_rtu.h"
#include "messages/failure_text.h"
#include "messages/prompter.h"
#include "vocabulary/value_tables.h"

namespace kelvo {

namespace {

constexpr int kModelCodeLength = 4;
constexpr int kVersionOffset = 4;
constexpr int kVersionDigits = 4;
// The meters number their versions with the characters '0' to '?', i.e. digit values 0..15.
constexpr unsigned kLargestVersionDigit = 15;

// Which parameter encoding a model speaks, by its firmware version. A version below
// minVersion gives `belowMin` (−1 when the firmware is too old to be served at all).
struct EncodingRow {
    int firstModel;
    int lastModel;
    int minVersion;
    int atOrAboveMin;
    int belowMin;
};

constexpr std::array<EncodingRow, 5> kEncodingRows = {{
    {.firstModel = 0, .lastModel = 1, .minVersion = 1004, .atOrAboveMin = kEncodingCurrent,
     .belowMin = kEncodingLegacy},  // RA01, RA02
    {.firstModel = 2, .lastModel = 4, .minVersion = 2004, .atOrAboveMin = kEncodingCurrent,
     .belowMin = kEncodingLegacy},  // RA03..RA05
    {.firstModel = 5, .lastModel = 5, .minVersion = 2003, .atOrAboveMin = kEncodingLegacy,
     .belowMin = kEncodingUnsupported},  // RA06
    {.firstModel = 6, .lastModel = 6, .minVersion = 3003, .atOrAboveMin = kEncodingLegacy,
     .belowMin = kEncodingUnsupported},  // RA07
    {.firstModel = 7, .lastModel = kUnknownModel, .minVersion = INT_MIN, .atOrAboveMin = kEncodingCurrent,
     .belowMin = kEncodingCurrent},  // RA08..RA12 and models not in the table
}};

int ModelIndexOf(std::string_view modelText) {
    const std::string_view code = modelText.substr(0, kModelCodeLength);
    for (std::size_t row = 0; row < ModelTable.size(); ++row) {
        if (ModelTable[row] == code) return static_cast<int>(row);
    }
    return kUnknownModel;
}

int ParamEncodingOf(int modelIndex, int version) {
    for (const EncodingRow& row : kEncodingRows) {
        if (modelIndex >= row.firstModel && modelIndex <= row.lastModel) {
            return version >= row.minVersion ? row.atOrAboveMin : row.belowMin;
        }
    }
    return kEncodingUnsupported;
}

char Printable(std::uint8_t byte) { return byte >= 0x20 && byte < 0x7F ? static_cast<char>(byte) : '?'; }

}  // namespace

IdentificationTexts DescribeIdentification(std::span<const std::uint8_t> bytes) {
    IdentificationTexts texts;
    const auto code = bytes.first(std::min<std::size_t>(bytes.size(), kModelCodeLength));
    for (auto byte = code.begin(); byte != code.end() && *byte != 0; ++byte) texts.model += Printable(*byte);
    if (bytes.size() > kVersionOffset) {
        for (const std::uint8_t byte : bytes.subspan(kVersionOffset).first(
                 std::min<std::size_t>(bytes.size() - kVersionOffset, kVersionDigits))) {
            texts.version += Printable(byte);
        }
    }
    return texts;
}

int FirmwareVersion(const std::uint8_t* versionBytes) {
    int version = 0;
    for (int i = 0; i < kVersionDigits; ++i) {
        // Taken as an unsigned byte, so characters below '0' wrap far above 15.
        const auto digit = static_cast<std::uint8_t>(versionBytes[i] - '0');
        if (digit > kLargestVersionDigit) return -1;
        version = version * 10 + digit;
    }
    return version;
}

MeterIdentity DecodeIdentification(const std::uint8_t* bytes, int count) {
    std::array<std::uint8_t, kIdentificationBytes> answer{};
    const int kept = bytes != nullptr ? std::clamp(count, 0, kIdentificationBytes) : 0;
    std::copy_n(bytes, kept, answer.begin());

    // The model code is ASCII, one character per byte, ending at the first zero byte.
    const auto* text = reinterpret_cast<const char*>(answer.data());
    const std::string_view modelText(text, std::find(answer.begin(), answer.begin() + kept, 0) - answer.begin());

    MeterIdentity identity;
    identity.modelIndex = ModelIndexOf(modelText);
    identity.paramEncoding = ParamEncodingOf(identity.modelIndex, FirmwareVersion(answer.data() + kVersionOffset));
    return identity;
}

IdentificationRead ReadIdentification(CDMRJly& link) {
    IdentificationRead read;
    read.result = link.ReadIdentification(read.bytes.data());
    if (read.result && read.result.count == 0) {
        read.empty = true;
        read.result.failure = LinkFailure::Answer;
        read.result.fault = AnswerFault::Truncated;
    }
    if (read.result) read.identity = DecodeIdentification(read.bytes.data(), read.result.count);
    return read;
}

int IdentifyMeter(CDMRJly& link, Prompter& prompter, MeterIdentity& identity, IdentificationTexts* texts) {
    const IdentificationRead read = ReadIdentification(link);
    if (!read.result) {
        // Whoever cancelled knows why; a box would only be in the way.
        if (!read.result.Cancelled()) {
            const bool bare = read.empty && !GatewayCutIdentification(read.result);
            prompter.Warn(kReadIdentificationFailedText, bare ? "应答中没有仪表标识" : FailureDetail(read.result));
        }
        link.ClosePort();
        return 0;
    }
    identity = read.identity;
    if (texts != nullptr) *texts = DescribeIdentification(read.Answer());
    if (read.Unsupported()) {
        prompter.Warn(kMeterNotSupportedText);
        link.ClosePort();
        return 0;
    }
    return 1;
}

}  // namespace kelvo
