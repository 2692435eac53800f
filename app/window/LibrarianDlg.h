#pragma once
// The main window: one fixed-size dialog holding every control of the librarian. It brings
// the subsystems up in a fixed order when it is first shown (InitializeWindow), routes each
// control notification and MIDI notice to its operation, and runs the close sequence
// (ShutdownWindow) exactly once, whether it is closed by Quit, Escape or the close box.
#include <array>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <QIcon>
#include <QPixmap>
#include <QString>
#include <QStringList>

#include "app/dialogs/TemplateDialog.h"
#include "app/window/PreviewSettings.h"
#include "app/window/WindowServices.h"
#include "bank/Bank.h"
#include "library/lists/LibrarySearch.h"
#include "midi/ports/MidiPortLayer.h"
#include "midi/service/QueuedNotices.h"
#include "midi/sysex/SysexTransfer.h"
#include "preview/MotifRecorder.h"
#include "preview/Motifs.h"
#include "preview/PreviewPlayer.h"
#include "transfers/TransferView.h"

class QLabel;
class QListWidget;
class QTreeWidget;
class QTreeWidgetItem;

namespace tessel {

class ListBox;
class TrackBar;
namespace transfers {
class QueuedTransferView;
class TransferWorker;
struct TransferLinks;
}  // namespace transfers

// Library state: the folder listed, the file whose patches are shown, the file last sent
// whole or received into. Files are kept as the file system names them, so that a name that
// is no valid text still opens.
struct LibraryPaths {
    QString libraryFolder;
    // None ("<None>") at start and after the selected file failed to open.
    std::optional<std::filesystem::path> loadedDumpPath;
    // Empty when nothing has been transferred.
    std::filesystem::path lastTransferPath;
};

class CLibrarianDlg : public TemplateDialog,
                      public midi::MidiNoticeHandler,
                      private transfers::TransferView {
    Q_OBJECT
public:
    explicit CLibrarianDlg(WindowServices services, QWidget* parent = nullptr);
    ~CLibrarianDlg() override;

    // The one-time start sequence; runs when the window is first shown, or earlier when
    // called directly. Later calls do nothing.
    void InitializeWindow();
    // The close sequence; runs once, as the window closes or is destroyed after having been
    // initialised. Later calls do nothing.
    void ShutdownWindow();

    void ShowAboutBox();
    void RunMidiSettings();
    // Record enabled for custom motifs only (and as UpdateTransferControls allows), track
    // bars and their labels for the two built-in patterns only.
    void UpdatePreviewControls();

    const PreviewValues& Preview() const { return preview_; }
    const LibraryPaths& Library() const { return library_; }
    // A Find is still reading files or handing its hits to the results list.
    bool FindRunning() const;
    bool IsInitialized() const { return initialized_; }
    bool IsShutDown() const { return shutDown_; }

    // The MIDI ports and the System Exclusive transfer, for the workers the window starts.
    midi::MidiPortLayer& Ports() { return ports_; }
    midi::SysexTransfer& Sysex() { return sysex_; }

    // MIDI service notices, delivered on the window thread.
    void CaptureEvent(std::uint32_t message, midi::ArrivalTime arrived) override;
    void OnMidiOutDone(midi::MidiHeader* header) override;
    void OnMidiInLongData(midi::MidiHeader* header) override;

    void setVisible(bool visible) override;
    void done(int result) override;

private:
    enum class Slider { Range, Velocity, Tempo };
    static constexpr Slider kAllSliders[] = {Slider::Range, Slider::Velocity, Slider::Tempo};
    struct SliderBinding;
    static const SliderBinding& BindingOf(Slider slider);

    // Start sequence pieces, in the order they run.
    void ReadPreviewValues();
    void AddCustomPreviewEntries();
    void ShowPreviewSelection();
    void SetUpTrackBars();
    void SetPatchListColumnWidth();
    void ShowLastTransferPath();
    void ShowPicture();
    void ShowTrackBarLabels();

    // Preview controls.
    void ConnectPreviewControls();
    void OnTrackBarMoved(Slider slider, int position);
    void ShowTrackBarLabel(Slider slider);
    void OnPreviewTypeChosen(int entry);
    void OnAutoPreviewClicked(bool checked);
    void OnRecordButton();
    PreviewSettings ValuesToWrite() const;

    // Control wiring.
    void ConnectLibraryControls();
    void ConnectBankControls();
    void ConnectCommandButtons();
    void ConnectButton(int id, void (CLibrarianDlg::*operation)());
    void SetDirectory();

    // Library lists and Find. File-list entries show each name readably and keep the name
    // as the file system holds it, which is what opens the file.
    QStringList FileListEntries() const;
    std::vector<std::string> FileListNames() const;
    std::string FileNameAt(int row) const;
    std::optional<QString> SelectedFileName() const;
    // The full path of the selected file, as the file system names it.
    std::optional<std::filesystem::path> SelectedFilePath() const;
    QString FullPathOf(const QString& fileName) const;  // libraryFolder, separator, name
    std::filesystem::path LibraryPathOf(const std::string& fileName) const;
    bool SelectFileEntry(const QString& fileName);
    // The entry of the file with exactly this name, else the first whose shown name begins
    // with the name shown for it, letter case ignored; -1 for none.
    int FileRowOf(const std::string& fileName) const;
    void ShowFileList(const std::vector<std::string>& fileNames);
    void ShowLoadedDumpPath(const std::optional<std::filesystem::path>& path);
    void ConnectResultsList();

    // Start and close sequence steps of the MIDI wiring.
    void ApplyMidiSettings();     // start step 13: read the device keys, open the output
    void StopMidiNotices();       // as the close begins: no notices, no transfer waits
    void ReleaseReceiveBuffer();  // close step 1
    void CloseMidiPorts();        // close step 4: output, then input

    // Library lists and Find.
    void RefreshFileList();            // start step 15: list libraryFolder, load the first file
    void SelectLastTransferredFile();  // start step 17: reselect lastTransferPath's file
    void LoadSelectedDump();           // file list selection by the user
    void OnPatchSelected();            // patch list selection by the user
    void FindPatch();                  // Find button
    void OnResultSelected(int row);    // results list selection by the user

    // ---- transfers (LibrarianDlgTransfers.cpp) ----
    void SendDump();     // Send button, file list double-click
    void ReceiveDump();  // Receive... button
    // Patch selection on the file last sent or received: Program Change with the index.
    void SendProgramChangeForPatch(int index);
    // Patch selection on any other file: the record written to the temporary patch.
    void SendPatchToTemporary(const std::filesystem::path& file, int index);
    // A chosen find result: the record written to the temporary patch, then the preview.
    void SendChosenResult(const std::filesystem::path& file, int index);
    // A Send or a Receive is running.
    bool TransferRunning() const;
    // Send and Receive refuse while a transfer runs; Receive and Record exclude each other,
    // since both use the MIDI input.
    void UpdateTransferControls();
    transfers::TransferLinks WorkerLinks();
    void StartTransfer(std::unique_ptr<transfers::TransferWorker> worker);
    void StopTransfers();  // as the close begins: the running worker ended and joined
    // What a running worker asks of the window, carried out on the window thread.
    void ShowProgress(int position, int maximum) override;
    void SelectFirstPatch() override;
    void ShowTransferredFile(const std::optional<std::filesystem::path>& file) override;
    void ShowReceivedFile() override;
    void TransferEnded() override;
    // ---- end of transfers ----

    // ---- preview and recorder (LibrarianDlgPlayer.cpp) ----
    void LoadMotifs();    // start step 9: the custom motifs from "custom.dat"
    void StopPreview();   // close step 2, waits at most 1000 ms
    void StartPreview();  // Preview button, Enter, Auto Preview
    // Refused while a transfer runs.
    void StartRecording();
    // Saves "custom.dat" when a recording ran.
    void StopRecording();
    // Close step 2: the run stopped and joined, a recording still running saved.
    void ShutdownPreview();
    std::filesystem::path CustomDatPath() const;
    // ---- end of preview and recorder ----

    // ---- bank builder (LibrarianDlgBank.cpp) ----
    void ClearBank();     // start step 21 and the Clear button
    void SetSlot();       // Set button, double-click in the patch or results list
    void RenameSlot();    // Ren button, double-click in the bank tree
    void AuditionSlot();  // bank tree selection change
    void LoadBank();      // Load... button
    void SaveBank();      // Save... button
    // Go on (true) when the bank is unmodified or the user agrees to lose it.
    bool ConfirmDiscardBank();
    QTreeWidget* BankTree() const;
    // The selected tree item's value: -1 for a group, 0..63 for a slot; none without one.
    std::optional<int> SelectedTreeValue() const;
    void ShowSlotLabel(int slot);
    // Selects the slot's item and scrolls it into view; the selection change auditions it.
    void SelectSlot(int slot);
    // ---- end of bank builder ----

    WindowServices services_;
    // Destroyed in reverse order: the transfer, then the ports (closing any still open), then
    // the notices, so that nothing is posted to a notices object that is gone.
    midi::QueuedNotices notices_;
    midi::MidiPortLayer ports_;
    midi::SysexTransfer sysex_;
    QIcon icon_;
    QPixmap picture_;
    PreviewValues preview_;
    int storedPreviewType_ = 0;  // par_Motif as read, written back until the user chooses
    int storedAutoPreview_ = 1;  // par_TestSel as read, written back until the user clicks
    LibraryPaths library_;
    library::FindResultsModel* findResults_ = nullptr;  // owned by the results list
    std::unique_ptr<library::LibrarySearch> search_;    // the last Find, running or done

    // ---- transfers state ----
    std::unique_ptr<transfers::QueuedTransferView> transferView_;
    std::unique_ptr<transfers::TransferWorker> transfer_;  // the running Send or Receive
    // ---- end of transfers state ----

    // ---- preview and recorder state ----
    preview::MotifBank motifs_;
    preview::MotifRecorder recorder_{motifs_};
    // Destroyed before the ports it plays on, joining its run.
    preview::PreviewPlayer player_{preview_, motifs_, ports_};
    // ---- end of preview and recorder state ----

    // ---- bank builder state ----
    bank::Bank bank_;  // its flag is bankModified
    std::array<QTreeWidgetItem*, bank::kSlotCount> slotItems_{};
    // ---- end of bank builder state ----

    bool initialized_ = false;
    bool shutDown_ = false;
};

}  // namespace tessel
