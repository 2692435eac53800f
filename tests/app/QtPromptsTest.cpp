#include "app/prompts/QtPrompts.h"

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

TEST(QtPromptsTest, BoxesCarryTheCaptionTheTextAndTheirButtons) {
    struct Case {
        std::function<bool(QtPrompts&)> ask;
        QMessageBox::StandardButton click;  // NoButton: Escape
        QStringList buttons;
        bool answer;
    };
    const auto message = [](QtPrompts& p) {
        p.ShowMessage("Busy");
        return true;
    };
    const auto question = [](QtPrompts& p) { return p.AskYesNo("Busy"); };
    const Case cases[] = {
        {message, QMessageBox::Ok, {"OK"}, true},
        {question, QMessageBox::Yes, {"Yes", "No"}, true},
        {question, QMessageBox::No, {"Yes", "No"}, false},
        {question, QMessageBox::NoButton, {"Yes", "No"}, false},
    };
    for (const auto& c : cases) {
        QtPrompts prompts;
        QStringList seen;
        WhenModalAppears([&](QWidget& w) {
            auto& box = dynamic_cast<QMessageBox&>(w);
            seen << box.windowTitle() << box.text();
            for (auto* button : box.buttons()) {
                seen << button->text().remove('&');
            }
            c.click == QMessageBox::NoButton ? box.reject() : box.button(c.click)->click();
        });
        EXPECT_EQ(c.ask(prompts), c.answer) << c.click;
        EXPECT_EQ(seen, QStringList({"Tessel", "Busy"}) + c.buttons);
    }
}

TEST(QtPromptsTest, WorkerMessageIsShownByTheGuiThreadWhileTheWorkerWaits) {
    QtPrompts prompts;
    std::atomic<bool> returned{false};
    QString shownText;
    bool returnedWhileShown = true;
    WhenModalAppears([&](QWidget& w) {
        auto& box = dynamic_cast<QMessageBox&>(w);
        shownText = box.text();
        returnedWhileShown = returned;
        box.button(QMessageBox::Ok)->click();
    });
    std::thread worker([&] {
        prompts.ShowMessage("Receive failed");
        returned = true;
    });
    EXPECT_TRUE(SpinUntil([&] { return returned.load(); }));
    worker.join();
    EXPECT_EQ(shownText, "Receive failed");
    EXPECT_FALSE(returnedWhileShown);
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

TEST(QtPromptsTest, ChooseFolderSucceedsOnlyForAConfirmedFolder) {
    QTemporaryDir root;
    const QString sub = QDir(root.path()).filePath("banks");
    QDir().mkpath(sub);
    const std::tuple<std::function<void(QFileDialog&)>, bool, QString> cases[] = {
        {[&](QFileDialog& d) {
             d.setDirectory(sub);
             static_cast<QDialog&>(d).accept();
         },
         true, sub},
        {[](QFileDialog& d) { static_cast<QDialog&>(d).accept(); }, true, root.path()},
        {[](QFileDialog& d) { d.reject(); }, false, root.path()},
    };
    for (const auto& [act, chosen, expected] : cases) {
        QtPrompts prompts;
        QString startedAt;
        WhenModalAppears([&](QWidget& w) {
            auto& dialog = dynamic_cast<QFileDialog&>(w);
            startedAt = dialog.directory().absolutePath();
            act(dialog);
        });
        QString folder = root.path();
        EXPECT_EQ(prompts.ChooseFolder(folder), chosen) << expected.toStdString();
        EXPECT_EQ(folder, QDir::toNativeSeparators(expected));
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
