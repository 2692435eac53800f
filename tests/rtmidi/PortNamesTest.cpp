#include "midi/rtmidi/PortNames.h"

#include <gtest/gtest.h>

#include <utility>

namespace tessel::midi {
namespace {

using Names = std::vector<std::string>;

TEST(PortNames, AlsaNamesLoseOnlyTheTrailingClientPortNumbers) {
    EXPECT_EQ(AlsaProductName("Foo:Foo MIDI 1 24:0"), "Foo:Foo MIDI 1");
    EXPECT_EQ(AlsaProductName("UM-ONE:UM-ONE MIDI 1 128:12"), "UM-ONE:UM-ONE MIDI 1");
    for (const char* port : {"Foo:Bar 2", "Foo:Bar 2:x", "Foo:Bar :0", "24:0"}) {
        EXPECT_EQ(AlsaProductName(port), port);
    }
}

TEST(PortNames, OwnPortsAreThoseOfTesselClients) {
    for (const char* name : {"Tessel:MIDI Out", "Tessel-01:MIDI In"}) {
        EXPECT_TRUE(IsOwnPort(name)) << name;
    }
    for (const char* name : {"Tessellate:out", "Tessel-x:out", "Tessel-:out", "tessel:out",
                             "JD-800:Tessel", "Tessel"}) {
        EXPECT_FALSE(IsOwnPort(name)) << name;
    }
}

TEST(PortNames, DuplicatesAreNumberedInListOrderAroundNamesAlreadyTaken) {
    const std::pair<Names, Names> cases[] = {{{}, {}},
                                             {{"A", "B", "A", "A"}, {"A", "B", "A (2)", "A (3)"}},
                                             {{"A", "A (2)", "A"}, {"A", "A (2)", "A (3)"}},
                                             {{"A", "A", "A (2)"}, {"A", "A (3)", "A (2)"}}};
    for (const auto& [names, shown] : cases) {
        EXPECT_EQ(NumberDuplicates(names), shown);
    }
}

}  // namespace
}  // namespace tessel::midi
