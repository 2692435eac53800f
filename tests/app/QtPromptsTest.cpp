#include "core/prompts/QtPrompts.h"

#include <atomic>
#include <chrono>
#include <thread>

#include <gtest/gtest.h>
#include <QAbstractButton>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QTemporaryDir>

#include "tests/app/ModalHelpers.h"

namespace tessel {
namespace {

using test::SpinUntil;
using test::WhenModalAppears;

// The next box's caption, text and buttons; it is answered with `click` (NoButton: Escape).
std::shared_ptr<QStringList> AnswerNextBox(QMessageBox::StandardButton click) {
    auto seen = std::make_shared<QStringList>();
    WhenModalAppears([seen, click](QWidget& w) {
        auto& box = dynamic_cast<QMessageBox&>(w);
        *seen << box.windowTitle() << box.text();
        for (auto* button : box.buttons()) {
            *seen << button->text().remove('&');
        }
        click == QMessageBox::NoButton ? box.reject() : box.button(click)->click();
    });
    return seen;
}

TEST(QtPromptsTest, BoxesCarryTheCaptionTheTextAndTheirButtons) {
    QtPrompts prompts;
    auto seen = AnswerNextBox(QMessageBox::Ok);
    prompts.ShowMessage("Busy");
    EXPECT_EQ(*seen, QStringList({"Tessel", "Busy", "OK"}));
    seen = AnswerNextBox(QMessageBox::Yes);
    EXPECT_TRUE(prompts.AskYesNo("Sure ?"));
    EXPECT_EQ(*seen, QStringList({"Tessel", "Sure ?", "Yes", "No"}));
    seen = AnswerNextBox(QMessageBox::No);
    EXPECT_FALSE(prompts.AskYesNo("Sure ?"));
    AnswerNextBox(QMessageBox::NoButton);
    EXPECT_FALSE(prompts.AskYesNo("Sure ?"));
}

TEST(QtPromptsTest, WorkerMessageIsShownByTheGuiThreadWhileTheWorkerWaits) {
    QtPrompts prompts;
    const auto seen = AnswerNextBox(QMessageBox::Ok);
    std::atomic<bool> returned{false};
    std::thread worker([&] {
        prompts.ShowMessage("Receive failed");
        returned = true;
    });
    EXPECT_TRUE(SpinUntil([&] { return !seen->isEmpty(); }));
    EXPECT_TRUE(SpinUntil([&] { return returned.load(); }));
    worker.join();
    EXPECT_EQ(seen->value(1), "Receive failed");
}

// The window closes while a worker's box is up and nobody has answered it.
TEST(QtPromptsTest, ShutdownEndsAWorkersWaitAndClosesItsBox) {
    QtPrompts prompts;
    QPointer<QWidget> shownBox;
    std::atomic<bool> returned{false};
    bool returnedBeforeShutdown = true;
    std::chrono::steady_clock::time_point shutdownAt;
    WhenModalAppears([&](QWidget& w) {
        shownBox = &w;
        returnedBeforeShutdown = returned;
        shutdownAt = std::chrono::steady_clock::now();
        prompts.Shutdown();
    });
    std::thread worker([&] {
        prompts.ShowMessage("Time-out");
        returned = true;
    });
    EXPECT_TRUE(SpinUntil([&] { return returned.load(); }));
    worker.join();
    EXPECT_FALSE(returnedBeforeShutdown);
    EXPECT_LT(std::chrono::steady_clock::now() - shutdownAt, std::chrono::milliseconds(2500));
    EXPECT_TRUE(SpinUntil([&] { return shownBox.isNull() || !shownBox->isVisible(); }));

    std::thread([&] { prompts.ShowMessage("after close"); }).join();  // returns by itself
    QApplication::processEvents();
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

// The GUI thread is busy elsewhere (no events processed) when the prompts go away.
TEST(QtPromptsTest, DestroyingThePromptsReleasesAWaitingWorker) {
    auto prompts = std::make_unique<QtPrompts>();
    std::thread worker([raw = prompts.get()] { raw->ShowMessage("pending"); });
    for (int i = 0; i < 10000 && prompts->WaitingWorkers() == 0; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ASSERT_EQ(prompts->WaitingWorkers(), 1);
    prompts.reset();
    worker.join();
    QApplication::processEvents();
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST(QtPromptsTest, ChooseFolderStartsAtTheFolderAndSucceedsOnlyWhenConfirmed) {
    QTemporaryDir root;
    const QString sub = QDir(root.path()).filePath("banks");
    QDir().mkpath(sub);
    for (const bool confirm : {true, false}) {
        QtPrompts prompts;
        QString startedAt;
        WhenModalAppears([&](QWidget& w) {
            auto& dialog = dynamic_cast<QFileDialog&>(w);
            startedAt = dialog.directory().absolutePath();
            dialog.setDirectory(sub);
            confirm ? static_cast<QDialog&>(dialog).accept() : dialog.reject();
        });
        QString folder = root.path();
        EXPECT_EQ(prompts.ChooseFolder(folder), confirm);
        EXPECT_EQ(folder, confirm ? QDir::toNativeSeparators(sub) : root.path());
        EXPECT_EQ(startedAt, QDir(root.path()).absolutePath());
    }
}

TEST(QtPromptsTest, SaveDialogStartsAtTheRequestAndAddsTheDefaultSuffix) {
    QTemporaryDir root;
    QtPrompts prompts;
    QString startedAt;
    QStringList filters;
    WhenModalAppears([&](QWidget& w) {
        auto& dialog = dynamic_cast<QFileDialog&>(w);
        startedAt = dialog.directory().absolutePath();
        filters = dialog.nameFilters();
        // What a user types (selectFile() would leave a focused field alone).
        dialog.findChild<QLineEdit*>("fileNameEdit")->setText("mybank");
        static_cast<QDialog&>(dialog).accept();
    });
    const auto answer =
        prompts.AskSaveFile({"Sysex file (*.syx);;All files (*)", "syx", root.path(), "bank.syx"});
    EXPECT_EQ(answer, QDir::toNativeSeparators(QDir(root.path()).filePath("mybank.syx")));
    EXPECT_EQ(startedAt, QDir(root.path()).absolutePath());
    EXPECT_EQ(filters, QStringList({"Sysex file (*.syx)", "All files (*)"}));
}

}  // namespace
}  // namespace tessel
