// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzz target: the settings parser, with the records read from the file and put back.
// Whatever the file holds, loading it must not fail, and saving what was loaded again and
// again must soon reach a fixed point where a save changes no line. (Not at once: a real is
// read from its first 20 characters, so a huge value written back with four decimals reads
// smaller for a save or two, 1e109 -> 1e20 -> 1e19, as the file's rules say; and where the
// INI library puts blank lines around comments may move once.)

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "settings/profile_file.h"
#include "settings/settings_records.h"

namespace {

// Loads the text, puts every record back as a save does, and returns the file's new text.
std::optional<std::string> SaveWhatWasLoaded(std::string_view text) {
    kelvo::ProfileFile file;
    file.Parse(text);
    const kelvo::SerialSettings serial = kelvo::SerialSettingsFrom(file);
    const int meterKind = kelvo::MeterKindFrom(file);
    const kelvo::PresetStore presets = kelvo::PresetsFrom(file);
    kelvo::PutSerialSettings(file, serial);
    kelvo::PutMeterKind(file, meterKind);
    kelvo::PutPresets(file, presets);
    return file.Serialize();
}

std::string WithoutBlankLines(const std::string& text) {
    std::string lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        const std::string line = text.substr(start, end - start);
        if (line.find_first_not_of(" \t\r") != std::string::npos) lines += line + '\n';
        start = end + 1;
    }
    return lines;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::optional<std::string> saved = SaveWhatWasLoaded(text);
    if (!saved) return 0;
    // A file that grows or changes with every save never gets there.
    constexpr int kSavesToSettle = 5;
    for (int save = 0; save < kSavesToSettle; ++save) {
        const std::optional<std::string> next = SaveWhatWasLoaded(*saved);
        if (!next) std::abort();
        if (WithoutBlankLines(*next) == WithoutBlankLines(*saved)) return 0;
        saved = next;
    }
    std::abort();
}
