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
    // The name stored, the field shown (Latin-1), the text typed over it (if any), Auto-Caps
    // clicked, how the dialog ends, the name stored after.
    using Case = std::tuple<std::string_view, const char*, QString, bool, Finish, std::string_view>;
    const auto kBlank = "                "sv;
    // clang-format off
    const Case cases[] = {
        {"BRASS SECTION   "sv, "BRASS SECTION", "", false, kOk, "BRASS SECTION   "sv},
        {"  Lead In       "sv, "  Lead In", "", true, kReturn, "  Lead In       "sv},
        {"AB\0CD           "sv, "AB", "", false, kOk, "AB              "sv},
        {"Caf\xE9 Pad\xFF       "sv, "Caf\xE9 Pad\xFF", "", false, kOk, "Caf  Pad        "sv},
        {kBlank, "", "ABCDEFGHIJKLMNOPQRST", false, kReturn, "ABCDEFGHIJKLMNOP"sv},
        {kBlank, "", QString("A\tB") + QChar(0x7F) + "~", false, kOk, "A B\x7F~           "sv},
        {kBlank, "", QString(QChar(0x20AC)) + "uro", false, kOk, " uro            "sv},
        {kBlank, "", "x-mod pad", true, kOk, "X-Mod Pad       "sv},
        {kBlank, "", "2nd mIxEd", true, kOk, "2Nd Mixed       "sv},
        {"\xE9t\xE9 pad         "sv, "\xE9t\xE9 pad", "", true, kOk, " T  Pad         "sv},
        {kBlank, "", Latin1("\xC9TUDE"), true, kOk, " Tude           "sv},
        {"x-mod\0pad \xE9     "sv, "x-mod", "", true, kCancel, "x-mod\0pad \xE9     "sv},
    };
    // clang-format on
    for (const auto& [stored, shown, typed, autoCaps, finish, after] : cases) {
        SCOPED_TRACE(after);
        ScriptedPrompts prompts;
        prompts.QueueDialog([&, first = after == std::get<5>(cases[0])](QDialog& d) {
            auto& dialog = static_cast<CChangeNameDlg&>(d);
            if (first) {
                EXPECT_EQ(dialog.windowTitle(), "Change Name");
                test::ExpectAllTextFits(dialog);
                test::SaveScreenshot(dialog, "name-dialog");
            }
            EXPECT_EQ(dialog.NameEdit()->text(), Latin1(shown));
            if (!typed.isEmpty()) {
                dialog.NameEdit()->setText(typed);
            }
            if (autoCaps) {
                dialog.Control<QPushButton>(ids::kAutoCapsButton)->click();
            }
            finish == kReturn ? QTest::keyClick(dialog.NameEdit(), Qt::Key_Return)
                              : dialog.Control<QPushButton>(finish)->click();
            return false;  // the key or the click stands
        });
        std::array<std::uint8_t, kNameFieldSize> name{};
        std::copy_n(stored.begin(), kNameFieldSize, name.begin());
        CChangeNameDlg dialog(name);
        EXPECT_EQ(prompts.RunDialog(dialog), finish != kCancel);
        EXPECT_EQ(std::string(name.begin(), name.end()), after);
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
