// The System Exclusive transfer against the virtual instrument: the one outgoing block, the
// one input buffer, the completion events and the messages the user sees.
#include <gtest/gtest.h>

#include "midi/virtual/DemoBank.h"
#include "tests/midi/MidiTestSupport.h"

namespace tessel::midi::testing {
namespace {

using Bytes = std::vector<std::uint8_t>;

bool SendBuilt(SysexTransfer& sysex, const Bytes& message) {
    if (!sysex.TakeSysexBlock(message.size())) {
        return false;
    }
    auto area = sysex.BlockData();
    std::copy(message.begin(), message.end(), area.begin());
    return sysex.SendSysexBlock();
}

// One request and its reply, as the receive worker makes them; the reply's byte count.
std::optional<std::size_t> RequestAndWait(SysexTransfer& sysex, int k,
                                          std::uint8_t deviceByte = 0x10, Bytes* reply = nullptr) {
    if (!sysex.QueueReceiveBuffer()) {
        return std::nullopt;
    }
    if (!SendBuilt(sysex, RequestFor(k, deviceByte))) {
        sysex.ReleaseReceiveBuffer();
        return std::nullopt;
    }
    const auto received = sysex.WaitReceiveBuffer();
    if (reply != nullptr) {
        *reply = sysex.ReceivedBytes();
    }
    sysex.ReleaseReceiveBuffer();
    return received;
}

// Runs `work` as a receive worker does: events of its own, the input started, then closed.
void RunReceive(MidiRig& rig, const std::function<void()>& work) {
    RunOnWorker([&] {
        ASSERT_TRUE(rig.sysex.BeginTransfer());
        rig.ports.StartMidiIn();
        work();
        rig.ports.CloseMidiIn();
        rig.sysex.EndTransfer();
    });
}

const std::string kNotResponding =
    "Your MIDI instrument doesn't seem to be responding.\nMake sure that all MIDI cables are "
    "connected correctly and the correct input and ouput ports have been chosen";

TEST(SysexTransfer, TheBlockHasOneHolderAtATime) {
    MidiRig rig;
    rig.UseVirtualPorts();
    ASSERT_TRUE(rig.sysex.TakeSysexBlock(13));
    EXPECT_FALSE(rig.sysex.TakeSysexBlock(13));
    bool takenElsewhere = true;
    std::thread other([&] { takenElsewhere = rig.sysex.TakeSysexBlock(13); });
    other.join();
    EXPECT_FALSE(takenElsewhere);
    rig.sysex.ReleaseSysexBlock();
    EXPECT_TRUE(rig.sysex.TakeSysexBlock(13));
    rig.sysex.ReleaseSysexBlock();
    EXPECT_TRUE(Messages(rig.prompts).empty());
}

TEST(SysexTransfer, AWindowThreadSendDoesNotWaitAndReachesTheInstrument) {
    MidiRig rig(true);
    rig.UseVirtualPorts();
    const auto write = format::BuildTemporaryPatchWrite(0x10, DemoBankRecords()[5]);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(SendBuilt(rig.sysex, write[0]));
    EXPECT_TRUE(SendBuilt(rig.sysex, write[1]));
    // 404 bytes are 129 ms on the cable; the window thread went on long before.
    EXPECT_LT(std::chrono::steady_clock::now() - start, 100ms);
    ASSERT_TRUE(rig.Instrument().WaitIdle(10s));
    EXPECT_EQ(rig.Instrument().TemporaryPatch(), DemoBankRecords()[5]);
    EXPECT_FALSE(rig.sysex.IsBlockTaken());
    EXPECT_TRUE(Messages(rig.prompts).empty());
}

TEST(SysexTransfer, WithNoPortsSendAndQueueFailWithTheInvalidPortTexts) {
    MidiRig rig;
    EXPECT_FALSE(SendBuilt(rig.sysex, RequestFor(0)));
    EXPECT_FALSE(rig.sysex.IsBlockTaken());
    EXPECT_FALSE(rig.sysex.QueueReceiveBuffer());
    EXPECT_FALSE(rig.sysex.HasReceiveBuffer());
    EXPECT_EQ(Messages(rig.prompts), (std::vector<std::string>{"No MIDI output port is open.",
                                                               "No MIDI input port is open."}));
    EXPECT_TRUE(rig.sysex.TakeSysexBlock(13));
    rig.sysex.ReleaseSysexBlock();
}

TEST(SysexTransfer, RepliesAreReportedWithTheirLength) {
    struct Case {
        const char* name;
        std::optional<std::size_t> replySize;
        std::size_t reported;
    };
    const Case cases[] = {
        {"right answer", std::nullopt, 266},
        {"short answer", 100, 100},
        {"answer longer than the buffer", 3000, 2048},
    };
    for (const auto& c : cases) {
        MidiRig rig;
        rig.UseVirtualPorts(1, 8);
        rig.Instrument().SetReplySize(c.replySize);
        std::optional<std::size_t> received;
        Bytes reply;
        RunReceive(
            rig, [&] { received = RequestAndWait(rig.sysex, 7, rig.ports.DeviceByte(), &reply); });
        EXPECT_EQ(received, c.reported) << c.name;
        EXPECT_EQ(reply.size(), c.reported) << c.name;
        EXPECT_TRUE(Messages(rig.prompts).empty()) << c.name;
        EXPECT_EQ(reply.at(2), 0x07) << c.name;  // the device byte asked with
        if (!c.replySize) {
            const auto demo = DemoBankDump(0x07);
            EXPECT_TRUE(std::equal(reply.begin(), reply.end(), demo.begin() + 7 * 266));
        }
    }
}

TEST(SysexTransfer, AReceiveOfTheWholeMemoryGivesTheDemoDump) {
    MidiRig rig(false, 2000ms);
    rig.UseVirtualPorts();
    Bytes received;
    RunReceive(rig, [&] {
        for (int k = 0; k < 96; ++k) {
            Bytes reply;
            ASSERT_EQ(RequestAndWait(rig.sysex, k, 0x10, &reply), 266u) << k;
            received.insert(received.end(), reply.begin(), reply.end());
        }
    });
    EXPECT_EQ(received, DemoBankDump());
    EXPECT_TRUE(Messages(rig.prompts).empty());
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

TEST(SysexTransfer, NoReplyTimesOutAndTheNextRequestWorks) {
    MidiRig rig(false, 300ms);
    rig.UseVirtualPorts();
    rig.Instrument().SetSilent(true);
    std::optional<std::size_t> first;
    std::optional<std::size_t> second;
    bool bufferGone = false;
    RunReceive(rig, [&] {
        first = RequestAndWait(rig.sysex, 0);
        bufferGone = !rig.sysex.HasReceiveBuffer();
        rig.Instrument().SetSilent(false);
        rig.ports.StartMidiIn();  // the release reset, and so stopped, the input
        second = RequestAndWait(rig.sysex, 1);
    });
    EXPECT_EQ(first, std::nullopt);
    EXPECT_TRUE(bufferGone);
    EXPECT_EQ(second, 266u);
    EXPECT_EQ(Messages(rig.prompts), std::vector<std::string>{kNotResponding});
}

TEST(SysexTransfer, ALateReplyIsNotTakenForTheNextOne) {
    MidiRig rig(false, 300ms);
    rig.UseVirtualPorts();
    rig.Instrument().SetReplyDelay(500ms);
    std::optional<std::size_t> first;
    Bytes secondReply;
    RunReceive(rig, [&] {
        first = RequestAndWait(rig.sysex, 0);
        rig.Instrument().WaitIdle(10s);  // the first answer arrives with no buffer queued
        rig.Instrument().SetReplyDelay(0ms);
        rig.ports.StartMidiIn();
        RequestAndWait(rig.sysex, 1, 0x10, &secondReply);
    });
    EXPECT_EQ(first, std::nullopt);
    ASSERT_EQ(secondReply.size(), 266u);
    EXPECT_EQ(secondReply[6], 0x02);  // address 05 02 00: the answer to the second request
}

TEST(SysexTransfer, AnOutputTimeOutFreesTheBlockForTheNextMessage) {
    // A time-out far shorter than the 2000-byte message's 640 ms on the cable.
    MidiRig rig(true, 50ms);
    rig.UseVirtualPorts();
    Bytes big(2000, 0x00);
    big.front() = 0xF0;
    big.back() = 0xF7;
    bool first = true;
    bool taken = false;
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
    EXPECT_EQ(Messages(rig.prompts), std::vector<std::string>{kNotResponding});
    ASSERT_TRUE(rig.Instrument().WaitIdle(10s));
    const auto log = rig.Instrument().ReceivedLog();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[0].bytes, big);  // the block's bytes were intact when they left
}

TEST(SysexTransfer, AWorkerSendWaitsForTheCable) {
    MidiRig rig(true, 2000ms);
    rig.UseVirtualPorts();
    const Bytes message = format::BuildDt1(0x10, format::kPatchMemoryAddress, Bytes(256, 1));
    std::chrono::steady_clock::duration took{};
    bool sent = true;
    RunOnWorker([&] {
        ASSERT_TRUE(rig.sysex.BeginTransfer());
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < 4 && sent; ++i) {
            sent = SendBuilt(rig.sysex, message);
        }
        took = std::chrono::steady_clock::now() - start;
        rig.sysex.EndTransfer();
    });
    EXPECT_TRUE(sent);
    // 4 x 266 bytes at 320 us: 340 ms on the cable; generous bounds around it.
    EXPECT_GE(took, 300ms);
    EXPECT_LT(took, 5s);
}

TEST(SysexTransfer, AWindowSendDuringATransferIsRefusedAndTheTransferGoesOn) {
    MidiRig rig(true, 2000ms);
    rig.UseVirtualPorts();
    std::atomic<int> progress{0};
    bool allSent = true;
    std::thread worker([&] {
        EXPECT_TRUE(rig.sysex.BeginTransfer());
        for (int i = 0; i < 6; ++i) {
            allSent = SendBuilt(rig.sysex, format::BuildDt1(0x10, format::kPatchMemoryAddress,
                                                            Bytes(256, std::uint8_t(i)))) &&
                      allSent;
            ++progress;
        }
        rig.sysex.EndTransfer();
    });
    PumpUntil([&] { return progress >= 2; });
    const bool windowSend = SendBuilt(rig.sysex, RequestFor(0));
    PumpUntil([&] { return progress == 6; });
    worker.join();
    EXPECT_FALSE(windowSend);
    EXPECT_TRUE(allSent);
    EXPECT_TRUE(Messages(rig.prompts).empty());
    ASSERT_TRUE(rig.Instrument().WaitIdle(10s));
    EXPECT_EQ(rig.Instrument().ReceivedLog().size(), 6u);
    EXPECT_EQ(rig.Instrument().PatchMemory()[0], 5);
}

TEST(SysexTransfer, OnlyTheOwnerOfTheEventsCanEndTheTransfer) {
    MidiRig rig;
    ASSERT_TRUE(rig.sysex.BeginTransfer());
    bool secondBegin = true;
    std::thread other([&] {
        secondBegin = rig.sysex.BeginTransfer();
        rig.sysex.EndTransfer();
    });
    other.join();
    EXPECT_FALSE(secondBegin);
    EXPECT_TRUE(rig.sysex.TransferRunning());
    rig.sysex.EndTransfer();
    EXPECT_FALSE(rig.sysex.TransferRunning());
    rig.sysex.OnMidiOutDone();  // no event: nothing happens
    rig.sysex.OnMidiInLongData();
}

TEST(SysexTransfer, MessagesLongerThanTheAreaAreNeverBuiltInIt) {
    MidiRig rig;
    rig.UseVirtualPorts();
    Bytes file(5000, 0x11);
    file.front() = 0xF0;
    file.back() = 0xF7;

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

// Memory that fails on request.
class FailingMemory final : public SysexBlockMemory {
public:
    std::unique_ptr<SysexBlock> Allocate() override {
        return failAllocate ? nullptr : SysexBlockMemory::Allocate();
    }
    bool Lock(SysexBlock& block) override { return !failLock && SysexBlockMemory::Lock(block); }
    bool Free(SysexBlock& block) override {
        ++frees;
        return !failFree && SysexBlockMemory::Free(block);
    }
    std::atomic<bool> failAllocate{false};
    std::atomic<bool> failLock{false};
    std::atomic<bool> failFree{false};
    std::atomic<int> frees{0};
};

TEST(SysexTransfer, MemoryFailuresShowTheirTextAndLeaveTheBlockFree) {
    struct Case {
        const char* name;
        std::function<void(FailingMemory&)> fail;
        bool sent;
        std::string text;
    };
    const Case cases[] = {
        {"allocation", [](auto& m) { m.failAllocate = true; }, false,
         "Unable to alloc memory block"},
        {"lock", [](auto& m) { m.failLock = true; }, false, "Unable to Lock memory block"},
        {"free", [](auto& m) { m.failFree = true; }, true, "Unable to free memory block"},
    };
    for (const auto& c : cases) {
        MidiRig rig;
        rig.UseVirtualPorts();
        auto memory = std::make_shared<FailingMemory>();
        SysexTransfer sysex(rig.ports, rig.prompts, 400ms, memory);
        rig.forwarder.sysex = &sysex;
        c.fail(*memory);
        RunOnWorker([&] {
            ASSERT_TRUE(sysex.BeginTransfer());
            EXPECT_EQ(SendBuilt(sysex, RequestFor(0)), c.sent) << c.name;
            sysex.EndTransfer();
        });
        EXPECT_EQ(Messages(rig.prompts), std::vector<std::string>{c.text}) << c.name;
        EXPECT_FALSE(sysex.IsBlockTaken()) << c.name;
        memory->failAllocate = memory->failLock = memory->failFree = false;
        EXPECT_TRUE(sysex.TakeSysexBlock(13)) << c.name;
        sysex.ReleaseSysexBlock();
        rig.forwarder.sysex = &rig.sysex;
    }
}

TEST(SysexTransfer, ClosingReleasesAHeldBufferSilentlyAndEndsTheWorkersWait) {
    MidiRig rig(false, 20000ms);
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
