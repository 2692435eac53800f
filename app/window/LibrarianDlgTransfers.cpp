// The main window's transfer wiring: Send, Receive, and what a patch selection or a chosen
// find result sends to the instrument.
#include "app/window/LibrarianDlg.h"

namespace tessel {

void CLibrarianDlg::SendDump() {}
void CLibrarianDlg::ReceiveDump() {}
// A Program Change on midiChannel with the index as program number, without stopping a
// playing preview.
void CLibrarianDlg::SendProgramChangeForPatch(int /*index*/) {}
// Stops a playing preview, reads the record from the library file and sends the two
// temporary patch messages.
void CLibrarianDlg::SendPatchToTemporary(const std::filesystem::path& /*file*/, int /*index*/) {}
// Sends the record as SendPatchToTemporary does, even for the file last sent or received,
// then runs StartPreview when autoPreview is on.
void CLibrarianDlg::SendChosenResult(const std::filesystem::path& /*file*/, int /*index*/) {}
bool CLibrarianDlg::TransferRunning() const {
    return false;
}
void CLibrarianDlg::UpdateTransferControls() {}

}  // namespace tessel
