#pragma once
// Screenshots and other files that tests keep for people to look at. They go to
// $TESSEL_ARTIFACTS (set by scripts/test), or to "artifacts" in the working folder.
#include <cstdlib>

#include <QDir>
#include <QPixmap>
#include <QString>
#include <QWidget>

namespace tessel::test {

inline QString ArtifactsFolder() {
    const char* env = std::getenv("TESSEL_ARTIFACTS");
    QString folder = env != nullptr && *env != '\0' ? QString::fromLocal8Bit(env) : "artifacts";
    QDir().mkpath(folder);
    return folder;
}

// Grabs the widget as it is drawn now and saves it as ARTIFACTS/<name>.png; returns the path.
inline QString SaveScreenshot(QWidget& widget, const QString& name) {
    const QString path = ArtifactsFolder() + "/" + name + ".png";
    widget.grab().save(path);
    return path;
}

}  // namespace tessel::test
