// The main window's preview runs and motif recordings.
#include "app/window/LibrarianDlg.h"

namespace tessel {

void CLibrarianDlg::LoadMotifs() {}
void CLibrarianDlg::StopPreview() {}
void CLibrarianDlg::StartPreview() {}
void CLibrarianDlg::StartRecording() {}
void CLibrarianDlg::StopRecording() {}

}  // namespace tessel
