// The MIDI service plumbing: the cable-time scheduler, the auto-reset event, the queued
// notices and the composite service.
#include <set>

#include <gtest/gtest.h>

#include "midi/service/AutoResetEvent.h"
#include "midi/service/CompositeMidiService.h"
#include "midi/service/WireScheduler.h"
#include "tests/midi/MidiTestSupport.h"

namespace tessel::midi::testing {
namespace {

using Clock = WireScheduler::Clock;

TEST(WireScheduler, ReservationsFollowEachOtherAtMidiSpeed) {
    WireScheduler wire(true);
    const auto before = Clock::now();
    const auto first = wire.Reserve(100);
    const auto second = wire.Reserve(10);
    EXPECT_GE(first - before, 32ms);
    EXPECT_EQ(second - first, WireScheduler::kByteTime * 10);
}

TEST(WireScheduler, WithoutWireTimingEverythingIsDueAtOnce) {
    WireScheduler wire(false);
    const auto before = Clock::now();
    EXPECT_LT(wire.Reserve(100000) - before, 1s);
    EXPECT_LT(wire.Reserve(100000) - before, 1s);
}

TEST(WireScheduler, RunsActionsInTimeOrderAndEqualTimesInCallOrder) {
    WireScheduler wire(true);
    std::mutex lock;
    std::vector<int> order;
    const auto base = Clock::now() + 30ms;
    const auto record = [&](int n) {
        return [&, n] {
            std::lock_guard guard(lock);
            order.push_back(n);
        };
    };
    wire.At(base + 20ms, record(3));
    wire.At(base, record(1));
    wire.At(base, record(2));
    wire.At(base - 1h, record(0));
    wire.Drain();
    EXPECT_EQ(order, (std::vector<int>{0, 1, 2, 3}));
}

TEST(WireScheduler, RunPendingNowRunsEverythingAndForgetsTheCableTime) {
    WireScheduler wire(true);
    std::atomic<int> ran{0};
    const auto far = wire.Reserve(31250 * 60);  // a minute of cable time
    wire.At(far, [&] { ++ran; });
    wire.At(far, [&] { ++ran; });
    wire.RunPendingNow();
    EXPECT_EQ(ran, 2);
    EXPECT_LT(wire.Reserve(1) - Clock::now(), 1s);
}

TEST(WireScheduler, DestructionDropsPendingActions) {
    std::atomic<int> ran{0};
    const auto start = Clock::now();
    {
        WireScheduler wire(true);
        wire.At(Clock::now() + 1h, [&] { ++ran; });
    }
    EXPECT_EQ(ran, 0);
    EXPECT_LT(Clock::now() - start, 5s);
}

TEST(AutoResetEvent, SetReleasesOneWaitOnly) {
    struct Case {
        const char* name;
        int sets;
        std::vector<bool> waits;
    };
    const Case cases[] = {
        {"unset times out", 0, {false}},
        {"set before the wait stays until it", 1, {true, false}},
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
}

TEST(AutoResetEvent, SetFromAnotherThreadEndsTheWait) {
    AutoResetEvent event;
    std::thread setter([&] {
        std::this_thread::sleep_for(20ms);
        event.Set();
    });
    EXPECT_TRUE(event.Wait(10s));
    setter.join();
}

class RecordingHandler final : public MidiNoticeHandler {
public:
    void CaptureEvent(std::uint32_t message) override { Add("short", message); }
    void OnMidiOutDone(MidiHeader*) override { Add("out", 0); }
    void OnMidiInLongData(MidiHeader*) override { Add("in", 0); }
    void Add(const std::string& kind, std::uint32_t value) {
        EXPECT_EQ(std::this_thread::get_id(), owner);
        std::lock_guard lock(lock_);
        seen.push_back(kind + ":" + std::to_string(value));
    }
    std::size_t Count() {
        std::lock_guard lock(lock_);
        return seen.size();
    }
    std::thread::id owner = std::this_thread::get_id();
    std::mutex lock_;
    std::vector<std::string> seen;
};

TEST(QueuedNotices, DeliversOnTheOwningThreadInPostedOrder) {
    RecordingHandler handler;
    QueuedNotices notices(handler);
    MidiHeader header;
    std::thread poster([&] {
        for (std::uint32_t i = 0; i < 50; ++i) {
            notices.PostShortMessage(i);
        }
        notices.PostOutputDone(&header);
        notices.PostInputLongData(&header);
    });
    poster.join();
    ASSERT_TRUE(PumpUntil([&] { return handler.Count() == 52; }));
    for (std::uint32_t i = 0; i < 50; ++i) {
        EXPECT_EQ(handler.seen[i], "short:" + std::to_string(i));
    }
    EXPECT_EQ(handler.seen[50], "out:0");
    EXPECT_EQ(handler.seen[51], "in:0");
}

TEST(QueuedNotices, NothingIsDeliveredAfterClose) {
    RecordingHandler handler;
    QueuedNotices notices(handler);
    notices.PostShortMessage(1);
    notices.Close();
    notices.PostShortMessage(2);
    QTest::qWait(50);
    EXPECT_TRUE(handler.seen.empty());
}

// A backend whose device names are given.
class NamedDevices final : public MidiService {
public:
    explicit NamedDevices(std::vector<std::string> names) : names_(std::move(names)) {}
    unsigned InGetNumDevs() override { return static_cast<unsigned>(names_.size()); }
    unsigned OutGetNumDevs() override { return static_cast<unsigned>(names_.size()); }
    MidiResult InGetDevCaps(unsigned device, std::string& name) override {
        return OutGetDevCaps(device, name);
    }
    MidiResult OutGetDevCaps(unsigned device, std::string& name) override {
        if (device >= names_.size()) {
            return MidiError::kBadDeviceId;
        }
        name = names_[device];
        return MidiError::kNoError;
    }
    MidiResult InOpen(std::unique_ptr<MidiInPort>&, unsigned device, MidiNoticeTarget&) override {
        opened.push_back(device);
        return MidiError::kNoDriver;
    }
    MidiResult OutOpen(std::unique_ptr<MidiOutPort>&, unsigned device, MidiNoticeTarget&) override {
        opened.push_back(device);
        return MidiError::kNoDriver;
    }
    std::vector<unsigned> opened;

private:
    std::vector<std::string> names_;
};

TEST(CompositeMidiService, ListsBackendsInOrderAndOpensOnTheOwningOne) {
    auto first = std::make_unique<NamedDevices>(std::vector<std::string>{"A", "B"});
    auto second = std::make_unique<NamedDevices>(std::vector<std::string>{"C"});
    auto* firstBackend = first.get();
    auto* secondBackend = second.get();
    CompositeMidiService service;
    service.Add(std::move(first));
    service.Add(std::move(second));
    service.Add(std::make_unique<VirtualMidiService>(false));

    ASSERT_EQ(service.OutGetNumDevs(), 4u);
    std::vector<std::string> names;
    for (unsigned device = 0; device < 4; ++device) {
        std::string name;
        EXPECT_EQ(service.OutGetDevCaps(device, name), MidiError::kNoError);
        names.push_back(name);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"A", "B", "C", kVirtualDeviceName}));

    RecordingHandler handler;
    QueuedNotices notices(handler);
    std::unique_ptr<MidiOutPort> out;
    service.OutOpen(out, 2, notices);
    EXPECT_TRUE(firstBackend->opened.empty());
    EXPECT_EQ(secondBackend->opened, std::vector<unsigned>{0});
    EXPECT_EQ(service.OutOpen(out, 3, notices), MidiError::kNoError);
    EXPECT_NE(out, nullptr);
    std::string name;
    EXPECT_EQ(service.InGetDevCaps(4, name), MidiError::kBadDeviceId);
}

TEST(MidiServiceTexts, EveryCodeHasItsOwnPlainText) {
    NamedDevices service({});
    EXPECT_EQ(service.OutGetErrorText(MidiError::kInvalidHandle), "No MIDI output port is open.");
    EXPECT_EQ(service.InGetErrorText(MidiError::kInvalidHandle), "No MIDI input port is open.");
    std::set<std::string> texts;
    for (const MidiResult code :
         {MidiError::kError, MidiError::kBadDeviceId, MidiError::kAllocated,
          MidiError::kInvalidHandle, MidiError::kNoDriver, MidiError::kNoMemory,
          MidiError::kInvalidParameter, MidiError::kUnprepared, MidiError::kStillPlaying,
          MidiError::kNotReady, MidiError::kTooLong, MidiResult{999}}) {
        EXPECT_TRUE(texts.insert(service.OutGetErrorText(code)).second) << code;
        EXPECT_LT(service.OutGetErrorText(code).size(), 256u);
    }
}

}  // namespace
}  // namespace tessel::midi::testing
