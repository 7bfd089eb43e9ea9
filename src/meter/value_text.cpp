// SPDX-License-Identifier: GPL-3.0-or-later
#include "meter/value_text.h"

#include <array>
#include <charconv>
#include <cctype>
#include <cmath>
#include <limits>

namespace kelvo {
namespace {

std::string_view TrimBlanks(std::string_view text) {
    const auto isBlank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
    return text;
}

// from_chars takes no leading '+'; the edit boxes do.
std::string_view WithoutPlus(std::string_view text, bool& negativeAllowed) {
    negativeAllowed = true;
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
        negativeAllowed = false;  // "+-5" is not a number
    }
    return text;
}

}  // namespace

std::string FormatGeneral(double value, int significantDigits) {
    std::array<char, 64> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                      std::chars_format::general, significantDigits);
    return std::string(buffer.data(), result.ptr);
}

std::string FormatMeterNumber(long long number) {
    std::string digits = std::to_string(number < 0 ? -number : number);
    const std::size_t width = number < 0 ? 7 : 8;
    if (digits.size() < width) digits.insert(0, width - digits.size(), '0');
    return number < 0 ? "-" + digits : digits;
}

std::optional<double> ParseDecimal(std::string_view text) {
    bool negativeAllowed = true;
    text = WithoutPlus(TrimBlanks(text), negativeAllowed);
    if (text.empty() || (!negativeAllowed && text.front() == '-')) return std::nullopt;
    // Only digits, one point, an exponent: from_chars alone would also take "inf" and "nan".
    const char first = text.front() == '-' ? (text.size() > 1 ? text[1] : '\0') : text.front();
    if (!(std::isdigit(static_cast<unsigned char>(first)) || first == '.')) return std::nullopt;
    double value = 0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::general);
    if (result.ec != std::errc{} || result.ptr != text.data() + text.size() || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

std::optional<long long> ParseInteger(std::string_view text) {
    bool negativeAllowed = true;
    text = WithoutPlus(TrimBlanks(text), negativeAllowed);
    if (text.empty() || (!negativeAllowed && text.front() == '-')) return std::nullopt;
    long long value = 0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    if (result.ec != std::errc{} || result.ptr != text.data() + text.size()) return std::nullopt;
    if (value < std::numeric_limits<std::int32_t>::min() || value > std::numeric_limits<std::int32_t>::max()) {
        return std::nullopt;
    }
    return value;
}

}  // namespace kelvo
