// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The pieces of the report's HTML that its sections share.

#include <string>
#include <string_view>

namespace kelvo::report_html {

inline std::string Escaped(std::string_view text) {
    std::string out;
    for (char c : text) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            default: out += c; break;
        }
    }
    return out;
}

inline std::string Cell(std::string_view text, std::string_view tag = "td") {
    return "<" + std::string(tag) + ">" + Escaped(text) + "</" + std::string(tag) + ">";
}

// Qt's rich text takes the table's look from its attributes rather than from style rules.
inline constexpr std::string_view kTable = "<table border=\"1\" cellspacing=\"0\" cellpadding=\"4\" width=\"100%\">";

}  // namespace kelvo::report_html
