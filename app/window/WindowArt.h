#pragma once
// The main window's icon (icon 128) and picture (bitmap 132) from the program's artwork.
#include <QIcon>
#include <QPalette>
#include <QPixmap>

namespace tessel {

QIcon WindowIcon();
QPixmap WindowPicture();

// Black, dark grey, light grey and white become the palette's button text, shadow, face and
// highlight colours, so the picture sits on the dialog like a part of it.
QPixmap WithSystemColours(const QPixmap& picture, const QPalette& palette);

}  // namespace tessel
