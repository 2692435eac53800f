#include "midi/service/MidiService.h"

#include <string>

namespace tessel::midi {
namespace {

enum class Direction { In, Out };

std::string PortWord(Direction direction) {
    return direction == Direction::In ? "input" : "output";
}

std::string ErrorText(MidiResult error, Direction direction) {
    switch (error) {
        case MidiError::kNoError:
            return "The MIDI operation succeeded.";
        case MidiError::kError:
            return "The MIDI " + PortWord(direction) + " failed for an unknown reason.";
        case MidiError::kBadDeviceId:
            return "The chosen MIDI " + PortWord(direction) + " device is not present.";
        case MidiError::kAllocated:
            return "The MIDI " + PortWord(direction) + " device is already in use.";
        case MidiError::kInvalidHandle:
            return "No MIDI " + PortWord(direction) + " port is open.";
        case MidiError::kNoDriver:
            return "The MIDI system is not available, so the MIDI " + PortWord(direction) +
                   " port could not be opened.";
        case MidiError::kNoMemory:
            return "There is not enough memory for the MIDI " + PortWord(direction) + ".";
        case MidiError::kInvalidParameter:
            return "The MIDI " + PortWord(direction) + " rejected the data it was given.";
        case MidiError::kUnprepared:
            return "The MIDI " + PortWord(direction) + " was given a block it had not prepared.";
        case MidiError::kStillPlaying:
            return direction == Direction::In
                       ? std::string("The MIDI input still holds the receive buffer.")
                       : std::string("The MIDI output is still sending the block.");
        case MidiError::kNotReady:
            return "The MIDI " + PortWord(direction) + " is busy with another block.";
        case MidiError::kNoDevice:
            return "The MIDI " + PortWord(direction) +
                   " device is no longer there; choose it again in the MIDI settings.";
        case MidiError::kTooLong:
            return "The System Exclusive message is too long for the MIDI " + PortWord(direction) +
                   " connection.";
        default:
            return "The MIDI " + PortWord(direction) + " reported error " + std::to_string(error) +
                   ".";
    }
}

}  // namespace

std::string MidiService::InGetErrorText(MidiResult error) const {
    return ErrorText(error, Direction::In);
}

std::string MidiService::OutGetErrorText(MidiResult error) const {
    return ErrorText(error, Direction::Out);
}

}  // namespace tessel::midi
