#pragma once
// Text rules of the library lists: full paths of listed files and how names are shown, finding
// a file-list entry by name, the entries of the patch list and of the find results.
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <QString>
#include <QStringList>
#include <QStringView>

#include "library/format/DumpFile.h"

namespace tessel::library {

// The library folder, the platform's separator and the file name as listed.
QString LibraryFilePath(const QString& folder, const QString& fileName);
// The path as the file system takes it (the platform's file name encoding).
std::filesystem::path ToFileSystemPath(const QString& path);
// A file name or path as the window shows it. Names are the file system's bytes and need not
// be valid UTF-8 (a Latin-1 "caf\xE9.syx" from an old archive): UTF-8 is shown as text, and
// every byte that is not part of it, and every control character, as "\xHH".
QString DisplayName(std::string_view bytes);
QString DisplayPath(const std::filesystem::path& path);

// The bytes after the last folder separator; stored paths may come from either platform, so
// both '\' and '/' count. None when the path holds no separator.
std::optional<std::string> NameAfterLastSeparator(std::string_view path);

// The row of the entry spelled exactly `name`, else the first row whose entry begins with
// `name` without regard to case; -1 when none does. Two listed names that differ only in
// case (possible on case-sensitive file systems) are thus told apart.
int FindFileEntry(const QStringList& entries, QStringView name);
// The same for a file name as the file system holds it: the row whose name has exactly its
// bytes, else FindFileEntry over the shown entries with the name as shown.
int FindFileEntry(const std::vector<std::string>& names, const QStringList& shown,
                  std::string_view name);

// True when both full paths name the same file. The file system decides where both exist, so
// letter case counts where it does ("a.syx" and "A.syx" are two files on Linux, one on a
// case-insensitive volume) and a link leads to the file it names; otherwise the paths are
// compared as written.
bool IsSamePath(const std::filesystem::path& a, const std::filesystem::path& b);

// "11- NAME": a patch list entry. Name bytes are shown one character each.
QString PatchListEntry(const format::PatchEntry& entry);
// "FILE<tab>11- NAME": a find result.
QString FindResultEntry(const QString& fileName, const format::PatchEntry& entry);

// The bytes a search compares: the first kFindTextLimit characters of the field. None when
// one of them is no single byte, since no stored name can then contain the text.
std::optional<std::string> SearchTextBytes(const QString& fieldText);

}  // namespace tessel::library
