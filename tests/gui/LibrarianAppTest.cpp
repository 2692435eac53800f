// The application object: where the settings file lies, and a whole run of the program.
#include <gtest/gtest.h>
#include <QDir>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include "app/window/LibrarianApp.h"
#include "tests/gui/LibrarianWindowFixture.h"

namespace tessel {
namespace {

TEST(LibrarianApp, SettingsLieInTheExecutablesFolder) {
    const std::pair<QString, QString> cases[] = {
        {"/opt/tessel/bin/tessel", "/opt/tessel/bin"},
        {"/tessel", ""},
        {"C:\\Programs\\Tessel\\tessel.exe", "C:\\Programs\\Tessel"},
        {"/mixed\\sep/tessel", "/mixed\\sep"},
    };
    for (const auto& [executable, folder] : cases) {
        EXPECT_EQ(ExecutableFolder(executable), folder);
        EXPECT_EQ(SettingsPathFor(executable), folder + QDir::separator() + "tessel.ini");
    }
}

TEST(LibrarianApp, StartupRunsTheWindowUntilQuitAndWritesBesideTheExecutable) {
    QTemporaryDir folder;
    SettingsStore(folder.filePath("tessel.ini").toStdString()).WriteInt("config", "par_Tempo", 77);
    ScriptedPrompts prompts;
    midi::VirtualMidiService midi;
    CLibrarianApp librarian(folder.filePath("tessel"), prompts, midi);
    QString folderShown;
    librarian.SetWindowCreatedHandler([&](CLibrarianDlg& window) {
        QTimer::singleShot(0, &window, [&window, &folderShown] {
            folderShown = window.Library().libraryFolder;
            window.findChild<QPushButton*>("quitButton")->click();
        });
    });
    EXPECT_FALSE(librarian.Startup());
    EXPECT_EQ(librarian.SettingsPath(), folder.path() + QDir::separator() + "tessel.ini");
    EXPECT_EQ(folderShown, folder.path());
    SettingsStore written(librarian.SettingsPath().toStdString());
    EXPECT_EQ(written.ReadInt("config", "par_Tempo", 0), 77);
    EXPECT_EQ(written.ReadInt("config", "par_TestSel", 0), 1);
}

}  // namespace
}  // namespace tessel
