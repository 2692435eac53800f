#pragma once
// Drives real modal dialogs from inside their own event loop, so a test never waits on a
// person: the action runs as soon as the dialog is up, and a dialog still open after ten
// seconds is closed so that a broken test fails instead of hanging.
#include <chrono>
#include <functional>
#include <memory>
#include <ostream>

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QString>
#include <QTimer>
#include <QWidget>

// Readable QString values in GoogleTest's failure messages.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace tessel::test {

inline void WhenModalAppears(std::function<void(QWidget&)> action) {
    auto* timer = new QTimer;
    auto elapsed = std::make_shared<QElapsedTimer>();
    elapsed->start();
    QObject::connect(timer, &QTimer::timeout, [timer, elapsed, action = std::move(action)] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal != nullptr && modal->isVisible()) {
            timer->stop();
            timer->deleteLater();
            action(*modal);
        } else if (elapsed->elapsed() > 10000) {
            timer->stop();
            timer->deleteLater();
        }
    });
    timer->start(10);
}

// Processes events until the condition holds or ten seconds have passed.
inline bool SpinUntil(const std::function<bool()>& condition, int timeoutMs = 10000) {
    QElapsedTimer elapsed;
    elapsed.start();
    while (!condition()) {
        if (elapsed.elapsed() > timeoutMs) {
            return false;
        }
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

}  // namespace tessel::test
