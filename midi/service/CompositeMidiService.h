#pragma once
// Several MIDI backends shown as one service: the devices of the first backend, then those
// of the second, and so on, numbered from 0 across all of them. Opens go to the backend that
// lists the device, with the device renumbered within that backend.
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "midi/service/MidiService.h"

namespace tessel::midi {

class CompositeMidiService final : public MidiService {
public:
    CompositeMidiService() = default;
    explicit CompositeMidiService(std::vector<std::unique_ptr<MidiService>> backends);

    // Appends a backend after those already added; returns it for the caller's own use.
    MidiService& Add(std::unique_ptr<MidiService> backend);
    std::size_t BackendCount() const { return backends_.size(); }

    unsigned InGetNumDevs() override;
    unsigned OutGetNumDevs() override;
    MidiResult InGetDevCaps(unsigned device, std::string& productName) override;
    MidiResult OutGetDevCaps(unsigned device, std::string& productName) override;
    MidiResult InOpen(std::unique_ptr<MidiInPort>& port, unsigned device,
                      MidiNoticeTarget& target) override;
    MidiResult OutOpen(std::unique_ptr<MidiOutPort>& port, unsigned device,
                       MidiNoticeTarget& target) override;

private:
    struct Located {
        MidiService* backend;
        unsigned device;  // within that backend
    };
    enum class Direction { In, Out };
    std::optional<Located> Locate(unsigned device, Direction direction) const;

    std::vector<std::unique_ptr<MidiService>> backends_;
};

}  // namespace tessel::midi
