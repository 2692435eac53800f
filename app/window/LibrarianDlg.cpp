#include "app/window/LibrarianDlg.h"

#include <algorithm>
#include <cmath>

#include <QGroupBox>
#include <QLabel>

#include "app/dialogs/TemplateDialogControls.h"
#include "app/window/SettingsKeys.h"
#include "app/window/WindowArt.h"
#include "core/prompts/UserPrompts.h"
#include "core/settings/SettingsStore.h"
#include "library/lists/LibraryText.h"
#include "resources/templates/MainWindowTemplate.h"
#include "transfers/QueuedTransferView.h"
#include "transfers/TransferWorker.h"

namespace tessel {
namespace {

namespace ids = templates::main_window;

// Patch list columns are 140 pixels at the classic dialog font, whose average character is
// 6 pixels wide; they grow with the dialog font so a full "88- " and 16-character name fits.
constexpr double kPatchListColumnPixels = 140.0;
constexpr double kClassicAverageCharWidth = 6.0;
constexpr int kResultsTabStopUnits = 65;

}  // namespace

CLibrarianDlg::CLibrarianDlg(WindowServices services, QWidget* parent)
    : TemplateDialog(templates::MainWindowTemplate(), parent),
      services_(std::move(services)),
      notices_(*this),
      ports_(services_.midi, services_.settings, services_.prompts, notices_),
      sysex_(ports_, services_.prompts),
      icon_(WindowIcon()),
      transferView_(std::make_unique<transfers::QueuedTransferView>(
          static_cast<transfers::TransferView&>(*this))) {
    ConnectLibraryControls();
    ConnectBankControls();
    ConnectPreviewControls();
    ConnectCommandButtons();
}

CLibrarianDlg::~CLibrarianDlg() {
    ShutdownWindow();
    // Also for a window that was never shown: ports closed before the transfer goes.
    StopMidiNotices();
    CloseMidiPorts();
}

void CLibrarianDlg::setVisible(bool visible) {
    if (visible) {
        InitializeWindow();
    }
    TemplateDialog::setVisible(visible);
}

// Quit (OK), Escape and the close box (Cancel) all end here.
void CLibrarianDlg::done(int result) {
    ShutdownWindow();
    TemplateDialog::done(result);
}

void CLibrarianDlg::InitializeWindow() {
    if (initialized_) {
        return;
    }
    initialized_ = true;
    if (!icon_.isNull()) {
        setWindowIcon(icon_);
    }
    Control<QGroupBox>(ids::kPatchFrame)->setTitle(QStringLiteral("<None>"));
    library_.libraryFolder = QString::fromStdString(services_.settings.ReadString(
        keys::kDevice, keys::kLibraryFolder, services_.executableFolder.toStdString()));
    ReadPreviewValues();
    AddCustomPreviewEntries();
    LoadMotifs();
    UpdatePreviewControls();
    ShowPreviewSelection();
    SetUpTrackBars();
    ApplyMidiSettings();
    SetPatchListColumnWidth();
    RefreshFileList();
    ShowLastTransferPath();
    SelectLastTransferredFile();
    Control<ListView>(ids::kResultsList)->SetTabStops({kResultsTabStopUnits});
    ShowPicture();
    ShowTrackBarLabels();
    bank_.SetModified(false);
    ClearBank();
}

void CLibrarianDlg::ShutdownWindow() {
    if (!initialized_ || shutDown_) {
        return;
    }
    shutDown_ = true;
    search_.reset();  // a Find still running ends after the file it reads
    // A worker waiting for a message box is released at once and shows no more.
    services_.prompts.Shutdown();
    StopMidiNotices();
    StopTransfers();
    ReleaseReceiveBuffer();
    ShutdownPreview();
    WritePreviewSettings(services_.settings, ValuesToWrite());
    CloseMidiPorts();
}

void CLibrarianDlg::SetPatchListColumnWidth() {
    const double scale = std::max(1.0, Units().AverageCharWidth() / kClassicAverageCharWidth);
    Control<ListBox>(ids::kPatchList)
        ->SetColumnWidth(int(std::lround(kPatchListColumnPixels * scale)));
}

void CLibrarianDlg::ShowLastTransferPath() {
    library_.lastTransferPath =
        services_.settings.ReadString(keys::kConfig, keys::kLastTransferPath, "");
    Control<QLabel>(ids::kTransferLabel)->setText(library::DisplayPath(library_.lastTransferPath));
}

void CLibrarianDlg::ShowPicture() {
    picture_ = WithSystemColours(WindowPicture(), palette());
    Control<QLabel>(ids::kPictureLabel)->setPixmap(picture_);
}

void CLibrarianDlg::SetDirectory() {
    QString folder = library_.libraryFolder;
    if (!services_.prompts.ChooseFolder(folder)) {
        return;
    }
    library_.libraryFolder = folder;
    services_.settings.WriteString(keys::kDevice, keys::kLibraryFolder, folder.toStdString());
    RefreshFileList();
}

}  // namespace tessel
