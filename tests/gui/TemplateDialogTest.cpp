// Every template builds into a dialog whose controls, texts, tab order, mnemonics and
// geometry are those of the template.
#include <gtest/gtest.h>
#include <QApplication>
#include <QTest>

#include "app/dialogs/TemplateDialog.h"
#include "resources/templates/AboutTemplate.h"
#include "resources/templates/ChangeNameTemplate.h"
#include "resources/templates/MainWindowTemplate.h"
#include "resources/templates/MidiSettingsTemplate.h"

namespace tessel {
namespace {

using templates::ControlKind;
using templates::DialogTemplate;

bool TakesFocus(const QWidget& widget) {
    return (widget.focusPolicy() & Qt::TabFocus) != 0;
}

TEST(TemplateDialog, ControlsAreBuiltInTemplateOrderAndPlacedInDialogUnits) {
    for (const auto layout : {&templates::MainWindowTemplate, &templates::ChangeNameTemplate,
                              &templates::AboutTemplate, &templates::MidiSettingsTemplate}) {
        TemplateDialog dialog(layout());
        const DialogUnits& units = dialog.Units();
        SCOPED_TRACE(layout().caption);
        EXPECT_EQ(dialog.windowTitle(), layout().caption);
        EXPECT_EQ(dialog.size(),
                  QSize(units.ToPixelsX(layout().width), units.ToPixelsY(layout().height)));
        EXPECT_EQ(dialog.minimumSize(), dialog.maximumSize());
        std::vector<QWidget*> tabOrder;
        for (const auto& control : layout().controls) {
            SCOPED_TRACE(control.objectName);
            auto* widget = dialog.findChild<QWidget*>(control.objectName);
            ASSERT_NE(widget, nullptr);
            if (control.id != templates::kNoId) {
                EXPECT_EQ(dialog.ControlById(control.id), widget);
            }
            if (control.text != nullptr && control.kind != ControlKind::Label) {
                const char* property = control.kind == ControlKind::Frame ? "title" : "text";
                EXPECT_EQ(widget->property(property).toString(), control.text);
            }
            const QRect placed(widget->mapTo(&dialog, QPoint(0, 0)), widget->size());
            const QRect expected =
                units.ToPixels(control.x, control.y, control.width, control.height);
            EXPECT_EQ(placed.topLeft(), expected.topLeft());
            EXPECT_EQ(placed.width(), expected.width());
            EXPECT_LE(placed.height(), expected.height());
            EXPECT_TRUE(dialog.rect().contains(placed));
            if (TakesFocus(*widget)) {
                tabOrder.push_back(widget);
            }
        }
        ASSERT_FALSE(tabOrder.empty());
        EXPECT_EQ(dialog.FirstTabControl(), tabOrder.front());
        for (std::size_t i = 0; i + 1 < tabOrder.size(); ++i) {
            QWidget* next = tabOrder[i]->nextInFocusChain();
            while (!TakesFocus(*next)) {
                next = next->nextInFocusChain();
            }
            EXPECT_EQ(next, tabOrder[i + 1]) << tabOrder[i]->objectName().toStdString();
        }
    }
}

TEST(TemplateDialog, DialogUnitsAreAQuarterCharacterWideAndAnEighthHighAndScaleWithTheFont) {
    QFont large = TemplateDialog::DialogFont();
    large.setPointSizeF(large.pointSizeF() * 2);
    const DialogUnits a(TemplateDialog::DialogFont());
    const DialogUnits b(large);
    EXPECT_GT(a.ToPixelsX(4), 0);
    EXPECT_NEAR(a.ToPixelsX(4), a.AverageCharWidth(), 0.5);
    EXPECT_NEAR(a.ToPixelsY(8), a.CharHeight(), 0.5);
    EXPECT_NEAR(b.ToPixelsX(400), 2 * a.ToPixelsX(400), 0.1 * a.ToPixelsX(400));
    EXPECT_NEAR(b.ToPixelsY(800), 2 * a.ToPixelsY(800), 0.1 * a.ToPixelsY(800));
}

// A frame's or a label's mnemonic focuses the control that follows it, also when another
// control of the frame had the focus.
TEST(TemplateDialog, AltLetterFocusesTheControl) {
    const std::tuple<const DialogTemplate& (*)(), Qt::Key, const char*, const char*> cases[] = {
        {&templates::MainWindowTemplate, Qt::Key_H, "searchField", "resultsList"},
        {&templates::MainWindowTemplate, Qt::Key_W, "previewTypeCombo", nullptr},
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
