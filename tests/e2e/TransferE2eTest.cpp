// Send and Receive through the main window over JACK, against the test instrument process,
// which keeps what it is sent and answers requests with it. Skipped when no JACK server is
// reachable.
#include <gtest/gtest.h>
#include <QPushButton>
#include <QTest>

#include "midi/rtmidi/RtMidiBackend.h"
#include "tests/e2e/JackTestSupport.h"
#include "tests/gui/LibrarianWindowFixture.h"

namespace tessel {
namespace {

using format::Bytes;

Bytes FileBytes(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(file), {});
}

bool RunTransfer(test::WindowFixture& f, const char* button) {
    f.Find<QPushButton>(button)->click();
    return QTest::qWaitFor([&] { return f.Find("sendButton")->isEnabled(); }, 60'000);
}

TEST(TransferOnJack, ADumpSentComesBackByteForByte) {
    if (!test::JackServerReachable()) {
        GTEST_SKIP() << test::kNoJackReason;
    }
    test::TestInstrument instrument;
    ASSERT_TRUE(instrument.Ready());
    auto service = midi::AssembleMidiService(midi::CreateRtMidiService()).service;
    const Bytes dump = format::test::DumpBytes(format::test::DistinctRecords());
    {
        test::WindowFixture f;
        f.service = service.get();
        f.Write("sent.syx", dump);
        f.Start("[device]\nPathDef=" + f.Folder().toStdString() + "\nMidiIn=" +
                instrument.OutputPort() + "\nMidiOut=" + instrument.InputPort() + "\n");
        ASSERT_TRUE(RunTransfer(f, "sendButton"));
        const auto sent = instrument.Collect("sysex", std::chrono::milliseconds(500));
        EXPECT_EQ(sent.size(), 96u);
        EXPECT_TRUE(
            std::all_of(sent.begin(), sent.end(), [](auto& r) { return r.detail == "266"; }));

        f.prompts.QueueSaveFile(f.PathOf("received.syx"));
        ASSERT_TRUE(RunTransfer(f, "receiveButton"));
        EXPECT_EQ(FileBytes(f.library.Path() / "received.syx"), dump);
        EXPECT_EQ(f.Selected("fileList"), "received.syx");
        EXPECT_TRUE(f.prompts.Messages().empty());
    }
    EXPECT_EQ(instrument.Quit(), 0);
}

}  // namespace
}  // namespace tessel
