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

// The events on the ports, then the messages shown.
TEST(PortLayer, OpensTheOutputNamedInTheSettings) {
    const Texts device0{"out-open:0", "out-reset"};
    // clang-format off
    const std::tuple<const char*, std::vector<FakeDevice>, const char*, Texts> cases[] = {
        {"exact name", kThreeDevices, "JD Cable", {"out-open:1", "out-reset"}},
        {"absent name falls back to device 0", kThreeDevices, "Gone", device0},
        {"other letter case does not match", kThreeDevices, "jd cable", device0},
        {"a part of the name does not match", kThreeDevices, "JD", device0},
        {"<none> opens nothing", kThreeDevices, "<none>", {}},
        {"nothing stored opens nothing", kThreeDevices, nullptr, {}},
        {"<None> is a name like any other", kThreeDevices, "<None>", device0},
        {"no devices at all", {}, "JD Cable", {}},
        {"a failing capability query is skipped", {{"JD Cable", true}, {"Other"}, {"JD Cable"}},
         "JD Cable", {"out-open:2", "out-reset"}},
        {"only failing queries fall back to device 0", {{"JD Cable", true}}, "JD Cable", device0},
        {"a device in use", {{"JD Cable", false, MidiError::kAllocated}}, "JD Cable",
         {"out-open:0", "The MIDI output device is already in use."}},
    };
    // clang-format on
    for (const auto& [name, devices, stored, events] : cases) {
        SCOPED_TRACE(name);
        MidiRig rig(std::make_unique<FakeService>(devices));
        if (stored != nullptr) {
            rig.Store("<none>", stored);
        }
        rig.ports.ApplyMidiSettings();
        Texts seen = Fake(rig).Events();
        const Texts shown = Messages(rig.prompts);
        seen.insert(seen.end(), shown.begin(), shown.end());
        EXPECT_EQ(seen, events);
        EXPECT_EQ(rig.ports.IsMidiOutOpen(), !events.empty() && events.back() == "out-reset");
        EXPECT_FALSE(rig.ports.IsMidiInOpen());
    }
}

// Every apply reopens, even with nothing changed; a Program Change goes out on the channel.
TEST(PortLayer, PortsAreReopenedResetStartedUsedAndClosedInOrder) {
    MidiRig rig(std::make_unique<FakeService>(kThreeDevices));
    rig.Store("USB MIDI", "Synth Port", 3);
    rig.ports.ApplyMidiSettings();
    Fake(rig).Events();
    rig.ports.ApplyMidiSettings();
    rig.ports.StartMidiIn();
    rig.ports.SendShortMessage(
        PackShortMessage(rig.ports.ChannelStatus(status::kProgramChange), 5));
    rig.ports.CloseMidiPorts();
    EXPECT_EQ(Fake(rig).Events(),
              (Texts{"out-reset", "out-close", "out-open:2", "out-reset", "in-open:0", "in-reset",
                     "in-start", "out-short:0005C2", "out-reset", "out-close", "in-reset",
                     "in-stop", "in-close"}));
}

// Nothing stored gives channel 1 and ID 17; values out of range give them too.
TEST(PortLayer, ChannelAndDeviceBytesStayInTheirRanges) {
    // clang-format off
    const std::tuple<int, int, std::uint8_t, std::uint8_t> cases[] = {
        {INT_MIN, 0, 0xC0, 0x10}, {1, 17, 0xC0, 0x10}, {16, 1, 0xCF, 0x00}, {10, 128, 0xC9, 0x7F},
        {0, 0, 0xC0, 0x10}, {17, 129, 0xC0, 0x10}, {-3, -5, 0xC0, 0x10}, {255, 1000, 0xC0, 0x10}};
    // clang-format on
    MidiRig rig(std::make_unique<FakeService>(kThreeDevices));
    for (const auto& [channel, deviceId, programChange, deviceByte] : cases) {
        if (channel != INT_MIN) {
            rig.Store("<none>", "JD Cable", channel, deviceId);
        }
        rig.ports.ApplyMidiSettings();
        EXPECT_EQ(rig.ports.ChannelStatus(status::kProgramChange), programChange) << channel;
        EXPECT_EQ(rig.ports.ChannelStatus(status::kNoteOn), (programChange & 0x0F) | 0x90);
        EXPECT_EQ(rig.ports.DeviceByte(), deviceByte) << deviceId;
    }
}

TEST(PortLayer, ReopeningTheOutputWhileWorkersSendIsSafe) {
    MidiRig rig;
    rig.UseVirtualPorts();
    std::atomic<bool> stop{false};
    std::thread sender([&] {
        while (!stop) {
            rig.ports.SendShortMessage(0x403C90);
        }
    });
    for (int i = 0; i < 20; ++i) {
        rig.ports.ApplyMidiSettings();
    }
    stop = true;
    sender.join();
    EXPECT_TRUE(rig.ports.IsMidiOutOpen());
    EXPECT_TRUE(Messages(rig.prompts).empty());
}

}  // namespace
}  // namespace tessel::midi::testing
