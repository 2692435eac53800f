// The bank as a file: Save and Load through the main window, their failures, and
// tessel-syx compose, which writes what Save writes.
#include <signal.h>
#include <sys/resource.h>

#include <sstream>

#include <gtest/gtest.h>

#include "bank/BankSlots.h"
#include "tests/bank/BankWindowFixture.h"
#include "tools/tessel-syx/SyxTool.h"

namespace tessel {
namespace {

using test::BankWindow;
namespace fs = std::filesystem;

// The empty bank is the dump of 64 "<None>" patches to the device byte, the device ID minus
// one (10 outside 1 to 128). The dialog starts at bank.syx.
TEST(BankFile, SavedEmptyBankIsAWholeDumpForTheDeviceId) {
    format::test::Records empty;
    empty.fill(bank::EmptySlotRecord());
    for (const auto& [deviceId, device] :
         {std::pair{17, 0x10}, {1, 0x00}, {128, 0x7F}, {0, 0x10}}) {
        BankWindow f(deviceId);
        const format::Bytes file = f.SaveTo(f.PathOf("bank.syx"));
        EXPECT_EQ(file, format::test::DumpBytes(empty, std::uint8_t(device))) << deviceId;
        EXPECT_EQ(f.prompts.Texts().at(0), f.Folder() + "/bank.syx");
        EXPECT_TRUE(f.Entries("fileList").contains("bank.syx")) << "the list is refilled";
    }
}

// A file without patches, one that cannot be opened, and a cancelled dialog leave the bank,
// its labels and its flag as they were; a cut file fills the first slots, the others empty.
TEST(BankFile, LoadTakesTheWholePatchesOfAnyDump) {
    BankWindow f;
    f.Write("nodump.syx", {0xF0, 0x41, 0x10, 0x3D, 0x12, 0x00, 0x00, 0x00, 0x00, 0xF7});
    f.Write("cut.syx", format::test::Head(test::NamedDump("C"), 5 * 798 + 300));
    f.WriteUnreadable("gone.syx");
    f.SetFrom(0, 0, 0);
    const QStringList before = f.SlotTexts();
    const std::pair<std::optional<QString>, QString> failures[] = {
        {"nodump.syx", " holds no patch memory dump."},
        {"gone.syx", " could not be opened: "},
        {std::nullopt, ""}};
    for (const auto& [file, message] : failures) {
        f.prompts.ClearRecords();
        f.LoadFrom(file ? std::optional(f.PathOf(*file)) : std::nullopt);
        EXPECT_EQ(f.SlotTexts(), before);
        ASSERT_EQ(f.prompts.Messages().size(), message.isEmpty() ? 0u : 1u);
        EXPECT_TRUE(message.isEmpty() ||
                    f.prompts.Messages()[0].startsWith(f.PathOf(*file) + message));
        EXPECT_TRUE(f.Modified());
    }
    f.LoadFrom(f.PathOf("cut.syx"));
    for (int slot = 0; slot < 64; ++slot) {
        EXPECT_EQ(f.SlotText(slot), QString("%1%2-").arg(slot / 8 + 1).arg(slot % 8 + 1) +
                                        (slot < 10 ? QString("C %1").arg(slot) : "<None>"));
    }
    EXPECT_FALSE(f.Modified());
}

// Save never loses the composed bank: after a cancelled dialog or a failed write (a full disk,
// stood for by a limit on file sizes, SIGXFSZ ignored) the old file is unchanged, no temporary
// file is left, the bank still counts as modified, and a failure names the file and why.
// Saving and loading back gives the same records and labels and clears the flag. Save needs
// no MIDI block, so a transfer holding it (stood for by the test) changes nothing. compose
// puts the named patches into slots 11, 12, ... and writes byte for byte what Save writes; it
// writes nothing when a patch is missing.
TEST(BankFile, SaveLoadAndComposeWriteTheSameBankAndFailuresLoseNothing) {
    BankWindow f(1);
    f.SetFrom(0, 0, 0);
    f.SetFrom(1, 1, 20);
    f.SetFrom(2, 0, 63);
    const QStringList labels = f.SlotTexts();
    const QString target = f.PathOf("w.syx");
    std::ofstream(target.toStdString()) << "old";
    f.prompts.QueueSaveFile(std::nullopt);
    f.Click("saveBankButton");
    signal(SIGXFSZ, SIG_IGN);
    rlimit unlimited{};
    getrlimit(RLIMIT_FSIZE, &unlimited);
    const rlimit small{1000, unlimited.rlim_max};
    setrlimit(RLIMIT_FSIZE, &small);
    const format::Bytes old = f.SaveTo(target);
    setrlimit(RLIMIT_FSIZE, &unlimited);
    EXPECT_EQ(old, format::Bytes({'o', 'l', 'd'}));
    ASSERT_EQ(f.prompts.Messages().size(), 1u) << "none for the cancelled dialog";
    EXPECT_TRUE(f.prompts.Messages()[0].startsWith(target + " could not be saved: "));
    EXPECT_EQ(std::distance(fs::directory_iterator(f.library.Path()), {}), 3) << "temporary file";
    EXPECT_TRUE(f.Modified());
    ASSERT_TRUE(f.window->Sysex().TakeSysexBlock(266));
    const format::Bytes saved = f.SaveTo(target);
    f.window->Sysex().ReleaseSysexBlock();
    f.prompts.ClearRecords();
    f.Click("clearBankButton");
    ASSERT_EQ(f.SlotText(0), "11-<None>") << "saved: no question";
    f.LoadFrom(target);
    EXPECT_EQ(f.SlotTexts(), labels);
    EXPECT_EQ(f.SaveTo(f.PathOf("y.syx")), saved);
    EXPECT_TRUE(f.prompts.Messages().empty());
    EXPECT_FALSE(f.Modified());
    f.Write("cut.syx", format::test::Head(test::NamedDump("C"), 5 * 798 + 300));
    const auto path = [&f](const char* name) { return (f.library.Path() / name).string(); };
    const std::string a = path("a.syx"), out = path("c.syx"), cut = path("cut.syx");
    const std::tuple<std::vector<std::string>, int, std::string> cases[] = {
        {{"compose", "--device-id", "1", out, a + ":11", path("b.syx") + ":35", a + ":88"}, 0, ""},
        {{"compose", out, a + ":11", cut + ":35"}, 1, cut + " holds no patch 35\n"},
        {{"compose", out, a + ":19"}, 2, "is not FILE:LABEL"}};
    for (const auto& [args, status, errorText] : cases) {
        fs::remove(out);
        std::ostringstream output, error;
        EXPECT_EQ(syx::RunSyxTool(args, output, error), status) << error.str();
        EXPECT_NE(error.str().find(errorText), std::string::npos) << error.str();
        EXPECT_EQ(fs::exists(out) ? format::test::FileBytes(out) : format::Bytes(),
                  status == 0 ? saved : format::Bytes())
            << error.str();
    }
}

}  // namespace
}  // namespace tessel
