// The main window on a JACK server of the test's own, which dies (SIGTERM or SIGKILL) and
// comes back at chosen moments: nothing crashes, a System Exclusive send meanwhile fails
// with the service's text, and the next open after the server's return works, the reset
// right after it arriving whole.
#include <signal.h>

#include <sstream>

#include <gtest/gtest.h>
#include <QComboBox>
#include <QPushButton>

#include "app/dialogs/MidiSettingsDlg.h"
#include "midi/rtmidi/RtMidiBackend.h"
#include "tests/e2e/JackTestSupport.h"
#include "tests/gui/LibrarianWindowFixture.h"
#include "tests/midi/MidiTestSupport.h"

namespace tessel::midi::testing {
namespace {

struct DeathRig {
    DeathRig() { f.service = service.get(); }

    // The All Notes Off on the 16 channels that follows each open, whole and in order.
    void ExpectReset() {
        std::string expected;
        std::string seen;
        for (const char channel : std::string("0123456789ABCDEF")) {
            expected += std::string("B") + channel + " 7B 00,";
            const auto report = instrument->Next("short");
            seen += (report ? report->detail : "none") + ",";
        }
        EXPECT_EQ(seen, expected);
    }

    void Step(const std::string& step, int signal) {
        if (step == "kill") {
            server.Kill(signal);
            instrument.reset();
        } else if (step == "restart") {
            ASSERT_TRUE(server.Start());
            instrument = std::make_unique<test::TestInstrument>();
            ASSERT_TRUE(instrument->Ready());
            std::this_thread::sleep_for(RtMidiBackend::kListingFreshFor);  // listed afresh
        } else if (step == "window") {
            f.Start("[device]\nMidiOut=" + (instrument ? instrument->InputPort() : "gone") + "\n");
        } else if (step == "ok" || step == "cancel") {  // "MIDI Settings...", the port chosen
            f.prompts.QueueDialog([this, step](QDialog& shown) {
                auto* list = dynamic_cast<CMidiSettingsDlg&>(shown).MidiOutList();
                if (instrument) {
                    list->setCurrentIndex(
                        list->findText(QString::fromStdString(instrument->InputPort())));
                }
                return step == "ok";
            });
            f.Find<QPushButton>("midiSettingsButton")->click();
        } else if (step == "sysex") {
            f.prompts.ClearRecords();
            EXPECT_FALSE(SendBuilt(f.window->Sysex(), RequestFor(0)));
            EXPECT_EQ(Messages(f.prompts), Texts{service->OutGetErrorText(MidiError::kNoDevice)});
        } else if (step == "quit") {
            f.window.reset();
        }
        if ((step == "window" || step == "ok") && instrument) {
            ExpectReset();
        }
    }

    test::OwnJackServer server;
    std::unique_ptr<test::TestInstrument> instrument = std::make_unique<test::TestInstrument>();
    std::unique_ptr<MidiService> service =
        AssembleMidiService(std::make_unique<RtMidiBackend>(std::vector<std::string>{"jack"}))
            .service;
    test::WindowFixture f;
};

// Once crashed in jack_port_unregister (OK while the server is gone or back again, Cancel
// then quit) and in jack_client_close (an open failing while the server dies).
TEST(JackDeath, NoMomentOfTheServersDeathOrReturnCrashesTheWindow) {
    const struct {
        int signal;
        const char* steps;
    } cases[] = {
        {SIGTERM, "kill window restart ok quit"},           // before the window opens
        {SIGKILL, "window kill sysex ok restart ok quit"},  // OK while down, OK when back
        {SIGTERM, "window kill cancel quit"},               // Cancel, then quit
        {SIGKILL, "window kill restart sysex ok quit"},     // back before the dialog
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.steps);
        DeathRig rig;
        ASSERT_TRUE(rig.instrument->Ready());
        std::istringstream steps(c.steps);
        for (std::string step; steps >> step;) {
            rig.Step(step, c.signal);
        }
    }
}

}  // namespace
}  // namespace tessel::midi::testing
