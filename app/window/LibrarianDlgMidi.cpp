// The main window's MIDI wiring: the output opened at start, the settings dialog, the
// service's notices, and the ports and transfer given up as the window closes.
#include "app/dialogs/MidiSettingsDlg.h"
#include "app/window/LibrarianDlg.h"
#include "core/prompts/UserPrompts.h"

namespace tessel {

void CLibrarianDlg::ApplyMidiSettings() {
    ports_.ApplyMidiSettings();
}

void CLibrarianDlg::RunMidiSettings() {
    midi::CMidiSettingsDlg dialog(ports_, services_.settings, this);
    if (services_.prompts.RunDialog(dialog)) {
        ports_.ApplyMidiSettings();
    }
}

void CLibrarianDlg::StopMidiNotices() {
    notices_.Close();
    sysex_.AbortWaits();
}

void CLibrarianDlg::ReleaseReceiveBuffer() {
    sysex_.ReleaseHeldReceiveBufferSilently();
}

void CLibrarianDlg::CloseMidiPorts() {
    ports_.CloseMidiPorts();
}

// Stamped with the moment the message reached the port, not the moment it is handled here.
void CLibrarianDlg::CaptureEvent(std::uint32_t message, midi::ArrivalTime arrived) {
    recorder_.CaptureEvent(message, arrived);
}

void CLibrarianDlg::OnMidiOutDone(midi::MidiHeader* /*header*/) {
    sysex_.OnMidiOutDone();
}

void CLibrarianDlg::OnMidiInLongData(midi::MidiHeader* /*header*/) {
    sysex_.OnMidiInLongData();
}

}  // namespace tessel
