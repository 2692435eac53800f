#pragma once
// Find over the whole library on a thread of its own, so that the window keeps answering
// while thousands of files are read. Files are searched in the given order and their hits
// reach the thread that started the search (through its event loop) in that order, in
// batches at most kBatchInterval apart, so a list fed by them fills fast without being
// redrawn for every file.
#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "library/format/DumpFile.h"
#include "library/lists/FindResults.h"

#include <QObject>

namespace tessel::library {

// Wakes the starting thread by name: Qt's queue then carries no data of ours, and every
// hand-over of hits goes through the search's mutex, where ThreadSanitizer sees it.
class SearchWaker final : public QObject {
    Q_OBJECT
public:
    explicit SearchWaker(std::function<void()> wake) : wake_(std::move(wake)) {}
    Q_INVOKABLE void Wake() { wake_(); }

private:
    const std::function<void()> wake_;
};

class LibrarySearch {
public:
    static constexpr std::chrono::milliseconds kBatchInterval{40};

    // Called on the starting thread with the next hits; it must not destroy the search.
    using HitsFound = std::function<void(std::vector<FindHit>)>;

    // Starts searching the names of the files in folder for text (the bytes to find, as
    // format::NameSearch takes them). A file that cannot be read contributes nothing and the
    // search goes on with the next.
    LibrarySearch(std::filesystem::path folder, std::vector<std::string> fileNames,
                  std::string text, HitsFound hitsFound);
    // Stops the search and waits for its thread, which ends after the file it is reading;
    // hits not yet handed over are dropped.
    ~LibrarySearch();
    LibrarySearch(const LibrarySearch&) = delete;
    LibrarySearch& operator=(const LibrarySearch&) = delete;

    // Every file searched and every hit handed over.
    bool Finished() const { return finished_; }

private:
    void Run();
    void SearchFile(std::uint32_t file, std::vector<FindHit>& found) const;
    void HandOver(std::vector<FindHit>& found, bool last);
    void Deliver();

    const std::filesystem::path folder_;
    const std::vector<std::string> fileNames_;
    const format::NameSearch search_;
    const HitsFound hitsFound_;
    // Lives on the starting thread; a delivery still queued when it goes is dropped with it.
    std::unique_ptr<SearchWaker> receiver_;

    std::mutex mutex_;
    std::vector<FindHit> pending_;  // found, not yet handed over
    bool deliveryQueued_ = false;
    bool searchEnded_ = false;

    std::atomic<bool> stop_{false};
    bool finished_ = false;  // starting thread only
    std::thread thread_;
};

}  // namespace tessel::library
