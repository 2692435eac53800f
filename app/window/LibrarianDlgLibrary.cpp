// The library half of the main window: the file list of the library folder, the patch list
// of the selected file, the file reselected at start-up, and what a patch selection does.
// Lists are changed from code with their signals blocked, so only the user's own selections
// reach the selection handlers.
#include <QGroupBox>
#include <QSignalBlocker>

#include "app/dialogs/TemplateDialogControls.h"
#include "app/window/LibrarianDlg.h"
#include "library/lists/LibraryLists.h"
#include "library/lists/LibraryText.h"
#include "resources/templates/MainWindowTemplate.h"

namespace tessel {
namespace {

namespace ids = templates::main_window;

const QString kNoFile = QStringLiteral("<None>");

int SelectedRow(const QListWidget& list) {
    const QList<QListWidgetItem*> selected = list.selectedItems();
    return selected.isEmpty() ? -1 : list.row(selected.front());
}

void ReplaceEntries(ListBox& list, const QStringList& entries) {
    const QSignalBlocker quiet(&list);
    list.clear();
    list.addItems(entries);
}

// A frame caption treats '&' as a mnemonic mark; a path shows each of its '&' as written.
QString AsCaption(QString path) {
    return path.replace(u'&', QStringLiteral("&&"));
}

}  // namespace

QStringList CLibrarianDlg::FileListEntries() const {
    const auto* files = Control<ListBox>(ids::kFileList);
    QStringList entries;
    entries.reserve(files->count());
    for (int row = 0; row < files->count(); ++row) {
        entries.append(files->item(row)->text());
    }
    return entries;
}

std::optional<QString> CLibrarianDlg::SelectedFileName() const {
    const auto* files = Control<ListBox>(ids::kFileList);
    const int row = SelectedRow(*files);
    if (row < 0) {
        return std::nullopt;
    }
    return files->item(row)->text();
}

std::optional<std::filesystem::path> CLibrarianDlg::SelectedFilePath() const {
    const std::optional<QString> fileName = SelectedFileName();
    if (!fileName) {
        return std::nullopt;
    }
    return library::ToFileSystemPath(FullPathOf(*fileName));
}

QString CLibrarianDlg::FullPathOf(const QString& fileName) const {
    return library::LibraryFilePath(library_.libraryFolder, fileName);
}

void CLibrarianDlg::ShowLoadedDumpPath(const std::optional<std::filesystem::path>& path) {
    library_.loadedDumpPath = path;
    Control<QGroupBox>(ids::kPatchFrame)
        ->setTitle(path ? AsCaption(library::DisplayPath(*path)) : kNoFile);
}

// Selects the file-list entry for `fileName` (see library::FindFileEntry); false when no
// entry matches, leaving the selection as it was.
bool CLibrarianDlg::SelectFileEntry(const QString& fileName) {
    const int row = library::FindFileEntry(FileListEntries(), fileName);
    if (row < 0) {
        return false;
    }
    Control<ListBox>(ids::kFileList)->SelectFromCode(row);
    return true;
}

void CLibrarianDlg::RefreshFileList() {
    auto* files = Control<ListBox>(ids::kFileList);
    ReplaceEntries(*files, library::ListLibraryFiles(library_.libraryFolder));
    files->SelectFromCode(0);
    LoadSelectedDump();
}

void CLibrarianDlg::LoadSelectedDump() {
    auto* patches = Control<ListBox>(ids::kPatchList);
    ReplaceEntries(*patches, {});
    const std::optional<QString> fileName = SelectedFileName();
    if (!fileName) {
        return;
    }
    const QString path = FullPathOf(*fileName);
    const library::PatchListing listing = library::ListPatches(path);
    switch (listing.outcome) {
        case library::DumpOutcome::Unreadable:
            ShowLoadedDumpPath(std::nullopt);
            return;
        case library::DumpOutcome::NoDump:
            return;
        case library::DumpOutcome::Listed:
            ReplaceEntries(*patches, listing.entries);
            ShowLoadedDumpPath(library::ToFileSystemPath(path));
            return;
    }
}

// Only the file name is compared: the file last sent or received is found again in the
// current library folder, wherever it lay when it was transferred.
void CLibrarianDlg::SelectLastTransferredFile() {
    const std::optional<QString> fileName =
        library::TextAfterLastSeparator(library::DisplayPath(library_.lastTransferPath));
    if (!fileName) {
        return;
    }
    SelectFileEntry(*fileName);
    LoadSelectedDump();
}

// The instrument already holds the file last sent or received in its patch memory, so one
// of its patches is called up by number; any other patch is written to the temporary patch.
void CLibrarianDlg::OnPatchSelected() {
    const int index = SelectedRow(*Control<ListBox>(ids::kPatchList));
    const std::optional<QString> fileName = SelectedFileName();
    if (index < 0 || !fileName) {
        return;
    }
    if (library::IsSamePath(FullPathOf(*fileName),
                            library::DisplayPath(library_.lastTransferPath))) {
        SendProgramChangeForPatch(index);
    } else {
        SendPatchToTemporary(*SelectedFilePath(), index);
    }
    if (preview_.autoPreview != 0) {
        StartPreview();
    }
}

}  // namespace tessel
