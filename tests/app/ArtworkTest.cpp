#include "resources/art/Artwork.h"

#include <set>

#include <gtest/gtest.h>
#include <QImage>

#include "tests/support/Artifacts.h"

namespace tessel {
namespace {

std::set<QRgb> ColoursOf(const QImage& image) {
    std::set<QRgb> colours;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            colours.insert(image.pixel(x, y));
        }
    }
    return colours;
}

TEST(ArtworkTest, ProgramIconHasEveryUsualSizeAndIsNotBlank) {
    const QIcon icon = ProgramIcon();
    for (int size : {16, 32, 48, 256}) {
        const QPixmap pixmap = icon.pixmap(size, size);
        EXPECT_EQ(pixmap.size(), QSize(size, size) * pixmap.devicePixelRatio()) << size;
        EXPECT_GT(ColoursOf(pixmap.toImage()).size(), 3u) << size;
    }
}

TEST(ArtworkTest, AboutPictureFillsTheSizeAskedFor) {
    for (const QSize size : {kAboutPictureSize, QSize(430, 206), QSize(215, 103)}) {
        const QPixmap picture = AboutPicture(size);
        EXPECT_EQ(picture.deviceIndependentSize().toSize(), size);
        EXPECT_GT(ColoursOf(picture.toImage()).size(), 8u);
    }
}

TEST(ArtworkTest, LogoUsesOnlyTheFourMappedColours) {
    const QImage logo = LogoBitmap().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(logo.size(), kLogoSize);
    const std::set<QRgb> allowed = {qRgb(0, 0, 0), qRgb(128, 128, 128), qRgb(192, 192, 192),
                                    qRgb(255, 255, 255)};
    EXPECT_EQ(ColoursOf(logo), allowed) << "all four, and nothing else";
}

TEST(ArtworkTest, SavedForPeopleToLookAt) {
    const QString folder = test::ArtifactsFolder();
    EXPECT_TRUE(ProgramIcon().pixmap(256, 256).save(folder + "/program-icon-256.png"));
    EXPECT_TRUE(ProgramIcon().pixmap(16, 16).save(folder + "/program-icon-16.png"));
    EXPECT_TRUE(LogoBitmap().save(folder + "/logo.png"));
}

}  // namespace
}  // namespace tessel
