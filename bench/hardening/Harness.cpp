#include "bench/hardening/Harness.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <fstream>
#include <iterator>

#include <QAbstractItemView>
#include <QEventLoop>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace tessel::bench {
namespace {

int failures = 0;

}  // namespace

double MsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

Case::~Case() {
    std::printf("%-4s  %-48s %s\n", failed_.empty() ? "PASS" : "FAIL", name_.c_str(),
                figure_.c_str());
    for (const std::string& what : failed_) {
        std::printf("        failed: %s\n", what.c_str());
    }
    std::fflush(stdout);
    failures += failed_.empty() ? 0 : 1;
}

bool Case::Check(bool ok, const std::string& what) {
    if (!ok) {
        failed_.push_back(what);
    }
    return ok;
}

int Case::Failures() {
    return failures;
}

bool RunUntil(const std::function<bool()>& done, int timeoutMs) {
    if (done()) {
        return true;
    }
    const auto start = Clock::now();
    bool met = false;
    QEventLoop loop;
    QTimer check;
    QObject::connect(&check, &QTimer::timeout, [&] {
        met = met || done();
        if (met || MsSince(start) > timeoutMs) {
            loop.quit();
        }
    });
    check.start(1);
    loop.exec();
    return met;
}

Bytes FileBytes(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(file), {});
}

void WriteFile(const std::filesystem::path& path, const Bytes& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

Snapshot TakeSnapshot(const std::filesystem::path& folder) {
    Snapshot files;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (entry.is_regular_file()) {
            files[entry.path().filename().string()] = FileBytes(entry.path());
        }
    }
    return files;
}

bool Unchanged(const Snapshot& before, const Snapshot& after,
               const std::vector<std::string>& changing) {
    for (const auto& [name, bytes] : before) {
        if (std::find(changing.begin(), changing.end(), name) != changing.end()) {
            continue;
        }
        const auto now = after.find(name);
        if (now == after.end() || now->second != bytes) {
            return false;
        }
    }
    return true;
}

// Patch memory is 64 records of 384 bytes at 05 00 00, sent as 96 blocks of 256 bytes.
namespace {

// The 24,576 bytes of patch memory as the standard 96-message dump file.
Bytes AsDumpFile(std::span<const std::uint8_t> memory) {
    std::array<format::PatchRecord, format::kPatchCount> records{};
    for (std::size_t i = 0; i < records.size(); ++i) {
        std::copy_n(memory.begin() + std::ptrdiff_t(i * records[i].size()), records[i].size(),
                    records[i].begin());
    }
    return format::BuildPatchMemoryDumpFile(0x10, records);
}

}  // namespace

Bytes MakeDump(int seed) {
    Bytes memory(64 * 384);
    for (std::size_t i = 0; i < memory.size(); ++i) {
        memory[i] = std::uint8_t((i * 7 + std::size_t(seed) * 13) % 96 + 32);
    }
    return AsDumpFile(memory);
}

Bytes MemoryAsDump(const midi::VirtualJd800& instrument) {
    return AsDumpFile(instrument.PatchMemory());
}

long ResidentKiB() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmRSS:", 0) == 0) {
            return std::stol(line.substr(6));
        }
    }
    return -1;
}

void BenchPrompts::ShowMessage(const QString& text) {
    {
        std::lock_guard hold(lock_);
        shown_.push_back(text);
    }
    realMessageBoxes ? real.ShowMessage(text) : scripted.ShowMessage(text);
}

std::optional<QString> BenchPrompts::AskSaveFile(const FileDialogRequest& request) {
    return realFileDialogs ? real.AskSaveFile(request) : scripted.AskSaveFile(request);
}

std::optional<QString> BenchPrompts::AskOpenFile(const FileDialogRequest& request) {
    return realFileDialogs ? real.AskOpenFile(request) : scripted.AskOpenFile(request);
}

void BenchPrompts::Shutdown() {
    scripted.Shutdown();
    real.Shutdown();
}

std::vector<QString> BenchPrompts::Messages() const {
    std::lock_guard hold(lock_);
    return shown_;
}

Rig::Rig(midi::MidiService* other) : service(other != nullptr ? *other : midi) {}

Rig::~Rig() {
    Close();
}

CLibrarianDlg& Rig::Start(const std::string& in, const std::string& out,
                          const std::string& config) {
    const std::string device = midi::kVirtualDeviceName;
    const QString ini = settingsFolder.filePath("tessel.ini");
    std::ofstream(ini.toStdString(), std::ios::binary)
        << "[config]\npar_TestSel=0\n"
        << config << "[device]\nPathDef=" << Library().string()
        << "\nMidiIn=" << (in.empty() ? device : in) << "\nMidiOut=" << (out.empty() ? device : out)
        << "\n";
    store = std::make_unique<SettingsStore>(ini.toStdString());
    window = std::make_unique<CLibrarianDlg>(
        WindowServices{*store, prompts, settingsFolder.path(), settingsFolder.path(), service});
    prompts.real.SetOwner(window.get());
    window->show();
    return *window;
}

void Rig::Close() {
    if (window) {
        window->close();
        window.reset();
    }
}

std::filesystem::path Rig::Library() const {
    return libraryFolder.path().toStdString();
}

QString Rig::QPathOf(const std::string& name) const {
    return QString::fromStdString(PathOf(name).string());
}

std::filesystem::path Rig::SettingsFolder() const {
    return settingsFolder.path().toStdString();
}

QWidget* Rig::Find(const char* name) const {
    return window->findChild<QWidget*>(name);
}

void Rig::Click(const char* button) const {
    window->findChild<QPushButton*>(button)->click();
}

void Rig::UserSelects(const char* list, int row) const {
    auto* view = window->findChild<QAbstractItemView*>(list);
    const QModelIndex entry = view->model()->index(row, 0);
    view->scrollTo(entry);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(entry).center());
}

bool Rig::TransferRunning() const {
    return !Find("sendButton")->isEnabled();
}

bool Rig::WaitTransfer(int timeoutMs) const {
    return RunUntil([this] { return !TransferRunning(); }, timeoutMs);
}

QString Rig::StatusLine() const {
    return window->findChild<QLabel*>("transferLabel")->text();
}

QString Rig::SelectedFile() const {
    const auto* view = window->findChild<QAbstractItemView*>("fileList");
    const QModelIndexList selected = view->selectionModel()->selectedIndexes();
    return selected.isEmpty() ? QString() : selected.front().data().toString();
}

}  // namespace tessel::bench
