// Tessel's RtMidi backend against the test instrument, a separate process on JACK.
#include <gtest/gtest.h>

#include "midi/rtmidi/RtMidiBackend.h"
#include "tests/e2e/JackTestSupport.h"

namespace tessel::test {
namespace {

using namespace midi;

// A System Exclusive block with its header, as the transfer layer holds it.
struct Block {
    explicit Block(std::size_t length) : bytes(length, 0x22) {
        bytes.front() = 0xF0;
        bytes.back() = 0xF7;
        header.data = bytes.data();
        header.bufferLength = static_cast<std::uint32_t>(length);
    }
    std::vector<std::uint8_t> bytes;
    MidiHeader header;
};

// The instrument holds JACK's thread 100 ms on the first note, a client late by 75 periods
// on a synchronous server, while the largest message JACK carries fills Tessel's queue:
// what is reported as sent after it waits for room instead of being lost, and the reset
// right before the close still leaves, all whole and in order.
TEST(RtMidiOnJack, EveryMessageReportedSentArrivesInOrderThoughTheQueueIsFull) {
    if (!JackServerReachable()) {
        GTEST_SKIP() << kNoJackReason;
    }
    TestInstrument instrument;
    ASSERT_TRUE(instrument.Ready() && instrument.Command("stall 100"));
    RtMidiBackend backend({"jack"});
    RecordingTarget target;
    const auto device = FindOutDevice(backend, instrument.InputPort());
    std::unique_ptr<MidiOutPort> out;
    ASSERT_TRUE(device && backend.OutOpen(out, *device, target) == MidiError::kNoError);
    const auto send = [&](Block& block) {
        const auto prepared = out->PrepareHeader(block.header);
        return prepared != MidiError::kNoError ? prepared : out->LongMsg(block.header);
    };
    Block tooLong(16'380);
    Block largest(16'379);  // 5.2 s on a MIDI cable
    EXPECT_EQ(send(tooLong), MidiError::kTooLong);
    EXPECT_EQ(backend.OutGetErrorText(MidiError::kTooLong),
              "The System Exclusive message is too long for the MIDI output connection.");
    ASSERT_EQ(out->ShortMsg(0x643C90), MidiError::kNoError);
    ASSERT_EQ(send(largest), MidiError::kNoError);
    ASSERT_EQ(out->ShortMsg(0x7F05C0), MidiError::kNoError);  // the stray 7F is not sent
    EXPECT_EQ(out->UnprepareHeader(largest.header), MidiError::kStillPlaying);
    ASSERT_EQ(out->Reset(), MidiError::kNoError);  // gives the block back at once
    EXPECT_TRUE(target.WaitFor(RecordingTarget::Notice::OutputDone, 1, 100ms));
    EXPECT_EQ(out->UnprepareHeader(largest.header), MidiError::kNoError);
    out.reset();
    std::vector<std::string> expected{"short 90 3C 64", "sysex 16379", "short C0 05"};
    for (const char channel : std::string("0123456789ABCDEF")) {
        expected.push_back(std::string("short B") + channel + " 7B 00");
    }
    std::vector<std::string> seen;
    for (const auto& report : instrument.Collect("", 1000ms)) {
        seen.push_back(report.kind + " " + report.detail);
    }
    EXPECT_EQ(seen, expected);
}

}  // namespace
}  // namespace tessel::test
