// Send, Receive and the patch-selection sends through the main window, against the virtual
// instrument: what the instrument received (its log) and what lies on disk.
#include <gtest/gtest.h>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>

#include "midi/sysex/SysexTexts.h"
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
        const std::string device = midi::kVirtualDeviceName;
        Start("[config]\npar_TestSel=0\nDerPath=" + derPath +
              "\n[device]\nPathDef=" + Folder().toStdString() + "\nMidiIn=" + device +
              "\nMidiOut=" + output + "\nMidiChanel=" + std::to_string(channel) + "\n");
        Instrument().WaitIdle(5s);
        Instrument().ClearLog();
    }
    midi::VirtualJd800& Instrument() { return midi.Instrument(); }
    void Click(const char* button) const { Find<QPushButton>(button)->click(); }
    bool TransferEnded() const {
        return QTest::qWaitFor([this] { return Find("sendButton")->isEnabled(); }, 30'000);
    }
    bool Run(const char* button) const {
        Click(button);
        return TransferEnded();
    }
    std::vector<Bytes> Heard() {
        Instrument().WaitIdle(5s);
        std::vector<Bytes> messages;
        for (const auto& received : Instrument().ReceivedLog()) {
            messages.push_back(received.bytes);
        }
        return messages;
    }
    // What names the file last transferred: the status line, DerPath and lastTransferPath.
    std::string Transferred() const {
        const std::string derPath = store->ReadString("config", "DerPath", "?");
        EXPECT_EQ(Find<QLabel>("transferLabel")->text().toStdString(), derPath);
        EXPECT_EQ(window->Library().lastTransferPath, derPath);
        return derPath;
    }
    // A completed receive: the instrument's 64 patches as the 96 answers, in address order.
    Bytes MemoryAsDump() {
        format::test::Records records;
        for (std::size_t i = 0; i < records.size(); ++i) {
            records[i] = Instrument().Patch(i);
        }
        return format::test::DumpBytes(records);
    }
};

// b.syx is sent; a second request while it runs is refused. Junk before the first F0 goes
// with the first message, bytes after the last F7 as a last message.
TEST(LibrarianTransfer, SendCutsTheFileAtEachF7AndEndsOnPatch11) {
    const Bytes dump = NamedDump("S");
    const struct {
        Bytes file;
        int channel;
        std::vector<std::size_t> sizes;  // first, second and last message
    } cases[] = {
        {dump, 1, {266, 266, 266}},
        {format::test::Concat({{0x01, 0x02}, dump, {0xF0, 0x41, 0x10}}), 10, {268, 266, 3}},
    };
    for (const auto& c : cases) {
        TransferFixture f;
        f.Write("b.syx", c.file);
        f.StartOnInstrument(c.channel);
        f.UserSelects("fileList", 1);
        f.UserSelects("patchList", 5);
        f.Instrument().ClearLog();
        f.Click("sendButton");
        EXPECT_FALSE(f.Find("receiveButton")->isEnabled()) << "one transfer at a time";
        emit f.List("fileList").itemDoubleClicked(f.List("fileList").item(1));
        ASSERT_TRUE(f.TransferEnded());

        const std::vector<Bytes> heard = f.Heard();
        const auto log = f.Instrument().ReceivedLog();
        const std::size_t messages = heard.size() - 1;
        EXPECT_EQ(messages, 96u + (c.channel == 10));
        EXPECT_EQ((std::vector{heard[0].size(), heard[1].size(), heard[messages - 1].size()}),
                  c.sizes);
        Bytes sent;
        for (std::size_t i = 0; i < messages; ++i) {
            sent.insert(sent.end(), heard[i].begin(), heard[i].end());
            EXPECT_GE(log[i + 1].time - log[i].time, 30ms) << i;
        }
        EXPECT_EQ(sent, c.file) << "every byte goes out as it stands";
        const std::uint8_t programChange = 0xC0 + c.channel - 1;
        EXPECT_EQ(heard.back(), Bytes({programChange, 0x00}));
        EXPECT_EQ(f.Selected("patchList"), test::EntriesOf("S")[0]);
        EXPECT_EQ(f.Find<QProgressBar>("progressBar")->value(), 0);
        EXPECT_EQ(f.Transferred(), (f.library.Path() / "b.syx").string());
        EXPECT_TRUE(f.prompts.Records().empty());
        f.Instrument().ClearLog();
        f.UserSelects("patchList", 9);
        EXPECT_EQ(f.Heard(), std::vector<Bytes>{Bytes({programChange, 9})});
    }
}

// Nothing is sent and nothing changes with a file that vanished, one too large to be a dump
// or no file loaded ("<None>"). Without an output port the first message fails: the
// instrument may hold parts of two dumps, so no file is named as transferred.
TEST(LibrarianTransfer, SendOfNoDumpDoesNothingAStoppedSendNamesNoFile) {
    const auto a = [](const TransferFixture& f) { return f.library.Path() / "a.syx"; };
    const std::function<void(TransferFixture&)> cases[] = {
        [&](TransferFixture& f) { std::filesystem::remove(a(f)); },
        [&](TransferFixture& f) { std::filesystem::resize_file(a(f), 16 << 20 | 1); },
        [&](TransferFixture& f) { f.UserSelects("fileList", 1); },
        [&](TransferFixture& f) { f.List("patchList").SelectFromCode(3); },
    };
    for (int c = 0; c < 4; ++c) {
        TransferFixture f;
        f.WriteUnreadable("b.syx");
        f.StartOnInstrument(1, "/x.syx", c == 3 ? "<none>" : midi::kVirtualDeviceName);
        cases[c](f);
        ASSERT_TRUE(f.Run("sendButton"));
        EXPECT_TRUE(f.Heard().empty());
        EXPECT_EQ(f.prompts.Messages().size(), c == 3 ? 1u : 0u) << "the invalid-port text";
        EXPECT_EQ(f.Transferred(), c == 3 ? "" : "/x.syx") << c;
        EXPECT_EQ(f.Selected("patchList"), c == 3 ? test::EntriesOf("A")[0] : "") << c;
    }
}

// Receive into `name` ("" cancels) with the instrument answering, silent, or answering with
// the wrong size. old.syx holds "OLD"; %1 in a message is the chosen path.
TEST(LibrarianTransfer, ReceiveStoresTheAnswersOnlyWhenTheyAreAll) {
    enum Instrument { Answers, Silent, WrongSize };
    const struct {
        QString name;
        Instrument instrument;
        std::size_t requests;
        QString message;
        const char* content;  // "dump", "OLD" or "" (an empty file), nullptr for none
    } cases[] = {
        {"new.syx", Answers, 96, "", "dump"},
        {"old.syx", Answers, 96, "", "dump"},
        {"new.syx", Silent, 1, midi::sysex_texts::kNotResponding, ""},
        {"old.syx", Silent, 1, midi::sysex_texts::kNotResponding, "OLD"},
        {"new.syx", WrongSize, 11,
         "The instrument's answers for address 05 00 00 had the wrong size 11 times in a row. "
         "The receive has stopped.",
         ""},
        {"", Answers, 0, "", nullptr},
        {"missing/x.syx", Answers, 0, "Unable to create the file %1:\nNo such file or directory",
         nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name.toStdString() + " " + std::to_string(c.instrument));
        TransferFixture f;
        f.StartOnInstrument();
        f.Instrument().SetSilent(c.instrument == Silent);
        f.Instrument().SetReplySize(c.instrument == WrongSize ? std::optional<std::size_t>(100)
                                                              : std::nullopt);
        f.prompts.QueueSaveFile(c.name.isEmpty() ? std::nullopt : std::optional(f.PathOf(c.name)));
        ASSERT_TRUE(f.Run("receiveButton"));
        const std::vector<Bytes> heard = f.Heard();
        ASSERT_EQ(heard.size(), c.requests);
        for (std::size_t k = 0; k < heard.size(); ++k) {
            const std::uint32_t offset = c.instrument == WrongSize ? 0 : 256 * k;
            EXPECT_EQ(heard[k],
                      format::BuildDumpRequest(
                          0x10, format::AddressPlus(format::kPatchMemoryAddress, offset)));
        }
        EXPECT_EQ(f.prompts.Messages(),
                  c.message.isEmpty()
                      ? std::vector<QString>{}
                      : std::vector{QString(c.message).replace("%1", f.PathOf(c.name))});
        const auto request = f.prompts.Records().at(0);
        EXPECT_EQ(request.fileRequest.filter, "Sysex file (*.syx);;All files (*.*)");
        EXPECT_EQ(request.fileRequest.defaultSuffix, "syx");
        EXPECT_EQ(request.text, f.Folder() + "/dump.syx");
        std::filesystem::directory_iterator files(f.library.Path());
        EXPECT_EQ(std::distance(files, {}), 2 + (c.name == "new.syx")) << "no temporary file left";
        if (c.content == nullptr) {
            EXPECT_EQ(f.Transferred(), "");
            continue;
        }
        const std::string content = c.content;
        const auto target = f.library.Path() / c.name.toStdString();
        EXPECT_EQ(FileBytes(target),
                  content == "dump" ? f.MemoryAsDump() : Bytes(content.begin(), content.end()));
        EXPECT_EQ(f.Selected("fileList"), c.name);
        EXPECT_EQ(f.Transferred(), target.string());
        if (content == "dump") {
            f.Instrument().ClearLog();
            f.UserSelects("patchList", 9);
            EXPECT_EQ(f.Heard(), std::vector<Bytes>{Bytes({0xC0, 9})});
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
        f.Click(c == "send" ? "sendButton" : "receiveButton");
        QTest::qWait(500);
        QElapsedTimer closing;
        closing.start();
        f.window->close();
        EXPECT_LT(closing.elapsed(), 2500) << c;
        f.window.reset();
        EXPECT_TRUE(f.prompts.Messages().empty()) << c;
        const Bytes content = FileBytes(f.library.Path() / c);
        if (c == "new.syx") {
            EXPECT_EQ(content, Slice(f.MemoryAsDump(), 0, content.size()));
            EXPECT_GT(content.size(), 0u);
            EXPECT_EQ(content.size() % 266, 0u);
        } else if (c == "old.syx") {
            EXPECT_EQ(content, Bytes({'O', 'L', 'D'}));
        }
    }
}

// Patch 2 (index 1) of a file, chosen in the list or as a find result, with `derPath` the
// file last transferred. A.syx is another file than a.syx; a3.syx holds three dumps, so its
// patch index 131 has no program number. A record's bytes in a file of whole dumps: each 798
// bytes (three messages) hold two records, the second in bytes 402-529 and 540-795.
TEST(LibrarianTransfer, PatchSelectionPlaysThePatchAtOnce) {
    const struct {
        const char* file;
        int index;
        bool result;
        int channel;
        const char* derPath;
        bool programChange;
    } cases[] = {
        {"a.syx", 1, false, 10, "a.syx", true},     {"b.syx", 1, false, 1, "a.syx", false},
        {"A.syx", 1, false, 1, "a.syx", false},     {"a.syx", 1, true, 1, "a.syx", false},
        {"a3.syx", 131, false, 1, "a3.syx", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        TransferFixture f;
        f.Write("b.syx", NamedDump("B"));
        f.Write("A.syx", NamedDump("U"));
        f.Write("a3.syx", format::test::Concat({NamedDump("A"), NamedDump("C"), NamedDump("D")}));
        f.StartOnInstrument(c.channel, f.PathOf(c.derPath).toStdString());
        QElapsedTimer selecting;
        selecting.start();
        if (c.result) {
            f.Find<QLineEdit>("searchField")->setText("A 1 ");
            f.Click("findButton");
            ASSERT_TRUE(f.FinishFind());
            f.UserSelects("resultsList", 0);
        } else {
            f.UserSelects("fileList", int(f.Entries("fileList").indexOf(c.file)));
            f.UserSelects("patchList", c.index);
        }
        const auto elapsed = selecting.elapsed();
        const std::vector<Bytes> heard = f.Heard();
        if (c.programChange) {
            EXPECT_EQ(heard, std::vector<Bytes>{Bytes({std::uint8_t(0xBF + c.channel), 1})});
            continue;
        }
        const Bytes file = FileBytes(f.library.Path() / c.file);
        const std::size_t pair = 798 * std::size_t(c.index / 2);
        ASSERT_EQ(heard.size(), 2u);
        EXPECT_EQ(heard[0],
                  format::BuildDt1(0x10, {0, 0, 0},
                                   format::test::Concat({Slice(file, pair + 402, pair + 530),
                                                         Slice(file, pair + 540, pair + 668)})));
        EXPECT_EQ(heard[1], format::BuildDt1(0x10, {0, 2, 0}, Slice(file, pair + 668, pair + 796)));
        EXPECT_GE(elapsed, 295) << "the instrument is given time to take the patch";
    }
}

}  // namespace
}  // namespace tessel
