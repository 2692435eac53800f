#pragma once
// Drives real modal dialogs from inside their own event loop, so a test never waits on a
// person; a dialog that has not appeared within ten seconds is given up, so that a broken
// test fails instead of hanging.
#include <functional>

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>

#include "tests/library/QStringPrinter.h"

namespace tessel::test {

// Processes events until the condition holds or ten seconds have passed.
inline bool SpinUntil(const std::function<bool()>& condition) {
    QElapsedTimer elapsed;
    elapsed.start();
    while (!condition()) {
        if (elapsed.elapsed() > 10000) {
            return false;
        }
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

// Runs `action` on the active modal widget as soon as one is shown.
inline void WhenModalAppears(std::function<void(QWidget&)> action) {
    auto* timer = new QTimer;
    QElapsedTimer elapsed;
    elapsed.start();
    QObject::connect(timer, &QTimer::timeout, [timer, elapsed, action = std::move(action)] {
        QWidget* modal = QApplication::activeModalWidget();
        const bool shown = modal != nullptr && modal->isVisible();
        if (shown || elapsed.elapsed() > 10000) {
            timer->stop();
            timer->deleteLater();
        }
        if (shown) {
            action(*modal);
        }
    });
    timer->start(10);
}

}  // namespace tessel::test
