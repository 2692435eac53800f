#include "library/format/FolderEntries.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <memory>

namespace tessel::format {

namespace {

struct FolderCloser {
    void operator()(DIR* dir) const { ::closedir(dir); }
};

bool IsFolder(DIR* dir, const dirent& entry) {
    if (entry.d_type == DT_DIR) {
        return true;
    }
    if (entry.d_type != DT_LNK && entry.d_type != DT_UNKNOWN) {
        return false;
    }
    struct stat status {};
    return ::fstatat(::dirfd(dir), entry.d_name, &status, 0) == 0 && S_ISDIR(status.st_mode);
}

bool IsDotEntry(std::string_view name) {
    return name == "." || name == "..";
}

}  // namespace

std::error_code ReadFolder(const std::filesystem::path& folder, const FolderEntryVisitor& visit) {
    const std::unique_ptr<DIR, FolderCloser> dir(::opendir(folder.c_str()));
    if (!dir) {
        return std::error_code(errno, std::generic_category());
    }
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(dir.get());
        if (entry == nullptr) {
            return errno == 0 ? std::error_code{} : std::error_code(errno, std::generic_category());
        }
        if (!IsDotEntry(entry->d_name)) {
            visit(entry->d_name, IsFolder(dir.get(), *entry));
        }
    }
}

}  // namespace tessel::format
