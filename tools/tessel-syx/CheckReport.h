#pragma once
// The lines `check` prints about one file around its message problems.
#include <iosfwd>
#include <string>

#include "library/format/DumpSurvey.h"

namespace tessel::syx {

// A MIDI file's container and damage, then the layout and how many patches and messages.
void PrintLayout(const std::string& shown, const format::DumpSurvey& survey, std::ostream& out);
// Patches that arrived only in part, then the messages the reading passed over.
void PrintPassedOver(const std::string& shown, const format::DumpSurvey& survey, std::ostream& out);
// 0 for a file that holds patch memory without a problem, else 1.
int CheckStatus(const format::DumpSurvey& survey);

}  // namespace tessel::syx
