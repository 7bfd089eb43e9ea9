// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/profile_values.h"

#include <locale.h>  // newlocale, locale_t (POSIX); _create_locale (Windows)
#include <stdlib.h>  // strtod_l; _strtod_l (Windows)

#include <array>
#include <charconv>
#include <climits>
#include <cstdint>
#include <cstdlib>

namespace kelvo {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

// Created once and never changed; strtod_l reads it from any thread. Windows has the same
// under other names.
#ifdef _WIN32
using CLocale = _locale_t;
CLocale ClassicLocale() {
    static const CLocale classic = _create_locale(LC_ALL, "C");
    return classic;
}
double StrtodIn(const char* text, CLocale locale) { return _strtod_l(text, nullptr, locale); }
#else
using CLocale = locale_t;
CLocale ClassicLocale() {
    static const CLocale classic = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return classic;
}
double StrtodIn(const char* text, CLocale locale) { return strtod_l(text, nullptr, locale); }
#endif

}  // namespace

int ParseProfileInt(std::string_view text) {
    std::size_t at = 0;
    while (at < text.size() && IsBlank(text[at])) ++at;
    bool negative = false;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) {
        negative = text[at] == '-';
        ++at;
    }
    // Accumulated as a magnitude and capped just past INT_MAX, so INT_MIN stays reachable.
    constexpr std::int64_t kCap = std::int64_t{INT_MAX} + 1;
    std::int64_t magnitude = 0;
    for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at) {
        magnitude = magnitude * 10 + (text[at] - '0');
        if (magnitude > kCap) magnitude = kCap;
    }
    if (negative) return static_cast<int>(-magnitude);
    return magnitude > INT_MAX ? INT_MAX : static_cast<int>(magnitude);
}

double ParseProfileReal(std::string_view text) {
    const std::string bounded(text);  // strtod needs a terminator
    const CLocale classic = ClassicLocale();
    if (classic == static_cast<CLocale>(nullptr)) return std::strtod(bounded.c_str(), nullptr);
    return StrtodIn(bounded.c_str(), classic);
}

std::string FormatFixed(double value, int decimals) {
    // Room for the 309 integer digits of the largest double, the decimals and the sign.
    std::array<char, 400> buffer{};
    const auto result =
        std::to_chars(buffer.data(), buffer.data() + buffer.size(), value, std::chars_format::fixed, decimals);
    if (result.ec != std::errc{}) return "0";
    return std::string(buffer.data(), result.ptr);
}

std::string_view FirstCharacters(std::string_view text, std::size_t count) {
    std::size_t at = 0;
    for (std::size_t taken = 0; taken < count && at < text.size(); ++taken) {
        ++at;
        // Continuation bytes (10xxxxxx) belong to the character already taken.
        while (at < text.size() && (static_cast<unsigned char>(text[at]) & 0xC0U) == 0x80U) ++at;
    }
    return text.substr(0, at);
}

}  // namespace kelvo
