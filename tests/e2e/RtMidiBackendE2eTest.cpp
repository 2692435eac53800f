// Tessel's RtMidi backend against the test instrument, a separate process on a private
// JACK server. Skipped when no JACK server is reachable.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "midi/rtmidi/RtMidiBackend.h"
#include "tests/e2e/JackTestSupport.h"

namespace tessel::test {
namespace {

using namespace midi;
using Bytes = std::vector<std::uint8_t>;
using Kind = RecordingTarget::Notice;
constexpr std::uint32_t kInputCapacity = 2048;

// A System Exclusive block with its header, as the transfer layer would hold it.
struct Block {
    explicit Block(Bytes content) : bytes(std::move(content)) {
        header.data = bytes.data();
        header.bufferLength = static_cast<std::uint32_t>(bytes.size());
    }
    Bytes bytes;
    MidiHeader header;
};

Bytes Sysex(std::size_t length) {
    Bytes message(length, 0x22);
    message.front() = 0xF0;
    message.back() = 0xF7;
    return message;
}

class RtMidiJack : public ::testing::Test {
protected:
    void SetUp() override {
        if (!JackServerReachable()) {
            GTEST_SKIP() << kNoJackReason;
        }
        instrument_ = std::make_unique<TestInstrument>();
        ASSERT_TRUE(instrument_->Ready()) << "the test instrument did not start";
    }

    void TearDown() override {
        if (instrument_) {
            EXPECT_EQ(instrument_->Quit(), 0) << "the test instrument failed; see its messages";
        }
    }

    std::unique_ptr<MidiOutPort> OpenOutput() {
        const auto device = FindOutDevice(backend_, instrument_->InputPort());
        std::unique_ptr<MidiOutPort> port;
        EXPECT_TRUE(device && backend_.OutOpen(port, *device, target_) == MidiError::kNoError);
        return port;
    }

    std::unique_ptr<MidiInPort> OpenInput() {
        const auto device = FindInDevice(backend_, instrument_->OutputPort());
        std::unique_ptr<MidiInPort> port;
        EXPECT_TRUE(device && backend_.InOpen(port, *device, target_) == MidiError::kNoError);
        return port;
    }

    static void Queue(MidiInPort& in, Block& buffer) {
        ASSERT_EQ(in.PrepareHeader(buffer.header), MidiError::kNoError);
        ASSERT_EQ(in.AddBuffer(buffer.header), MidiError::kNoError);
    }

    static MidiResult SendBlock(MidiOutPort& out, Block& block) {
        const auto prepared = out.PrepareHeader(block.header);
        return prepared != MidiError::kNoError ? prepared : out.LongMsg(block.header);
    }

    void Command(const std::string& line) { ASSERT_TRUE(instrument_->Command(line)) << line; }

    RtMidiBackend backend_{{"jack"}};
    RecordingTarget target_;  // outlives every port the tests open
    std::unique_ptr<TestInstrument> instrument_;
};

TEST_F(RtMidiJack, InputDeliversOnlyOnceStartedAndEachSysexFillsOneQueuedBuffer) {
    auto in = OpenInput();
    ASSERT_TRUE(in);
    Block first{Bytes(kInputCapacity)};
    Block second{Bytes(kInputCapacity)};
    Block third{Bytes(kInputCapacity)};
    Queue(*in, first);
    Queue(*in, second);
    Command("send 90 3C 64");
    Command("sysex 20");
    EXPECT_FALSE(target_.WaitFor(Kind::Short, 1, 300ms)) << "delivered before the start";

    ASSERT_EQ(in->Start(), MidiError::kNoError);
    Command("sysex 3000");  // longer than the buffer: it comes back full, the rest is dropped
    Command("send C0 01");
    ASSERT_TRUE(target_.WaitFor(Kind::Short, 1, 2000ms));
    EXPECT_EQ(target_.Of(Kind::InputLongData).size(), 1u);
    EXPECT_EQ(first.header.bytesRecorded, kInputCapacity);
    EXPECT_EQ(first.bytes.front(), 0xF0);

    Command("sysex 30");
    Command("sysex 40");  // no buffer queued: dropped
    Command("send C0 02");
    ASSERT_TRUE(target_.WaitFor(Kind::Short, 2, 2000ms));
    EXPECT_EQ(second.header.bytesRecorded, 30u);
    Queue(*in, third);
    Command("sysex 50");
    ASSERT_TRUE(target_.WaitFor(Kind::InputLongData, 3, 2000ms));
    EXPECT_EQ(third.header.bytesRecorded, 50u);
    const auto shorts = target_.Of(Kind::Short);
    EXPECT_EQ(shorts.front().message, 0x01C0u);
    EXPECT_EQ(shorts.back().message, 0x02C0u);
}

TEST_F(RtMidiJack, MessageLargerThanJackCarriesIsRefusedNotDropped) {
    auto out = OpenOutput();
    ASSERT_TRUE(out);
    Block tooLong(Sysex(16'380));
    EXPECT_EQ(SendBlock(*out, tooLong), MidiError::kTooLong);
    EXPECT_FALSE(tooLong.header.flags & MidiHeader::kInQueue);
    EXPECT_EQ(backend_.OutGetErrorText(MidiError::kTooLong),
              "The System Exclusive message is too long for the MIDI output connection.");

    Block largest(Sysex(16'379));  // 5.2 s on a MIDI cable
    ASSERT_EQ(SendBlock(*out, largest), MidiError::kNoError);
    const auto report = instrument_->Next("sysex");
    ASSERT_TRUE(report);
    EXPECT_EQ(report->detail, "16379");
    EXPECT_EQ(out->UnprepareHeader(largest.header), MidiError::kStillPlaying);
    EXPECT_EQ(out->Reset(), MidiError::kNoError);  // gives the block back at once
    EXPECT_TRUE(target_.WaitFor(Kind::OutputDone, 1, 100ms));
    EXPECT_EQ(out->UnprepareHeader(largest.header), MidiError::kNoError);
}

TEST_F(RtMidiJack, AResetAndTheMessagesBeforeItStillArriveWhenThePortClosesAtOnce) {
    std::vector<std::string> expected{"C0 05"};
    for (const char channel : std::string("0123456789ABCDEF")) {
        expected.push_back(std::string("B") + channel + " 7B 00");
    }
    for (int round = 0; round < 3; ++round) {
        auto out = OpenOutput();
        ASSERT_TRUE(out);
        for (const std::uint32_t message : {0x3Cu, 0xF0u, 0xF7u}) {
            EXPECT_EQ(out->ShortMsg(message), MidiError::kInvalidParameter) << message;
        }
        ASSERT_EQ(out->ShortMsg(0x7F05C0), MidiError::kNoError);  // the stray 7F is not sent
        ASSERT_EQ(out->Reset(), MidiError::kNoError);
        out.reset();
        std::vector<std::string> seen;
        for (const auto& report : instrument_->Collect("short", 500ms)) {
            seen.push_back(report.detail);
        }
        EXPECT_EQ(seen, expected) << "round " << round;
    }
}

TEST_F(RtMidiJack, ResetAndCloseGiveBackWhatIsStillPending) {
    auto out = OpenOutput();
    auto in = OpenInput();
    ASSERT_TRUE(out && in);
    Block pending(Sysex(2000));  // 640 ms on the wire
    Block queued{Bytes(kInputCapacity)};
    Block atClose{Bytes(kInputCapacity)};
    ASSERT_EQ(SendBlock(*out, pending), MidiError::kNoError);
    Queue(*in, queued);
    EXPECT_EQ(in->UnprepareHeader(queued.header), MidiError::kStillPlaying);
    EXPECT_EQ(in->Reset(), MidiError::kNoError);
    EXPECT_TRUE(target_.WaitFor(Kind::InputLongData, 1, 10ms));
    EXPECT_EQ(queued.header.bytesRecorded, 0u);
    EXPECT_EQ(in->UnprepareHeader(queued.header), MidiError::kNoError);
    Queue(*in, atClose);
    out.reset();
    in.reset();
    EXPECT_TRUE(target_.WaitFor(Kind::OutputDone, 1, 10ms));
    EXPECT_TRUE(target_.WaitFor(Kind::InputLongData, 2, 10ms));
    EXPECT_FALSE(pending.header.flags & MidiHeader::kInQueue);
    EXPECT_FALSE(atClose.header.flags & MidiHeader::kInQueue);
}

TEST_F(RtMidiJack, ABurstWithinOnePeriodArrivesWholeAndInOrder) {
    auto in = OpenInput();
    ASSERT_TRUE(in);
    Block buffer{Bytes(kInputCapacity)};
    Queue(*in, buffer);
    ASSERT_EQ(in->Start(), MidiError::kNoError);
    std::string chord = "burst";
    std::vector<std::uint32_t> expected;
    for (int note = 0x30; note < 0x40; ++note) {
        char hex[3];
        std::snprintf(hex, sizeof hex, "%02X", note);
        chord += std::string(note == 0x30 ? " 90 " : ", 90 ") + hex + " 40";
        expected.push_back(0x400090u | static_cast<std::uint32_t>(note) << 8);
    }
    Command(chord);
    Command("burst 90 3C 64, sysex 266, 80 3C 00");
    expected.insert(expected.end(), {0x643C90, 0x3C80});
    ASSERT_TRUE(target_.WaitFor(Kind::Short, expected.size(), 2000ms));
    const auto shorts = target_.Of(Kind::Short);
    std::vector<std::uint32_t> received;
    for (const auto& notice : shorts) {
        received.push_back(notice.message);
    }
    EXPECT_EQ(received, expected);
    ASSERT_TRUE(target_.WaitFor(Kind::InputLongData, 1, 100ms));
    const auto sysexAt = target_.Of(Kind::InputLongData).front().at;
    EXPECT_TRUE(shorts[16].at <= sysexAt && sysexAt <= shorts[17].at);
    Bytes whole(266, 0x11);
    whole.front() = 0xF0;
    whole.back() = 0xF7;
    EXPECT_EQ(Bytes(buffer.bytes.begin(), buffer.bytes.begin() + buffer.header.bytesRecorded),
              whole);
}

// A client late by many periods (the instrument, held 50 ms in JACK's thread) still gets
// every message: the servers the tests and benchmarks start run synchronously.
TEST(JackLateClient, GetsEveryMessageSentMeanwhile) {
    OwnJackServer server;
    TestInstrument instrument;
    ASSERT_TRUE(instrument.Ready());
    RtMidiBackend backend({"jack"});
    RecordingTarget target;
    const auto device = FindOutDevice(backend, instrument.InputPort());
    std::unique_ptr<MidiOutPort> out;
    ASSERT_TRUE(device && backend.OutOpen(out, *device, target) == MidiError::kNoError);
    ASSERT_TRUE(instrument.Command("stall 50"));
    for (std::uint32_t note = 0; note < 40; ++note) {
        ASSERT_EQ(out->ShortMsg(0x7F0090 | note << 8), MidiError::kNoError);
        std::this_thread::sleep_for(2ms);
    }
    const auto arrived = instrument.Collect("short", 1000ms);
    ASSERT_EQ(arrived.size(), 40u);
    EXPECT_EQ(arrived.back().detail, "90 27 7F");
}

TEST_F(RtMidiJack, APortGoneSinceTheListingIsNotOpenedAndTheListingIsRenewedAfterASecond) {
    const std::string gone = instrument_->InputPort();
    const auto device = FindOutDevice(backend_, gone);
    ASSERT_TRUE(device);
    ASSERT_EQ(instrument_->Quit(), 0);
    instrument_.reset();
    std::unique_ptr<MidiOutPort> out;
    EXPECT_EQ(backend_.OutOpen(out, *device, target_), MidiError::kBadDeviceId);
    EXPECT_FALSE(out);
    std::this_thread::sleep_for(RtMidiBackend::kListingFreshFor + 100ms);
    EXPECT_FALSE(FindOutDevice(backend_, gone));
}

}  // namespace
}  // namespace tessel::test
