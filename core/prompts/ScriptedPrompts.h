#pragma once
// Prompts for tests: every prompt is recorded in order (from any thread) and answered from
// queues the test fills beforehand. With an empty queue the answer is what a user closing
// the prompt would give: OK for a message, No for a question, Cancel for a file or folder
// dialog, reject for a dialog.
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <vector>

#include "core/prompts/UserPrompts.h"

namespace tessel {

enum class PromptKind { Message, YesNo, Folder, SaveFile, OpenFile, Dialog };

struct PromptRecord {
    PromptKind kind;
    // The message or question; the starting folder for a folder chooser; the initial folder
    // and name joined by '/' for a file dialog; the window title for a dialog.
    QString text;
    FileDialogRequest fileRequest;  // file dialogs only
    bool fromWorker = false;        // ShowMessage called off the GUI thread
};

class ScriptedPrompts final : public UserPrompts {
public:
    // Manipulates the shown dialog (fills fields, clicks buttons) and returns true to accept
    // it, false to reject it. When the script has closed the dialog itself, its result stands.
    using DialogScript = std::function<bool(QDialog&)>;

    ScriptedPrompts() = default;
    ~ScriptedPrompts() override;
    ScriptedPrompts(const ScriptedPrompts&) = delete;
    ScriptedPrompts& operator=(const ScriptedPrompts&) = delete;

    void QueueYesNo(bool yes);
    // A folder the user confirms; it counts only when it is an existing folder, as with the
    // real chooser. std::nullopt cancels.
    void QueueFolder(std::optional<QString> folder);
    void QueueSaveFile(std::optional<QString> path);
    void QueueOpenFile(std::optional<QString> path);
    void QueueDialog(DialogScript script);

    // While held, ShowMessage from a worker waits (as for a box the user has not closed yet)
    // until ReleaseWorkerMessages() or Shutdown().
    void HoldWorkerMessages();
    void ReleaseWorkerMessages();
    int WaitingWorkers() const;

    std::vector<PromptRecord> Records() const;
    std::vector<QString> Texts() const;     // the text of every prompt, in order
    std::vector<QString> Messages() const;  // ShowMessage texts only, in order
    void ClearRecords();

    void ShowMessage(const QString& text) override;
    bool AskYesNo(const QString& text) override;
    bool ChooseFolder(QString& folder) override;
    std::optional<QString> AskSaveFile(const FileDialogRequest& request) override;
    std::optional<QString> AskOpenFile(const FileDialogRequest& request) override;
    bool RunDialog(QDialog& dialog) override;
    void Shutdown() override;
    bool IsShutDown() const;

private:
    void Record(PromptKind kind, const QString& text, const FileDialogRequest& request = {},
                bool fromWorker = false);
    std::optional<QString> AnswerFile(PromptKind kind, const FileDialogRequest& request,
                                      std::deque<std::optional<QString>>& answers);

    mutable std::mutex mutex_;
    std::condition_variable released_;
    std::vector<PromptRecord> records_;
    std::deque<bool> yesNo_;
    std::deque<std::optional<QString>> folders_;
    std::deque<std::optional<QString>> saveFiles_;
    std::deque<std::optional<QString>> openFiles_;
    std::deque<DialogScript> dialogs_;
    bool holdWorkers_ = false;
    bool shutDown_ = false;
    int waitingWorkers_ = 0;
};

}  // namespace tessel
