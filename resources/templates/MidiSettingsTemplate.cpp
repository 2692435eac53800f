#include "resources/templates/MidiSettingsTemplate.h"

namespace tessel::templates {
namespace {

using namespace flags;
using namespace midi_settings;
using K = ControlKind;

// The device lists and the channel list are filled when the dialog opens.
constexpr ControlTemplate kControls[] = {
    {kNoId, K::Frame, nullptr, 4, 0, 236, 72, kNone, "midiFrame"},
    {kNoId, K::Label, "&MIDI In device:", 12, 13, 52, 8, kNone, "midiInLabel"},
    {kMidiInList, K::ComboBox, nullptr, 72, 12, 160, 52, kVScroll, "midiInList"},
    {kNoId, K::Label, "MIDI Out device:", 12, 39, 60, 8, kNone, "midiOutLabel"},
    {kMidiOutList, K::ComboBox, nullptr, 72, 37, 160, 52, kVScroll, "midiOutList"},
    {kNoId, K::Label, "Channel:", 12, 55, 60, 8, kNone, "channelLabel"},
    {kChannelList, K::ComboBox, nullptr, 72, 53, 45, 52, kVScroll, "channelList"},
    {kNoId, K::Label, "ID:", 133, 55, 13, 8, kNone, "idLabel"},
    {kIdField, K::Edit, nullptr, 150, 53, 33, 13, kHScroll | kBorder, "idField"},
    {kOkButton, K::Button, "OK", 244, 4, 50, 14, kDefaultButton, "okButton"},
    {kCancelButton, K::Button, "Cancel", 244, 22, 50, 14, kNone, "cancelButton"},
};

constexpr DialogTemplate kTemplate{0, "MIDI Settings", 300, 77, kControls};

}  // namespace

const DialogTemplate& MidiSettingsTemplate() {
    return kTemplate;
}

}  // namespace tessel::templates
