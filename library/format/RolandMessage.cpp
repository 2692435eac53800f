#include "library/format/RolandMessage.h"
