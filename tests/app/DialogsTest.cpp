// The name dialog's text rules and buttons, and the About box; each is kept as a screenshot
// with every text checked to fit.
#include <array>
#include <string>

#include <gtest/gtest.h>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "app/dialogs/AboutDlg.h"
#include "app/dialogs/ChangeNameDlg.h"
#include "core/prompts/ScriptedPrompts.h"
#include "resources/templates/ChangeNameTemplate.h"
#include "tests/app/TextFit.h"
#include "tests/library/QStringPrinter.h"
#include "tests/support/Artifacts.h"

namespace tessel {
namespace {

using namespace std::string_view_literals;
namespace ids = templates::change_name;

QString Latin1(std::string_view bytes) {
    return QString::fromLatin1(bytes.data(), qsizetype(bytes.size()));
}

// The field shows the stored name without trailing blanks, cut at a zero byte; Auto-Caps
// capitalises after every non-letter (A-Z and a-z are the letters); OK stores 16 bytes from
// 32 to 127, the text padded with blanks; Cancel stores nothing.
TEST(ChangeNameDlg, ShowsTheNameAndStoresTheFieldOnOkOnly) {
    enum Finish { kReturn, kOk = ids::kOkButton, kCancel = ids::kCancelButton };
    struct Case {
        std::string_view stored;
        const char* shown;  // Latin-1, nullptr: not checked
        QString typed;      // replaces the text unless empty
        bool autoCaps;
        Finish finish;
        std::string_view after;
    };
    const auto kBlank = "                "sv;
    // clang-format off
    const Case cases[] = {
        {"BRASS SECTION   "sv, "BRASS SECTION", "", false, kOk, "BRASS SECTION   "sv},
        {"  Lead In       "sv, "  Lead In", "", true, kReturn, "  Lead In       "sv},
        {"AB\0CD           "sv, "AB", "", false, kOk, "AB              "sv},
        {"Caf\xE9 Pad\xFF       "sv, "Caf\xE9 Pad\xFF", "", false, kOk, "Caf  Pad        "sv},
        {kBlank, "", "ABCDEFGHIJKLMNOPQRST", false, kReturn, "ABCDEFGHIJKLMNOP"sv},
        {kBlank, nullptr, QString("A\tB") + QChar(0x7F) + "~", false, kOk, "A B\x7F~           "sv},
        {kBlank, nullptr, QString(QChar(0x20AC)) + "uro", false, kOk, " uro            "sv},
        {kBlank, nullptr, "x-mod pad", true, kOk, "X-Mod Pad       "sv},
        {kBlank, nullptr, "2nd mIxEd", true, kOk, "2Nd Mixed       "sv},
        {"\xE9t\xE9 pad         "sv, "\xE9t\xE9 pad", "", true, kOk, " T  Pad         "sv},
        {kBlank, nullptr, Latin1("\xC9TUDE"), true, kOk, " Tude           "sv},
        {"x-mod\0pad \xE9     "sv, "x-mod", "", true, kCancel, "x-mod\0pad \xE9     "sv},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.after);
        ScriptedPrompts prompts;
        prompts.QueueDialog([&c, first = &c == cases](QDialog& d) {
            auto& dialog = static_cast<CChangeNameDlg&>(d);
            if (first) {
                EXPECT_EQ(dialog.windowTitle(), "Change Name");
                test::ExpectAllTextFits(dialog);
                test::SaveScreenshot(dialog, "name-dialog");
            }
            if (c.shown != nullptr) {
                EXPECT_EQ(dialog.NameEdit()->text(), Latin1(c.shown));
            }
            if (!c.typed.isEmpty()) {
                dialog.NameEdit()->setText(c.typed);
            }
            if (c.autoCaps) {
                dialog.Control<QPushButton>(ids::kAutoCapsButton)->click();
            }
            if (c.finish == kReturn) {
                QTest::keyClick(dialog.NameEdit(), Qt::Key_Return);
            } else {
                dialog.Control<QPushButton>(c.finish)->click();
            }
            return false;  // the key or the click stands
        });
        std::array<std::uint8_t, kNameFieldSize> name{};
        std::copy_n(c.stored.begin(), kNameFieldSize, name.begin());
        CChangeNameDlg dialog(name);
        EXPECT_EQ(prompts.RunDialog(dialog), c.finish != kCancel);
        EXPECT_EQ(std::string(name.begin(), name.end()), c.after);
    }
}

TEST(AboutDlg, ShowsPictureAndVersionWithNothingCutOff) {
    CAboutDlg dialog;
    dialog.show();
    QApplication::processEvents();
    EXPECT_EQ(dialog.windowTitle(), "Tessel");
    const auto* picture = dialog.findChild<QLabel*>("aboutPicture");
    EXPECT_EQ(picture->pixmap().deviceIndependentSize().toSize(), picture->contentsRect().size());
    EXPECT_EQ(dialog.findChild<QLabel*>("versionLabel")->text(), "Tessel Version 1.5");
    EXPECT_TRUE(dialog.findChild<QPushButton*>("okButton")->isDefault());
    test::ExpectAllTextFits(dialog);
    test::SaveScreenshot(dialog, "about-box");
}

}  // namespace
}  // namespace tessel
