#pragma once
// The application's prompts: Qt message boxes and file and folder dialogs, owned by the main
// window. A worker thread's ShowMessage is handed to the GUI thread, which shows the box while
// the worker waits. Shutdown() ends such waits at once and closes every box and dialog still
// open as if cancelled; nothing is shown after it.
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <vector>

#include <QObject>
#include <QPointer>

#include "core/prompts/UserPrompts.h"

class QDialog;

namespace tessel {

class QtPrompts final : public QObject, public UserPrompts {
    Q_OBJECT
public:
    // Create on the GUI thread. `owner` is the parent window of every box and dialog.
    explicit QtPrompts(QWidget* owner = nullptr);
    ~QtPrompts() override;

    void SetOwner(QWidget* owner);

    void ShowMessage(const QString& text) override;
    bool AskYesNo(const QString& text) override;
    bool ChooseFolder(QString& folder) override;
    std::optional<QString> AskSaveFile(const FileDialogRequest& request) override;
    std::optional<QString> AskOpenFile(const FileDialogRequest& request) override;
    bool RunDialog(QDialog& dialog) override;
    void Shutdown() override;

    static const QString& Caption();
    // Workers now waiting in ShowMessage.
    int WaitingWorkers() const;

private:
    struct WorkerMessage {
        QString text;
        bool done = false;
    };

    // Invoked by name through Qt's queue, which then carries no data of ours across threads.
    Q_INVOKABLE void ShowWorkerMessages();
    Q_INVOKABLE void CloseOpenDialogs();

    bool OnGuiThread() const;
    bool IsShutDown() const;
    // Runs a box or dialog modally, unless shut down; GUI thread only.
    int Exec(QDialog& dialog);
    void WaitForGuiThread(const QString& text);
    std::shared_ptr<WorkerMessage> TakeWorkerMessage();
    void FinishWorkerMessage(WorkerMessage& message);

    QPointer<QWidget> owner_;
    std::vector<QPointer<QDialog>> open_;  // boxes and dialogs shown, innermost last; GUI thread
    bool showingWorkerMessages_ = false;   // GUI thread only

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::shared_ptr<WorkerMessage>> queued_;
    int waitingWorkers_ = 0;
    bool shutDown_ = false;
};

}  // namespace tessel
