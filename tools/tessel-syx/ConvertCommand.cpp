#include "tools/tessel-syx/ConvertCommand.h"

#include <algorithm>
#include <charconv>
#include <ostream>
#include <string_view>
#include <vector>

#include "core/files/ReplaceFile.h"
#include "library/format/DumpFile.h"
#include "library/format/RolandMessage.h"
#include "tools/tessel-syx/SyxTool.h"

namespace tessel::syx {

namespace {

constexpr std::string_view kDeviceIdOption = "--device-id";

std::optional<int> DeviceId(const std::string& text) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size() || value < 1 || value > 128) {
        return std::nullopt;
    }
    return value;
}

}  // namespace

std::optional<ConvertRequest> ParseConvertArguments(std::span<const std::string> args,
                                                    std::string& problem) {
    ConvertRequest request;
    std::vector<std::string> files;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] != kDeviceIdOption) {
            files.push_back(args[i]);
            continue;
        }
        const auto id = i + 1 < args.size() ? DeviceId(args[++i]) : std::nullopt;
        if (!id) {
            problem = "--device-id takes a number from 1 to 128";
            return std::nullopt;
        }
        request.deviceId = *id;
    }
    if (files.size() != 2) {
        problem = "convert takes IN and OUT";
        return std::nullopt;
    }
    request.in = files[0];
    request.out = files[1];
    return request;
}

// Nothing is written unless IN holds a patch; OUT is replaced in one step, so that a failure
// leaves what was there before.
int Convert(const ConvertRequest& request, std::ostream& out, std::ostream& err) {
    std::error_code error;
    const format::HeldPatches held = format::ReadHeldPatches(request.in, error);
    if (error) {
        err << "tessel-syx: cannot read " << request.in << ": " << error.message() << '\n';
        return kExitError;
    }
    const auto count = std::count_if(held.records.begin(), held.records.end(),
                                     [](const auto& record) { return record.has_value(); });
    if (count == 0) {
        err << "tessel-syx: " << request.in << " holds no JD-800 patch memory; " << request.out
            << " not written\n";
        return kExitProblem;
    }
    std::array<format::PatchRecord, format::kPatchCount> records;
    std::transform(held.records.begin(), held.records.end(), records.begin(),
                   [](const auto& record) { return record.value_or(format::EmptyPatchRecord()); });
    const format::Bytes dump =
        format::BuildPatchMemoryDumpFile(format::DeviceByte(request.deviceId), records);
    const std::string_view content(reinterpret_cast<const char*>(dump.data()), dump.size());
    if (!ReplaceFileContent(request.out, content)) {
        err << "tessel-syx: cannot write " << request.out << '\n';
        return kExitError;
    }
    out << request.out << ": " << count << " patches of " << request.in << ", "
        << format::kPatchCount - static_cast<std::size_t>(count) << " empty slots\n";
    return kExitOk;
}

}  // namespace tessel::syx
