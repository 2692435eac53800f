// Send, Receive and the patch-selection sends through the main window, against the virtual
// instrument: what the instrument received (its log) and what lies on disk.
#include <gtest/gtest.h>
#include <QElapsedTimer>
#include <QProgressBar>

#include "midi/sysex/SysexTexts.h"
#include "midi/virtual/DemoBank.h"
#include "tests/gui/LibrarianWindowFixture.h"

namespace tessel {
namespace {

using namespace std::chrono_literals;
using format::Bytes;
using test::NamedDump;

Bytes FileBytes(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(file), {});
}

Bytes Slice(const Bytes& bytes, std::size_t from, std::size_t to) {
    return Bytes(bytes.begin() + std::ptrdiff_t(from), bytes.begin() + std::ptrdiff_t(to));
}

// The window on the virtual instrument, its reset after the open already heard, Auto Preview
// off, the library holding a.syx (dump A) and old.syx ("OLD"). Without cable time unless
// asked for.
class TransferFixture : public test::WindowFixture {
public:
    TransferFixture() {
        Write("a.syx", NamedDump("A"));
        Write("old.syx", {'O', 'L', 'D'});
    }
    void StartOnInstrument(int channel = 1, const std::string& derPath = {},
                           const std::string& output = midi::kVirtualDeviceName,
                           bool wire = false) {
        Instrument().SetWireTiming(wire);
        Start("[config]\npar_TestSel=0\nDerPath=" + derPath + "\n[device]\nPathDef=" +
              Folder().toStdString() + "\nMidiIn=" + midi::kVirtualDeviceName +
              "\nMidiOut=" + output + "\nMidiChanel=" + std::to_string(channel) + "\n");
        Instrument().WaitIdle(5s);
        Instrument().ClearLog();
    }
    midi::VirtualJd800& Instrument() { return midi.Instrument(); }
    bool Ended() const {
        return QTest::qWaitFor([this] { return Find("sendButton")->isEnabled(); }, 30'000);
    }
    std::vector<Bytes> Heard() {
        Instrument().WaitIdle(5s);
        std::vector<Bytes> messages;
        std::ranges::transform(Instrument().ReceivedLog(), std::back_inserter(messages),
                               [](const auto& message) { return message.bytes; });
        return messages;
    }
    // What names the file last transferred: the status line, DerPath and lastTransferPath.
    std::string Transferred() const {
        const std::string derPath = store->ReadString("config", "DerPath", "?");
        EXPECT_EQ(Find<QLabel>("transferLabel")->text().toStdString(), derPath);
        EXPECT_EQ(window->Library().lastTransferPath, derPath);
        return derPath;
    }
};

// b.syx is sent; a second request while it runs is refused. Junk before the first F0 goes
// with the first message, bytes after the last F7 as a last message.
TEST(LibrarianTransfer, SendCutsTheFileAtEachF7AndEndsOnPatch11) {
    const Bytes dump = NamedDump("S");
    const std::tuple<Bytes, int, std::vector<std::size_t>> cases[] = {
        {dump, 1, {266, 266, 266}},  // sizes of the first, second and last message
        {format::test::Concat({{0x01, 0x02}, dump, {0xF0, 0x41, 0x10}}), 10, {268, 266, 3}},
    };
    for (const auto& [file, channel, sizes] : cases) {
        TransferFixture f;
        f.Write("b.syx", file);
        f.StartOnInstrument(channel);
        f.UserSelects("fileList", 1);
        f.Find<QPushButton>("sendButton")->click();
        EXPECT_FALSE(f.Find("receiveButton")->isEnabled()) << "one transfer at a time";
        emit f.List("fileList").itemDoubleClicked(f.List("fileList").item(1));
        ASSERT_TRUE(f.Ended());

        const std::vector<Bytes> heard = f.Heard();
        const auto log = f.Instrument().ReceivedLog();
        const std::size_t messages = heard.size() - 1;
        EXPECT_EQ(messages, 96u + (channel == 10));
        EXPECT_EQ((std::vector{heard[0].size(), heard[1].size(), heard[messages - 1].size()}),
                  sizes);
        Bytes sent;
        for (std::size_t i = 0; i < messages; ++i) {
            sent.insert(sent.end(), heard[i].begin(), heard[i].end());
            EXPECT_GE(log[i + 1].time - log[i].time, 30ms) << i;
        }
        EXPECT_EQ(sent, file) << "every byte goes out as it stands";
        EXPECT_EQ(heard.back(), Bytes({std::uint8_t(0xBF + channel), 0x00}));
        EXPECT_EQ(f.Selected("patchList"), test::EntriesOf("S")[0]);
        EXPECT_EQ(f.Find<QProgressBar>("progressBar")->value(), 0);
        EXPECT_EQ(f.Transferred(), (f.library.Path() / "b.syx").string());
        EXPECT_TRUE(f.prompts.Records().empty());
    }
}

// Nothing is sent and nothing changes with no file loaded ("<None>") or one too large to be
// a dump. Without an output port the first message fails: the instrument may hold parts of
// two dumps, so no file is named as transferred.
TEST(LibrarianTransfer, SendOfNoDumpDoesNothingAStoppedSendNamesNoFile) {
    for (int c = 0; c < 3; ++c) {
        TransferFixture f;
        f.WriteUnreadable("b.syx");
        f.StartOnInstrument(1, "/x.syx", c == 2 ? "<none>" : midi::kVirtualDeviceName);
        if (c == 0) {
            f.UserSelects("fileList", 1);
        } else if (c == 1) {
            std::filesystem::resize_file(f.library.Path() / "a.syx", 16 << 20 | 1);
        }
        f.Find<QPushButton>("sendButton")->click();
        ASSERT_TRUE(f.Ended());
        EXPECT_TRUE(f.Heard().empty());
        EXPECT_EQ(f.prompts.Messages().size(), c == 2 ? 1u : 0u) << "the invalid-port text";
        EXPECT_EQ(f.Transferred(), c == 2 ? "" : "/x.syx") << c;
        EXPECT_EQ(f.Selected("patchList"), c == 2 ? test::EntriesOf("A")[0] : "") << c;
    }
}

// Receive into `name` ("" cancels) with the instrument answering, silent, or answering with
// the wrong size. old.syx holds "OLD"; %1 in a message is the chosen path. The file holds
// `content`: "dump", "OLD" or "" (an empty file), nullptr for none.
TEST(LibrarianTransfer, ReceiveStoresTheAnswersOnlyWhenTheyAreAll) {
    enum Instrument { Answers, Silent, WrongSize };
    const QString notResponding = midi::sysex_texts::kNotResponding;
    const std::tuple<QString, Instrument, std::size_t, QString, const char*> cases[] = {
        {"new.syx", Answers, 96, "", "dump"},
        {"old.syx", Answers, 96, "", "dump"},
        {"new.syx", Silent, 1, notResponding, ""},
        {"old.syx", Silent, 1, notResponding, "OLD"},
        {"new.syx", WrongSize, 11,
         "The instrument's answers for address 05 00 00 had the wrong size 11 times in a row. "
         "The receive has stopped.",
         ""},
        {"", Answers, 0, "", nullptr},
        {"missing/x.syx", Answers, 0, "Unable to create the file %1:\nNo such file or directory",
         nullptr},
    };
    for (const auto& [name, instrument, requests, message, content] : cases) {
        SCOPED_TRACE(name.toStdString() + " " + std::to_string(instrument));
        TransferFixture f;
        f.StartOnInstrument();
        f.Instrument().SetSilent(instrument == Silent);
        f.Instrument().SetReplySize(instrument == WrongSize ? std::optional<std::size_t>(100)
                                                            : std::nullopt);
        f.prompts.QueueSaveFile(name.isEmpty() ? std::nullopt : std::optional(f.PathOf(name)));
        f.Find<QPushButton>("receiveButton")->click();
        ASSERT_TRUE(f.Ended());
        const std::vector<Bytes> heard = f.Heard();
        ASSERT_EQ(heard.size(), requests);
        for (std::size_t k = 0; k < heard.size(); ++k) {
            const auto address = format::AddressPlus(format::kPatchMemoryAddress,
                                                     instrument == WrongSize ? 0 : 256 * k);
            EXPECT_EQ(heard[k], format::BuildDumpRequest(0x10, address)) << k;
        }
        EXPECT_EQ(f.prompts.Messages(),
                  message.isEmpty() ? std::vector<QString>{}
                                    : std::vector{QString(message).replace("%1", f.PathOf(name))});
        const auto asked = f.prompts.Records().at(0);
        EXPECT_EQ(
            (QStringList{asked.fileRequest.filter, asked.fileRequest.defaultSuffix, asked.text}),
            (QStringList{"Sysex file (*.syx);;All files (*.*)", "syx", f.Folder() + "/dump.syx"}));
        std::filesystem::directory_iterator files(f.library.Path());
        EXPECT_EQ(std::distance(files, {}), 2 + (name == "new.syx")) << "no temporary file left";
        const auto target = f.library.Path() / name.toStdString();
        EXPECT_EQ(f.Transferred(), content == nullptr ? "" : target.string());
        if (content != nullptr) {
            const std::string old = content;
            EXPECT_EQ(FileBytes(target),
                      old == "dump" ? midi::DemoBankDump() : Bytes(old.begin(), old.end()));
            EXPECT_EQ(f.Selected("fileList"), name);
        }
    }
}

// Closing ends the worker at once, without a message. The receive follows the early-stop
// rule: a new file keeps the answers so far, an existing one its old content.
TEST(LibrarianTransfer, ClosingDuringATransferEndsItCleanly) {
    for (const std::string c : {"send", "new.syx", "old.syx"}) {
        TransferFixture f;
        f.StartOnInstrument(1, {}, midi::kVirtualDeviceName, true);
        f.prompts.QueueSaveFile(f.PathOf(QString::fromStdString(c)));
        f.Find<QPushButton>(c == "send" ? "sendButton" : "receiveButton")->click();
        QTest::qWait(500);
        QElapsedTimer closing;
        closing.start();
        f.window->close();
        EXPECT_LT(closing.elapsed(), 2500) << c;
        f.window.reset();
        EXPECT_TRUE(f.prompts.Messages().empty()) << c;
        const Bytes content = FileBytes(f.library.Path() / c);
        const bool wholeAnswers = !content.empty() && content.size() % 266 == 0;
        EXPECT_EQ(wholeAnswers, c == "new.syx") << "a new file keeps the answers so far";
        const Bytes old{'O', 'L', 'D'};
        EXPECT_EQ(content,
                  c == "old.syx" ? old : format::test::Head(midi::DemoBankDump(), content.size()));
    }
}

// Patch 2 (index 1) of a file, chosen in the list (clicked once, or twice: each click acts) or
// as a find result, with a.syx (a3.syx for index 131) the file last transferred. A.syx is
// another file than a.syx; a3.syx holds three dumps, so its patch index 131 has no program
// number. Each 798 bytes of whole dumps (three messages) hold two records, the second in
// bytes 402-529 and 540-795.
TEST(LibrarianTransfer, PatchSelectionPlaysThePatchAtOnce) {
    const std::tuple<const char*, int, bool, int, bool> cases[] = {
        {"a.syx", 1, false, 10, true},    {"b.syx", 1, false, 1, false},
        {"A.syx", 1, false, 1, false},    {"a.syx", 1, true, 1, false},
        {"a3.syx", 131, false, 1, false},
    };
    for (const auto& [name, index, result, channel, programChange] : cases) {
        SCOPED_TRACE(name);
        TransferFixture f;
        f.Write("b.syx", NamedDump("B"));
        f.Write("A.syx", NamedDump("U"));
        f.Write("a3.syx", format::test::Concat({NamedDump("A"), NamedDump("C"), NamedDump("D")}));
        f.StartOnInstrument(channel, f.PathOf(index > 1 ? "a3.syx" : "a.syx").toStdString());
        QElapsedTimer selecting;
        selecting.start();
        if (result) {
            ASSERT_TRUE(f.Search("A 1 "));
            f.UserSelects("resultsList", 0);
        } else {
            f.UserSelects("fileList", int(f.Entries("fileList").indexOf(name)));
            for (int click = 0; click < 1 + programChange; ++click) {
                f.UserSelects("patchList", index);
            }
            if (programChange) {  // a click on the selected entry acts again, a key move once
                QTest::keyClick(f.Find("patchList"), Qt::Key_Down);
                QTest::keyClick(f.Find("patchList"), Qt::Key_Up);
            }
        }
        const auto elapsed = selecting.elapsed();
        const std::vector<Bytes> heard = f.Heard();
        if (programChange) {
            const std::uint8_t status = 0xBF + channel;
            EXPECT_EQ(heard,
                      (std::vector<Bytes>{{status, 1}, {status, 1}, {status, 2}, {status, 1}}));
            continue;
        }
        const Bytes file = FileBytes(f.library.Path() / name);
        const std::size_t at = 798 * std::size_t(index / 2);
        ASSERT_EQ(heard.size(), 2u);
        EXPECT_EQ(heard[0],
                  format::BuildDt1(0x10, {0, 0, 0},
                                   format::test::Concat({Slice(file, at + 402, at + 530),
                                                         Slice(file, at + 540, at + 668)})));
        EXPECT_EQ(heard[1], format::BuildDt1(0x10, {0, 2, 0}, Slice(file, at + 668, at + 796)));
        EXPECT_GE(elapsed, 295) << "the instrument is given time to take the patch";
    }
}

}  // namespace
}  // namespace tessel
