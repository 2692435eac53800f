#pragma once
// tessel-syx compose: a bank file made of patches named by file and patch number, written
// byte for byte as the window's Bank Builder saves it.
#include <iosfwd>
#include <span>
#include <string>

namespace tessel::syx {

// args: [--device-id ID] OUT FILE:LABEL... ; returns the exit status.
int Compose(std::span<const std::string> args, std::ostream& out, std::ostream& err);

}  // namespace tessel::syx
