// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// An INI file held in memory, read and written with the rules of the platform's private-profile
// functions, which the file's format comes from:
// - section and key names match without regard to ASCII case, and an existing key keeps its
//   spelling when its value changes;
// - a missing section or key gives the caller's default; a present key gives its value text,
//   blanks around it removed, even when that text is empty;
// - a key that appears twice in a section reads as its first appearance;
// - setting a key creates its section (at the end of the file) and the key (at the end of its
//   section) when they are missing, and keeps every other section, key and comment line.
// The file is UTF-8 and written as "key=value" lines, ended by CR LF on Windows as its INI
// files are, and by LF on Linux; reading takes either, and a lone CR.

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "settings/save_result.h"

namespace kelvo {

class ProfileFile {
public:
    ProfileFile();
    ~ProfileFile();
    ProfileFile(ProfileFile&&) noexcept;
    ProfileFile& operator=(ProfileFile&&) noexcept;
    ProfileFile(const ProfileFile&) = delete;
    ProfileFile& operator=(const ProfileFile&) = delete;

    // Reads the file once. A missing or unreadable file gives an empty profile, which answers
    // every question with the caller's default.
    static ProfileFile Load(const std::string& path);
    // Takes the text of a whole file; false when it cannot be held (the profile is then empty).
    bool Parse(std::string_view text);

    // The value text, or nothing when the section or the key is missing.
    std::optional<std::string> Find(const std::string& section, const std::string& key) const;
    // The decimal number at the start of the value; 0 when the value starts with none.
    int GetInt(const std::string& section, const std::string& key, int fallback) const;
    // The value, or the fallback when missing, cut to its first maxCharacters characters.
    std::string GetText(const std::string& section, const std::string& key, std::string_view fallback,
                        std::size_t maxCharacters) const;

    void SetText(const std::string& section, const std::string& key, const std::string& value);

    // The whole file as it is to be written, or nothing when a change could not be held.
    std::optional<std::string> Serialize() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// Loads fileName from the folder (creating the folder, one level, when it is missing), lets
// `edit` set keys, and replaces the file atomically, all under the folder's writer lock. Fails
// when the folder or file could not be written, the present file could not be read, or it is
// no file to read at all (not regular, too large); the file is then left as it was.
SaveResult EditProfileFile(const std::string& folder, const std::string& fileName,
                           const std::function<void(ProfileFile&)>& edit);

// Writes `text` as the whole file at `path` (a file the user chose: a backup, a report),
// replacing what was there atomically: a reader sees the old file or the new one, whole,
// and a failed write leaves the old one as it was.
SaveResult ReplaceFile(const std::string& path, std::string_view text);

}  // namespace kelvo
