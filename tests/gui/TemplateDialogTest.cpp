// Every template builds into a dialog whose controls, texts, tab order, mnemonics and
// geometry are those of the template.
#include <gtest/gtest.h>
#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "app/dialogs/TemplateDialog.h"
#include "app/dialogs/TemplateDialogControls.h"
#include "resources/templates/AboutTemplate.h"
#include "resources/templates/ChangeNameTemplate.h"
#include "resources/templates/MainWindowTemplate.h"
#include "resources/templates/MidiSettingsTemplate.h"
#include "tests/support/Artifacts.h"

namespace tessel {
namespace {

using templates::ControlKind;
using templates::DialogTemplate;

struct NamedTemplate {
    const char* name;
    const DialogTemplate& (*get)();
};

const NamedTemplate kAllTemplates[] = {
    {"main-window", &templates::MainWindowTemplate},
    {"change-name", &templates::ChangeNameTemplate},
    {"about", &templates::AboutTemplate},
    {"midi-settings", &templates::MidiSettingsTemplate},
};

class EveryTemplate : public testing::TestWithParam<NamedTemplate> {};

INSTANTIATE_TEST_SUITE_P(Templates, EveryTemplate, testing::ValuesIn(kAllTemplates),
                         [](const auto& info) {
                             std::string name = info.param.name;
                             std::erase(name, '-');
                             return name;
                         });

bool TakesFocus(const QWidget& widget) {
    return (widget.focusPolicy() & Qt::TabFocus) != 0;
}

TEST_P(EveryTemplate, ControlsAreNamedAndFoundByIdAndNameInTemplateOrder) {
    const DialogTemplate& layout = GetParam().get();
    TemplateDialog dialog(layout);
    for (const auto& control : layout.controls) {
        SCOPED_TRACE(control.objectName);
        QWidget* widget = dialog.findChild<QWidget*>(control.objectName);
        ASSERT_NE(widget, nullptr);
        if (control.id != templates::kNoId) {
            EXPECT_EQ(dialog.ControlById(control.id), widget);
        }
        if (control.text != nullptr && control.kind != ControlKind::Label) {
            const QString text =
                widget->property(control.kind == ControlKind::Frame ? "title" : "text").toString();
            EXPECT_EQ(text, QString::fromUtf8(control.text));
        }
    }
    EXPECT_EQ(dialog.ControlById(4242), nullptr);
}

TEST_P(EveryTemplate, TabOrderFollowsTemplateOrder) {
    const DialogTemplate& layout = GetParam().get();
    TemplateDialog dialog(layout);
    std::vector<QWidget*> expected;
    for (const auto& control : layout.controls) {
        auto* widget = dialog.findChild<QWidget*>(control.objectName);
        if (TakesFocus(*widget)) {
            expected.push_back(widget);
        }
    }
    ASSERT_FALSE(expected.empty());
    EXPECT_EQ(dialog.FirstTabControl(), expected.front());
    for (std::size_t i = 0; i + 1 < expected.size(); ++i) {
        QWidget* next = expected[i]->nextInFocusChain();
        while (!TakesFocus(*next)) {
            next = next->nextInFocusChain();
        }
        EXPECT_EQ(next, expected[i + 1]) << expected[i]->objectName().toStdString();
    }
}

TEST_P(EveryTemplate, DialogIsFixedAtTemplateSizeInDialogUnitsAndControlsFit) {
    const DialogTemplate& layout = GetParam().get();
    TemplateDialog dialog(layout);
    const DialogUnits& units = dialog.Units();
    EXPECT_EQ(dialog.size(), QSize(units.ToPixelsX(layout.width), units.ToPixelsY(layout.height)));
    EXPECT_EQ(dialog.minimumSize(), dialog.maximumSize());
    EXPECT_EQ(dialog.windowTitle(), QString::fromUtf8(layout.caption));
    for (const auto& control : layout.controls) {
        SCOPED_TRACE(control.objectName);
        auto* widget = dialog.findChild<QWidget*>(control.objectName);
        const QRect placed(widget->mapTo(&dialog, QPoint(0, 0)), widget->size());
        const QRect expected = units.ToPixels(control.x, control.y, control.width, control.height);
        EXPECT_EQ(placed.topLeft(), expected.topLeft());
        EXPECT_EQ(placed.width(), expected.width());
        EXPECT_LE(placed.height(), expected.height());
        EXPECT_TRUE(dialog.rect().contains(placed));
    }
}

TEST_P(EveryTemplate, ScreenshotForPeople) {
    TemplateDialog dialog(GetParam().get());
    dialog.show();
    EXPECT_FALSE(test::SaveScreenshot(dialog, QString("template-") + GetParam().name).isEmpty());
}

TEST(DialogUnits, ScaleWithTheFont) {
    QFont small = TemplateDialog::DialogFont();
    QFont large = small;
    large.setPointSizeF(small.pointSizeF() * 2);
    const DialogUnits a(small);
    const DialogUnits b(large);
    EXPECT_GT(a.ToPixelsX(4), 0);
    EXPECT_GT(a.ToPixelsY(8), 0);
    EXPECT_NEAR(b.ToPixelsX(400), 2 * a.ToPixelsX(400), 0.1 * a.ToPixelsX(400));
    EXPECT_NEAR(b.ToPixelsY(800), 2 * a.ToPixelsY(800), 0.1 * a.ToPixelsY(800));
    EXPECT_NEAR(a.ToPixelsX(4), a.AverageCharWidth(), 0.5);
    EXPECT_NEAR(a.ToPixelsY(8), a.CharHeight(), 0.5);
}

TEST(TemplateMnemonics, LabelsAreBuddiesOfTheFollowingControl) {
    TemplateDialog main(templates::MainWindowTemplate());
    struct Case {
        const char* label;
        const char* buddy;
    };
    for (const Case& c :
         {Case{"previewTypeLabel", "previewTypeCombo"}, Case{"rangeLabel", "rangeSlider"},
          Case{"velocityLabel", "velocitySlider"}, Case{"tempoLabel", "tempoSlider"}}) {
        SCOPED_TRACE(c.label);
        auto* label = main.findChild<QLabel*>(c.label);
        ASSERT_NE(label, nullptr);
        EXPECT_EQ(label->buddy(), main.findChild<QWidget*>(c.buddy));
    }
    TemplateDialog settings(templates::MidiSettingsTemplate());
    EXPECT_EQ(settings.findChild<QLabel*>("midiInLabel")->buddy(),
              settings.findChild<QWidget*>("midiInList"));
}

struct MnemonicCase {
    const DialogTemplate& (*layout)();
    Qt::Key key;
    const char* focused;
};

class FrameAndLabelMnemonics : public testing::TestWithParam<MnemonicCase> {};

TEST_P(FrameAndLabelMnemonics, AltLetterFocusesTheControl) {
    TemplateDialog dialog(GetParam().layout());
    dialog.show();
    QApplication::setActiveWindow(&dialog);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    QTest::keyClick(&dialog, GetParam().key, Qt::AltModifier);
    ASSERT_NE(QApplication::focusWidget(), nullptr);
    EXPECT_EQ(QApplication::focusWidget()->objectName().toStdString(), GetParam().focused);
}

INSTANTIATE_TEST_SUITE_P(
    Templates, FrameAndLabelMnemonics,
    testing::Values(MnemonicCase{&templates::MainWindowTemplate, Qt::Key_H, "searchField"},
                    MnemonicCase{&templates::MainWindowTemplate, Qt::Key_W, "previewTypeCombo"},
                    MnemonicCase{&templates::MainWindowTemplate, Qt::Key_O, "tempoSlider"},
                    MnemonicCase{&templates::ChangeNameTemplate, Qt::Key_E, "nameField"},
                    MnemonicCase{&templates::MidiSettingsTemplate, Qt::Key_M, "midiInList"}));

TEST(TemplateButtons, OkAcceptsCancelRejectsAndDefaultIsSet) {
    TemplateDialog dialog(templates::ChangeNameTemplate());
    EXPECT_TRUE(dialog.findChild<QPushButton*>("okButton")->isDefault());
    EXPECT_FALSE(dialog.findChild<QPushButton*>("cancelButton")->isDefault());
    dialog.show();
    dialog.findChild<QPushButton*>("cancelButton")->click();
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    dialog.show();
    dialog.findChild<QPushButton*>("okButton")->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

TEST(TemplateEdits, UpperCaseFieldConvertsTypedLettersAndLimitsLength) {
    TemplateDialog main(templates::MainWindowTemplate());
    auto* search = main.findChild<QLineEdit*>("searchField");
    QTest::keyClicks(search, "brass 2");
    EXPECT_EQ(search->text(), "BRASS 2");
    TemplateDialog name(templates::ChangeNameTemplate());
    auto* field = name.findChild<QLineEdit*>("nameField");
    QTest::keyClicks(field, "abcdefghijklmnopq");
    EXPECT_EQ(field->text(), "abcdefghijklmnop");
}

TEST(TemplateCombos, InitialEntriesComeFromTheTemplate) {
    TemplateDialog main(templates::MainWindowTemplate());
    auto* combo = main.findChild<QComboBox*>("previewTypeCombo");
    ASSERT_EQ(combo->count(), 2);
    EXPECT_EQ(combo->itemText(0), "One note");
    EXPECT_EQ(combo->itemText(1), "Arpege");
}

}  // namespace
}  // namespace tessel
