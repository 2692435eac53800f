// The MIDI settings dialog behind "&Midi Settings..." and the main window's MIDI wiring: the
// output opened at start, the service's notices reaching the System Exclusive transfer, and
// the ports released when the window closes.
#include <climits>

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

constexpr const char* kKeys[] = {"MidiIn", "MidiOut", "MidiChanel", "MidiID"};

// A main window on `service`, with the four values `stored` ("In A|Out 1|3|5|") in the settings.
struct MidiWindow {
    MidiWindow(MidiService& service, const QString& stored) {
        for (int i = 0; i < 4; ++i) {
            store.WriteString("device", kKeys[i], stored.section('|', i, i).toStdString());
        }
        window = std::make_unique<CLibrarianDlg>(
            WindowServices{store, prompts, folder.path(), folder.path(), service});
        window->show();
    }
    // Clicks "&Midi Settings..." with `script` playing the user in the dialog: the four values
    // stored after. Without a script the user just clicks OK.
    std::string RunSettings(const Script& script) {
        prompts.QueueDialog([script](QDialog& shown) {
            return !script || script(dynamic_cast<CMidiSettingsDlg&>(shown));
        });
        window->findChild<QPushButton*>("midiSettingsButton")->click();
        EXPECT_EQ(prompts.Texts(), std::vector<QString>{"MIDI Settings"});  // no message
        std::string stored;
        for (const char* key : kKeys) {
            stored += store.ReadString("device", key, "") + "|";
        }
        return stored;
    }

    QTemporaryDir folder;
    SettingsStore store{folder.filePath("tessel.ini").toStdString()};
    ScriptedPrompts prompts;
    std::unique_ptr<CLibrarianDlg> window;
};

// Beyond int: the nearest end, never a wrapped value; digits of other scripts are not decimal.
TEST(MidiSettings, IdFieldReadsLikeTheCLibrary) {
    // clang-format off
    const std::pair<QString, int> cases[] = {
        {"  20abc", 20}, {"", 0}, {"-3", -3}, {"+7", 7}, {"\t\r\n\v\f 42", 42}, {"12 34", 12},
        {"007", 7}, {"+-5", 0}, {"- 5", 0}, {"-", 0}, {"0x10", 0}, {QString::fromUtf8("\uFF11"), 0},
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
        return Texts{"out-reset", "out-close", device, "out-reset"};
    };
    // What is stored before, the script, what is stored after, the events on the ports.
    // clang-format off
    const std::tuple<const char*, Script, const char*, Texts> cases[] = {
        {"In A|Out 1|3|5|", lookAndOk, "In A|Out 1|3|5|", reopen("out-open:2")},  // over others
        {"in b|out 1|16|17|", nullptr, "In B|OUT 1|16|17|", reopen("out-open:1")},  // case, start
        {"IN|out|99|-4|", nullptr, "In A|Out 10|0|-4|", reopen("out-open:0")},  // the first it begins
        {"Gone|Gone|1|17|", nullptr, "<none>|<none>|1|17|", {"out-reset", "out-close"}},
        {"In B|Out 1|1|17|", chooseAll(true), "In A|OUT 1|16|20|", reopen("out-open:1")},
        {"In B|Out 1|1|17|", chooseAll(false), "In B|Out 1|1|17|", {}},  // Cancel
    };
    // clang-format on
    for (const auto& [before, script, after, events] : cases) {
        SCOPED_TRACE(before);
        FakeService service({{"In A"}, {"Hidden", true}, {"In B"}},
                            {{"Out 10"}, {"OUT 1"}, {"Out 1"}});
        MidiWindow fixture(service, before);
        service.Events();
        EXPECT_EQ(fixture.RunSettings(script), after);
        EXPECT_EQ(service.Events(), events);  // the input stays closed
    }
}

// Done notices reach a transfer worker, and closing the window ends its wait without a
// message. On the worker: a dump request for the first 256 bytes of patch memory; the reply's
// length. Without the window passing on the output's done notice the send would time out;
// without the input's, the wait for the reply.
TEST(MidiWindow, DoneNoticesReachTheWorkerAndClosingEndsItsWaitWithoutAMessage) {
    VirtualMidiService service;
    MidiWindow fixture(service, QString("%1|%1|1|17|").arg(kVirtualDeviceName));
    CLibrarianDlg& window = *fixture.window;
    std::optional<std::size_t> received;
    const auto requestFirstBlock = [&] {
        received.reset();
        if (window.Sysex().BeginTransfer()) {
            window.Ports().StartMidiIn();
            received = RequestAndWait(window.Sysex(), 0, window.Ports().DeviceByte());
            window.Sysex().EndTransfer();
            window.Ports().CloseMidiIn();
        }
    };
    RunOnWorker(requestFirstBlock);
    EXPECT_EQ(received, std::optional<std::size_t>(266));

    // The window closes while the worker waits for a reply that never comes.
    service.Instrument().SetSilent(true);
    std::chrono::steady_clock::time_point closed;
    QTimer::singleShot(300, &window, [&] {
        closed = std::chrono::steady_clock::now();
        window.findChild<QPushButton*>("quitButton")->click();
    });
    RunOnWorker(requestFirstBlock);
    // Far below the 2 s reply time-out that would end the wait otherwise.
    EXPECT_LT(std::chrono::steady_clock::now() - closed, 1500ms);
    EXPECT_EQ(received, std::nullopt);
    EXPECT_TRUE(fixture.prompts.Messages().empty());
    EXPECT_FALSE(window.Ports().IsMidiOutOpen() || window.Ports().IsMidiInOpen());
}

}  // namespace
}  // namespace tessel::midi::testing
