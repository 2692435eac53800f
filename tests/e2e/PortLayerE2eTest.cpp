// The whole MIDI stack as the main window assembles it (RtMidi backend, virtual instrument
// listed last, port layer, System Exclusive transfer, queued notices) against the test
// instrument on JACK. Skipped when no JACK server is reachable.
#include <gtest/gtest.h>

#include <algorithm>
#include <span>

#include "midi/rtmidi/RtMidiBackend.h"
#include "midi/sysex/SysexTexts.h"
#include "tests/e2e/JackTestSupport.h"
#include "tests/midi/MidiTestSupport.h"

namespace tessel::midi::testing {
namespace {

using test::DeviceNames;
using test::TestInstrument;

class PortLayerOnJack : public ::testing::Test {
protected:
    void SetUp() override {
        if (!test::JackServerReachable()) {
            GTEST_SKIP() << test::kNoJackReason;
        }
        instrument_ = std::make_unique<TestInstrument>(silent_);
        ASSERT_TRUE(instrument_->Ready()) << "the test instrument did not start";
        rig_ = std::make_unique<MidiRig>(AssembleMidiService(CreateRtMidiService()).service,
                                         SysexTransfer::kCompletionTimeout);
        rig_->Store(instrument_->OutputPort(), instrument_->InputPort(), 3);
        rig_->ports.ApplyMidiSettings();
        ASSERT_TRUE(rig_->ports.IsMidiOutOpen());
        // The open ends with All Notes Off on the 16 channels, the last on channel 16.
        for (auto report = instrument_->Next("short"); report;
             report = instrument_->Next("short")) {
            if (report->detail == "BF 7B 00") {
                return;
            }
        }
        FAIL() << "the reset after the open did not arrive";
    }

    void TearDown() override {
        rig_.reset();
        if (instrument_) {
            EXPECT_EQ(instrument_->Quit(), 0) << "the test instrument failed; see its messages";
        }
    }

    bool silent_ = false;
    std::unique_ptr<TestInstrument> instrument_;
    std::unique_ptr<MidiRig> rig_;
};

TEST_F(PortLayerOnJack, ListsJackPortsByFullNameWithoutItsOwnAndTheVirtualInstrumentLast) {
    const auto outputs = DeviceNames(*rig_->service, false);
    ASSERT_GE(outputs.size(), 2u);
    EXPECT_EQ(outputs.back(), kVirtualDeviceName);
    EXPECT_EQ(std::count(outputs.begin(), outputs.end(), instrument_->InputPort()), 1);
    // Tessel's own output port is open now: it is not offered as an input.
    const auto inputs = DeviceNames(*rig_->service, true);
    EXPECT_EQ(std::count(inputs.begin(), inputs.end(), instrument_->OutputPort()), 1);
    for (const auto& name : inputs) {
        EXPECT_FALSE(name.empty() || name.starts_with("Tessel:") || name.starts_with("Tessel-"))
            << name;
    }
}

TEST_F(PortLayerOnJack, EachRequestGetsItsWholeReply) {
    const std::vector<int> requests{0, 1, 47, 95};
    std::vector<Bytes> replies(requests.size());
    RunReceive(*rig_, [&] {
        for (std::size_t i = 0; i < requests.size(); ++i) {
            EXPECT_EQ(RequestAndWait(rig_->sysex, requests[i], 0x10, &replies[i]), 266u);
        }
    });
    for (std::size_t i = 0; i < requests.size(); ++i) {
        const auto& reply = replies[i];
        ASSERT_EQ(reply.size(), format::kDt1MessageSize) << requests[i];
        const auto address = format::AddressPlus(format::kPatchMemoryAddress, 256u * requests[i]);
        EXPECT_EQ(Bytes(reply.begin(), reply.begin() + 8),
                  (Bytes{0xF0, 0x41, 0x10, 0x3D, 0x12, address[0], address[1], address[2]}));
        EXPECT_EQ(reply[264], format::RolandChecksum(std::span(reply).subspan(5, 259)));
        EXPECT_EQ(reply[265], 0xF7);
    }
    EXPECT_TRUE(Messages(rig_->prompts).empty());
    EXPECT_FALSE(rig_->ports.IsMidiInOpen());
}

TEST_F(PortLayerOnJack, DumpMessagesLeaveAtCableSpeed) {
    constexpr int kMessages = 8;
    const Bytes message = format::BuildDt1(0x10, format::kPatchMemoryAddress, Bytes(256, 0x10));
    int sent = 0;
    RunOnWorker([&] {
        if (rig_->sysex.BeginTransfer()) {
            while (sent < kMessages && SendBuilt(rig_->sysex, message)) {
                ++sent;
            }
            rig_->sysex.EndTransfer();
        }
    });
    ASSERT_EQ(sent, kMessages);
    const auto arrivals = instrument_->Collect("sysex", 1000ms);
    ASSERT_EQ(arrivals.size(), std::size_t{kMessages});
    // Seven gaps of 85.1 ms between the first and the last; generous for JACK's periods.
    EXPECT_GE(arrivals.back().ns - arrivals.front().ns, 500'000'000LL);
    EXPECT_TRUE(Messages(rig_->prompts).empty());
}

class SilentPortLayerOnJack : public PortLayerOnJack {
protected:
    SilentPortLayerOnJack() { silent_ = true; }
};

TEST_F(SilentPortLayerOnJack, NoReplyTimesOutWithTheNotRespondingMessage) {
    std::optional<std::size_t> first{0};
    RunReceive(*rig_, [&] { first = RequestAndWait(rig_->sysex, 0); });
    EXPECT_EQ(first, std::nullopt);
    EXPECT_EQ(Messages(rig_->prompts), Texts{sysex_texts::kNotResponding});
    EXPECT_FALSE(rig_->sysex.HasReceiveBuffer());

    ASSERT_TRUE(instrument_->Command("answer"));
    std::optional<std::size_t> next;
    RunReceive(*rig_, [&] { next = RequestAndWait(rig_->sysex, 1); });
    EXPECT_EQ(next, format::kDt1MessageSize) << "the receive after a time-out";
}

}  // namespace
}  // namespace tessel::midi::testing
