#include <algorithm>

#include <QFont>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPainter>

#include "resources/art/ArtPalette.h"
#include "resources/art/Artwork.h"

namespace tessel {
namespace {

constexpr int kGrid = 8;  // a bank: 8 groups of 8 patches

struct LitTile {
    int row, column, accent;
};
// The patches picked into the bank, one per group.
constexpr LitTile kLitTiles[] = {{0, 0, 0}, {1, 3, 1}, {2, 6, 2}, {3, 1, 3},
                                 {4, 4, 0}, {5, 7, 1}, {6, 2, 2}, {7, 5, 3}};

void DrawBackground(QPainter& painter, const QRectF& area) {
    QLinearGradient gradient(area.topLeft(), area.bottomRight());
    gradient.setColorAt(0, art::kBodyTop);
    gradient.setColorAt(1, art::kBodyBottom);
    painter.fillRect(area, gradient);
}

void DrawBank(QPainter& painter, const QRectF& square) {
    const double gap = square.width() * 0.025;
    const double tile = (square.width() - (kGrid - 1) * gap) / kGrid;
    auto tileRect = [&](int row, int column) {
        return QRectF(square.left() + column * (tile + gap), square.top() + row * (tile + gap),
                      tile, tile);
    };
    painter.setPen(Qt::NoPen);
    painter.setBrush(art::kTile);
    for (int row = 0; row < kGrid; ++row) {
        for (int column = 0; column < kGrid; ++column) {
            painter.drawRoundedRect(tileRect(row, column), tile * 0.15, tile * 0.15);
        }
    }
    for (const auto& lit : kLitTiles) {
        painter.setBrush(art::kAccents[lit.accent]);
        painter.drawRoundedRect(tileRect(lit.row, lit.column), tile * 0.15, tile * 0.15);
    }
}

// The largest font of the family, at most `maxHeight` pixels high, whose text fits `width`.
QFont FittingFont(QFont font, const QString& text, double width, double maxHeight) {
    for (double pixels = maxHeight; pixels > 6; pixels -= 0.5) {
        font.setPixelSize(static_cast<int>(pixels));
        if (QFontMetricsF(font).horizontalAdvance(text) <= width) {
            break;
        }
    }
    return font;
}

void DrawName(QPainter& painter, const QRectF& area) {
    const QString title = QStringLiteral("Tessel");
    const QString lines[] = {QStringLiteral("Patch librarian for the"),
                             QStringLiteral("Roland JD-800")};
    QFont titleFont = QGuiApplication::font();
    titleFont.setBold(true);
    titleFont = FittingFont(titleFont, title, area.width(), area.height() * 0.36);
    QFont lineFont =
        FittingFont(QGuiApplication::font(), lines[0], area.width(), area.height() * 0.12);
    const QFontMetricsF titleMetrics(titleFont);
    const QFontMetricsF lineMetrics(lineFont);
    const double rule = std::max(2.0, area.height() * 0.025);
    const double blockHeight =
        titleMetrics.height() + rule * 4 + lineMetrics.lineSpacing() * std::size(lines);
    double y = area.top() + (area.height() - blockHeight) / 2;

    painter.setPen(art::kText);
    painter.setFont(titleFont);
    painter.drawText(QPointF(area.left(), y + titleMetrics.ascent()), title);
    y += titleMetrics.height() + rule * 1.5;
    painter.fillRect(QRectF(area.left() + 2, y, area.width() * 0.35, rule), art::kAccents[0]);
    y += rule * 2.5;
    painter.setPen(art::kSubtleText);
    painter.setFont(lineFont);
    for (const auto& line : lines) {
        painter.drawText(QPointF(area.left() + 2, y + lineMetrics.ascent()), line);
        y += lineMetrics.lineSpacing();
    }
}

}  // namespace

QPixmap AboutPicture(QSize size) {
    const double ratio = qGuiApp != nullptr ? qGuiApp->devicePixelRatio() : 1.0;
    QPixmap pixmap(size * ratio);
    pixmap.setDevicePixelRatio(ratio);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    const QRectF area(QPointF(0, 0), QSizeF(size));
    DrawBackground(painter, area);
    const double margin = area.height() * 0.1;
    const double side = area.height() - 2 * margin;
    DrawBank(painter, QRectF(margin, margin, side, side));
    const double textLeft = margin * 2 + side;
    DrawName(painter, QRectF(textLeft, margin, area.width() - textLeft - margin, side));
    return pixmap;
}

}  // namespace tessel
