#pragma once
// Carries the service's notices from the backends' threads to the thread that owns the
// handler (the main window's), one at a time and in the order posted. The hand-over uses
// a std::mutex-guarded queue so that the data behind each notice is ordered for
// ThreadSanitizer as well; a queued invocation by name only wakes the owning thread and
// carries no data of ours.
#include <cstdint>
#include <deque>
#include <mutex>

#include <QObject>

#include "midi/service/MidiService.h"

namespace tessel::midi {

// The three notices the main window handles.
class MidiNoticeHandler {
public:
    virtual ~MidiNoticeHandler() = default;
    // An incoming short message, with the moment it arrived at the port.
    virtual void CaptureEvent(std::uint32_t message, ArrivalTime arrived) = 0;
    virtual void OnMidiOutDone(MidiHeader* header) = 0;     // sets outputDoneEvent
    virtual void OnMidiInLongData(MidiHeader* header) = 0;  // sets inputDoneEvent
};

class QueuedNotices final : public QObject, public MidiNoticeTarget {
    Q_OBJECT
public:
    // Notices are delivered on the thread that constructs this object.
    explicit QueuedNotices(MidiNoticeHandler& handler);
    ~QueuedNotices() override;

    void PostShortMessage(std::uint32_t message, ArrivalTime arrived) override;
    void PostOutputDone(MidiHeader* header) override;
    void PostInputLongData(MidiHeader* header) override;

    // From now on nothing more is delivered; notices still queued are dropped.
    void Close();

private:
    enum class Kind { ShortMessage, OutputDone, InputLongData };
    struct Notice {
        Kind kind;
        std::uint32_t message;
        MidiHeader* header;
        ArrivalTime arrived;
    };
    void Post(const Notice& notice);
    Q_INVOKABLE void Deliver();

    MidiNoticeHandler& handler_;
    std::mutex lock_;
    std::deque<Notice> queue_;
    bool closed_ = false;
};

}  // namespace tessel::midi
