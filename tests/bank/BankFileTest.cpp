// The bank as a file: Save and Load through the main window, their failures, and
// tessel-syx compose, which writes what Save writes.
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <sstream>

#include <gtest/gtest.h>

#include "tests/bank/BankWindowFixture.h"
#include "tools/tessel-syx/SyxTool.h"

namespace tessel {
namespace {

using test::BankWindow;
using test::ReadBytes;
namespace fs = std::filesystem;

constexpr std::size_t kMessage = 266;

TEST(BankFile, SavedEmptyBankIsAWholeDumpForTheDeviceId) {
    const std::pair<int, std::uint8_t> cases[] = {{17, 0x10}, {1, 0x00},   {128, 0x7F},
                                                  {0, 0x10},  {129, 0x10}, {-5, 0x10}};
    for (const auto& [deviceId, device] : cases) {
        BankWindow f(deviceId);
        const format::Bytes file = f.SaveTo(f.PathOf("bank.syx"));
        ASSERT_EQ(file.size(), 25536u) << deviceId;
        const std::tuple<std::size_t, std::uint8_t, std::uint8_t> addresses[] = {
            {0, 0x05, 0x00}, {63, 0x05, 0x7E}, {64, 0x06, 0x00}, {95, 0x06, 0x3E}};
        for (const auto& [message, high, middle] : addresses) {
            const auto header = file.begin() + std::ptrdiff_t(message * kMessage);
            EXPECT_EQ(format::Bytes(header, header + 8),
                      format::Bytes({0xF0, 0x41, device, 0x3D, 0x12, high, middle, 0x00}));
        }
        const std::pair<std::size_t, std::uint8_t> ends[] = {{0, 0x31}, {1, 0x2F}, {2, 0x77}};
        for (const auto& [message, checksum] : ends) {
            EXPECT_EQ(file[message * kMessage + 264], checksum) << message;
            EXPECT_EQ(file[message * kMessage + 265], 0xF7) << message;
        }
        EXPECT_EQ(f.prompts.Texts().at(0), f.Folder() + "/bank.syx") << "the dialog's start";
        EXPECT_EQ(f.prompts.Records().at(0).fileRequest.defaultSuffix, "syx");
        EXPECT_TRUE(f.Entries("fileList").contains("bank.syx")) << "the list is refilled";
    }
}

// Saving and loading back gives the same records and labels; neither leaves the bank marked
// as modified. Save needs no MIDI block, so a transfer holding it (stood for by the test)
// changes nothing.
TEST(BankFile, SaveClearLoadRestoresTheBank) {
    BankWindow f;
    f.SetFrom(0, 0, 0);
    f.SetFrom(1, 0, 1);
    f.SetFrom(7, 1, 20);
    f.SetFrom(63, 0, 63);
    const QStringList labels = f.SlotTexts();
    ASSERT_TRUE(f.window->Sysex().TakeSysexBlock(266));
    const format::Bytes saved = f.SaveTo(f.PathOf("x.syx"));
    f.window->Sysex().ReleaseSysexBlock();
    EXPECT_EQ(std::string(saved.begin() + 8, saved.begin() + 13), "BRASS");
    f.Click("clearBankButton");
    ASSERT_EQ(f.SlotText(0), "11-<None>") << "saved: no question";
    f.LoadFrom(f.PathOf("x.syx"));
    EXPECT_EQ(f.prompts.Records().back().fileRequest.initialName, "");
    EXPECT_EQ(f.SlotTexts(), labels);
    EXPECT_EQ(f.SaveTo(f.PathOf("y.syx")), saved);
    EXPECT_TRUE(f.prompts.Messages().empty());
    EXPECT_FALSE(f.Modified());
}

// A folder the test cannot write to. Permissions do not stop root, so then /proc stands in,
// where no one creates files (and no old file can lie).
QString LockedFolder(const BankWindow& f) {
    const fs::path locked = f.library.Path() / "locked";
    fs::create_directory(locked);
    std::ofstream(locked / "x.syx") << "old";
    fs::permissions(locked, fs::perms::owner_read | fs::perms::owner_exec);
    if (std::ofstream(locked / "probe")) {
        fs::remove(locked / "probe");
        return "/proc";
    }
    return QString::fromStdString(locked.string());
}

// Save never loses the composed bank: after a cancelled dialog or a failed write the old file
// is unchanged, the bank still counts as modified, and a failure names the file and why.
TEST(BankFile, FailedSaveKeepsTheOldFileAndTheFlag) {
    enum class Failure { Cancel, LockedFolder, FullDisk };
    for (Failure failure : {Failure::Cancel, Failure::LockedFolder, Failure::FullDisk}) {
        BankWindow f;
        f.SetFrom(0, 0, 0);
        const QString folder = failure == Failure::LockedFolder ? LockedFolder(f) : f.Folder();
        const QString target = folder + "/x.syx";
        if (folder != "/proc") {
            std::ofstream(target.toStdString()) << "old";
        }
        f.prompts.QueueSaveFile(failure == Failure::Cancel ? std::nullopt
                                                           : std::optional<QString>(target));
        // A full disk stood for by a limit on file sizes: a write past it fails with EFBIG
        // (SIGXFSZ ignored, else it would end the process).
        rlimit unlimited{};
        getrlimit(RLIMIT_FSIZE, &unlimited);
        const rlimit small{1000, unlimited.rlim_max};
        if (failure == Failure::FullDisk) {
            signal(SIGXFSZ, SIG_IGN);
            setrlimit(RLIMIT_FSIZE, &small);
        }
        f.Click("saveBankButton");
        setrlimit(RLIMIT_FSIZE, &unlimited);
        const auto messages = f.prompts.Messages();
        if (failure == Failure::Cancel) {
            EXPECT_TRUE(messages.empty());
        } else {
            ASSERT_EQ(messages.size(), 1u);
            EXPECT_TRUE(messages[0].startsWith(target + " could not be saved: "))
                << messages[0].toStdString();
        }
        if (folder != "/proc") {
            EXPECT_EQ(ReadBytes(target), format::Bytes({'o', 'l', 'd'}));
            EXPECT_EQ(std::distance(fs::directory_iterator(folder.toStdString()), {}),
                      failure == Failure::LockedFolder ? 1 : 3)
                << "no temporary file left";
        }
        EXPECT_TRUE(f.Modified());
        std::error_code ignored;
        fs::permissions(f.library.Path() / "locked", fs::perms::owner_all, ignored);
    }
}

// A file without patches, one that cannot be opened, and a cancelled dialog leave the bank,
// its labels and its flag as they were; a cut file fills the first slots, the others empty.
TEST(BankFile, LoadTakesTheWholePatchesOfAnyDump) {
    struct Case {
        std::optional<QString> file;
        QString message;
        int patches;  // -1: the bank as it was
    };
    const Case cases[] = {
        {"nodump.syx", " holds no patch memory dump.", -1},
        {"gone.syx", " could not be opened: ", -1},
        {std::nullopt, "", -1},
        {"cut.syx", "", 10},
    };
    for (const Case& c : cases) {
        BankWindow f;
        f.Write("nodump.syx", {0xF0, 0x41, 0x10, 0x3D, 0x12, 0x00, 0x00, 0x00, 0x00, 0xF7});
        f.Write("cut.syx", format::test::Head(test::NamedDump("C"), 5 * 798 + 300));
        f.WriteUnreadable("gone.syx");
        f.SetFrom(0, 0, 0);
        QStringList expected = f.SlotTexts();
        for (int slot = 0; slot < 64 && c.patches >= 0; ++slot) {
            expected[slot] = QString("%1%2-").arg(slot / 8 + 1).arg(slot % 8 + 1) +
                             (slot < c.patches ? QString("C %1").arg(slot) : "<None>");
        }
        f.prompts.ClearRecords();
        f.LoadFrom(c.file ? std::optional(f.PathOf(*c.file)) : std::nullopt);
        const auto messages = f.prompts.Messages();
        const QString name = c.file.value_or("cancelled");
        EXPECT_EQ(f.SlotTexts(), expected) << name.toStdString();
        ASSERT_EQ(messages.size(), c.message.isEmpty() ? 0u : 1u) << name.toStdString();
        if (!messages.empty()) {
            EXPECT_TRUE(messages[0].startsWith(f.PathOf(*c.file) + c.message))
                << messages[0].toStdString();
        }
        f.SelectSlot(1);
        f.SelectSlot(0);  // auditions the record slot 11 now holds
        const auto sent = f.Sent();
        ASSERT_GE(sent.size(), 2u);
        EXPECT_EQ(QString::fromLatin1(reinterpret_cast<const char*>(sent.end()[-2].data()) + 8, 5),
                  expected[0].mid(3).leftJustified(5));
        EXPECT_EQ(f.Modified(), c.patches < 0) << name.toStdString();
    }
}

// compose puts the named patches into slots 11, 12, ... and writes byte for byte what the
// window's Save writes for the same slots; it writes nothing when a patch is missing.
TEST(BankFile, ComposeWritesWhatSaveWrites) {
    BankWindow f(1);
    f.SetFrom(0, 0, 0);
    f.SetFrom(1, 1, 20);
    f.SetFrom(2, 0, 63);
    const format::Bytes saved = f.SaveTo(f.PathOf("w.syx"));
    f.Write("cut.syx", format::test::Head(test::NamedDump("C"), 5 * 798 + 300));
    f.WriteUnreadable("gone.syx");
    const auto path = [&f](const char* name) { return (f.library.Path() / name).string(); };
    const std::string a = path("a.syx"), out = path("c.syx");
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string error;
    };
    const Case cases[] = {
        {{"--device-id", "1", out, a + ":11", path("b.syx") + ":35", a + ":88"}, 0, ""},
        {{out, a + ":11", path("cut.syx") + ":35"}, 1, path("cut.syx") + " holds no patch 35\n"},
        {{out, path("gone.syx") + ":11"}, 2, "cannot read " + path("gone.syx")},
        {{out, a + ":19"}, 2, "is not FILE:LABEL"},
        {{out}, 2, "at least one FILE:LABEL"},
    };
    for (const Case& c : cases) {
        fs::remove(out);
        std::vector<std::string> args{"compose"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        std::ostringstream output, error;
        EXPECT_EQ(syx::RunSyxTool(args, output, error), c.status) << error.str();
        EXPECT_NE(error.str().find(c.error), std::string::npos) << error.str();
        if (c.status == 0) {
            EXPECT_EQ(ReadBytes(QString::fromStdString(out)), saved);
        } else {
            EXPECT_FALSE(fs::exists(out)) << error.str();
        }
    }
}

}  // namespace
}  // namespace tessel
