#pragma once
// The entries of a folder with the file system's own entry types, so that listing a library
// of thousands of files asks about an entry's type only when the folder does not say.
#include <filesystem>
#include <functional>
#include <string_view>
#include <system_error>

namespace tessel::format {

// Calls visit(name, isFolder) for every entry but "." and "..", in the folder's own order;
// isFolder follows symbolic links (a link to a folder is a folder, a broken link is not).
using FolderEntryVisitor = std::function<void(std::string_view name, bool isFolder)>;
std::error_code ReadFolder(const std::filesystem::path& folder, const FolderEntryVisitor& visit);

}  // namespace tessel::format
