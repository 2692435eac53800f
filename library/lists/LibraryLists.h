#pragma once
// What the library lists hold, read from the library folder: its dump files and the patch
// entries of one file. Each call opens, reads and closes the files it needs. File names are
// kept as the file system's bytes, so that every listed file opens whatever its name holds.
#include <filesystem>
#include <string>
#include <vector>

#include <QString>
#include <QStringList>

namespace tessel::library {

// The names of the folder's dump files ("*.syx" in any case, no folders), in case-insensitive
// order; empty when the folder cannot be listed.
std::vector<std::string> ListLibraryFiles(const QString& folder);

enum class DumpOutcome {
    Unreadable,  // the file cannot be opened or read
    NoDump,      // readable, without a patch memory dump
    Listed,      // entries hold two names per whole block after the dump start
};

struct PatchListing {
    DumpOutcome outcome = DumpOutcome::Unreadable;
    QStringList entries;  // "11- NAME", in file order
};

PatchListing ListPatches(const std::filesystem::path& file);

}  // namespace tessel::library
