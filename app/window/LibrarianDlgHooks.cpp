// Operations that belong to the subsystems built after the window (MIDI ports, System
// Exclusive transfer, library lists, preview player, motif recorder, bank builder, About
// box, MIDI settings dialog). Each is called from its place in the start and close
// sequences or from its control; until its subsystem arrives it does nothing.
#include "app/window/LibrarianDlg.h"

namespace tessel {

void CLibrarianDlg::LoadMotifs() {}
void CLibrarianDlg::ClearBank() {}
void CLibrarianDlg::StopPreview() {}
void CLibrarianDlg::StartPreview() {}
void CLibrarianDlg::StartRecording() {}
void CLibrarianDlg::StopRecording() {}
void CLibrarianDlg::SendDump() {}
void CLibrarianDlg::ReceiveDump() {}
void CLibrarianDlg::SetSlot() {}
void CLibrarianDlg::RenameSlot() {}
void CLibrarianDlg::AuditionSlot() {}
void CLibrarianDlg::LoadBank() {}
void CLibrarianDlg::SaveBank() {}
// The transfers send a Program Change on midiChannel with the index as program number,
// without stopping a playing preview.
void CLibrarianDlg::SendProgramChangeForPatch(int /*index*/) {}
// The transfers stop a playing preview, read the record from the library file and send the
// two temporary patch messages.
void CLibrarianDlg::SendPatchToTemporary(const QString& /*fileName*/, int /*index*/) {}
// The transfers send the record as SendPatchToTemporary does, even for the file last sent
// or received, and then run StartPreview when autoPreview is on.
void CLibrarianDlg::SendChosenResult(const QString& /*fileName*/, int /*index*/) {}

}  // namespace tessel
