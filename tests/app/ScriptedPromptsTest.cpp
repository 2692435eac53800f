#include "app/prompts/ScriptedPrompts.h"

#include <atomic>
#include <thread>
#include <vector>

#include <gtest/gtest.h>
#include <QDialog>
#include <QDir>
#include <QFile>
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
        connect(okButton, &QPushButton::clicked, this, &QDialog::accept);
    }
    void accept() override {
        ++accepts;
        QDialog::accept();
    }
    QPushButton* okButton = new QPushButton("OK", this);
    int accepts = 0;
};

TEST(ScriptedPromptsTest, QueuedAnswersComeFirstThenThoseOfAUserWhoClosesThePrompt) {
    ScriptedPrompts prompts;
    prompts.QueueYesNo(true);
    prompts.QueueSaveFile("/tmp/a.syx");
    QString folder = "/start";
    CountingDialog dialog;
    prompts.ShowMessage("hello");
    EXPECT_TRUE(prompts.AskYesNo("1"));
    EXPECT_FALSE(prompts.AskYesNo("2"));
    EXPECT_FALSE(prompts.ChooseFolder(folder));
    EXPECT_EQ(folder, "/start");
    EXPECT_EQ(prompts.AskSaveFile({"*.syx", "syx", "/lib", "bank.syx"}), QString("/tmp/a.syx"));
    EXPECT_EQ(prompts.AskSaveFile({}), std::nullopt);
    EXPECT_EQ(prompts.AskOpenFile({"*.syx", "syx", "/lib", ""}), std::nullopt);
    EXPECT_FALSE(prompts.RunDialog(dialog));
    EXPECT_EQ(dialog.accepts, 0);

    using K = PromptKind;
    const std::vector<QString> texts = {"hello",         "1", "2",     "/start",
                                        "/lib/bank.syx", "/", "/lib/", "Counting"};
    const std::vector<K> kinds = {K::Message,  K::YesNo,    K::YesNo,    K::Folder,
                                  K::SaveFile, K::SaveFile, K::OpenFile, K::Dialog};
    std::vector<K> recordedKinds;
    for (const auto& record : prompts.Records()) {
        recordedKinds.push_back(record.kind);
        EXPECT_FALSE(record.fromWorker);
    }
    EXPECT_EQ(prompts.Texts(), texts);
    EXPECT_EQ(recordedKinds, kinds);
    EXPECT_EQ(prompts.Records()[4].fileRequest.defaultSuffix, "syx");
    EXPECT_EQ(prompts.Messages(), std::vector<QString>{"hello"});
}

TEST(ScriptedPromptsTest, FolderCountsOnlyWhenItIsAnExistingFolder) {
    QTemporaryDir existing;
    const QString file = QDir(existing.path()).filePath("file");
    QFile(file).open(QIODevice::WriteOnly);
    const std::pair<std::optional<QString>, bool> cases[] = {
        {existing.path(), true},
        {existing.path() + "/missing", false},
        {file, false},
        {std::nullopt, false},
    };
    for (const auto& [answer, chosen] : cases) {
        ScriptedPrompts prompts;
        prompts.QueueFolder(answer);
        QString folder = "/before";
        EXPECT_EQ(prompts.ChooseFolder(folder), chosen) << answer.value_or("cancel").toStdString();
        EXPECT_EQ(folder, chosen ? *answer : QString("/before"));
    }
}

TEST(ScriptedPromptsTest, DialogScriptDecidesThroughTheDialogsOwnAcceptAndReject) {
    const auto clickOk = [](QDialog& d) { static_cast<CountingDialog&>(d).okButton->click(); };
    const std::tuple<ScriptedPrompts::DialogScript, bool, int> cases[] = {
        {nullptr, false, 0},
        {[](QDialog&) { return true; }, true, 1},
        {[](QDialog&) { return false; }, false, 0},
        {[&](QDialog& d) {
             clickOk(d);
             return true;
         },
         true, 1},
        {[&](QDialog& d) {  // the click stands
             clickOk(d);
             return false;
         },
         true, 1},
    };
    for (const auto& [script, accepted, accepts] : cases) {
        ScriptedPrompts prompts;
        if (script) {
            prompts.QueueDialog(script);
        }
        CountingDialog dialog;
        EXPECT_EQ(prompts.RunDialog(dialog), accepted);
        EXPECT_EQ(dialog.accepts, accepts);
        EXPECT_FALSE(dialog.isVisible());
    }
}

TEST(ScriptedPromptsTest, WorkerMessagesFromManyThreadsAreAllRecordedInOrder) {
    ScriptedPrompts prompts;
    std::vector<std::thread> workers;
    for (int t = 0; t < 4; ++t) {
        workers.emplace_back([&prompts, t] {
            for (int i = 0; i < 50; ++i) {
                prompts.ShowMessage(QString("%1:%2").arg(t).arg(i));
            }
        });
    }
    for (auto& worker : workers) {
        worker.join();
    }
    std::vector<int> nextOfThread(4, 0);
    for (const auto& record : prompts.Records()) {
        EXPECT_TRUE(record.fromWorker);
        const auto parts = record.text.split(':');
        EXPECT_EQ(parts[1].toInt(), nextOfThread[parts[0].toInt()]++);
    }
    EXPECT_EQ(nextOfThread, std::vector<int>(4, 50));
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
