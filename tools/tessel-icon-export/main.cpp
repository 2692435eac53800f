// tessel-icon-export FOLDER: saves the program icon, drawn by the same code as the window's
// icon, as FOLDER/<size>x<size>/apps/tessel.png for each of the icon sizes, the layout of an
// icon theme (share/icons/hicolor).
#include <cstdio>

#include <QDir>
#include <QString>

#include "resources/art/Artwork.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: tessel-icon-export FOLDER\n");
        return 2;
    }
    const QDir root(QString::fromLocal8Bit(argv[1]));
    for (const int size : tessel::kProgramIconSizes) {
        const QString apps = QStringLiteral("%1x%1/apps").arg(size);
        const QString file = root.filePath(apps + QStringLiteral("/tessel.png"));
        if (!root.mkpath(apps) || !tessel::ProgramIconImage(size).save(file, "PNG")) {
            std::fprintf(stderr, "tessel-icon-export: cannot write %s\n", qPrintable(file));
            return 1;
        }
    }
    return 0;
}
