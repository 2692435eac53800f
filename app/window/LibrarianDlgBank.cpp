// The "Bank Builder" group of the main window: the tree of 8 groups and 64 slots and its
// buttons.
#include "app/window/LibrarianDlg.h"

namespace tessel {

void CLibrarianDlg::ClearBank() {}
void CLibrarianDlg::SetSlot() {}
void CLibrarianDlg::RenameSlot() {}
void CLibrarianDlg::AuditionSlot() {}
void CLibrarianDlg::LoadBank() {}
void CLibrarianDlg::SaveBank() {}

}  // namespace tessel
