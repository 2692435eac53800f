#pragma once
// A main window on a generated library with the virtual instrument as its MIDI output, and
// what the bank tests look at: the tree, the files written and the messages the instrument
// received.
#include <chrono>

#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>

#include "tests/gui/LibrarianWindowFixture.h"

namespace tessel::test {

// a.syx: 11 "BRASS", 12 sixteen blanks, the others "A <index>". b.syx: 35 "WARM BRASS".
class BankWindow : public WindowFixture {
public:
    explicit BankWindow(int deviceId = 17) {
        Write("a.syx", NamedDump("A", {{0, "BRASS"}, {1, std::string(16, ' ')}}));
        Write("b.syx", NamedDump("B", {{20, "WARM BRASS"}}));
        Start("[config]\npar_TestSel=0\n[device]\nPathDef=" + Folder().toStdString() +
              "\nMidiOut=" + midi::kVirtualDeviceName + "\nMidiID=" + std::to_string(deviceId) +
              "\n");
    }

    QTreeWidget& Tree() const { return *Find<QTreeWidget>("bankTree"); }
    QTreeWidgetItem* SlotItem(int n) const { return Tree().topLevelItem(n / 8)->child(n % 8); }
    QString SlotText(int slot) const { return SlotItem(slot)->text(0); }
    QStringList SlotTexts() const {
        QStringList texts;
        for (int slot = 0; slot < 64; ++slot) {
            texts << SlotText(slot);
        }
        return texts;
    }
    QString SelectedText() const { return Tree().currentItem()->text(0); }
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
        return format::test::FileBytes(path.toStdString());
    }
    void LoadFrom(const std::optional<QString>& path) {
        prompts.QueueYesNo(true);
        prompts.QueueOpenFile(path);
        Click("loadBankButton");
    }
    // What the instrument has received since the last call, once it crossed the cable.
    std::vector<format::Bytes> Received() {
        midi.Instrument().WaitIdle(std::chrono::seconds(10));
        std::vector<format::Bytes> received;
        for (const auto& message : midi.Instrument().ReceivedLog()) {
            received.push_back(message.bytes);
        }
        midi.Instrument().ClearLog();
        return received;
    }
};

}  // namespace tessel::test
