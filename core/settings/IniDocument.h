#pragma once
// The lines of an initialisation file held in memory, each with its own line end, so that a
// rewrite changes only the line it has to and keeps comments, unknown keys and blank lines.
//   [Section]        header: the name between the brackets, surrounding blanks ignored
//   Key = Value      entry: key before the first '=', value after it, both trimmed; a value
//                    enclosed in a pair of double or single quotes is read without them
// Any other line (comments, stray text) is carried through untouched. Sections and keys are
// looked up without regard to ASCII case; the first matching section and key win.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tessel::ini {

// Line ends and the byte order mark always view string literals.
struct Line {
    std::string text;         // without its line end
    std::string_view ending;  // "\r\n", "\n" or "" (the last line of a file without one)
};

class IniDocument {
public:
    static IniDocument Parse(std::string_view content);
    std::string Serialize() const;

    std::optional<std::string> Find(std::string_view section, std::string_view key) const;
    // Replaces the value of an existing entry or adds "key=value" (adding the section as
    // needed), with section and key written exactly as given.
    void Set(std::string_view section, std::string_view key, std::string_view value);

private:
    struct Entry {
        std::size_t line;
        std::size_t equalsPos;
    };
    struct SectionRange {
        std::size_t header;
        std::size_t end;  // one past the section's last line
    };

    std::optional<SectionRange> FindSection(std::string_view section) const;
    std::optional<Entry> FindEntry(const SectionRange& range, std::string_view key) const;
    std::size_t InsertionPoint(const SectionRange& range) const;
    void InsertLine(std::size_t at, std::string text);
    void AppendSection(std::string_view section, std::string_view key, std::string_view value);

    std::string_view byteOrderMark_;  // kept in front of the first line when the file has one
    std::vector<Line> lines_;
    std::string_view newLine_;  // the file's own line end, used for the lines we add
};

// True when the text can stand in a section header, a key or a value without changing how
// the file is read back (no line breaks; no ']' in a section, no '=' in a key).
bool IsWritableSection(std::string_view section);
bool IsWritableKey(std::string_view key);
bool IsWritableValue(std::string_view value);

}  // namespace tessel::ini
