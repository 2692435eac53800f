#include "library/lists/LibrarySearch.h"

#include "library/format/DumpReaders.h"
#include "library/format/FileWindow.h"

namespace tessel::library {

LibrarySearch::LibrarySearch(std::filesystem::path folder, std::vector<std::string> fileNames,
                             std::string text, HitsFound hitsFound)
    : folder_(std::move(folder)),
      fileNames_(std::move(fileNames)),
      search_(text),
      hitsFound_(std::move(hitsFound)),
      receiver_(std::make_unique<SearchWaker>([this] { Deliver(); })) {
    thread_ = std::thread([this] { Run(); });
}

LibrarySearch::~LibrarySearch() {
    stop_ = true;
    thread_.join();
}

void LibrarySearch::Run() {
    using Clock = std::chrono::steady_clock;
    std::vector<FindHit> found;
    auto lastHandOver = Clock::now() - kBatchInterval;  // the first hits are shown at once
    for (std::uint32_t file = 0; file < fileNames_.size() && !stop_; ++file) {
        SearchFile(file, found);
        if (!found.empty() && Clock::now() - lastHandOver >= kBatchInterval) {
            HandOver(found, false);
            lastHandOver = Clock::now();
        }
    }
    HandOver(found, true);
}

void LibrarySearch::SearchFile(std::uint32_t file, std::vector<FindHit>& found) const {
    const std::size_t before = found.size();
    format::FileWindow window(folder_ / fileNames_[file]);
    format::detail::VisitPatchNamesIn(window, [&](int index, std::string_view name) {
        if (search_.Matches(name)) {
            found.emplace_back(file, index, name);
        }
    });
    if (window.Error()) {
        found.resize(before);
    }
}

// Hands the hits found so far to the starting thread; one delivery at a time is queued, and
// it takes whatever has come in by the time it runs.
void LibrarySearch::HandOver(std::vector<FindHit>& found, bool last) {
    bool queue = false;
    {
        const std::lock_guard lock(mutex_);
        if (pending_.empty()) {
            pending_.swap(found);
        } else {
            pending_.insert(pending_.end(), found.begin(), found.end());
        }
        found.clear();
        searchEnded_ = last;
        queue = !deliveryQueued_;
        deliveryQueued_ = true;
    }
    if (queue) {
        QMetaObject::invokeMethod(receiver_.get(), "Wake", Qt::QueuedConnection);
    }
}

void LibrarySearch::Deliver() {
    std::vector<FindHit> hits;
    bool ended = false;
    {
        const std::lock_guard lock(mutex_);
        hits.swap(pending_);
        deliveryQueued_ = false;
        ended = searchEnded_;
    }
    if (!hits.empty()) {
        hitsFound_(std::move(hits));
    }
    finished_ = ended;
}

}  // namespace tessel::library
