// The main window's preview runs and motif recordings: the player and the recorder do the
// work, the window keeps the Record button, the type list and the MIDI input in step.
#include <QComboBox>
#include <QPushButton>

#include "app/dialogs/TemplateDialogControls.h"
#include "app/window/LibrarianDlg.h"
#include "resources/templates/MainWindowTemplate.h"

namespace tessel {
namespace {

namespace ids = templates::main_window;

}  // namespace

std::filesystem::path CLibrarianDlg::CustomDatPath() const {
    return std::filesystem::path(services_.settingsFolder.toStdU16String()) /
           preview::kCustomDatName;
}

void CLibrarianDlg::LoadMotifs() {
    preview::LoadMotifs(motifs_, CustomDatPath());
}

void CLibrarianDlg::StopPreview() {
    player_.StopPreview();
}

void CLibrarianDlg::StartPreview() {
    player_.StartPreview(preview_.previewType);
}

void CLibrarianDlg::StartRecording() {
    if (TransferRunning() ||
        !recorder_.StartRecording(preview_.previewType - kFirstCustomPreviewType)) {
        return;
    }
    Control<QPushButton>(ids::kRecordButton)->setText(QStringLiteral("Stop"));
    Control<QComboBox>(ids::kPreviewTypeCombo)->setEnabled(false);
    ports_.StartMidiIn();
    UpdateTransferControls();
}

// A save that fails keeps the old file and is passed over, as a file that cannot be read is.
void CLibrarianDlg::StopRecording() {
    if (recorder_.StopRecording()) {
        preview::SaveMotifs(motifs_, CustomDatPath());
    }
    Control<QPushButton>(ids::kRecordButton)->setText(QStringLiteral("Record"));
    Control<QComboBox>(ids::kPreviewTypeCombo)->setEnabled(true);
    ports_.CloseMidiIn();
    UpdateTransferControls();
}

void CLibrarianDlg::ShutdownPreview() {
    player_.Shutdown();
    if (recorder_.Recording()) {
        StopRecording();
    }
}

}  // namespace tessel
