// Send and Receive through the main window over JACK, against the test instrument process,
// which keeps what it is sent and answers requests with it.
#include <gtest/gtest.h>
#include <QPushButton>
#include <QTest>

#include "midi/rtmidi/RtMidiBackend.h"
#include "tests/e2e/JackTestSupport.h"
#include "tests/gui/LibrarianWindowFixture.h"

namespace tessel {
namespace {

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
    const auto dump = format::test::DumpBytes(format::test::DistinctRecords());
    test::WindowFixture f;
    f.service = service.get();
    f.Write("sent.syx", dump);
    f.Start("[device]\nPathDef=" + f.Folder().toStdString() +
            "\nMidiIn=" + instrument.OutputPort() + "\nMidiOut=" + instrument.InputPort() + "\n");
    ASSERT_TRUE(RunTransfer(f, "sendButton"));
    const auto sent = instrument.Collect("sysex", std::chrono::milliseconds(500));
    EXPECT_EQ(sent.size(), 96u);
    EXPECT_TRUE(std::ranges::all_of(sent, [](auto& report) { return report.detail == "266"; }));

    f.prompts.QueueSaveFile(f.PathOf("received.syx"));
    ASSERT_TRUE(RunTransfer(f, "receiveButton"));
    std::ifstream received(f.library.Path() / "received.syx", std::ios::binary);
    EXPECT_EQ(format::Bytes(std::istreambuf_iterator<char>(received), {}), dump);
    EXPECT_EQ(f.Selected("fileList"), "received.syx");
    EXPECT_TRUE(f.prompts.Messages().empty());
}

}  // namespace
}  // namespace tessel
