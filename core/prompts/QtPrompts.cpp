#include "core/prompts/QtPrompts.h"

#include <QDialog>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QThread>

namespace tessel {
namespace {

std::optional<QString> RunFileDialog(QWidget* owner, const FileDialogRequest& request,
                                     QFileDialog::AcceptMode mode) {
    const bool saving = mode == QFileDialog::AcceptSave;
    QFileDialog dialog(owner, saving ? QObject::tr("Save As") : QObject::tr("Open"),
                       request.initialFolder, request.filter);
    dialog.setAcceptMode(mode);
    dialog.setFileMode(saving ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setDefaultSuffix(request.defaultSuffix);
    if (!request.initialName.isEmpty()) {
        dialog.selectFile(request.initialName);
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
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
    box.exec();
}

bool QtPrompts::AskYesNo(const QString& text) {
    QMessageBox box(QMessageBox::Question, Caption(), text, QMessageBox::Yes | QMessageBox::No,
                    owner_);
    box.setDefaultButton(QMessageBox::Yes);
    box.setEscapeButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

bool QtPrompts::ChooseFolder(QString& folder) {
    const QString start = QFileInfo(folder).isDir() ? folder : QString();
    QFileDialog dialog(owner_, QString(), start);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
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
    return RunFileDialog(owner_, request, QFileDialog::AcceptSave);
}

std::optional<QString> QtPrompts::AskOpenFile(const FileDialogRequest& request) {
    return RunFileDialog(owner_, request, QFileDialog::AcceptOpen);
}

bool QtPrompts::RunDialog(QDialog& dialog) {
    return dialog.exec() == QDialog::Accepted;
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
        workerBox_ = &box;
        box.exec();
        workerBox_ = nullptr;
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
        CloseWorkerMessageBox();
    } else {
        QMetaObject::invokeMethod(this, "CloseWorkerMessageBox", Qt::QueuedConnection);
    }
}

void QtPrompts::CloseWorkerMessageBox() {
    if (workerBox_) {
        workerBox_->done(QMessageBox::Ok);
    }
}

}  // namespace tessel
