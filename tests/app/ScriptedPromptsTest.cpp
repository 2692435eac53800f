#include "core/prompts/ScriptedPrompts.h"

#include <atomic>
#include <thread>
#include <vector>

#include <gtest/gtest.h>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "tests/app/ModalHelpers.h"

// How a dialog script decides is covered by the name dialog's tests, which drive a real one.
namespace tessel {
namespace {

TEST(ScriptedPromptsTest, QueuedAnswersComeFirstThenThoseOfAUserWhoClosesThePrompt) {
    ScriptedPrompts prompts;
    prompts.QueueYesNo(true);
    prompts.QueueSaveFile("/tmp/a.syx");
    QString folder = "/start";
    QDialog dialog;
    dialog.setWindowTitle("Title");
    prompts.ShowMessage("hello");
    EXPECT_TRUE(prompts.AskYesNo("1"));
    EXPECT_FALSE(prompts.AskYesNo("2"));
    EXPECT_FALSE(prompts.ChooseFolder(folder));
    EXPECT_EQ(folder, "/start");
    EXPECT_EQ(prompts.AskSaveFile({"*.syx", "syx", "/lib", "bank.syx"}), QString("/tmp/a.syx"));
    EXPECT_EQ(prompts.AskOpenFile({"*.syx", "syx", "/lib", ""}), std::nullopt);
    EXPECT_FALSE(prompts.RunDialog(dialog));

    EXPECT_EQ(prompts.Texts(), (std::vector<QString>{"hello", "1", "2", "/start", "/lib/bank.syx",
                                                     "/lib/", "Title"}));
    EXPECT_EQ(prompts.Records()[4].fileRequest.defaultSuffix, "syx");
    EXPECT_EQ(prompts.Messages(), std::vector<QString>{"hello"});
}

TEST(ScriptedPromptsTest, FolderCountsOnlyWhenItIsAnExistingFolder) {
    QTemporaryDir existing;
    const QString file = QDir(existing.path()).filePath("file");
    QFile(file).open(QIODevice::WriteOnly);
    const std::optional<QString> notFolders[] = {existing.path() + "/missing", file, std::nullopt};
    for (const auto& answer : notFolders) {
        ScriptedPrompts prompts;
        prompts.QueueFolder(answer);
        QString folder = "/before";
        EXPECT_FALSE(prompts.ChooseFolder(folder));
        EXPECT_EQ(folder, "/before");
    }
    ScriptedPrompts prompts;
    prompts.QueueFolder(existing.path());
    QString folder = "/before";
    EXPECT_TRUE(prompts.ChooseFolder(folder));
    EXPECT_EQ(folder, existing.path());
}

TEST(ScriptedPromptsTest, HeldWorkerMessageWaitsUntilShutdownThenLaterOnesReturnAtOnce) {
    ScriptedPrompts prompts;
    prompts.HoldWorkerMessages();
    std::atomic<bool> returned{false};
    std::thread worker([&] {
        prompts.ShowMessage("pending");
        returned = true;
    });
    ASSERT_TRUE(test::SpinUntil([&] { return prompts.WaitingWorkers() == 1; }));
    EXPECT_FALSE(returned);
    prompts.Shutdown();
    worker.join();
    std::thread([&] { prompts.ShowMessage("after close"); }).join();
    EXPECT_EQ(prompts.Messages(), std::vector<QString>{"pending"});
}

}  // namespace
}  // namespace tessel
