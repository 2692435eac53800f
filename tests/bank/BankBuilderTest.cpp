// The bank builder's tree in the main window: start-up, Set, Ren, audition and Clear.
#include <gtest/gtest.h>

#include <algorithm>

#include "app/dialogs/ChangeNameDlg.h"
#include "library/format/DumpFile.h"
#include "tests/bank/BankWindowFixture.h"

namespace tessel {
namespace {

using test::BankWindow;

enum class From { SetButton, FindDoubleClick };
constexpr int kGroup = -1, kNoPatch = -1;

// Set copies the selected patch of the selected file into the selected slot and moves on to
// the next slot; without a patch or on a group it changes nothing. The label keeps the name
// up to its last non-blank (one blank of sixteen).
TEST(BankBuilder, SetCopiesThePatchAndMovesOn) {
    const std::tuple<From, int, int, int, QString, QString, bool, bool> cases[] = {
        // from, slot, file row, patch row, label, selected after, modified, file gone
        {From::SetButton, 0, 0, 0, "11-BRASS", "12-<None>", true, false},
        {From::SetButton, 0, 0, 1, "11- ", "12-<None>", true, false},
        {From::SetButton, 7, 1, 20, "18-WARM BRASS", "21-<None>", true, false},
        {From::SetButton, 63, 0, 5, "88-A 5", "88-A 5", true, false},
        {From::FindDoubleClick, 2, 0, 0, "13-WARM BRASS", "14-<None>", true, false},
        {From::SetButton, kGroup, 0, 0, "11-<None>", "Group 11-18", false, false},
        {From::SetButton, 0, 1, kNoPatch, "11-<None>", "11-<None>", false, false},
        {From::SetButton, 0, 0, 2, "11-<None>", "12-<None>", true, true}};
    for (const auto& [from, slot, fileRow, patchRow, label, selectedAfter, modified, gone] :
         cases) {
        BankWindow f;
        f.Tree().setCurrentItem(slot == kGroup ? f.Tree().topLevelItem(0) : f.SlotItem(slot));
        f.UserSelects("fileList", fileRow);
        if (patchRow != kNoPatch) {
            f.UserSelects("patchList", patchRow);
        }
        if (gone) {  // changed since its patch list was filled: the slot stays
            std::filesystem::remove(f.library.Path() / "a.syx");
        }
        if (from == From::FindDoubleClick) {
            f.Find<QLineEdit>("searchField")->setText("WARM");
            f.Click("findButton");
            ASSERT_TRUE(f.FinishFind());
            f.UserSelects("resultsList", 0);
            QAbstractItemView& results = f.View("resultsList");
            emit results.doubleClicked(results.model()->index(0, 0));
        } else {
            f.Click("setSlotButton");
        }
        EXPECT_EQ(f.SlotText(std::max(slot, 0)), label) << label.toStdString();
        EXPECT_EQ(f.SelectedText(), selectedAfter) << label.toStdString();
        EXPECT_EQ(f.Modified(), modified) << label.toStdString();
    }
}

// Ren (button or double click) edits the slot's name bytes only, on OK only; a group has no
// name to change.
TEST(BankBuilder, RenameChangesTheNameOnOkOnly) {
    const std::tuple<bool, bool, QString, QString> cases[] = {
        {false, true, "x-mod pad", "11-x-mod pad"},
        {true, true, "", "11- "},
        {true, false, "Gone", "11-<None>"}};
    for (const auto& [doubleClick, ok, typed, label] : cases) {
        BankWindow f;
        f.prompts.QueueDialog([&](QDialog& dialog) {
            static_cast<CChangeNameDlg&>(dialog).NameEdit()->setText(typed);
            return ok;
        });
        if (doubleClick) {
            emit f.Tree().itemDoubleClicked(f.SlotItem(0), 0);
        } else {
            f.Click("renameSlotButton");
        }
        EXPECT_EQ(f.SlotText(0), label);
        EXPECT_EQ(f.Modified(), ok) << typed.toStdString();
        const std::string name = ok ? typed.toStdString() : "<None>";
        const format::Bytes saved = f.SaveTo(f.PathOf("x.syx"));
        EXPECT_EQ(std::string(saved.begin() + 8, saved.begin() + 8 + name.size()), name);
    }
    BankWindow f;
    f.Tree().setCurrentItem(f.Tree().topLevelItem(0));
    f.Click("renameSlotButton");
    EXPECT_TRUE(f.prompts.Records().empty());
}

// The tree of the empty bank is built at start without a question or a send. Selecting a full
// slot writes it to the temporary patch, an empty one or a group sends nothing. Clear asks first
// when the bank is modified: No keeps the bank and its flag, Yes builds it again.
TEST(BankBuilder, StartsEmptyAuditionsFullSlotsAndClearAsksFirst) {
    BankWindow f;
    ASSERT_EQ(f.Tree().topLevelItemCount(), 8);
    EXPECT_EQ(f.Tree().topLevelItem(7)->text(0), "Group 81-88");
    for (int slot = 0; slot < 64; ++slot) {
        EXPECT_EQ(f.SlotText(slot), QString("%1%2-<None>").arg(slot / 8 + 1).arg(slot % 8 + 1));
    }
    EXPECT_EQ(f.SelectedText(), "11-<None>");
    const auto atStart = f.Received();  // the port's All Notes Off
    EXPECT_TRUE(std::ranges::none_of(atStart, [](const auto& m) { return m[0] == 0xF0; }));
    f.SetFrom(0, 0, 0);
    f.Received();  // the patch list's own sends
    f.SelectSlot(0);
    const auto write = format::BuildTemporaryPatchWrite(
        0x10, *format::ReadPatchRecord(f.library.Path() / "a.syx", 0));
    EXPECT_EQ(f.Received(), std::vector(write.begin(), write.end())) << "no notes: no Auto Preview";
    f.Tree().setCurrentItem(f.Tree().topLevelItem(1));
    f.SelectSlot(5);
    EXPECT_TRUE(f.Received().empty());
    for (bool yes : {false, true}) {
        f.prompts.ClearRecords();
        f.prompts.QueueYesNo(yes);
        f.Click("clearBankButton");
        EXPECT_EQ(f.prompts.Texts(),
                  std::vector<QString>{
                      "Bank Builder is modified, do you want to continue without save it ?"});
        EXPECT_EQ(f.SlotText(0), yes ? "11-<None>" : "11-BRASS");
        EXPECT_EQ(f.SelectedText(), yes ? "11-<None>" : "16-<None>");
    }
    EXPECT_FALSE(f.Modified());
}

}  // namespace
}  // namespace tessel
