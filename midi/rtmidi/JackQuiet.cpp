#include "midi/rtmidi/JackQuiet.h"

#include <mutex>

#ifdef TESSEL_HAVE_JACK
#include <jack/jack.h>
#endif

namespace tessel::midi {

#ifdef TESSEL_HAVE_JACK
namespace {
void Drop(const char*) {}
}  // namespace
#endif

void QuietJackMessages() {
#ifdef TESSEL_HAVE_JACK
    static std::once_flag once;
    std::call_once(once, [] {
        jack_set_error_function(&Drop);
        jack_set_info_function(&Drop);
    });
#endif
}

}  // namespace tessel::midi
