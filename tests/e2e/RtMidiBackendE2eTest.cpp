// Tessel's RtMidi backend against the test instrument, a separate process on a private
// JACK server. Skipped when no JACK server is reachable.
#include <gtest/gtest.h>

#include <ostream>

#include <algorithm>
#include <memory>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "library/format/RolandMessage.h"
#include "midi/rtmidi/RtMidiBackend.h"
#include "tests/e2e/JackTestSupport.h"

namespace tessel::test {
namespace {

using midi::MidiHeader;
using midi::MidiInPort;
using midi::MidiOutPort;
using midi::MidiResult;
namespace MidiError = midi::MidiError;
using Kind = RecordingTarget::Notice;

// A System Exclusive block with its header, as the transfer layer would hold it.
struct Block {
    explicit Block(std::vector<std::uint8_t> content) : bytes(std::move(content)) {
        header.data = bytes.data();
        header.bufferLength = static_cast<std::uint32_t>(bytes.size());
    }
    std::span<const std::uint8_t> Received() const { return {bytes.data(), header.bytesRecorded}; }

    std::vector<std::uint8_t> bytes;
    MidiHeader header;
};

std::vector<std::uint8_t> Sysex(std::size_t length) {
    std::vector<std::uint8_t> message(length, 0x22);
    message.front() = 0xF0;
    message.back() = 0xF7;
    return message;
}

constexpr std::uint32_t kInputCapacity = 2048;
constexpr format::Address kSecondMessage{0x05, 0x02, 0x00};

class RtMidiJack : public ::testing::Test {
protected:
    void SetUp() override {
        if (!JackServerReachable()) {
            GTEST_SKIP() << kNoJackReason;
        }
        instrument_ = std::make_unique<TestInstrument>(InstrumentSilent());
        ASSERT_TRUE(instrument_->Ready()) << "the test instrument did not start";
    }

    void TearDown() override {
        if (instrument_) {
            EXPECT_EQ(instrument_->Quit(), 0) << "the test instrument failed; see its messages";
        }
    }

    virtual bool InstrumentSilent() const { return false; }

    std::unique_ptr<MidiOutPort> OpenOutput() {
        const auto device = FindOutDevice(backend_, instrument_->InputPort());
        EXPECT_TRUE(device) << instrument_->InputPort() << " is not listed";
        std::unique_ptr<MidiOutPort> port;
        if (device) {
            EXPECT_EQ(backend_.OutOpen(port, *device, target_), MidiError::kNoError);
        }
        return port;
    }

    std::unique_ptr<MidiInPort> OpenStartedInput() {
        const auto device = FindInDevice(backend_, instrument_->OutputPort());
        EXPECT_TRUE(device) << instrument_->OutputPort() << " is not listed";
        std::unique_ptr<MidiInPort> port;
        if (device && backend_.InOpen(port, *device, target_) == MidiError::kNoError) {
            EXPECT_EQ(port->Start(), MidiError::kNoError);
        }
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

    midi::RtMidiBackend backend_{{"jack"}};
    RecordingTarget target_;  // outlives every port the tests open
    std::unique_ptr<TestInstrument> instrument_;
};

TEST_F(RtMidiJack, ListsTheInstrumentPortsByFullJackNameButNotItsOwn) {
    auto out = OpenOutput();
    ASSERT_TRUE(out);
    EXPECT_TRUE(FindInDevice(backend_, instrument_->OutputPort()));

    const unsigned inputs = backend_.InGetNumDevs();
    for (unsigned device = 0; device < inputs; ++device) {
        std::string name;
        ASSERT_EQ(backend_.InGetDevCaps(device, name), MidiError::kNoError);
        EXPECT_FALSE(name.starts_with("Tessel:") || name.starts_with("Tessel-")) << name;
    }
    std::string name;
    EXPECT_EQ(backend_.InGetDevCaps(inputs, name), MidiError::kBadDeviceId);
}

TEST_F(RtMidiJack, RequestIsAnsweredWithTheWholeDt1) {
    auto out = OpenOutput();
    auto in = OpenStartedInput();
    ASSERT_TRUE(out && in);
    Block reply{std::vector<std::uint8_t>(kInputCapacity)};
    Queue(*in, reply);
    Block request(format::BuildDumpRequest(format::kDefaultDeviceByte, kSecondMessage));

    ASSERT_EQ(SendBlock(*out, request), MidiError::kNoError);

    ASSERT_TRUE(target_.WaitFor(Kind::InputLongData, 1, 2000ms));
    EXPECT_EQ(target_.Of(Kind::InputLongData).front().header, &reply.header);
    const auto bytes = reply.Received();
    ASSERT_EQ(bytes.size(), format::kDt1MessageSize);
    const std::vector<std::uint8_t> head(bytes.begin(), bytes.begin() + 8);
    EXPECT_EQ(head, (std::vector<std::uint8_t>{0xF0, 0x41, 0x10, 0x3D, 0x12, 0x05, 0x02, 0x00}));
    EXPECT_EQ(bytes[264], format::RolandChecksum(bytes.subspan(5, 259)));
    EXPECT_EQ(bytes[265], 0xF7);
    EXPECT_EQ(in->UnprepareHeader(reply.header), MidiError::kNoError);
    ASSERT_TRUE(target_.WaitFor(Kind::OutputDone, 1, 2000ms));
    EXPECT_EQ(out->UnprepareHeader(request.header), MidiError::kNoError);
}

TEST_F(RtMidiJack, DoneNoticeWaitsForTheWireTime) {
    auto out = OpenOutput();
    ASSERT_TRUE(out);
    Block block(Sysex(format::kDt1MessageSize));
    const auto sentAt = RecordingTarget::Clock::now();
    ASSERT_EQ(SendBlock(*out, block), MidiError::kNoError);
    EXPECT_EQ(out->UnprepareHeader(block.header), MidiError::kStillPlaying);

    ASSERT_TRUE(target_.WaitFor(Kind::OutputDone, 1, 2000ms));
    // 266 bytes at 320 us are 85.1 ms; the notice never comes early.
    EXPECT_GE(target_.Of(Kind::OutputDone).front().at - sentAt, 85ms);
    EXPECT_TRUE(block.header.flags & MidiHeader::kDone);
    EXPECT_EQ(out->UnprepareHeader(block.header), MidiError::kNoError);
    ASSERT_TRUE(instrument_->Next("sysex"));
}

class SilentInstrument : public RtMidiJack {
protected:
    bool InstrumentSilent() const override { return true; }
};

TEST_F(SilentInstrument, UnansweredBufferStaysQueuedUntilReset) {
    auto out = OpenOutput();
    auto in = OpenStartedInput();
    ASSERT_TRUE(out && in);
    Block reply{std::vector<std::uint8_t>(kInputCapacity)};
    Queue(*in, reply);
    Block request(format::BuildDumpRequest(format::kDefaultDeviceByte, kSecondMessage));
    ASSERT_EQ(SendBlock(*out, request), MidiError::kNoError);
    ASSERT_TRUE(instrument_->Next("sysex")) << "the request did not arrive";

    EXPECT_FALSE(target_.WaitFor(Kind::InputLongData, 1, 500ms));
    EXPECT_EQ(in->UnprepareHeader(reply.header), MidiError::kStillPlaying);

    EXPECT_EQ(in->Reset(), MidiError::kNoError);
    ASSERT_TRUE(target_.WaitFor(Kind::InputLongData, 1, 100ms));
    EXPECT_EQ(reply.header.bytesRecorded, 0u);
    EXPECT_EQ(in->UnprepareHeader(reply.header), MidiError::kNoError);
}

struct OutgoingShort {
    std::uint32_t packed;
    const char* onTheWire;
};

void PrintTo(const OutgoingShort& value, std::ostream* out) {
    *out << value.onTheWire;
}

class ShortMessagesOut : public RtMidiJack, public ::testing::WithParamInterface<OutgoingShort> {};

TEST_P(ShortMessagesOut, GoOutWithTheLengthTheirStatusImplies) {
    auto out = OpenOutput();
    ASSERT_TRUE(out);
    ASSERT_EQ(out->ShortMsg(GetParam().packed), MidiError::kNoError);
    const auto report = instrument_->Next("short");
    ASSERT_TRUE(report);
    EXPECT_EQ(report->detail, GetParam().onTheWire);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, ShortMessagesOut,
    ::testing::Values(OutgoingShort{0x00'00'05'C3, "C3 05"},     // Program Change
                      OutgoingShort{0x00'7F'05'C0, "C0 05"},     // stray second data byte
                      OutgoingShort{0x00'00'40'D0, "D0 40"},     // Channel Pressure
                      OutgoingShort{0x00'64'3C'90, "90 3C 64"},  // Note On
                      OutgoingShort{0x00'00'02'F3, "F3 02"}));   // Song Select

TEST_F(RtMidiJack, ShortMessageThatCannotStandAloneIsRefused) {
    auto out = OpenOutput();
    ASSERT_TRUE(out);
    for (const std::uint32_t message : {0x3Cu, 0xF0u, 0xF7u}) {
        EXPECT_EQ(out->ShortMsg(message), MidiError::kInvalidParameter) << message;
    }
}

struct IncomingShort {
    const char* sent;
    std::uint32_t packed;
};

void PrintTo(const IncomingShort& value, std::ostream* out) {
    *out << value.sent;
}

class ShortMessagesIn : public RtMidiJack, public ::testing::WithParamInterface<IncomingShort> {};

TEST_P(ShortMessagesIn, ArrivePacked) {
    auto in = OpenStartedInput();
    ASSERT_TRUE(in);
    ASSERT_TRUE(instrument_->Command(std::string("send ") + GetParam().sent));
    ASSERT_TRUE(target_.WaitFor(Kind::Short, 1, 2000ms));
    EXPECT_EQ(target_.Of(Kind::Short).front().message, GetParam().packed);
}

INSTANTIATE_TEST_SUITE_P(Kinds, ShortMessagesIn,
                         ::testing::Values(IncomingShort{"C0 05", 0x05C0},
                                           IncomingShort{"90 3C 64", 0x643C90},
                                           IncomingShort{"B2 07 7F", 0x7F07B2}));

TEST_F(RtMidiJack, NothingIsDeliveredBeforeStart) {
    const auto device = FindInDevice(backend_, instrument_->OutputPort());
    ASSERT_TRUE(device);
    std::unique_ptr<MidiInPort> in;
    ASSERT_EQ(backend_.InOpen(in, *device, target_), MidiError::kNoError);
    Block buffer{std::vector<std::uint8_t>(kInputCapacity)};
    Queue(*in, buffer);
    ASSERT_TRUE(instrument_->Command("send 90 3C 64"));
    ASSERT_TRUE(instrument_->Command("sysex 20"));
    EXPECT_FALSE(target_.WaitFor(Kind::Short, 1, 300ms));
    EXPECT_FALSE(target_.WaitFor(Kind::InputLongData, 1, 10ms));

    ASSERT_EQ(in->Start(), MidiError::kNoError);
    ASSERT_TRUE(instrument_->Command("sysex 20"));
    ASSERT_TRUE(target_.WaitFor(Kind::InputLongData, 1, 2000ms));
    EXPECT_EQ(buffer.header.bytesRecorded, 20u);
}

TEST_F(RtMidiJack, LongSysexFillsOneBufferAndTheRestIsDropped) {
    auto in = OpenStartedInput();
    ASSERT_TRUE(in);
    Block first{std::vector<std::uint8_t>(kInputCapacity)};
    Block second{std::vector<std::uint8_t>(kInputCapacity)};
    Queue(*in, first);
    Queue(*in, second);

    ASSERT_TRUE(instrument_->Command("sysex 3000"));
    ASSERT_TRUE(target_.WaitFor(Kind::InputLongData, 1, 2000ms));
    EXPECT_EQ(first.header.bytesRecorded, kInputCapacity);
    EXPECT_EQ(first.bytes.front(), 0xF0);
    EXPECT_FALSE(target_.WaitFor(Kind::InputLongData, 2, 300ms)) << "the rest filled a buffer";

    ASSERT_TRUE(instrument_->Command("sysex 30"));
    ASSERT_TRUE(target_.WaitFor(Kind::InputLongData, 2, 2000ms));
    EXPECT_EQ(second.header.bytesRecorded, 30u);
}

TEST_F(RtMidiJack, SysexWithNoBufferQueuedIsDropped) {
    auto in = OpenStartedInput();
    ASSERT_TRUE(in);
    ASSERT_TRUE(instrument_->Command("sysex 40"));
    ASSERT_TRUE(instrument_->Command("send C0 01"));
    ASSERT_TRUE(target_.WaitFor(Kind::Short, 1, 2000ms));  // the sysex has come and gone

    Block buffer{std::vector<std::uint8_t>(kInputCapacity)};
    Queue(*in, buffer);
    ASSERT_TRUE(instrument_->Command("sysex 50"));
    ASSERT_TRUE(target_.WaitFor(Kind::InputLongData, 1, 2000ms));
    EXPECT_EQ(buffer.header.bytesRecorded, 50u);
}

TEST_F(RtMidiJack, MessageLargerThanJackCarriesIsRefusedNotDropped) {
    auto out = OpenOutput();
    ASSERT_TRUE(out);
    Block tooLong(Sysex(16'380));
    EXPECT_EQ(SendBlock(*out, tooLong), MidiError::kTooLong);
    EXPECT_FALSE(tooLong.header.flags & MidiHeader::kInQueue);
    EXPECT_FALSE(backend_.OutGetErrorText(MidiError::kTooLong).empty());
    EXPECT_EQ(out->UnprepareHeader(tooLong.header), MidiError::kNoError);

    Block largest(Sysex(16'379));
    ASSERT_EQ(SendBlock(*out, largest), MidiError::kNoError);
    const auto report = instrument_->Next("sysex");
    ASSERT_TRUE(report);
    EXPECT_EQ(report->detail, "16379");
    EXPECT_EQ(out->Reset(), MidiError::kNoError);  // gives the block back at once
    EXPECT_TRUE(target_.WaitFor(Kind::OutputDone, 1, 100ms));
    EXPECT_EQ(out->UnprepareHeader(largest.header), MidiError::kNoError);
}

TEST_F(RtMidiJack, ResetTurnsNotesOffOnEveryChannel) {
    auto out = OpenOutput();
    ASSERT_TRUE(out);
    ASSERT_EQ(out->Reset(), MidiError::kNoError);
    std::vector<std::string> seen;
    for (const auto& report : instrument_->Collect("short", 1000ms)) {
        seen.push_back(report.detail);
    }
    std::vector<std::string> expected;
    for (const char* status : {"B0", "B1", "B2", "B3", "B4", "B5", "B6", "B7", "B8", "B9", "BA",
                               "BB", "BC", "BD", "BE", "BF"}) {
        expected.push_back(std::string(status) + " 7B 00");
    }
    EXPECT_EQ(seen, expected);
}

TEST_F(RtMidiJack, MessagesSentJustBeforeCloseStillArrive) {
    for (int round = 0; round < 3; ++round) {
        auto out = OpenOutput();
        ASSERT_TRUE(out);
        ASSERT_EQ(out->ShortMsg(0x0000'05C0), MidiError::kNoError);
        ASSERT_EQ(out->Reset(), MidiError::kNoError);
        out.reset();
        const auto reports = instrument_->Collect("short", 500ms);
        ASSERT_EQ(reports.size(), 17u) << "round " << round;
        EXPECT_EQ(reports.front().detail, "C0 05");
        EXPECT_EQ(reports.back().detail, "BF 7B 00");
    }
}

TEST_F(RtMidiJack, ClosingGivesBackWhatIsStillPending) {
    auto out = OpenOutput();
    auto in = OpenStartedInput();
    ASSERT_TRUE(out && in);
    Block pending(Sysex(2000));  // 640 ms on the wire
    Block queued{std::vector<std::uint8_t>(kInputCapacity)};
    ASSERT_EQ(SendBlock(*out, pending), MidiError::kNoError);
    Queue(*in, queued);
    out.reset();
    in.reset();
    EXPECT_TRUE(target_.WaitFor(Kind::OutputDone, 1, 10ms));
    EXPECT_TRUE(target_.WaitFor(Kind::InputLongData, 1, 10ms));
    EXPECT_FALSE(pending.header.flags & MidiHeader::kInQueue);
    EXPECT_FALSE(queued.header.flags & MidiHeader::kInQueue);
}

TEST_F(RtMidiJack, PortThatVanishedAfterListingIsNotOpened) {
    const auto device = FindOutDevice(backend_, instrument_->InputPort());
    ASSERT_TRUE(device);
    ASSERT_EQ(instrument_->Quit(), 0);
    instrument_.reset();
    std::unique_ptr<MidiOutPort> out;
    EXPECT_EQ(backend_.OutOpen(out, *device, target_), MidiError::kBadDeviceId);
    EXPECT_FALSE(out);
}

TEST_F(RtMidiJack, ListingIsRenewedOnceItIsASecondOld) {
    const std::string gone = instrument_->InputPort();
    ASSERT_TRUE(FindOutDevice(backend_, gone));
    ASSERT_EQ(instrument_->Quit(), 0);
    instrument_.reset();
    std::this_thread::sleep_for(midi::RtMidiBackend::kListingFreshFor + 100ms);
    EXPECT_FALSE(FindOutDevice(backend_, gone));
}

}  // namespace
}  // namespace tessel::test
