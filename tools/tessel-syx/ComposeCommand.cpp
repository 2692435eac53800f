#include "tools/tessel-syx/ComposeCommand.h"

#include <algorithm>
#include <charconv>
#include <optional>
#include <ostream>
#include <string_view>

#include "bank/BankFile.h"
#include "library/format/DumpFile.h"
#include "tools/tessel-syx/SyxTool.h"

namespace tessel::syx {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kDeviceOption = "--device-id";
constexpr int kDefaultDeviceId = 17;

struct PatchSource {
    fs::path file;
    std::string label;
    int index;
};

std::optional<int> ReadNumber(std::string_view text) {
    int value = 0;
    const auto [end, failure] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (failure != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

// FILE:LABEL, split at the last colon. The label must be a patch number as the lists show it
// ("11" .. "88", and "91" and on for the longer files), so "19" or "011" are refused.
std::optional<PatchSource> ReadSource(const std::string& argument) {
    const auto colon = argument.rfind(':');
    if (colon == std::string::npos || colon == 0) {
        return std::nullopt;
    }
    const std::string label = argument.substr(colon + 1);
    const auto number = ReadNumber(label);
    if (!number || *number <= 0) {
        return std::nullopt;
    }
    const int index = format::LabelToIndex(*number);
    if (index < 0 || format::PatchLabel(index) != label) {
        return std::nullopt;
    }
    return PatchSource{argument.substr(0, colon), label, index};
}

int Fail(std::ostream& err, const std::string& what, int status) {
    err << "tessel-syx: " << what << '\n';
    return status;
}

int UsageFailure(std::ostream& err, const std::string& what) {
    return Fail(err, what + "\nTry 'tessel-syx --help' for more information.", kExitError);
}

// The status of reading one patch into its slot.
int ReadInto(const PatchSource& source, format::PatchRecord& slot, std::ostream& err) {
    std::error_code error;
    const auto record = format::ReadPatchRecord(source.file, source.index, error);
    if (error) {
        return Fail(err, "cannot read " + source.file.string() + ": " + error.message(),
                    kExitError);
    }
    if (!record) {
        return Fail(err, source.file.string() + " holds no patch " + source.label, kExitProblem);
    }
    slot = *record;
    return kExitOk;
}

}  // namespace

int Compose(std::span<const std::string> args, std::ostream& /*out*/, std::ostream& err) {
    int deviceId = kDefaultDeviceId;
    if (!args.empty() && args[0] == kDeviceOption) {
        const auto id = args.size() > 1 ? ReadNumber(args[1]) : std::nullopt;
        if (!id) {
            return UsageFailure(err, "--device-id takes a number");
        }
        deviceId = *id;
        args = args.subspan(2);
    }
    if (args.size() < 2) {
        return UsageFailure(err, "compose takes OUT and at least one FILE:LABEL");
    }
    const auto sources = args.subspan(1);
    if (sources.size() > std::size_t(bank::kSlotCount)) {
        return UsageFailure(err, "a bank holds at most 64 patches");
    }
    bank::BankRecords records;
    records.fill(bank::EmptySlotRecord());
    int status = kExitOk;
    for (std::size_t slot = 0; slot < sources.size(); ++slot) {
        const auto source = ReadSource(sources[slot]);
        if (!source) {
            return UsageFailure(err, "'" + sources[slot] +
                                         "' is not FILE:LABEL with a patch "
                                         "number such as 11 or 88");
        }
        status = std::max(status, ReadInto(*source, records[slot], err));
    }
    if (status != kExitOk) {
        return status;  // nothing written
    }
    std::error_code error;
    if (!bank::WriteBankFile(args[0], records, format::DeviceByte(deviceId), error)) {
        return Fail(err, "cannot write " + args[0] + ": " + error.message(), kExitError);
    }
    return kExitOk;
}

}  // namespace tessel::syx
