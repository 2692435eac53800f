// The bank builder's tree in the main window: start-up, Set, Ren, audition and Clear.
#include <gtest/gtest.h>

#include "app/dialogs/ChangeNameDlg.h"
#include "library/format/DumpFile.h"
#include "tests/bank/BankWindowFixture.h"

namespace tessel {
namespace {

using test::BankWindow;

const QString kQuestion = "Bank Builder is modified, do you want to continue without save it ?";

enum class From { SetButton, PatchDoubleClick, FindDoubleClick };
constexpr int kGroup = -1;
constexpr int kNoPatch = -1;

// Set copies the selected patch of the selected file into the selected slot and moves on to
// the next slot; without a patch or on a group it changes nothing.
TEST(BankBuilder, SetCopiesThePatchAndMovesOn) {
    struct Case {
        const char* what;
        From from;
        int slot, fileRow, patchRow;
        QString label, selectedAfter;
        bool modified, fileGone = false;
    };
    const Case cases[] = {
        {"five letters", From::SetButton, 0, 0, 0, "11-BRASS", "12-<None>", true},
        {"sixteen blanks", From::PatchDoubleClick, 0, 0, 1, "11- ", "12-<None>", true},
        {"end of a group", From::SetButton, 7, 1, 20, "18-WARM BRASS", "21-<None>", true},
        {"last slot", From::SetButton, 63, 0, 5, "88-A 5", "88-A 5", true},
        {"find result", From::FindDoubleClick, 2, 0, 0, "13-WARM BRASS", "14-<None>", true},
        {"group", From::SetButton, kGroup, 0, 0, "11-<None>", "Group 11-18", false},
        {"no patch", From::SetButton, 0, 1, kNoPatch, "11-<None>", "11-<None>", false},
        {"file gone", From::SetButton, 0, 0, 2, "11-<None>", "12-<None>", true, true},
    };
    for (const Case& c : cases) {
        BankWindow f;
        if (c.slot == kGroup) {
            f.Tree().setCurrentItem(f.Tree().topLevelItem(0));
        } else {
            f.SelectSlot(c.slot);
        }
        f.UserSelects("fileList", c.fileRow);
        if (c.patchRow != kNoPatch) {
            f.UserSelects("patchList", c.patchRow);
        }
        if (c.fileGone) {  // changed since its patch list was filled: the slot stays
            std::filesystem::remove(f.library.Path() / "a.syx");
        }
        if (c.from == From::FindDoubleClick) {
            f.Find<QLineEdit>("searchField")->setText("WARM");
            f.Click("findButton");
            ASSERT_TRUE(f.FinishFind());
            f.UserSelects("resultsList", 0);
            QAbstractItemView& results = f.View("resultsList");
            emit results.doubleClicked(results.model()->index(0, 0));
        } else if (c.from == From::PatchDoubleClick) {
            emit f.List("patchList").itemDoubleClicked(f.List("patchList").currentItem());
        } else {
            f.Click("setSlotButton");
        }
        EXPECT_EQ(f.SlotText(c.slot == kGroup ? 0 : c.slot), c.label) << c.what;
        EXPECT_EQ(f.SelectedText(), c.selectedAfter) << c.what;
        EXPECT_EQ(f.Modified(), c.modified) << c.what;
    }
}

// Ren edits the slot's name bytes only; Cancel changes nothing.
TEST(BankBuilder, RenameChangesTheNameOnOkOnly) {
    struct Case {
        bool doubleClick, ok;
        QString typed, label;
        bool modified;
    };
    const Case cases[] = {
        {false, true, "x-mod pad", "11-x-mod pad", true},
        {true, true, "", "11- ", true},
        {false, false, "Gone", "11-<None>", false},
        {true, false, "Gone", "11-<None>", false},
    };
    for (const Case& c : cases) {
        BankWindow f;
        f.prompts.QueueDialog([&c](QDialog& dialog) {
            static_cast<CChangeNameDlg&>(dialog).NameEdit()->setText(c.typed);
            return c.ok;
        });
        if (c.doubleClick) {
            emit f.Tree().itemDoubleClicked(f.SlotItem(0), 0);
        } else {
            f.Click("renameSlotButton");
        }
        EXPECT_EQ(f.SlotText(0), c.label) << c.typed.toStdString();
        EXPECT_EQ(f.Modified(), c.modified) << c.typed.toStdString();
        const format::Bytes saved = f.SaveTo(f.PathOf("x.syx"));
        const std::string name = c.ok ? c.typed.toStdString() : "<None>";
        EXPECT_EQ(std::string(saved.begin() + 8, saved.begin() + 8 + name.size()), name);
        EXPECT_TRUE(f.Sent().empty());
    }
    BankWindow f;
    f.Tree().setCurrentItem(f.Tree().topLevelItem(0));
    f.Click("renameSlotButton");
    EXPECT_TRUE(f.prompts.Records().empty()) << "a group has no name to change";
}

// Selecting a full slot writes it to the temporary patch; an empty slot or a group sends
// nothing, whether Auto Preview is on or off.
TEST(BankBuilder, SelectingAFullSlotAuditionsIt) {
    for (int autoPreview : {0, 1}) {
        BankWindow f(17, autoPreview);
        f.SetFrom(0, 0, 0);
        f.Sent();  // the patch list's own sends
        f.Instrument().ClearLog();
        f.SelectSlot(0);
        const auto record = *format::ReadPatchRecord(f.library.Path() / "a.syx", 0);
        const auto write = format::BuildTemporaryPatchWrite(0x10, record);
        const auto sent = f.Sent();
        ASSERT_GE(sent.size(), 2u) << autoPreview;
        EXPECT_EQ(std::vector(sent.begin(), sent.begin() + 2),
                  std::vector(write.begin(), write.end()));
        EXPECT_TRUE(autoPreview == 1 || f.Instrument().ReceivedLog().size() == 2u) << "no notes";
        f.Instrument().ClearLog();
        f.SelectSlot(1);
        f.Tree().setCurrentItem(f.Tree().topLevelItem(1));
        EXPECT_TRUE(f.Sent().empty() && f.Instrument().ReceivedLog().empty()) << autoPreview;
    }
}

// The tree of the empty bank is built at start without a question or a send; later Clear
// asks first when the bank is modified: No keeps the bank and its flag, Yes builds it again.
TEST(BankBuilder, StartsEmptyAndClearAsksBeforeLosingAModifiedBank) {
    BankWindow f;
    QStringList emptySlots;
    ASSERT_EQ(f.Tree().topLevelItemCount(), 8);
    for (int g = 1; g <= 8; ++g) {
        EXPECT_EQ(f.Tree().topLevelItem(g - 1)->text(0),
                  QString("Group %1-%2").arg(g * 10 + 1).arg(g * 10 + 8));
        for (int n = 1; n <= 8; ++n) {
            emptySlots << QString("%1%2-<None>").arg(g).arg(n);
        }
    }
    EXPECT_EQ(f.SlotTexts(), emptySlots);
    EXPECT_EQ(f.SelectedText(), "11-<None>");
    EXPECT_TRUE(f.Tree().rootIsDecorated());
    EXPECT_TRUE(f.Sent().empty());
    f.SetFrom(0, 0, 0);
    f.SelectSlot(5);
    for (bool yes : {false, true}) {
        f.prompts.ClearRecords();
        f.prompts.QueueYesNo(yes);
        f.Click("clearBankButton");
        EXPECT_EQ(f.prompts.Texts(), std::vector<QString>{kQuestion});
        EXPECT_EQ(f.SlotText(0), yes ? "11-<None>" : "11-BRASS");
        EXPECT_EQ(f.SelectedText(), yes ? "11-<None>" : "16-<None>");
    }
    EXPECT_EQ(f.SlotTexts(), emptySlots);
    EXPECT_FALSE(f.Modified());
}

}  // namespace
}  // namespace tessel
