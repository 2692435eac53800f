#pragma once
// Every message box, file or folder dialog and modal dialog run goes through this
// interface: Qt dialogs in the application, a scripted stand-in in tests.
#include <optional>

#include <QString>

class QDialog;
class QWidget;

namespace tessel {

struct FileDialogRequest {
    QString filter;         // e.g. "Sysex file (*.syx);;All files (*)"
    QString defaultSuffix;  // e.g. "syx"
    QString initialFolder;
    QString initialName;  // e.g. "dump.syx"
};

class UserPrompts {
public:
    virtual ~UserPrompts() = default;
    // A message box with only an OK button. May be called from any thread: a worker waits
    // until the window thread has shown it, and that wait ends at once when the window closes.
    virtual void ShowMessage(const QString& text) = 0;
    // Yes / No question; true for Yes. Window thread only.
    virtual bool AskYesNo(const QString& text) = 0;
    // Folder chooser starting at `folder`; true and `folder` replaced only for a real folder.
    virtual bool ChooseFolder(QString& folder) = 0;
    virtual std::optional<QString> AskSaveFile(const FileDialogRequest& request) = 0;
    virtual std::optional<QString> AskOpenFile(const FileDialogRequest& request) = 0;
    // Runs a dialog modally (name dialog, MIDI settings, About box); true when accepted.
    virtual bool RunDialog(QDialog& dialog) = 0;
    // Called as the window closes: ends every worker's wait for a message box at once, and
    // later calls of ShowMessage from workers return without showing anything.
    virtual void Shutdown() {}
};

}  // namespace tessel
