// The whole MIDI stack as the main window assembles it (RtMidi backend, virtual instrument
// listed last, port layer, System Exclusive transfer, queued notices) against the test
// instrument on JACK. Skipped when no JACK server is reachable.
#include <gtest/gtest.h>

#include <ostream>

#include <algorithm>

#include "app/prompts/ScriptedPrompts.h"
#include "library/format/RolandMessage.h"
#include "midi/rtmidi/RtMidiBackend.h"
#include "midi/service/CompositeMidiService.h"
#include "midi/sysex/SysexTexts.h"
#include "tests/e2e/JackTestSupport.h"
#include "tests/midi/MidiTestSupport.h"

namespace tessel::test {
namespace {

using Bytes = std::vector<std::uint8_t>;
using midi::testing::NoticeForwarder;
using midi::testing::RunOnWorker;
using midi::testing::TemporarySettings;

// The service as the application assembles it: the RtMidi backend, then the virtual instrument.
struct JackRig {
    JackRig(const TestInstrument& instrument, int channel)
        : assembled(midi::AssembleMidiService(midi::CreateRtMidiService())),
          service(*assembled.service),
          notices(forwarder),
          ports(service, settings.Store(), prompts, notices),
          sysex(ports, prompts) {
        forwarder.sysex = &sysex;
        auto& store = settings.Store();
        store.WriteString("device", "MidiIn", instrument.OutputPort());
        store.WriteString("device", "MidiOut", instrument.InputPort());
        store.WriteInt("device", "MidiChanel", channel);
        ports.ApplyMidiSettings();
    }
    ~JackRig() {
        ports.CloseMidiPorts();
        notices.Close();
    }

    midi::AssembledMidiService assembled;
    midi::CompositeMidiService& service;
    TemporarySettings settings;
    ScriptedPrompts prompts;
    NoticeForwarder forwarder;
    midi::QueuedNotices notices;
    midi::MidiPortLayer ports;
    midi::SysexTransfer sysex;
};

bool SendBuilt(midi::SysexTransfer& sysex, const Bytes& message) {
    if (!sysex.TakeSysexBlock(message.size())) {
        return false;
    }
    std::copy(message.begin(), message.end(), sysex.BlockData().begin());
    return sysex.SendSysexBlock();
}

format::Address PatchMemoryAddress(int k) {
    return format::AddressPlus(format::kPatchMemoryAddress, 256u * k);
}

struct Reply {
    std::optional<std::size_t> count;
    Bytes bytes;
};

// One request and its reply, as the receive worker makes them.
Reply RequestAndWait(midi::SysexTransfer& sysex, int k) {
    Reply reply;
    if (!sysex.QueueReceiveBuffer()) {
        return reply;
    }
    if (SendBuilt(sysex,
                  format::BuildDumpRequest(format::kDefaultDeviceByte, PatchMemoryAddress(k)))) {
        reply.count = sysex.WaitReceiveBuffer();
        reply.bytes = sysex.ReceivedBytes();
    }
    sysex.ReleaseReceiveBuffer();
    return reply;
}

// Runs `work` as a transfer worker with the input started, the way Receive does.
void AsReceiveWorker(JackRig& rig, const std::function<void()>& work) {
    RunOnWorker([&] {
        if (rig.sysex.BeginTransfer()) {
            rig.ports.StartMidiIn();
            work();
            rig.ports.CloseMidiIn();
            rig.sysex.EndTransfer();
        }
    });
}

class PortLayerOnJack : public ::testing::Test {
protected:
    void SetUp() override {
        if (!JackServerReachable()) {
            GTEST_SKIP() << kNoJackReason;
        }
        instrument_ = std::make_unique<TestInstrument>(InstrumentSilent());
        ASSERT_TRUE(instrument_->Ready()) << "the test instrument did not start";
        rig_ = std::make_unique<JackRig>(*instrument_, 3);
        ASSERT_TRUE(rig_->ports.IsMidiOutOpen());
        SkipResetAfterOpen();
    }

    void TearDown() override {
        rig_.reset();
        if (instrument_) {
            EXPECT_EQ(instrument_->Quit(), 0) << "the test instrument failed; see its messages";
        }
    }

    virtual bool InstrumentSilent() const { return false; }

    // The open ends with All Notes Off on the 16 channels, the last on channel 16.
    void SkipResetAfterOpen() {
        for (int i = 0; i < 16; ++i) {
            const auto report = instrument_->Next("short");
            ASSERT_TRUE(report) << "the reset after the open did not arrive";
            if (report->detail == "BF 7B 00") {
                return;
            }
        }
    }

    std::unique_ptr<TestInstrument> instrument_;
    std::unique_ptr<JackRig> rig_;
};

TEST_F(PortLayerOnJack, TheVirtualInstrumentIsListedAfterTheJackPorts) {
    auto& service = rig_->service;
    const unsigned outputs = service.OutGetNumDevs();
    ASSERT_GE(outputs, 2u);
    std::string last;
    ASSERT_EQ(service.OutGetDevCaps(outputs - 1, last), midi::MidiError::kNoError);
    EXPECT_EQ(last, midi::kVirtualDeviceName);
    const auto instrumentInput = FindOutDevice(service, instrument_->InputPort());
    ASSERT_TRUE(instrumentInput);
    EXPECT_LT(*instrumentInput, outputs - 1);
}

TEST_F(PortLayerOnJack, EachRequestGetsItsWholeReply) {
    const std::vector<int> requests{0, 1, 47, 95};
    std::vector<Reply> replies;
    AsReceiveWorker(*rig_, [&] {
        for (const int k : requests) {
            replies.push_back(RequestAndWait(rig_->sysex, k));
        }
    });
    ASSERT_EQ(replies.size(), requests.size());
    for (std::size_t i = 0; i < requests.size(); ++i) {
        SCOPED_TRACE("request " + std::to_string(requests[i]));
        ASSERT_EQ(replies[i].count, format::kDt1MessageSize);
        ASSERT_EQ(replies[i].bytes.size(), format::kDt1MessageSize);
        const auto address = PatchMemoryAddress(requests[i]);
        EXPECT_TRUE(std::equal(address.begin(), address.end(), replies[i].bytes.begin() + 5));
    }
    EXPECT_TRUE(rig_->prompts.Messages().empty());
    EXPECT_FALSE(rig_->ports.IsMidiInOpen());
}

TEST_F(PortLayerOnJack, IncomingShortMessagesReachCaptureEvent) {
    rig_->ports.StartMidiIn();
    ASSERT_TRUE(instrument_->Command("send 90 3C 64"));
    ASSERT_TRUE(instrument_->Command("send C1 07"));
    EXPECT_TRUE(
        midi::testing::PumpUntil([&] { return rig_->forwarder.Captured().size() >= 2; }, 2000ms));
    EXPECT_EQ(rig_->forwarder.Captured(), (std::vector<std::uint32_t>{0x643C90, 0x07C1}));
    rig_->ports.CloseMidiIn();
}

struct ChannelMessage {
    std::uint8_t kind;
    std::uint8_t data1;
    std::uint8_t data2;
    const char* onTheWire;  // on channel 3
};

void PrintTo(const ChannelMessage& value, std::ostream* out) {
    *out << value.onTheWire;
}

class ChannelMessagesOnJack : public PortLayerOnJack,
                              public ::testing::WithParamInterface<ChannelMessage> {};

TEST_P(ChannelMessagesOnJack, ArriveWithTheirOwnLength) {
    const auto& message = GetParam();
    rig_->ports.SendShortMessage(midi::PackShortMessage(rig_->ports.ChannelStatus(message.kind),
                                                        message.data1, message.data2));
    const auto report = instrument_->Next("short");
    ASSERT_TRUE(report);
    EXPECT_EQ(report->detail, message.onTheWire);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, ChannelMessagesOnJack,
    ::testing::Values(ChannelMessage{midi::status::kProgramChange, 5, 0, "C2 05"},
                      ChannelMessage{midi::status::kNoteOn, 0x3C, 0x64, "92 3C 64"}));

TEST_F(PortLayerOnJack, DumpMessagesLeaveAtCableSpeed) {
    constexpr int kMessages = 8;
    const Bytes message =
        format::BuildDt1(format::kDefaultDeviceByte, format::kPatchMemoryAddress, Bytes(256, 0x10));
    int sent = 0;
    RunOnWorker([&] {
        if (rig_->sysex.BeginTransfer()) {
            for (int i = 0; i < kMessages && SendBuilt(rig_->sysex, message); ++i) {
                ++sent;
            }
            rig_->sysex.EndTransfer();
        }
    });
    ASSERT_EQ(sent, kMessages);
    const auto arrivals = instrument_->Collect("sysex", 1000ms);
    ASSERT_EQ(arrivals.size(), static_cast<std::size_t>(kMessages));
    // Seven gaps of 85.1 ms between the first and the last; generous for JACK's periods.
    EXPECT_GE(arrivals.back().ns - arrivals.front().ns, 500'000'000LL);
    EXPECT_TRUE(rig_->prompts.Messages().empty());
}

class SilentPortLayerOnJack : public PortLayerOnJack {
protected:
    bool InstrumentSilent() const override { return true; }
};

TEST_F(SilentPortLayerOnJack, NoReplyTimesOutWithTheNotRespondingMessage) {
    Reply first;
    AsReceiveWorker(*rig_, [&] { first = RequestAndWait(rig_->sysex, 0); });
    EXPECT_FALSE(first.count);
    EXPECT_EQ(rig_->prompts.Messages(),
              std::vector<QString>{QString::fromUtf8(midi::sysex_texts::kNotResponding)});
    EXPECT_FALSE(rig_->sysex.HasReceiveBuffer());

    ASSERT_TRUE(instrument_->Command("answer"));
    Reply next;
    AsReceiveWorker(*rig_, [&] { next = RequestAndWait(rig_->sysex, 1); });
    EXPECT_EQ(next.count, format::kDt1MessageSize) << "the receive after a time-out";
}

}  // namespace
}  // namespace tessel::test
