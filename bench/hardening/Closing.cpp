// Closing the window during a Send, a Receive, a preview, a recording, a message box and a
// file dialog: the close ends within 2.5 s and nothing is lost.
#include <cstdio>

#include <QApplication>
#include <QDialog>
#include <QTimer>

#include "bench/hardening/Cases.h"
#include "bench/hardening/Harness.h"

namespace tessel::bench {
namespace {

using namespace std::chrono_literals;

constexpr double kCloseLimitMs = 2500;

void CheckTime(Case& c, double ms) {
    char figure[64];
    std::snprintf(figure, sizeof figure, "close took %.0f ms", ms);
    c.Figure(figure);
    c.Check(ms < kCloseLimitMs, "the close ended within 2.5 s");
}

// The activity runs for a while, then the window closes.
void CloseDuring(const char* name, const std::string& config,
                 const std::function<void(Rig&)>& begin,
                 const std::function<void(Case&, Rig&)>& afterwards = nullptr) {
    Case c(name);
    Rig r;
    r.Write("a.syx", MakeDump(1));
    r.Write("old.syx", MakeDump(2));
    const Bytes custom(64000, 0x11);
    WriteFile(r.SettingsFolder() / "custom.dat", custom);
    r.Start("", "", config);
    r.Instrument().SetWireTiming(true);
    const Snapshot before = TakeSnapshot(r.Library());
    begin(r);
    RunUntil([] { return false; }, 500);
    const auto start = Clock::now();
    r.window->close();
    r.window.reset();
    CheckTime(c, MsSince(start));
    c.Check(r.Messages().empty(), "no message");
    c.Check(Unchanged(before, TakeSnapshot(r.Library())), "every file intact");
    const Bytes saved = FileBytes(r.SettingsFolder() / "custom.dat");
    c.Check(saved == custom || saved.size() == 64000, "custom.dat whole");
    if (afterwards) {
        afterwards(c, r);
    }
}

// The activity shows a modal box or dialog; the window closes while it is open. The close
// has ended when the box is gone and the handler that opened it has returned.
void CloseDuringModal(const char* name, const std::function<void(Rig&)>& setUp,
                      const std::function<void(Rig&)>& begin) {
    Case c(name);
    Rig r;
    r.Write("a.syx", MakeDump(1));
    r.Write("old.syx", MakeDump(2));
    r.Start();
    setUp(r);
    const Snapshot before = TakeSnapshot(r.Library());
    bool returned = false;
    std::optional<Clock::time_point> seenAt, closedAt;
    QTimer::singleShot(0, [&] {
        begin(r);
        returned = true;
    });
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        const bool boxUp = modal != nullptr && modal != r.window.get();
        if (!seenAt && boxUp) {
            seenAt = Clock::now();
        } else if (seenAt && !closedAt && MsSince(*seenAt) > 200) {  // up for a moment
            closedAt = Clock::now();
            r.window->close();
        } else if (closedAt && MsSince(*closedAt) > 10'000 && modal != nullptr) {
            if (auto* dialog = qobject_cast<QDialog*>(modal)) {
                dialog->reject();  // left open by the close: the bench ends it
            }
        }
    });
    watch.start(5);
    double ms = -1;
    RunUntil(
        [&] {
            if (closedAt && returned && QApplication::activeModalWidget() == nullptr) {
                ms = MsSince(*closedAt);
                return true;
            }
            return false;
        },
        30'000);
    watch.stop();
    c.Check(closedAt.has_value(), "the box or dialog was shown");
    CheckTime(c, ms < 0 ? 1e9 : ms);
    r.window.reset();
    c.Check(Unchanged(before, TakeSnapshot(r.Library())) &&
                TakeSnapshot(r.Library()).size() == before.size(),
            "every file intact, nothing added");
}

}  // namespace

void RunClosing() {
    CloseDuring("close during a Send", "", [](Rig& r) { r.Click("sendButton"); });
    CloseDuring("close during a Receive (over old.syx)", "", [](Rig& r) {
        r.prompts.scripted.QueueSaveFile(r.QPathOf("old.syx"));
        r.Click("receiveButton");
    });
    CloseDuring("close during a preview", "par_Motif=1\npar_Tempo=40\n",
                [](Rig& r) { r.Click("previewButton"); });
    CloseDuring("close during a recording", "par_Motif=2\n", [](Rig& r) {
        r.Click("recordButton");
        for (int note = 60; note < 64; ++note) {
            r.Instrument().PlayShortMessage(0x7F0090u | std::uint32_t(note) << 8);
        }
    });
    CloseDuringModal(
        "close during a worker's pending message box",
        [](Rig& r) {
            r.prompts.realMessageBoxes = true;
            r.Instrument().SetSilent(true);
        },
        [](Rig& r) {
            r.prompts.scripted.QueueSaveFile(r.QPathOf("old.syx"));
            r.Click("receiveButton");
        });
    CloseDuringModal(
        "close during the window's pending message box",
        [](Rig& r) { r.prompts.realMessageBoxes = true; },
        [](Rig& r) {
            r.prompts.scripted.QueueSaveFile(r.QPathOf("missing/x.syx"));
            r.Click("receiveButton");
        });
    CloseDuringModal(
        "close during an open file dialog (Receive)",
        [](Rig& r) { r.prompts.realFileDialogs = true; }, [](Rig& r) { r.Click("receiveButton"); });
}

}  // namespace tessel::bench
