// The MIDI service plumbing: the queued notices and the composite service. The cable-time
// scheduler is seen in the transfers with wire timing and on JACK.
#include <gtest/gtest.h>

#include "midi/service/CompositeMidiService.h"
#include "tests/midi/MidiTestSupport.h"

namespace tessel::midi::testing {
namespace {

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

// Nothing is delivered once closed, not even what was posted before.
TEST(QueuedNotices, DeliversOnTheOwningThreadInPostedOrderUntilClosed) {
    OrderHandler handler;
    QueuedNotices notices(handler);
    Texts expected;
    RunOnWorker([&] {
        for (std::uint32_t i = 0; i < 50; ++i) {
            notices.PostShortMessage(i, {});
            expected.push_back(std::to_string(i));
        }
        notices.PostOutputDone(nullptr);
        notices.PostInputLongData(nullptr);
    });
    expected.insert(expected.end(), {"out", "in"});
    ASSERT_TRUE(QTest::qWaitFor([&] { return handler.seen.size() == 52; }));
    notices.PostShortMessage(1, {});
    notices.Close();
    notices.PostShortMessage(2, {});
    QTest::qWait(50);
    EXPECT_EQ(handler.seen, expected);
}

// An open of a device after the first backend's goes to the backend that lists it, renumbered.
TEST(CompositeMidiService, OpensOnTheBackendThatListsTheDevice) {
    auto composite = std::make_unique<CompositeMidiService>();
    composite->Add(std::make_unique<FakeService>(std::vector<FakeDevice>{{"A"}, {"B"}}));
    auto& second = static_cast<FakeService&>(
        composite->Add(std::make_unique<FakeService>(std::vector<FakeDevice>{{"C"}})));
    MidiRig rig(std::move(composite));
    rig.Store("<none>", "C");
    rig.ports.ApplyMidiSettings();
    EXPECT_EQ(second.Events(), (Texts{"out-open:0", "out-reset"}));
}

}  // namespace
}  // namespace tessel::midi::testing
