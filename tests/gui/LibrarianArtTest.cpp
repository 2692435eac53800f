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
    struct Case {
        QColor before;
        QColor after;
    };
    const Case cases[] = {{Qt::black, QColor(1, 2, 3)},
                          {QColor(128, 128, 128), QColor(4, 5, 6)},
                          {QColor(192, 192, 192), QColor(7, 8, 9)},
                          {Qt::white, QColor(10, 11, 12)},
                          {QColor(200, 30, 30), QColor(200, 30, 30)},
                          {QColor(0, 0, 1), QColor(0, 0, 1)}};
    QImage image(int(std::size(cases)), 1, QImage::Format_ARGB32);
    for (int x = 0; x < image.width(); ++x) {
        image.setPixelColor(x, 0, cases[x].before);
    }
    const QImage mapped = WithSystemColours(QPixmap::fromImage(image), palette).toImage();
    ASSERT_EQ(mapped.size(), image.size());
    for (int x = 0; x < image.width(); ++x) {
        EXPECT_EQ(mapped.pixelColor(x, 0).rgb(), cases[x].after.rgb()) << x;
    }
    EXPECT_TRUE(WithSystemColours(QPixmap(), palette).isNull());
}

}  // namespace
}  // namespace tessel
