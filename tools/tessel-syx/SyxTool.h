#pragma once
// The tessel-syx commands, apart from main() so that output streams can be chosen.
#include <iosfwd>
#include <span>
#include <string>

namespace tessel::syx {

inline constexpr int kExitOk = 0;
inline constexpr int kExitProblem = 1;  // no dump, bad message, skipped files
inline constexpr int kExitError = 2;    // cannot read what was named, bad command line

// args are the command-line arguments after the program name; returns the exit status.
int RunSyxTool(std::span<const std::string> args, std::ostream& out, std::ostream& err);

}  // namespace tessel::syx
