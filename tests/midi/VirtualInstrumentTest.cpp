// The virtual JD-800: its demo bank, what it does with the messages it receives, what it
// answers, and its test controls.
#include <set>

#include <gtest/gtest.h>

#include "midi/virtual/DemoBank.h"
#include "midi/virtual/VirtualPorts.h"
#include "tests/midi/MidiTestSupport.h"

namespace tessel::midi::testing {
namespace {

std::string NameOf(const format::PatchRecord& record) {
    return {record.begin(), record.begin() + format::kPatchNameSize};
}

// The virtual service with both ports open and started, notices counted.
struct Instrument {
    explicit Instrument(bool wireTiming = false) : service(wireTiming), notices(forwarder) {
        EXPECT_EQ(service.OutOpen(out, 0, notices), MidiError::kNoError);
        EXPECT_EQ(service.InOpen(in, 0, notices), MidiError::kNoError);
        in->Start();
    }
    ~Instrument() {
        out.reset();
        in.reset();
        notices.Close();
    }
    VirtualJd800& jd() { return service.Instrument(); }

    // Sends bytes as one block and waits until the instrument has them.
    void Send(const std::vector<std::uint8_t>& bytes) {
        sent.push_back(std::make_unique<Block>());
        auto& block = *sent.back();
        block.bytes = bytes;
        block.header.data = block.bytes.data();
        block.header.bufferLength = static_cast<std::uint32_t>(bytes.size());
        ASSERT_EQ(out->PrepareHeader(block.header), MidiError::kNoError);
        ASSERT_EQ(out->LongMsg(block.header), MidiError::kNoError);
        ASSERT_TRUE(jd().WaitIdle(10s));
    }
    MidiHeader& QueueBuffer(std::uint32_t capacity = 2048) {
        buffers.push_back(std::make_unique<Block>());
        auto& block = *buffers.back();
        block.bytes.assign(capacity, 0);
        block.header.data = block.bytes.data();
        block.header.bufferLength = capacity;
        EXPECT_EQ(in->PrepareHeader(block.header), MidiError::kNoError);
        EXPECT_EQ(in->AddBuffer(block.header), MidiError::kNoError);
        return block.header;
    }

    struct Block {
        std::vector<std::uint8_t> bytes;
        MidiHeader header;
    };
    VirtualMidiService service;
    NoticeForwarder forwarder;
    QueuedNotices notices;
    std::unique_ptr<MidiOutPort> out;
    std::unique_ptr<MidiInPort> in;
    std::vector<std::unique_ptr<Block>> sent;
    std::vector<std::unique_ptr<Block>> buffers;
};

TEST(DemoBank, IsAWholePatchMemoryDumpWithNamedPatches) {
    const auto dump = DemoBankDump();
    ASSERT_EQ(dump.size(), format::kDumpFileSize);
    const auto bank = DemoBankRecords();
    std::set<std::string> names;
    for (const auto& record : bank) {
        const auto name = NameOf(record);
        EXPECT_NE(name.find_first_not_of(' '), std::string::npos);
        names.insert(name);
        for (const auto byte : record) {
            ASSERT_LT(byte, 0x80);
        }
    }
    EXPECT_EQ(names.size(), format::kPatchCount);
    // The first record's name opens the first message's data; the dump is the builder's.
    EXPECT_EQ(std::string(dump.begin() + 8, dump.begin() + 24), NameOf(bank[0]));
    EXPECT_EQ(dump, DemoBankDump(0x10));
    EXPECT_EQ(DemoBankDump(0x05)[2], 0x05);
}

TEST(VirtualInstrument, ListsOneDeviceEachWayAndOpensEachOnce) {
    VirtualMidiService service(false);
    std::string name;
    EXPECT_EQ(service.InGetNumDevs(), 1u);
    EXPECT_EQ(service.OutGetNumDevs(), 1u);
    EXPECT_EQ(service.OutGetDevCaps(0, name), MidiError::kNoError);
    EXPECT_EQ(name, "Tessel Virtual JD-800");
    EXPECT_EQ(service.InGetDevCaps(1, name), MidiError::kBadDeviceId);

    NoticeForwarder forwarder;
    QueuedNotices notices(forwarder);
    std::unique_ptr<MidiOutPort> first;
    std::unique_ptr<MidiOutPort> second;
    EXPECT_EQ(service.OutOpen(first, 0, notices), MidiError::kNoError);
    EXPECT_EQ(service.OutOpen(second, 0, notices), MidiError::kAllocated);
    first.reset();
    EXPECT_EQ(service.OutOpen(second, 0, notices), MidiError::kNoError);
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

    // A data set of any length, here crossing from patch 11 into patch 12.
    const std::vector<std::uint8_t> data(500, 0x2A);
    rig.Send(format::BuildDt1(0x03, format::AddressPlus(format::kPatchMemoryAddress, 100), data));
    const auto memory = rig.jd().PatchMemory();
    ASSERT_EQ(memory.size(), 24576u);
    EXPECT_EQ(memory[99], DemoBankRecords()[0][99]);
    EXPECT_EQ(memory[100], 0x2A);
    EXPECT_EQ(memory[599], 0x2A);
    EXPECT_EQ(memory[600], DemoBankRecords()[1][600 - 384]);
}

TEST(VirtualInstrument, IgnoresMessagesThatAreNotSoundJd800DataSets) {
    struct Case {
        const char* name;
        std::function<void(std::vector<std::uint8_t>&)> spoil;
    };
    const Case cases[] = {
        {"wrong checksum", [](auto& m) { m[m.size() - 2] ^= 1; }},
        {"other model", [](auto& m) { m[3] = 0x16; }},
        {"other maker", [](auto& m) { m[1] = 0x43; }},
        {"no end byte", [](auto& m) { m.back() = 0x00; }},
    };
    for (const auto& c : cases) {
        Instrument rig;
        auto message = format::BuildDt1(0x10, format::kPatchMemoryAddress,
                                        std::vector<std::uint8_t>(16, 0x41));
        c.spoil(message);
        rig.Send(message);
        EXPECT_EQ(rig.jd().PatchMemory()[0], DemoBankRecords()[0][0]) << c.name;
        EXPECT_EQ(rig.jd().ReceivedLog().size(), 1u) << c.name;
    }
}

TEST(VirtualInstrument, AnswersEachRequestWithTheDataSetOfThatAddress) {
    Instrument rig;
    const auto demo = DemoBankDump(0x07);
    for (const int k : {0, 1, 63, 95}) {
        auto& buffer = rig.QueueBuffer();
        rig.Send(RequestFor(k, 0x07));
        ASSERT_TRUE(rig.jd().WaitIdle(10s));
        ASSERT_EQ(buffer.bytesRecorded, 266u) << k;
        EXPECT_TRUE(std::equal(buffer.data, buffer.data + 266, demo.begin() + 266 * k)) << k;
        EXPECT_NE(buffer.flags.load() & MidiHeader::kDone, 0u);
    }
    EXPECT_TRUE(PumpUntil([&] { return rig.forwarder.inputDone_ == 4; }));
}

TEST(VirtualInstrument, TestControlsShapeTheAnswer) {
    struct Case {
        const char* name;
        std::function<void(VirtualJd800&)> control;
        std::uint32_t capacity;
        std::optional<std::uint32_t> received;  // nullopt: no answer
    };
    const Case cases[] = {
        {"silent", [](auto& jd) { jd.SetSilent(true); }, 2048, std::nullopt},
        {"short answer", [](auto& jd) { jd.SetReplySize(200); }, 2048, 200},
        {"long answer", [](auto& jd) { jd.SetReplySize(300); }, 2048, 300},
        {"oversized answer", [](auto& jd) { jd.SetReplySize(3000); }, 2048, 2048},
        {"small buffer", [](auto&) {}, 100, 100},
    };
    for (const auto& c : cases) {
        Instrument rig;
        c.control(rig.jd());
        auto& buffer = rig.QueueBuffer(c.capacity);
        rig.Send(RequestFor(2));
        ASSERT_TRUE(rig.jd().WaitIdle(10s)) << c.name;
        if (c.received) {
            EXPECT_EQ(buffer.bytesRecorded, *c.received) << c.name;
            EXPECT_EQ(buffer.data[0], 0xF0) << c.name;
        } else {
            EXPECT_NE(buffer.flags.load() & MidiHeader::kInQueue, 0u) << c.name;
        }
    }
}

TEST(VirtualInstrument, RequestsOutsideItsMemoryGoUnanswered) {
    Instrument rig;
    auto& buffer = rig.QueueBuffer();
    rig.Send(format::BuildDumpRequest(0x10, {0x06, 0x40, 0x00}));  // just past patch 88
    rig.Send(format::BuildDumpRequest(0x10, {0x06, 0x3F, 0x00}));  // runs past the end
    EXPECT_NE(buffer.flags.load() & MidiHeader::kInQueue, 0u);
}

TEST(VirtualInstrument, DelayedAnswerComesLater) {
    Instrument rig;
    rig.jd().SetReplyDelay(150ms);
    auto& buffer = rig.QueueBuffer();
    const auto start = std::chrono::steady_clock::now();
    rig.Send(RequestFor(0));
    EXPECT_EQ(buffer.bytesRecorded, 266u);
    EXPECT_GE(std::chrono::steady_clock::now() - start, 140ms);
}

TEST(VirtualInstrument, InputDeliversOnlyWhileStartedAndResetGivesBuffersBack) {
    Instrument rig;
    rig.jd().PlayShortMessage(0x403C90);
    rig.in->Stop();
    rig.jd().PlayShortMessage(0x003C80);
    auto& buffer = rig.QueueBuffer();
    rig.jd().PlayExclusive({0xF0, 0x41, 0xF7});
    ASSERT_TRUE(rig.jd().WaitIdle(10s));
    EXPECT_NE(buffer.flags.load() & MidiHeader::kInQueue, 0u);
    rig.in->Start();
    rig.jd().PlayShortMessage(0x7F0790);
    rig.in->Reset();
    rig.jd().PlayShortMessage(0x0000B0);
    EXPECT_EQ(buffer.bytesRecorded, 0u);
    EXPECT_NE(buffer.flags.load() & MidiHeader::kDone, 0u);
    EXPECT_EQ(rig.in->UnprepareHeader(buffer), MidiError::kNoError);
    ASSERT_TRUE(PumpUntil([&] { return rig.forwarder.inputDone_ == 1; }));
    QTest::qWait(20);
    EXPECT_EQ(rig.forwarder.Captured(), (std::vector<std::uint32_t>{0x403C90, 0x7F0790}));
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

TEST(VirtualInstrument, BlocksComeBackAfterTheirCableTime) {
    Instrument rig(true);
    std::vector<std::uint8_t> message(266, 0);
    message.front() = 0xF0;
    message.back() = 0xF7;
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < 3; ++i) {
        rig.Send(message);
    }
    // 3 x 266 bytes at 320 us each: 255 ms on the cable; generous bounds around it.
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_GE(took, 200ms);
    EXPECT_LT(took, 5s);
    EXPECT_TRUE(PumpUntil([&] { return rig.forwarder.outputDone_ == 3; }));
}

TEST(VirtualInstrument, ABlockStillOnTheCableCannotBeUnprepared) {
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
}

}  // namespace
}  // namespace tessel::midi::testing
