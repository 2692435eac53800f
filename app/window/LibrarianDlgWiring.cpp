// Which operation each control of the main window runs. List selections react to the user
// only: code that selects an entry blocks the list's signals (ListBox::SelectFromCode).
#include <QPushButton>
#include <QTreeWidget>

#include "app/dialogs/AboutDlg.h"
#include "app/dialogs/TemplateDialogControls.h"
#include "app/window/LibrarianDlg.h"
#include "core/prompts/UserPrompts.h"
#include "resources/templates/MainWindowTemplate.h"

namespace tessel {
namespace {

namespace ids = templates::main_window;

}  // namespace

void CLibrarianDlg::ConnectButton(int id, void (CLibrarianDlg::*operation)()) {
    connect(Control<QPushButton>(id), &QPushButton::clicked, this, operation);
}

void CLibrarianDlg::ConnectLibraryControls() {
    auto* files = Control<ListBox>(ids::kFileList);
    connect(files, &QListWidget::itemSelectionChanged, this, &CLibrarianDlg::LoadSelectedDump);
    connect(files, &QListWidget::itemDoubleClicked, this, &CLibrarianDlg::SendDump);
    auto* patches = Control<ListBox>(ids::kPatchList);
    connect(patches, &ListBox::userSelected, this, &CLibrarianDlg::OnPatchSelected);
    connect(patches, &QListWidget::itemDoubleClicked, this, &CLibrarianDlg::SetSlot);
    ConnectResultsList();
    ConnectButton(ids::kSetDirectoryButton, &CLibrarianDlg::SetDirectory);
    ConnectButton(ids::kSendButton, &CLibrarianDlg::SendDump);
    ConnectButton(ids::kReceiveButton, &CLibrarianDlg::ReceiveDump);
    ConnectButton(ids::kFindButton, &CLibrarianDlg::FindPatch);
}

void CLibrarianDlg::ConnectBankControls() {
    auto* tree = Control<QTreeWidget>(ids::kBankTree);
    connect(tree, &QTreeWidget::itemSelectionChanged, this, &CLibrarianDlg::AuditionSlot);
    connect(tree, &QTreeWidget::itemDoubleClicked, this, &CLibrarianDlg::RenameSlot);
    ConnectButton(ids::kSetSlotButton, &CLibrarianDlg::SetSlot);
    ConnectButton(ids::kRenameSlotButton, &CLibrarianDlg::RenameSlot);
    ConnectButton(ids::kClearBankButton, &CLibrarianDlg::ClearBank);
    ConnectButton(ids::kLoadBankButton, &CLibrarianDlg::LoadBank);
    ConnectButton(ids::kSaveBankButton, &CLibrarianDlg::SaveBank);
}

void CLibrarianDlg::ConnectCommandButtons() {
    ConnectButton(ids::kAboutButton, &CLibrarianDlg::ShowAboutBox);
    ConnectButton(ids::kMidiSettingsButton, &CLibrarianDlg::RunMidiSettings);
}

void CLibrarianDlg::ShowAboutBox() {
    CAboutDlg about(this);
    services_.prompts.RunDialog(about);
}

}  // namespace tessel
