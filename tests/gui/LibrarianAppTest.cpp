// The application object: a whole run of the program, with the settings where they can be
// written.
#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include "app/window/LibrarianApp.h"
#include "tests/gui/LibrarianWindowFixture.h"

namespace tessel {
namespace {

// Root writes into any folder that exists, so the executable folder that cannot be written
// here is one that cannot be created: it would lie under a regular file.
TEST(LibrarianApp, StartupRunsTheWindowWithSettingsWhereTheyCanBeWritten) {
    QTemporaryDir root;
    const QString config = root.filePath("config/tessel");
    QFile(root.filePath("file")).open(QIODevice::WriteOnly);
    SettingsStore(root.filePath("tessel.ini").toStdString()).WriteInt("config", "par_Tempo", 77);
    const std::tuple<QString, QString, int> cases[] = {
        {root.path(), root.path(), 77},
        {root.filePath("file/bin"), config, 140},
    };
    for (const auto& [executableFolder, settingsFolder, tempo] : cases) {
        ScriptedPrompts prompts;
        midi::VirtualMidiService midi;
        CLibrarianApp librarian(executableFolder + "/tessel", prompts, midi,
                                config.toStdU16String());
        QString libraryShown;
        librarian.SetWindowCreatedHandler([&](CLibrarianDlg& window) {
            QTimer::singleShot(0, &window, [&window, &libraryShown] {
                libraryShown = window.Library().libraryFolder;
                window.findChild<QPushButton*>("quitButton")->click();
            });
        });
        EXPECT_FALSE(librarian.Startup());
        EXPECT_EQ(librarian.SettingsFolder(), settingsFolder);
        EXPECT_EQ(librarian.SettingsPath(), settingsFolder + QDir::separator() + "tessel.ini");
        EXPECT_EQ(libraryShown, executableFolder);
        SettingsStore written(librarian.SettingsPath().toStdString());
        EXPECT_EQ(written.ReadInt("config", "par_Tempo", 0), tempo);
        EXPECT_EQ(written.ReadInt("config", "par_TestSel", 0), 1);
    }
}

}  // namespace
}  // namespace tessel
