#pragma once
// Product names of RtMidi ports as Tessel shows and stores them.
//   ALSA sequencer: "Foo:Foo MIDI 1 24:0" -> "Foo:Foo MIDI 1". The trailing client:port
//     numbers change when a device is replugged, so they never become part of the name.
//   JACK: the port's full name "client:port", unchanged.
// Names are not cut to any length, and equal names are told apart as "Name (2)", "Name (3)".
#include <string>
#include <string_view>
#include <vector>

namespace tessel::midi {

// The JACK and ALSA client name of every port Tessel itself opens.
inline constexpr std::string_view kOwnClientName = "Tessel";

std::string AlsaProductName(std::string_view portName);

// True for a port of one of Tessel's own clients: "Tessel:..." or, when JACK has renamed
// a second client of the same name, "Tessel-01:...". Such ports are not offered as devices.
bool IsOwnPort(std::string_view productName);

// Gives the second and later copies of a name the suffix " (2)", " (3)", ... in list order,
// skipping any suffixed name that is already taken.
std::vector<std::string> NumberDuplicates(const std::vector<std::string>& names);

}  // namespace tessel::midi
