// Send, Receive and the patch-selection sends through the main window, against the virtual
// instrument: what the instrument received (its log) and what lies on disk.
#include <chrono>
#include <span>

#include <gtest/gtest.h>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

#include "midi/sysex/SysexTexts.h"
#include "tests/gui/LibrarianWindowFixture.h"

namespace tessel {
namespace {

using namespace std::chrono_literals;
using format::Bytes;
using test::NamedDump;

const Bytes kProgramChange0{0xC0, 0x00};

Bytes FileBytes(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(file), {});
}

Bytes Slice(const Bytes& bytes, std::size_t from, std::size_t to) {
    return Bytes(bytes.begin() + std::ptrdiff_t(from), bytes.begin() + std::ptrdiff_t(to));
}

// Record `index` (odd) of a file of whole dumps: each 798 bytes (three messages) hold two
// records, the second in bytes 402-529 and 540-795.
Bytes RecordInFile(const Bytes& file, int index) {
    const std::size_t pair = 798 * std::size_t(index / 2);
    return format::test::Concat(
        {Slice(file, pair + 402, pair + 530), Slice(file, pair + 540, pair + 796)});
}

// The window on the virtual instrument, its reset after the open already heard, Auto Preview
// off. Without cable time unless asked for.
class TransferFixture : public test::WindowFixture {
public:
    CLibrarianDlg& StartOnInstrument(int channel = 1, const QString& derPath = {},
                                     bool wireTiming = false) {
        Instrument().SetWireTiming(wireTiming);
        const std::string device = midi::kVirtualDeviceName;
        Start("[config]\npar_TestSel=0\nDerPath=" + derPath.toStdString() +
              "\n[device]\nPathDef=" + Folder().toStdString() + "\nMidiIn=" + device +
              "\nMidiOut=" + device + "\nMidiChanel=" + std::to_string(channel) + "\n");
        Instrument().WaitIdle(5s);
        Instrument().ClearLog();
        return *window;
    }
    midi::VirtualJd800& Instrument() { return midi.Instrument(); }
    void Click(const char* button) const { Find<QPushButton>(button)->click(); }
    bool TransferEnded() const {
        return QTest::qWaitFor([this] { return Find("sendButton")->isEnabled(); }, 30'000);
    }
    std::vector<Bytes> Heard() {
        Instrument().WaitIdle(5s);
        std::vector<Bytes> messages;
        for (const auto& received : Instrument().ReceivedLog()) {
            messages.push_back(received.bytes);
        }
        return messages;
    }
    QString StatusLine() const { return Find<QLabel>("transferLabel")->text(); }
    std::string DerPath() const {
        return SettingsStore(IniPath().toStdString()).ReadString("config", "DerPath", "?");
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

TEST(LibrarianTransfer, SendCutsTheFileAtEachF7AndEndsOnPatch11) {
    const Bytes dump = NamedDump("S");
    const Bytes junk{0x01, 0x02}, tail{0xF0, 0x41, 0x10};
    struct Case {
        Bytes file;
        int channel;
        std::size_t messages;
        std::vector<std::size_t> sizes;  // first, second and last message
    };
    const Case cases[] = {
        {dump, 1, 96, {266, 266, 266}},
        {format::test::Concat({junk, dump, tail}), 10, 97, {268, 266, 3}},
    };
    for (const Case& c : cases) {
        TransferFixture f;
        f.Write("b.syx", c.file);
        f.Write("a.syx", NamedDump("A"));
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
        ASSERT_EQ(heard.size(), c.messages + 1) << c.channel;
        EXPECT_EQ(heard[0].size(), c.sizes[0]);
        EXPECT_EQ(heard[1].size(), c.sizes[1]);
        EXPECT_EQ(heard[c.messages - 1].size(), c.sizes[2]);
        Bytes sent;
        for (std::size_t i = 0; i < c.messages; ++i) {
            sent.insert(sent.end(), heard[i].begin(), heard[i].end());
            EXPECT_GE(log[i + 1].time - log[i].time, 30ms) << i;
        }
        EXPECT_EQ(sent, c.file) << "every byte goes out as it stands";
        EXPECT_EQ(heard.back(), (Bytes{std::uint8_t(0xC0 + c.channel - 1), 0x00}));
        EXPECT_EQ(f.Selected("patchList"), test::EntriesOf("S")[0]);
        EXPECT_EQ(f.SelectionsSignalled(), 2) << "only the user's own selections";
        EXPECT_EQ(f.Find<QProgressBar>("progressBar")->value(), 0);
        EXPECT_EQ(f.window->Library().lastTransferPath, f.library.Path() / "b.syx");
        EXPECT_EQ(f.DerPath(), (f.library.Path() / "b.syx").string());
        EXPECT_EQ(f.StatusLine(), f.PathOf("b.syx"));
        EXPECT_TRUE(f.prompts.Records().empty());
        f.Instrument().ClearLog();
        f.UserSelects("patchList", 9);
        EXPECT_EQ(f.Heard(), std::vector<Bytes>{Bytes({heard.back()[0], 9})});
    }
}

// Nothing is sent and nothing changes: no file loaded ("<None>"), a file that vanished, a
// file too large to be a dump.
TEST(LibrarianTransfer, SendOfNoDumpDoesNothing) {
    const std::function<void(const std::filesystem::path&)> cases[] = {
        nullptr,
        [](const std::filesystem::path& a) { std::filesystem::remove(a); },
        [](const std::filesystem::path& a) {
            std::filesystem::resize_file(a, 16 * 1024 * 1024 + 1);
        },
    };
    for (const auto& spoil : cases) {
        TransferFixture f;
        if (spoil) {
            f.Write("a.syx", NamedDump("A"));
        } else {
            f.WriteUnreadable("a.syx");
        }
        f.Write("b.syx", NamedDump("B"));
        f.StartOnInstrument(1, "/elsewhere/x.syx");
        if (spoil) {
            spoil(f.library.Path() / "a.syx");
        }
        f.Click("sendButton");
        ASSERT_TRUE(f.TransferEnded());
        EXPECT_TRUE(f.Heard().empty());
        EXPECT_EQ(f.StatusLine(), "/elsewhere/x.syx");
        EXPECT_EQ(f.DerPath(), "/elsewhere/x.syx");
    }
}

// Without an output port the first message fails: the instrument may hold parts of two
// dumps, so no file is named as transferred.
TEST(LibrarianTransfer, SendStoppedEarlyNamesNoFile) {
    TransferFixture f;
    f.Write("a.syx", NamedDump("A"));
    f.Start("[config]\nDerPath=/old/a.syx\n[device]\nPathDef=" + f.Folder().toStdString() +
            "\nMidiOut=<none>\n");
    f.List("patchList").SelectFromCode(3);
    f.Click("sendButton");
    ASSERT_TRUE(f.TransferEnded());
    EXPECT_EQ(f.prompts.Messages().size(), 1u) << "the service's invalid-port text";
    EXPECT_EQ(f.Selected("patchList"), test::EntriesOf("A")[0]);
    EXPECT_EQ(f.window->Library().lastTransferPath, std::filesystem::path());
    EXPECT_EQ(f.DerPath(), "");
    EXPECT_EQ(f.StatusLine(), "");
}

// Receive into `name` ("" cancels) with the instrument silent, answering with the wrong
// size, or as it should. Existing files hold "OLD"; %1 in a message is the chosen path.
TEST(LibrarianTransfer, ReceiveStoresTheAnswersOnlyWhenTheyAreAll) {
    enum Instrument { Answers, Silent, WrongSize };
    struct Case {
        QString name;
        Instrument instrument;
        std::size_t requests;
        std::vector<QString> messages;
        const char* content;  // "dump", "OLD" or "" (an empty file), nullptr for none
    };
    const QString wrongSize =
        "The instrument's answers for address 05 00 00 had the wrong size 11 times in a row. "
        "The receive has stopped.";
    const Case cases[] = {
        {"new.syx", Answers, 96, {}, "dump"},
        {"old.syx", Answers, 96, {}, "dump"},
        {"new.syx", Silent, 1, {midi::sysex_texts::kNotResponding}, ""},
        {"old.syx", Silent, 1, {midi::sysex_texts::kNotResponding}, "OLD"},
        {"new.syx", WrongSize, 11, {wrongSize}, ""},
        {"", Answers, 0, {}, nullptr},
        {"missing/x.syx",
         Answers,
         0,
         {"Unable to create the file %1:\nNo such file or directory"},
         nullptr},
    };
    for (const Case& c : cases) {
        TransferFixture f;
        f.Write("a.syx", NamedDump("A"));
        f.Write("old.syx", {'O', 'L', 'D'});
        f.StartOnInstrument();
        f.Instrument().SetSilent(c.instrument == Silent);
        f.Instrument().SetReplySize(c.instrument == WrongSize ? std::optional<std::size_t>(100)
                                                              : std::nullopt);
        f.prompts.QueueSaveFile(c.name.isEmpty() ? std::nullopt : std::optional(f.PathOf(c.name)));
        f.Click("receiveButton");
        ASSERT_TRUE(f.TransferEnded());
        const auto target = f.library.Path() / c.name.toStdString();
        const std::vector<Bytes> heard = f.Heard();
        ASSERT_EQ(heard.size(), c.requests) << c.name.toStdString() << c.instrument;
        for (std::size_t k = 0; k < heard.size(); ++k) {
            const auto address = format::AddressPlus(format::kPatchMemoryAddress,
                                                     c.instrument == WrongSize ? 0 : 256 * k);
            EXPECT_EQ(heard[k], format::BuildDumpRequest(0x10, address)) << k;
        }
        std::vector<QString> messages = c.messages;
        for (QString& message : messages) {
            message.replace("%1", f.PathOf(c.name));
        }
        EXPECT_EQ(f.prompts.Messages(), messages);
        const auto records = f.prompts.Records();
        ASSERT_FALSE(records.empty());
        EXPECT_EQ(records[0].fileRequest.filter, "Sysex file (*.syx);;All files (*.*)");
        EXPECT_EQ(records[0].text, f.Folder() + "/dump.syx");
        EXPECT_EQ(records[0].fileRequest.defaultSuffix, "syx");
        std::filesystem::directory_iterator files(f.library.Path());
        EXPECT_EQ(std::distance(files, {}), 2 + (c.name == "new.syx")) << "no temporary file left";
        if (c.content == nullptr) {
            EXPECT_EQ(f.StatusLine(), "");
            continue;
        }
        const std::string content = c.content;
        EXPECT_EQ(FileBytes(target),
                  content == "dump" ? f.MemoryAsDump() : Bytes(content.begin(), content.end()));
        EXPECT_EQ(f.Selected("fileList"), c.name);
        EXPECT_EQ(f.StatusLine(), f.PathOf(c.name));
        EXPECT_EQ(f.DerPath(), target.string());
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
    const char* cases[] = {"send", "new.syx", "old.syx"};
    for (const std::string c : cases) {
        TransferFixture f;
        f.Write("a.syx", NamedDump("A"));
        f.Write("old.syx", {'O', 'L', 'D'});
        f.StartOnInstrument(1, {}, true);
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

// Patch 2 (index 1) of a.syx after a.syx was sent, or of another file, or chosen as a find
// result; the file a3.syx holds three dumps, so its patch index 131 has no program number.
TEST(LibrarianTransfer, PatchSelectionPlaysThePatchAtOnce) {
    enum Way { List, Result };
    struct Case {
        const char* file;
        int row;  // in the file list
        int index;
        Way way;
        int channel;
        bool programChange;
    };
    const Case cases[] = {
        {"a.syx", 0, 1, List, 10, true},
        {"b.syx", 2, 1, List, 1, false},
        {"a.syx", 0, 1, Result, 1, false},
        {"a3.syx", 1, 131, List, 1, false},
    };
    for (const Case& c : cases) {
        TransferFixture f;
        f.Write("a.syx", NamedDump("A"));
        f.Write("b.syx", NamedDump("B"));
        const Bytes three = format::test::Concat({NamedDump("A"), NamedDump("C"), NamedDump("D")});
        f.Write("a3.syx", three);
        const bool sentFile = c.file != std::string("b.syx");
        f.StartOnInstrument(c.channel, sentFile ? f.PathOf(c.file) : f.PathOf("a.syx"));
        const Bytes file = FileBytes(f.library.Path() / c.file);
        QElapsedTimer selecting;
        selecting.start();
        if (c.way == List) {
            f.UserSelects("fileList", c.row);
            f.UserSelects("patchList", c.index);
        } else {
            f.Find<QLineEdit>("searchField")->setText("A 1 ");
            f.Click("findButton");
            ASSERT_TRUE(f.FinishFind());
            f.UserSelects("resultsList", 0);
        }
        const auto elapsed = selecting.elapsed();
        const std::vector<Bytes> heard = f.Heard();
        if (c.programChange) {
            EXPECT_EQ(heard, std::vector<Bytes>{Bytes({std::uint8_t(0xC0 + c.channel - 1), 1})});
            continue;
        }
        const Bytes record = RecordInFile(file, c.index);
        ASSERT_EQ(heard.size(), 2u) << c.file << c.index;
        EXPECT_EQ(heard[0], format::BuildDt1(0x10, {0, 0, 0}, Slice(record, 0, 256)));
        EXPECT_EQ(heard[1], format::BuildDt1(0x10, {0, 2, 0}, Slice(record, 256, 384)));
        EXPECT_GE(elapsed, 295) << "the instrument is given time to take the patch";
    }
}

}  // namespace
}  // namespace tessel
