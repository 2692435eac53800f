#include "core/prompts/ScriptedPrompts.h"

#include <QCoreApplication>
#include <QDialog>
#include <QFileInfo>
#include <QThread>

namespace tessel {
namespace {

// The next queued answer, or `fallback` when the test queued none.
template <class T>
T PopFrontOr(std::deque<T>& queue, T fallback) {
    if (queue.empty()) {
        return fallback;
    }
    T value = std::move(queue.front());
    queue.pop_front();
    return value;
}

bool OnGuiThread() {
    const auto* app = QCoreApplication::instance();
    return app == nullptr || QThread::currentThread() == app->thread();
}

}  // namespace

void ScriptedPrompts::QueueYesNo(bool yes) {
    std::lock_guard lock(mutex_);
    yesNo_.push_back(yes);
}

void ScriptedPrompts::QueueFolder(std::optional<QString> folder) {
    std::lock_guard lock(mutex_);
    folders_.push_back(std::move(folder));
}

void ScriptedPrompts::QueueSaveFile(std::optional<QString> path) {
    std::lock_guard lock(mutex_);
    saveFiles_.push_back(std::move(path));
}

void ScriptedPrompts::QueueOpenFile(std::optional<QString> path) {
    std::lock_guard lock(mutex_);
    openFiles_.push_back(std::move(path));
}

void ScriptedPrompts::QueueDialog(DialogScript script) {
    std::lock_guard lock(mutex_);
    dialogs_.push_back(std::move(script));
}

void ScriptedPrompts::HoldWorkerMessages() {
    std::lock_guard lock(mutex_);
    holdWorkers_ = true;
}

void ScriptedPrompts::ReleaseWorkerMessages() {
    {
        std::lock_guard lock(mutex_);
        holdWorkers_ = false;
    }
    released_.notify_all();
}

int ScriptedPrompts::WaitingWorkers() const {
    std::lock_guard lock(mutex_);
    return waitingWorkers_;
}

std::vector<PromptRecord> ScriptedPrompts::Records() const {
    std::lock_guard lock(mutex_);
    return records_;
}

std::vector<QString> ScriptedPrompts::Texts() const {
    std::vector<QString> texts;
    for (const auto& record : Records()) {
        texts.push_back(record.text);
    }
    return texts;
}

std::vector<QString> ScriptedPrompts::Messages() const {
    std::vector<QString> texts;
    for (const auto& record : Records()) {
        if (record.kind == PromptKind::Message) {
            texts.push_back(record.text);
        }
    }
    return texts;
}

void ScriptedPrompts::ClearRecords() {
    std::lock_guard lock(mutex_);
    records_.clear();
}

void ScriptedPrompts::Record(PromptKind kind, const QString& text, const FileDialogRequest& request,
                             bool fromWorker) {
    std::lock_guard lock(mutex_);
    records_.push_back({kind, text, request, fromWorker});
}

ScriptedPrompts::~ScriptedPrompts() {
    Shutdown();
    std::unique_lock lock(mutex_);
    released_.wait(lock, [this] { return waitingWorkers_ == 0; });
}

// After Shutdown a worker's message is neither shown nor recorded, as with the real boxes.
void ScriptedPrompts::ShowMessage(const QString& text) {
    const bool fromWorker = !OnGuiThread();
    if (fromWorker && IsShutDown()) {
        return;
    }
    Record(PromptKind::Message, text, {}, fromWorker);
    if (!fromWorker) {
        return;
    }
    std::unique_lock lock(mutex_);
    ++waitingWorkers_;
    released_.wait(lock, [this] { return !holdWorkers_ || shutDown_; });
    --waitingWorkers_;
    released_.notify_all();
}

bool ScriptedPrompts::AskYesNo(const QString& text) {
    Record(PromptKind::YesNo, text);
    std::lock_guard lock(mutex_);
    return PopFrontOr(yesNo_, false);
}

bool ScriptedPrompts::ChooseFolder(QString& folder) {
    Record(PromptKind::Folder, folder);
    std::optional<QString> answer;
    {
        std::lock_guard lock(mutex_);
        answer = PopFrontOr<std::optional<QString>>(folders_, std::nullopt);
    }
    if (!answer || !QFileInfo(*answer).isDir()) {
        return false;
    }
    folder = *answer;
    return true;
}

std::optional<QString> ScriptedPrompts::AnswerFile(PromptKind kind,
                                                   const FileDialogRequest& request,
                                                   std::deque<std::optional<QString>>& answers) {
    Record(kind, request.initialFolder + "/" + request.initialName, request);
    std::lock_guard lock(mutex_);
    return PopFrontOr<std::optional<QString>>(answers, std::nullopt);
}

std::optional<QString> ScriptedPrompts::AskSaveFile(const FileDialogRequest& request) {
    return AnswerFile(PromptKind::SaveFile, request, saveFiles_);
}

std::optional<QString> ScriptedPrompts::AskOpenFile(const FileDialogRequest& request) {
    return AnswerFile(PromptKind::OpenFile, request, openFiles_);
}

// The dialog is shown (not run modally), so that its set-up on show has happened when the
// script looks at it; the script's answer then goes through the dialog's own accept() or
// reject(), which is where a dialog does its OK work.
bool ScriptedPrompts::RunDialog(QDialog& dialog) {
    Record(PromptKind::Dialog, dialog.windowTitle());
    DialogScript script;
    {
        std::lock_guard lock(mutex_);
        script = PopFrontOr<DialogScript>(dialogs_, {});
    }
    dialog.setResult(QDialog::Rejected);
    dialog.show();
    const bool accept = script && script(dialog);
    if (dialog.isVisible()) {
        accept ? dialog.accept() : dialog.reject();
    }
    dialog.hide();
    return dialog.result() == QDialog::Accepted;
}

void ScriptedPrompts::Shutdown() {
    {
        std::lock_guard lock(mutex_);
        shutDown_ = true;
    }
    released_.notify_all();
}

bool ScriptedPrompts::IsShutDown() const {
    std::lock_guard lock(mutex_);
    return shutDown_;
}

}  // namespace tessel
