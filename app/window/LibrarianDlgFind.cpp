// The "Find Patch" group of the main window: the search field, the Find button and the
// results list, whose entries lead back to a file and a patch.
#include <QLineEdit>
#include <QSignalBlocker>

#include "app/dialogs/TemplateDialogControls.h"
#include "app/window/LibrarianDlg.h"
#include "library/lists/LibraryLists.h"
#include "library/lists/LibraryText.h"
#include "resources/templates/MainWindowTemplate.h"

namespace tessel {
namespace {

namespace ids = templates::main_window;

}  // namespace

void CLibrarianDlg::FindPatch() {
    const QStringList fileNames = FileListEntries();
    if (fileNames.isEmpty()) {
        return;
    }
    const library::FindOutcome found = library::FindInLibrary(
        library_.libraryFolder, fileNames, Control<QLineEdit>(ids::kSearchField)->text());
    auto* results = Control<ListBox>(ids::kResultsList);
    const QSignalBlocker quiet(results);
    results->clear();
    results->addItems(found.results);
}

// The patch is sent from the file now selected, the one the patch list shows. A result
// whose file is no longer listed reloads the selected file and goes no further: its patch
// number would pick a patch of another file.
void CLibrarianDlg::OnResultSelected() {
    const QList<QListWidgetItem*> selected = Control<ListBox>(ids::kResultsList)->selectedItems();
    if (selected.isEmpty()) {
        return;
    }
    const QString entry = selected.front()->text();
    const std::optional<QString> resultFile = library::ResultFileName(entry);
    if (!resultFile) {
        return;
    }
    const bool listed = SelectFileEntry(*resultFile);
    LoadSelectedDump();
    const std::optional<int> index = library::ResultPatchIndex(entry);
    auto* patches = Control<ListBox>(ids::kPatchList);
    const std::optional<QString> fileName = SelectedFileName();
    if (!listed || !fileName || !index || *index < 0 || *index >= patches->count()) {
        return;
    }
    patches->SelectFromCode(*index);
    SendChosenResult(*SelectedFilePath(), *index);
}

}  // namespace tessel
