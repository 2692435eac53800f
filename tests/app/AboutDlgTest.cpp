#include "app/dialogs/AboutDlg.h"

#include <gtest/gtest.h>
#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

#include "app/prompts/ScriptedPrompts.h"
#include "tests/app/ModalHelpers.h"
#include "tests/app/TextFit.h"
#include "tests/support/Artifacts.h"

namespace tessel {
namespace {

TEST(AboutDlgTest, ShowsPictureVersionAndTextWithNothingCutOff) {
    CAboutDlg dialog;
    dialog.show();
    QApplication::processEvents();
    EXPECT_EQ(dialog.windowTitle(), "Tessel");

    auto* picture = dialog.findChild<QLabel*>("aboutPicture");
    ASSERT_NE(picture, nullptr);
    const QPixmap pixmap = picture->pixmap();
    ASSERT_FALSE(pixmap.isNull());
    EXPECT_EQ(pixmap.deviceIndependentSize().toSize(), picture->contentsRect().size());
    EXPECT_EQ(picture->frameShadow(), QFrame::Sunken);

    bool versionFound = false;
    for (const auto* label : dialog.findChildren<QLabel*>()) {
        versionFound = versionFound || label->text() == "Tessel Version 1.5";
    }
    EXPECT_TRUE(versionFound);
    test::ExpectAllTextFits(dialog);
    test::SaveScreenshot(dialog, "about-box");
    dialog.reject();
}

TEST(AboutDlgTest, OkIsTheDefaultAndClosesTheBox) {
    ScriptedPrompts prompts;
    prompts.QueueDialog([](QDialog& d) {
        auto* ok = d.findChild<QPushButton*>("okButton");
        EXPECT_TRUE(ok != nullptr && ok->isDefault());
        if (ok != nullptr) {
            ok->click();
        }
        EXPECT_FALSE(d.isVisible());
        return true;
    });
    CAboutDlg dialog;
    EXPECT_TRUE(prompts.RunDialog(dialog));
}

}  // namespace
}  // namespace tessel
