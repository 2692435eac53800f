// The main window's start and close: its controls as their templates place them, its keys,
// and the preview values from the settings file into the controls and back.
#include <array>
#include <functional>
#include <iterator>

#include <gtest/gtest.h>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QSlider>

#include "resources/templates/AboutTemplate.h"
#include "resources/templates/ChangeNameTemplate.h"
#include "resources/templates/MainWindowTemplate.h"
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

// Each control at its place in dialog units, in template order by Tab, in a dialog of fixed
// size, with its template's text as built (the main window shows a few texts of its own from
// the start), and the mnemonics at work.
TEST(LibrarianDlgTemplate, EveryDialogHoldsItsTemplateInPlaceTabOrderAndMnemonics) {
    WindowFixture f;
    CLibrarianDlg& window = f.Start();
    TemplateDialog main(templates::MainWindowTemplate()), about(templates::AboutTemplate()),
        name(templates::ChangeNameTemplate()), midi(templates::MidiSettingsTemplate());
    for (TemplateDialog* dialog :
         {static_cast<TemplateDialog*>(&window), &main, &about, &name, &midi}) {
        const DialogUnits& units = dialog->Units();
        const templates::DialogTemplate& layout = dialog->Layout();
        SCOPED_TRACE(layout.caption);
        EXPECT_EQ(dialog->minimumSize(), dialog->maximumSize());
        EXPECT_EQ(dialog->size(), units.ToPixels(0, 0, layout.width, layout.height).size());
        QWidget* previous = nullptr;
        for (const auto& control : layout.controls) {
            SCOPED_TRACE(control.objectName);
            auto* widget = dialog->findChild<QWidget*>(control.objectName);
            ASSERT_NE(widget, nullptr);
            EXPECT_EQ(widget->mapTo(dialog, QPoint(0, 0)),
                      units.ToPixels(control.x, control.y, 0, 0).topLeft());
            if (control.text != nullptr && dialog != &window) {
                EXPECT_EQ(widget->property(qobject_cast<QGroupBox*>(widget) ? "title" : "text"),
                          QString(control.text));
            }
            if ((widget->focusPolicy() & Qt::TabFocus) != 0) {
                EXPECT_EQ(previous ? NextTabControl(previous) : dialog->FirstTabControl(), widget);
                previous = widget;
            }
        }
    }
    EXPECT_EQ(window.focusWidget(), f.Find("fileList"));
    // The find results put the patch name at the next tab stop past the file name.
    const auto* results = dynamic_cast<TabStopDelegate*>(f.View("resultsList").itemDelegate());
    EXPECT_EQ(results->StopAfter(0), window.Units().ToPixelsX(65));
    EXPECT_EQ(results->StopAfter(results->StopAfter(0)), 2 * results->StopAfter(0));
    EXPECT_FALSE(QFile::exists(f.IniPath())) << "nothing is written before the close";
    EXPECT_FALSE(test::SaveScreenshot(window, "main-window").isEmpty());
    // A frame's or a label's mnemonic focuses the control after it, also from within the frame.
    QApplication::setActiveWindow(&window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    for (const auto& [key, focused, before] : {std::tuple{Qt::Key_H, "searchField", "resultsList"},
                                               std::tuple{Qt::Key_O, "tempoSlider", "fileList"}}) {
        f.Find(before)->setFocus();
        QTest::keyClick(&window, key, Qt::AltModifier);
        EXPECT_EQ(QApplication::focusWidget(), f.Find(focused));
    }
}

// What the Preview group shows and the preview uses, for values `used` (range, velocity,
// tempo, type, auto) and track bar `positions`.
void ExpectPreview(const WindowFixture& f, std::array<int, 5> used, std::array<int, 3> positions) {
    const bool customType = used[3] >= 2;
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
// unchanged when the user touches nothing, once, whichever way the window closes.
TEST(LibrarianDlgClose, StoredValuesAreShownUsedAndWrittenBackOnceOnEveryWayOfClosing) {
    const std::function<void(WindowFixture&)> closes[] = {
        [](WindowFixture& f) { f.Find<QPushButton>("quitButton")->click(); },
        [](WindowFixture& f) { QTest::keyClick(f.window.get(), Qt::Key_Escape); },
        [](WindowFixture& f) { f.window->close(); },
        [](WindowFixture& f) { f.window.reset(); },
    };
    const std::tuple<std::string, std::array<int, 5>, std::array<int, 3>> cases[] = {
        {"", {4, 100, 140, 0, 1}, {4, 100, 140}},
        {"par_Velo=77\npar_TestSel=0", {4, 77, 140, 0, 0}, {4, 77, 140}},
        {"par_Range=2\npar_Tempo=40\npar_Motif=1", {2, 100, 40, 1, 1}, {2, 100, 40}},
        {"par_Range=9\npar_Velo=300\npar_Tempo=201", {9, 300, 201, 0, 1}, {6, 127, 200}},
        {"par_Range=0\npar_Velo=-5\npar_Tempo=0", {0, -5, 0, 0, 1}, {1, 40, 40}},
        {"par_Motif=12\npar_TestSel=5", {4, 100, 140, 0, 1}, {4, 100, 140}},
        {"par_Motif=2", {4, 100, 140, 2, 1}, {4, 100, 140}},
        {"par_Range=abc\npar_Motif=x3", {0, 100, 140, 0, 1}, {1, 100, 140}},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const auto& [config, used, bars] = cases[i];
        SCOPED_TRACE(config);
        WindowFixture f;
        f.Start("[config]\n" + config + "\n");
        const PreviewSettings before = ReadPreviewSettings(*f.store);
        ExpectPreview(f, used, bars);
        closes[i % 4](f);
        EXPECT_TRUE(f.prompts.IsShutDown()) << "workers waiting for a message box go on";
        EXPECT_TRUE(!f.window || !f.window->isVisible());
        EXPECT_EQ(ReadPreviewSettings(*f.store), before);
        f.store->WriteInt("config", "par_Range", 5);
        f.window.reset();
        EXPECT_EQ(f.store->ReadInt("config", "par_Range", 0), 5) << "the close ran a second time";
    }
}

// The user's moves replace the stored values (at the limit already, End is still a move),
// choices made from code do not. Keys missing from the file follow in their order.
TEST(LibrarianDlgClose, UserMovesAreWrittenChoicesFromCodeAreNot) {
    WindowFixture f;
    f.Start("[config]\npar_Range=9\npar_Motif=12\n");
    QTest::keyClick(f.Find("rangeSlider"), Qt::Key_End);
    QTest::keyClick(f.Find("previewTypeCombo"), Qt::Key_Down);
    f.Find<QComboBox>("previewTypeCombo")->setCurrentIndex(5);
    f.Find<QCheckBox>("autoPreviewCheck")->setChecked(false);
    f.window->close();
    std::ifstream file(f.IniPath().toStdString(), std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(file), {}),
              "[config]\npar_Range=6\npar_Motif=1\npar_Velo=100\npar_Tempo=140\npar_TestSel=1\n");
}

}  // namespace
}  // namespace tessel
