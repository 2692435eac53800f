#include "app/prompts/ScriptedPrompts.h"

#include <atomic>
#include <thread>
#include <vector>

#include <gtest/gtest.h>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>

#include "tests/app/ModalHelpers.h"

namespace tessel {
namespace {

// A dialog whose OK work happens in accept(), as in the program's dialogs.
class CountingDialog : public QDialog {
public:
    CountingDialog() {
        setWindowTitle("Counting");
        field = new QLineEdit(this);
        okButton = new QPushButton("OK", this);
        connect(okButton, &QPushButton::clicked, this, &QDialog::accept);
    }
    void accept() override {
        ++accepts;
        QDialog::accept();
    }
    QLineEdit* field;
    QPushButton* okButton;
    int accepts = 0;
};

TEST(ScriptedPromptsTest, EmptyQueuesGiveTheAnswersOfAUserWhoClosesThePrompt) {
    ScriptedPrompts prompts;
    QString folder = "/start";
    CountingDialog dialog;
    prompts.ShowMessage("hello");
    EXPECT_FALSE(prompts.AskYesNo("sure ?"));
    EXPECT_FALSE(prompts.ChooseFolder(folder));
    EXPECT_EQ(folder, "/start");
    EXPECT_EQ(prompts.AskSaveFile({"*.syx", "syx", "/lib", "bank.syx"}), std::nullopt);
    EXPECT_EQ(prompts.AskOpenFile({"*.syx", "syx", "/lib", ""}), std::nullopt);
    EXPECT_FALSE(prompts.RunDialog(dialog));
    EXPECT_EQ(dialog.accepts, 0);

    const std::vector<QString> texts = {"hello",         "sure ?", "/start",
                                        "/lib/bank.syx", "/lib/",  "Counting"};
    EXPECT_EQ(prompts.Texts(), texts);
    const auto records = prompts.Records();
    ASSERT_EQ(records.size(), 6u);
    const PromptKind kinds[] = {PromptKind::Message,  PromptKind::YesNo,    PromptKind::Folder,
                                PromptKind::SaveFile, PromptKind::OpenFile, PromptKind::Dialog};
    for (std::size_t i = 0; i < records.size(); ++i) {
        EXPECT_EQ(records[i].kind, kinds[i]) << i;
        EXPECT_FALSE(records[i].fromWorker);
    }
    EXPECT_EQ(records[3].fileRequest.defaultSuffix, "syx");
    EXPECT_EQ(prompts.Messages(), std::vector<QString>{"hello"});
}

TEST(ScriptedPromptsTest, QueuedAnswersAreGivenInOrderThenDefaultsAgain) {
    ScriptedPrompts prompts;
    prompts.QueueYesNo(true);
    prompts.QueueYesNo(false);
    prompts.QueueSaveFile("/tmp/a.syx");
    prompts.QueueSaveFile(std::nullopt);
    prompts.QueueOpenFile("/tmp/b.syx");
    EXPECT_TRUE(prompts.AskYesNo("1"));
    EXPECT_FALSE(prompts.AskYesNo("2"));
    EXPECT_FALSE(prompts.AskYesNo("3"));
    EXPECT_EQ(prompts.AskSaveFile({}), QString("/tmp/a.syx"));
    EXPECT_EQ(prompts.AskSaveFile({}), std::nullopt);
    EXPECT_EQ(prompts.AskOpenFile({}), QString("/tmp/b.syx"));
    EXPECT_EQ(prompts.AskOpenFile({}), std::nullopt);
}

TEST(ScriptedPromptsTest, FolderCountsOnlyWhenItIsAnExistingFolder) {
    QTemporaryDir existing;
    struct Case {
        const char* name;
        std::optional<QString> answer;
        bool expected;
    };
    const Case cases[] = {
        {"existing folder", existing.path(), true},
        {"no such folder", existing.path() + "/missing", false},
        {"a file, not a folder", QDir(existing.path()).filePath("file"), false},
        {"cancel", std::nullopt, false},
    };
    QFile(QDir(existing.path()).filePath("file")).open(QIODevice::WriteOnly);
    for (const auto& c : cases) {
        ScriptedPrompts prompts;
        prompts.QueueFolder(c.answer);
        QString folder = "/before";
        EXPECT_EQ(prompts.ChooseFolder(folder), c.expected) << c.name;
        EXPECT_EQ(folder, c.expected ? *c.answer : QString("/before")) << c.name;
    }
}

TEST(ScriptedPromptsTest, DialogScriptDecidesThroughTheDialogsOwnAcceptAndReject) {
    struct Case {
        const char* name;
        std::optional<ScriptedPrompts::DialogScript> script;
        bool expectedResult;
        int expectedAccepts;
    };
    const Case cases[] = {
        {"no script rejects", std::nullopt, false, 0},
        {"script returns true", [](QDialog&) { return true; }, true, 1},
        {"script returns false", [](QDialog&) { return false; }, false, 0},
        {"script clicks OK itself",
         [](QDialog& d) {
             static_cast<CountingDialog&>(d).okButton->click();
             return true;
         },
         true, 1},
        {"script clicks OK then answers false",
         [](QDialog& d) {
             static_cast<CountingDialog&>(d).okButton->click();
             return false;
         },
         true, 1},
    };
    for (const auto& c : cases) {
        ScriptedPrompts prompts;
        if (c.script) {
            prompts.QueueDialog(*c.script);
        }
        CountingDialog dialog;
        EXPECT_EQ(prompts.RunDialog(dialog), c.expectedResult) << c.name;
        EXPECT_EQ(dialog.accepts, c.expectedAccepts) << c.name;
        EXPECT_FALSE(dialog.isVisible()) << c.name;
    }
}

TEST(ScriptedPromptsTest, WorkerMessagesFromManyThreadsAreAllRecorded) {
    ScriptedPrompts prompts;
    constexpr int kThreads = 4;
    constexpr int kEach = 50;
    std::vector<std::thread> workers;
    for (int t = 0; t < kThreads; ++t) {
        workers.emplace_back([&prompts, t] {
            for (int i = 0; i < kEach; ++i) {
                prompts.ShowMessage(QString("%1:%2").arg(t).arg(i));
            }
        });
    }
    for (auto& worker : workers) {
        worker.join();
    }
    const auto records = prompts.Records();
    ASSERT_EQ(records.size(), static_cast<std::size_t>(kThreads * kEach));
    std::vector<int> nextOfThread(kThreads, 0);
    for (const auto& record : records) {
        EXPECT_TRUE(record.fromWorker);
        const auto parts = record.text.split(':');
        const int t = parts[0].toInt();
        EXPECT_EQ(parts[1].toInt(), nextOfThread[t]++) << "order within a thread";
    }
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
    EXPECT_TRUE(returned);

    std::thread later([&] { prompts.ShowMessage("after close"); });
    later.join();
    EXPECT_EQ(prompts.Messages(), std::vector<QString>{"pending"});
}

}  // namespace
}  // namespace tessel
