#pragma once
// A preview run sleeps between its notes and must wake on time: on a busy machine a thread of
// ordinary priority can wake several milliseconds late. Like the audio programs beside it, a
// run asks for the real-time scheduling class at a low priority (below a MIDI server's own
// threads). Without the right to it (an ordinary user without a real-time limit) the thread
// stays as it was; nothing else changes.
namespace tessel::preview {

// For the calling thread; true when the request was granted.
bool RaiseToLowRealtimePriority();

}  // namespace tessel::preview
