#include "app/dialogs/ChangeNameDlg.h"

#include <array>
#include <string>

#include <gtest/gtest.h>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "app/prompts/ScriptedPrompts.h"
#include "tests/app/ModalHelpers.h"
#include "tests/app/TextFit.h"
#include "tests/support/Artifacts.h"

namespace tessel {
namespace {

using Name = std::array<std::uint8_t, kNameFieldSize>;

Name NameOf(std::string_view bytes) {
    EXPECT_EQ(bytes.size(), kNameFieldSize) << "test data must be 16 bytes";
    Name name{};
    std::copy_n(bytes.begin(), std::min(bytes.size(), name.size()), name.begin());
    return name;
}

std::string BytesOf(const Name& name) {
    return std::string(name.begin(), name.end());
}

QString Latin1(std::string_view bytes) {
    return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

TEST(ChangeNameTextTest, StoredNameOpensWithoutTrailingSpacesAndCutAtZero) {
    using namespace std::string_view_literals;
    struct Case {
        std::string_view stored;
        std::string_view shown;
    };
    const Case cases[] = {
        {"BRASS SECTION   "sv, "BRASS SECTION"sv},
        {"Two  Words      "sv, "Two  Words"sv},
        {"  Lead In       "sv, "  Lead In"sv},
        {"                "sv, ""sv},
        {"ABCDEFGHIJKLMNOP"sv, "ABCDEFGHIJKLMNOP"sv},
        {"AB\0CD           "sv, "AB"sv},
        {"\0BCD            "sv, ""sv},
        {"Pad\0\0\0\0\0\0\0\0\0\0\0\0\0"sv, "Pad"sv},
        {"Caf\xE9 Pad\xFF       "sv, "Caf\xE9 Pad\xFF"sv},
    };
    for (const auto& c : cases) {
        const Name name = NameOf(c.stored);
        EXPECT_EQ(NameTextOf(name), Latin1(c.shown)) << c.stored;
    }
}

TEST(ChangeNameTextTest, AutoCapsCapitalisesAfterEveryNonLetter) {
    struct Case {
        const char* typed;
        const char* expected;
    };
    const Case cases[] = {
        {"x-mod pad", "X-Mod Pad"},
        {"rock'n'roll", "Rock'N'Roll"},
        {"2nd strings", "2Nd Strings"},
        {"BRASS SECTION", "Brass Section"},
        {"a", "A"},
        {"", ""},
        {"  two  spaces", "  Two  Spaces"},
        {"mIxEd CaSe", "Mixed Case"},
        {"a1b2c", "A1B2C"},
        {"\tab", "\tAb"},
        {"\xE9t\xE9 pad", "\xE9T\xE9 Pad"},  // bytes of 128 and above: unchanged, boundaries
        {"\xC9TUDE", "\xC9Tude"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(AutoCapsText(QString::fromLatin1(c.typed)), QString::fromLatin1(c.expected))
            << c.typed;
    }
}

TEST(ChangeNameTextTest, StoredTextIsSixteenPrintableBytes) {
    using namespace std::string_view_literals;
    struct Case {
        QString text;
        std::string_view stored;
    };
    const Case cases[] = {
        {"", "                "sv},
        {"Brass", "Brass           "sv},
        {"ABCDEFGHIJKLMNOP", "ABCDEFGHIJKLMNOP"sv},
        {"ABCDEFGHIJKLMNOPQRS", "ABCDEFGHIJKLMNOP"sv},
        {QString::fromLatin1("Caf\xE9 Pad"), "Caf  Pad        "sv},
        {QString("A\tB") + QChar(0x7F) + "~", "A B\x7F~           "sv},
        {QString(QChar(0x20AC)) + "uro", " uro            "sv},
        {QString("x") + QChar(0) + "y", "x y             "sv},
    };
    for (const auto& c : cases) {
        Name name = NameOf("0123456789abcdef");
        StoreNameText(c.text, name);
        EXPECT_EQ(BytesOf(name), std::string(c.stored)) << c.text.toStdString();
    }
}

class ChangeNameDlgTest : public ::testing::Test {
protected:
    // Runs the dialog on `name` with the given script, the way the bank builder does.
    bool Run(Name& name, ScriptedPrompts::DialogScript script) {
        prompts_.QueueDialog(std::move(script));
        CChangeNameDlg dialog(name);
        return prompts_.RunDialog(dialog);
    }
    static CChangeNameDlg& Dlg(QDialog& d) { return static_cast<CChangeNameDlg&>(d); }
    static QPushButton* Button(QDialog& d, int id) { return Dlg(d).Control<QPushButton>(id); }

    ScriptedPrompts prompts_;
};

TEST_F(ChangeNameDlgTest, OkWritesTheTypedNameBlankFilled) {
    Name name = NameOf("Old Name        ");
    QString shown;
    const bool accepted = Run(name, [&](QDialog& d) {
        shown = Dlg(d).NameEdit()->text();
        Dlg(d).NameEdit()->clear();
        QTest::keyClicks(Dlg(d).NameEdit(), "New Pad");
        Button(d, 1)->click();
        return true;
    });
    EXPECT_TRUE(accepted);
    EXPECT_EQ(shown, "Old Name");
    EXPECT_EQ(BytesOf(name), "New Pad         ");
}

TEST_F(ChangeNameDlgTest, FieldRefusesTheSeventeenthCharacter) {
    Name name = NameOf("                ");
    Run(name, [](QDialog& d) {
        QTest::keyClicks(Dlg(d).NameEdit(), "ABCDEFGHIJKLMNOPQRST");
        EXPECT_EQ(Dlg(d).NameEdit()->text(), "ABCDEFGHIJKLMNOP");
        return true;
    });
    EXPECT_EQ(BytesOf(name), "ABCDEFGHIJKLMNOP");
}

TEST_F(ChangeNameDlgTest, AutoCapsButtonRewritesTheField) {
    Name name = NameOf("BRASS SECTION   ");
    Run(name, [](QDialog& d) {
        Button(d, 1000)->click();
        EXPECT_EQ(Dlg(d).NameEdit()->text(), "Brass Section");
        return true;
    });
    EXPECT_EQ(BytesOf(name), "Brass Section   ");
}

TEST_F(ChangeNameDlgTest, CancelLeavesTheNameUntouchedEvenAfterAutoCaps) {
    using namespace std::string_view_literals;
    const auto original = "x-mod\0pad \xE9     "sv;
    struct Case {
        const char* name;
        ScriptedPrompts::DialogScript script;
    };
    const Case cases[] = {
        {"Cancel button after Auto-Caps",
         [](QDialog& d) {
             Button(d, 1000)->click();
             Button(d, 2)->click();
             return false;
         }},
        {"Escape after typing",
         [](QDialog& d) {
             QTest::keyClicks(Dlg(d).NameEdit(), "zz");
             QTest::keyClick(Dlg(d).NameEdit(), Qt::Key_Escape);
             return false;
         }},
        {"rejected without touching", nullptr},
    };
    for (const auto& c : cases) {
        Name name = NameOf(original);
        EXPECT_FALSE(Run(
            name, c.script ? c.script : [](QDialog&) { return false; }))
            << c.name;
        EXPECT_EQ(BytesOf(name), std::string(original)) << c.name;
    }
}

TEST_F(ChangeNameDlgTest, HighBytesSurviveAutoCapsAndBecomeSpacesOnOk) {
    Name name = NameOf("\xE9t\xE9 pad         ");
    Run(name, [](QDialog& d) {
        EXPECT_EQ(Dlg(d).NameEdit()->text(), QString::fromLatin1("\xE9t\xE9 pad"));
        Button(d, 1000)->click();
        EXPECT_EQ(Dlg(d).NameEdit()->text(), QString::fromLatin1("\xE9T\xE9 Pad"));
        return true;
    });
    EXPECT_EQ(BytesOf(name), " T  Pad         ");
}

TEST_F(ChangeNameDlgTest, EnterConfirmsAndCharArrayNamesWork) {
    std::array<char, kNameFieldSize> name{};
    std::string_view("Strings 1       ").copy(name.data(), kNameFieldSize);
    prompts_.QueueDialog([](QDialog& d) {
        auto* edit = static_cast<CChangeNameDlg&>(d).NameEdit();
        EXPECT_TRUE(edit->hasFocus() || QApplication::focusWidget() == nullptr);
        edit->setText("Strings 2");
        QTest::keyClick(edit, Qt::Key_Return);
        return true;
    });
    CChangeNameDlg dialog(name);
    EXPECT_TRUE(prompts_.RunDialog(dialog));
    EXPECT_EQ(std::string(name.begin(), name.end()), "Strings 2       ");
    EXPECT_EQ(prompts_.Texts(), std::vector<QString>{"Change Name"});
}

TEST_F(ChangeNameDlgTest, Screenshot) {
    Name name = NameOf("x-mod pad       ");
    CChangeNameDlg dialog(name);
    dialog.show();
    QApplication::processEvents();
    test::ExpectAllTextFits(dialog);
    const QString path = test::SaveScreenshot(dialog, "name-dialog");
    EXPECT_FALSE(QPixmap(path).isNull());
    dialog.reject();
}

}  // namespace
}  // namespace tessel
