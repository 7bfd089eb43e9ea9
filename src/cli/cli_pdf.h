// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A report's HTML as PDF, where this build has Qt to print it; the Qt-free build says so.

#include <optional>
#include <string>
#include <string_view>

namespace kelvo::cli {

// Why this build writes no PDF; nullopt when it does.
std::optional<std::string> PdfUnavailable();

// False with `error` saying why when the file cannot be written.
bool WritePdf(std::string_view html, const std::string& path, std::string& error);

}  // namespace kelvo::cli
