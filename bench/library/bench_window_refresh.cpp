// Times the main window's library refresh: Set Directory answered with FOLDER, which lists
// the folder (RefreshFileList) and loads the first file into the patch list
// (LoadSelectedDump), as the user's own action does.
//   tessel_bench_window FOLDER RUNS
// The Set Directory action also writes PathDef; that write is timed on its own as well, on
// a settings file in /dev/shm when it exists so that its flush to disk stays small.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include <QApplication>
#include <QDir>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>

#include "core/prompts/UserPrompts.h"
#include "core/settings/SettingsStore.h"
#include "app/window/LibrarianDlg.h"
#include "midi/virtual/VirtualMidiService.h"

namespace {

using namespace tessel;

// Confirms every folder choice with the benchmark's library folder.
class LibraryPrompts final : public UserPrompts {
public:
    explicit LibraryPrompts(QString folder) : folder_(std::move(folder)) {}
    void ShowMessage(const QString& /*text*/) override {}
    bool AskYesNo(const QString& /*text*/) override { return false; }
    bool ChooseFolder(QString& folder) override {
        folder = folder_;
        return true;
    }
    std::optional<QString> AskSaveFile(const FileDialogRequest& /*request*/) override {
        return std::nullopt;
    }
    std::optional<QString> AskOpenFile(const FileDialogRequest& /*request*/) override {
        return std::nullopt;
    }
    bool RunDialog(QDialog& /*dialog*/) override { return false; }

private:
    QString folder_;
};

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double MillisecondsOf(const std::function<void()>& work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    const auto stop = std::chrono::steady_clock::now();
    return std::chrono::duration<double, std::milli>(stop - start).count();
}

QString SettingsParent() {
    return QDir("/dev/shm").exists() ? QStringLiteral("/dev/shm") : QDir::tempPath();
}

int Run(const QString& folder, int runs) {
    QTemporaryDir settingsFolder(SettingsParent() + "/tessel-bench-XXXXXX");
    SettingsStore settings(settingsFolder.filePath("tessel.ini").toStdString());
    settings.WriteString("device", "PathDef", folder.toStdString());
    LibraryPrompts prompts(folder);
    midi::VirtualMidiService midi;
    CLibrarianDlg window(WindowServices{settings, prompts, settingsFolder.path(), settingsFolder.path(), midi});
    const double startup = MillisecondsOf([&] { window.show(); });

    auto* button = window.findChild<QPushButton*>("setDirectoryButton");
    std::vector<double> refreshes;
    std::vector<double> writes;
    for (int run = 0; run < runs; ++run) {
        refreshes.push_back(MillisecondsOf([&] { button->click(); }));
        writes.push_back(MillisecondsOf(
            [&] { settings.WriteString("device", "PathDef", folder.toStdString()); }));
    }
    const double refresh = Median(refreshes);
    const double write = Median(writes);
    std::printf(
        "window start-up %.1f ms; Set Directory median %.2f ms, of which settings write "
        "%.2f ms; refresh %.2f ms (%d runs, %d files, %d patches listed)\n",
        startup, refresh, write, refresh - write, runs,
        window.findChild<QListWidget*>("fileList")->count(),
        window.findChild<QListWidget*>("patchList")->count());
    std::printf("refresh_ms %.3f\n", refresh - write);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
    QApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: tessel_bench_window FOLDER RUNS\n");
        return 2;
    }
    return Run(QString::fromLocal8Bit(argv[1]), std::max(1, std::atoi(argv[2])));
}
