#include "library/format/DumpFile.h"
