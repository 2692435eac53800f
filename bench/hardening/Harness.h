#pragma once
// What the hardening cases share: a main window on a library folder of its own (the
// virtual instrument or another MIDI service, scripted or real prompts), file snapshots to
// prove nothing was lost, and the PASS/FAIL line each case prints.
#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <QTemporaryDir>

#include "app/window/LibrarianDlg.h"
#include "core/prompts/QtPrompts.h"
#include "core/prompts/ScriptedPrompts.h"
#include "core/settings/SettingsStore.h"
#include "library/format/RolandMessage.h"
#include "midi/virtual/VirtualMidiService.h"

namespace tessel::bench {

using Clock = std::chrono::steady_clock;
using format::Bytes;

double MsSince(Clock::time_point start);

// One case: its checks, the figure it measured, and its line when it goes out of scope.
class Case {
public:
    explicit Case(std::string name) : name_(std::move(name)) {}
    ~Case();
    // Records a failed check; returns `ok`.
    bool Check(bool ok, const std::string& what);
    void Figure(const std::string& figure) { figure_ = figure; }
    static int Failures();

private:
    std::string name_;
    std::string figure_;
    std::vector<std::string> failed_;
};

// Runs the event loop until `done` holds (true) or `timeoutMs` has passed (false).
bool RunUntil(const std::function<bool()>& done, int timeoutMs);

Bytes FileBytes(const std::filesystem::path& path);
void WriteFile(const std::filesystem::path& path, const Bytes& bytes);
// Every regular file of a folder by name, with its bytes.
using Snapshot = std::map<std::string, Bytes>;
Snapshot TakeSnapshot(const std::filesystem::path& folder);
// The files of `before` still there with the same bytes, except those named in `changing`.
bool Unchanged(const Snapshot& before, const Snapshot& after,
               const std::vector<std::string>& changing = {});

// A whole dump (96 DT1 messages) of 64 patches made from `seed`.
Bytes MakeDump(int seed);
// The instrument's patch memory as a received dump.
Bytes MemoryAsDump(const midi::VirtualJd800& instrument);

long ResidentKiB();  // VmRSS

// Scripted file, folder and dialog answers with Qt's real message boxes; Qt's real file
// dialogs too when asked for.
class BenchPrompts final : public UserPrompts {
public:
    void ShowMessage(const QString& text) override;
    bool AskYesNo(const QString& text) override { return real.AskYesNo(text); }
    bool ChooseFolder(QString& folder) override { return scripted.ChooseFolder(folder); }
    std::optional<QString> AskSaveFile(const FileDialogRequest& request) override;
    std::optional<QString> AskOpenFile(const FileDialogRequest& request) override;
    bool RunDialog(QDialog& dialog) override { return scripted.RunDialog(dialog); }
    void Shutdown() override;
    std::vector<QString> Messages() const;

    ScriptedPrompts scripted;
    QtPrompts real;
    bool realMessageBoxes = false;
    bool realFileDialogs = false;

private:
    mutable std::mutex lock_;
    std::vector<QString> shown_;
};

// The main window on a library folder and settings folder of its own.
class Rig {
public:
    explicit Rig(midi::MidiService* service = nullptr);
    ~Rig();
    // Starts on the library with these ports ("" for the virtual instrument) and config keys.
    CLibrarianDlg& Start(const std::string& in = "", const std::string& out = "",
                         const std::string& config = "");
    void Close();  // the window closed and destroyed

    std::filesystem::path Library() const;
    std::filesystem::path PathOf(const std::string& name) const { return Library() / name; }
    QString QPathOf(const std::string& name) const;
    std::filesystem::path SettingsFolder() const;
    void Write(const std::string& name, const Bytes& bytes) const {
        WriteFile(PathOf(name), bytes);
    }

    QWidget* Find(const char* name) const;
    void Click(const char* button) const;
    // A user's click on the entry (the selection handlers run, also when it was selected).
    void UserSelects(const char* list, int row) const;
    bool TransferRunning() const;
    // Waits for the running Send or Receive to end.
    bool WaitTransfer(int timeoutMs = 60'000) const;
    QString StatusLine() const;
    QString SelectedFile() const;
    std::vector<QString> Messages() const { return prompts.Messages(); }
    midi::VirtualJd800& Instrument() { return midi.Instrument(); }

    QTemporaryDir libraryFolder;
    QTemporaryDir settingsFolder;
    BenchPrompts prompts;
    midi::VirtualMidiService midi{false};
    midi::MidiService& service;
    std::unique_ptr<SettingsStore> store;
    std::unique_ptr<CLibrarianDlg> window;
};

}  // namespace tessel::bench
