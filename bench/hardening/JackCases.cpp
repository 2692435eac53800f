// Over JACK, on a server of the bench's own, against the test instrument process: the
// instrument killed mid-Send and mid-Receive, the server killed while Tessel runs. After
// each, the user's way back (the instrument or server running again, MIDI Settings OK)
// makes the next transfer work. The server is synchronous, as for the end-to-end tests;
// TESSEL_ASYNC_JACK=1 makes it asynchronous (which drops MIDI of late clients on a busy
// machine).
#include <signal.h>

#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <thread>

#include <QComboBox>

#include "app/dialogs/MidiSettingsDlg.h"
#include "bench/hardening/Cases.h"
#include "bench/hardening/Harness.h"
#include "midi/rtmidi/RtMidiBackend.h"
#include "midi/sysex/SysexTexts.h"
#include "tests/e2e/ChildProcess.h"
#include "tests/e2e/JackTestSupport.h"

namespace tessel::bench {
namespace {

using namespace std::chrono_literals;

// The test instrument process under a fixed name, so that one started again after a kill
// has the same ports.
class Instrument {
public:
    explicit Instrument(std::string name) : name_(std::move(name)) {}
    bool Start() {
        process_ = std::make_unique<test::ChildProcess>(TESSEL_TEST_INSTRUMENT,
                                                        std::vector<std::string>{name_});
        std::istringstream words(process_->ReadLine(5000ms).value_or(""));
        std::string ready;
        return (words >> ready) && ready == "ready" && (words >> in_ >> out_);
    }
    void Kill() {
        if (process_) {
            kill(process_->Pid(), SIGKILL);
            process_.reset();
        }
    }
    // System Exclusive messages it reports within `window`.
    int CountSysex(std::chrono::milliseconds window) {
        int count = 0;
        const auto end = Clock::now() + window;
        while (process_ && Clock::now() < end) {
            const auto line = process_->ReadLine(
                std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()));
            count += line && line->rfind("sysex ", 0) == 0 ? 1 : 0;
        }
        return count;
    }
    const std::string& In() const { return in_; }    // Tessel sends here
    const std::string& Out() const { return out_; }  // Tessel listens here

private:
    std::string name_;
    std::unique_ptr<test::ChildProcess> process_;
    std::string in_, out_;
};

std::string Shown(const Rig& r) {
    std::string text;
    for (const QString& message : r.Messages()) {
        text += " \"" + QString(message).replace('\n', "\\n").toStdString() + "\"";
    }
    return text.empty() ? " (none)" : text;
}

// MIDI Settings... with the instrument's ports chosen, then OK.
void ChooseInstrument(Rig& r, const Instrument& instrument) {
    std::this_thread::sleep_for(midi::RtMidiBackend::kListingFreshFor);  // listed afresh
    r.prompts.scripted.QueueDialog([&](QDialog& shown) {
        auto& settings = dynamic_cast<midi::CMidiSettingsDlg&>(shown);
        settings.MidiInList()->setCurrentIndex(
            settings.MidiInList()->findText(QString::fromStdString(instrument.Out())));
        settings.MidiOutList()->setCurrentIndex(
            settings.MidiOutList()->findText(QString::fromStdString(instrument.In())));
        return true;
    });
    r.Click("midiSettingsButton");
}

// The following operation: a whole receive into `name`, without a message.
void ReceiveWorks(Case& c, Rig& r, const std::string& name) {
    const std::size_t shown = r.Messages().size();
    r.prompts.scripted.QueueSaveFile(r.QPathOf(name));
    r.Click("receiveButton");
    c.Check(r.WaitTransfer(), "the following receive ended");
    const std::size_t stored = FileBytes(r.PathOf(name)).size();
    c.Check(stored == format::kDumpFileSize,
            "the following receive stored 96 answers: " + std::to_string(stored) + " bytes");
    c.Check(r.Messages().size() == shown, "the following receive showed no message:" + Shown(r));
}

std::unique_ptr<midi::MidiService> JackService() {
    return midi::AssembleMidiService(
               std::make_unique<midi::RtMidiBackend>(std::vector<std::string>{"jack"}))
        .service;
}

void InstrumentKilled(bool duringSend) {
    Case c(duringSend ? "JACK: instrument killed mid-Send" : "JACK: instrument killed mid-Receive");
    test::OwnJackServer server(std::getenv("TESSEL_ASYNC_JACK") == nullptr);
    Instrument instrument("tessel-harden-" + std::to_string(getpid()));
    if (!c.Check(test::JackServerReachable(), "the bench's JACK server started") ||
        !c.Check(instrument.Start(), "the test instrument started")) {
        return;
    }
    const auto service = JackService();
    Rig r(service.get());
    r.Write("a.syx", MakeDump(1));
    r.Write("old.syx", MakeDump(2));
    r.Start(instrument.Out(), instrument.In());
    const Snapshot before = TakeSnapshot(r.Library());
    if (duringSend) {
        r.Click("sendButton");
    } else {
        r.prompts.scripted.QueueSaveFile(r.QPathOf("old.syx"));
        r.Click("receiveButton");
    }
    RunUntil([] { return false; }, 1000);
    instrument.Kill();
    const auto killed = Clock::now();
    double messageMs = -1;
    c.Check(RunUntil(
                [&] {
                    if (messageMs < 0 && !r.Messages().empty()) {
                        messageMs = MsSince(killed);
                    }
                    return !r.TransferRunning();
                },
                60'000),
            "the transfer ended");
    const double ms = MsSince(killed);
    const std::string shown = Shown(r);
    const std::string status = r.StatusLine().toStdString();
    if (!duringSend) {
        c.Check(r.Messages() == std::vector<QString>{midi::sysex_texts::kNotResponding},
                "the not-responding message");
    }
    const Snapshot after = TakeSnapshot(r.Library());
    c.Check(Unchanged(before, after) && after.size() == before.size(), "every file intact");
    c.Check(instrument.Start(), "the instrument started again");
    ChooseInstrument(r, instrument);
    ReceiveWorks(c, r, "next.syx");
    char figure[200];
    std::snprintf(figure, sizeof figure,
                  "ended %.0f ms after the kill (message at %.0f ms); status \"%s\"; shown:", ms,
                  messageMs, status.c_str());
    c.Figure(figure + shown);
    r.Close();
    instrument.Kill();
}

void ServerKilled() {
    Case c("JACK: server killed while Tessel runs");
    test::OwnJackServer server(std::getenv("TESSEL_ASYNC_JACK") == nullptr);
    Instrument instrument("tessel-harden-" + std::to_string(getpid()));
    if (!c.Check(test::JackServerReachable(), "the bench's JACK server started") ||
        !c.Check(instrument.Start(), "the test instrument started")) {
        return;
    }
    const auto service = JackService();
    Rig r(service.get());
    r.Write("a.syx", MakeDump(1));
    r.Start(instrument.Out(), instrument.In());
    const Snapshot before = TakeSnapshot(r.Library());
    server.Kill(SIGKILL);
    instrument.Kill();
    r.Click("sendButton");
    c.Check(r.WaitTransfer(), "the Send ended");
    const std::vector<QString> failed = r.Messages();
    c.Check(failed == std::vector<QString>{QString::fromStdString(
                          service->OutGetErrorText(midi::MidiError::kNoDevice))},
            "the service's text for a device that has gone");
    c.Check(r.StatusLine().isEmpty(), "the status line names no file");
    c.Check(server.Start() && instrument.Start(), "the server and the instrument are back");
    ChooseInstrument(r, instrument);
    r.Click("sendButton");
    c.Check(r.WaitTransfer(), "the Send after the server's return ended");
    c.Check(instrument.CountSysex(1000ms) == 96, "the instrument received the 96 messages");
    ReceiveWorks(c, r, "next.syx");
    const Snapshot after = TakeSnapshot(r.Library());
    c.Check(Unchanged(before, after), "every file intact");
    c.Figure("shown:" + Shown(r));
    r.Close();
    instrument.Kill();
}

}  // namespace

void RunJack() {
    InstrumentKilled(true);
    InstrumentKilled(false);
    ServerKilled();
}

}  // namespace tessel::bench
