#include "app/dialogs/ChangeNameDlg.h"

#include <array>
#include <string>

#include <gtest/gtest.h>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "core/prompts/ScriptedPrompts.h"
#include "tests/app/ModalHelpers.h"
#include "tests/app/TextFit.h"
#include "tests/support/Artifacts.h"

namespace tessel {
namespace {

using namespace std::string_view_literals;
using Name = std::array<std::uint8_t, kNameFieldSize>;

Name NameOf(std::string_view sixteenBytes) {
    Name name{};
    std::copy_n(sixteenBytes.begin(), kNameFieldSize, name.begin());
    return name;
}

QString Latin1(std::string_view bytes) {
    return QString::fromLatin1(bytes.data(), qsizetype(bytes.size()));
}

TEST(ChangeNameText, StoredNameShowsWithoutTrailingBlanksAndCutAtZero) {
    const std::pair<std::string_view, std::string_view> cases[] = {
        {"BRASS SECTION   "sv, "BRASS SECTION"sv},
        {"  Lead In       "sv, "  Lead In"sv},
        {"                "sv, ""sv},
        {"ABCDEFGHIJKLMNOP"sv, "ABCDEFGHIJKLMNOP"sv},
        {"AB\0CD           "sv, "AB"sv},
        {"Pad\0\0\0\0\0\0\0\0\0\0\0\0\0"sv, "Pad"sv},
        {"Caf\xE9 Pad\xFF       "sv, "Caf\xE9 Pad\xFF"sv},
    };
    for (const auto& [stored, shown] : cases) {
        EXPECT_EQ(NameTextOf(NameOf(stored)), Latin1(shown)) << stored;
    }
}

TEST(ChangeNameText, AutoCapsCapitalisesAfterEveryNonLetter) {
    const std::pair<const char*, const char*> cases[] = {
        {"x-mod pad", "X-Mod Pad"},
        {"rock'n'roll", "Rock'N'Roll"},
        {"2nd strings", "2Nd Strings"},
        {"mIxEd CaSe", "Mixed Case"},
        {"", ""},
        {"\xE9t\xE9 pad", "\xE9T\xE9 Pad"},
        {"\xC9TUDE", "\xC9Tude"},
    };
    for (const auto& [typed, expected] : cases) {
        EXPECT_EQ(AutoCapsText(Latin1(typed)), Latin1(expected)) << typed;
    }
}

TEST(ChangeNameText, StoredTextIsSixteenBytesFrom32To127) {
    const std::pair<QString, std::string_view> cases[] = {
        {"", "                "sv},
        {"ABCDEFGHIJKLMNOPQRS", "ABCDEFGHIJKLMNOP"sv},
        {Latin1("Caf\xE9 Pad"), "Caf  Pad        "sv},
        {QString("A\tB") + QChar(0x7F) + "~", "A B\x7F~           "sv},
        {QString(QChar(0x20AC)) + "uro", " uro            "sv},
        {QString("x") + QChar(0) + "y", "x y             "sv},
    };
    for (const auto& [text, stored] : cases) {
        Name name = NameOf("0123456789abcdef");
        StoreNameText(text, name);
        EXPECT_EQ(std::string(name.begin(), name.end()), stored) << text.toStdString();
    }
}

CChangeNameDlg& Dlg(QDialog& d) {
    return static_cast<CChangeNameDlg&>(d);
}

void Click(QDialog& d, int id) {
    Dlg(d).Control<QPushButton>(id)->click();
}

// Run as the bank builder runs it: OK stores the field, every way of cancelling stores nothing.
// The scripts also cover how scripted prompts decide a dialog.
TEST(ChangeNameDlg, OkStoresTheFieldAndCancelNothing) {
    const auto original = "x-mod\0pad \xE9     "sv;
    struct Case {
        std::string_view stored;
        ScriptedPrompts::DialogScript script;
        std::string_view after;
    };
    const Case cases[] = {
        {"Old Name        "sv,
         [](QDialog& d) {
             EXPECT_EQ(Dlg(d).NameEdit()->text(), "Old Name");
             Dlg(d).NameEdit()->clear();
             QTest::keyClicks(Dlg(d).NameEdit(), "New Pad");
             return true;
         },
         "New Pad         "sv},
        {"                "sv,
         [](QDialog& d) {
             QTest::keyClicks(Dlg(d).NameEdit(), "ABCDEFGHIJKLMNOPQRST");
             QTest::keyClick(Dlg(d).NameEdit(), Qt::Key_Return);
             return true;
         },
         "ABCDEFGHIJKLMNOP"sv},
        {"\xE9t\xE9 pad         "sv,
         [](QDialog& d) {
             Click(d, 1000);
             Click(d, 1);
             return false;  // the click stands
         },
         " T  Pad         "sv},
        {original,
         [](QDialog& d) {
             Click(d, 1000);
             Click(d, 2);
             return false;
         },
         original},
        {original, nullptr, original},
    };
    for (const auto& c : cases) {
        ScriptedPrompts prompts;
        if (c.script) {
            prompts.QueueDialog(c.script);
        }
        Name name = NameOf(c.stored);
        CChangeNameDlg dialog(name);
        EXPECT_EQ(prompts.RunDialog(dialog), c.after != c.stored) << c.stored;
        EXPECT_EQ(std::string(name.begin(), name.end()), c.after);
    }
}

TEST(ChangeNameDlg, CharNamesWorkAndScreenshotShowsEveryTextWhole) {
    std::array<char, kNameFieldSize> name{};
    "x-mod pad       "sv.copy(name.data(), kNameFieldSize);
    CChangeNameDlg dialog(name);
    dialog.show();
    QApplication::processEvents();
    test::ExpectAllTextFits(dialog);
    EXPECT_FALSE(QPixmap(test::SaveScreenshot(dialog, "name-dialog")).isNull());
    dialog.AutoCaps();
    dialog.accept();
    EXPECT_EQ(std::string(name.begin(), name.end()), "X-Mod Pad       ");
    EXPECT_EQ(dialog.windowTitle(), "Change Name");
}

}  // namespace
}  // namespace tessel
