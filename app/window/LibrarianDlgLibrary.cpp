// The library half of the main window: the file list of the library folder, the patch list
// of the selected file, the file reselected at start-up, and what a patch selection does.
// Lists are changed from code with their signals blocked, so only the user's own selections
// reach the selection handlers.
#include <QGroupBox>
#include <QScrollBar>
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
constexpr int kFileNameRole = Qt::UserRole;  // the name as the file system holds it

int SelectedRow(const QListWidget& list) {
    const QList<QListWidgetItem*> selected = list.selectedItems();
    return selected.isEmpty() ? -1 : list.row(selected.front());
}

// New entries are shown from the first one on, whatever the list showed before.
void ShowFromTheStart(ListBox& list) {
    list.horizontalScrollBar()->setValue(0);
    list.verticalScrollBar()->setValue(0);
}

void ReplaceEntries(ListBox& list, const QStringList& entries) {
    const QSignalBlocker quiet(&list);
    list.clear();
    list.addItems(entries);
    ShowFromTheStart(list);
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

std::vector<std::string> CLibrarianDlg::FileListNames() const {
    const int count = Control<ListBox>(ids::kFileList)->count();
    std::vector<std::string> names;
    names.reserve(static_cast<std::size_t>(count));
    for (int row = 0; row < count; ++row) {
        names.push_back(FileNameAt(row));
    }
    return names;
}

std::string CLibrarianDlg::FileNameAt(int row) const {
    return Control<ListBox>(ids::kFileList)
        ->item(row)
        ->data(kFileNameRole)
        .toByteArray()
        .toStdString();
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
    const int row = SelectedRow(*Control<ListBox>(ids::kFileList));
    if (row < 0) {
        return std::nullopt;
    }
    return LibraryPathOf(FileNameAt(row));
}

QString CLibrarianDlg::FullPathOf(const QString& fileName) const {
    return library::LibraryFilePath(library_.libraryFolder, fileName);
}

std::filesystem::path CLibrarianDlg::LibraryPathOf(const std::string& fileName) const {
    return library::ToFileSystemPath(library_.libraryFolder) / fileName;
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

int CLibrarianDlg::FileRowOf(const std::string& fileName) const {
    return library::FindFileEntry(FileListNames(), FileListEntries(), fileName);
}

void CLibrarianDlg::ShowFileList(const std::vector<std::string>& fileNames) {
    auto* files = Control<ListBox>(ids::kFileList);
    const QSignalBlocker quiet(files);
    files->clear();
    for (const std::string& name : fileNames) {
        auto* item = new QListWidgetItem(library::DisplayName(name));
        item->setData(kFileNameRole, QByteArray::fromStdString(name));
        files->addItem(item);
    }
    ShowFromTheStart(*files);
}

void CLibrarianDlg::RefreshFileList() {
    ShowFileList(library::ListLibraryFiles(library_.libraryFolder));
    Control<ListBox>(ids::kFileList)->SelectFromCode(0);
    LoadSelectedDump();
}

void CLibrarianDlg::LoadSelectedDump() {
    auto* patches = Control<ListBox>(ids::kPatchList);
    ReplaceEntries(*patches, {});
    const std::optional<std::filesystem::path> path = SelectedFilePath();
    if (!path) {
        return;
    }
    const library::PatchListing listing = library::ListPatches(*path);
    switch (listing.outcome) {
        case library::DumpOutcome::Unreadable:
            ShowLoadedDumpPath(std::nullopt);
            return;
        case library::DumpOutcome::NoDump:
            return;
        case library::DumpOutcome::Listed:
            ReplaceEntries(*patches, listing.entries);
            ShowLoadedDumpPath(*path);
            return;
    }
}

// Only the file name is compared: the file last sent or received is found again in the
// current library folder, wherever it lay when it was transferred.
void CLibrarianDlg::SelectLastTransferredFile() {
    const std::optional<std::string> fileName =
        library::NameAfterLastSeparator(library_.lastTransferPath.string());
    if (!fileName) {
        return;
    }
    if (const int row = FileRowOf(*fileName); row >= 0) {
        Control<ListBox>(ids::kFileList)->SelectFromCode(row);
    }
    LoadSelectedDump();
}

// The instrument already holds the file last sent or received in its patch memory, so one
// of its patches is called up by number; any other patch is written to the temporary patch.
void CLibrarianDlg::OnPatchSelected() {
    const int index = SelectedRow(*Control<ListBox>(ids::kPatchList));
    const std::optional<std::filesystem::path> file = SelectedFilePath();
    if (index < 0 || !file) {
        return;
    }
    if (library::IsSamePath(*file, library_.lastTransferPath)) {
        SendProgramChangeForPatch(index);
    } else {
        SendPatchToTemporary(*file, index);
    }
    if (preview_.autoPreview != 0) {
        StartPreview();
    }
}

}  // namespace tessel
