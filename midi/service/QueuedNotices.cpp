#include "midi/service/QueuedNotices.h"

#include <QMetaObject>

namespace tessel::midi {

QueuedNotices::QueuedNotices(MidiNoticeHandler& handler) : handler_(handler) {}

// Deleting the object also discards the wake-ups still posted to it.
QueuedNotices::~QueuedNotices() {
    Close();
}

void QueuedNotices::PostShortMessage(std::uint32_t message, ArrivalTime arrived) {
    Post({Kind::ShortMessage, message, nullptr, arrived});
}

void QueuedNotices::PostOutputDone(MidiHeader* header) {
    Post({Kind::OutputDone, 0, header, {}});
}

void QueuedNotices::PostInputLongData(MidiHeader* header) {
    Post({Kind::InputLongData, 0, header, {}});
}

void QueuedNotices::Close() {
    std::lock_guard lock(lock_);
    closed_ = true;
    queue_.clear();
}

void QueuedNotices::Post(const Notice& notice) {
    std::lock_guard lock(lock_);
    if (closed_) {
        return;
    }
    queue_.push_back(notice);
    // One wake-up per notice, each delivering the oldest one, so that the order holds even
    // when a handler runs a nested event loop. Posted under the lock: once Close() has run,
    // nothing reaches this object any more.
    QMetaObject::invokeMethod(this, "Deliver", Qt::QueuedConnection);
}

void QueuedNotices::Deliver() {
    Notice notice{};
    {
        std::lock_guard lock(lock_);
        if (closed_ || queue_.empty()) {
            return;
        }
        notice = queue_.front();
        queue_.pop_front();
    }
    switch (notice.kind) {
        case Kind::ShortMessage:
            handler_.CaptureEvent(notice.message, notice.arrived);
            break;
        case Kind::OutputDone:
            handler_.OnMidiOutDone(notice.header);
            break;
        case Kind::InputLongData:
            handler_.OnMidiInLongData(notice.header);
            break;
    }
}

}  // namespace tessel::midi
