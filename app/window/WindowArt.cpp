#include "app/window/WindowArt.h"

#include <QHash>
#include <QImage>

#include "resources/art/Artwork.h"

namespace tessel {

QIcon WindowIcon() {
    return ProgramIcon();
}

QPixmap WindowPicture() {
    return LogoBitmap();
}

QPixmap WithSystemColours(const QPixmap& picture, const QPalette& palette) {
    if (picture.isNull()) {
        return picture;
    }
    const QHash<QRgb, QRgb> mapping = {
        {qRgb(0, 0, 0), palette.color(QPalette::ButtonText).rgb()},
        {qRgb(128, 128, 128), palette.color(QPalette::Dark).rgb()},
        {qRgb(192, 192, 192), palette.color(QPalette::Button).rgb()},
        {qRgb(255, 255, 255), palette.color(QPalette::Light).rgb()},
    };
    QImage image = picture.toImage().convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const auto found = mapping.constFind(line[x]);
            if (found != mapping.constEnd()) {
                line[x] = found.value();
            }
        }
    }
    QPixmap mapped = QPixmap::fromImage(image);
    mapped.setDevicePixelRatio(picture.devicePixelRatio());
    return mapped;
}

}  // namespace tessel
