#pragma once
// The platform MIDI service as Tessel sees it: devices numbered from 0 and named by product
// name, ports opened on a device, short messages, System Exclusive blocks described by a
// header, and notices handed to a target. Modelled on the classic multimedia MIDI API so
// that the port layer and the System Exclusive transfer read the same on every backend.
#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

namespace tessel::midi {

// 0 is success; every other value is an error code whose text the service gives.
using MidiResult = unsigned;

namespace MidiError {
constexpr MidiResult kNoError = 0;
constexpr MidiResult kError = 1;              // unspecified failure
constexpr MidiResult kBadDeviceId = 2;        // device number out of range
constexpr MidiResult kAllocated = 4;          // device already in use
constexpr MidiResult kInvalidHandle = 5;      // no open port
constexpr MidiResult kNoDriver = 6;           // the MIDI system is not available
constexpr MidiResult kNoMemory = 7;           // memory could not be had
constexpr MidiResult kInvalidParameter = 11;  // a header or argument the service rejects
constexpr MidiResult kUnprepared = 64;        // header not prepared
constexpr MidiResult kStillPlaying = 65;      // the service still holds the block
constexpr MidiResult kNotReady = 67;          // the port is busy with another block
constexpr MidiResult kNoDevice = 68;          // the port's device or MIDI server has gone
constexpr MidiResult kTooLong = 72;           // a single message larger than the transport carries
}  // namespace MidiError

// When an incoming message arrived at the input port, read by the backend as it takes the
// message in, so that a recording keeps the rhythm played however busy the window is.
using ArrivalTime = std::chrono::steady_clock::time_point;

// MIDIHDR: the caller sets data and bufferLength; the service sets bytesRecorded and flags.
struct MidiHeader {
    static constexpr std::uint32_t kPrepared = 1;
    static constexpr std::uint32_t kDone = 2;
    static constexpr std::uint32_t kInQueue = 4;

    std::uint8_t* data = nullptr;     // lpData
    std::uint32_t bufferLength = 0;   // bytes to send, or the capacity of an input buffer
    std::uint32_t bytesRecorded = 0;  // bytes received into an input buffer
    std::atomic<std::uint32_t> flags{0};
};

// Receives the service's notices. A backend calls these on any of its threads; the
// implementation hands each notice, in order, to the thread that owns the target.
class MidiNoticeTarget {
public:
    virtual ~MidiNoticeTarget() = default;
    // An incoming short message and the moment it arrived at the port.
    virtual void PostShortMessage(std::uint32_t message, ArrivalTime arrived) = 0;
    virtual void PostOutputDone(MidiHeader* header) = 0;     // an outgoing block has left
    virtual void PostInputLongData(MidiHeader* header) = 0;  // an input buffer came back
};

// An open output port; destroying it closes the port.
class MidiOutPort {
public:
    virtual ~MidiOutPort() = default;
    // All Notes Off on every channel; blocks still pending are given back marked done.
    virtual MidiResult Reset() = 0;
    // Short message packed as status | data1 << 8 | data2 << 16.
    virtual MidiResult ShortMsg(std::uint32_t message) = 0;
    virtual MidiResult PrepareHeader(MidiHeader& header) = 0;
    // Accepts the block for sending; PostOutputDone follows once it has left.
    virtual MidiResult LongMsg(MidiHeader& header) = 0;
    // kStillPlaying while the service still holds the block.
    virtual MidiResult UnprepareHeader(MidiHeader& header) = 0;
};

// An open input port; destroying it closes the port.
class MidiInPort {
public:
    virtual ~MidiInPort() = default;
    virtual MidiResult Start() = 0;
    virtual MidiResult Stop() = 0;
    // Stops delivery and gives back every queued buffer marked done.
    virtual MidiResult Reset() = 0;
    virtual MidiResult PrepareHeader(MidiHeader& header) = 0;
    // The next whole System Exclusive message (or the first bufferLength bytes of a longer
    // one) goes into the buffer, then PostInputLongData hands it back.
    virtual MidiResult AddBuffer(MidiHeader& header) = 0;
    virtual MidiResult UnprepareHeader(MidiHeader& header) = 0;
};

class MidiService {
public:
    virtual ~MidiService() = default;
    virtual unsigned InGetNumDevs() = 0;
    virtual unsigned OutGetNumDevs() = 0;
    virtual MidiResult InGetDevCaps(unsigned device, std::string& productName) = 0;
    virtual MidiResult OutGetDevCaps(unsigned device, std::string& productName) = 0;
    virtual MidiResult InOpen(std::unique_ptr<MidiInPort>& port, unsigned device,
                              MidiNoticeTarget& target) = 0;
    virtual MidiResult OutOpen(std::unique_ptr<MidiOutPort>& port, unsigned device,
                               MidiNoticeTarget& target) = 0;
    virtual std::string InGetErrorText(MidiResult error) const;
    virtual std::string OutGetErrorText(MidiResult error) const;
};

}  // namespace tessel::midi
