#include "midi/rtmidi/PortNames.h"

#include <gtest/gtest.h>

#include <utility>

namespace tessel::midi {
namespace {

using Names = std::vector<std::string>;

TEST(PortNames, AlsaNamesLoseOnlyTheTrailingClientPortNumbers) {
    const std::pair<const char*, const char*> cases[] = {
        {"Foo:Foo MIDI 1 24:0", "Foo:Foo MIDI 1"},
        {"UM-ONE:UM-ONE MIDI 1 128:12", "UM-ONE:UM-ONE MIDI 1"},
        {"Foo:Bar 2", "Foo:Bar 2"},
        {"Foo:Bar 2:x", "Foo:Bar 2:x"},
        {"Foo:Bar :0", "Foo:Bar :0"},
        {"24:0", "24:0"},
    };
    for (const auto& [port, product] : cases) {
        EXPECT_EQ(AlsaProductName(port), product);
    }
}

TEST(PortNames, OwnPortsAreThoseOfTesselClients) {
    const std::pair<const char*, bool> cases[] = {
        {"Tessel:MIDI Out", true}, {"Tessel-01:MIDI In", true}, {"Tessellate:out", false},
        {"Tessel-x:out", false},   {"Tessel-:out", false},      {"tessel:out", false},
        {"JD-800:Tessel", false},  {"Tessel", false},
    };
    for (const auto& [name, own] : cases) {
        EXPECT_EQ(IsOwnPort(name), own) << name;
    }
}

TEST(PortNames, DuplicatesAreNumberedInListOrderAroundNamesAlreadyTaken) {
    const std::pair<Names, Names> cases[] = {
        {{}, {}},
        {{"A", "B", "A", "A"}, {"A", "B", "A (2)", "A (3)"}},
        {{"A", "A (2)", "A"}, {"A", "A (2)", "A (3)"}},
        {{"A", "A", "A (2)"}, {"A", "A (3)", "A (2)"}},
    };
    for (const auto& [names, shown] : cases) {
        EXPECT_EQ(NumberDuplicates(names), shown);
    }
}

}  // namespace
}  // namespace tessel::midi
