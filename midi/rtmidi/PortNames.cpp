#include "midi/rtmidi/PortNames.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <set>

namespace tessel::midi {

namespace {

bool IsDigits(std::string_view text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isdigit(c); });
}

// "24:0" -> true
bool IsClientPortNumber(std::string_view text) {
    const auto colon = text.find(':');
    return colon != std::string_view::npos && IsDigits(text.substr(0, colon)) &&
           IsDigits(text.substr(colon + 1));
}

std::string Suffixed(const std::string& name, int number) {
    return name + " (" + std::to_string(number) + ")";
}

}  // namespace

std::string AlsaProductName(std::string_view portName) {
    const auto space = portName.rfind(' ');
    if (space == std::string_view::npos || !IsClientPortNumber(portName.substr(space + 1))) {
        return std::string(portName);
    }
    return std::string(portName.substr(0, space));
}

bool IsOwnPort(std::string_view productName) {
    const auto colon = productName.find(':');
    if (colon == std::string_view::npos) {
        return false;
    }
    std::string_view client = productName.substr(0, colon);
    if (!client.starts_with(kOwnClientName)) {
        return false;
    }
    client.remove_prefix(kOwnClientName.size());
    return client.empty() || (client.front() == '-' && IsDigits(client.substr(1)));
}

std::vector<std::string> NumberDuplicates(const std::vector<std::string>& names) {
    std::set<std::string> taken(names.begin(), names.end());
    std::map<std::string, int> seen;
    std::vector<std::string> unique;
    unique.reserve(names.size());
    for (const auto& name : names) {
        int& count = seen[name];
        if (++count == 1) {
            unique.push_back(name);
            continue;
        }
        std::string candidate = Suffixed(name, count);
        while (taken.contains(candidate)) {
            candidate = Suffixed(name, ++count);
        }
        taken.insert(candidate);
        unique.push_back(candidate);
    }
    return unique;
}

}  // namespace tessel::midi
