// The virtual JD-800: its demo bank, what it does with the messages it receives, and how it
// holds a block while the block is on the cable.
#include <set>

#include <gtest/gtest.h>

#include "midi/virtual/DemoBank.h"
#include "tests/midi/MidiTestSupport.h"

namespace tessel::midi::testing {
namespace {

// Whether the bank's dump holds these records is seen in a receive of the whole memory.
TEST(DemoBank, Holds64PatchesOfDistinctNamesAndDataBytes) {
    std::set<std::string> names;
    for (const auto& record : DemoBankRecords()) {
        names.emplace(record.begin(), record.begin() + format::kPatchNameSize);
        EXPECT_NE(record[0], ' ');
        EXPECT_TRUE(std::all_of(record.begin(), record.end(), [](auto b) { return b < 0x80; }));
    }
    EXPECT_EQ(names.size(), format::kPatchCount);
}

TEST(VirtualInstrument, AppliesDataSetsOfAnyLengthAndDeviceByteWithinItsMemory) {
    MidiRig rig;
    rig.UseVirtualPorts();
    const auto write = [&](std::uint32_t offset, std::size_t count) {
        const auto address = format::AddressPlus(format::kPatchMemoryAddress, offset);
        ASSERT_TRUE(SendBuilt(rig.sysex, format::BuildDt1(0x03, address, Bytes(count, 0x2A))));
        ASSERT_TRUE(rig.Instrument().WaitIdle(10s));
    };
    write(100, 500);   // from patch 11 into patch 12
    write(24575, 10);  // the last byte; the rest falls outside the memory
    const auto memory = rig.Instrument().PatchMemory();
    const auto demo = DemoBankRecords();
    ASSERT_EQ(memory.size(), 24576u);
    EXPECT_EQ(memory[99], demo[0][99]);
    EXPECT_EQ(memory[100], 0x2A);
    EXPECT_EQ(memory[599], 0x2A);
    EXPECT_EQ(memory[600], demo[1][600 - 384]);
    EXPECT_EQ(memory[24574], demo[63][382]);
    EXPECT_EQ(memory[24575], 0x2A);
}

TEST(VirtualInstrument, LogsButIgnoresMessagesThatAreNotSoundJd800DataSets) {
    const std::tuple<const char*, std::ptrdiff_t, std::uint8_t> cases[] = {
        {"wrong checksum", -2, 0x00},
        {"other model", 3, 0x16},
        {"other maker", 1, 0x43},
        {"no end byte", -1, 0x00},
    };
    MidiRig rig;
    rig.UseVirtualPorts();
    for (const auto& [name, at, value] : cases) {
        auto message = format::BuildDt1(0x10, format::kPatchMemoryAddress, Bytes(16, 0x41));
        message[at < 0 ? message.size() - std::size_t(-at) : std::size_t(at)] = value;
        ASSERT_TRUE(SendBuilt(rig.sysex, message));
        ASSERT_TRUE(rig.Instrument().WaitIdle(10s));
        EXPECT_EQ(rig.Instrument().PatchMemory()[0], DemoBankRecords()[0][0]) << name;
        EXPECT_EQ(rig.Instrument().ReceivedLog().size(), 1u) << name;
        rig.Instrument().ClearLog();
    }
}

TEST(VirtualInstrument, LogsShortMessagesWithTheirOwnLengthAndResetAsAllNotesOff) {
    MidiRig rig;
    rig.UseVirtualPorts();
    const auto send = [&](std::uint32_t message) {
        return rig.ports.UseMidiOut([message](MidiOutPort& out) { return out.ShortMsg(message); });
    };
    send(0x7F3C91);  // Note On: 3 bytes
    send(0xAA05C2);  // Program Change: 2 bytes, the stray byte is not sent
    send(0x0000F8);  // Timing Clock: 1 byte
    EXPECT_EQ(send(0x00003C), MidiError::kInvalidParameter);
    rig.ports.UseMidiOut([](MidiOutPort& out) { return out.Reset(); });
    ASSERT_TRUE(rig.Instrument().WaitIdle(10s));
    const auto log = rig.Instrument().ReceivedLog();
    ASSERT_EQ(log.size(), 3u + 16u);
    EXPECT_EQ(log[0].bytes, (Bytes{0x91, 0x3C, 0x7F}));
    EXPECT_EQ(log[1].bytes, (Bytes{0xC2, 0x05}));
    EXPECT_EQ(log[2].bytes, (Bytes{0xF8}));
    for (std::uint8_t channel = 0; channel < 16; ++channel) {
        EXPECT_EQ(log[3 + channel].bytes, (Bytes{std::uint8_t(0xB0 | channel), 0x7B, 0x00}));
        EXPECT_LE(log[2 + channel].time, log[3 + channel].time);
    }
}

TEST(VirtualInstrument, HoldsABlockWhileItIsOnTheCableAndGivesItBackOnReset) {
    MidiRig rig(true);
    rig.UseVirtualPorts();
    Bytes message(2000, 0);
    MidiHeader header;
    header.data = message.data();
    header.bufferLength = 2000;
    const auto unprepared = rig.ports.UseMidiOut([&](MidiOutPort& out) {
        EXPECT_EQ(out.PrepareHeader(header), MidiError::kNoError);
        EXPECT_EQ(out.LongMsg(header), MidiError::kNoError);
        EXPECT_EQ(out.LongMsg(header), MidiError::kStillPlaying);
        EXPECT_EQ(out.UnprepareHeader(header), MidiError::kStillPlaying);
        out.Reset();
        EXPECT_NE(header.flags & MidiHeader::kDone, 0u);
        return out.UnprepareHeader(header);
    });
    EXPECT_EQ(unprepared, MidiError::kNoError);
    EXPECT_TRUE(PumpUntil([&] { return rig.forwarder.outputDone == 1; }));
}

}  // namespace
}  // namespace tessel::midi::testing
