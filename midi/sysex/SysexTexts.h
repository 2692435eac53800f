#pragma once
// The System Exclusive layer's own message texts, shown as they are.
namespace tessel::midi::sysex_texts {

inline constexpr char kUnableToAlloc[] = "Unable to alloc memory block";
inline constexpr char kUnableToLock[] = "Unable to Lock memory block";
inline constexpr char kUnableToFree[] = "Unable to free memory block";
inline constexpr char kNotResponding[] =
    "Your MIDI instrument doesn't seem to be responding.\nMake sure that all MIDI cables are "
    "connected correctly and the correct input and ouput ports have been chosen";

}  // namespace tessel::midi::sysex_texts
