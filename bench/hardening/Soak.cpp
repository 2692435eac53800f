// 2,000 patch selections, 200 previews, 10 Sends and 10 Receives on the virtual instrument
// without cable time; resident memory after the first hundred operations and at the end.
#include <cmath>
#include <cstdio>

#include "bench/hardening/Cases.h"
#include "bench/hardening/Harness.h"

namespace tessel::bench {
namespace {

using namespace std::chrono_literals;

constexpr int kRounds = 10;
constexpr int kSelectionsPerRound = 200;
constexpr int kPreviewEvery = 10;         // one preview after every tenth selection
constexpr int kTemporaryWriteEvery = 10;  // selections on a file the instrument does not hold
// AddressSanitizer holds freed memory back (its quarantine), so resident memory grows there
// without a leak: the figure is printed, not judged; its leak check at exit judges instead.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kAddressSanitizer = true;
#else
constexpr bool kAddressSanitizer = false;
#endif

}  // namespace

void RunSoak() {
    Case c("soak: 2000 selections, 200 previews, 10 Sends, 10 Receives");
    Rig r;
    const Bytes sent = MakeDump(1);
    r.Write("a.syx", sent);
    r.Write("b.syx", MakeDump(2));
    r.Start();
    int operations = 0;
    long afterHundred = -1;
    const auto counted = [&] {
        if (++operations == 100) {
            afterHundred = ResidentKiB();
        }
    };
    int selections = 0, previews = 0, sends = 0, receives = 0;
    const auto start = Clock::now();
    for (int round = 0; round < kRounds; ++round) {
        r.UserSelects("fileList", 0);
        r.Click("sendButton");
        sends += r.WaitTransfer() ? 1 : 0;
        counted();
        r.prompts.scripted.QueueSaveFile(r.QPathOf("r.syx"));
        r.Click("receiveButton");
        receives += r.WaitTransfer() && FileBytes(r.PathOf("r.syx")) == sent ? 1 : 0;
        counted();
        for (int i = 1; i <= kSelectionsPerRound; ++i) {
            // r.syx (row 2) was received last: a Program Change; b.syx: the temporary patch.
            const bool temporary = i % kTemporaryWriteEvery == 0;
            if (temporary) {
                r.UserSelects("fileList", 1);
            }
            r.UserSelects("patchList", (i * 7) % 64);
            ++selections;
            counted();
            if (temporary) {
                r.UserSelects("fileList", 2);
            }
            if (i % kPreviewEvery == 0) {
                r.Click("previewButton");
                RunUntil([] { return false; }, 20);
                ++previews;
                counted();
            }
        }
        RunUntil([] { return false; }, 1);
    }
    const long atEnd = ResidentKiB();
    const double seconds = MsSince(start) / 1000;
    c.Check(sends == kRounds && receives == kRounds, "every Send and Receive completed");
    c.Check(r.Messages().empty(), "no message");
    c.Check(FileBytes(r.PathOf("a.syx")) == sent, "a.syx intact");
    const double growth = 100.0 * double(atEnd - afterHundred) / double(afterHundred);
    c.Check(kAddressSanitizer || std::abs(growth) <= 5.0, "resident memory within 5 %");
    char figure[200];
    std::snprintf(figure, sizeof figure,
                  "%d sel, %d prev, %d send, %d recv in %.0f s; VmRSS %ld kB after 100 ops, %ld kB "
                  "at end (%+.1f %%)%s",
                  selections, previews, sends, receives, seconds, afterHundred, atEnd, growth,
                  kAddressSanitizer ? " (ASan: not judged)" : "");
    c.Figure(figure);
}

}  // namespace tessel::bench
