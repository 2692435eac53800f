// The "Bank Builder" group of the main window: the tree of 8 groups and 64 slots and its
// buttons, over the bank object. Every tree item carries a value, -1 for a group and the
// slot index for a slot, and the handlers know an item by that value alone.
#include <QTreeWidget>

#include "app/dialogs/ChangeNameDlg.h"
#include "app/dialogs/TemplateDialogControls.h"
#include "app/window/LibrarianDlg.h"
#include "core/prompts/UserPrompts.h"
#include "library/lists/LibraryText.h"
#include "resources/templates/MainWindowTemplate.h"
#include "transfers/TemporaryPatch.h"

namespace tessel {
namespace {

namespace ids = templates::main_window;

constexpr int kGroupValue = -1;
constexpr int kValueRole = Qt::UserRole;

const QString kDiscardQuestion =
    QStringLiteral("Bank Builder is modified, do you want to continue without save it ?");

// Name bytes show one character each, as in the patch list.
QString LabelText(const std::string& label) {
    return QString::fromLatin1(label);
}

QTreeWidgetItem* NewItem(const std::string& label, int value) {
    auto* item = new QTreeWidgetItem(QStringList{LabelText(label)});
    item->setData(0, kValueRole, value);
    return item;
}

FileDialogRequest BankFileRequest(const QString& folder, const QString& initialName) {
    // "*" is every file here, as "*.*" is on Windows.
    return {QStringLiteral("Sysex file (*.syx);;All files (*)"), QStringLiteral("syx"), folder,
            initialName};
}

int SelectedRow(const QListWidget& list) {
    const QList<QListWidgetItem*> selected = list.selectedItems();
    return selected.isEmpty() ? -1 : list.row(selected.front());
}

QString ReasonText(const std::error_code& error) {
    return QString::fromLocal8Bit(error.message());
}

}  // namespace

QTreeWidget* CLibrarianDlg::BankTree() const {
    return Control<QTreeWidget>(ids::kBankTree);
}

std::optional<int> CLibrarianDlg::SelectedTreeValue() const {
    const QList<QTreeWidgetItem*> selected = BankTree()->selectedItems();
    if (selected.isEmpty()) {
        return std::nullopt;
    }
    return selected.front()->data(0, kValueRole).toInt();
}

// The items exist once the start sequence has built the tree.
void CLibrarianDlg::ShowSlotLabel(int slot) {
    if (slotItems_[slot] == nullptr) {
        return;
    }
    slotItems_[slot]->setText(0, LabelText(bank_.Label(slot)));
}

void CLibrarianDlg::SelectSlot(int slot) {
    BankTree()->setCurrentItem(slotItems_[slot]);
    BankTree()->scrollToItem(slotItems_[slot]);
}

bool CLibrarianDlg::ConfirmDiscardBank() {
    if (!bank_.Modified()) {
        return true;
    }
    if (!services_.prompts.AskYesNo(kDiscardQuestion)) {
        return false;
    }
    bank_.SetModified(false);
    return true;
}

void CLibrarianDlg::ClearBank() {
    if (!ConfirmDiscardBank()) {
        return;
    }
    QTreeWidget* tree = BankTree();
    tree->clear();
    bank_.Clear();
    for (int group = 0; group < bank::kGroupCount; ++group) {
        QTreeWidgetItem* groupItem = NewItem(bank::GroupLabel(group), kGroupValue);
        tree->addTopLevelItem(groupItem);
        for (int number = 0; number < bank::kSlotsPerGroup; ++number) {
            const int slot = group * bank::kSlotsPerGroup + number;
            slotItems_[slot] = NewItem(bank_.Label(slot), slot);
            groupItem->addChild(slotItems_[slot]);
        }
    }
    SelectSlot(0);
}

void CLibrarianDlg::SetSlot() {
    const std::optional<int> value = SelectedTreeValue();
    if (!value) {
        return;
    }
    BankTree()->scrollToItem(BankTree()->selectedItems().front());
    const int patch = SelectedRow(*Control<ListBox>(ids::kPatchList));
    const std::optional<std::filesystem::path> file = SelectedFilePath();
    if (*value == kGroupValue || patch < 0 || !file) {
        return;
    }
    const int slot = *value;
    bank_.CopyPatch(slot, *file, patch);
    ShowSlotLabel(slot);
    if (slot + 1 < bank::kSlotCount) {
        SelectSlot(slot + 1);
    }
}

void CLibrarianDlg::RenameSlot() {
    const std::optional<int> value = SelectedTreeValue();
    if (!value || *value == kGroupValue) {
        return;
    }
    CChangeNameDlg dialog(bank_.Name(*value), this);
    if (!services_.prompts.RunDialog(dialog)) {
        return;
    }
    ShowSlotLabel(*value);
    bank_.SetModified(true);
}

// A playing preview is not stopped first: StartPreview restarts it with the new patch.
void CLibrarianDlg::AuditionSlot() {
    const std::optional<int> value = SelectedTreeValue();
    if (!value || *value < 0 || bank::IsEmptySlot(bank_.Slot(*value))) {
        return;
    }
    if (transfers::SendRecordToTemporary(sysex_, ports_.DeviceByte(), bank_.Slot(*value)) &&
        preview_.autoPreview != 0) {
        StartPreview();
    }
}

// The bank is given up only when another one has taken its place: after a cancelled dialog
// or a file without patches it is still there, and still counts as modified.
void CLibrarianDlg::LoadBank() {
    const bool wasModified = bank_.Modified();
    if (!ConfirmDiscardBank()) {
        return;
    }
    const std::optional<QString> chosen =
        services_.prompts.AskOpenFile(BankFileRequest(library_.libraryFolder, QString()));
    const bank::BankReading reading =
        chosen ? bank_.Load(library::ToFileSystemPath(*chosen)) : bank::BankReading{};
    if (reading.outcome == bank::BankReading::Outcome::Read) {
        for (int slot = 0; slot < bank::kSlotCount; ++slot) {
            ShowSlotLabel(slot);
        }
        return;
    }
    bank_.SetModified(wasModified);
    if (!chosen) {
        return;
    }
    services_.prompts.ShowMessage(
        reading.outcome == bank::BankReading::Outcome::NoDump
            ? QStringLiteral("%1 holds no patch memory dump.").arg(*chosen)
            : QStringLiteral("%1 could not be opened: %2.")
                  .arg(*chosen, ReasonText(reading.error)));
}

// The file is composed in memory, without the outgoing MIDI block, so a save works while a
// Send or a Receive holds it.
void CLibrarianDlg::SaveBank() {
    StopPreview();
    const std::optional<QString> chosen = services_.prompts.AskSaveFile(
        BankFileRequest(library_.libraryFolder, QStringLiteral("bank.syx")));
    if (chosen) {
        std::error_code error;
        if (!bank_.Save(library::ToFileSystemPath(*chosen), ports_.DeviceByte(), error)) {
            services_.prompts.ShowMessage(
                QStringLiteral("%1 could not be saved: %2.").arg(*chosen, ReasonText(error)));
            return;
        }
    }
    RefreshFileList();
    SelectLastTransferredFile();
}

}  // namespace tessel
