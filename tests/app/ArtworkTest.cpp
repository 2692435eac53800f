#include "resources/art/Artwork.h"

#include <set>

#include <gtest/gtest.h>
#include <QImage>

namespace tessel {
namespace {

std::set<QRgb> ColoursOf(const QPixmap& pixmap) {
    const QImage image = pixmap.toImage().convertToFormat(QImage::Format_RGB32);
    std::set<QRgb> colours;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            colours.insert(image.pixel(x, y));
        }
    }
    return colours;
}

TEST(ArtworkTest, IconAndPictureFillEverySizeAskedForAndAreNotBlank) {
    for (int size : {16, 32, 48, 256}) {
        const QPixmap pixmap = ProgramIcon().pixmap(size, size);
        EXPECT_EQ(pixmap.deviceIndependentSize().toSize(), QSize(size, size));
        EXPECT_GT(ColoursOf(pixmap).size(), 3u) << size;
    }
    for (const QSize size : {kAboutPictureSize, QSize(430, 206), QSize(215, 103)}) {
        const QPixmap picture = AboutPicture(size);
        EXPECT_EQ(picture.deviceIndependentSize().toSize(), size);
        EXPECT_GT(ColoursOf(picture).size(), 8u);
    }
}

// The window maps these four colours onto its palette.
TEST(ArtworkTest, LogoUsesExactlyTheFourMappedColours) {
    EXPECT_EQ(LogoBitmap().size(), kLogoSize);
    const std::set<QRgb> allowed = {qRgb(0, 0, 0), qRgb(128, 128, 128), qRgb(192, 192, 192),
                                    qRgb(255, 255, 255)};
    EXPECT_EQ(ColoursOf(LogoBitmap()), allowed);
}

}  // namespace
}  // namespace tessel
