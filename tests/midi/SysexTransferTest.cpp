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

Bytes Exclusive(std::size_t length) {
    Bytes message(length, 0x11);
    message.front() = 0xF0;
    message.back() = 0xF7;
    return message;
}

TEST(SysexTransfer, TheBlockHasOneHolderAndTheEventsOneOwnerAtATime) {
    MidiRig rig;
    rig.UseVirtualPorts();
    ASSERT_TRUE(rig.sysex.TakeSysexBlock(13));
    EXPECT_FALSE(rig.sysex.TakeSysexBlock(13));
    bool takenElsewhere = true;
    std::thread([&] { takenElsewhere = rig.sysex.TakeSysexBlock(13); }).join();
    EXPECT_FALSE(takenElsewhere);
    rig.sysex.ReleaseSysexBlock();
    EXPECT_TRUE(rig.sysex.TakeSysexBlock(13));
    rig.sysex.ReleaseSysexBlock();

    ASSERT_TRUE(rig.sysex.BeginTransfer());
    bool secondBegin = true;
    std::thread([&] {
        secondBegin = rig.sysex.BeginTransfer();
        rig.sysex.EndTransfer();
    }).join();
    EXPECT_FALSE(secondBegin);
    EXPECT_TRUE(rig.sysex.TransferRunning());
    rig.sysex.EndTransfer();
    EXPECT_FALSE(rig.sysex.TransferRunning());
    rig.sysex.OnMidiOutDone();  // no events now: nothing to set
    rig.sysex.OnMidiInLongData();
    EXPECT_TRUE(Messages(rig.prompts).empty());
}

TEST(SysexTransfer, AWindowThreadSendDoesNotWaitAndReachesTheInstrument) {
    // Each message is 65 ms on the cable: a send that waited would time out after 50 ms.
    MidiRig rig(true, 50ms);
    rig.UseVirtualPorts();
    const auto write = format::BuildTemporaryPatchWrite(0x10, DemoBankRecords()[5]);
    EXPECT_TRUE(SendBuilt(rig.sysex, write[0]));
    EXPECT_TRUE(SendBuilt(rig.sysex, write[1]));
    ASSERT_TRUE(rig.Instrument().WaitIdle(10s));
    EXPECT_EQ(rig.Instrument().TemporaryPatch(), DemoBankRecords()[5]);
    EXPECT_FALSE(rig.sysex.IsBlockTaken());
    EXPECT_TRUE(Messages(rig.prompts).empty());
}

TEST(SysexTransfer, WithNoPortsSendAndQueueFailWithTheNoPortTexts) {
    MidiRig rig;
    EXPECT_FALSE(SendBuilt(rig.sysex, RequestFor(0)));
    EXPECT_FALSE(rig.sysex.IsBlockTaken());
    EXPECT_FALSE(rig.sysex.QueueReceiveBuffer());
    EXPECT_FALSE(rig.sysex.HasReceiveBuffer());
    EXPECT_EQ(Messages(rig.prompts),
              (Texts{"No MIDI output port is open.", "No MIDI input port is open."}));
}

TEST(SysexTransfer, EveryReplyIsReportedWithItsLengthUpToTheBuffer) {
    const std::pair<std::optional<std::size_t>, std::size_t> cases[] = {
        {std::nullopt, 266}, {100, 100}, {3000, 2048}};
    for (const auto& [replySize, reported] : cases) {
        MidiRig rig(false, 2000ms);
        rig.UseVirtualPorts(1, 8);
        rig.Instrument().SetReplySize(replySize);
        Bytes received;
        const int requests = replySize ? 2 : 96;  // the whole memory once
        RunReceive(rig, [&] {
            for (int k = 0; k < requests; ++k) {
                Bytes reply;
                ASSERT_EQ(RequestAndWait(rig.sysex, k, rig.ports.DeviceByte(), &reply), reported);
                ASSERT_EQ(reply.size(), reported);
                ASSERT_EQ(reply[2], 0x07);  // the device byte asked with
                received.insert(received.end(), reply.begin(), reply.end());
            }
        });
        EXPECT_EQ(received.size(), requests * reported);
        EXPECT_TRUE(Messages(rig.prompts).empty());
        if (!replySize) {
            EXPECT_EQ(received, DemoBankDump(0x07));
        }
    }
}

TEST(SysexTransfer, AReplyBeforeTheWaitIsNotLost) {
    MidiRig rig;
    rig.UseVirtualPorts();
    std::optional<std::size_t> received;
    RunReceive(rig, [&] {
        ASSERT_TRUE(rig.sysex.QueueReceiveBuffer());
        ASSERT_TRUE(SendBuilt(rig.sysex, RequestFor(3)));
        // The reply and its notice come and go before the wait starts.
        rig.Instrument().WaitIdle(10s);
        std::this_thread::sleep_for(100ms);
        received = rig.sysex.WaitReceiveBuffer();
        rig.sysex.ReleaseReceiveBuffer();
    });
    EXPECT_EQ(received, 266u);
}

TEST(SysexTransfer, AReplyTooLateTimesOutAndIsNotTakenForTheNextOne) {
    MidiRig rig(false, 300ms);
    rig.UseVirtualPorts();
    rig.Instrument().SetReplyDelay(500ms);
    std::optional<std::size_t> first{0};
    bool released = false;
    Bytes second;
    RunReceive(rig, [&] {
        ASSERT_TRUE(rig.sysex.QueueReceiveBuffer());
        ASSERT_TRUE(SendBuilt(rig.sysex, RequestFor(0)));
        first = rig.sysex.WaitReceiveBuffer();
        released = rig.sysex.ReleaseReceiveBuffer() && !rig.sysex.HasReceiveBuffer();
        rig.Instrument().WaitIdle(10s);         // the late answer arrives with no buffer queued
        rig.Instrument().SetReplyDelay(100ms);  // in time, but after the wait has begun
        rig.ports.StartMidiIn();                // the release reset, and so stopped, the input
        RequestAndWait(rig.sysex, 1, 0x10, &second);
    });
    EXPECT_EQ(first, std::nullopt);
    EXPECT_TRUE(released);
    ASSERT_EQ(second.size(), 266u);
    EXPECT_EQ(second[6], 0x02);  // address 05 02 00: the answer to the second request
    EXPECT_EQ(Messages(rig.prompts), Texts{kNotResponding});
}

TEST(SysexTransfer, AnOutputTimeOutFreesTheBlockForTheNextMessage) {
    // A time-out far shorter than the 2000-byte message's 640 ms on the cable.
    MidiRig rig(true, 50ms);
    rig.UseVirtualPorts();
    const Bytes big = Exclusive(2000);
    bool first = true;
    bool taken = true;
    bool second = false;
    RunOnWorker([&] {
        ASSERT_TRUE(rig.sysex.BeginTransfer());
        first = SendBuilt(rig.sysex, big);
        taken = rig.sysex.IsBlockTaken();
        rig.sysex.EndTransfer();
        second = SendBuilt(rig.sysex, RequestFor(0));
    });
    EXPECT_FALSE(first);
    EXPECT_FALSE(taken);
    EXPECT_TRUE(second);
    EXPECT_EQ(Messages(rig.prompts), Texts{kNotResponding});
    ASSERT_TRUE(rig.Instrument().WaitIdle(10s));
    const auto log = rig.Instrument().ReceivedLog();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[0].bytes, big);  // the block's bytes were intact when they left
}

TEST(SysexTransfer, AWindowSendDuringATransferIsRefusedAndTheTransferGoesOn) {
    MidiRig rig(true, 2000ms);
    rig.UseVirtualPorts();
    std::atomic<int> progress{0};
    std::atomic<int> windowTries{0};
    bool allSent = true;
    std::thread worker([&] {
        EXPECT_TRUE(rig.sysex.BeginTransfer());
        ++progress;
        while (windowTries == 0) {
            std::this_thread::sleep_for(1ms);
        }
        for (int i = 0; i < 4; ++i) {
            const auto data = Bytes(256, std::uint8_t(i));
            allSent &=
                SendBuilt(rig.sysex, format::BuildDt1(0x10, format::kPatchMemoryAddress, data));
            ++progress;
        }
        rig.sysex.EndTransfer();
    });
    // Before the worker takes the block at all, and while its messages go out.
    std::vector<bool> windowSends;
    for (const int stage : {1, 3}) {
        PumpUntil([&] { return progress >= stage; });
        windowSends.push_back(SendBuilt(rig.sysex, RequestFor(0)));
        ++windowTries;
    }
    PumpUntil([&] { return progress == 5; });
    worker.join();
    EXPECT_EQ(windowSends, (std::vector<bool>{false, false}));
    EXPECT_TRUE(allSent);
    EXPECT_TRUE(Messages(rig.prompts).empty());
    ASSERT_TRUE(rig.Instrument().WaitIdle(10s));
    EXPECT_EQ(rig.Instrument().ReceivedLog().size(), 4u);
    EXPECT_EQ(rig.Instrument().PatchMemory()[0], 3);
}

TEST(SysexTransfer, MessagesLongerThanTheAreaAreNeverBuiltInIt) {
    MidiRig rig;
    rig.UseVirtualPorts();
    const Bytes file = Exclusive(5000);
    ASSERT_TRUE(rig.sysex.TakeSysexBlock(file.size()));
    EXPECT_TRUE(rig.sysex.BlockData().empty());
    EXPECT_FALSE(rig.sysex.SendSysexBlock());  // not pointed anywhere: nothing goes out
    EXPECT_FALSE(rig.sysex.IsBlockTaken());

    ASSERT_TRUE(rig.sysex.TakeSysexBlock(file.size()));
    rig.sysex.PointBlockAt(file);
    EXPECT_EQ(rig.sysex.BlockHeader().bufferLength, 5000u);
    EXPECT_TRUE(rig.sysex.SendSysexBlock());
    ASSERT_TRUE(rig.Instrument().WaitIdle(10s));
    const auto log = rig.Instrument().ReceivedLog();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].bytes, file);

    ASSERT_TRUE(rig.sysex.TakeSysexBlock(2048));
    EXPECT_EQ(rig.sysex.BlockData().size(), 2048u);
    rig.sysex.ReleaseSysexBlock();
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
        rig.UseVirtualPorts();
        auto memory = std::make_shared<FailingMemory>();
        memory->fail = fail;
        SysexTransfer sysex(rig.ports, rig.prompts, 400ms, memory);
        rig.forwarder.sysex = &sysex;
        RunOnWorker([&] {
            ASSERT_TRUE(sysex.BeginTransfer());
            EXPECT_EQ(SendBuilt(sysex, RequestFor(0)), fail == "free") << fail;
            sysex.EndTransfer();
        });
        EXPECT_EQ(Messages(rig.prompts), Texts{"Unable to " + fail + " memory block"});
        EXPECT_FALSE(sysex.IsBlockTaken()) << fail;
        memory->fail.clear();
        EXPECT_TRUE(sysex.TakeSysexBlock(13)) << fail;
        sysex.ReleaseSysexBlock();
        rig.forwarder.sysex = &rig.sysex;
    }
}

TEST(SysexTransfer, ClosingReleasesAHeldBufferSilentlyAndEndsTheWorkersWait) {
    MidiRig rig(false, 20s);
    rig.UseVirtualPorts();
    rig.Instrument().SetSilent(true);
    std::atomic<bool> waiting{false};
    std::optional<std::size_t> received{1};
    std::thread worker([&] {
        EXPECT_TRUE(rig.sysex.BeginTransfer());
        rig.ports.StartMidiIn();
        EXPECT_TRUE(rig.sysex.QueueReceiveBuffer());
        EXPECT_TRUE(SendBuilt(rig.sysex, RequestFor(0)));
        waiting = true;
        received = rig.sysex.WaitReceiveBuffer();
        rig.sysex.EndTransfer();
    });
    PumpUntil([&] { return waiting.load(); });
    QTest::qWait(50);
    const auto start = std::chrono::steady_clock::now();
    rig.sysex.AbortWaits();
    rig.sysex.ReleaseHeldReceiveBufferSilently();
    worker.join();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 2500ms);
    EXPECT_EQ(received, std::nullopt);
    EXPECT_FALSE(rig.sysex.HasReceiveBuffer());
    EXPECT_TRUE(Messages(rig.prompts).empty());
    EXPECT_FALSE(rig.sysex.TakeSysexBlock(13));
}

}  // namespace
}  // namespace tessel::midi::testing
