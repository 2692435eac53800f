#pragma once
// What a Send or Receive worker asks of the window: progress, the patch list selection, the
// file the instrument now holds and the file list. A worker calls these on its own thread;
// the window's implementation runs on the window thread, reached through a
// QueuedTransferView, so no worker ever touches a widget.
#include <filesystem>
#include <optional>

namespace tessel::transfers {

class TransferView {
public:
    virtual ~TransferView() = default;
    // The progress bar's range 0 .. maximum and its position.
    virtual void ShowProgress(int position, int maximum) = 0;
    // Patch 11 selected in the patch list, without the selection's own action.
    virtual void SelectFirstPatch() = 0;
    // The file the instrument's patch memory now holds, stored and shown; none when it holds
    // no one file (a send that stopped part-way).
    virtual void ShowTransferredFile(const std::optional<std::filesystem::path>& file) = 0;
    // The file list read again, the received file selected and its patches listed.
    virtual void ShowReceivedFile() = 0;
    // The worker's last call: its thread is about to end.
    virtual void TransferEnded() = 0;
};

}  // namespace tessel::transfers
