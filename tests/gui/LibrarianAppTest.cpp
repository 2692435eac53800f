// The application object: where the settings file lies, and a whole run of the program.
#include <gtest/gtest.h>
#include <QDir>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include "app/settings/SettingsStore.h"
#include "app/window/LibrarianApp.h"
#include "midi/virtual/VirtualMidiService.h"
#include "tests/gui/LibrarianTestSupport.h"

namespace tessel {
namespace {

struct PathCase {
    QString executable;
    QString folder;
};

class SettingsLocation : public testing::TestWithParam<PathCase> {};

TEST_P(SettingsLocation, IsTheExecutablesFolderPlusTesselIni) {
    EXPECT_EQ(ExecutableFolder(GetParam().executable), GetParam().folder);
    EXPECT_EQ(SettingsPathFor(GetParam().executable),
              GetParam().folder + QDir::separator() + "tessel.ini");
}

INSTANTIATE_TEST_SUITE_P(App, SettingsLocation,
                         testing::Values(PathCase{"/opt/tessel/bin/tessel", "/opt/tessel/bin"},
                                         PathCase{"/tessel", ""}, PathCase{"tessel", ""},
                                         PathCase{"C:\\Programs\\Tessel\\tessel.exe",
                                                  "C:\\Programs\\Tessel"},
                                         PathCase{"/home/a b/c.d/tessel", "/home/a b/c.d"},
                                         PathCase{"/mixed\\sep/tessel", "/mixed\\sep"}));

TEST(LibrarianApp, StartupRunsTheWindowUntilQuitAndWritesBesideTheExecutable) {
    QTemporaryDir folder;
    const QString executable = folder.filePath("tessel");
    {
        SettingsStore seed(folder.filePath("tessel.ini").toStdString());
        seed.WriteInt("config", "par_Tempo", 77);
    }
    ScriptedPrompts prompts;
    midi::VirtualMidiService midi;
    CLibrarianApp librarian(executable, prompts, midi);
    CLibrarianDlg* seen = nullptr;
    QString folderShown;
    librarian.SetWindowCreatedHandler([&](CLibrarianDlg& window) {
        seen = &window;
        QTimer::singleShot(0, &window, [&window, &folderShown] {
            folderShown = window.Library().libraryFolder;
            window.findChild<QPushButton*>("quitButton")->click();
        });
    });

    EXPECT_FALSE(librarian.Startup());

    EXPECT_NE(seen, nullptr);
    EXPECT_EQ(librarian.SettingsPath(), folder.path() + QDir::separator() + "tessel.ini");
    EXPECT_EQ(folderShown, folder.path());
    SettingsStore written(librarian.SettingsPath().toStdString());
    EXPECT_EQ(written.ReadInt("config", "par_Tempo", 0), 77);
    EXPECT_EQ(written.ReadInt("config", "par_Range", 0), 4);
    EXPECT_EQ(written.ReadInt("config", "par_TestSel", 0), 1);
}

}  // namespace
}  // namespace tessel
