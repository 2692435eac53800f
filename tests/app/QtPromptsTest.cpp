// The Qt prompts driven from inside their own event loops, so that a test never waits on a
// person; a box that has not appeared within about ten seconds is given up, so that a broken
// test fails instead of hanging.
#include "core/prompts/QtPrompts.h"

#include <future>

#include <gtest/gtest.h>
#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "tests/library/QStringPrinter.h"

namespace tessel {
namespace {

using namespace std::chrono_literals;

// Runs `work` on a worker thread while this (GUI) thread handles events.
void OnWorker(const std::function<void()>& work) {
    auto worker = std::async(std::launch::async, work);
    EXPECT_TRUE(QTest::qWaitFor([&] { return worker.wait_for(0s) == std::future_status::ready; }));
}

// Runs `action` on the active modal widget as soon as one is shown.
void WhenModalAppears(std::function<void(QWidget&)> action, int triesLeft = 1000) {
    QTimer::singleShot(10, [action = std::move(action), triesLeft]() mutable {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal != nullptr && modal->isVisible()) {
            action(*modal);
        } else if (triesLeft > 0) {
            WhenModalAppears(std::move(action), triesLeft - 1);
        }
    });
}

// The next box's caption, text and buttons; it is answered with `click` (NoButton: Escape).
std::shared_ptr<QStringList> AnswerNextBox(QMessageBox::StandardButton click) {
    auto seen = std::make_shared<QStringList>();
    WhenModalAppears([seen, click](QWidget& w) {
        auto& box = dynamic_cast<QMessageBox&>(w);
        *seen << box.windowTitle() << box.text();
        for (auto* button : box.buttons()) {
            *seen << button->text().remove('&');
        }
        click == QMessageBox::NoButton ? QTest::keyClick(&box, Qt::Key_Escape)
                                       : box.button(click)->click();
    });
    return seen;
}

// A worker's message is shown by the GUI thread while the worker waits.
TEST(QtPromptsTest, BoxesCarryTheCaptionTheTextAndTheirButtons) {
    QtPrompts prompts;
    auto seen = AnswerNextBox(QMessageBox::Ok);
    OnWorker([&] { prompts.ShowMessage("Busy"); });
    EXPECT_EQ(*seen, QStringList({"Tessel", "Busy", "OK"}));
    seen = AnswerNextBox(QMessageBox::Yes);
    EXPECT_TRUE(prompts.AskYesNo("Sure ?"));
    EXPECT_EQ(*seen, QStringList({"Tessel", "Sure ?", "Yes", "No"}));
    AnswerNextBox(QMessageBox::No);
    EXPECT_FALSE(prompts.AskYesNo("Sure ?"));
    AnswerNextBox(QMessageBox::NoButton);
    EXPECT_FALSE(prompts.AskYesNo("Sure ?"));
}

// The window closes with a worker's box unanswered: the worker is released and the box goes
// (should it stay, the test closes it after 3 s rather than hang); later messages return at once.
TEST(QtPromptsTest, ShutdownReleasesAWorkerWaitingOnItsBox) {
    QtPrompts prompts;
    QPointer<QWidget> shownBox;
    std::atomic<bool> returned{false};
    bool returnedBeforeShutdown = true;
    WhenModalAppears([&](QWidget& w) {
        shownBox = &w;
        returnedBeforeShutdown = returned;
        prompts.Shutdown();
        QTimer::singleShot(3000, &w,
                           [&w] { EXPECT_FALSE(w.isVisible() && w.close()) << "stayed"; });
    });
    OnWorker([&] {
        prompts.ShowMessage("Time-out");
        returned = true;
    });
    EXPECT_FALSE(returnedBeforeShutdown);
    EXPECT_TRUE(QTest::qWaitFor([&] { return shownBox.isNull() || !shownBox->isVisible(); }));
    OnWorker([&] { prompts.ShowMessage("after close"); });
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

// The window closes while a box of its own is open: the box goes, answering as cancelled.
TEST(QtPromptsTest, ShutdownClosesTheWindowsOwnBox) {
    QtPrompts prompts;
    WhenModalAppears([&](QWidget& w) {
        prompts.Shutdown();
        QTimer::singleShot(3000, &w,
                           [&w] { EXPECT_FALSE(w.isVisible() && w.close()) << "stayed"; });
    });
    EXPECT_FALSE(prompts.AskYesNo("Sure ?"));
}

// The dialogs start in the folder given; a typed file name gets the default suffix.
TEST(QtPromptsTest, FileDialogsStartWhereAskedAndAnswerOnlyWhenConfirmed) {
    QTemporaryDir root;
    const QString sub = QDir(root.path()).filePath("banks");
    QDir().mkpath(sub);
    QtPrompts prompts;
    const auto answer = [&](bool confirm, const QString& typed = "") {
        WhenModalAppears([=, start = QDir(root.path()).absolutePath()](QWidget& w) {
            auto& dialog = dynamic_cast<QFileDialog&>(w);
            EXPECT_EQ(dialog.directory().absolutePath(), start);
            dialog.setDirectory(sub);
            // What a user types: selectFile() would spare a focused field.
            dialog.findChild<QLineEdit*>("fileNameEdit")->setText(typed);
            confirm ? static_cast<QDialog&>(dialog).accept() : dialog.reject();
        });
    };
    for (const bool confirm : {true, false}) {
        QString folder = root.path();
        answer(confirm);
        EXPECT_EQ(prompts.ChooseFolder(folder), confirm);
        EXPECT_EQ(folder, confirm ? QDir::toNativeSeparators(sub) : root.path());
    }
    answer(true, "mybank");
    EXPECT_EQ(prompts.AskSaveFile({"Sysex file (*.syx)", "syx", root.path(), "bank.syx"}),
              QDir::toNativeSeparators(QDir(sub).filePath("mybank.syx")));
}

}  // namespace
}  // namespace tessel
