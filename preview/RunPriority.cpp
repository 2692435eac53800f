#include "preview/RunPriority.h"

#if defined(__unix__) || defined(__APPLE__)
#include <pthread.h>
#include <sched.h>
#endif

namespace tessel::preview {

#if defined(__unix__) || defined(__APPLE__)

// JACK's own threads run at 70 and above by default.
constexpr int kRunPriority = 10;

bool RaiseToLowRealtimePriority() {
    sched_param parameters{};
    parameters.sched_priority = kRunPriority;
    return pthread_setschedparam(pthread_self(), SCHED_FIFO, &parameters) == 0;
}

#else

bool RaiseToLowRealtimePriority() {
    return false;
}

#endif

}  // namespace tessel::preview
