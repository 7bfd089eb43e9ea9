// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/profile_file.h"

// The packaged SimpleIni compiles its implementation only where asked to; this is the one
// translation unit that uses it. Values are kept as UTF-8 bytes, no conversion needed.
#define SI_NO_CONVERSION
#define SI_IMPLEMENTATION
#include <SimpleIni.h>

#include <cerrno>
#include <vector>

#include "settings/atomic_file.h"
#include "settings/profile_values.h"

namespace kelvo {
namespace {

constexpr std::string_view kUtf8Signature = "\xEF\xBB\xBF";

// SimpleIni ends its lines the platform's way: "\r\n" on Windows, as Windows INI files have.
// The text is worked on with "\n" alone and takes the platform's line break when it is done.
constexpr std::string_view kLineBreak = SI_NEWLINE_A;

std::string Replaced(std::string_view text, std::string_view from, std::string_view to) {
    std::string result;
    result.reserve(text.size() + text.size() / 16);
    for (std::size_t at = 0;;) {
        const std::size_t found = text.find(from, at);
        result.append(text.substr(at, found - at));
        if (found == std::string_view::npos) return result;
        result.append(to);
        at = found + from.size();
    }
}

std::string WithNewlines(std::string text) {
    return kLineBreak == "\n" ? text : Replaced(text, "\r\n", "\n");
}

std::string WithPlatformLineBreaks(std::string text) {
    return kLineBreak == "\n" ? text : Replaced(text, "\n", kLineBreak);
}

bool IsBlankLine(std::string_view line) { return line.find_first_not_of(" \t\r") == std::string_view::npos; }

bool IsCommentLine(std::string_view line) {
    const auto first = line.find_first_not_of(" \t");
    return first != std::string_view::npos && (line[first] == ';' || line[first] == '#');
}

// Calls visit(line) for every line of the text, each with its line break. Lines end where
// SimpleIni ends them: at "\n", "\r\n" or a lone "\r".
template <class Visit>
void ForEachLine(std::string_view text, Visit visit) {
    while (!text.empty()) {
        std::size_t end = text.find_first_of("\r\n");
        if (end == std::string_view::npos) {
            end = text.size();
        } else if (text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') {
            end += 2;
        } else {
            end += 1;
        }
        visit(text.substr(0, end));
        text.remove_prefix(end);
    }
}

std::string_view WithoutLineBreak(std::string_view line) {
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
    return line;
}

// SimpleIni keeps a comment by tying it to the entry that follows it, so comment lines after
// the last entry of the file have nothing to tie to and would be dropped. They are taken here
// as they stand (with any blank lines between them) and written back at the end.
std::string TrailingComment(std::string_view text) {
    std::vector<std::string_view> lines;
    ForEachLine(text, [&lines](std::string_view line) { lines.push_back(WithoutLineBreak(line)); });
    std::size_t first = lines.size();
    while (first > 0 && (IsBlankLine(lines[first - 1]) || IsCommentLine(lines[first - 1]))) --first;
    // A file of nothing but comments has them all kept as its opening comment.
    if (first == 0) return {};
    while (first < lines.size() && IsBlankLine(lines[first])) ++first;
    std::size_t last = lines.size();
    while (last > first && IsBlankLine(lines[last - 1])) --last;
    std::string block;
    for (std::size_t i = first; i < last; ++i) {
        block.append(lines[i]);
        block.push_back('\n');
    }
    return block;
}

// SimpleIni lets the name of a "[" line without its "]" run on into the next key (a section
// named ".\nM"), and every save would then add a line to the file. Such a line is no
// header: it is handed over as a comment with this mark, so that it stays where it stands
// and the keys after it stay in the section before it, and the mark goes when the file is
// written.
constexpr std::string_view kUnclosedHeaderMark = ";\x1Fkelvo: unclosed section header\x1F";

bool IsUnclosedHeader(std::string_view line) {
    line = WithoutLineBreak(line);
    const auto first = line.find_first_not_of(" \t");
    return first != std::string_view::npos && line[first] == '[' && line.find(']') == std::string_view::npos;
}

// The signature is no part of the first line: SimpleIni skips it before it reads a line.
std::string_view SignatureOf(std::string_view text) {
    return text.starts_with(kUtf8Signature) ? kUtf8Signature : std::string_view{};
}

std::string MarkUnclosedHeaders(std::string_view text) {
    std::string marked(SignatureOf(text));
    marked.reserve(text.size());
    ForEachLine(text.substr(marked.size()), [&marked](std::string_view line) {
        if (IsUnclosedHeader(line)) marked.append(kUnclosedHeaderMark);
        marked.append(line);
    });
    return marked;
}

// Only a mark in front of an unclosed header is one of ours; the same bytes anywhere else
// came from the file and stay.
std::string UnmarkUnclosedHeaders(std::string_view text) {
    std::string unmarked(SignatureOf(text));
    unmarked.reserve(text.size());
    ForEachLine(text.substr(unmarked.size()), [&unmarked](std::string_view line) {
        if (line.starts_with(kUnclosedHeaderMark) && IsUnclosedHeader(line.substr(kUnclosedHeaderMark.size()))) {
            line.remove_prefix(kUnclosedHeaderMark.size());
        }
        unmarked.append(line);
    });
    return unmarked;
}

}  // namespace

struct ProfileFile::Impl {
    // UTF-8, several values per key allowed (so the first of two stays the one that is read),
    // no multi-line values.
    CSimpleIniA ini{true, true, false};
    bool hadSignature = false;
    bool intact = true;
    std::string trailingComment;

    Impl() { ini.SetSpaces(false); }
};

ProfileFile::ProfileFile() : impl_(std::make_unique<Impl>()) {}
ProfileFile::~ProfileFile() = default;
ProfileFile::ProfileFile(ProfileFile&&) noexcept = default;
ProfileFile& ProfileFile::operator=(ProfileFile&&) noexcept = default;

ProfileFile ProfileFile::Load(const std::string& path) {
    ProfileFile profile;
    const FileText file = ReadWholeFile(path);
    if (file.status == FileText::Status::Read) profile.Parse(file.text);
    return profile;
}

bool ProfileFile::Parse(std::string_view text) {
    impl_ = std::make_unique<Impl>();
    impl_->hadSignature = text.starts_with(kUtf8Signature);
    const std::string marked = MarkUnclosedHeaders(text);
    if (impl_->ini.LoadData(marked.data(), marked.size()) < 0) {
        impl_ = std::make_unique<Impl>();
        return false;
    }
    impl_->trailingComment = TrailingComment(marked);
    return true;
}

std::optional<std::string> ProfileFile::Find(const std::string& section, const std::string& key) const {
    const char* value = impl_->ini.GetValue(section.c_str(), key.c_str(), nullptr);
    if (value == nullptr) return std::nullopt;
    return std::string(value);
}

int ProfileFile::GetInt(const std::string& section, const std::string& key, int fallback) const {
    const auto value = Find(section, key);
    return value ? ParseProfileInt(*value) : fallback;
}

std::string ProfileFile::GetText(const std::string& section, const std::string& key, std::string_view fallback,
                                 std::size_t maxCharacters) const {
    const auto value = Find(section, key);
    return std::string(FirstCharacters(value ? std::string_view(*value) : fallback, maxCharacters));
}

void ProfileFile::SetText(const std::string& section, const std::string& key, const std::string& value) {
    // Replacing drops every value of the key and adds the new one where the first stood; it
    // is given the name as the file spells it so that "addr=3" becomes "addr=5", not "Addr=5".
    std::string spelling = key;
    if (const CSimpleIniA::TKeyVal* keys = impl_->ini.GetSection(section.c_str())) {
        const auto found = keys->find(CSimpleIniA::Entry(key.c_str()));
        if (found != keys->end()) spelling = found->first.pItem;
    }
    // A value is one line: a line break in it would start a line of its own in the file.
    const std::string line = value.substr(0, value.find_first_of("\r\n"));
    if (impl_->ini.SetValue(section.c_str(), spelling.c_str(), line.c_str(), nullptr, true) < 0) {
        impl_->intact = false;
    }
}

std::optional<std::string> ProfileFile::Serialize() const {
    if (!impl_->intact) return std::nullopt;
    std::string text;
    if (impl_->ini.Save(text, impl_->hadSignature) < 0) return std::nullopt;
    text = WithNewlines(std::move(text));
    // SimpleIni puts two blank lines between sections; one is what people write by hand.
    for (auto run = text.find("\n\n\n"); run != std::string::npos; run = text.find("\n\n\n", run)) {
        text.erase(run, 1);
    }
    if (!impl_->trailingComment.empty()) {
        text.push_back('\n');
        text.append(impl_->trailingComment);
    }
    // A first line that merely starts with the signature's bytes (a key of no section so
    // named) would lose them to the next load, which takes them for a signature.
    // (Not insert(0, ...): GCC 12 for mingw-w64 warns of it, wrongly, and -Werror stops the build.)
    if (!impl_->hadSignature && text.starts_with(kUtf8Signature)) text = "\n" + text;
    return WithPlatformLineBreaks(UnmarkUnclosedHeaders(text));
}

SaveResult EditProfileFile(const std::string& folder, const std::string& fileName,
                           const std::function<void(ProfileFile&)>& edit) {
    int error = 0;
    const auto locked = LockedFolder::Open(folder, error);
    if (!locked) return SaveFailure(error);
    const FileText file = locked->Read(fileName);
    switch (file.status) {
        case FileText::Status::Failed:
            return {SaveError::Unreadable, file.error};
        // Such a file was never read, so the program runs on defaults; writing them over
        // whatever the user put there would lose it.
        case FileText::Status::NotRegular:
        case FileText::Status::TooLarge:
            return {SaveError::FileUnusable, 0};
        case FileText::Status::Absent:
        case FileText::Status::Read:
            break;
    }
    if (const int refusal = locked->ReplaceRefusal(fileName); refusal != 0) {
        return refusal == EACCES || refusal == EPERM ? SaveResult{SaveError::ReadOnlyFile, refusal} : SaveFailure(refusal);
    }

    ProfileFile profile;
    if (file.status == FileText::Status::Read && !profile.Parse(file.text)) return {SaveError::Other, 0};
    edit(profile);
    const auto text = profile.Serialize();
    if (!text) return {SaveError::Other, 0};
    // A file the next load would refuse to read would lose every setting in it.
    if (text->size() > kMaxReadableFileBytes) return {SaveError::FileUnusable, 0};
    error = locked->Replace(fileName, *text);
    return error == 0 ? SaveResult{} : SaveFailure(error);
}

SaveResult ReplaceFile(const std::string& path, std::string_view text) {
    const auto [folder, name] = SplitPath(path);
    int error = 0;
    const auto locked = LockedFolder::Open(folder, error);
    if (!locked) return SaveFailure(error);
    if (const int refusal = locked->ReplaceRefusal(name); refusal != 0) {
        return refusal == EACCES || refusal == EPERM ? SaveResult{SaveError::ReadOnlyFile, refusal} : SaveFailure(refusal);
    }
    error = locked->Replace(name, text);
    return error == 0 ? SaveResult{} : SaveFailure(error);
}

}  // namespace kelvo
