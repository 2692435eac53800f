#include "midi/service/MidiService.h"
