#pragma once
// The values a preview run plays with. The window thread writes them as the user moves a
// track bar or chooses a type; a run reads them afresh at every note. They hold what the
// settings file held, even outside the track bars' ranges; a run makes them harmless.
#include <atomic>

namespace tessel {

struct PreviewValues {
    std::atomic<int> previewRange{4};
    std::atomic<int> previewVelocity{100};
    std::atomic<int> previewTempo{140};
    std::atomic<int> previewType{0};  // always a valid list entry, 0..9
    std::atomic<int> autoPreview{1};  // 0 or 1
};

}  // namespace tessel
