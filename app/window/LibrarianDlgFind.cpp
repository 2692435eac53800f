// The "Find Patch" group of the main window: the search field, the Find button and the
// results list, whose entries lead back to a file and a patch. The search reads the files on
// a thread of its own (library::LibrarySearch), so the window keeps answering and can be
// closed at any moment; the results list shows the hits from a model as they come in.
#include <QLineEdit>

#include "app/dialogs/TemplateDialogControls.h"
#include "app/window/LibrarianDlg.h"
#include "library/lists/FindResults.h"
#include "library/lists/LibraryText.h"
#include "resources/templates/MainWindowTemplate.h"

namespace tessel {
namespace {

namespace ids = templates::main_window;

}  // namespace

void CLibrarianDlg::ConnectResultsList() {
    auto* results = Control<ListView>(ids::kResultsList);
    findResults_ = new library::FindResultsModel(results);
    results->setModel(findResults_);
    connect(results, &ListView::userSelected, this, &CLibrarianDlg::OnResultSelected);
    connect(results, &QAbstractItemView::doubleClicked, this, &CLibrarianDlg::SetSlot);
}

bool CLibrarianDlg::FindRunning() const {
    return search_ != nullptr && !search_->Finished();
}

// A new Find ends the one still running before its list is emptied.
void CLibrarianDlg::FindPatch() {
    std::vector<std::string> fileNames = FileListNames();
    if (fileNames.empty()) {
        return;
    }
    const std::optional<std::string> text =
        library::SearchTextBytes(Control<QLineEdit>(ids::kSearchField)->text());
    search_.reset();
    findResults_->Reset(fileNames);
    if (!text) {
        return;
    }
    search_ = std::make_unique<library::LibrarySearch>(
        library::ToFileSystemPath(library_.libraryFolder), std::move(fileNames), *text,
        [this](std::vector<library::FindHit> hits) { findResults_->Append(std::move(hits)); });
}

// The file list follows the result by name; the patch sent is the result's own, from its own
// file. A result whose file is no longer listed reloads the selected file and sends nothing:
// selecting its patch number would pick a patch of another file.
void CLibrarianDlg::OnResultSelected(int row) {
    if (row < 0 || row >= findResults_->rowCount()) {
        return;
    }
    const std::string fileName = findResults_->FileNameOf(row);
    const int index = findResults_->PatchIndexOf(row);
    const int fileRow = FileRowOf(fileName);
    if (fileRow >= 0) {
        Control<ListBox>(ids::kFileList)->SelectFromCode(fileRow);
    }
    LoadSelectedDump();
    if (fileRow < 0 || FileNameAt(fileRow) != fileName) {
        if (preview_.autoPreview != 0) {
            StartPreview();
        }
        return;
    }
    Control<ListBox>(ids::kPatchList)->SelectFromCode(index);
    SendChosenResult(LibraryPathOf(fileName), index);
}

}  // namespace tessel
