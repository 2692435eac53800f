// The main window's transfer wiring: Send, Receive, what a patch selection or a chosen find
// result sends to the instrument, and what the Send and Receive workers ask of the window.
#include <algorithm>

#include <QEventLoop>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include "app/dialogs/TemplateDialogControls.h"
#include "app/window/LibrarianDlg.h"
#include "app/window/SettingsKeys.h"
#include "core/prompts/UserPrompts.h"
#include "core/settings/SettingsStore.h"
#include "library/format/DumpFile.h"
#include "library/lists/LibraryText.h"
#include "resources/templates/MainWindowTemplate.h"
#include "transfers/QueuedTransferView.h"
#include "transfers/ReceiveDumpWorker.h"
#include "transfers/SendDumpWorker.h"
#include "transfers/TemporaryPatch.h"
#include "transfers/TransferTexts.h"

namespace tessel {
namespace {

namespace ids = templates::main_window;

constexpr int kHighestProgram = 127;
// Lets the instrument take in the temporary patch before anything plays it.
constexpr int kPauseAfterTemporaryPatchMs = 300;

FileDialogRequest ReceiveFileRequest(const QString& libraryFolder) {
    return {QStringLiteral("Sysex file (*.syx);;All files (*.*)"), QStringLiteral("syx"),
            libraryFolder, QStringLiteral("dump.syx")};
}

// The window thread waits, still painting and handling MIDI notices and queued work; the
// user's clicks and keys (and a close) wait for the pause to end, so they act in order.
void PauseWindowThread(int milliseconds) {
    QEventLoop loop;
    QTimer::singleShot(milliseconds, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
}

}  // namespace

void CLibrarianDlg::SendDump() {
    if (TransferRunning()) {
        return;
    }
    StopPreview();
    if (!library_.loadedDumpPath) {
        return;
    }
    StartTransfer(
        std::make_unique<transfers::SendDumpWorker>(WorkerLinks(), *library_.loadedDumpPath));
}

// The chosen file is created (or proved writable) before anything is asked of the
// instrument; the answers reach it only as the receive ends.
void CLibrarianDlg::ReceiveDump() {
    if (TransferRunning() || recorder_.Recording()) {
        return;
    }
    StopPreview();
    const std::optional<QString> chosen =
        services_.prompts.AskSaveFile(ReceiveFileRequest(library_.libraryFolder));
    if (!chosen) {
        return;
    }
    const std::filesystem::path target = library::ToFileSystemPath(*chosen);
    std::string reason;
    auto file = transfers::ReceiveFile::Create(target, reason);
    if (!file) {
        services_.prompts.ShowMessage(transfers::CannotCreateText(target, reason));
        return;
    }
    ShowTransferredFile(target);
    StartTransfer(std::make_unique<transfers::ReceiveDumpWorker>(WorkerLinks(), std::move(file)));
}

// A Program Change carries programs 0-127 only; a patch beyond them (a file holding more
// than two dumps) is written to the temporary patch instead.
void CLibrarianDlg::SendProgramChangeForPatch(int index) {
    if (index > kHighestProgram) {
        if (const std::optional<std::filesystem::path> file = SelectedFilePath()) {
            SendPatchToTemporary(*file, index);
        }
        return;
    }
    ports_.SendShortMessage(midi::PackShortMessage(
        ports_.ChannelStatus(midi::status::kProgramChange), static_cast<std::uint8_t>(index)));
}

// While a Send or Receive runs the outgoing block is refused, so nothing is sent and
// nothing waits.
void CLibrarianDlg::SendPatchToTemporary(const std::filesystem::path& file, int index) {
    StopPreview();
    const std::optional<format::PatchRecord> record = format::ReadPatchRecord(file, index);
    if (!record) {
        return;
    }
    if (transfers::SendRecordToTemporary(sysex_, ports_.DeviceByte(), *record)) {
        PauseWindowThread(kPauseAfterTemporaryPatchMs);
    }
}

void CLibrarianDlg::SendChosenResult(const std::filesystem::path& file, int index) {
    SendPatchToTemporary(file, index);
    if (preview_.autoPreview != 0 && !shutDown_) {
        StartPreview();
    }
}

bool CLibrarianDlg::TransferRunning() const {
    return transfer_ != nullptr;
}

// Record stays usable while recording, so that a recording begun before a Send can be
// stopped during it.
void CLibrarianDlg::UpdateTransferControls() {
    const bool running = TransferRunning();
    Control<QPushButton>(ids::kSendButton)->setEnabled(!running);
    Control<QPushButton>(ids::kReceiveButton)->setEnabled(!running && !recorder_.Recording());
    const bool customType = preview_.previewType >= kFirstCustomPreviewType;
    Control<QPushButton>(ids::kRecordButton)
        ->setEnabled(customType && (recorder_.Recording() || !running));
}

transfers::TransferLinks CLibrarianDlg::WorkerLinks() {
    return {sysex_, ports_, services_.prompts, *transferView_};
}

void CLibrarianDlg::StartTransfer(std::unique_ptr<transfers::TransferWorker> worker) {
    transfer_ = std::move(worker);
    UpdateTransferControls();
    transfer_->Start();
}

void CLibrarianDlg::StopTransfers() {
    transferView_->Close();
    if (transfer_) {
        transfer_->Stop();
        transfer_.reset();
    }
}

void CLibrarianDlg::ShowProgress(int position, int maximum) {
    auto* progress = Control<QProgressBar>(ids::kProgressBar);
    // An empty range would make the bar a busy indicator.
    progress->setRange(0, std::max(maximum, 1));
    progress->setValue(position);
}

void CLibrarianDlg::SelectFirstPatch() {
    auto* patches = Control<ListBox>(ids::kPatchList);
    if (patches->count() > 0) {
        patches->SelectFromCode(0);
    }
}

void CLibrarianDlg::ShowTransferredFile(const std::optional<std::filesystem::path>& file) {
    library_.lastTransferPath = file.value_or(std::filesystem::path());
    services_.settings.WriteString(keys::kConfig, keys::kLastTransferPath,
                                   library_.lastTransferPath.string());
    Control<QLabel>(ids::kTransferLabel)->setText(library::DisplayPath(library_.lastTransferPath));
}

void CLibrarianDlg::ShowReceivedFile() {
    RefreshFileList();
    SelectLastTransferredFile();
}

void CLibrarianDlg::TransferEnded() {
    transfer_.reset();
    UpdateTransferControls();
}

}  // namespace tessel
