// The main window's MIDI wiring: the output opened at start, the settings dialog, the
// service's notices, and the ports and transfer given up as the window closes.
#include "app/dialogs/MidiSettingsDlg.h"
#include "app/window/LibrarianDlg.h"
#include "core/prompts/UserPrompts.h"

namespace tessel {
namespace {

// Status bytes from F0 up are system messages (System Exclusive, Timing Clock, Active
// Sensing ...), which belong to no channel.
constexpr std::uint32_t kFirstSystemStatus = 0xF0;

bool IsSystemMessage(std::uint32_t message) {
    return (message & 0xFF) >= kFirstSystemStatus;
}

}  // namespace

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

void CLibrarianDlg::CaptureEvent(std::uint32_t message, midi::ArrivalTime /*arrived*/) {
    // A system message is never recorded, even while recording. Storing a channel message
    // with its arrival time is the motif recorder's part.
    if (!recording_ || IsSystemMessage(message)) {
        return;
    }
}

void CLibrarianDlg::OnMidiOutDone(midi::MidiHeader* /*header*/) {
    sysex_.OnMidiOutDone();
}

void CLibrarianDlg::OnMidiInLongData(midi::MidiHeader* /*header*/) {
    sysex_.OnMidiInLongData();
}

}  // namespace tessel
