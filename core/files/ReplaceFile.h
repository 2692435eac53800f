#pragma once
// Replaces a file's content as one step: the bytes go to a new temporary file in the same
// folder, are flushed to the disk, and the temporary file is renamed over the target. A
// failure at any point leaves the old file exactly as it was and removes the temporary file.
#include <filesystem>
#include <string_view>
#include <system_error>

namespace tessel {

bool ReplaceFileContent(const std::filesystem::path& target, std::string_view content);
// The same, with the reason of a failure in `error` (cleared on success).
bool ReplaceFileContent(const std::filesystem::path& target, std::string_view content,
                        std::error_code& error);

}  // namespace tessel
