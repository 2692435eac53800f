// Every template builds into a dialog whose controls, tab order, mnemonics and places are
// those of the template.
#include <gtest/gtest.h>
#include <QApplication>
#include <QTest>

#include "app/dialogs/TemplateDialog.h"
#include "app/dialogs/TemplateDialogControls.h"
#include "resources/templates/AboutTemplate.h"
#include "resources/templates/ChangeNameTemplate.h"
#include "resources/templates/MainWindowTemplate.h"
#include "resources/templates/MidiSettingsTemplate.h"

namespace tessel {
namespace {

using templates::DialogTemplate;

bool TakesFocus(const QWidget& widget) {
    return (widget.focusPolicy() & Qt::TabFocus) != 0;
}

QWidget* NextTabControl(QWidget* widget) {
    do {
        widget = widget->nextInFocusChain();
    } while (!TakesFocus(*widget));
    return widget;
}

TEST(TemplateDialog, ControlsAreBuiltInTemplateOrderAndPlacedInDialogUnits) {
    for (const auto layout : {&templates::MainWindowTemplate, &templates::ChangeNameTemplate,
                              &templates::AboutTemplate, &templates::MidiSettingsTemplate}) {
        TemplateDialog dialog(layout());
        const DialogUnits& units = dialog.Units();
        SCOPED_TRACE(layout().caption);
        // A dialog unit is a quarter of the font's average character wide, an eighth high.
        EXPECT_NEAR(units.ToPixelsX(400), 100 * units.AverageCharWidth(), 1);
        EXPECT_NEAR(units.ToPixelsY(800), 100 * units.CharHeight(), 1);
        QWidget* previous = nullptr;
        for (const auto& control : layout().controls) {
            SCOPED_TRACE(control.objectName);
            auto* widget = dialog.findChild<QWidget*>(control.objectName);
            ASSERT_NE(widget, nullptr);
            EXPECT_EQ(widget->mapTo(&dialog, QPoint(0, 0)),
                      units.ToPixels(control.x, control.y, 0, 0).topLeft());
            if (TakesFocus(*widget)) {
                EXPECT_EQ(previous ? NextTabControl(previous) : dialog.FirstTabControl(), widget);
                previous = widget;
            }
        }
    }
}

// The find results put the patch name at the first tab stop past the file name.
TEST(TemplateDialog, ListEntriesContinueAtTheNextMultipleOfTheirTabStop) {
    const std::pair<int, int> cases[] = {{0, 100}, {99, 100}, {100, 200}, {250, 300}};
    for (const auto& [x, expected] : cases) {
        EXPECT_EQ(TabStopDelegate({100}, nullptr).StopAfter(x), expected) << x;
    }
}

// A frame's or a label's mnemonic focuses the control that follows it, also when another
// control of the frame had the focus.
TEST(TemplateDialog, AltLetterFocusesTheControl) {
    const std::tuple<const DialogTemplate& (*)(), Qt::Key, const char*, const char*> cases[] = {
        {&templates::MainWindowTemplate, Qt::Key_H, "searchField", "resultsList"},
        {&templates::MainWindowTemplate, Qt::Key_O, "tempoSlider", nullptr},
        {&templates::ChangeNameTemplate, Qt::Key_E, "nameField", nullptr},
        {&templates::MidiSettingsTemplate, Qt::Key_M, "midiInList", nullptr},
    };
    for (const auto& [layout, key, focused, focusedBefore] : cases) {
        TemplateDialog dialog(layout());
        dialog.show();
        QApplication::setActiveWindow(&dialog);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
        if (focusedBefore != nullptr) {
            dialog.findChild<QWidget*>(focusedBefore)->setFocus();
        }
        QTest::keyClick(&dialog, key, Qt::AltModifier);
        ASSERT_NE(QApplication::focusWidget(), nullptr);
        EXPECT_EQ(QApplication::focusWidget()->objectName().toStdString(), focused);
    }
}

}  // namespace
}  // namespace tessel
