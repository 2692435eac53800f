// The MIDI service plumbing: the cable-time scheduler, the auto-reset event, the queued
// notices and the composite service.
#include <gtest/gtest.h>

#include "midi/service/AutoResetEvent.h"
#include "midi/service/WireScheduler.h"
#include "tests/midi/MidiTestSupport.h"

namespace tessel::midi::testing {
namespace {

using Clock = WireScheduler::Clock;

TEST(WireScheduler, ReservesCableTimeOneMessageAfterAnother) {
    WireScheduler timed(true);
    const auto before = Clock::now();
    const auto first = timed.Reserve(100);
    EXPECT_GE(first - before, 32ms);
    EXPECT_EQ(timed.Reserve(10) - first, WireScheduler::kByteTime * 10);

    WireScheduler untimed(false);
    EXPECT_LT(untimed.Reserve(100000) - before, 1s);
    EXPECT_LT(untimed.Reserve(100000) - before, 1s);
}

TEST(WireScheduler, RunsActionsInTimeOrderAndEqualTimesInCallOrder) {
    WireScheduler wire(true);
    std::mutex lock;
    std::vector<int> order;
    const auto record = [&](int n) {
        return [&, n] {
            std::lock_guard guard(lock);
            order.push_back(n);
        };
    };
    const auto base = Clock::now() + 30ms;
    wire.At(base + 20ms, record(3));
    wire.At(base, record(1));
    wire.At(base, record(2));
    wire.At(base - 1h, record(0));
    wire.Drain();
    EXPECT_EQ(order, (std::vector<int>{0, 1, 2, 3}));
}

TEST(WireScheduler, ResetRunsWhatIsPendingAndDestructionDropsIt) {
    std::atomic<int> ran{0};
    {
        WireScheduler wire(true);
        const auto minuteAway = wire.Reserve(31250 * 60);
        wire.At(minuteAway, [&] { ++ran; });
        wire.RunPendingNow();
        EXPECT_EQ(ran, 1);
        EXPECT_LT(wire.Reserve(1) - Clock::now(), 1s);  // the cable time is forgotten
        wire.At(Clock::now() + 1h, [&] { ++ran; });
    }
    EXPECT_EQ(ran, 1);
}

TEST(AutoResetEvent, OneSetReleasesOneWait) {
    struct Case {
        const char* name;
        int sets;
        std::vector<bool> waits;
    };
    const Case cases[] = {
        {"unset times out", 0, {false}},
        {"a set before the wait stays until it", 1, {true, false}},
        {"two sets count once", 2, {true, false}},
    };
    for (const auto& c : cases) {
        AutoResetEvent event;
        for (int i = 0; i < c.sets; ++i) {
            event.Set();
        }
        for (const bool expected : c.waits) {
            EXPECT_EQ(event.Wait(20ms), expected) << c.name;
        }
    }
    AutoResetEvent event;
    std::thread setter([&] {
        std::this_thread::sleep_for(20ms);
        event.Set();
    });
    EXPECT_TRUE(event.Wait(10s));
    setter.join();
}

class OrderHandler final : public MidiNoticeHandler {
public:
    void CaptureEvent(std::uint32_t message) override { Add(std::to_string(message)); }
    void OnMidiOutDone(MidiHeader*) override { Add("out"); }
    void OnMidiInLongData(MidiHeader*) override { Add("in"); }
    void Add(const std::string& notice) {
        EXPECT_EQ(std::this_thread::get_id(), owner);
        seen.push_back(notice);
    }
    std::thread::id owner = std::this_thread::get_id();
    std::vector<std::string> seen;  // only touched on the owning thread
};

TEST(QueuedNotices, DeliversOnTheOwningThreadInPostedOrderUntilClosed) {
    OrderHandler handler;
    QueuedNotices notices(handler);
    MidiHeader header;
    std::vector<std::string> expected;
    std::thread poster([&] {
        for (std::uint32_t i = 0; i < 50; ++i) {
            notices.PostShortMessage(i);
            expected.push_back(std::to_string(i));
        }
        notices.PostOutputDone(&header);
        notices.PostInputLongData(&header);
    });
    poster.join();
    expected.insert(expected.end(), {"out", "in"});
    ASSERT_TRUE(PumpUntil([&] { return handler.seen.size() == 52; }));
    EXPECT_EQ(handler.seen, expected);

    notices.PostShortMessage(1);
    notices.Close();
    notices.PostShortMessage(2);
    QTest::qWait(50);
    EXPECT_EQ(handler.seen.size(), 52u);
}

TEST(CompositeMidiService, ListsBackendsInOrderAndOpensOnTheOwningOne) {
    auto platform = std::make_unique<FakeService>(std::vector<FakeDevice>{{"A"}, {"B"}});
    auto* fake = platform.get();
    auto assembled = AssembleMidiService(std::move(platform), false);
    auto& service = *assembled.service;

    ASSERT_EQ(service.OutGetNumDevs(), 3u);
    std::vector<std::string> names(3);
    for (unsigned device = 0; device < 3; ++device) {
        EXPECT_EQ(service.OutGetDevCaps(device, names[device]), MidiError::kNoError);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"A", "B", "Tessel Virtual JD-800"}));
    EXPECT_EQ(service.InGetDevCaps(3, names[0]), MidiError::kBadDeviceId);

    OrderHandler handler;
    QueuedNotices notices(handler);
    std::unique_ptr<MidiOutPort> out;
    EXPECT_EQ(service.OutOpen(out, 1, notices), MidiError::kNoError);
    EXPECT_EQ(fake->Events(), std::vector<std::string>{"out-open:1"});
    EXPECT_EQ(service.OutOpen(out, 2, notices), MidiError::kNoError);
    EXPECT_EQ(fake->Events(), std::vector<std::string>{"out-close"});
    out->ShortMsg(0x3C90);
    assembled.virtualInstrument->Instrument().WaitIdle(10s);
    EXPECT_EQ(assembled.virtualInstrument->Instrument().ReceivedLog().size(), 1u);
}

}  // namespace
}  // namespace tessel::midi::testing
