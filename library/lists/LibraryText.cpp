#include "library/lists/LibraryText.h"

#include <algorithm>
#include <cstdint>

#include <QDir>
#include <QFile>

namespace tessel::library {
namespace {

constexpr QChar kTab = u'\t';
constexpr QChar kLabelEnd = u'-';
constexpr std::int64_t kLabelLimit = 1'000'000'000;  // keeps the index arithmetic in range

bool IsSeparator(QChar c) {
    return c == u'\\' || c == u'/';
}

// Leading blanks, an optional sign and decimal digits; no digits reads 0.
int ReadDecimal(QStringView text) {
    qsizetype i = 0;
    while (i < text.size() && text[i].isSpace()) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    std::int64_t value = 0;
    for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
        value = std::min(value * 10 + (text[i].unicode() - u'0'), kLabelLimit);
    }
    return static_cast<int>(negative ? -value : value);
}

}  // namespace

QString LibraryFilePath(const QString& folder, const QString& fileName) {
    return folder + QDir::separator() + fileName;
}

std::filesystem::path ToFileSystemPath(const QString& path) {
    return std::filesystem::path(QFile::encodeName(path).toStdString());
}

QString FromFileSystemName(const std::string& name) {
    return QFile::decodeName(QByteArray::fromStdString(name));
}

QString DisplayPath(const std::filesystem::path& path) {
    return FromFileSystemName(path.string());
}

std::optional<QString> TextAfterLastSeparator(QStringView path) {
    for (qsizetype i = path.size(); i > 0; --i) {
        if (IsSeparator(path[i - 1])) {
            return path.mid(i).toString();
        }
    }
    return std::nullopt;
}

int FindFileEntry(const QStringList& entries, QStringView name) {
    const auto exact = std::find(entries.begin(), entries.end(), name);
    if (exact != entries.end()) {
        return static_cast<int>(exact - entries.begin());
    }
    for (qsizetype row = 0; row < entries.size(); ++row) {
        if (entries[row].startsWith(name, Qt::CaseInsensitive)) {
            return static_cast<int>(row);
        }
    }
    return -1;
}

bool IsSamePath(const QString& a, const QString& b) {
    return QString::compare(a, b, Qt::CaseInsensitive) == 0;
}

QString PatchListEntry(const format::PatchEntry& entry) {
    return QString::fromLatin1(format::PatchEntryText(entry));
}

QString FindResultEntry(const QString& fileName, const format::PatchEntry& entry) {
    return fileName + kTab + PatchListEntry(entry);
}

std::optional<QString> ResultFileName(QStringView entry) {
    const qsizetype tab = entry.indexOf(kTab);
    if (tab < 0) {
        return std::nullopt;
    }
    return entry.left(tab).toString();
}

std::optional<int> ResultPatchIndex(QStringView entry) {
    const qsizetype tab = entry.indexOf(kTab);
    if (tab < 0) {
        return std::nullopt;
    }
    const qsizetype end = entry.indexOf(kLabelEnd, tab + 1);
    if (end < 0) {
        return std::nullopt;
    }
    return format::LabelToIndex(ReadDecimal(entry.mid(tab + 1, end - tab - 1)));
}

std::optional<std::string> SearchTextBytes(const QString& fieldText) {
    const QString used = fieldText.left(static_cast<qsizetype>(format::kFindTextLimit));
    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(used.size()));
    for (QChar c : used) {
        if (c.unicode() > 0xFF) {
            return std::nullopt;
        }
        bytes.push_back(static_cast<char>(c.unicode()));
    }
    return bytes;
}

}  // namespace tessel::library
