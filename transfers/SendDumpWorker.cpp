#include "transfers/SendDumpWorker.h"

#include <algorithm>
#include <fstream>
#include <span>
#include <system_error>

#include "library/format/RolandMessage.h"
#include "midi/ports/MidiPortLayer.h"
#include "midi/sysex/SysexTransfer.h"
#include "transfers/TransferView.h"

namespace tessel::transfers {

std::optional<std::vector<std::uint8_t>> ReadSendableFile(const std::filesystem::path& file) {
    // A pipe or a device named like a dump would be waited on or read without end.
    std::error_code error;
    if (!std::filesystem::is_regular_file(file, error)) {
        return std::nullopt;
    }
    const std::uintmax_t size = std::filesystem::file_size(file, error);
    if (error || size > kLargestSendableFile) {
        return std::nullopt;
    }
    std::ifstream stream(file, std::ios::binary);
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
    if (!stream.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(size))) {
        return std::nullopt;
    }
    return bytes;
}

std::size_t MessageLengthAt(const std::vector<std::uint8_t>& bytes, std::size_t offset) {
    const auto start = bytes.begin() + static_cast<std::ptrdiff_t>(offset);
    const auto end = std::find(start, bytes.end(), format::kExclusiveEnd);
    return static_cast<std::size_t>(end - start) + (end == bytes.end() ? 0 : 1);
}

SendDumpWorker::SendDumpWorker(const TransferLinks& links, std::filesystem::path file)
    : links_(links), file_(std::move(file)) {}

SendDumpWorker::~SendDumpWorker() {
    Stop();
}

void SendDumpWorker::Start() {
    thread_.Start([this] { Run(); });
}

void SendDumpWorker::Stop() {
    thread_.Stop();
}

void SendDumpWorker::Run() {
    const auto image = ReadSendableFile(file_);
    if (!image || !links_.sysex.BeginTransfer()) {
        links_.view.TransferEnded();
        return;
    }
    const int size = static_cast<int>(image->size());
    links_.view.ShowProgress(0, size);
    const bool complete = SendMessages(*image);
    links_.sysex.EndTransfer();
    Finish(complete, size);
}

bool SendDumpWorker::SendMessages(const std::vector<std::uint8_t>& image) {
    auto& sysex = links_.sysex;
    for (std::size_t offset = 0; offset < image.size();) {
        links_.view.ShowProgress(static_cast<int>(offset), static_cast<int>(image.size()));
        const std::size_t length = MessageLengthAt(image, offset);
        if (!sysex.TakeSysexBlock(length)) {
            return false;
        }
        sysex.PointBlockAt(std::span(image).subspan(offset, length));
        if (!sysex.SendSysexBlock() || !thread_.Pause(kPauseAfterMessage)) {
            return false;
        }
        offset += length;
    }
    return true;
}

// A send that stopped part-way has left parts of two dumps in the instrument, so no file is
// named as the one it holds; patch selections then write the temporary patch, which is
// always right. A run stopped by the window's close shows nothing more.
void SendDumpWorker::Finish(bool complete, int size) {
    auto& view = links_.view;
    if (!thread_.StopRequested()) {
        view.SelectFirstPatch();
        auto& ports = links_.ports;
        ports.SendShortMessage(
            midi::PackShortMessage(ports.ChannelStatus(midi::status::kProgramChange), 0));
        view.ShowProgress(0, size);
        view.ShowTransferredFile(complete ? std::optional(file_) : std::nullopt);
    }
    view.TransferEnded();
}

}  // namespace tessel::transfers
