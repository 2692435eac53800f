#pragma once
// The MIDI configuration and the two ports. The names, channel and device ID come from
// section `device` of the settings; the output is opened at start and after every change of
// the settings, the input only for a receive or a recording. Ports are found by product
// name, exactly and case-sensitively, with device 0 when the name is not present and no port
// at all for "<none>".
//
// Worker threads send and receive through the ports while the window thread may reopen
// them, so each port is used under a lock held only for the call; a reopen closes the old
// port before another thread can reach it again.
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "midi/service/MidiService.h"

namespace tessel {
class SettingsStore;
class UserPrompts;
}  // namespace tessel

namespace tessel::midi {

inline constexpr char kNoDeviceName[] = "<none>";

// Section `device` of "tessel.ini" (`MidiChanel` is spelt with one n).
namespace device_keys {
inline constexpr char kSection[] = "device";
inline constexpr char kMidiIn[] = "MidiIn";
inline constexpr char kMidiOut[] = "MidiOut";
inline constexpr char kMidiChannel[] = "MidiChanel";
inline constexpr char kMidiId[] = "MidiID";
}  // namespace device_keys

// Status bytes of the channel messages, channel nibble 0.
namespace status {
inline constexpr std::uint8_t kNoteOff = 0x80;
inline constexpr std::uint8_t kNoteOn = 0x90;
inline constexpr std::uint8_t kControlChange = 0xB0;
inline constexpr std::uint8_t kProgramChange = 0xC0;
}  // namespace status

// status | data1 << 8 | data2 << 16.
constexpr std::uint32_t PackShortMessage(std::uint8_t status, std::uint8_t data1,
                                         std::uint8_t data2 = 0) {
    return std::uint32_t{status} | std::uint32_t{data1} << 8 | std::uint32_t{data2} << 16;
}

// The configuration as entered: values outside the MIDI ranges are kept as they are and
// made harmless where they are used (ChannelStatus, DeviceByte).
struct MidiConfiguration {
    std::string midiInName = kNoDeviceName;
    std::string midiOutName = kNoDeviceName;
    int midiChannel = 1;
    int deviceId = 17;
};

class MidiPortLayer {
public:
    // `notices` receives the notices of both ports (the main window's QueuedNotices).
    MidiPortLayer(MidiService& service, SettingsStore& settings, UserPrompts& prompts,
                  MidiNoticeTarget& notices);
    ~MidiPortLayer();  // closes both ports
    MidiPortLayer(const MidiPortLayer&) = delete;
    MidiPortLayer& operator=(const MidiPortLayer&) = delete;

    // midiInName, midiOutName, midiChannel and deviceId as they stand.
    MidiConfiguration Configuration() const;
    void SetConfiguration(const MidiConfiguration& configuration);

    // Reads the four device keys, reopens the output and resets it when it opened.
    void ApplyMidiSettings();
    void OpenMidiOut();
    void OpenMidiIn();
    // OpenMidiIn, then reset and start the input when it opened.
    void StartMidiIn();
    void CloseMidiIn();
    void CloseMidiOut();
    void CloseMidiPorts();  // output first, then input

    // Lost without a word when no output is open.
    void SendShortMessage(std::uint32_t message);

    // A channel message's status byte: kind (80h, 90h, B0h, C0h ...) on midiChannel. A
    // channel outside 1..16 sends on channel 1, so the byte is always of the kind asked for.
    std::uint8_t ChannelStatus(std::uint8_t kind) const;
    // The exclusive device byte for deviceId (10h when deviceId lies outside 1..128).
    std::uint8_t DeviceByte() const;

    bool IsMidiOutOpen() const;
    bool IsMidiInOpen() const;
    // Runs `use` on the open port with the port held; kInvalidHandle when none is open.
    MidiResult UseMidiOut(const std::function<MidiResult(MidiOutPort&)>& use);
    MidiResult UseMidiIn(const std::function<MidiResult(MidiInPort&)>& use);
    std::string OutErrorText(MidiResult error) const;
    // The service the ports come from, for listing devices (the MIDI settings dialog).
    MidiService& Service() { return service_; }
    std::string InErrorText(MidiResult error) const;

private:
    enum class Direction { In, Out };
    std::optional<unsigned> ChooseDevice(Direction direction, const std::string& name);
    void ShowOpenFailure(const std::string& text);
    // Called with the direction's change lock held.
    void CloseMidiOutLocked();
    void CloseMidiInLocked();

    MidiService& service_;
    SettingsStore& settings_;
    UserPrompts& prompts_;
    MidiNoticeTarget& notices_;

    mutable std::mutex configurationLock_;
    MidiConfiguration configuration_;

    // Opening and closing one direction is serialised as a whole; the port itself is swapped
    // and used under its own short lock.
    std::mutex outChangeLock_;
    std::mutex inChangeLock_;
    mutable std::mutex outLock_;
    mutable std::mutex inLock_;
    std::unique_ptr<MidiOutPort> midiOut_;
    std::unique_ptr<MidiInPort> midiIn_;
};

}  // namespace tessel::midi
