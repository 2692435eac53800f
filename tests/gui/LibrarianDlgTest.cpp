// The main window's start and close: its controls as their templates place them, its keys,
// and the preview values from the settings file into the controls and back.
#include <array>
#include <functional>
#include <iterator>
#include <map>

#include <gtest/gtest.h>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QSlider>

#include "resources/templates/AboutTemplate.h"
#include "resources/templates/ChangeNameTemplate.h"
#include "resources/templates/MidiSettingsTemplate.h"
#include "tests/gui/LibrarianWindowFixture.h"
#include "tests/support/Artifacts.h"

namespace tessel {
namespace {

using test::WindowFixture;

QWidget* NextTabControl(QWidget* widget) {
    do {
        widget = widget->nextInFocusChain();
    } while ((widget->focusPolicy() & Qt::TabFocus) == 0);
    return widget;
}

// Each control at its place in dialog units (a quarter of the average character wide, an
// eighth high) with its text, in template order by Tab, in a dialog of fixed size. The main
// window shows a few texts of its own from the start.
TEST(LibrarianDlgTemplate, EveryDialogHoldsItsTemplateInPlaceAndTabOrder) {
    WindowFixture f;
    CLibrarianDlg& window = f.Start();
    const std::map<std::string, QString> shownByWindow = {{"transferLabel", ""},
                                                          {"patchFrame", "<None>"},
                                                          {"rangeLabel", "R&ange (4)"},
                                                          {"velocityLabel", "V&elocity (100)"},
                                                          {"tempoLabel", "Temp&o (140)"}};
    TemplateDialog about(templates::AboutTemplate()), name(templates::ChangeNameTemplate()),
        midi(templates::MidiSettingsTemplate());
    for (TemplateDialog* dialog : {static_cast<TemplateDialog*>(&window), &about, &name, &midi}) {
        const DialogUnits& units = dialog->Units();
        const templates::DialogTemplate& layout = dialog->Layout();
        SCOPED_TRACE(layout.caption);
        EXPECT_EQ(dialog->windowTitle(), layout.caption);
        EXPECT_NEAR(units.ToPixelsX(400), 100 * units.AverageCharWidth(), 1);
        EXPECT_NEAR(units.ToPixelsY(800), 100 * units.CharHeight(), 1);
        EXPECT_EQ(dialog->minimumSize(), dialog->maximumSize());
        EXPECT_EQ(dialog->size(), units.ToPixels(0, 0, layout.width, layout.height).size());
        QWidget* previous = nullptr;
        for (const auto& control : layout.controls) {
            SCOPED_TRACE(control.objectName);
            auto* widget = dialog->findChild<QWidget*>(control.objectName);
            ASSERT_NE(widget, nullptr);
            EXPECT_EQ(widget->mapTo(dialog, QPoint(0, 0)),
                      units.ToPixels(control.x, control.y, 0, 0).topLeft());
            const auto own = shownByWindow.find(control.objectName);
            const bool ownText = dialog == &window && own != shownByWindow.end();
            if (ownText || control.text != nullptr) {
                EXPECT_EQ(widget->property(qobject_cast<QGroupBox*>(widget) ? "title" : "text"),
                          ownText ? own->second : QString(control.text));
            }
            if ((widget->focusPolicy() & Qt::TabFocus) != 0) {
                EXPECT_EQ(previous ? NextTabControl(previous) : dialog->FirstTabControl(), widget);
                previous = widget;
            }
        }
    }
    auto* types = f.Find<QComboBox>("previewTypeCombo");
    EXPECT_EQ(types->count(), 10);
    EXPECT_EQ(types->itemText(9), "Custom 8");
    EXPECT_EQ(window.focusWidget(), f.Find("fileList"));
    // The find results put the patch name at the next tab stop past the file name.
    const auto* results = dynamic_cast<TabStopDelegate*>(f.View("resultsList").itemDelegate());
    EXPECT_EQ(results->StopAfter(0), window.Units().ToPixelsX(65));
    EXPECT_EQ(results->StopAfter(results->StopAfter(0)), 2 * results->StopAfter(0));
    EXPECT_EQ(window.Library().libraryFolder, f.settingsFolder.path());
    EXPECT_FALSE(QFile::exists(f.IniPath())) << "nothing is written before the close";
    EXPECT_FALSE(test::SaveScreenshot(window, "main-window").isEmpty());
}

// A frame's or a label's mnemonic focuses the control that follows it, also when another
// control of the frame had the focus. Enter presses Preview wherever the focus is outside
// the buttons.
TEST(LibrarianDlgTemplate, KeysOfTheWindow) {
    WindowFixture f;
    f.Start();
    QApplication::setActiveWindow(f.window.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(f.window.get()));
    const std::tuple<Qt::Key, const char*, const char*> cases[] = {
        {Qt::Key_H, "searchField", "resultsList"}, {Qt::Key_O, "tempoSlider", "fileList"}};
    for (const auto& [key, focused, focusedBefore] : cases) {
        f.Find(focusedBefore)->setFocus();
        QTest::keyClick(f.window.get(), key, Qt::AltModifier);
        EXPECT_EQ(QApplication::focusWidget(), f.Find(focused));
    }
    int previews = 0;
    QObject::connect(f.Find<QPushButton>("previewButton"), &QPushButton::clicked,
                     [&] { ++previews; });
    for (const char* name : {"fileList", "searchField", "rangeSlider"}) {
        QTest::keyClick(f.Find(name), Qt::Key_Return);
    }
    EXPECT_EQ(previews, 3);
}

// What the Preview group shows and the preview uses, for values `used` (range, velocity,
// tempo, type, auto) and track bar `positions`.
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
        {"", {4, 100, 140, 0, 1}, {4, 100, 140}, false},
        {"par_Velo=77\npar_TestSel=0", {4, 77, 140, 0, 0}, {4, 77, 140}, false},
        {"par_Range=2\npar_Tempo=40\npar_Motif=1", {2, 100, 40, 1, 1}, {2, 100, 40}, false},
        {"par_Range=9\npar_Velo=300\npar_Tempo=201", {9, 300, 201, 0, 1}, {6, 127, 200}, false},
        {"par_Range=0\npar_Velo=-5\npar_Tempo=0", {0, -5, 0, 0, 1}, {1, 40, 40}, false},
        {"par_Motif=12", {4, 100, 140, 0, 1}, {4, 100, 140}, false},
        {"par_Motif=2", {4, 100, 140, 2, 1}, {4, 100, 140}, true},
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

// The user's moves and choices replace the stored values (at the limit already, End is still
// a move); choices made from code do not.
TEST(LibrarianDlgPreview, UserChoicesReplaceTheStoredValuesChoicesFromCodeDoNot) {
    WindowFixture f;
    f.Start("[config]\npar_Range=9\npar_Velo=20\npar_Motif=12\npar_TestSel=5\n");
    f.Find<QComboBox>("previewTypeCombo")->setCurrentIndex(5);
    f.Find<QCheckBox>("autoPreviewCheck")->setChecked(false);
    EXPECT_EQ(f.window->Preview().previewType, 0);
    EXPECT_EQ(f.window->Preview().autoPreview, 1);
    QTest::keyClick(f.Find("rangeSlider"), Qt::Key_End);
    QTest::keyClick(f.Find("velocitySlider"), Qt::Key_Right);
    QTest::keyClick(f.Find("tempoSlider"), Qt::Key_Left);
    QTest::keyClick(f.Find("previewTypeCombo"), Qt::Key_Down);
    f.Find<QCheckBox>("autoPreviewCheck")->click();
    f.Find<QCheckBox>("autoPreviewCheck")->click();
    ExpectPreview(f, {6, 41, 139, 6, 0}, {6, 41, 139}, true);
    f.window->close();
    EXPECT_EQ(ReadPreviewSettings(*f.store), (PreviewSettings{6, 41, 139, 6, 0}));
}

}  // namespace
}  // namespace tessel
