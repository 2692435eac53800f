#include "resources/templates/MainWindowTemplate.h"

namespace tessel::templates {
namespace {

using namespace flags;
using namespace main_window;
using K = ControlKind;

constexpr const char* kPreviewTypes[] = {"One note", "Arpege"};

// Creation order is the tab order.
constexpr ControlTemplate kControls[] = {
    {kNoId, K::Frame, "SYSEX Files", 4, 5, 108, 267, kNone, "sysexFilesFrame"},
    {kFileList, K::ListBox, nullptr, 12, 16, 92, 168, kSorted | kVScroll, "fileList"},
    {kSetDirectoryButton, K::Button, "Set &Directory...", 12, 188, 92, 14, kNone,
     "setDirectoryButton"},
    {kSendButton, K::Button, "&Send", 12, 212, 44, 14, kNone, "sendButton"},
    {kReceiveButton, K::Button, "&Receive...", 60, 212, 44, 14, kNone, "receiveButton"},
    {kProgressBar, K::ProgressBar, nullptr, 12, 233, 92, 9, kNone, "progressBar"},
    {kTransferLabel, K::Label, "Static", 12, 248, 92, 17, kCentred | kWrapAnywhere,
     "transferLabel"},
    {kPatchFrame, K::Frame, nullptr, 116, 4, 300, 160, kNone, "patchFrame"},
    {kPatchList, K::ListBox, nullptr, 124, 16, 284, 140,
     kMultiColumn | kTabStops | kVScroll | kHScroll, "patchList"},
    {kNoId, K::Frame, "Bank Builder", 116, 168, 148, 104, kNone, "bankBuilderFrame"},
    {kBankTree, K::TreeView, nullptr, 124, 180, 100, 84, kTreeLines | kShowSelection, "bankTree"},
    {kSetSlotButton, K::Button, "Set", 228, 179, 28, 14, kNone, "setSlotButton"},
    {kRenameSlotButton, K::Button, "Ren", 228, 197, 28, 14, kNone, "renameSlotButton"},
    {kClearBankButton, K::Button, "Clear", 228, 215, 28, 14, kNone, "clearBankButton"},
    {kLoadBankButton, K::Button, "Load...", 228, 233, 28, 14, kNone, "loadBankButton"},
    {kSaveBankButton, K::Button, "Save...", 228, 251, 28, 14, kNone, "saveBankButton"},
    {kNoId, K::Frame, "Find Patc&h", 268, 168, 148, 104, kNone, "findFrame"},
    {kSearchField, K::Edit, nullptr, 276, 180, 96, 13, kUpperCase | kHScroll | kBorder,
     "searchField"},
    {kFindButton, K::Button, "&Find", 376, 180, 32, 13, kNone, "findButton"},
    {kResultsList, K::ListBox, nullptr, 276, 196, 132, 68, kTabStops | kVScroll | kManyEntries,
     "resultsList"},
    {kNoId, K::Frame, "Preview", 420, 4, 76, 184, kNone, "previewFrame"},
    {kPreviewButton, K::Button, "Preview", 428, 16, 60, 13, kDefaultButton, "previewButton"},
    {kAutoPreviewCheck, K::CheckBox, "Auto &Preview", 428, 32, 60, 10, kNone, "autoPreviewCheck"},
    {kNoId, K::Label, "Previe&w type:", 428, 48, 44, 8, kNone, "previewTypeLabel"},
    {kPreviewTypeCombo, K::ComboBox, nullptr, 428, 60, 62, 52, kVScroll, "previewTypeCombo",
     kPreviewTypes},
    {kRangeLabel, K::Label, "R&ange", 424, 96, 68, 8, kCentred, "rangeLabel"},
    {kRangeSlider, K::TrackBar, nullptr, 428, 106, 60, 15, kNoTicks, "rangeSlider"},
    {kVelocityLabel, K::Label, "&Velocity", 424, 126, 68, 8, kCentred, "velocityLabel"},
    {kVelocitySlider, K::TrackBar, nullptr, 428, 136, 60, 15, kNoTicks, "velocitySlider"},
    {kTempoLabel, K::Label, "Temp&o", 424, 156, 68, 8, kCentred, "tempoLabel"},
    {kTempoSlider, K::TrackBar, nullptr, 428, 166, 60, 15, kNoTicks, "tempoSlider"},
    {kAboutButton, K::Button, "&About...", 424, 192, 68, 14, kNone, "aboutButton"},
    {kMidiSettingsButton, K::Button, "&Midi Settings...", 424, 208, 68, 14, kNone,
     "midiSettingsButton"},
    {kPictureLabel, K::Picture, nullptr, 424, 228, 68, 20, kNone, "pictureLabel"},
    {kQuitButton, K::Button, "&Quit", 424, 256, 68, 14, kNone, "quitButton"},
    {kRecordButton, K::Button, "Record", 429, 76, 60, 12, kNone, "recordButton"},
};

constexpr DialogTemplate kTemplate{kTemplateId, "Tessel, Version 1.5", 500, 281, kControls};

}  // namespace

const DialogTemplate& MainWindowTemplate() {
    return kTemplate;
}

}  // namespace tessel::templates
