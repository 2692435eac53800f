#pragma once
// The application object: chooses the folder of "tessel.ini" and "custom.dat" once (beside the
// executable when that folder can be written, else the user's configuration folder), runs the
// main window modally and ends the program when it closes.
#include <filesystem>
#include <functional>
#include <memory>

#include <QString>

#include "core/settings/SettingsFolder.h"

namespace tessel {

class CLibrarianDlg;
class SettingsStore;
class UserPrompts;
namespace midi {
class MidiService;
}

// The executable's folder: its full path cut at the last folder separator ('/' or '\'),
// empty when there is none.
QString ExecutableFolder(const QString& executablePath);
// The folder, the platform's separator and "tessel.ini".
QString SettingsPathIn(const QString& folder);

// The program's MIDI devices: those of every RtMidi API that works here, then the built-in
// virtual instrument "Tessel Virtual JD-800", listed last so that real devices keep their
// numbers.
std::unique_ptr<midi::MidiService> CreateProgramMidiService();

class CLibrarianApp {
public:
    // `executablePath` is the running program's full path (QCoreApplication's
    // applicationFilePath(), not the current folder). `midi` must outlive the run.
    // `userConfigFolder` takes the settings when the executable's folder cannot be written.
    CLibrarianApp(QString executablePath, UserPrompts& prompts, midi::MidiService& midi,
                  std::filesystem::path userConfigFolder = UserConfigFolder());
    ~CLibrarianApp();
    CLibrarianApp(const CLibrarianApp&) = delete;
    CLibrarianApp& operator=(const CLibrarianApp&) = delete;

    // Called with the main window after it is created and before it runs, e.g. to make it
    // the owner of the prompts' message boxes.
    void SetWindowCreatedHandler(std::function<void(CLibrarianDlg&)> handler);

    // Runs the whole program: the main window's modal run. Returns false, as the program
    // then ends.
    bool Startup();

    const QString& SettingsFolder() const { return settingsFolder_; }
    const QString& SettingsPath() const { return settingsPath_; }

private:
    QString executablePath_;
    UserPrompts& prompts_;
    midi::MidiService& midi_;
    std::filesystem::path userConfigFolder_;
    QString settingsFolder_;
    QString settingsPath_;
    std::unique_ptr<SettingsStore> settings_;
    std::function<void(CLibrarianDlg&)> windowCreated_;
};

}  // namespace tessel
