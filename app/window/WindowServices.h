#pragma once
// What the main window needs from outside, handed in by whoever creates it (the application
// object, or a test with its own temporary settings and scripted prompts).
#include <QString>

namespace tessel {

class SettingsStore;
class UserPrompts;

struct WindowServices {
    SettingsStore& settings;
    UserPrompts& prompts;
    // The folder of the running executable, without a trailing separator: the default
    // library folder.
    QString executableFolder;
};

}  // namespace tessel
