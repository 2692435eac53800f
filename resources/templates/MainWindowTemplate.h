#pragma once
// Template 102: the main window of the librarian.
#include "resources/templates/DialogTemplate.h"

namespace tessel::templates {

namespace main_window {
constexpr int kTemplateId = 102;
constexpr int kMidiSettingsButton = 1000;
constexpr int kFileList = 1001;
constexpr int kPatchList = 1002;
constexpr int kSendButton = 1003;
constexpr int kSetDirectoryButton = 1004;
constexpr int kFindButton = 1005;
constexpr int kReceiveButton = 1006;
constexpr int kProgressBar = 1007;
constexpr int kPatchFrame = 1008;
constexpr int kAboutButton = 1010;
constexpr int kVelocitySlider = 1013;
constexpr int kTempoSlider = 1015;
constexpr int kRangeSlider = 1016;
constexpr int kPreviewTypeCombo = 1017;
constexpr int kAutoPreviewCheck = 1018;
constexpr int kPreviewButton = 1019;
constexpr int kResultsList = 1021;
constexpr int kSearchField = 1022;
constexpr int kTransferLabel = 1023;
constexpr int kBankTree = 1028;
constexpr int kSetSlotButton = 1029;
constexpr int kSaveBankButton = 1031;
constexpr int kClearBankButton = 1032;
constexpr int kRenameSlotButton = 1033;
constexpr int kLoadBankButton = 1034;
constexpr int kRangeLabel = 1035;
constexpr int kVelocityLabel = 1036;
constexpr int kTempoLabel = 1037;
constexpr int kPictureLabel = 1038;
constexpr int kRecordButton = 1039;
constexpr int kQuitButton = kIdOk;
}  // namespace main_window

const DialogTemplate& MainWindowTemplate();

}  // namespace tessel::templates
