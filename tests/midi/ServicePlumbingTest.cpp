// The MIDI service plumbing: the cable-time scheduler, the auto-reset event, the queued
// notices and the composite service.
#include <gtest/gtest.h>

#include "midi/service/AutoResetEvent.h"
#include "midi/service/WireScheduler.h"
#include "tests/midi/MidiTestSupport.h"

namespace tessel::midi::testing {
namespace {

using Clock = WireScheduler::Clock;

TEST(WireScheduler, CountsCableTimeFromTheEndOfThePreviousMessage) {
    WireScheduler timed(true);
    const auto before = Clock::now();
    const auto first = timed.Reserve(100);
    EXPECT_GE(first - before, 32ms);
    EXPECT_EQ(timed.Reserve(10) - first, WireScheduler::kByteTime * 10);
    WireScheduler untimed(false);
    EXPECT_LT(untimed.Reserve(100000) - Clock::now(), 1s);
}

TEST(WireScheduler, RunsActionsInTimeOrderResetRunsThemAtOnceAndDestructionDropsThem) {
    std::vector<int> order;  // the scheduler's thread writes, Drain orders the read
    std::atomic<int> late{0};
    {
        WireScheduler wire(true);
        const auto base = Clock::now() + 30ms;
        wire.At(base + 20ms, [&] { order.push_back(3); });
        wire.At(base, [&] { order.push_back(1); });
        wire.At(base, [&] { order.push_back(2); });
        wire.At(base - 1h, [&] { order.push_back(0); });
        wire.Drain();
        EXPECT_EQ(order, (std::vector<int>{0, 1, 2, 3}));

        wire.At(wire.Reserve(31250 * 60), [&] { ++late; });  // a minute of cable time
        wire.RunPendingNow();
        EXPECT_EQ(late, 1);
        EXPECT_LT(wire.Reserve(1) - Clock::now(), 1s);  // the reserved time is forgotten
        wire.At(Clock::now() + 1h, [&] { ++late; });
    }
    EXPECT_EQ(late, 1);
}

TEST(AutoResetEvent, OnlyASetEndsAWaitAndEachSetEndsOne) {
    const std::pair<int, std::vector<bool>> cases[] = {
        {0, {false}}, {1, {true, false}}, {2, {true, false}}};
    for (const auto& [sets, waits] : cases) {
        AutoResetEvent event;
        for (int i = 0; i < sets; ++i) {
            event.Set();
        }
        for (const bool expected : waits) {
            EXPECT_EQ(event.Wait(20ms), expected) << sets << " sets";
        }
    }
}

struct OrderHandler final : MidiNoticeHandler {
    void CaptureEvent(std::uint32_t message, ArrivalTime) override { Add(std::to_string(message)); }
    void OnMidiOutDone(MidiHeader*) override { Add("out"); }
    void OnMidiInLongData(MidiHeader*) override { Add("in"); }
    void Add(const std::string& notice) {
        EXPECT_EQ(std::this_thread::get_id(), owner);
        seen.push_back(notice);
    }
    std::thread::id owner = std::this_thread::get_id();
    Texts seen;
};

TEST(QueuedNotices, DeliversOnTheOwningThreadInPostedOrderUntilClosed) {
    OrderHandler handler;
    QueuedNotices notices(handler);
    MidiHeader header;
    Texts expected;
    std::thread poster([&] {
        for (std::uint32_t i = 0; i < 50; ++i) {
            notices.PostShortMessage(i, {});
            expected.push_back(std::to_string(i));
        }
        notices.PostOutputDone(&header);
        notices.PostInputLongData(&header);
    });
    poster.join();
    expected.insert(expected.end(), {"out", "in"});
    ASSERT_TRUE(PumpUntil([&] { return handler.seen.size() == 52; }));
    EXPECT_EQ(handler.seen, expected);

    notices.PostShortMessage(1, {});
    notices.Close();
    notices.PostShortMessage(2, {});
    QTest::qWait(50);
    EXPECT_EQ(handler.seen.size(), 52u);
}

TEST(CompositeMidiService, ListsBackendsInOrderAndOpensOnTheOwningOne) {
    auto platform = std::make_unique<FakeService>(std::vector<FakeDevice>{{"A"}, {"B"}});
    auto& fake = *platform;
    auto assembled = AssembleMidiService(std::move(platform), false);
    auto& service = *assembled.service;
    ASSERT_EQ(service.OutGetNumDevs(), 3u);
    Texts names(3);
    for (unsigned device = 0; device < 3; ++device) {
        EXPECT_EQ(service.OutGetDevCaps(device, names[device]), MidiError::kNoError);
    }
    EXPECT_EQ(names, (Texts{"A", "B", "Tessel Virtual JD-800"}));
    EXPECT_EQ(service.InGetDevCaps(3, names[0]), MidiError::kBadDeviceId);

    OrderHandler handler;
    QueuedNotices notices(handler);
    std::unique_ptr<MidiOutPort> out;
    EXPECT_EQ(service.OutOpen(out, 1, notices), MidiError::kNoError);
    EXPECT_EQ(fake.Events(), Texts{"out-open:1"});
    EXPECT_EQ(service.OutOpen(out, 2, notices), MidiError::kNoError);
    EXPECT_EQ(fake.Events(), Texts{"out-close"});
    out->ShortMsg(0x3C90);
    auto& instrument = assembled.virtualInstrument->Instrument();
    ASSERT_TRUE(instrument.WaitIdle(10s));
    EXPECT_EQ(instrument.ReceivedLog().size(), 1u);
}

}  // namespace
}  // namespace tessel::midi::testing
