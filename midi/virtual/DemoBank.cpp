#include "midi/virtual/DemoBank.h"

#include <algorithm>
#include <string_view>

namespace tessel::midi {
namespace {

// Eight groups of eight, in patch-number order 11..88.
constexpr std::array<std::string_view, format::kPatchCount> kNames{
    "Velvet Pad",      "Glass Pad",       "Dawn Choir",    "Slow Sweep Pad",  "Warm Analog Pad",
    "Frozen Lake",     "Cloud Nine",      "Dusty Strings", "Chamber Strings", "Octave Strings",
    "Tremolo Strings", "Pizzicato Hall",  "Silk Ensemble", "Cinema Strings",  "Solo Cello",
    "Violin Legato",   "Brass Section",   "Soft Horns",    "Synth Brass 1",   "Synth Brass 2",
    "Stab Brass",      "Trumpet Solo",    "Fanfare",       "Brass Swell",     "Tubular Bells",
    "Crystal Bells",   "Music Box",       "Vibe Mallets",  "Marimba Wood",    "Celesta",
    "Gamelan",         "Chime Tree",      "Finger Bass",   "Fretless Bass",   "Synth Bass Deep",
    "Acid Bass",       "Slap Bass",       "Sub Bass",      "Rubber Bass",     "Pulse Bass",
    "Saw Lead",        "Square Lead",     "Sync Lead",     "Whistle Lead",    "Soft Sine Lead",
    "Screamer",        "Portamento Lead", "Solo Flute",    "Electric Piano",  "Bright Piano",
    "Clav Funk",       "Organ Drawbar",   "Rock Organ",    "Harpsichord",     "Tine Piano",
    "Accordion",       "Space Wind",      "Ocean Waves",   "Sci-Fi Sweep",    "Noise Burst",
    "Metal Hits",      "Pluck Guitar",    "Voice Formant", "Init Patch",
};

// A small linear congruential generator: reproducible bytes without global state.
class ParameterBytes {
public:
    explicit ParameterBytes(std::uint32_t seed) : state_(seed * 2654435761u + 12345u) {}
    std::uint8_t Next() {
        state_ = state_ * 1103515245u + 12345u;
        return static_cast<std::uint8_t>((state_ >> 16) & 0x7F);
    }

private:
    std::uint32_t state_;
};

format::PatchRecord MakeRecord(std::size_t index) {
    format::PatchRecord record{};
    record.fill(0);
    const std::string_view name = kNames[index];
    std::fill(record.begin(), record.begin() + format::kPatchNameSize, ' ');
    std::copy(name.begin(), name.begin() + std::min(name.size(), format::kPatchNameSize),
              record.begin());
    ParameterBytes bytes(static_cast<std::uint32_t>(index) + 1);
    std::generate(record.begin() + format::kPatchNameSize, record.end(),
                  [&bytes] { return bytes.Next(); });
    return record;
}

}  // namespace

DemoBank DemoBankRecords() {
    DemoBank bank{};
    for (std::size_t index = 0; index < bank.size(); ++index) {
        bank[index] = MakeRecord(index);
    }
    return bank;
}

format::Bytes DemoBankDump(std::uint8_t deviceByte) {
    const DemoBank bank = DemoBankRecords();
    format::Bytes dump;
    dump.reserve(format::kDumpFileSize);
    for (const auto& message : format::BuildPatchMemoryDump(deviceByte, bank)) {
        dump.insert(dump.end(), message.begin(), message.end());
    }
    return dump;
}

}  // namespace tessel::midi
