// The bank as a file: Save and Load through the main window, their failures, and
// tessel-syx compose, which writes what Save writes.
#include <signal.h>
#include <sys/resource.h>

#include <sstream>

#include <gtest/gtest.h>

#include "tests/bank/BankWindowFixture.h"
#include "tools/tessel-syx/SyxTool.h"

namespace tessel {
namespace {

using test::BankWindow;
using test::ReadBytes;
namespace fs = std::filesystem;

// The empty bank is the dump of 64 "<None>" patches to the device byte, the device ID minus
// one (10 outside 1 to 128); its first checksums are known. The dialog starts at bank.syx.
TEST(BankFile, SavedEmptyBankIsAWholeDumpForTheDeviceId) {
    format::test::Records empty{};
    for (auto& record : empty) {
        format::test::SetName(record, "<None>");
    }
    for (const auto& [deviceId, device] :
         {std::pair{17, 0x10}, {1, 0x00}, {128, 0x7F}, {0, 0x10}}) {
        BankWindow f(deviceId);
        const format::Bytes file = f.SaveTo(f.PathOf("bank.syx"));
        EXPECT_EQ(file, format::test::DumpBytes(empty, std::uint8_t(device))) << deviceId;
        EXPECT_EQ(format::Bytes({file[264], file[266 + 264], file[2 * 266 + 264]}),
                  format::Bytes({0x31, 0x2F, 0x77}));
        EXPECT_EQ(f.prompts.Texts().at(0), f.Folder() + "/bank.syx");
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

// Save never loses the composed bank: after a cancelled dialog or a failed write the old file
// is unchanged, no temporary file is left, the bank still counts as modified, and a failure
// names the file and why. Permissions do not stop root, so a locked folder is then /proc,
// where no one creates files; a full disk is a limit on file sizes (SIGXFSZ ignored).
TEST(BankFile, FailedSaveKeepsTheOldFileAndTheFlag) {
    enum class Failure { Cancel, LockedFolder, FullDisk };
    signal(SIGXFSZ, SIG_IGN);
    for (Failure failure : {Failure::Cancel, Failure::LockedFolder, Failure::FullDisk}) {
        BankWindow f;
        f.SetFrom(0, 0, 0);
        fs::path folder = f.library.Path();
        if (failure == Failure::LockedFolder) {
            folder /= "locked";
            fs::create_directory(folder);
            std::ofstream(folder / "x.syx") << "old";
            fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec);
            folder = std::ofstream(folder / "probe") ? fs::path("/proc") : folder;
        }
        const QString target = QString::fromStdString((folder / "x.syx").string());
        std::ofstream(target.toStdString()) << "old";
        f.prompts.QueueSaveFile(failure == Failure::Cancel ? std::nullopt
                                                           : std::optional<QString>(target));
        rlimit unlimited{};
        getrlimit(RLIMIT_FSIZE, &unlimited);
        const rlimit small{failure == Failure::FullDisk ? 1000 : unlimited.rlim_cur,
                           unlimited.rlim_max};
        setrlimit(RLIMIT_FSIZE, &small);
        f.Click("saveBankButton");
        setrlimit(RLIMIT_FSIZE, &unlimited);
        const auto messages = f.prompts.Messages();
        ASSERT_EQ(messages.size(), failure == Failure::Cancel ? 0u : 1u);
        EXPECT_TRUE(messages.empty() || messages[0].startsWith(target + " could not be saved: "));
        if (folder != "/proc") {
            EXPECT_EQ(ReadBytes(target), format::Bytes({'o', 'l', 'd'}));
            EXPECT_EQ(std::distance(fs::directory_iterator(folder), {}),
                      failure == Failure::LockedFolder ? 1 : 3)
                << "no temporary file left";
        }
        EXPECT_TRUE(f.Modified());
        std::error_code ignored;
        fs::permissions(f.library.Path() / "locked", fs::perms::owner_all, ignored);
    }
}

// A file without patches, one that cannot be opened, and a cancelled dialog leave the bank,
// its labels and its flag as they were; a cut file fills the first slots, the others empty,
// and slot 11 then auditions its new record.
TEST(BankFile, LoadTakesTheWholePatchesOfAnyDump) {
    const std::tuple<std::optional<QString>, QString, int> cases[] = {
        {"nodump.syx", " holds no patch memory dump.", -1},  // -1: the bank as it was
        {"gone.syx", " could not be opened: ", -1},
        {std::nullopt, "", -1},
        {"cut.syx", "", 10}};
    for (const auto& [file, message, patches] : cases) {
        BankWindow f;
        f.Write("nodump.syx", {0xF0, 0x41, 0x10, 0x3D, 0x12, 0x00, 0x00, 0x00, 0x00, 0xF7});
        f.Write("cut.syx", format::test::Head(test::NamedDump("C"), 5 * 798 + 300));
        f.WriteUnreadable("gone.syx");
        f.SetFrom(0, 0, 0);
        QStringList expected = f.SlotTexts();
        for (int slot = 0; slot < 64 && patches >= 0; ++slot) {
            expected[slot] = QString("%1%2-").arg(slot / 8 + 1).arg(slot % 8 + 1) +
                             (slot < patches ? QString("C %1").arg(slot) : "<None>");
        }
        f.prompts.ClearRecords();
        f.LoadFrom(file ? std::optional(f.PathOf(*file)) : std::nullopt);
        const auto messages = f.prompts.Messages();
        const std::string name = file.value_or("cancelled").toStdString();
        EXPECT_EQ(f.SlotTexts(), expected) << name;
        ASSERT_EQ(messages.size(), message.isEmpty() ? 0u : 1u) << name;
        EXPECT_TRUE(messages.empty() || messages[0].startsWith(f.PathOf(*file) + message)) << name;
        f.SelectSlot(1);
        f.SelectSlot(0);
        const auto sent = f.Sent();
        ASSERT_GE(sent.size(), 2u);
        EXPECT_EQ(QString::fromLatin1(reinterpret_cast<const char*>(sent.end()[-2].data()) + 8, 5),
                  expected[0].mid(3).leftJustified(5));
        EXPECT_EQ(f.Modified(), patches < 0) << name;
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
    const std::tuple<std::vector<std::string>, int, std::string> cases[] = {
        {{"--device-id", "1", out, a + ":11", path("b.syx") + ":35", a + ":88"}, 0, ""},
        {{out, a + ":11", path("cut.syx") + ":35"}, 1, path("cut.syx") + " holds no patch 35\n"},
        {{out, path("gone.syx") + ":11"}, 2, "cannot read " + path("gone.syx")},
        {{out, a + ":19"}, 2, "is not FILE:LABEL"},
        {{out}, 2, "at least one FILE:LABEL"}};
    for (const auto& [args, status, errorText] : cases) {
        fs::remove(out);
        std::vector<std::string> command{"compose"};
        command.insert(command.end(), args.begin(), args.end());
        std::ostringstream output, error;
        EXPECT_EQ(syx::RunSyxTool(command, output, error), status) << error.str();
        EXPECT_NE(error.str().find(errorText), std::string::npos) << error.str();
        EXPECT_EQ(fs::exists(out) ? ReadBytes(QString::fromStdString(out)) : format::Bytes(),
                  status == 0 ? saved : format::Bytes())
            << error.str();
    }
}

}  // namespace
}  // namespace tessel
