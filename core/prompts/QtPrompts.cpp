#include "core/prompts/QtPrompts.h"

#include <algorithm>
#include <functional>

#include <QDialog>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QThread>

namespace tessel {
namespace {

std::optional<QString> RunFileDialog(QWidget* owner, const FileDialogRequest& request,
                                     QFileDialog::AcceptMode mode,
                                     const std::function<int(QDialog&)>& exec) {
    const bool saving = mode == QFileDialog::AcceptSave;
    QFileDialog dialog(owner, saving ? QObject::tr("Save As") : QObject::tr("Open"),
                       request.initialFolder, request.filter);
    dialog.setAcceptMode(mode);
    dialog.setFileMode(saving ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setDefaultSuffix(request.defaultSuffix);
    if (!request.initialName.isEmpty()) {
        dialog.selectFile(request.initialName);
    }
    if (exec(dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return QDir::toNativeSeparators(dialog.selectedFiles().constFirst());
}

}  // namespace

QtPrompts::QtPrompts(QWidget* owner) : owner_(owner) {}

QtPrompts::~QtPrompts() {
    Shutdown();
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return waitingWorkers_ == 0; });
}

const QString& QtPrompts::Caption() {
    static const QString caption = QStringLiteral("Tessel");
    return caption;
}

void QtPrompts::SetOwner(QWidget* owner) {
    owner_ = owner;
}

int QtPrompts::WaitingWorkers() const {
    std::lock_guard lock(mutex_);
    return waitingWorkers_;
}

bool QtPrompts::OnGuiThread() const {
    return QThread::currentThread() == thread();
}

void QtPrompts::ShowMessage(const QString& text) {
    if (!OnGuiThread()) {
        WaitForGuiThread(text);
        return;
    }
    QMessageBox box(QMessageBox::Warning, Caption(), text, QMessageBox::Ok, owner_);
    Exec(box);
}

bool QtPrompts::AskYesNo(const QString& text) {
    QMessageBox box(QMessageBox::Question, Caption(), text, QMessageBox::Yes | QMessageBox::No,
                    owner_);
    box.setDefaultButton(QMessageBox::Yes);
    box.setEscapeButton(QMessageBox::No);
    return Exec(box) == QMessageBox::Yes;
}

bool QtPrompts::ChooseFolder(QString& folder) {
    const QString start = QFileInfo(folder).isDir() ? folder : QString();
    QFileDialog dialog(owner_, QString(), start);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    if (Exec(dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return false;
    }
    const QFileInfo chosen(dialog.selectedFiles().constFirst());
    if (!chosen.isDir()) {
        return false;  // an item with no folder behind it counts as a cancel
    }
    folder = QDir::toNativeSeparators(QDir::cleanPath(chosen.absoluteFilePath()));
    return true;
}

std::optional<QString> QtPrompts::AskSaveFile(const FileDialogRequest& request) {
    return RunFileDialog(owner_, request, QFileDialog::AcceptSave,
                         [this](QDialog& dialog) { return Exec(dialog); });
}

std::optional<QString> QtPrompts::AskOpenFile(const FileDialogRequest& request) {
    return RunFileDialog(owner_, request, QFileDialog::AcceptOpen,
                         [this](QDialog& dialog) { return Exec(dialog); });
}

bool QtPrompts::RunDialog(QDialog& dialog) {
    return Exec(dialog) == QDialog::Accepted;
}

// After Shutdown nothing is shown: the answer is the one a cancelled box or dialog gives.
int QtPrompts::Exec(QDialog& dialog) {
    if (IsShutDown()) {
        return QDialog::Rejected;
    }
    open_.push_back(&dialog);
    const int result = dialog.exec();
    open_.erase(std::find(open_.begin(), open_.end(), &dialog));
    return result;
}

bool QtPrompts::IsShutDown() const {
    std::lock_guard lock(mutex_);
    return shutDown_;
}

// The worker queues its text and wakes the GUI thread; the mutex and condition variable, not
// Qt's event queue, carry the text and the answer between the threads.
void QtPrompts::WaitForGuiThread(const QString& text) {
    auto message = std::make_shared<WorkerMessage>();
    message->text = text;
    std::unique_lock lock(mutex_);
    if (shutDown_) {
        return;
    }
    queued_.push_back(message);
    ++waitingWorkers_;
    lock.unlock();
    QMetaObject::invokeMethod(this, "ShowWorkerMessages", Qt::QueuedConnection);
    lock.lock();
    changed_.wait(lock, [&] { return message->done || shutDown_; });
    --waitingWorkers_;
    changed_.notify_all();
}

// One box at a time: requests that arrive while a box is open wait for the loop below.
void QtPrompts::ShowWorkerMessages() {
    if (showingWorkerMessages_) {
        return;
    }
    showingWorkerMessages_ = true;
    while (const auto message = TakeWorkerMessage()) {
        QMessageBox box(QMessageBox::Warning, Caption(), message->text, QMessageBox::Ok, owner_);
        Exec(box);
        FinishWorkerMessage(*message);
    }
    showingWorkerMessages_ = false;
}

std::shared_ptr<QtPrompts::WorkerMessage> QtPrompts::TakeWorkerMessage() {
    std::lock_guard lock(mutex_);
    if (shutDown_ || queued_.empty()) {
        return nullptr;
    }
    auto message = queued_.front();
    queued_.pop_front();
    return message;
}

void QtPrompts::FinishWorkerMessage(WorkerMessage& message) {
    {
        std::lock_guard lock(mutex_);
        message.done = true;
    }
    changed_.notify_all();
}

void QtPrompts::Shutdown() {
    {
        std::lock_guard lock(mutex_);
        shutDown_ = true;
        for (const auto& message : queued_) {
            message->done = true;
        }
        queued_.clear();
    }
    changed_.notify_all();
    if (OnGuiThread()) {
        CloseOpenDialogs();
    } else {
        QMetaObject::invokeMethod(this, "CloseOpenDialogs", Qt::QueuedConnection);
    }
}

// Each ends as if cancelled; the innermost first, so each exec returns in turn.
void QtPrompts::CloseOpenDialogs() {
    for (auto open = open_.rbegin(); open != open_.rend(); ++open) {
        if (*open) {
            (*open)->reject();
        }
    }
}

}  // namespace tessel
