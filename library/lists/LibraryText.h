#pragma once
// Text rules of the library lists: full paths of listed files, finding a file-list entry by
// name, and the two parts of a find result ("FILE<tab>35- NAME").
#include <filesystem>
#include <optional>
#include <string>

#include <QString>
#include <QStringList>
#include <QStringView>

#include "library/format/DumpFile.h"

namespace tessel::library {

// The library folder, the platform's separator and the file name as listed.
QString LibraryFilePath(const QString& folder, const QString& fileName);
// The path as the file system takes it (the platform's file name encoding).
std::filesystem::path ToFileSystemPath(const QString& path);
// A file name as listed by the file system, as text.
QString FromFileSystemName(const std::string& name);
// A path as the window shows it.
QString DisplayPath(const std::filesystem::path& path);

// The text after the last folder separator; stored paths may come from either platform, so
// both '\' and '/' count. None when the path holds no separator.
std::optional<QString> TextAfterLastSeparator(QStringView path);

// The row of the entry spelled exactly `name`, else the first row whose entry begins with
// `name` without regard to case; -1 when none does. Two listed names that differ only in
// case (possible on case-sensitive file systems) are thus told apart.
int FindFileEntry(const QStringList& entries, QStringView name);

// True when both full paths name the same file, letter case ignored.
bool IsSamePath(const QString& a, const QString& b);

// "11- NAME": a patch list entry. Name bytes are shown one character each.
QString PatchListEntry(const format::PatchEntry& entry);
// "FILE<tab>11- NAME": a find result.
QString FindResultEntry(const QString& fileName, const format::PatchEntry& entry);

// A find result's file name: the text before its first tab; none without a tab.
std::optional<QString> ResultFileName(QStringView entry);
// A find result's patch index: the label between the first tab and the next '-', read as a
// decimal number v, gives (v % 10) + (v / 10) * 8 - 9. None without a tab or a '-' after it.
std::optional<int> ResultPatchIndex(QStringView entry);

// The bytes a search compares: the first kFindTextLimit characters of the field. None when
// one of them is no single byte, since no stored name can then contain the text.
std::optional<std::string> SearchTextBytes(const QString& fieldText);

}  // namespace tessel::library
