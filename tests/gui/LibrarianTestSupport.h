#pragma once
// A main window on a temporary settings file, with prompts that answer from a script.
#include <memory>
#include <optional>
#include <string>

#include <QDialog>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "app/prompts/ScriptedPrompts.h"
#include "app/settings/SettingsStore.h"
#include "app/window/LibrarianDlg.h"
#include "midi/virtual/VirtualMidiService.h"

namespace tessel::test {

class WindowOnTempSettings {
public:
    // `iniText` is the settings file's content; std::nullopt for no file at all.
    explicit WindowOnTempSettings(const std::optional<std::string>& iniText = std::nullopt) {
        if (iniText) {
            QFile file(IniPath());
            file.open(QIODevice::WriteOnly);
            file.write(iniText->data(), qint64(iniText->size()));
        }
        store = std::make_unique<SettingsStore>(IniPath().toStdString());
        window = std::make_unique<CLibrarianDlg>(
            WindowServices{*store, prompts, ExecutableFolder(), midi});
    }

    QString IniPath() const { return folder.filePath("tessel.ini"); }
    QString ExecutableFolder() const { return folder.path(); }
    std::string IniText() const {
        QFile file(IniPath());
        return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : std::string();
    }
    int Stored(const char* key, int missing = -99999) const {
        return SettingsStore(IniPath().toStdString()).ReadInt("config", key, missing);
    }

    QTemporaryDir folder;
    ScriptedPrompts prompts;
    midi::VirtualMidiService midi;
    std::unique_ptr<SettingsStore> store;
    std::unique_ptr<CLibrarianDlg> window;
};

}  // namespace tessel::test
