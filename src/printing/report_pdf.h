// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Prints a report's HTML to a PDF file, A4, with the fonts Qt finds for its Chinese text
// (on Linux WenQuanYi Micro Hei, from fonts-wqy-microhei). Needs a QGuiApplication.

#include <string>
#include <string_view>

namespace kelvo {

// False with `error` saying why when the file cannot be written.
bool WriteReportPdf(std::string_view html, const std::string& path, std::string& error);

}  // namespace kelvo
