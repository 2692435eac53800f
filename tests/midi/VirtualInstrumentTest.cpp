// The virtual JD-800: its demo bank, what it does with the messages it receives, and how it
// holds a block while the block is on the cable.
#include <set>

#include <gtest/gtest.h>

#include "midi/virtual/DemoBank.h"
#include "tests/midi/MidiTestSupport.h"

namespace tessel::midi::testing {
namespace {

// The virtual service with its output open.
struct Instrument {
    explicit Instrument(bool wireTiming = false) : service(wireTiming), notices(forwarder) {
        EXPECT_EQ(service.OutOpen(out, 0, notices), MidiError::kNoError);
    }
    ~Instrument() {
        out.reset();
        notices.Close();
    }
    VirtualJd800& jd() { return service.Instrument(); }

    // Sends the bytes as one block and waits until the instrument has them.
    void Send(std::vector<std::uint8_t> bytes) {
        MidiHeader header;
        header.data = bytes.data();
        header.bufferLength = static_cast<std::uint32_t>(bytes.size());
        ASSERT_EQ(out->PrepareHeader(header), MidiError::kNoError);
        ASSERT_EQ(out->LongMsg(header), MidiError::kNoError);
        ASSERT_TRUE(jd().WaitIdle(10s));
    }

    VirtualMidiService service;
    NoticeForwarder forwarder;
    QueuedNotices notices;
    std::unique_ptr<MidiOutPort> out;
};

TEST(DemoBank, IsAWholePatchMemoryDumpOf64NamedPatches) {
    const auto dump = DemoBankDump();
    ASSERT_EQ(dump.size(), format::kDumpFileSize);
    std::set<std::string> names;
    for (const auto& record : DemoBankRecords()) {
        const std::string name(record.begin(), record.begin() + format::kPatchNameSize);
        EXPECT_NE(name.find_first_not_of(' '), std::string::npos);
        names.insert(name);
        EXPECT_TRUE(std::all_of(record.begin(), record.end(), [](auto b) { return b < 0x80; }));
    }
    EXPECT_EQ(names.size(), format::kPatchCount);
    EXPECT_EQ(std::string(dump.begin() + 8, dump.begin() + 24), *names.find("Velvet Pad      "));
    EXPECT_EQ(DemoBankDump(0x05)[2], 0x05);
}

TEST(VirtualInstrument, AppliesDataSetsToTemporaryPatchAndPatchMemory) {
    Instrument rig;
    format::PatchRecord record{};
    for (std::size_t i = 0; i < record.size(); ++i) {
        record[i] = static_cast<std::uint8_t>((i * 7) % 128);
    }
    for (const auto& message : format::BuildTemporaryPatchWrite(0x10, record)) {
        rig.Send(message);
    }
    EXPECT_EQ(rig.jd().TemporaryPatch(), record);

    // A data set of any length and device byte, here crossing from patch 11 into patch 12.
    rig.Send(format::BuildDt1(0x03, format::AddressPlus(format::kPatchMemoryAddress, 100),
                              std::vector<std::uint8_t>(500, 0x2A)));
    const auto memory = rig.jd().PatchMemory();
    const auto demo = DemoBankRecords();
    ASSERT_EQ(memory.size(), 24576u);
    EXPECT_EQ(memory[99], demo[0][99]);
    EXPECT_EQ(memory[100], 0x2A);
    EXPECT_EQ(memory[599], 0x2A);
    EXPECT_EQ(memory[600], demo[1][600 - 384]);
}

TEST(VirtualInstrument, LogsButIgnoresMessagesThatAreNotSoundJd800DataSets) {
    struct Case {
        const char* name;
        std::ptrdiff_t at;  // from the end when negative
        std::uint8_t value;
    };
    const Case cases[] = {
        {"wrong checksum", -2, 0x00},
        {"other model", 3, 0x16},
        {"other maker", 1, 0x43},
        {"no end byte", -1, 0x00},
    };
    for (const auto& c : cases) {
        Instrument rig;
        auto message = format::BuildDt1(0x10, format::kPatchMemoryAddress,
                                        std::vector<std::uint8_t>(16, 0x41));
        message[c.at < 0 ? message.size() - std::size_t(-c.at) : std::size_t(c.at)] = c.value;
        rig.Send(message);
        EXPECT_EQ(rig.jd().PatchMemory()[0], DemoBankRecords()[0][0]) << c.name;
        EXPECT_EQ(rig.jd().ReceivedLog().size(), 1u) << c.name;
    }
}

TEST(VirtualInstrument, LogsShortMessagesWithTheirOwnLengthAndResetAsAllNotesOff) {
    Instrument rig;
    rig.out->ShortMsg(0x7F3C91);  // note on: 3 bytes
    rig.out->ShortMsg(0xAA05C2);  // program change: 2 bytes, the rest is not sent
    rig.out->ShortMsg(0x0000F8);  // clock: 1 byte
    EXPECT_EQ(rig.out->ShortMsg(0x00003C), MidiError::kInvalidParameter);
    rig.out->Reset();
    ASSERT_TRUE(rig.jd().WaitIdle(10s));
    const auto log = rig.jd().ReceivedLog();
    ASSERT_EQ(log.size(), 3u + 16u);
    EXPECT_EQ(log[0].bytes, (std::vector<std::uint8_t>{0x91, 0x3C, 0x7F}));
    EXPECT_EQ(log[1].bytes, (std::vector<std::uint8_t>{0xC2, 0x05}));
    EXPECT_EQ(log[2].bytes, (std::vector<std::uint8_t>{0xF8}));
    EXPECT_EQ(log[18].bytes, (std::vector<std::uint8_t>{0xBF, 0x7B, 0x00}));
    for (std::size_t i = 1; i < log.size(); ++i) {
        EXPECT_LE(log[i - 1].time, log[i].time);
    }
}

TEST(VirtualInstrument, HoldsABlockWhileItIsOnTheCableAndGivesItBackOnReset) {
    Instrument rig(true);
    std::vector<std::uint8_t> message(2000, 0);
    MidiHeader header;
    header.data = message.data();
    header.bufferLength = 2000;
    ASSERT_EQ(rig.out->PrepareHeader(header), MidiError::kNoError);
    ASSERT_EQ(rig.out->LongMsg(header), MidiError::kNoError);
    EXPECT_EQ(rig.out->LongMsg(header), MidiError::kStillPlaying);
    EXPECT_EQ(rig.out->UnprepareHeader(header), MidiError::kStillPlaying);
    rig.out->Reset();
    EXPECT_NE(header.flags.load() & MidiHeader::kDone, 0u);
    EXPECT_EQ(rig.out->UnprepareHeader(header), MidiError::kNoError);
    EXPECT_TRUE(PumpUntil([&] { return rig.forwarder.outputDone_ == 1; }));
}

}  // namespace
}  // namespace tessel::midi::testing
