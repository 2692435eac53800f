// The main window on a JACK server of the test's own, which dies (SIGTERM or SIGKILL) and
// comes back at chosen moments: nothing crashes, a System Exclusive send meanwhile fails
// with the service's text, and the next open after the server's return works, the reset
// right after it arriving whole.
#include <signal.h>

#include <fstream>
#include <sstream>

#include <gtest/gtest.h>
#include <QComboBox>
#include <QPushButton>

#include "app/dialogs/MidiSettingsDlg.h"
#include "app/window/LibrarianDlg.h"
#include "midi/rtmidi/RtMidiBackend.h"
#include "tests/e2e/JackTestSupport.h"
#include "tests/midi/MidiTestSupport.h"

namespace tessel::midi::testing {
namespace {

struct DeathRig {
    void StartInstrument() {
        instrument = std::make_unique<test::TestInstrument>();
        ASSERT_TRUE(instrument->Ready());
    }
    void OpenWindow() {
        std::ofstream(folder.filePath("tessel.ini").toStdString())
            << "[device]\nMidiOut=" << (instrument ? instrument->InputPort() : "gone") << "\n";
        window = std::make_unique<CLibrarianDlg>(
            WindowServices{store, prompts, folder.path(), folder.path(), *service});
        window->setVisible(true);
    }
    // "MIDI Settings...", the instrument's port chosen when it runs, then OK or Cancel.
    void Settings(bool ok) {
        prompts.QueueDialog([this, ok](QDialog& shown) {
            auto* list = dynamic_cast<CMidiSettingsDlg&>(shown).MidiOutList();
            if (instrument) {
                list->setCurrentIndex(
                    list->findText(QString::fromStdString(instrument->InputPort())));
            }
            return ok;
        });
        window->findChild<QPushButton*>("midiSettingsButton")->click();
    }
    // The All Notes Off on the 16 channels that follows each open, whole and in order.
    void ExpectReset() {
        std::string seen;
        while (!seen.ends_with("BF 7B 00,")) {
            const auto report = instrument->Next("short");
            if (!report) {
                break;
            }
            seen += report->detail + ",";
        }
        EXPECT_EQ(seen,
                  "B0 7B 00,B1 7B 00,B2 7B 00,B3 7B 00,B4 7B 00,B5 7B 00,B6 7B 00,"
                  "B7 7B 00,B8 7B 00,B9 7B 00,BA 7B 00,BB 7B 00,BC 7B 00,BD 7B 00,"
                  "BE 7B 00,BF 7B 00,");
    }
    void Step(const std::string& step, int signal) {
        if (step == "kill") {
            server.Kill(signal);
            instrument.reset();
        } else if (step == "restart") {
            ASSERT_TRUE(server.Start());
            StartInstrument();
            std::this_thread::sleep_for(RtMidiBackend::kListingFreshFor);  // listed afresh
        } else if (step == "window" || step == "ok") {
            step == "ok" ? Settings(true) : OpenWindow();
            if (instrument) {
                ExpectReset();
            }
        } else if (step == "cancel") {
            Settings(false);
        } else if (step == "sysex") {
            prompts.ClearRecords();
            EXPECT_FALSE(SendBuilt(window->Sysex(), RequestFor(0)));
            EXPECT_EQ(Messages(prompts), Texts{service->OutGetErrorText(MidiError::kNoDevice)});
        } else if (step == "quit") {
            window.reset();
        }
    }

    test::OwnJackServer server;
    std::unique_ptr<MidiService> service =
        AssembleMidiService(std::make_unique<RtMidiBackend>(std::vector<std::string>{"jack"}))
            .service;
    QTemporaryDir folder;
    SettingsStore store{folder.filePath("tessel.ini").toStdString()};
    ScriptedPrompts prompts;
    std::unique_ptr<test::TestInstrument> instrument;
    std::unique_ptr<CLibrarianDlg> window;
};

TEST(JackDeath, NoMomentOfTheServersDeathOrReturnCrashesTheWindow) {
    const struct {
        int signal;
        const char* steps;
    } cases[] = {
        {SIGTERM, "kill window restart ok quit"},           // before the window opens
        {SIGKILL, "window kill sysex ok restart ok quit"},  // OK while down, OK when back
        {SIGTERM, "window kill cancel quit"},               // Cancel, then quit
        {SIGKILL, "window kill restart sysex ok quit"},     // back before the dialog
        {SIGKILL, "window kill quit"},                      // at quit
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.steps);
        DeathRig rig;
        rig.StartInstrument();
        std::istringstream steps(c.steps);
        for (std::string step; steps >> step;) {
            rig.Step(step, c.signal);
        }
    }
}

}  // namespace
}  // namespace tessel::midi::testing
