// The port layer: which device a name opens, what is shown when an open fails, the order of
// its port operations, and the bytes its channel and exclusive helpers produce.
#include <gtest/gtest.h>

#include "tests/midi/MidiTestSupport.h"

namespace tessel::midi::testing {
namespace {

const std::vector<FakeDevice> kThreeDevices{{"USB MIDI"}, {"JD Cable"}, {"Synth Port"}};

FakeService& Fake(MidiRig& rig) {
    return static_cast<FakeService&>(*rig.service);
}

TEST(PortLayer, OpensTheOutputNamedInTheSettings) {
    const Texts device0{"out-open:0", "out-reset"};
    const std::tuple<const char*, std::vector<FakeDevice>, std::string, Texts> cases[] = {
        {"exact name", kThreeDevices, "JD Cable", {"out-open:1", "out-reset"}},
        {"absent name falls back to device 0", kThreeDevices, "Gone", device0},
        {"other letter case does not match", kThreeDevices, "jd cable", device0},
        {"a part of the name does not match", kThreeDevices, "JD", device0},
        {"<none> opens nothing", kThreeDevices, "<none>", {}},
        {"<None> is a name like any other", kThreeDevices, "<None>", device0},
        {"no devices at all", {}, "JD Cable", {}},
        {"a failing capability query is skipped",
         {{"JD Cable", true}, {"Other"}, {"JD Cable"}},
         "JD Cable",
         {"out-open:2", "out-reset"}},
        {"only failing queries fall back to device 0", {{"JD Cable", true}}, "JD Cable", device0},
    };
    for (const auto& [name, devices, stored, events] : cases) {
        MidiRig rig(std::make_unique<FakeService>(devices));
        rig.Store("<none>", stored);
        rig.ports.ApplyMidiSettings();
        EXPECT_EQ(Fake(rig).Events(), events) << name;
        EXPECT_TRUE(Messages(rig.prompts).empty()) << name;
        EXPECT_EQ(rig.ports.IsMidiOutOpen(), !events.empty()) << name;
        EXPECT_FALSE(rig.ports.IsMidiInOpen()) << name;
    }
}

TEST(PortLayer, WithNothingStoredNoPortOpensAndShortMessagesAreLostQuietly) {
    MidiRig rig(std::make_unique<FakeService>(kThreeDevices));
    rig.ports.ApplyMidiSettings();
    rig.ports.SendShortMessage(0x0000C0);
    const auto stored = rig.ports.Configuration();
    EXPECT_EQ(std::tie(stored.midiInName, stored.midiOutName, stored.midiChannel, stored.deviceId),
              std::make_tuple(std::string("<none>"), std::string("<none>"), 1, 17));
    EXPECT_TRUE(Fake(rig).Events().empty());
    EXPECT_TRUE(Messages(rig.prompts).empty());
}

TEST(PortLayer, AFailedOpenShowsTheServiceTextAndLeavesNoPort) {
    MidiRig rig(std::make_unique<FakeService>(
        std::vector<FakeDevice>{{"Busy", false, MidiError::kAllocated}}));
    rig.Store("Busy", "Busy");
    rig.ports.ApplyMidiSettings();
    rig.ports.StartMidiIn();
    EXPECT_FALSE(rig.ports.IsMidiOutOpen());
    EXPECT_FALSE(rig.ports.IsMidiInOpen());
    EXPECT_EQ(Messages(rig.prompts), (Texts{"The MIDI output device is already in use.",
                                            "The MIDI input device is already in use."}));
}

TEST(PortLayer, PortsAreReopenedResetStartedUsedAndClosedInOrder) {
    MidiRig rig(std::make_unique<FakeService>(kThreeDevices));
    rig.Store("USB MIDI", "Synth Port", 3);
    rig.ports.ApplyMidiSettings();
    Fake(rig).Events();
    rig.ports.ApplyMidiSettings();  // every apply reopens, even with nothing changed
    rig.ports.StartMidiIn();
    rig.ports.SendShortMessage(
        PackShortMessage(rig.ports.ChannelStatus(status::kProgramChange), 5));
    rig.ports.CloseMidiPorts();
    EXPECT_EQ(Fake(rig).Events(),
              (Texts{"out-reset", "out-close", "out-open:2", "out-reset", "in-open:0", "in-reset",
                     "in-start", "out-short:0005C2", "out-reset", "out-close", "in-reset",
                     "in-stop", "in-close"}));
}

TEST(PortLayer, ChannelAndDeviceBytesStayInTheirRangesAndTheValuesAsEntered) {
    const std::tuple<int, int, std::uint8_t, std::uint8_t> cases[] = {
        {1, 17, 0xC0, 0x10},   {16, 1, 0xCF, 0x00},  {10, 128, 0xC9, 0x7F},   {0, 0, 0xC0, 0x10},
        {17, 129, 0xC0, 0x10}, {-3, -5, 0xC0, 0x10}, {255, 1000, 0xC0, 0x10},
    };
    MidiRig rig(std::make_unique<FakeService>(kThreeDevices));
    for (const auto& [channel, deviceId, programChange, deviceByte] : cases) {
        rig.Store("<none>", "JD Cable", channel, deviceId);
        rig.ports.ApplyMidiSettings();
        EXPECT_EQ(rig.ports.ChannelStatus(status::kProgramChange), programChange) << channel;
        EXPECT_EQ(rig.ports.ChannelStatus(status::kNoteOn), (programChange & 0x0F) | 0x90);
        EXPECT_EQ(rig.ports.DeviceByte(), deviceByte) << deviceId;
        EXPECT_EQ(rig.ports.Configuration().midiChannel, channel);
        EXPECT_EQ(rig.ports.Configuration().deviceId, deviceId);
    }
}

TEST(PortLayer, KeyboardMessagesReachTheWindowOnlyWhileTheInputRuns) {
    MidiRig rig;
    rig.UseVirtualPorts();
    rig.Instrument().PlayShortMessage(0x401090);  // no input open
    rig.ports.OpenMidiIn();
    rig.Instrument().PlayShortMessage(0x402090);  // open, not started
    rig.ports.StartMidiIn();
    rig.Instrument().PlayShortMessage(0x403C90);
    rig.Instrument().PlayShortMessage(0x0000F8);
    rig.ports.CloseMidiIn();
    rig.Instrument().PlayShortMessage(0x003C80);
    ASSERT_TRUE(PumpUntil([&] { return rig.forwarder.Captured().size() >= 2; }));
    QTest::qWait(20);
    EXPECT_EQ(rig.forwarder.Captured(), (std::vector<std::uint32_t>{0x403C90, 0x0000F8}));
}

TEST(PortLayer, ReopeningTheOutputWhileWorkersSendIsSafe) {
    MidiRig rig;
    rig.UseVirtualPorts();
    std::atomic<bool> stop{false};
    std::vector<std::thread> senders;
    for (int n = 0; n < 2; ++n) {
        senders.emplace_back([&] {
            while (!stop) {
                rig.ports.SendShortMessage(0x403C90);
            }
        });
    }
    for (int i = 0; i < 20; ++i) {
        rig.ports.ApplyMidiSettings();
    }
    stop = true;
    for (auto& sender : senders) {
        sender.join();
    }
    EXPECT_TRUE(rig.ports.IsMidiOutOpen());
    EXPECT_TRUE(Messages(rig.prompts).empty());
}

}  // namespace
}  // namespace tessel::midi::testing
