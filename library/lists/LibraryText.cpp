#include "library/lists/LibraryText.h"

#include <algorithm>
#include <cstdint>

#include <QDir>
#include <QFile>

namespace tessel::library {
namespace {

constexpr QChar kTab = u'\t';

// The length of the UTF-8 sequence of one printable character at the start of bytes; 0 for
// a byte that begins none (a stray or overlong sequence, a surrogate, a control character).
std::size_t ShownSequenceLength(std::string_view bytes) {
    const auto first = static_cast<unsigned char>(bytes[0]);
    if (first < 0x80) {
        return first >= 0x20 && first != 0x7F ? 1 : 0;
    }
    std::size_t length = 0;
    char32_t code = 0;
    if ((first & 0xE0) == 0xC0) {
        length = 2;
        code = first & 0x1F;
    } else if ((first & 0xF0) == 0xE0) {
        length = 3;
        code = first & 0x0F;
    } else if ((first & 0xF8) == 0xF0) {
        length = 4;
        code = first & 0x07;
    } else {
        return 0;
    }
    if (bytes.size() < length) {
        return 0;
    }
    for (std::size_t k = 1; k < length; ++k) {
        const auto next = static_cast<unsigned char>(bytes[k]);
        if ((next & 0xC0) != 0x80) {
            return 0;
        }
        code = (code << 6) | (next & 0x3F);
    }
    constexpr char32_t kShortest[] = {0, 0, 0x80, 0x800, 0x10000};
    const bool valid = code >= kShortest[length] && code <= 0x10FFFF &&
                       (code < 0xD800 || code > 0xDFFF) && (code < 0x80 || code > 0x9F);
    return valid ? length : 0;
}

}  // namespace

QString LibraryFilePath(const QString& folder, const QString& fileName) {
    return folder + QDir::separator() + fileName;
}

std::filesystem::path ToFileSystemPath(const QString& path) {
    return std::filesystem::path(QFile::encodeName(path).toStdString());
}

QString DisplayName(std::string_view bytes) {
    QString shown;
    shown.reserve(static_cast<qsizetype>(bytes.size()));
    std::size_t textStart = 0;
    std::size_t i = 0;
    while (i < bytes.size()) {
        const std::size_t length = ShownSequenceLength(bytes.substr(i));
        if (length > 0) {
            i += length;
            continue;
        }
        shown += QString::fromUtf8(bytes.data() + textStart, static_cast<qsizetype>(i - textStart));
        shown += QString::asprintf("\\x%02X", static_cast<unsigned char>(bytes[i]));
        textStart = ++i;
    }
    shown += QString::fromUtf8(bytes.data() + textStart,
                               static_cast<qsizetype>(bytes.size() - textStart));
    return shown;
}

QString DisplayPath(const std::filesystem::path& path) {
    return DisplayName(path.string());
}

std::optional<std::string> NameAfterLastSeparator(std::string_view path) {
    const std::size_t separator = path.find_last_of("\\/");
    if (separator == std::string_view::npos) {
        return std::nullopt;
    }
    return std::string(path.substr(separator + 1));
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

int FindFileEntry(const std::vector<std::string>& names, const QStringList& shown,
                  std::string_view name) {
    const auto exact = std::find(names.begin(), names.end(), name);
    if (exact != names.end()) {
        return static_cast<int>(exact - names.begin());
    }
    return FindFileEntry(shown, DisplayName(name));
}

bool IsSamePath(const std::filesystem::path& a, const std::filesystem::path& b) {
    std::error_code error;
    const bool same = std::filesystem::equivalent(a, b, error);
    return error ? a.lexically_normal() == b.lexically_normal() : same;
}

QString PatchListEntry(const format::PatchEntry& entry) {
    return QString::fromLatin1(format::PatchEntryText(entry));
}

QString FindResultEntry(const QString& fileName, const format::PatchEntry& entry) {
    return fileName + kTab + PatchListEntry(entry);
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
