// Times Find in the real main window (offscreen) over a library folder, end to end: from the
// Find button's click to the last hit in the results list, with the list laid out. While it
// runs, a 10 ms timer measures how long the window leaves its events waiting (the longest
// gap between two ticks). Then the close delay: the window is closed at chosen moments of a
// Find and the close is timed.
//   tessel_bench_window_find FOLDER TEXT RUNS
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include <QAbstractItemView>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include "app/window/LibrarianDlg.h"
#include "core/prompts/ScriptedPrompts.h"
#include "core/settings/SettingsStore.h"
#include "midi/virtual/VirtualMidiService.h"

namespace {

using namespace tessel;

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Settings in memory when the system offers it, so that the close's settings write does not
// wait for a disk.
QString SettingsParent() {
    return QDir("/dev/shm").exists() ? QStringLiteral("/dev/shm") : QDir::tempPath();
}

// One window on the library folder, with its own settings.
struct Window {
    explicit Window(const QString& folder)
        : settingsFolder(SettingsParent() + "/tessel-bench-XXXXXX"),
          settings(settingsFolder.filePath("tessel.ini").toStdString()) {
        settings.WriteString("device", "PathDef", folder.toStdString());
        window = std::make_unique<CLibrarianDlg>(
            WindowServices{settings, prompts, settingsFolder.path(), settingsFolder.path(), midi});
        window->show();
    }
    void StartFind(const QString& text) const {
        window->findChild<QLineEdit*>("searchField")->setText(text);
        window->findChild<QPushButton*>("findButton")->click();
    }
    int Hits() const {
        return window->findChild<QAbstractItemView*>("resultsList")->model()->rowCount();
    }

    QTemporaryDir settingsFolder;
    SettingsStore settings;
    ScriptedPrompts prompts;
    midi::VirtualMidiService midi;
    std::unique_ptr<CLibrarianDlg> window;
};

struct FindRun {
    double milliseconds;
    double longestGap;  // between two ticks of a 10 ms timer
    int hits;
};

FindRun TimeFind(Window& w, const QString& text) {
    QElapsedTimer sinceTick;
    double longestGap = 0;
    QTimer ticks;
    QObject::connect(&ticks, &QTimer::timeout, [&] {
        longestGap = std::max(longestGap, double(sinceTick.nsecsElapsed()) / 1e6);
        sinceTick.restart();
    });
    ticks.start(10);
    QElapsedTimer clock;
    clock.start();
    sinceTick.start();
    w.StartFind(text);
    while (w.window->FindRunning()) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    QCoreApplication::processEvents();  // the list's delayed layout
    const double elapsed = double(clock.nsecsElapsed()) / 1e6;
    longestGap = std::max(longestGap, double(sinceTick.nsecsElapsed()) / 1e6);
    return {elapsed, longestGap, w.Hits()};
}

// Closes a window `after` milliseconds into a Find; the time close() takes.
double CloseDelay(const QString& folder, const QString& text, int after) {
    Window w(folder);
    w.StartFind(text);
    QEventLoop waiting;
    QTimer::singleShot(after, &waiting, &QEventLoop::quit);
    waiting.exec();
    const bool running = w.window->FindRunning();
    QElapsedTimer clock;
    clock.start();
    w.window->close();
    const double delay = double(clock.nsecsElapsed()) / 1e6;
    std::printf("close %4d ms into the Find (%s): %.2f ms, %d hits shown\n", after,
                running ? "running" : "done", delay, w.Hits());
    return delay;
}

int Run(const QString& folder, const QString& text, int runs) {
    Window w(folder);
    std::vector<double> times;
    std::vector<double> gaps;
    int hits = 0;
    for (int run = 0; run < runs; ++run) {
        const FindRun found = TimeFind(w, text);
        times.push_back(found.milliseconds);
        gaps.push_back(found.longestGap);
        hits = found.hits;
    }
    std::printf(
        "window find \"%s\": median %.1f ms, best %.1f ms (%d runs, %d hits); longest "
        "wait of the window's events: median %.1f ms, worst %.1f ms\n",
        qPrintable(text), Median(times), *std::min_element(times.begin(), times.end()), runs, hits,
        Median(gaps), *std::max_element(gaps.begin(), gaps.end()));
    std::printf("window_find_ms %.3f\n", Median(times));
    double worstClose = 0;
    for (int after : {0, 20, 100, 300}) {
        worstClose = std::max(worstClose, CloseDelay(folder, text, after));
    }
    std::printf("worst close delay during Find: %.2f ms\n", worstClose);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
    QApplication app(argc, argv);
    if (argc != 4) {
        std::fprintf(stderr, "usage: tessel_bench_window_find FOLDER TEXT RUNS\n");
        return 2;
    }
    return Run(QString::fromLocal8Bit(argv[1]), QString::fromLocal8Bit(argv[2]),
               std::max(1, std::atoi(argv[3])));
}
