// The port layer: which device a name opens, what is shown when an open fails, and the
// bytes its channel and exclusive helpers produce.
#include <gtest/gtest.h>

#include "tests/midi/MidiTestSupport.h"

namespace tessel::midi::testing {
namespace {

using Events = std::vector<std::string>;

struct PortRig {
    explicit PortRig(std::vector<FakeDevice> devices)
        : service(std::move(devices)),
          notices(forwarder),
          ports(service, settings.Store(), prompts, notices) {}
    ~PortRig() { notices.Close(); }
    void Store(const std::string& in, const std::string& out, int channel = 1, int id = 17) {
        settings.Store().WriteString("device", "MidiIn", in);
        settings.Store().WriteString("device", "MidiOut", out);
        settings.Store().WriteInt("device", "MidiChanel", channel);
        settings.Store().WriteInt("device", "MidiID", id);
    }

    TemporarySettings settings;
    ScriptedPrompts prompts;
    FakeService service;
    NoticeForwarder forwarder;
    QueuedNotices notices;
    MidiPortLayer ports;
};

const std::vector<FakeDevice> kThreeDevices{{"USB MIDI"}, {"JD Cable"}, {"Synth Port"}};

TEST(PortLayer, OpensTheOutputNamedInTheSettings) {
    struct Case {
        const char* name;
        std::vector<FakeDevice> devices;
        std::string stored;
        Events events;
    };
    const Events device0{"out-open:0", "out-reset"};
    const Case cases[] = {
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
    for (const auto& c : cases) {
        PortRig rig(c.devices);
        rig.Store("<none>", c.stored);
        rig.ports.ApplyMidiSettings();
        EXPECT_EQ(rig.service.Events(), c.events) << c.name;
        EXPECT_TRUE(Messages(rig.prompts).empty()) << c.name;
        EXPECT_EQ(rig.ports.IsMidiOutOpen(), !c.events.empty()) << c.name;
        EXPECT_FALSE(rig.ports.IsMidiInOpen()) << c.name;
    }
}

TEST(PortLayer, WithNothingStoredNoPortOpensAndShortMessagesAreLostQuietly) {
    PortRig rig(kThreeDevices);
    rig.ports.ApplyMidiSettings();
    const auto configuration = rig.ports.Configuration();
    EXPECT_EQ(configuration.midiInName, "<none>");
    EXPECT_EQ(configuration.midiOutName, "<none>");
    EXPECT_EQ(configuration.midiChannel, 1);
    EXPECT_EQ(configuration.deviceId, 17);
    rig.ports.SendShortMessage(0x0000C0);
    EXPECT_TRUE(rig.service.Events().empty());
    EXPECT_TRUE(Messages(rig.prompts).empty());
}

TEST(PortLayer, AFailedOpenShowsTheServiceTextAndLeavesNoPort) {
    PortRig rig({{"Busy Port", false, MidiError::kAllocated}});
    rig.Store("Busy Port", "Busy Port");
    rig.ports.ApplyMidiSettings();
    rig.ports.StartMidiIn();
    EXPECT_FALSE(rig.ports.IsMidiOutOpen());
    EXPECT_FALSE(rig.ports.IsMidiInOpen());
    EXPECT_EQ(Messages(rig.prompts), (Events{rig.service.OutGetErrorText(MidiError::kAllocated),
                                             rig.service.InGetErrorText(MidiError::kAllocated)}));
}

TEST(PortLayer, PortsAreReopenedResetStartedAndClosedInOrder) {
    PortRig rig(kThreeDevices);
    rig.Store("USB MIDI", "Synth Port");
    rig.ports.ApplyMidiSettings();
    rig.service.Events();
    rig.ports.ApplyMidiSettings();  // every apply reopens, even with nothing changed
    rig.ports.StartMidiIn();
    rig.ports.CloseMidiPorts();
    EXPECT_EQ(rig.service.Events(),
              (Events{"out-reset", "out-close", "out-open:2", "out-reset", "in-open:0", "in-reset",
                      "in-start", "out-reset", "out-close", "in-reset", "in-stop", "in-close"}));
}

TEST(PortLayer, ChannelAndDeviceBytesStayInTheirRanges) {
    struct Case {
        int channel;
        int deviceId;
        std::uint8_t programChange;
        std::uint8_t deviceByte;
    };
    const Case cases[] = {
        {1, 17, 0xC0, 0x10},   {16, 1, 0xCF, 0x00},  {10, 128, 0xC9, 0x7F},   {0, 0, 0xC0, 0x10},
        {17, 129, 0xC0, 0x10}, {-3, -5, 0xC0, 0x10}, {255, 1000, 0xC0, 0x10},
    };
    for (const auto& c : cases) {
        PortRig rig(kThreeDevices);
        rig.Store("<none>", "JD Cable", c.channel, c.deviceId);
        rig.ports.ApplyMidiSettings();
        EXPECT_EQ(rig.ports.ChannelStatus(status::kProgramChange), c.programChange) << c.channel;
        EXPECT_EQ(rig.ports.ChannelStatus(status::kNoteOn), (c.programChange & 0x0F) | 0x90);
        EXPECT_EQ(rig.ports.DeviceByte(), c.deviceByte) << c.deviceId;
        // The values stay as entered.
        EXPECT_EQ(rig.ports.Configuration().midiChannel, c.channel);
        EXPECT_EQ(rig.ports.Configuration().deviceId, c.deviceId);
    }
}

TEST(PortLayer, ShortMessagesReachTheInstrumentWithTheirBytes) {
    MidiRig rig;
    rig.UseVirtualPorts(3);
    const auto& ports = rig.ports;
    rig.ports.SendShortMessage(PackShortMessage(ports.ChannelStatus(status::kNoteOn), 60, 100));
    rig.ports.SendShortMessage(PackShortMessage(ports.ChannelStatus(status::kProgramChange), 12));
    rig.ports.SendShortMessage(
        PackShortMessage(ports.ChannelStatus(status::kControlChange), 0x7B, 0));
    ASSERT_TRUE(rig.Instrument().WaitIdle(10s));
    const auto log = rig.Instrument().ReceivedLog();
    ASSERT_EQ(log.size(), 3u);
    EXPECT_EQ(log[0].bytes, (std::vector<std::uint8_t>{0x92, 60, 100}));
    EXPECT_EQ(log[1].bytes, (std::vector<std::uint8_t>{0xC2, 12}));
    EXPECT_EQ(log[2].bytes, (std::vector<std::uint8_t>{0xB2, 0x7B, 0}));
}

TEST(PortLayer, KeyboardMessagesReachTheWindowOnlyWhileTheInputRuns) {
    MidiRig rig;
    rig.UseVirtualPorts();
    rig.Instrument().PlayShortMessage(0x401090);
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
