#include <QFont>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QPainter>

#include "resources/art/Artwork.h"

namespace tessel {
namespace {

// The four colours a window maps to its own button colours.
const QColor kBlack{0, 0, 0};
const QColor kDarkGrey{128, 128, 128};
const QColor kLightGrey{192, 192, 192};
const QColor kWhite{255, 255, 255};

constexpr int kTile = 6;
constexpr int kGap = 2;
constexpr int kGrid = 3;
constexpr int kGridSide = kGrid * kTile + (kGrid - 1) * kGap;

// A raised tile: light from the top left, shadow at the bottom right; the centre tile is
// pressed in, as the one patch that is playing.
void DrawTile(QPainter& painter, int x, int y, bool pressed) {
    const QColor& topLeft = pressed ? kDarkGrey : kWhite;
    const QColor& bottomRight = pressed ? kWhite : kDarkGrey;
    painter.fillRect(x, y, kTile, kTile, pressed ? kDarkGrey : kLightGrey);
    painter.fillRect(x, y, kTile, 1, topLeft);
    painter.fillRect(x, y, 1, kTile, topLeft);
    painter.fillRect(x, y + kTile - 1, kTile, 1, bottomRight);
    painter.fillRect(x + kTile - 1, y, 1, kTile, bottomRight);
    if (pressed) {
        painter.fillRect(x + 2, y + 2, kTile - 4, kTile - 4, kBlack);
    }
}

void DrawTiles(QPainter& painter, int left, int top) {
    for (int row = 0; row < kGrid; ++row) {
        for (int column = 0; column < kGrid; ++column) {
            DrawTile(painter, left + column * (kTile + kGap), top + row * (kTile + kGap),
                     row == 1 && column == 1);
        }
    }
}

QFont LogoFont(const QString& text, int width, int maxHeight) {
    QFont font = QGuiApplication::font();
    font.setBold(true);
    font.setStyleStrategy(QFont::NoAntialias);
    for (int pixels = maxHeight; pixels > 6; --pixels) {
        font.setPixelSize(pixels);
        if (QFontMetrics(font).horizontalAdvance(text) <= width) {
            break;
        }
    }
    return font;
}

// Engraved lettering: a white copy one pixel down and right under the black text.
void DrawLettering(QPainter& painter, const QRect& area) {
    const QString text = QStringLiteral("TESSEL");
    painter.setFont(LogoFont(text, area.width() - 1, area.height()));
    painter.setPen(kWhite);
    painter.drawText(area.translated(1, 1), Qt::AlignCenter, text);
    painter.setPen(kBlack);
    painter.drawText(area, Qt::AlignCenter, text);
}

}  // namespace

QPixmap LogoBitmap() {
    QPixmap pixmap(kLogoSize);
    pixmap.fill(kLightGrey);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setRenderHint(QPainter::TextAntialiasing, false);
    const int top = (kLogoSize.height() - kGridSide) / 2;
    DrawTiles(painter, top, top);
    const int textLeft = top * 2 + kGridSide;
    DrawLettering(painter,
                  QRect(textLeft, 4, kLogoSize.width() - textLeft - 3, kLogoSize.height() - 8));
    return pixmap;
}

}  // namespace tessel
