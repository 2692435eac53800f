#pragma once
// The small steps of writing a file safely, shared by every writer that must never leave a
// half-written file where the user's file was: a temporary sibling, opened so that it is
// never another's file, flushed to the disk, with the target's permissions, then renamed.
#include <cstdio>
#include <filesystem>

namespace tessel::files {

// fopen with a path in the file system's own encoding.
std::FILE* OpenFile(const std::filesystem::path& path, const char* mode);
// Opens a file that did not exist before ("x": fail rather than reuse another's file).
std::FILE* CreateExclusive(const std::filesystem::path& path);
bool SyncToDisk(std::FILE* file);
// ".<name>.<12 random hex digits>.tmp" in the target's folder, so that the rename stays on
// one file system.
std::filesystem::path TemporarySibling(const std::filesystem::path& target);
// An existing target's permissions go to the file that replaces it.
void KeepPermissionsOf(const std::filesystem::path& target, const std::filesystem::path& temporary);

}  // namespace tessel::files
