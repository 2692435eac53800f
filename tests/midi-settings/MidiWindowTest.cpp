// The main window's MIDI wiring: the output opened at start, the settings dialog behind
// "&Midi Settings...", the service's notices reaching the System Exclusive transfer, and
// the ports released when the window closes.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <optional>
#include <ostream>
#include <thread>

#include <gtest/gtest.h>
#include <QAbstractItemView>
#include <QComboBox>
#include <QFile>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QTemporaryDir>
#include <QTest>

#include "app/prompts/ScriptedPrompts.h"
#include "app/settings/SettingsStore.h"
#include "app/window/LibrarianDlg.h"
#include "library/format/RolandMessage.h"
#include "midi/service/CompositeMidiService.h"
#include "midi/settings/MidiSettingsDlg.h"
#include "midi/virtual/VirtualMidiService.h"
#include "tests/midi-settings/FakeMidiService.h"
#include "tests/support/Artifacts.h"

namespace tessel::midi::testing {
namespace {

using namespace std::chrono_literals;
using Events = std::vector<std::string>;

// A main window on `service`, with a settings file holding `deviceLines` in section device.
class MidiWindow {
public:
    MidiWindow(MidiService& service, const std::string& deviceLines) {
        QFile file(IniPath());
        if (file.open(QIODevice::WriteOnly)) {
            file.write(("[device]\n" + deviceLines).c_str());
        }
        file.close();
        store = std::make_unique<SettingsStore>(IniPath().toStdString());
        window = std::make_unique<CLibrarianDlg>(
            WindowServices{*store, prompts, folder.path(), service});
    }

    QString IniPath() const { return folder.filePath("tessel.ini"); }
    QString IniText() const {
        QFile file(IniPath());
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }
    std::string Stored(const char* key) const { return store->ReadString("device", key, ""); }

    // Clicks "&Midi Settings..." with `script` playing the user in the dialog.
    void RunSettings(const std::function<bool(CMidiSettingsDlg&)>& script) {
        prompts.QueueDialog(
            [script](QDialog& shown) { return script(dynamic_cast<CMidiSettingsDlg&>(shown)); });
        window->findChild<QPushButton*>("midiSettingsButton")->click();
    }
    void Quit() { window->findChild<QPushButton*>("quitButton")->click(); }

    QTemporaryDir folder;
    ScriptedPrompts prompts;
    std::unique_ptr<SettingsStore> store;
    std::unique_ptr<CLibrarianDlg> window;
};

bool Accept(CMidiSettingsDlg&) {
    return true;
}

// Runs `work` on a worker thread while this thread, the window's, handles the notices.
void RunOnWorker(const std::function<void()>& work) {
    std::atomic<bool> finished{false};
    std::thread worker([&] {
        work();
        finished = true;
    });
    EXPECT_TRUE(QTest::qWaitFor([&] { return finished.load(); }, 30000));
    worker.join();
}

int AllNotesOffCount(const std::vector<ReceivedMessage>& log) {
    return static_cast<int>(std::count_if(log.begin(), log.end(), [](const ReceivedMessage& m) {
        return m.bytes.size() == 3 && (m.bytes[0] & 0xF0) == 0xB0 && m.bytes[1] == 0x7B;
    }));
}

// ---- start ----

struct StartCase {
    const char* what;
    std::string deviceLines;
    std::vector<FakeDevice> outputs;
    Events events;
    bool outOpen;
    std::vector<QString> messages;
};

void PrintTo(const StartCase& c, std::ostream* out) {
    *out << c.what;
}

class WindowStart : public ::testing::TestWithParam<StartCase> {};

TEST_P(WindowStart, OpensTheStoredOutputOnlyAndReportsOnlyAFailedOpen) {
    const StartCase& c = GetParam();
    FakeMidiService service({{"In A"}}, c.outputs);
    MidiWindow fixture(service, c.deviceLines);
    fixture.window->show();

    EXPECT_EQ(service.Events(), c.events) << c.what;
    EXPECT_EQ(fixture.prompts.Messages(), c.messages) << c.what;
    EXPECT_EQ(fixture.window->Ports().IsMidiOutOpen(), c.outOpen) << c.what;
    EXPECT_FALSE(fixture.window->Ports().IsMidiInOpen()) << c.what;
}

const std::vector<FakeDevice> kTwoOutputs{{"Synth A"}, {"Synth B"}};

// clang-format off
INSTANTIATE_TEST_SUITE_P(MidiWindow, WindowStart, ::testing::Values(
    StartCase{"<none>", "MidiOut=<none>\n", kTwoOutputs, {}, false, {}},
    StartCase{"the stored name", "MidiIn=In A\nMidiOut=Synth B\n", kTwoOutputs,
              {"out-open:1", "out-reset"}, true, {}},
    StartCase{"a name matching nothing", "MidiOut=Gone\n", kTwoOutputs,
              {"out-open:0", "out-reset"}, true, {}},
    StartCase{"the open fails", "MidiOut=Synth A\n", {{"Synth A", false, MidiError::kAllocated}},
              {"out-open:0"}, false, {"fake output error 4"}}));
// clang-format on

// Reset after the open at start, and before the close and after the reopen on OK: All
// Notes Off on every channel each time.
TEST(MidiWindow, VirtualInstrumentHearsTheResetAtStartAndTheReopenAfterOk) {
    VirtualMidiService service;
    MidiWindow fixture(service, std::string("MidiOut=") + kVirtualDeviceName + "\n");
    fixture.window->show();
    ASSERT_TRUE(service.Instrument().WaitIdle(10s));
    EXPECT_EQ(AllNotesOffCount(service.Instrument().ReceivedLog()), 16);
    service.Instrument().ClearLog();

    fixture.RunSettings(Accept);

    ASSERT_TRUE(service.Instrument().WaitIdle(10s));
    EXPECT_EQ(AllNotesOffCount(service.Instrument().ReceivedLog()), 32);
    EXPECT_TRUE(fixture.window->Ports().IsMidiOutOpen());
    EXPECT_TRUE(fixture.prompts.Messages().empty());
}

// ---- the settings dialog from the window ----

struct SettingsCase {
    const char* what;
    std::string deviceLines;
    std::function<bool(CMidiSettingsDlg&)> script;
    std::string storedOut;
    Events events;  // from the dialog on
    bool outOpen;
};

void PrintTo(const SettingsCase& c, std::ostream* out) {
    *out << c.what;
}

class WindowSettings : public ::testing::TestWithParam<SettingsCase> {};

TEST_P(WindowSettings, OkReopensTheOutputOnTheStoredDevice) {
    const SettingsCase& c = GetParam();
    FakeMidiService service({{"In A"}}, {{"Out A"}, {"Out B"}});
    MidiWindow fixture(service, c.deviceLines);
    fixture.window->show();
    service.ClearEvents();

    fixture.RunSettings(c.script);

    EXPECT_EQ(fixture.Stored("MidiOut"), c.storedOut) << c.what;
    EXPECT_EQ(service.Events(), c.events) << c.what;
    EXPECT_EQ(fixture.window->Ports().IsMidiOutOpen(), c.outOpen) << c.what;
    EXPECT_FALSE(fixture.window->Ports().IsMidiInOpen()) << c.what;
    EXPECT_TRUE(fixture.prompts.Messages().empty()) << c.what;
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(MidiWindow, WindowSettings, ::testing::Values(
    SettingsCase{"nothing changed", "MidiOut=Out B\n", Accept, "Out B",
                 {"out-reset", "out-close", "out-open:1", "out-reset"}, true},
    SettingsCase{"stored device not present: <none> stored", "MidiOut=Gone\n", Accept, "<none>",
                 {"out-reset", "out-close"}, false},
    SettingsCase{"stored name begins a device name in another case", "MidiOut=out b\n", Accept,
                 "Out B", {"out-reset", "out-close", "out-open:1", "out-reset"}, true}));
// clang-format on

TEST(MidiWindow, CancelLeavesTheSettingsTheStateAndThePortsAsTheyWere) {
    FakeMidiService service({{"In A"}}, {{"Out A"}, {"Out B"}});
    MidiWindow fixture(service, "MidiOut=Out A\nMidiChanel=3\n");
    fixture.window->show();
    const QString before = fixture.IniText();
    service.ClearEvents();

    fixture.RunSettings([](CMidiSettingsDlg& d) {
        d.MidiOutList()->setCurrentIndex(2);
        d.ChannelList()->setCurrentIndex(9);
        d.IdField()->setText("5");
        return false;
    });

    EXPECT_EQ(fixture.IniText(), before);
    EXPECT_EQ(fixture.window->Ports().Configuration().midiOutName, "Out A");
    EXPECT_EQ(fixture.window->Ports().Configuration().midiChannel, 3);
    EXPECT_EQ(fixture.window->Ports().Configuration().deviceId, 17);
    EXPECT_TRUE(service.Events().empty());
}

// ---- notices ----

// Both ports on the virtual instrument.
std::string VirtualPorts() {
    return std::string("MidiIn=") + kVirtualDeviceName + "\nMidiOut=" + kVirtualDeviceName + "\n";
}

// On a transfer worker: a dump request for the first 256 bytes of patch memory, and the
// reply's length. The worker waits for the window's done notices.
std::optional<std::size_t> RequestFirstBlock(CLibrarianDlg& window) {
    auto& sysex = window.Sysex();
    auto& ports = window.Ports();
    std::optional<std::size_t> received;
    if (!sysex.BeginTransfer()) {
        return received;
    }
    ports.StartMidiIn();
    const auto request = format::BuildDumpRequest(ports.DeviceByte(), format::kPatchMemoryAddress);
    if (sysex.QueueReceiveBuffer() && sysex.TakeSysexBlock(request.size())) {
        std::ranges::copy(request, sysex.BlockData().begin());
        if (sysex.SendSysexBlock()) {
            received = sysex.WaitReceiveBuffer();
        }
    }
    sysex.ReleaseReceiveBuffer();
    sysex.EndTransfer();
    ports.CloseMidiIn();
    return received;
}

TEST(MidiWindow, DoneNoticesReachTheTransferWorker) {
    VirtualMidiService service;
    MidiWindow fixture(service, VirtualPorts());
    fixture.window->show();

    std::optional<std::size_t> received;
    RunOnWorker([&] { received = RequestFirstBlock(*fixture.window); });

    // Without the output's done notice the send would time out; without the input's the
    // wait for the reply would.
    EXPECT_EQ(received, std::optional<std::size_t>(266));
    EXPECT_TRUE(fixture.prompts.Messages().empty());
}

TEST(MidiWindow, ClosingWakesAWaitingWorkerWithoutAMessage) {
    VirtualMidiService service;
    service.Instrument().SetSilent(true);
    MidiWindow fixture(service, VirtualPorts());
    fixture.window->show();
    service.Instrument().ClearLog();

    std::atomic<bool> finished{false};
    std::thread worker([&] {
        RequestFirstBlock(*fixture.window);
        finished = true;
    });
    // The request has reached the instrument: the worker now waits for the reply.
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return service.Instrument().ReceivedLog().size() >= 1; }, 10000));
    const auto closed = std::chrono::steady_clock::now();
    fixture.Quit();
    while (!finished && std::chrono::steady_clock::now() - closed < 10s) {
        std::this_thread::sleep_for(1ms);
    }
    const auto waited = std::chrono::steady_clock::now() - closed;
    worker.join();
    RecordProperty(
        "close_to_worker_end_us",
        static_cast<int>(std::chrono::duration_cast<std::chrono::microseconds>(waited).count()));

    // Far below the 2 s reply time-out that would end the wait otherwise.
    EXPECT_LT(waited, 1500ms);
    EXPECT_TRUE(fixture.prompts.Messages().empty());
    EXPECT_FALSE(fixture.window->Ports().IsMidiOutOpen());
    EXPECT_FALSE(fixture.window->Ports().IsMidiInOpen());
}

// ---- close ----

TEST(MidiWindow, ClosingClosesTheOutputThenTheInput) {
    FakeMidiService service({{"In A"}}, {{"Out A"}});
    MidiWindow fixture(service, "MidiIn=In A\nMidiOut=Out A\n");
    fixture.window->show();
    fixture.window->Ports().StartMidiIn();  // as a receive or a recording does
    service.ClearEvents();

    fixture.Quit();

    EXPECT_EQ(service.Events(),
              (Events{"out-reset", "out-close", "in-reset", "in-stop", "in-close"}));
    EXPECT_TRUE(fixture.window->IsShutDown());
}

TEST(MidiWindow, DestroyingAWindowNeverShownClosesWhatIsOpen) {
    FakeMidiService service({{"In A"}}, {{"Out A"}});
    {
        MidiWindow fixture(service, "MidiIn=In A\nMidiOut=Out A\n");
        fixture.window->Ports().ApplyMidiSettings();
        fixture.window->Ports().StartMidiIn();
        service.ClearEvents();
    }
    EXPECT_EQ(service.Events(),
              (Events{"out-reset", "out-close", "in-reset", "in-stop", "in-close"}));
}

// ---- how the dialog looks ----

void ExpectTextFits(const QWidget& widget, const QString& text, const QRect& room) {
    const QFontMetrics metrics(widget.font());
    EXPECT_LE(metrics.horizontalAdvance(QString(text).remove('&')), room.width())
        << widget.objectName().toStdString() << ": " << text.toStdString();
    EXPECT_LE(metrics.height(), room.height()) << widget.objectName().toStdString();
}

void ExpectTextFits(const QWidget& widget, const QString& text) {
    ExpectTextFits(widget, text, widget.contentsRect());
}

// The room left for the text of a closed drop-down list, beside its arrow.
QRect TextRoomOf(QComboBox& list) {
    QStyleOptionComboBox option;
    option.initFrom(&list);
    return list.style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField,
                                        &list);
}

TEST(MidiWindow, SettingsDialogScreenshotShowsEveryTextWhole) {
    const std::vector<FakeDevice> devices{{"UM-ONE:UM-ONE MIDI 1"},
                                          {"Midi Through:Midi Through Port-0"}};
    const auto assembled = AssembleMidiService(std::make_unique<FakeMidiService>(devices, devices));
    MidiWindow fixture(*assembled.service, std::string("MidiIn=um-one\nMidiOut=") +
                                               kVirtualDeviceName + "\nMidiChanel=1\nMidiID=17\n");
    fixture.window->show();

    fixture.RunSettings([](CMidiSettingsDlg& d) {
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&d));
        test::SaveScreenshot(d, "midi-settings");
        for (const auto* label : d.findChildren<QLabel*>()) {
            ExpectTextFits(*label, label->text());
        }
        for (const auto* button : d.findChildren<QPushButton*>()) {
            ExpectTextFits(*button, button->text());
        }
        for (auto* list : {d.MidiInList(), d.MidiOutList(), d.ChannelList()}) {
            ExpectTextFits(*list, list->currentText(), TextRoomOf(*list));
        }
        ExpectTextFits(*d.IdField(), d.IdField()->text());
        EXPECT_EQ(d.MidiInList()->currentText(), "UM-ONE:UM-ONE MIDI 1");
        EXPECT_EQ(d.MidiOutList()->currentText(), kVirtualDeviceName);
        // The opened list shows the longest name whole.
        const QFontMetrics metrics(d.MidiInList()->view()->font());
        EXPECT_GE(d.MidiInList()->view()->minimumWidth(),
                  metrics.horizontalAdvance("Midi Through:Midi Through Port-0"));
        return false;
    });
}

}  // namespace
}  // namespace tessel::midi::testing
