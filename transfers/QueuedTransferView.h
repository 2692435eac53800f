#pragma once
// Hands a worker's TransferView calls to the thread that created this object (the window
// thread), in the order they were made. After Close() nothing more reaches the window: calls
// still queued and calls made later are dropped.
//
// The calls wait in a queue of our own under a mutex, so that what they carry is ordered for
// ThreadSanitizer as well; Qt's queue only wakes the window thread, by name, carrying no
// data of ours.
#include <deque>
#include <functional>
#include <mutex>

#include <QObject>

#include "transfers/TransferView.h"

namespace tessel::transfers {

class QueuedTransferView final : public QObject, public TransferView {
    Q_OBJECT
public:
    explicit QueuedTransferView(TransferView& window);
    ~QueuedTransferView() override;

    void ShowProgress(int position, int maximum) override;
    void SelectFirstPatch() override;
    void ShowTransferredFile(const std::optional<std::filesystem::path>& file) override;
    void ShowReceivedFile() override;
    void TransferEnded() override;

    void Close();

private:
    using Call = std::function<void(TransferView&)>;

    void Post(Call call);
    Q_INVOKABLE void DeliverNext();

    TransferView& window_;
    std::mutex lock_;
    std::deque<Call> queue_;
    bool closed_ = false;
};

}  // namespace tessel::transfers
