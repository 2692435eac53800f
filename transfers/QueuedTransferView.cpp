#include "transfers/QueuedTransferView.h"

#include <QMetaObject>

namespace tessel::transfers {

QueuedTransferView::QueuedTransferView(TransferView& window) : window_(window) {}

// Deleting the object also discards the wake-ups still queued for it.
QueuedTransferView::~QueuedTransferView() {
    Close();
}

void QueuedTransferView::Close() {
    std::lock_guard lock(lock_);
    closed_ = true;
    queue_.clear();
}

// One wake-up per call, each delivering the oldest one, so that the order holds even when a
// call runs an event loop of its own.
void QueuedTransferView::Post(Call call) {
    std::lock_guard lock(lock_);
    if (closed_) {
        return;
    }
    queue_.push_back(std::move(call));
    QMetaObject::invokeMethod(this, "DeliverNext", Qt::QueuedConnection);
}

void QueuedTransferView::DeliverNext() {
    Call call;
    {
        std::lock_guard lock(lock_);
        if (closed_ || queue_.empty()) {
            return;
        }
        call = std::move(queue_.front());
        queue_.pop_front();
    }
    call(window_);
}

void QueuedTransferView::ShowProgress(int position, int maximum) {
    Post([position, maximum](TransferView& view) { view.ShowProgress(position, maximum); });
}

void QueuedTransferView::SelectFirstPatch() {
    Post([](TransferView& view) { view.SelectFirstPatch(); });
}

void QueuedTransferView::ShowTransferredFile(const std::optional<std::filesystem::path>& file) {
    Post([file](TransferView& view) { view.ShowTransferredFile(file); });
}

void QueuedTransferView::ShowReceivedFile() {
    Post([](TransferView& view) { view.ShowReceivedFile(); });
}

void QueuedTransferView::TransferEnded() {
    Post([](TransferView& view) { view.TransferEnded(); });
}

}  // namespace tessel::transfers
