// The main window's start and close: preview values from the settings file into the
// controls, back into the file whichever way the window closes, and the controls' texts.
#include <array>
#include <fstream>
#include <functional>
#include <iterator>

#include <gtest/gtest.h>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QStringListModel>
#include <QTest>

#include "tests/gui/LibrarianWindowFixture.h"
#include "tests/support/Artifacts.h"

namespace tessel {
namespace {

using test::WindowFixture;

// What the Preview group shows and the preview uses, for stored values `used` (range,
// velocity, tempo, type, auto) and track bar `positions`.
void ExpectPreview(const WindowFixture& f, std::array<int, 5> used, std::array<int, 3> positions,
                   bool customType) {
    const std::array<const char*, 3> bars[] = {
        {"rangeSlider", "rangeLabel", "R&ange (%d)"},
        {"velocitySlider", "velocityLabel", "V&elocity (%d)"},
        {"tempoSlider", "tempoLabel", "Temp&o (%d)"}};
    for (int i = 0; i < 3; ++i) {
        const auto [sliderName, labelName, format] = bars[i];
        EXPECT_EQ(f.Find<QSlider>(sliderName)->value(), positions[i]) << sliderName;
        EXPECT_EQ(f.Find<QLabel>(labelName)->text(), QString::asprintf(format, used[i]));
        EXPECT_EQ(f.Find(sliderName)->isEnabled(), !customType) << sliderName;
        EXPECT_EQ(f.Find(labelName)->isEnabled(), !customType) << labelName;
    }
    EXPECT_EQ(f.Find<QComboBox>("previewTypeCombo")->currentIndex(), used[3]);
    EXPECT_EQ(f.Find<QCheckBox>("autoPreviewCheck")->isChecked(), used[4] != 0);
    EXPECT_EQ(f.Find("recordButton")->isEnabled(), customType);
    const PreviewValues& p = f.window->Preview();
    EXPECT_EQ((std::array<int, 5>{p.previewRange, p.previewVelocity, p.previewTempo, p.previewType,
                                  p.autoPreview}),
              used);
}

TEST(LibrarianDlgStart, FirstRunWithoutSettingsShowsEveryDefaultAndTheWindowsTexts) {
    WindowFixture f;
    CLibrarianDlg& window = f.Start();
    ExpectPreview(f, {4, 100, 140, 0, 1}, {4, 100, 140}, false);
    QStringList types;
    for (int i = 0; i < f.Find<QComboBox>("previewTypeCombo")->count(); ++i) {
        types << f.Find<QComboBox>("previewTypeCombo")->itemText(i);
    }
    EXPECT_EQ(types, QStringList({"One note", "Arpege", "Custom 1", "Custom 2", "Custom 3",
                                  "Custom 4", "Custom 5", "Custom 6", "Custom 7", "Custom 8"}));
    const char* names[] = {
        "setDirectoryButton", "sendButton",      "receiveButton",    "setSlotButton",
        "renameSlotButton",   "clearBankButton", "loadBankButton",   "saveBankButton",
        "findButton",         "previewButton",   "autoPreviewCheck", "aboutButton",
        "midiSettingsButton", "quitButton",      "recordButton",     "previewTypeLabel",
        "transferLabel",      "sysexFilesFrame", "patchFrame",       "bankBuilderFrame",
        "findFrame",          "previewFrame"};
    QStringList texts;
    for (const char* name : names) {
        const QWidget* control = f.Find(name);
        texts << control->property(qobject_cast<const QGroupBox*>(control) ? "title" : "text")
                     .toString();
    }
    EXPECT_EQ(texts.join('|'),
              "Set &Directory...|&Send|&Receive...|Set|Ren|Clear|Load...|Save...|&Find|Preview|"
              "Auto &Preview|&About...|&Midi Settings...|&Quit|Record|Previe&w type:||"
              "SYSEX Files|<None>|Bank Builder|Find Patc&h|Preview");
    EXPECT_EQ(window.ControlById(1023), f.Find("transferLabel"));
    EXPECT_EQ(window.ControlById(1008), f.Find("patchFrame"));
    EXPECT_EQ(window.Library().libraryFolder, f.settingsFolder.path());
    EXPECT_EQ(window.windowTitle(), "Tessel, Version 1.5");
    EXPECT_EQ(window.minimumSize(), window.maximumSize());
    EXPECT_EQ(window.focusWidget(), f.Find("fileList"));
    const auto* results = dynamic_cast<TabStopDelegate*>(f.View("resultsList").itemDelegate());
    EXPECT_EQ(results->StopAfter(0), window.Units().ToPixelsX(65));
    EXPECT_FALSE(QFile::exists(f.IniPath())) << "nothing is written before the close";
}

// Whatever was read is shown as far as the controls allow, used as read, and written back
// unchanged when the user touches nothing.
TEST(LibrarianDlgStart, StoredValuesAreShownUsedAndWrittenBackAsRead) {
    struct Case {
        std::string config;  // the lines of [config]
        std::array<int, 5> used;
        std::array<int, 3> bars;
        bool customType;
    };
    const Case cases[] = {
        {"par_Velo=77\npar_TestSel=0", {4, 77, 140, 0, 0}, {4, 77, 140}, false},
        {"par_Range=2\npar_Tempo=40\npar_Motif=1", {2, 100, 40, 1, 1}, {2, 100, 40}, false},
        {"par_Range=9\npar_Velo=300\npar_Tempo=201", {9, 300, 201, 0, 1}, {6, 127, 200}, false},
        {"par_Range=0\npar_Velo=-5\npar_Tempo=0", {0, -5, 0, 0, 1}, {1, 40, 40}, false},
        {"par_Motif=12", {4, 100, 140, 0, 1}, {4, 100, 140}, false},
        {"par_Motif=-1", {4, 100, 140, 0, 1}, {4, 100, 140}, false},
        {"par_Motif=2", {4, 100, 140, 2, 1}, {4, 100, 140}, true},
        {"par_Motif=9", {4, 100, 140, 9, 1}, {4, 100, 140}, true},
        {"par_TestSel=5", {4, 100, 140, 0, 1}, {4, 100, 140}, false},
        {"par_Range=abc\npar_Motif=x3", {0, 100, 140, 0, 1}, {1, 100, 140}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.config);
        WindowFixture f;
        f.Create("[config]\n" + c.config + "\n");
        const PreviewSettings before = ReadPreviewSettings(*f.store);
        f.window->show();
        ExpectPreview(f, c.used, c.bars, c.customType);
        f.window->close();
        EXPECT_EQ(ReadPreviewSettings(*f.store), before);
    }
}

TEST(LibrarianDlgClose, EveryWayOfClosingWritesTheFiveKeysInOrderOnce) {
    const std::function<void(WindowFixture&)> closes[] = {
        [](WindowFixture& f) { f.Find<QPushButton>("quitButton")->click(); },
        [](WindowFixture& f) { QTest::keyClick(f.window.get(), Qt::Key_Escape); },
        [](WindowFixture& f) { f.window->close(); },
        [](WindowFixture& f) { f.window.reset(); },
    };
    for (const auto& close : closes) {
        WindowFixture f;
        f.Start();
        close(f);
        EXPECT_TRUE(f.prompts.IsShutDown()) << "workers waiting for a message box go on";
        EXPECT_TRUE(!f.window || !f.window->isVisible());
        std::ifstream file(f.IniPath().toStdString(), std::ios::binary);
        EXPECT_EQ(std::string(std::istreambuf_iterator<char>(file), {}),
                  "[config]\npar_Range=4\npar_Velo=100\npar_Tempo=140\npar_Motif=0\n"
                  "par_TestSel=1\n");
        f.store->WriteInt("config", "par_Range", 5);
        f.window.reset();
        EXPECT_EQ(f.Stored("par_Range"), 5) << "the close sequence ran a second time";
    }
    WindowFixture neverShown;
    neverShown.Create();
    neverShown.window.reset();
    EXPECT_FALSE(QFile::exists(neverShown.IniPath()));
}

// At the limit already, the user's End is still a move and takes the bar's position.
TEST(LibrarianDlgPreview, MovingAStoredOutOfRangeBarTakesItsPosition) {
    WindowFixture f;
    f.Start("[config]\npar_Range=9\npar_Velo=20\n");
    QTest::keyClick(f.Find("rangeSlider"), Qt::Key_End);
    QTest::keyClick(f.Find("velocitySlider"), Qt::Key_Right);
    QTest::keyClick(f.Find("tempoSlider"), Qt::Key_Left);
    ExpectPreview(f, {6, 41, 139, 0, 1}, {6, 41, 139}, false);
    f.window->close();
    EXPECT_EQ(f.Stored("par_Range"), 6);
    EXPECT_EQ(f.Stored("par_Velo"), 41);
    EXPECT_EQ(f.Stored("par_Tempo"), 139);
}

TEST(LibrarianDlgPreview, UserChoicesReplaceTheStoredValuesChoicesFromCodeDoNot) {
    const std::string ini = "[config]\npar_Motif=12\npar_TestSel=5\n";
    WindowFixture byCode;
    byCode.Start(ini);
    byCode.Find<QComboBox>("previewTypeCombo")->setCurrentIndex(5);
    byCode.Find<QCheckBox>("autoPreviewCheck")->setChecked(false);
    EXPECT_EQ(byCode.window->Preview().previewType, 0);
    EXPECT_EQ(byCode.window->Preview().autoPreview, 1);
    byCode.window->close();
    EXPECT_EQ(byCode.Stored("par_Motif"), 12);
    EXPECT_EQ(byCode.Stored("par_TestSel"), 5);

    WindowFixture byUser;
    byUser.Start(ini);
    QTest::keyClick(byUser.Find("previewTypeCombo"), Qt::Key_Down);
    QTest::keyClick(byUser.Find("previewTypeCombo"), Qt::Key_Down);
    byUser.Find<QCheckBox>("autoPreviewCheck")->click();
    EXPECT_EQ(byUser.window->Preview().autoPreview, 0);
    byUser.Find<QCheckBox>("autoPreviewCheck")->click();
    ExpectPreview(byUser, {4, 100, 140, 2, 1}, {4, 100, 140}, true);
    byUser.window->close();
    EXPECT_EQ(byUser.Stored("par_Motif"), 2);
    EXPECT_EQ(byUser.Stored("par_TestSel"), 1);
}

TEST(LibrarianDlgPreview, EnterPressesPreviewWhereverTheFocusIsOutsideButtons) {
    WindowFixture f;
    f.Start();
    int previews = 0;
    QObject::connect(f.Find<QPushButton>("previewButton"), &QPushButton::clicked,
                     [&] { ++previews; });
    for (const char* name : {"fileList", "searchField", "rangeSlider"}) {
        QTest::keyClick(f.Find(name), Qt::Key_Return);
    }
    EXPECT_EQ(previews, 3);
    EXPECT_TRUE(f.window->isVisible());
}

TEST(LibrarianDlgControls, AboutButtonRunsTheAboutBox) {
    WindowFixture f;
    f.Start();
    QString shown;
    f.prompts.QueueDialog([&](QDialog& dialog) {
        shown = dialog.windowTitle();
        return true;
    });
    f.Find<QPushButton>("aboutButton")->click();
    EXPECT_EQ(shown, "Tessel");
}

TEST(LibrarianDlgControls, ScreenshotOfTheMainWindow) {
    WindowFixture f;
    f.Start("[config]\nDerPath=/home/musician/JD-800 library/factory banks/Preset A.syx\n");
    f.List("fileList").AddString("Preset A.syx");
    f.List("fileList").AddString("ambient pads.syx");
    for (int i = 0; i < 64; ++i) {
        f.List("patchList")
            .AddString(QString::asprintf("%d%d- Patch name %02d  ", i / 8 + 1, i % 8 + 1, i));
    }
    f.List("patchList").AddString("88- WWWWWWWWWWWWWWWW");
    f.View("resultsList")
        .setModel(new QStringListModel({"Preset A.syx\t11- Patch name 00"}, f.window.get()));
    f.Find<QGroupBox>("patchFrame")->setTitle("/home/musician/JD-800 library/Preset A.syx");
    // Item views lay out late and show their scroll bars one event later still.
    QApplication::processEvents();
    QApplication::processEvents();
    EXPECT_FALSE(test::SaveScreenshot(*f.window, "main-window").isEmpty());
}

}  // namespace
}  // namespace tessel
