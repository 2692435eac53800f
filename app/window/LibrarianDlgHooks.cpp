// Operations that belong to the subsystems built after the window (MIDI ports, System
// Exclusive transfer, library lists, preview player, motif recorder, bank builder, About
// box, MIDI settings dialog). Each is called from its place in the start and close
// sequences or from its control; until its subsystem arrives it does nothing.
#include "app/window/LibrarianDlg.h"

namespace tessel {

void CLibrarianDlg::LoadMotifs() {}
void CLibrarianDlg::ApplyMidiSettings() {}
void CLibrarianDlg::RefreshFileList() {}
void CLibrarianDlg::SelectLastTransferredFile() {}
void CLibrarianDlg::ClearBank() {}
void CLibrarianDlg::ReleaseReceiveBuffer() {}
void CLibrarianDlg::StopPreview() {}
void CLibrarianDlg::CloseMidiPorts() {}
void CLibrarianDlg::StartPreview() {}
void CLibrarianDlg::StartRecording() {}
void CLibrarianDlg::StopRecording() {}
void CLibrarianDlg::LoadSelectedDump() {}
void CLibrarianDlg::SendDump() {}
void CLibrarianDlg::ReceiveDump() {}
void CLibrarianDlg::OnPatchSelected() {}
void CLibrarianDlg::SetSlot() {}
void CLibrarianDlg::RenameSlot() {}
void CLibrarianDlg::AuditionSlot() {}
void CLibrarianDlg::LoadBank() {}
void CLibrarianDlg::SaveBank() {}
void CLibrarianDlg::FindPatch() {}
void CLibrarianDlg::OnResultSelected() {}
void CLibrarianDlg::ShowAboutBox() {}
void CLibrarianDlg::RunMidiSettings() {}

void CLibrarianDlg::CaptureEvent(std::uint32_t /*message*/) {}
void CLibrarianDlg::OnMidiOutDone(midi::MidiHeader* /*header*/) {}
void CLibrarianDlg::OnMidiInLongData(midi::MidiHeader* /*header*/) {}

}  // namespace tessel
