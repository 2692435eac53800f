#include <QPainter>
#include <QPainterPath>

#include "resources/art/ArtPalette.h"
#include "resources/art/Artwork.h"

namespace tessel {
namespace {

// Which accent a tile of the grid wears (-1: a plain tile): a diagonal of coloured patches.
int AccentOf(int row, int column) {
    return row == column ? row : -1;
}

void DrawBody(QPainter& painter, double size) {
    const QRectF body(size * 0.03, size * 0.03, size * 0.94, size * 0.94);
    QLinearGradient gradient(body.topLeft(), body.bottomLeft());
    gradient.setColorAt(0, art::kBodyTop);
    gradient.setColorAt(1, art::kBodyBottom);
    painter.setPen(QPen(art::kTileEdge.darker(160), std::max(1.0, size / 64)));
    painter.setBrush(gradient);
    painter.drawRoundedRect(body, size * 0.18, size * 0.18);
}

void DrawTiles(QPainter& painter, double size) {
    const int grid = size <= 24 ? 2 : 3;  // small sizes keep the tiles readable
    const double margin = size * 0.17;
    const double gap = size * (grid == 2 ? 0.08 : 0.055);
    const double tile = (size - 2 * margin - (grid - 1) * gap) / grid;
    painter.setPen(Qt::NoPen);
    for (int row = 0; row < grid; ++row) {
        for (int column = 0; column < grid; ++column) {
            const QRectF rect(margin + column * (tile + gap), margin + row * (tile + gap), tile,
                              tile);
            const int accent = AccentOf(row, column);
            painter.setBrush(accent < 0 ? art::kTile : art::kAccents[accent]);
            painter.drawRoundedRect(rect, tile * 0.14, tile * 0.14);
        }
    }
}

}  // namespace

QImage ProgramIconImage(int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    DrawBody(painter, size);
    DrawTiles(painter, size);
    return image;
}

QIcon ProgramIcon() {
    QIcon icon;
    for (int size : kProgramIconSizes) {
        icon.addPixmap(QPixmap::fromImage(ProgramIconImage(size)));
    }
    return icon;
}

}  // namespace tessel
