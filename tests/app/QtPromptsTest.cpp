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

struct SeenBox {
    QString title;
    QString text;
    QStringList buttons;
};

SeenBox Describe(QMessageBox& box) {
    SeenBox seen{box.windowTitle(), box.text(), {}};
    for (auto* button : box.buttons()) {
        seen.buttons << button->text().remove('&');
    }
    return seen;
}

// What a user types into the dialog's name field (selectFile() leaves a focused field alone).
void TypeFileName(QFileDialog& dialog, const QString& name) {
    auto* field = dialog.findChild<QLineEdit*>("fileNameEdit");
    ASSERT_NE(field, nullptr);
    field->setText(name);
}

TEST(QtPromptsTest, MessageHasTheProgramCaptionAndOnlyAnOkButton) {
    QtPrompts prompts;
    SeenBox seen;
    WhenModalAppears([&](QWidget& w) {
        auto& box = dynamic_cast<QMessageBox&>(w);
        seen = Describe(box);
        box.button(QMessageBox::Ok)->click();
    });
    prompts.ShowMessage("The device is busy");
    EXPECT_EQ(seen.title, "Tessel");
    EXPECT_EQ(seen.text, "The device is busy");
    EXPECT_EQ(seen.buttons, QStringList{"OK"});
}

TEST(QtPromptsTest, YesNoQuestionAnswers) {
    struct Case {
        const char* name;
        std::function<void(QMessageBox&)> answer;
        bool expected;
    };
    const Case cases[] = {
        {"Yes", [](QMessageBox& b) { b.button(QMessageBox::Yes)->click(); }, true},
        {"No", [](QMessageBox& b) { b.button(QMessageBox::No)->click(); }, false},
        {"Escape", [](QMessageBox& b) { b.reject(); }, false},
    };
    for (const auto& c : cases) {
        QtPrompts prompts;
        SeenBox seen;
        WhenModalAppears([&](QWidget& w) {
            auto& box = dynamic_cast<QMessageBox&>(w);
            seen = Describe(box);
            c.answer(box);
        });
        EXPECT_EQ(prompts.AskYesNo("Continue ?"), c.expected) << c.name;
        EXPECT_EQ(seen.title, "Tessel");
        EXPECT_EQ(seen.buttons.size(), 2);
    }
}

TEST(QtPromptsTest, WorkerMessageIsShownByTheGuiThreadWhileTheWorkerWaits) {
    QtPrompts prompts;
    std::atomic<bool> returned{false};
    QString shownText;
    std::atomic<bool> returnedWhileShown{false};
    WhenModalAppears([&](QWidget& w) {
        auto& box = dynamic_cast<QMessageBox&>(w);
        shownText = box.text();
        returnedWhileShown = returned.load();
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

    std::thread later([&] { prompts.ShowMessage("after close"); });
    later.join();  // returns without the GUI thread doing anything
    QApplication::processEvents();
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

// The worker asks while the GUI thread is busy elsewhere; the prompts go away first.
TEST(QtPromptsTest, DestroyingThePromptsReleasesAWaitingWorker) {
    auto prompts = std::make_unique<QtPrompts>();
    QtPrompts* raw = prompts.get();
    std::atomic<bool> returned{false};
    std::thread worker([&] {
        raw->ShowMessage("pending");
        returned = true;
    });
    for (int i = 0; i < 10000 && raw->WaitingWorkers() == 0; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));  // no events processed
    }
    ASSERT_EQ(raw->WaitingWorkers(), 1);
    prompts.reset();
    worker.join();
    EXPECT_TRUE(returned);
    QApplication::processEvents();
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST(QtPromptsTest, ChooseFolderSucceedsOnlyForAConfirmedFolder) {
    QTemporaryDir root;
    const QString chosen = QDir(root.path()).filePath("banks");
    QDir().mkpath(chosen);
    struct Case {
        const char* name;
        std::function<void(QFileDialog&)> act;
        bool expected;
        QString expectedFolder;
    };
    const Case cases[] = {
        {"confirm a subfolder",
         [&](QFileDialog& d) {
             d.setDirectory(chosen);
             static_cast<QDialog&>(d).accept();
         },
         true, QDir::toNativeSeparators(chosen)},
        {"confirm the starting folder", [](QFileDialog& d) { static_cast<QDialog&>(d).accept(); },
         true, QDir::toNativeSeparators(root.path())},
        {"cancel", [](QFileDialog& d) { d.reject(); }, false, root.path()},
    };
    for (const auto& c : cases) {
        QtPrompts prompts;
        QString startedAt;
        WhenModalAppears([&](QWidget& w) {
            auto& dialog = dynamic_cast<QFileDialog&>(w);
            startedAt = dialog.directory().absolutePath();
            c.act(dialog);
        });
        QString folder = root.path();
        EXPECT_EQ(prompts.ChooseFolder(folder), c.expected) << c.name;
        EXPECT_EQ(folder, c.expectedFolder) << c.name;
        EXPECT_EQ(startedAt, QDir(root.path()).absolutePath()) << c.name;
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
        TypeFileName(dialog, "mybank");
        static_cast<QDialog&>(dialog).accept();
    });
    const auto answer =
        prompts.AskSaveFile({"Sysex file (*.syx);;All files (*)", "syx", root.path(), "bank.syx"});
    ASSERT_TRUE(answer.has_value());
    EXPECT_EQ(*answer, QDir::toNativeSeparators(QDir(root.path()).filePath("mybank.syx")));
    EXPECT_EQ(startedAt, QDir(root.path()).absolutePath());
    EXPECT_EQ(filters, (QStringList{"Sysex file (*.syx)", "All files (*)"}));
}

}  // namespace
}  // namespace tessel
