#pragma once
// A main window on a generated library with the virtual instrument as its MIDI output, and
// what the bank tests look at: the tree, the files written and the messages the instrument
// received.
#include <chrono>
#include <fstream>
#include <iterator>

#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>

#include "tests/gui/LibrarianWindowFixture.h"

namespace tessel::test {

using namespace std::chrono_literals;

inline const std::string kBlankName(16, ' ');

inline format::Bytes ReadBytes(const QString& path) {
    std::ifstream file(path.toStdString(), std::ios::binary);
    return format::Bytes(std::istreambuf_iterator<char>(file), {});
}

// a.syx: 11 "BRASS", 12 sixteen blanks, the others "A <index>". b.syx: 35 "WARM BRASS".
class BankWindow : public WindowFixture {
public:
    explicit BankWindow(int deviceId = 17, int autoPreview = 0) {
        Write("a.syx", NamedDump("A", {{0, "BRASS"}, {1, kBlankName}}));
        Write("b.syx", NamedDump("B", {{20, "WARM BRASS"}}));
        Start("[config]\npar_TestSel=" + std::to_string(autoPreview) + "\n[device]\nPathDef=" +
              Folder().toStdString() + "\nMidiOut=" + midi::kVirtualDeviceName +
              "\nMidiID=" + std::to_string(deviceId) + "\n");
    }

    QTreeWidget& Tree() const { return *Find<QTreeWidget>("bankTree"); }
    QTreeWidgetItem* SlotItem(int slot) const {
        return Tree().topLevelItem(slot / 8)->child(slot % 8);
    }
    QString SlotText(int slot) const { return SlotItem(slot)->text(0); }
    QStringList SlotTexts() const {
        QStringList texts;
        for (int slot = 0; slot < 64; ++slot) {
            texts << SlotText(slot);
        }
        return texts;
    }
    QString SelectedText() const {
        const auto selected = Tree().selectedItems();
        return selected.isEmpty() ? QString() : selected.front()->text(0);
    }
    void Click(const char* button) const { Find<QPushButton>(button)->click(); }
    // As the user's click in the tree: the selection change auditions the slot.
    void SelectSlot(int slot) const { Tree().setCurrentItem(SlotItem(slot)); }
    void SetFrom(int slot, int fileRow, int patchRow) const {
        SelectSlot(slot);
        UserSelects("fileList", fileRow);
        UserSelects("patchList", patchRow);
        Click("setSlotButton");
    }
    // Whether Clear asks first, answered No so that nothing is lost: the bankModified flag.
    bool Modified() {
        prompts.ClearRecords();
        Click("clearBankButton");
        return !prompts.Records().empty();
    }
    format::Bytes SaveTo(const QString& path) {
        prompts.QueueSaveFile(path);
        Click("saveBankButton");
        return ReadBytes(path);
    }
    void LoadFrom(const std::optional<QString>& path) {
        prompts.QueueYesNo(true);
        prompts.QueueOpenFile(path);
        Click("loadBankButton");
    }
    midi::VirtualJd800& Instrument() { return midi.Instrument(); }
    // The exclusive messages the instrument has received, once they have crossed the cable.
    std::vector<format::Bytes> Sent() {
        Instrument().WaitIdle(10s);
        std::vector<format::Bytes> sent;
        for (const auto& message : Instrument().ReceivedLog()) {
            if (message.bytes.front() == format::kExclusiveStart) {
                sent.push_back(message.bytes);
            }
        }
        return sent;
    }
};

}  // namespace tessel::test
