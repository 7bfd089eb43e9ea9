// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/cli_record_arguments.h"

#include <algorithm>

#include "cli/cli_options.h"
#include "meter/value_text.h"
#include "vocabulary/value_tables.h"

namespace kelvo::cli {
namespace {

bool EndsWith(std::string_view text, std::string_view end) {
    return text.size() >= end.size() && text.substr(text.size() - end.size()) == end;
}

// The words of a command and its port options, or why they are not right.
std::variant<Words, UsageError> LineWords(const std::vector<std::string>& args, PortOptions& line,
                                          WordsAccepted accepted = {}) {
    accepted.portOptions = true;
    auto split = SplitWords(args, accepted);
    if (auto* words = std::get_if<Words>(&split)) {
        if (auto error = TakePortOptions(*words, line)) return *error;
    }
    return split;
}

std::optional<std::string> OptionValue(const Words& words, std::string_view option) {
    std::optional<std::string> value;
    for (const auto& [name, given] : words.options) {
        if (name == option) value = given;
    }
    return value;
}

std::optional<UsageError> Positionals(const Words& words, std::size_t least, std::size_t most,
                                      std::string_view missing) {
    if (words.positional.size() < least) return UsageError{std::string(missing)};
    if (words.positional.size() > most) return UsageError{"多余的参数 " + words.positional[most] + "。"};
    return std::nullopt;
}

}  // namespace

Command ParseLog(const std::vector<std::string>& args) {
    LogCommand log;
    const auto split = LineWords(args, log.line, {.valued = {"-o", "--seconds"}});
    if (const auto* error = std::get_if<UsageError>(&split)) return *error;
    const Words& words = std::get<Words>(split);
    if (auto error = Positionals(words, 0, 0, {})) return *error;
    const auto output = OptionValue(words, "-o");
    if (!output || output->empty()) return UsageError{"缺少 -o 记录文件。"};
    log.output = *output;
    if (const auto seconds = OptionValue(words, "--seconds")) {
        log.seconds = ParseInt(*seconds, 1, 366 * 86400);
        if (!log.seconds) return Bad("--seconds", *seconds);
    }
    return log;
}

Command ParseZeroCheck(const std::vector<std::string>& args) {
    ZeroCheckCommand check;
    const auto split = LineWords(args, check.line, {.valued = {"--seconds"}});
    if (const auto* error = std::get_if<UsageError>(&split)) return *error;
    const Words& words = std::get<Words>(split);
    if (auto error = Positionals(words, 0, 0, {})) return *error;
    if (const auto seconds = OptionValue(words, "--seconds")) {
        const auto parsed = ParseInt(*seconds, 1, 86400);
        if (!parsed) return Bad("--seconds", *seconds);
        check.seconds = *parsed;
    }
    return check;
}

Command ParseVerify(const std::vector<std::string>& args) {
    VerifyCommand verify;
    const auto split = LineWords(args, verify.line, {.valued = {"--seconds", "--reference", "--unit", "--tolerance"}});
    if (const auto* error = std::get_if<UsageError>(&split)) return *error;
    const Words& words = std::get<Words>(split);
    if (auto error = Positionals(words, 0, 0, {})) return *error;
    const auto seconds = OptionValue(words, "--seconds");
    if (!seconds) return UsageError{"缺少 --seconds。"};
    const auto parsedSeconds = ParseInt(*seconds, 1, 86400);
    if (!parsedSeconds) return Bad("--seconds", *seconds);
    verify.seconds = *parsedSeconds;
    const auto reference = OptionValue(words, "--reference");
    if (!reference) return UsageError{"缺少 --reference 参考体积。"};
    const auto volume = ParseDecimal(*reference);
    if (!volume || *volume <= 0) return Bad("--reference", *reference);
    verify.referenceText = *reference;
    verify.reference = *volume;
    if (const auto unit = OptionValue(words, "--unit")) {
        const auto found = std::find(VolumeUnits.begin(), VolumeUnits.end(), *unit);
        if (found == VolumeUnits.end()) return Bad("--unit", *unit);
        verify.unit = static_cast<int>(found - VolumeUnits.begin());
    }
    if (const auto tolerance = OptionValue(words, "--tolerance")) {
        const auto percent = ParseDecimal(*tolerance);
        if (!percent || *percent <= 0 || *percent > 100) return Bad("--tolerance", *tolerance);
        verify.tolerancePercent = *percent;
    }
    return verify;
}

Command ParseBackup(const std::vector<std::string>& args) {
    BackupCommand backup;
    const auto split = LineWords(args, backup.line, {.valued = {"-o"}});
    if (const auto* error = std::get_if<UsageError>(&split)) return *error;
    const Words& words = std::get<Words>(split);
    if (auto error = Positionals(words, 0, 0, {})) return *error;
    const auto output = OptionValue(words, "-o");
    if (!output || output->empty()) return UsageError{"缺少 -o 备份文件。"};
    backup.output = *output;
    return backup;
}

Command ParseCompare(const std::vector<std::string>& args) {
    CompareCommand compare;
    const auto split = LineWords(args, compare.line, {.switches = {"--all"}});
    if (const auto* error = std::get_if<UsageError>(&split)) return *error;
    const Words& words = std::get<Words>(split);
    if (auto error = Positionals(words, 1, 2, "缺少备份文件。")) return *error;
    compare.file = words.positional[0];
    if (words.positional.size() == 2) {
        compare.otherFile = words.positional[1];
        if (compare.line.Any()) return UsageError{"对比两个文件时不连接仪表，不需要串口参数。"};
    }
    compare.all = words.Has("--all");
    return compare;
}

Command ParseRestore(const std::vector<std::string>& args) {
    RestoreCommand restore;
    const auto split = LineWords(args, restore.line, {.valued = {"--only"}, .switches = {"--yes"}});
    if (const auto* error = std::get_if<UsageError>(&split)) return *error;
    const Words& words = std::get<Words>(split);
    if (auto error = Positionals(words, 1, 1, "缺少备份文件。")) return *error;
    restore.file = words.positional[0];
    if (const auto only = OptionValue(words, "--only")) {
        const auto names = SplitNames(*only);
        if (!names) return Bad("--only", *only);
        restore.only = *names;
    }
    restore.yes = words.Has("--yes");
    return restore;
}

Command ParseRead(const std::vector<std::string>& args) {
    ReadCommand read;
    const auto split = LineWords(args, read.line);
    if (const auto* error = std::get_if<UsageError>(&split)) return *error;
    const Words& words = std::get<Words>(split);
    if (words.positional.empty()) return UsageError{"缺少参数名。"};
    read.names = words.positional;
    return read;
}

Command ParseWrite(const std::vector<std::string>& args) {
    WriteCommand write;
    const auto split = LineWords(args, write.line);
    if (const auto* error = std::get_if<UsageError>(&split)) return *error;
    const Words& words = std::get<Words>(split);
    if (words.positional.empty()) return UsageError{"缺少 参数名=值。"};
    for (const std::string& word : words.positional) {
        const auto equals = word.find('=');
        if (equals == std::string::npos || equals == 0) return UsageError{"“" + word + "”不是 参数名=值 的形式。"};
        write.assignments.push_back({word.substr(0, equals), word.substr(equals + 1)});
    }
    return write;
}

Command ParseReport(const std::vector<std::string>& args) {
    const auto split = SplitWords(args, {.valued = {"-o", "--technician", "--site"}});
    if (const auto* error = std::get_if<UsageError>(&split)) return *error;
    const Words& words = std::get<Words>(split);
    if (auto error = Positionals(words, 1, 1, "缺少备份文件。")) return *error;
    ReportCommand report;
    report.file = words.positional[0];
    const auto output = OptionValue(words, "-o");
    if (!output || output->empty()) return UsageError{"缺少 -o 报告文件。"};
    report.output = *output;
    if (EndsWith(report.output, ".pdf") || EndsWith(report.output, ".PDF")) {
        report.format = ReportFormat::Pdf;
    } else if (EndsWith(report.output, ".html") || EndsWith(report.output, ".htm") ||
               EndsWith(report.output, ".HTML") || EndsWith(report.output, ".HTM")) {
        report.format = ReportFormat::Html;
    } else {
        return UsageError{"报告文件名须以 .pdf 或 .html 结尾：" + report.output + "。"};
    }
    report.technician = OptionValue(words, "--technician");
    report.site = OptionValue(words, "--site");
    return report;
}

}  // namespace kelvo::cli
