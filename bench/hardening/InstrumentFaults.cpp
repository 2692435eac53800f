// The virtual instrument misbehaving during a Receive: silent, answering with the wrong
// size, answering late but within the time-out.
#include <cstdio>

#include "bench/hardening/Cases.h"
#include "bench/hardening/Harness.h"
#include "midi/sysex/SysexTexts.h"

namespace tessel::bench {
namespace {

using namespace std::chrono_literals;

std::string Quoted(const std::vector<QString>& messages) {
    std::string text;
    for (const QString& message : messages) {
        text += " \"" + QString(message).replace('\n', "\\n").toStdString() + "\"";
    }
    return text.empty() ? " (none)" : text;
}

// The following operation: a receive into a new file that completes, without a message.
void ReceiveWorksAgain(Case& c, Rig& r, const std::string& name) {
    r.Instrument().SetSilent(false);
    r.Instrument().SetReplySize(std::nullopt);
    r.Instrument().SetReplyDelay(0ms);
    const std::size_t messages = r.Messages().size();
    r.prompts.scripted.QueueSaveFile(r.QPathOf(name));
    r.Click("receiveButton");
    c.Check(r.WaitTransfer(), "the following receive ended");
    c.Check(FileBytes(r.PathOf(name)) == MemoryAsDump(r.Instrument()),
            "the following receive stored the instrument's 64 patches");
    c.Check(r.Messages().size() == messages, "the following receive showed no message");
}

// A receive over old.syx with the instrument set up by `misbehave`; `expected` is the
// message it must show (none when empty).
void ReceiveCase(const char* name, const std::function<void(midi::VirtualJd800&)>& misbehave,
                 const QString& expected, bool completes) {
    Case c(name);
    Rig r;
    r.Write("a.syx", MakeDump(1));
    r.Write("old.syx", MakeDump(2));
    r.Start();
    misbehave(r.Instrument());
    const Snapshot before = TakeSnapshot(r.Library());
    r.prompts.scripted.QueueSaveFile(r.QPathOf("old.syx"));
    const auto start = Clock::now();
    r.Click("receiveButton");
    c.Check(r.WaitTransfer(400'000), "the receive ended");
    const double ms = MsSince(start);
    const std::vector<QString> shown = r.Messages();
    c.Check(expected.isEmpty() ? shown.empty() : shown == std::vector<QString>{expected},
            "the expected message");
    const Snapshot after = TakeSnapshot(r.Library());
    c.Check(after.size() == before.size(), "no temporary file left");
    if (completes) {
        c.Check(after.at("old.syx") == MemoryAsDump(r.Instrument()), "all 96 answers stored");
        c.Check(Unchanged(before, after, {"old.syx"}), "the other files intact");
    } else {
        c.Check(Unchanged(before, after), "old.syx and the other files intact");
    }
    ReceiveWorksAgain(c, r, "next.syx");
    char figure[160];
    std::snprintf(figure, sizeof figure, "receive ended after %.0f ms; shown:", ms);
    c.Figure(figure + Quoted(shown));
}

}  // namespace

void RunInstrumentFaults() {
    ReceiveCase(
        "virtual: instrument silent during Receive",
        [](midi::VirtualJd800& instrument) { instrument.SetSilent(true); },
        midi::sysex_texts::kNotResponding, false);
    ReceiveCase(
        "virtual: answers of the wrong size",
        [](midi::VirtualJd800& instrument) { instrument.SetReplySize(100); },
        "The instrument's answers for address 05 00 00 had the wrong size 11 times in a row. "
        "The receive has stopped.",
        false);
    ReceiveCase(
        "virtual: every answer 1.9 s late",
        [](midi::VirtualJd800& instrument) { instrument.SetReplyDelay(1900ms); }, QString(), true);
}

}  // namespace tessel::bench
