#include "app/dialogs/AboutDlg.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QLabel>
#include <QPushButton>

#include "tests/app/TextFit.h"
#include "tests/support/Artifacts.h"

namespace tessel {
namespace {

TEST(AboutDlgTest, ShowsPictureAndVersionWithNothingCutOffAndOkCloses) {
    CAboutDlg dialog;
    dialog.show();
    QApplication::processEvents();
    EXPECT_EQ(dialog.windowTitle(), "Tessel");
    const auto* picture = dialog.findChild<QLabel*>("aboutPicture");
    EXPECT_EQ(picture->pixmap().deviceIndependentSize().toSize(), picture->contentsRect().size());
    EXPECT_EQ(dialog.findChild<QLabel*>("versionLabel")->text(), "Tessel Version 1.5");
    test::ExpectAllTextFits(dialog);
    test::SaveScreenshot(dialog, "about-box");

    auto* ok = dialog.findChild<QPushButton*>("okButton");
    EXPECT_TRUE(ok->isDefault());
    ok->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_FALSE(dialog.isVisible());
}

}  // namespace
}  // namespace tessel
