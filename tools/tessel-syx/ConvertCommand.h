#pragma once
// tessel-syx convert [--device-id N] IN OUT: the patches IN holds, in any layout or in a
// Standard MIDI File, written to OUT as a standard 25,536-byte dump.
#include <iosfwd>
#include <optional>
#include <span>
#include <string>

namespace tessel::syx {

struct ConvertRequest {
    std::string in;
    std::string out;
    int deviceId = 17;  // as the user counts, 1..128
};

// The request, or none with problem set to the usage error.
std::optional<ConvertRequest> ParseConvertArguments(std::span<const std::string> args,
                                                    std::string& problem);
int Convert(const ConvertRequest& request, std::ostream& out, std::ostream& err);

}  // namespace tessel::syx
