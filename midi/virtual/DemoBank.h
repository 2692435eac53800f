#pragma once
// The virtual instrument's factory bank: 64 invented patches with names of our own and
// parameter bytes in the data range, the same on every run.
#include <array>

#include "library/format/RolandMessage.h"

namespace tessel::midi {

using DemoBank = std::array<format::PatchRecord, format::kPatchCount>;

DemoBank DemoBankRecords();
// The 25,536-byte patch memory dump of the demo bank (96 DT1 messages of 266 bytes).
format::Bytes DemoBankDump(std::uint8_t deviceByte = format::kDefaultDeviceByte);

}  // namespace tessel::midi
