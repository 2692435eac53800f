#pragma once
// What the main window needs from outside, handed in by whoever creates it (the application
// object, or a test with its own temporary settings and scripted prompts).
#include <QString>

namespace tessel {

class SettingsStore;
class UserPrompts;
namespace midi {
class MidiService;
}

struct WindowServices {
    SettingsStore& settings;
    UserPrompts& prompts;
    // The folder of the running executable, without a trailing separator: the default
    // library folder.
    QString executableFolder;
    // The folder of "tessel.ini" and "custom.dat": the executable's folder, or the user's
    // configuration folder when that cannot be written.
    QString settingsFolder;
    // The devices both MIDI ports are opened on: the program's real backends followed by the
    // built-in virtual instrument, or a test's own service.
    midi::MidiService& midi;
};

}  // namespace tessel
