// The MIDI settings dialog behind "&Midi Settings..." and the main window's MIDI wiring: the
// output opened at start, the service's notices reaching the System Exclusive transfer, and
// the ports released when the window closes.
#include <algorithm>
#include <climits>
#include <fstream>
#include <optional>

#include <gtest/gtest.h>
#include <QAbstractItemView>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionComboBox>

#include "app/dialogs/MidiSettingsDlg.h"
#include "app/window/LibrarianDlg.h"
#include "midi/service/CompositeMidiService.h"
#include "tests/app/TextFit.h"
#include "tests/midi/MidiTestSupport.h"
#include "tests/support/Artifacts.h"

namespace tessel::midi::testing {
namespace {

using Events = std::vector<std::string>;
using Script = std::function<bool(CMidiSettingsDlg&)>;

// Inputs and outputs from separate fakes, so that each list shows only its own direction.
struct SplitService final : MidiService {
    SplitService(std::vector<FakeDevice> in, std::vector<FakeDevice> out)
        : inputs(std::move(in)), outputs(std::move(out)) {}
    unsigned InGetNumDevs() override { return inputs.InGetNumDevs(); }
    unsigned OutGetNumDevs() override { return outputs.OutGetNumDevs(); }
    MidiResult InGetDevCaps(unsigned device, std::string& name) override {
        return inputs.InGetDevCaps(device, name);
    }
    MidiResult OutGetDevCaps(unsigned device, std::string& name) override {
        return outputs.OutGetDevCaps(device, name);
    }
    MidiResult InOpen(std::unique_ptr<MidiInPort>& port, unsigned device,
                      MidiNoticeTarget& notices) override {
        return inputs.InOpen(port, device, notices);
    }
    MidiResult OutOpen(std::unique_ptr<MidiOutPort>& port, unsigned device,
                       MidiNoticeTarget& notices) override {
        return outputs.OutOpen(port, device, notices);
    }
    FakeService inputs;
    FakeService outputs;
};

std::string DeviceLines(const MidiConfiguration& c) {
    return "MidiIn=" + c.midiInName + "\nMidiOut=" + c.midiOutName +
           "\nMidiChanel=" + std::to_string(c.midiChannel) +
           "\nMidiID=" + std::to_string(c.deviceId) + "\n";
}

// A main window on `service`, with a settings file holding `deviceLines` in section device.
struct MidiWindow {
    MidiWindow(MidiService& service, const std::string& deviceLines, bool shown = true) {
        std::ofstream(folder.filePath("tessel.ini").toStdString()) << "[device]\n" << deviceLines;
        window = std::make_unique<CLibrarianDlg>(
            WindowServices{store, prompts, folder.path(), folder.path(), service});
        window->setVisible(shown);
    }
    // Clicks "&Midi Settings..." with `script` playing the user in the dialog.
    void RunSettings(const Script& script) {
        prompts.QueueDialog(
            [script](QDialog& shown) { return script(dynamic_cast<CMidiSettingsDlg&>(shown)); });
        window->findChild<QPushButton*>("midiSettingsButton")->click();
        EXPECT_EQ(prompts.Texts(), std::vector<QString>{"MIDI Settings"});  // no message
    }
    MidiConfiguration Stored() const {
        return {store.ReadString("device", "MidiIn", ""), store.ReadString("device", "MidiOut", ""),
                store.ReadInt("device", "MidiChanel", 0), store.ReadInt("device", "MidiID", 0)};
    }

    QTemporaryDir folder;
    SettingsStore store{folder.filePath("tessel.ini").toStdString()};
    ScriptedPrompts prompts;
    std::unique_ptr<CLibrarianDlg> window;
};

QStringList EntriesOf(const QComboBox& list) {
    QStringList entries;
    for (int i = 0; i < list.count(); ++i) {
        entries << list.itemText(i);
    }
    return entries;
}

TEST(MidiSettings, IdFieldReadsLikeTheCLibrary) {
    // clang-format off
    const std::pair<QString, int> cases[] = {
        {"  20abc", 20}, {"", 0}, {"-3", -3}, {"+7", 7}, {"\t\r\n\v\f 42", 42}, {"12 34", 12},
        {"007", 7}, {"+-5", 0}, {"- 5", 0}, {"-", 0}, {"0x10", 0},
        {QString::fromUtf8("\uFF11\uFF12"), 0},  // digits of other scripts are not decimal
        // beyond int: the nearest end, never a wrapped value
        {"2147483647", INT_MAX}, {"2147483648", INT_MAX}, {"99999999999999999999999", INT_MAX},
        {"-2147483648", INT_MIN}, {"-2147483649", INT_MIN}};
    // clang-format on
    for (const auto& [text, value] : cases) {
        EXPECT_EQ(ParseDeviceId(text), value) << '"' << text.toStdString() << '"';
    }
}

TEST(MidiSettings, DialogOpensOnTheStoredValues) {
    struct Case {
        const char* what;
        std::vector<FakeDevice> inputs, outputs;
        MidiConfiguration stored;
        QStringList inEntries;
        int inSelected;
        QStringList outEntries;
        int outSelected;
        int channelSelected;
    };
    // clang-format off
    const Case cases[] = {
        {"no inputs, stored devices gone", {}, {{"A"}}, {"Gone", "Gone", 0, -5},
         {"<none>"}, 0, {"<none>", "A"}, 0, -1},
        {"the stored names, the last channel", {{"A"}, {"B"}}, {{"C"}, {"D"}}, {"B", "C", 16, 17},
         {"<none>", "A", "B"}, 2, {"<none>", "C", "D"}, 1, 15},
        {"failed queries left out; a prefix in another case; the name itself over a longer one",
         {{"Other"}, {"B", true}, {"Roland UM-ONE MIDI 1"}}, {{"port 10"}, {"PORT 1"}},
         {"roland um", "Port 1", 17, 0},
         {"<none>", "Other", "Roland UM-ONE MIDI 1"}, 2, {"<none>", "port 10", "PORT 1"}, 2, -1},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SplitService service(c.inputs, c.outputs);
        MidiWindow fixture(service, DeviceLines(c.stored));
        fixture.RunSettings([&](CMidiSettingsDlg& d) {
            EXPECT_EQ(EntriesOf(*d.MidiInList()), c.inEntries);
            EXPECT_EQ(d.MidiInList()->currentIndex(), c.inSelected);
            EXPECT_EQ(EntriesOf(*d.MidiOutList()), c.outEntries);
            EXPECT_EQ(d.MidiOutList()->currentIndex(), c.outSelected);
            EXPECT_EQ(EntriesOf(*d.ChannelList()).join(' '),
                      "1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16");
            EXPECT_EQ(d.ChannelList()->currentIndex(), c.channelSelected);
            EXPECT_EQ(d.IdField()->text(), QString::number(c.stored.deviceId));
            return false;
        });
    }
}

// OK stores the four values, even unchanged, and reopens the output opened at start (the input
// stays closed); Cancel changes nothing.
TEST(MidiSettings, OkStoresTheChosenValuesAndReopensTheOutput) {
    struct Case {
        const char* what;
        MidiConfiguration stored;
        Script script;
        MidiConfiguration expected;
        Events outputEvents;
    };
    const auto ok = [](CMidiSettingsDlg&) { return true; };
    const auto chooseAll = [](bool accept) {
        return [accept](CMidiSettingsDlg& d) {
            d.MidiInList()->setCurrentIndex(1);
            d.MidiOutList()->setCurrentIndex(2);
            d.ChannelList()->setCurrentIndex(15);
            d.IdField()->setText("  20abc");
            return accept;
        };
    };
    const Events reopenA{"out-reset", "out-close", "out-open:0", "out-reset"};
    const Events reopenB{"out-reset", "out-close", "out-open:1", "out-reset"};
    // clang-format off
    const Case cases[] = {
        {"nothing changed", {"In A", "Out B", 3, 5}, ok, {"In A", "Out B", 3, 5}, reopenB},
        {"stored devices gone", {"Gone", "Gone", 1, 17}, ok, {"<none>", "<none>", 1, 17},
         {"out-reset", "out-close"}},
        {"stored names begin longer names, channel out of range", {"in b", "OUT", 99, 17}, ok,
         {"In B", "Out A", 0, 17}, reopenA},
        {"every value chosen", {"In B", "Out A", 1, 17}, chooseAll(true), {"In A", "Out B", 16, 20},
         reopenB},
        {"Cancel", {"In B", "Out A", 1, 17}, chooseAll(false), {"In B", "Out A", 1, 17}, {}},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SplitService service({{"In A"}, {"In B"}}, {{"Out A"}, {"Out B"}});
        MidiWindow fixture(service, DeviceLines(c.stored));
        service.outputs.Events();
        fixture.RunSettings(c.script);
        EXPECT_EQ(DeviceLines(fixture.window->Ports().Configuration()), DeviceLines(c.expected));
        EXPECT_EQ(DeviceLines(fixture.Stored()), DeviceLines(c.expected));
        EXPECT_EQ(service.outputs.Events(), c.outputEvents);
        EXPECT_TRUE(service.inputs.Events().empty());
    }
}

// The room left for the text of a closed drop-down list, beside its arrow.
QRect TextRoomOf(QComboBox& list) {
    QStyleOptionComboBox option;
    option.initFrom(&list);
    return list.style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField,
                                        &list);
}

TEST(MidiSettings, DialogScreenshotShowsEveryTextWhole) {
    const std::vector<FakeDevice> devices{{"UM-ONE:UM-ONE MIDI 1"},
                                          {"Midi Through:Midi Through Port-0"}};
    const auto assembled = AssembleMidiService(std::make_unique<FakeService>(devices));
    MidiWindow fixture(*assembled.service,
                       std::string("MidiIn=um-one\nMidiOut=") + kVirtualDeviceName + "\n");
    fixture.RunSettings([](CMidiSettingsDlg& d) {
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&d));
        test::SaveScreenshot(d, "midi-settings");
        test::ExpectAllTextFits(d);
        for (auto* list : {d.MidiInList(), d.MidiOutList(), d.ChannelList()}) {
            EXPECT_LE(QFontMetrics(list->font()).horizontalAdvance(list->currentText()),
                      TextRoomOf(*list).width());
            EXPECT_FALSE(list->isEditable());
        }
        EXPECT_EQ(d.focusWidget(), d.MidiInList());
        EXPECT_EQ(d.MidiInList()->currentText(), "UM-ONE:UM-ONE MIDI 1");
        EXPECT_EQ(d.MidiOutList()->currentText(), kVirtualDeviceName);
        // The opened list shows the longest name whole.
        EXPECT_GE(d.MidiInList()->view()->minimumWidth(),
                  QFontMetrics(d.MidiInList()->view()->font())
                      .horizontalAdvance("Midi Through:Midi Through Port-0"));
        return false;
    });
}

// On a transfer worker: a dump request for the first 256 bytes of patch memory; the reply's
// length. Without the window passing on the output's done notice the send would time out;
// without the input's, the wait for the reply.
std::optional<std::size_t> RequestFirstBlock(CLibrarianDlg& window) {
    auto& sysex = window.Sysex();
    std::optional<std::size_t> received;
    if (!sysex.BeginTransfer()) {
        return received;
    }
    window.Ports().StartMidiIn();
    const auto request =
        format::BuildDumpRequest(window.Ports().DeviceByte(), format::kPatchMemoryAddress);
    if (sysex.QueueReceiveBuffer() && sysex.TakeSysexBlock(request.size())) {
        std::ranges::copy(request, sysex.BlockData().begin());
        if (sysex.SendSysexBlock()) {
            received = sysex.WaitReceiveBuffer();
        }
    }
    sysex.ReleaseReceiveBuffer();
    sysex.EndTransfer();
    window.Ports().CloseMidiIn();
    return received;
}

const std::string kVirtualPorts =
    std::string("MidiIn=") + kVirtualDeviceName + "\nMidiOut=" + kVirtualDeviceName + "\n";

TEST(MidiWindow, DoneNoticesReachTheTransferWorker) {
    VirtualMidiService service;
    MidiWindow fixture(service, kVirtualPorts);
    std::optional<std::size_t> received;
    RunOnWorker([&] { received = RequestFirstBlock(*fixture.window); });
    EXPECT_EQ(received, std::optional<std::size_t>(266));
    EXPECT_TRUE(fixture.prompts.Messages().empty());
}

TEST(MidiWindow, ClosingWakesAWaitingWorkerWithoutAMessage) {
    VirtualMidiService service;
    service.Instrument().SetSilent(true);
    MidiWindow fixture(service, kVirtualPorts);
    service.Instrument().ClearLog();
    std::atomic<bool> finished{false};
    std::thread worker([&] {
        RequestFirstBlock(*fixture.window);
        finished = true;
    });
    // Once the request has reached the instrument the worker waits for the reply.
    ASSERT_TRUE(PumpUntil([&] { return !service.Instrument().ReceivedLog().empty(); }));
    const auto closed = std::chrono::steady_clock::now();
    fixture.window->findChild<QPushButton*>("quitButton")->click();
    while (!finished && std::chrono::steady_clock::now() - closed < 10s) {
        std::this_thread::sleep_for(1ms);
    }
    // Far below the 2 s reply time-out that would end the wait otherwise.
    EXPECT_LT(std::chrono::steady_clock::now() - closed, 1500ms);
    worker.join();
    EXPECT_TRUE(fixture.prompts.Messages().empty());
    EXPECT_FALSE(fixture.window->Ports().IsMidiOutOpen());
    EXPECT_FALSE(fixture.window->Ports().IsMidiInOpen());
}

TEST(MidiWindow, QuitOrDestroyingAWindowNeverShownClosesTheOutputThenTheInput) {
    for (const bool quit : {true, false}) {
        SCOPED_TRACE(quit ? "Quit" : "destroyed, never shown");
        FakeService service({{"In A"}, {"Out A"}});
        MidiWindow fixture(service, "MidiIn=In A\nMidiOut=Out A\n", quit);
        if (!quit) {
            fixture.window->Ports().ApplyMidiSettings();
        }
        fixture.window->Ports().StartMidiIn();  // as a receive or a recording does
        service.Events();
        if (quit) {
            fixture.window->findChild<QPushButton*>("quitButton")->click();
        } else {
            fixture.window.reset();
        }
        EXPECT_EQ(service.Events(),
                  (Events{"out-reset", "out-close", "in-reset", "in-stop", "in-close"}));
    }
}

}  // namespace
}  // namespace tessel::midi::testing
