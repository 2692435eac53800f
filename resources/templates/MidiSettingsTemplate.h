#pragma once
// The MIDI settings dialog: input and output device, channel and System Exclusive ID.
#include "resources/templates/DialogTemplate.h"

namespace tessel::templates {

namespace midi_settings {
constexpr int kMidiInList = 1001;
constexpr int kMidiOutList = 1002;
constexpr int kChannelList = 1003;
constexpr int kIdField = 1004;
constexpr int kOkButton = kIdOk;
constexpr int kCancelButton = kIdCancel;
}  // namespace midi_settings

const DialogTemplate& MidiSettingsTemplate();

}  // namespace tessel::templates
