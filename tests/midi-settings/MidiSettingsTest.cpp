// The MIDI settings dialog behind "&Midi Settings..." and the main window's MIDI wiring: the
// output opened at start, the service's notices reaching the System Exclusive transfer, and
// the ports released when the window closes.
#include <climits>
#include <fstream>
#include <optional>

#include <gtest/gtest.h>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include "app/dialogs/MidiSettingsDlg.h"
#include "app/window/LibrarianDlg.h"
#include "tests/app/TextFit.h"
#include "tests/midi/MidiTestSupport.h"
#include "tests/support/Artifacts.h"

namespace tessel::midi::testing {
namespace {

using Script = std::function<bool(CMidiSettingsDlg&)>;

std::string DeviceLines(const MidiConfiguration& c) {
    return "MidiIn=" + c.midiInName + "\nMidiOut=" + c.midiOutName +
           "\nMidiChanel=" + std::to_string(c.midiChannel) +
           "\nMidiID=" + std::to_string(c.deviceId) + "\n";
}

// A main window on `service`, with a settings file holding `deviceLines` in section device.
struct MidiWindow {
    MidiWindow(MidiService& service, const std::string& deviceLines) {
        std::ofstream(folder.filePath("tessel.ini").toStdString()) << "[device]\n" << deviceLines;
        window = std::make_unique<CLibrarianDlg>(
            WindowServices{store, prompts, folder.path(), folder.path(), service});
        window->show();
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

TEST(MidiSettings, IdFieldReadsLikeTheCLibrary) {
    // clang-format off
    const std::pair<QString, int> cases[] = {
        {"  20abc", 20}, {"", 0}, {"-3", -3}, {"+7", 7}, {"\t\r\n\v\f 42", 42}, {"12 34", 12},
        {"007", 7}, {"+-5", 0}, {"- 5", 0}, {"-", 0}, {"0x10", 0},
        {QString::fromUtf8("\uFF11\uFF12"), 0},  // digits of other scripts are not decimal
        // beyond int: the nearest end, never a wrapped value
        {"2147483647", INT_MAX}, {"2147483648", INT_MAX}, {"18446744073709551616", INT_MAX},
        {"-2147483648", INT_MIN}, {"-2147483649", INT_MIN}};
    // clang-format on
    for (const auto& [text, value] : cases) {
        EXPECT_EQ(ParseDeviceId(text), value) << '"' << text.toStdString() << '"';
    }
}

// The dialog opens on the stored values (what OK stores unchanged shows which entry it chose);
// OK stores the four values and reopens the output opened at start; Cancel changes nothing.
TEST(MidiSettings, OpensOnTheStoredValuesAndOkStoresTheChosenOnes) {
    struct Case {
        const char* what;
        MidiConfiguration stored;
        Script script;
        MidiConfiguration expected;
        std::vector<std::string> outputEvents;
    };
    const auto ok = [](CMidiSettingsDlg&) { return true; };
    const auto lookAndOk = [](CMidiSettingsDlg& d) {
        EXPECT_EQ(d.MidiInList()->count(), 3);  // <none>, In A, In B: the failed query left out
        EXPECT_EQ(d.ChannelList()->count(), 16);
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&d));
        test::SaveScreenshot(d, "midi-settings");
        test::ExpectAllTextFits(d);
        return true;
    };
    const auto chooseAll = [](bool accept) {
        return [accept](CMidiSettingsDlg& d) {
            d.MidiInList()->setCurrentIndex(1);
            d.MidiOutList()->setCurrentIndex(2);
            d.ChannelList()->setCurrentIndex(15);
            d.IdField()->setText("  20abc");
            return accept;
        };
    };
    const auto reopen = [](const char* device) {
        return std::vector<std::string>{"out-reset", "out-close", device, "out-reset"};
    };
    // clang-format off
    const Case cases[] = {
        {"the names themselves, over another case and over longer names",
         {"In A", "Out 1", 3, 5}, lookAndOk, {"In A", "Out 1", 3, 5}, reopen("out-open:2")},
        {"a name in another case over a longer one; a name's start",
         {"in b", "out 1", 16, 17}, ok, {"In B", "OUT 1", 16, 17}, reopen("out-open:1")},
        {"the first name a stored one begins; a channel out of range",
         {"IN", "out", 99, -4}, ok, {"In A", "Out 10", 0, -4}, reopen("out-open:0")},
        {"stored devices gone", {"Gone", "Gone", 1, 17}, ok, {"<none>", "<none>", 1, 17},
         {"out-reset", "out-close"}},
        {"every value chosen", {"In B", "Out 1", 1, 17}, chooseAll(true),
         {"In A", "OUT 1", 16, 20}, reopen("out-open:1")},
        {"Cancel", {"In B", "Out 1", 1, 17}, chooseAll(false), {"In B", "Out 1", 1, 17}, {}},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FakeService service({{"In A"}, {"Hidden", true}, {"In B"}},
                            {{"Out 10"}, {"OUT 1"}, {"Out 1"}});
        MidiWindow fixture(service, DeviceLines(c.stored));
        service.Events();
        fixture.RunSettings(c.script);
        EXPECT_EQ(DeviceLines(fixture.Stored()), DeviceLines(c.expected));
        EXPECT_EQ(service.Events(), c.outputEvents);  // the input stays closed
    }
}

// On a transfer worker: a dump request for the first 256 bytes of patch memory; the reply's
// length. Without the window passing on the output's done notice the send would time out;
// without the input's, the wait for the reply.
std::optional<std::size_t> RequestFirstBlock(CLibrarianDlg& window) {
    if (!window.Sysex().BeginTransfer()) {
        return std::nullopt;
    }
    window.Ports().StartMidiIn();
    const auto received = RequestAndWait(window.Sysex(), 0, window.Ports().DeviceByte());
    window.Sysex().EndTransfer();
    window.Ports().CloseMidiIn();
    return received;
}

TEST(MidiWindow, DoneNoticesReachTheWorkerAndClosingEndsItsWaitWithoutAMessage) {
    VirtualMidiService service;
    MidiWindow fixture(service, std::string("MidiIn=") + kVirtualDeviceName +
                                    "\nMidiOut=" + kVirtualDeviceName + "\n");
    std::optional<std::size_t> received;
    RunOnWorker([&] { received = RequestFirstBlock(*fixture.window); });
    EXPECT_EQ(received, std::optional<std::size_t>(266));

    // The window closes while the worker waits for a reply that never comes.
    service.Instrument().SetSilent(true);
    std::chrono::steady_clock::time_point closed;
    QTimer::singleShot(300, fixture.window.get(), [&] {
        closed = std::chrono::steady_clock::now();
        fixture.window->findChild<QPushButton*>("quitButton")->click();
    });
    RunOnWorker([&] { received = RequestFirstBlock(*fixture.window); });
    // Far below the 2 s reply time-out that would end the wait otherwise.
    EXPECT_LT(std::chrono::steady_clock::now() - closed, 1500ms);
    EXPECT_EQ(received, std::nullopt);
    EXPECT_TRUE(fixture.prompts.Messages().empty());
    EXPECT_FALSE(fixture.window->Ports().IsMidiOutOpen() || fixture.window->Ports().IsMidiInOpen());
}

}  // namespace
}  // namespace tessel::midi::testing
