#pragma once
// A main window on a temporary settings file, with prompts that answer from a script.
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <QDialog>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "app/prompts/UserPrompts.h"
#include "app/settings/SettingsStore.h"
#include "app/window/LibrarianDlg.h"

namespace tessel::test {

// Answers folder choices from a queue (cancel when empty) and records every folder asked.
class FolderPrompts final : public UserPrompts {
public:
    std::deque<std::optional<QString>> folderAnswers;
    std::vector<QString> foldersAsked;
    int dialogsRun = 0;

    void ShowMessage(const QString& /*text*/) override {}
    bool AskYesNo(const QString& /*text*/) override { return false; }
    bool ChooseFolder(QString& folder) override {
        foldersAsked.push_back(folder);
        if (folderAnswers.empty()) {
            return false;
        }
        const std::optional<QString> answer = folderAnswers.front();
        folderAnswers.pop_front();
        if (!answer || !QDir(*answer).exists()) {
            return false;
        }
        folder = *answer;
        return true;
    }
    std::optional<QString> AskSaveFile(const FileDialogRequest& /*request*/) override {
        return std::nullopt;
    }
    std::optional<QString> AskOpenFile(const FileDialogRequest& /*request*/) override {
        return std::nullopt;
    }
    bool RunDialog(QDialog& /*dialog*/) override {
        ++dialogsRun;
        return false;
    }
};

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
        window =
            std::make_unique<CLibrarianDlg>(WindowServices{*store, prompts, ExecutableFolder()});
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
    FolderPrompts prompts;
    std::unique_ptr<SettingsStore> store;
    std::unique_ptr<CLibrarianDlg> window;
};

}  // namespace tessel::test
