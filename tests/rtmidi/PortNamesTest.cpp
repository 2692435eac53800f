#include "midi/rtmidi/PortNames.h"

#include <gtest/gtest.h>

#include <ostream>

namespace tessel::midi {
namespace {

struct Named {
    const char* portName;
    const char* productName;
};

void PrintTo(const Named& value, std::ostream* out) {
    *out << value.portName;
}

class AlsaNames : public ::testing::TestWithParam<Named> {};

TEST_P(AlsaNames, LoseOnlyTheTrailingClientPortNumbers) {
    EXPECT_EQ(AlsaProductName(GetParam().portName), GetParam().productName);
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, AlsaNames,
    ::testing::Values(Named{"Foo:Foo MIDI 1 24:0", "Foo:Foo MIDI 1"},
                      Named{"Midi Through:Midi Through Port-0 14:0",
                            "Midi Through:Midi Through Port-0"},
                      Named{"UM-ONE:UM-ONE MIDI 1 128:12", "UM-ONE:UM-ONE MIDI 1"},
                      Named{"A very long USB MIDI interface name:Port 1 130:0",
                            "A very long USB MIDI interface name:Port 1"},
                      Named{"Foo:Bar 2", "Foo:Bar 2"},  // no numbers to drop
                      Named{"Foo:Bar 2:x", "Foo:Bar 2:x"}, Named{"Foo:Bar :0", "Foo:Bar :0"},
                      Named{"24:0", "24:0"}));  // nothing but the numbers

struct Ownership {
    const char* productName;
    bool own;
};

void PrintTo(const Ownership& value, std::ostream* out) {
    *out << value.productName;
}

class OwnPorts : public ::testing::TestWithParam<Ownership> {};

TEST_P(OwnPorts, AreThoseOfTesselClients) {
    EXPECT_EQ(IsOwnPort(GetParam().productName), GetParam().own);
}

INSTANTIATE_TEST_SUITE_P(
    Names, OwnPorts,
    ::testing::Values(Ownership{"Tessel:MIDI Out", true}, Ownership{"Tessel-01:MIDI In", true},
                      Ownership{"Tessel-12:MIDI Out", true}, Ownership{"Tessellate:out", false},
                      Ownership{"Tessel-x:out", false}, Ownership{"Tessel-:out", false},
                      Ownership{"tessel:out", false}, Ownership{"JD-800:Tessel", false},
                      Ownership{"Tessel", false}));

struct Listing {
    std::vector<std::string> names;
    std::vector<std::string> shown;
};

void PrintTo(const Listing& value, std::ostream* out) {
    *out << ::testing::PrintToString(value.names);
}

class Duplicates : public ::testing::TestWithParam<Listing> {};

TEST_P(Duplicates, AreNumberedInListOrder) {
    EXPECT_EQ(NumberDuplicates(GetParam().names), GetParam().shown);
}

INSTANTIATE_TEST_SUITE_P(
    Lists, Duplicates,
    ::testing::Values(Listing{{}, {}}, Listing{{"A", "B"}, {"A", "B"}},
                      Listing{{"A", "B", "A", "A"}, {"A", "B", "A (2)", "A (3)"}},
                      Listing{{"A", "A (2)", "A"}, {"A", "A (2)", "A (3)"}},
                      Listing{{"A", "A", "A (2)"}, {"A", "A (3)", "A (2)"}},
                      Listing{{"UM-ONE:UM-ONE MIDI 1", "UM-ONE:UM-ONE MIDI 1"},
                              {"UM-ONE:UM-ONE MIDI 1", "UM-ONE:UM-ONE MIDI 1 (2)"}}));

}  // namespace
}  // namespace tessel::midi
