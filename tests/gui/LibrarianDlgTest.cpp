// The main window's start and close: preview values from the settings file into the
// controls, back into the file whichever way the window closes, and the controls' state.
#include <gtest/gtest.h>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSlider>
#include <QTest>

#include "app/dialogs/TemplateDialogControls.h"
#include "tests/gui/LibrarianTestSupport.h"
#include "tests/support/Artifacts.h"

namespace tessel {
namespace {

using test::WindowOnTempSettings;

template <class Widget = QWidget>
Widget* Find(const CLibrarianDlg& window, const char* name) {
    auto* widget = window.findChild<Widget*>(name);
    EXPECT_NE(widget, nullptr) << name;
    return widget;
}

struct PreviewView {
    int rangePosition, velocityPosition, tempoPosition;
    QString rangeText, velocityText, tempoText;
    int entry;
    bool autoTicked;
    bool recordEnabled;
    bool barsEnabled;
};

PreviewView ViewOf(const CLibrarianDlg& window) {
    const bool barsEnabled =
        Find(window, "rangeSlider")->isEnabled() && Find(window, "velocitySlider")->isEnabled() &&
        Find(window, "tempoSlider")->isEnabled() && Find(window, "rangeLabel")->isEnabled() &&
        Find(window, "velocityLabel")->isEnabled() && Find(window, "tempoLabel")->isEnabled();
    const bool barsDisabled =
        !Find(window, "rangeSlider")->isEnabled() && !Find(window, "velocitySlider")->isEnabled() &&
        !Find(window, "tempoSlider")->isEnabled() && !Find(window, "rangeLabel")->isEnabled() &&
        !Find(window, "velocityLabel")->isEnabled() && !Find(window, "tempoLabel")->isEnabled();
    EXPECT_TRUE(barsEnabled || barsDisabled) << "the six preview controls disagree";
    return {Find<QSlider>(window, "rangeSlider")->value(),
            Find<QSlider>(window, "velocitySlider")->value(),
            Find<QSlider>(window, "tempoSlider")->value(),
            Find<QLabel>(window, "rangeLabel")->text(),
            Find<QLabel>(window, "velocityLabel")->text(),
            Find<QLabel>(window, "tempoLabel")->text(),
            Find<QComboBox>(window, "previewTypeCombo")->currentIndex(),
            Find<QCheckBox>(window, "autoPreviewCheck")->isChecked(),
            Find(window, "recordButton")->isEnabled(),
            barsEnabled};
}

void ExpectView(const PreviewView& actual, const PreviewView& expected) {
    EXPECT_EQ(actual.rangePosition, expected.rangePosition);
    EXPECT_EQ(actual.velocityPosition, expected.velocityPosition);
    EXPECT_EQ(actual.tempoPosition, expected.tempoPosition);
    EXPECT_EQ(actual.rangeText, expected.rangeText);
    EXPECT_EQ(actual.velocityText, expected.velocityText);
    EXPECT_EQ(actual.tempoText, expected.tempoText);
    EXPECT_EQ(actual.entry, expected.entry);
    EXPECT_EQ(actual.autoTicked, expected.autoTicked);
    EXPECT_EQ(actual.recordEnabled, expected.recordEnabled);
    EXPECT_EQ(actual.barsEnabled, expected.barsEnabled);
}

TEST(LibrarianDlgStart, FirstRunWithoutSettingsShowsEveryDefault) {
    WindowOnTempSettings fixture;
    CLibrarianDlg& window = *fixture.window;
    window.show();

    auto* combo = Find<QComboBox>(window, "previewTypeCombo");
    const QStringList expectedEntries = {"One note", "Arpege",   "Custom 1", "Custom 2",
                                         "Custom 3", "Custom 4", "Custom 5", "Custom 6",
                                         "Custom 7", "Custom 8"};
    QStringList entries;
    for (int i = 0; i < combo->count(); ++i) {
        entries << combo->itemText(i);
    }
    EXPECT_EQ(entries, expectedEntries);
    ExpectView(ViewOf(window), {4, 100, 140, "R&ange (4)", "V&elocity (100)", "Temp&o (140)", 0,
                                true, false, true});
    EXPECT_EQ(Find<QLabel>(window, "transferLabel")->text(), "");
    EXPECT_EQ(Find<QGroupBox>(window, "patchFrame")->title(), "<None>");
    EXPECT_EQ(window.Library().libraryFolder, fixture.ExecutableFolder());
    EXPECT_EQ(window.Library().lastTransferPath, "");
    EXPECT_EQ(window.windowTitle(), "Tessel, Version 1.5");
    EXPECT_EQ(window.minimumSize(), window.maximumSize());
    EXPECT_EQ(window.focusWidget(), Find(window, "fileList"));
    EXPECT_TRUE(Find<QPushButton>(window, "previewButton")->isDefault());
    EXPECT_FALSE(QFile::exists(fixture.IniPath())) << "nothing is written before the close";
}

TEST(LibrarianDlgStart, StoredPathsAreShown) {
    WindowOnTempSettings fixture(
        "[config]\nDerPath=/music/jd800/bank 7.syx\n[device]\nPathDef=/music/jd800\n");
    fixture.window->show();
    EXPECT_EQ(Find<QLabel>(*fixture.window, "transferLabel")->text(), "/music/jd800/bank 7.syx");
    EXPECT_EQ(fixture.window->Library().lastTransferPath, "/music/jd800/bank 7.syx");
    EXPECT_EQ(fixture.window->Library().libraryFolder, "/music/jd800");
}

struct StoredCase {
    const char* name;
    std::string ini;
    PreviewView view;
    int usedRange, usedVelocity, usedTempo, usedType, usedAuto;
};

class LibrarianDlgStoredValues : public testing::TestWithParam<StoredCase> {};

// Whatever was read is shown as far as the controls allow, used as read, and written back
// unchanged when the user touches nothing.
TEST_P(LibrarianDlgStoredValues, AreShownUsedAndWrittenBackAsRead) {
    const StoredCase& c = GetParam();
    WindowOnTempSettings fixture(c.ini);
    const PreviewSettings before = ReadPreviewSettings(*fixture.store);
    fixture.window->show();
    ExpectView(ViewOf(*fixture.window), c.view);
    const PreviewValues& used = fixture.window->Preview();
    EXPECT_EQ(used.previewRange, c.usedRange);
    EXPECT_EQ(used.previewVelocity, c.usedVelocity);
    EXPECT_EQ(used.previewTempo, c.usedTempo);
    EXPECT_EQ(used.previewType, c.usedType);
    EXPECT_EQ(used.autoPreview, c.usedAuto);
    fixture.window->close();
    EXPECT_EQ(ReadPreviewSettings(*fixture.store), before);
}

INSTANTIATE_TEST_SUITE_P(
    Settings, LibrarianDlgStoredValues,
    testing::Values(
        StoredCase{
            "OnlySomeKeys",
            "[config]\npar_Velo=77\npar_TestSel=0\n",
            {4, 77, 140, "R&ange (4)", "V&elocity (77)", "Temp&o (140)", 0, false, false, true},
            4,
            77,
            140,
            0,
            0},
        StoredCase{
            "AllInRange",
            "[CONFIG]\nPAR_RANGE=2\npar_velo=127\npar_Tempo=40\npar_Motif=1\n",
            {2, 127, 40, "R&ange (2)", "V&elocity (127)", "Temp&o (40)", 1, true, false, true},
            2,
            127,
            40,
            1,
            1},
        StoredCase{
            "AboveTheBars",
            "[config]\npar_Range=9\npar_Velo=300\npar_Tempo=201\n",
            {6, 127, 200, "R&ange (9)", "V&elocity (300)", "Temp&o (201)", 0, true, false, true},
            9,
            300,
            201,
            0,
            1},
        StoredCase{"BelowTheBars",
                   "[config]\npar_Range=0\npar_Velo=-5\npar_Tempo=0\n",
                   {1, 40, 40, "R&ange (0)", "V&elocity (-5)", "Temp&o (0)", 0, true, false, true},
                   0,
                   -5,
                   0,
                   0,
                   1},
        StoredCase{
            "MotifAboveTheList",
            "[config]\npar_Motif=12\n",
            {4, 100, 140, "R&ange (4)", "V&elocity (100)", "Temp&o (140)", 0, true, false, true},
            4,
            100,
            140,
            0,
            1},
        StoredCase{
            "MotifNegative",
            "[config]\npar_Motif=-1\n",
            {4, 100, 140, "R&ange (4)", "V&elocity (100)", "Temp&o (140)", 0, true, false, true},
            4,
            100,
            140,
            0,
            1},
        StoredCase{
            "LastCustomMotif",
            "[config]\npar_Motif=9\n",
            {4, 100, 140, "R&ange (4)", "V&elocity (100)", "Temp&o (140)", 9, true, true, false},
            4,
            100,
            140,
            9,
            1},
        StoredCase{
            "FirstCustomMotif",
            "[config]\npar_Motif=2\n",
            {4, 100, 140, "R&ange (4)", "V&elocity (100)", "Temp&o (140)", 2, true, true, false},
            4,
            100,
            140,
            2,
            1},
        StoredCase{
            "AutoPreviewOddValue",
            "[config]\npar_TestSel=5\n",
            {4, 100, 140, "R&ange (4)", "V&elocity (100)", "Temp&o (140)", 0, true, false, true},
            4,
            100,
            140,
            0,
            1},
        StoredCase{
            "NonNumericValues",
            "[config]\npar_Range=abc\npar_Motif=x3\n",
            {1, 100, 140, "R&ange (0)", "V&elocity (100)", "Temp&o (140)", 0, true, false, true},
            0,
            100,
            140,
            0,
            1}),
    [](const auto& info) { return std::string(info.param.name); });

using CloseAction = void (*)(CLibrarianDlg&);

struct CloseCase {
    const char* name;
    CloseAction close;
    int result;
};

class LibrarianDlgClose : public testing::TestWithParam<CloseCase> {};

TEST_P(LibrarianDlgClose, WritesTheFiveKeysOnceInOrder) {
    WindowOnTempSettings fixture;
    fixture.window->show();
    GetParam().close(*fixture.window);

    EXPECT_TRUE(fixture.window->IsShutDown());
    EXPECT_TRUE(fixture.prompts.IsShutDown()) << "workers waiting for a message box go on";
    EXPECT_FALSE(fixture.window->isVisible());
    EXPECT_EQ(fixture.window->result(), GetParam().result);
    const std::string written = fixture.IniText();
    EXPECT_EQ(written.find("[config]"), 0u) << written;
    std::size_t at = 0;
    for (const char* line :
         {"par_Range=4", "par_Velo=100", "par_Tempo=140", "par_Motif=0", "par_TestSel=1"}) {
        const std::size_t found = written.find(line, at);
        ASSERT_NE(found, std::string::npos) << line << " in\n" << written;
        at = found;
    }
    EXPECT_EQ(written.find("device"), std::string::npos) << "only the preview keys are written";

    fixture.store->WriteInt("config", "par_Range", 5);
    fixture.window->ShutdownWindow();
    fixture.window.reset();
    EXPECT_EQ(fixture.Stored("par_Range"), 5) << "the close sequence ran a second time";
}

INSTANTIATE_TEST_SUITE_P(
    Settings, LibrarianDlgClose,
    testing::Values(
        CloseCase{"QuitButton",
                  [](CLibrarianDlg& w) { w.findChild<QPushButton*>("quitButton")->click(); },
                  QDialog::Accepted},
        CloseCase{"EscapeKey", [](CLibrarianDlg& w) { QTest::keyClick(&w, Qt::Key_Escape); },
                  QDialog::Rejected},
        CloseCase{"CloseBox", [](CLibrarianDlg& w) { w.close(); }, QDialog::Rejected}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(LibrarianDlgClose, DestroyingAnOpenWindowRunsTheCloseSequence) {
    WindowOnTempSettings fixture("[config]\npar_Tempo=99\n");
    fixture.window->show();
    fixture.window.reset();
    EXPECT_EQ(fixture.Stored("par_Tempo"), 99);
    EXPECT_EQ(fixture.Stored("par_Range"), 4);
    EXPECT_EQ(fixture.Stored("par_TestSel"), 1);
}

TEST(LibrarianDlgClose, WindowNeverShownWritesNothing) {
    WindowOnTempSettings fixture;
    fixture.window.reset();
    EXPECT_FALSE(QFile::exists(fixture.IniPath()));
}

TEST(LibrarianDlgPreview, MovingAStoredOutOfRangeBarTakesItsPosition) {
    WindowOnTempSettings fixture("[config]\npar_Range=9\npar_Velo=20\n");
    CLibrarianDlg& window = *fixture.window;
    window.show();
    // At the limit already: the user's End is still a move and takes the bar's position.
    QTest::keyClick(Find(window, "rangeSlider"), Qt::Key_End);
    QTest::keyClick(Find(window, "velocitySlider"), Qt::Key_Right);
    EXPECT_EQ(window.Preview().previewRange, 6);
    EXPECT_EQ(window.Preview().previewVelocity, 41);
    EXPECT_EQ(Find<QLabel>(window, "rangeLabel")->text(), "R&ange (6)");
    EXPECT_EQ(Find<QLabel>(window, "velocityLabel")->text(), "V&elocity (41)");
    QTest::keyClick(Find(window, "tempoSlider"), Qt::Key_Left);
    EXPECT_EQ(Find<QLabel>(window, "tempoLabel")->text(), "Temp&o (139)");
    window.close();
    EXPECT_EQ(fixture.Stored("par_Range"), 6);
    EXPECT_EQ(fixture.Stored("par_Velo"), 41);
    EXPECT_EQ(fixture.Stored("par_Tempo"), 139);
}

TEST(LibrarianDlgPreview, ChoosingATypeUpdatesControlsAndReplacesTheStoredType) {
    WindowOnTempSettings fixture("[config]\npar_Motif=12\n");
    CLibrarianDlg& window = *fixture.window;
    window.show();
    auto* combo = Find<QComboBox>(window, "previewTypeCombo");
    QTest::keyClick(combo, Qt::Key_Down);
    QTest::keyClick(combo, Qt::Key_Down);
    EXPECT_EQ(combo->currentIndex(), 2);
    EXPECT_EQ(window.Preview().previewType, 2);
    EXPECT_TRUE(Find(window, "recordButton")->isEnabled());
    EXPECT_FALSE(Find(window, "rangeSlider")->isEnabled());
    EXPECT_FALSE(Find(window, "tempoLabel")->isEnabled());
    QTest::keyClick(combo, Qt::Key_Up);
    EXPECT_EQ(window.Preview().previewType, 1);
    EXPECT_FALSE(Find(window, "recordButton")->isEnabled());
    EXPECT_TRUE(Find(window, "rangeSlider")->isEnabled());
    window.close();
    EXPECT_EQ(fixture.Stored("par_Motif"), 1);
}

TEST(LibrarianDlgPreview, EnterPressesPreviewWhereverTheFocusIsOutsideButtons) {
    WindowOnTempSettings fixture;
    CLibrarianDlg& window = *fixture.window;
    window.show();
    int previews = 0;
    QObject::connect(Find<QPushButton>(window, "previewButton"), &QPushButton::clicked,
                     [&] { ++previews; });
    for (const char* name : {"fileList", "searchField", "rangeSlider"}) {
        QTest::keyClick(Find(window, name), Qt::Key_Return);
    }
    EXPECT_EQ(previews, 3);
    EXPECT_TRUE(window.isVisible());
}

TEST(LibrarianDlgPreview, SelectingFromCodeChangesNoValue) {
    WindowOnTempSettings fixture("[config]\npar_Motif=12\npar_TestSel=1\n");
    CLibrarianDlg& window = *fixture.window;
    window.show();
    Find<QComboBox>(window, "previewTypeCombo")->setCurrentIndex(5);
    Find<QCheckBox>(window, "autoPreviewCheck")->setChecked(false);
    EXPECT_EQ(window.Preview().previewType, 0);
    EXPECT_EQ(window.Preview().autoPreview, 1);
    window.close();
    EXPECT_EQ(fixture.Stored("par_Motif"), 12);
    EXPECT_EQ(fixture.Stored("par_TestSel"), 1);
}

TEST(LibrarianDlgPreview, AutoPreviewClickTogglesTheValue) {
    WindowOnTempSettings fixture("[config]\npar_TestSel=5\n");
    CLibrarianDlg& window = *fixture.window;
    window.show();
    auto* check = Find<QCheckBox>(window, "autoPreviewCheck");
    check->click();
    EXPECT_EQ(window.Preview().autoPreview, 0);
    check->click();
    EXPECT_EQ(window.Preview().autoPreview, 1);
    window.close();
    EXPECT_EQ(fixture.Stored("par_TestSel"), 1);
}

struct FolderCase {
    const char* name;
    bool existing;  // answer with a real folder, else cancel
    bool changes;
};

class LibrarianDlgSetDirectory : public testing::TestWithParam<FolderCase> {};

TEST_P(LibrarianDlgSetDirectory, StoresOnlyAConfirmedFolder) {
    WindowOnTempSettings fixture("[device]\nPathDef=/old/library\n");
    QTemporaryDir chosen;
    fixture.prompts.QueueFolder(GetParam().existing ? std::optional(chosen.path()) : std::nullopt);
    CLibrarianDlg& window = *fixture.window;
    window.show();
    Find<QPushButton>(window, "setDirectoryButton")->click();
    const std::vector<PromptRecord> asked = fixture.prompts.Records();
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].kind, PromptKind::Folder);
    EXPECT_EQ(asked[0].text, "/old/library");
    const QString expected = GetParam().changes ? chosen.path() : "/old/library";
    EXPECT_EQ(window.Library().libraryFolder, expected);
    EXPECT_EQ(QString::fromStdString(fixture.store->ReadString("device", "PathDef", "")), expected);
}

INSTANTIATE_TEST_SUITE_P(Library, LibrarianDlgSetDirectory,
                         testing::Values(FolderCase{"Confirmed", true, true},
                                         FolderCase{"Cancelled", false, false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(LibrarianDlgControls, TextsAfterStartAreThoseOfTheWindow) {
    WindowOnTempSettings fixture;
    CLibrarianDlg& window = *fixture.window;
    window.show();
    struct Case {
        const char* name;
        const char* text;
    };
    for (const Case& c :
         {Case{"setDirectoryButton", "Set &Directory..."}, Case{"sendButton", "&Send"},
          Case{"receiveButton", "&Receive..."}, Case{"setSlotButton", "Set"},
          Case{"renameSlotButton", "Ren"}, Case{"clearBankButton", "Clear"},
          Case{"loadBankButton", "Load..."}, Case{"saveBankButton", "Save..."},
          Case{"findButton", "&Find"}, Case{"previewButton", "Preview"},
          Case{"autoPreviewCheck", "Auto &Preview"}, Case{"aboutButton", "&About..."},
          Case{"midiSettingsButton", "&Midi Settings..."}, Case{"quitButton", "&Quit"},
          Case{"recordButton", "Record"}, Case{"previewTypeLabel", "Previe&w type:"}}) {
        EXPECT_EQ(Find(window, c.name)->property("text").toString(), c.text) << c.name;
    }
    for (const Case& c : {Case{"sysexFilesFrame", "SYSEX Files"}, Case{"patchFrame", "<None>"},
                          Case{"bankBuilderFrame", "Bank Builder"},
                          Case{"findFrame", "Find Patc&h"}, Case{"previewFrame", "Preview"}}) {
        EXPECT_EQ(Find<QGroupBox>(window, c.name)->title(), c.text) << c.name;
    }
    EXPECT_EQ(window.ControlById(1023), Find(window, "transferLabel"));
    EXPECT_EQ(window.ControlById(1008), Find(window, "patchFrame"));
}

TEST(LibrarianDlgControls, ResultsListShowsTheSecondPartAtItsTabStop) {
    WindowOnTempSettings fixture;
    CLibrarianDlg& window = *fixture.window;
    window.show();
    auto* results = Find<ListBox>(window, "resultsList");
    auto* delegate = dynamic_cast<TabStopDelegate*>(results->itemDelegate());
    ASSERT_NE(delegate, nullptr);
    EXPECT_EQ(delegate->StopAfter(0), window.Units().ToPixelsX(65));
}

TEST(LibrarianDlgControls, ScreenshotOfTheMainWindow) {
    WindowOnTempSettings fixture(
        "[config]\nDerPath=/home/musician/JD-800 library/factory banks/Preset A.syx\n");
    CLibrarianDlg& window = *fixture.window;
    window.show();
    Find<ListBox>(window, "fileList")->AddString("Preset A.syx");
    Find<ListBox>(window, "fileList")->AddString("ambient pads.syx");
    auto* patches = Find<ListBox>(window, "patchList");
    for (int i = 0; i < 64; ++i) {
        patches->AddString(QString::asprintf("%d%d- Patch name %02d  ", i / 8 + 1, i % 8 + 1, i));
    }
    Find<ListBox>(window, "resultsList")->AddString("Preset A.syx\t11- Patch name 00");
    patches->AddString("88- WWWWWWWWWWWWWWWW");
    Find<QGroupBox>(window, "patchFrame")->setTitle("/home/musician/JD-800 library/Preset A.syx");
    // Item views lay out late and show their scroll bars one event later still.
    QApplication::processEvents();
    QApplication::processEvents();
    EXPECT_FALSE(test::SaveScreenshot(window, "main-window").isEmpty());
}

}  // namespace
}  // namespace tessel
