#include "preview/PreviewPlayer.h"

#include <thread>

#include "preview/PreviewPatterns.h"
#include "preview/RunPriority.h"
#include "core/threads/RunSignal.h"

namespace tessel::preview {

struct PreviewPlayer::Run {
    RunSignal stop;
    RunSignal finished;  // set as the run's last act
    // The run before, when it had not finished by the time this one started.
    std::unique_ptr<Run> previous;
    std::thread thread;

    ~Run() {
        if (thread.joinable()) {
            thread.join();
        }
    }
};

PreviewPlayer::PreviewPlayer(const PreviewValues& values, const MotifBank& motifs,
                             midi::MidiPortLayer& ports)
    : values_(values), motifs_(motifs), ports_(ports) {}

PreviewPlayer::~PreviewPlayer() {
    Shutdown();
}

void PreviewPlayer::StartPreview(int previewType) {
    StopPreview();
    auto run = std::make_unique<Run>();
    run->previous = std::move(current_);
    Run& started = *run;
    current_ = std::move(run);
    started.thread = std::thread([this, &started, previewType] { Play(started, previewType); });
}

void PreviewPlayer::StopPreview(std::chrono::milliseconds wait) {
    if (Playing()) {
        current_->stop.Set();
        current_->finished.WaitFor(wait);
    }
}

void PreviewPlayer::Shutdown() {
    StopPreview();
    current_.reset();
}

bool PreviewPlayer::Playing() const {
    return current_ && !current_->finished.IsSet();
}

void PreviewPlayer::Play(Run& run, int previewType) {
    run.previous.reset();  // joins a run that is still ending
    RaiseToLowRealtimePriority();
    RunContext context(values_, ports_, run.stop);
    if (previewType == kOneNote) {
        PlayOneNote(context);
    } else if (previewType == kArpeggio) {
        PlayArpeggio(context);
    } else if (previewType >= kFirstMotifType) {
        if (const Motif* motif = motifs_.Find(previewType - kFirstMotifType)) {
            PlayMotif(context, *motif);
        }
    }
    SendClosingControllers(context, previewType != kOneNote && previewType != kArpeggio);
    run.finished.Set();
}

}  // namespace tessel::preview
