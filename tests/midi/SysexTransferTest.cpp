// The System Exclusive transfer against the virtual instrument: the one outgoing block, the
// one input buffer, the completion events and the messages the user sees.
#include <gtest/gtest.h>

#include "midi/virtual/DemoBank.h"
#include "tests/midi/MidiTestSupport.h"

namespace tessel::midi::testing {
namespace {

const std::string kNotResponding =
    "Your MIDI instrument doesn't seem to be responding.\nMake sure that all MIDI cables are "
    "connected correctly and the correct input and ouput ports have been chosen";

TEST(SysexTransfer, WithoutPortsNothingGoesOutAndTheBlockHasOneHolderAtATime) {
    MidiRig rig;
    EXPECT_FALSE(SendBuilt(rig.sysex, RequestFor(0)) || rig.sysex.QueueReceiveBuffer());
    EXPECT_EQ(Messages(rig.prompts),
              (Texts{"No MIDI output port is open.", "No MIDI input port is open."}));
    ASSERT_TRUE(rig.sysex.TakeSysexBlock(13));
    bool elsewhere = true;
    std::thread([&] { elsewhere = rig.sysex.TakeSysexBlock(13); }).join();
    EXPECT_FALSE(elsewhere || rig.sysex.TakeSysexBlock(13));
    rig.sysex.ReleaseSysexBlock();
    EXPECT_TRUE(rig.sysex.TakeSysexBlock(13));
    rig.sysex.ReleaseSysexBlock();
}

// The whole memory once with device ID 8, then replies shorter and longer than the buffer.
TEST(SysexTransfer, EveryReplyIsReportedWithItsLengthUpToTheBuffer) {
    const std::tuple<std::optional<std::size_t>, std::size_t, int> cases[] = {
        {std::nullopt, 266, 96}, {100, 100, 2}, {3000, 2048, 2}};
    for (const auto& [replySize, reported, requests] : cases) {
        MidiRig rig(false, 2000ms);
        rig.UseVirtualPorts(1, 8);
        rig.Instrument().SetReplySize(replySize);
        Bytes received;
        RunReceive(rig, [&] {
            for (int k = 0; k < requests; ++k) {
                Bytes reply;
                ASSERT_EQ(RequestAndWait(rig.sysex, k, rig.ports.DeviceByte(), &reply), reported);
                ASSERT_EQ(reply.size(), reported);
                ASSERT_EQ(reply[2], 0x07);  // the device byte asked with
                received.insert(received.end(), reply.begin(), reply.end());
            }
        });
        EXPECT_TRUE(Messages(rig.prompts).empty());
        EXPECT_TRUE(replySize || received == DemoBankDump(0x07));
    }
}

// A reply too late is not taken for the next one; a reply before the wait is not lost.
TEST(SysexTransfer, RepliesCountOnlyForTheirOwnRequest) {
    MidiRig rig(false, 300ms);
    rig.UseVirtualPorts();
    rig.Instrument().SetReplyDelay(500ms);
    std::optional<std::size_t> first{0}, third;
    bool released = false;
    Bytes second;
    RunReceive(rig, [&] {
        ASSERT_TRUE(rig.sysex.QueueReceiveBuffer() && SendBuilt(rig.sysex, RequestFor(0)));
        first = rig.sysex.WaitReceiveBuffer();
        released = rig.sysex.ReleaseReceiveBuffer() && !rig.sysex.HasReceiveBuffer();
        rig.Instrument().WaitIdle(10s);         // the late answer arrives with no buffer queued
        rig.Instrument().SetReplyDelay(100ms);  // in time, but after the wait has begun
        rig.ports.StartMidiIn();                // the release reset, and so stopped, the input
        RequestAndWait(rig.sysex, 1, 0x10, &second);
        rig.Instrument().SetReplyDelay(0ms);
        ASSERT_TRUE(rig.sysex.QueueReceiveBuffer() && SendBuilt(rig.sysex, RequestFor(3)));
        rig.Instrument().WaitIdle(10s);
        std::this_thread::sleep_for(100ms);  // the reply and its notice come and go first
        third = rig.sysex.WaitReceiveBuffer();
        rig.sysex.ReleaseReceiveBuffer();
    });
    EXPECT_EQ(first, std::nullopt);
    EXPECT_EQ(third, 266u);
    EXPECT_TRUE(released);
    ASSERT_EQ(second.size(), 266u);
    EXPECT_EQ(second[6], 0x02);  // address 05 02 00: the answer to the second request
    EXPECT_EQ(Messages(rig.prompts), Texts{kNotResponding});
}

// A message longer than the data area is sent from the caller's bytes, never built in the area;
// a time-out far shorter than its 1.6 s on the cable frees the block for the next message.
// While a transfer runs, another thread's send is refused, even with the block free. Only a
// transfer's worker waits for its blocks: each message of the temporary patch is 65 ms on the
// cable, so a send from the window that waited would time out after 50 ms.
TEST(SysexTransfer, LongMessagesTimeOutsAndOnlyTheTransfersWorkerSendsAndWaits) {
    MidiRig rig(true, 50ms);
    rig.UseVirtualPorts();
    Bytes big(5000, 0x11);
    big.front() = 0xF0;
    big.back() = 0xF7;
    bool unbuilt = true, first = true, elsewhere = true;
    RunOnWorker([&] {
        ASSERT_TRUE(rig.sysex.BeginTransfer() && rig.sysex.TakeSysexBlock(big.size()));
        unbuilt = !rig.sysex.BlockData().empty() || rig.sysex.SendSysexBlock();
        ASSERT_TRUE(rig.sysex.TakeSysexBlock(big.size()));
        rig.sysex.PointBlockAt(big);
        first = rig.sysex.SendSysexBlock() || rig.sysex.IsBlockTaken();
        std::thread([&] {
            elsewhere = rig.sysex.BeginTransfer() || SendBuilt(rig.sysex, RequestFor(0));
        }).join();
        rig.sysex.EndTransfer();
    });
    EXPECT_FALSE(unbuilt || first || elsewhere);
    EXPECT_EQ(Messages(rig.prompts), Texts{kNotResponding});
    for (const Bytes& message : format::BuildTemporaryPatchWrite(0x10, DemoBankRecords()[5])) {
        EXPECT_TRUE(SendBuilt(rig.sysex, message));
    }
    ASSERT_TRUE(rig.Instrument().WaitIdle(10s));
    EXPECT_EQ(rig.Instrument().TemporaryPatch(), DemoBankRecords()[5]);
    EXPECT_EQ(Messages(rig.prompts), Texts{kNotResponding});
    const auto log = rig.Instrument().ReceivedLog();
    ASSERT_EQ(log.size(), 3u);
    EXPECT_EQ(log[0].bytes, big);  // the caller's bytes were intact when they left
}

struct FailingMemory final : SysexBlockMemory {
    std::unique_ptr<SysexBlock> Allocate() override {
        return fail == "alloc" ? nullptr : SysexBlockMemory::Allocate();
    }
    bool Lock(SysexBlock&) override { return fail != "Lock"; }
    bool Free(SysexBlock&) override { return fail != "free"; }
    std::string fail;
};

TEST(SysexTransfer, MemoryFailuresShowTheirTextAndLeaveTheBlockFree) {
    for (const std::string fail : {"alloc", "Lock", "free"}) {
        MidiRig rig;
        auto memory = std::make_shared<FailingMemory>();
        memory->fail = fail;
        SysexTransfer sysex(rig.ports, rig.prompts, 400ms, memory);
        if (sysex.TakeSysexBlock(13)) {
            sysex.ReleaseSysexBlock();
        }
        EXPECT_EQ(Messages(rig.prompts), Texts{"Unable to " + fail + " memory block"});
        memory->fail.clear();
        EXPECT_TRUE(sysex.TakeSysexBlock(13)) << fail;
        sysex.ReleaseSysexBlock();
    }
}

}  // namespace
}  // namespace tessel::midi::testing
