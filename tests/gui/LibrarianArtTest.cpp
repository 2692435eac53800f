// The window picture takes the dialog's colours in place of the four classic greys.
#include <gtest/gtest.h>
#include <QImage>
#include <QPalette>

#include "app/window/WindowArt.h"

namespace tessel {
namespace {

TEST(WindowArt, ClassicColoursBecomeThePalettesAndOthersStay) {
    QPalette palette;
    palette.setColor(QPalette::ButtonText, QColor(1, 2, 3));
    palette.setColor(QPalette::Dark, QColor(4, 5, 6));
    palette.setColor(QPalette::Button, QColor(7, 8, 9));
    palette.setColor(QPalette::Light, QColor(10, 11, 12));
    const std::pair<QRgb, QRgb> cases[] = {
        {qRgb(0, 0, 0), qRgb(1, 2, 3)},         {qRgb(128, 128, 128), qRgb(4, 5, 6)},
        {qRgb(192, 192, 192), qRgb(7, 8, 9)},   {qRgb(255, 255, 255), qRgb(10, 11, 12)},
        {qRgb(200, 30, 30), qRgb(200, 30, 30)}, {qRgb(0, 0, 1), qRgb(0, 0, 1)},
    };
    QImage image(int(std::size(cases)), 1, QImage::Format_ARGB32);
    for (int x = 0; x < image.width(); ++x) {
        image.setPixel(x, 0, cases[x].first);
    }
    const QImage mapped = WithSystemColours(QPixmap::fromImage(image), palette).toImage();
    for (int x = 0; x < image.width(); ++x) {
        EXPECT_EQ(mapped.pixel(x, 0), cases[x].second) << x;
    }
    EXPECT_TRUE(WithSystemColours(QPixmap(), palette).isNull());
}

}  // namespace
}  // namespace tessel
