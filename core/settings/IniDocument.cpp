#include "core/settings/IniDocument.h"

#include <algorithm>
#include <initializer_list>

namespace tessel::ini {
namespace {

constexpr std::string_view kBlanks = " \t\r\f\v";
constexpr std::string_view kUtf8ByteOrderMark = "\xEF\xBB\xBF";

#ifdef _WIN32
constexpr std::string_view kPlatformNewLine = "\r\n";
#else
constexpr std::string_view kPlatformNewLine = "\n";
#endif

std::string_view Trim(std::string_view text) {
    const auto first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) {
        return {};
    }
    const auto last = text.find_last_not_of(kBlanks);
    return text.substr(first, last - first + 1);
}

char LowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    return std::ranges::equal(a, b, [](char x, char y) { return LowerAscii(x) == LowerAscii(y); });
}

bool IsBlank(std::string_view text) {
    return Trim(text).empty();
}

// The section name of a header line, or nothing when the line is not a header.
std::optional<std::string_view> SectionName(std::string_view text) {
    const auto trimmed = Trim(text);
    if (trimmed.empty() || trimmed.front() != '[') {
        return std::nullopt;
    }
    const auto inner = trimmed.substr(1);
    return Trim(inner.substr(0, inner.find(']')));
}

bool IsComment(std::string_view text) {
    const auto trimmed = Trim(text);
    return !trimmed.empty() && (trimmed.front() == ';' || trimmed.front() == '#');
}

// A value enclosed in a pair of the same quote, double or single, is read without them.
std::string_view Unquoted(std::string_view value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        return value.substr(1, value.size() - 2);
    }
    return value;
}

bool HasLineBreak(std::string_view text) {
    return text.find_first_of("\r\n") != text.npos;
}

std::string Joined(std::initializer_list<std::string_view> parts) {
    std::string joined;
    for (const auto part : parts) {
        joined.append(part);
    }
    return joined;
}

}  // namespace

IniDocument IniDocument::Parse(std::string_view content) {
    IniDocument document;
    if (content.starts_with(kUtf8ByteOrderMark)) {
        document.byteOrderMark_ = kUtf8ByteOrderMark;
        content.remove_prefix(kUtf8ByteOrderMark.size());
    }
    while (!content.empty()) {
        const auto lineFeed = content.find('\n');
        std::string_view text = content.substr(0, lineFeed);
        std::string_view ending;
        if (lineFeed != std::string_view::npos) {
            ending = text.ends_with('\r') ? "\r\n" : "\n";
            text = text.substr(0, text.size() + 1 - ending.size());
        }
        if (document.newLine_.empty() && !ending.empty()) {
            document.newLine_ = ending;
        }
        document.lines_.push_back({std::string(text), ending});
        content.remove_prefix(lineFeed == std::string_view::npos ? content.size() : lineFeed + 1);
    }
    if (document.newLine_.empty()) {
        document.newLine_ = kPlatformNewLine;
    }
    return document;
}

std::string IniDocument::Serialize() const {
    std::string content(byteOrderMark_);
    for (const auto& line : lines_) {
        content += line.text;
        content += line.ending;
    }
    return content;
}

std::optional<IniDocument::SectionRange> IniDocument::FindSection(std::string_view section) const {
    const auto wanted = Trim(section);
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        const auto name = SectionName(lines_[i].text);
        if (!name || !EqualsIgnoringCase(*name, wanted)) {
            continue;
        }
        std::size_t end = i + 1;
        while (end < lines_.size() && !SectionName(lines_[end].text)) {
            ++end;
        }
        return SectionRange{i, end};
    }
    return std::nullopt;
}

std::optional<IniDocument::Entry> IniDocument::FindEntry(const SectionRange& range,
                                                         std::string_view key) const {
    const auto wanted = Trim(key);
    for (std::size_t i = range.header + 1; i < range.end; ++i) {
        const std::string_view text = lines_[i].text;
        const auto equals = text.find('=');
        if (equals == std::string_view::npos || IsComment(text)) {
            continue;
        }
        if (EqualsIgnoringCase(Trim(text.substr(0, equals)), wanted)) {
            return Entry{i, equals};
        }
    }
    return std::nullopt;
}

std::optional<std::string> IniDocument::Find(std::string_view section, std::string_view key) const {
    const auto range = FindSection(section);
    if (!range) {
        return std::nullopt;
    }
    const auto entry = FindEntry(*range, key);
    if (!entry) {
        return std::nullopt;
    }
    const std::string_view text = lines_[entry->line].text;
    return std::string(Unquoted(Trim(text.substr(entry->equalsPos + 1))));
}

void IniDocument::Set(std::string_view section, std::string_view key, std::string_view value) {
    const auto range = FindSection(section);
    if (!range) {
        AppendSection(section, key, value);
        return;
    }
    if (const auto entry = FindEntry(*range, key)) {
        auto& text = lines_[entry->line].text;
        text.resize(entry->equalsPos + 1);
        text += value;
        return;
    }
    InsertLine(InsertionPoint(*range), Joined({key, "=", value}));
}

// New entries go after the section's last line that is neither blank nor a comment, so that
// the blank lines and the comments that lead into the next section stay with it.
std::size_t IniDocument::InsertionPoint(const SectionRange& range) const {
    std::size_t at = range.end;
    while (at > range.header + 1 &&
           (IsBlank(lines_[at - 1].text) || IsComment(lines_[at - 1].text))) {
        --at;
    }
    return at;
}

void IniDocument::InsertLine(std::size_t at, std::string text) {
    if (at > 0 && lines_[at - 1].ending.empty()) {
        lines_[at - 1].ending = newLine_;
    }
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at),
                  Line{std::move(text), newLine_});
}

void IniDocument::AppendSection(std::string_view section, std::string_view key,
                                std::string_view value) {
    if (!lines_.empty() && !IsBlank(lines_.back().text)) {
        InsertLine(lines_.size(), "");
    }
    InsertLine(lines_.size(), Joined({"[", section, "]"}));
    InsertLine(lines_.size(), Joined({key, "=", value}));
}

bool IsWritableSection(std::string_view section) {
    return !HasLineBreak(section) && section.find(']') == section.npos;
}

bool IsWritableKey(std::string_view key) {
    const auto trimmed = Trim(key);
    return !trimmed.empty() && !HasLineBreak(key) && key.find('=') == key.npos &&
           trimmed.front() != '[' && trimmed.front() != ';' && trimmed.front() != '#';
}

bool IsWritableValue(std::string_view value) {
    return !HasLineBreak(value);
}

}  // namespace tessel::ini
