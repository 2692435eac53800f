#pragma once
// What the library lists hold, read from the library folder: its dump files, the patch
// entries of one file, and the find results over all of them. Each call opens, reads and
// closes the files it needs.
#include <QString>
#include <QStringList>

namespace tessel::library {

// The dump files of the folder ("*.syx" in any case, no folders), in case-insensitive
// order; empty when the folder cannot be listed.
QStringList ListLibraryFiles(const QString& folder);

enum class DumpOutcome {
    Unreadable,  // the file cannot be opened or read
    NoDump,      // readable, without a patch memory dump
    Listed,      // entries hold two names per whole block after the dump start
};

struct PatchListing {
    DumpOutcome outcome = DumpOutcome::Unreadable;
    QStringList entries;  // "11- NAME", in file order
};

PatchListing ListPatches(const QString& fullPath);

struct FindOutcome {
    QStringList results;  // "FILE<tab>11- NAME", files in the given order, names in index order
    QStringList skipped;  // files that could not be read; the search went on after each
};

// Searches every patch name of the given files of the folder for the search field's text
// (its first 19 characters, letters in either case).
FindOutcome FindInLibrary(const QString& folder, const QStringList& fileNames,
                          const QString& fieldText);

}  // namespace tessel::library
