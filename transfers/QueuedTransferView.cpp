#include "transfers/QueuedTransferView.h"

#include <QMetaObject>
#include <QObject>

namespace tessel::transfers {

QueuedTransferView::QueuedTransferView(TransferView& window)
    : window_(window), context_(std::make_unique<QObject>()) {}

QueuedTransferView::~QueuedTransferView() {
    Close();
    // Deleting the context also discards the calls still queued for it.
    context_.reset();
}

void QueuedTransferView::Close() {
    std::lock_guard lock(lock_);
    closed_ = true;
}

bool QueuedTransferView::IsClosed() const {
    std::lock_guard lock(lock_);
    return closed_;
}

// Posted under the lock, so that nothing reaches the context once Close() has returned; the
// call itself checks again, since Close() may come while it waits in the queue.
template <class Call>
void QueuedTransferView::Post(Call call) {
    std::lock_guard lock(lock_);
    if (closed_) {
        return;
    }
    QMetaObject::invokeMethod(
        context_.get(),
        [this, call = std::move(call)] {
            if (!IsClosed()) {
                call(window_);
            }
        },
        Qt::QueuedConnection);
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
