#pragma once
// Hands a worker's TransferView calls to the thread that created this object (the window
// thread), in the order they were made. After Close() nothing more reaches the window: calls
// still queued and calls made later are dropped.
#include <memory>
#include <mutex>

#include "transfers/TransferView.h"

class QObject;

namespace tessel::transfers {

class QueuedTransferView final : public TransferView {
public:
    explicit QueuedTransferView(TransferView& window);
    ~QueuedTransferView() override;
    QueuedTransferView(const QueuedTransferView&) = delete;
    QueuedTransferView& operator=(const QueuedTransferView&) = delete;

    void ShowProgress(int position, int maximum) override;
    void SelectFirstPatch() override;
    void ShowTransferredFile(const std::optional<std::filesystem::path>& file) override;
    void ShowReceivedFile() override;
    void TransferEnded() override;

    void Close();

private:
    template <class Call>
    void Post(Call call);
    bool IsClosed() const;

    TransferView& window_;
    std::unique_ptr<QObject> context_;
    mutable std::mutex lock_;
    bool closed_ = false;
};

}  // namespace tessel::transfers
