// A full disk (the file size limit of the process, SIGXFSZ ignored, so that a write past it
// fails with EFBIG as on a full disk) during a Receive, a bank save and the save of
// custom.dat; and a read-only library folder.
#include <sys/resource.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>

#include "bench/hardening/Cases.h"
#include "bench/hardening/Harness.h"

namespace tessel::bench {
namespace {

using namespace std::chrono_literals;

// While it lives, no file of the process grows past `bytes`.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &saved_);
        rlimit limit = saved_;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &saved_); }

private:
    rlimit saved_{};
};

std::string Shown(const Rig& r) {
    std::string text;
    for (const QString& message : r.Messages()) {
        text += " \"" + QString(message).replace('\n', "\\n").toStdString() + "\"";
    }
    return text.empty() ? " (none)" : text;
}

Bytes Pattern(std::size_t size, std::uint8_t seed) {
    Bytes bytes(size);
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = std::uint8_t(i * 31 + seed);
    }
    return bytes;
}

void ReceiveOnFullDisk() {
    Case c("full disk: Receive over an existing file");
    Rig r;
    r.Write("a.syx", MakeDump(1));
    r.Write("old.syx", MakeDump(2));
    r.Start();
    const Snapshot before = TakeSnapshot(r.Library());
    {
        FileSizeLimit full(8192);
        r.prompts.scripted.QueueSaveFile(r.QPathOf("old.syx"));
        r.Click("receiveButton");
        c.Check(r.WaitTransfer(), "the receive ended");
    }
    const Snapshot after = TakeSnapshot(r.Library());
    c.Check(Unchanged(before, after) && after.size() == before.size(),
            "old.syx intact, no temporary file left");
    c.Check(r.Messages().size() == 1, "one message");
    r.prompts.scripted.QueueSaveFile(r.QPathOf("old.syx"));
    r.Click("receiveButton");
    c.Check(r.WaitTransfer() && FileBytes(r.PathOf("old.syx")) == MemoryAsDump(r.Instrument()),
            "a receive with room on the disk stores the answers");
    c.Figure("shown:" + Shown(r));
}

void BankSaveOnFullDisk() {
    Case c("full disk: bank save over an existing bank");
    Rig r;
    r.Write("a.syx", MakeDump(1));
    r.Write("bank.syx", MakeDump(3));
    r.Start();
    const Snapshot before = TakeSnapshot(r.Library());
    {
        FileSizeLimit full(4096);
        r.prompts.scripted.QueueSaveFile(r.QPathOf("bank.syx"));
        r.Click("saveBankButton");
    }
    const Snapshot after = TakeSnapshot(r.Library());
    c.Check(Unchanged(before, after) && after.size() == before.size(),
            "bank.syx intact, no temporary file left");
    c.Check(r.Messages().size() == 1, "one message");
    r.prompts.scripted.QueueSaveFile(r.QPathOf("bank.syx"));
    r.Click("saveBankButton");
    c.Check(FileBytes(r.PathOf("bank.syx")) != before.at("bank.syx") &&
                FileBytes(r.PathOf("bank.syx")).size() == format::kDumpFileSize,
            "a save with room on the disk writes the bank");
    c.Figure("shown:" + Shown(r));
}

// Records a few notes into Custom 1 from the instrument's keyboard.
void Record(Rig& r) {
    r.Click("recordButton");
    for (int note = 60; note < 64; ++note) {
        r.Instrument().PlayShortMessage(0x7F0090u | std::uint32_t(note) << 8);
        RunUntil([] { return false; }, 30);
    }
}

void CustomDatOnFullDisk() {
    Case c("full disk: custom.dat save");
    Rig r;
    r.Write("a.syx", MakeDump(1));
    const Bytes old = Pattern(64000, 5);
    WriteFile(r.SettingsFolder() / "custom.dat", old);
    r.Start("", "", "par_Motif=2\n");
    Record(r);
    {
        FileSizeLimit full(4096);
        r.Click("recordButton");
    }
    c.Check(FileBytes(r.SettingsFolder() / "custom.dat") == old, "custom.dat intact");
    c.Check(std::distance(std::filesystem::directory_iterator(r.SettingsFolder()),
                          std::filesystem::directory_iterator()) == 2,
            "no temporary file left beside custom.dat");
    Record(r);
    r.Click("recordButton");
    const Bytes saved = FileBytes(r.SettingsFolder() / "custom.dat");
    c.Check(saved.size() == 64000 && saved != old, "a save with room on the disk writes it");
    c.Figure("shown:" + Shown(r) + " (a custom.dat that cannot be written is passed over)");
}

// Needs a process without the power to override file permissions (bench main drops it).
void ReadOnlyLibrary() {
    Case c("read-only library folder: Receive, bank save");
    Rig r;
    r.Write("a.syx", MakeDump(1));
    r.Write("bank.syx", MakeDump(3));
    r.Start();
    const Snapshot before = TakeSnapshot(r.Library());
    chmod(r.Library().c_str(), 0555);
    r.prompts.scripted.QueueSaveFile(r.QPathOf("new.syx"));
    r.Click("receiveButton");
    c.Check(r.WaitTransfer(), "the receive ended");
    c.Check(r.Messages().size() == 1, "the receive showed one message");
    r.prompts.scripted.QueueSaveFile(r.QPathOf("bank.syx"));
    r.Click("saveBankButton");
    c.Check(r.Messages().size() == 2, "the bank save showed one message");
    r.Instrument().ClearLog();
    r.Click("sendButton");
    c.Check(r.WaitTransfer() && r.Instrument().WaitIdle(5s), "a Send ended");
    const auto log = r.Instrument().ReceivedLog();
    const auto whole = std::count_if(
        log.begin(), log.end(), [](const auto& message) { return message.bytes.size() == 266; });
    c.Check(whole == 96, "a Send still works: heard " + std::to_string(whole) + " of 96 messages");
    const Snapshot after = TakeSnapshot(r.Library());
    chmod(r.Library().c_str(), 0755);
    c.Check(Unchanged(before, after) && after.size() == before.size(), "every file intact");
    c.Figure("shown:" + Shown(r));
}

}  // namespace

void RunDiskFaults() {
    ReceiveOnFullDisk();
    BankSaveOnFullDisk();
    CustomDatOnFullDisk();
    ReadOnlyLibrary();
}

}  // namespace tessel::bench
