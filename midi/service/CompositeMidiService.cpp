#include "midi/service/CompositeMidiService.h"

#include <utility>

namespace tessel::midi {

CompositeMidiService::CompositeMidiService(std::vector<std::unique_ptr<MidiService>> backends) {
    for (auto& backend : backends) {
        Add(std::move(backend));
    }
}

MidiService& CompositeMidiService::Add(std::unique_ptr<MidiService> backend) {
    backends_.push_back(std::move(backend));
    return *backends_.back();
}

unsigned CompositeMidiService::InGetNumDevs() {
    unsigned count = 0;
    for (auto& backend : backends_) {
        count += backend->InGetNumDevs();
    }
    return count;
}

unsigned CompositeMidiService::OutGetNumDevs() {
    unsigned count = 0;
    for (auto& backend : backends_) {
        count += backend->OutGetNumDevs();
    }
    return count;
}

std::optional<CompositeMidiService::Located> CompositeMidiService::Locate(
    unsigned device, Direction direction) const {
    for (const auto& backend : backends_) {
        const unsigned count =
            direction == Direction::In ? backend->InGetNumDevs() : backend->OutGetNumDevs();
        if (device < count) {
            return Located{backend.get(), device};
        }
        device -= count;
    }
    return std::nullopt;
}

MidiResult CompositeMidiService::InGetDevCaps(unsigned device, std::string& productName) {
    const auto located = Locate(device, Direction::In);
    return located ? located->backend->InGetDevCaps(located->device, productName)
                   : MidiError::kBadDeviceId;
}

MidiResult CompositeMidiService::OutGetDevCaps(unsigned device, std::string& productName) {
    const auto located = Locate(device, Direction::Out);
    return located ? located->backend->OutGetDevCaps(located->device, productName)
                   : MidiError::kBadDeviceId;
}

MidiResult CompositeMidiService::InOpen(std::unique_ptr<MidiInPort>& port, unsigned device,
                                        MidiNoticeTarget& target) {
    const auto located = Locate(device, Direction::In);
    return located ? located->backend->InOpen(port, located->device, target)
                   : MidiError::kBadDeviceId;
}

MidiResult CompositeMidiService::OutOpen(std::unique_ptr<MidiOutPort>& port, unsigned device,
                                         MidiNoticeTarget& target) {
    const auto located = Locate(device, Direction::Out);
    return located ? located->backend->OutOpen(port, located->device, target)
                   : MidiError::kBadDeviceId;
}

}  // namespace tessel::midi
