#pragma once
// The program's own artwork, drawn in code so that it stays sharp at any size and screen
// scaling: the program icon (icon 128), the About picture (bitmap 130) and the small logo of
// the main window (bitmap 132).
#include <array>

#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <QSize>

namespace tessel {

// A rounded dark tile holding a grid of patch tiles, at the usual icon sizes. The image alone
// needs no application object, so a build step can save it as the installed icons.
inline constexpr std::array kProgramIconSizes{16, 24, 32, 48, 64, 128, 256};
QImage ProgramIconImage(int size);
QIcon ProgramIcon();

// The About box's banner: the 8 x 8 grid of a bank beside the program's name. Drawn for the
// given size in device-independent pixels.
inline constexpr QSize kAboutPictureSize{344, 180};
QPixmap AboutPicture(QSize size = kAboutPictureSize);

// The main window's logo, 100 x 30 pixels, drawn only in black, dark grey (128), light grey
// (192) and white, without smoothing, so that a colour mapping can turn those four into the
// system's button colours.
inline constexpr QSize kLogoSize{100, 30};
QPixmap LogoBitmap();

}  // namespace tessel
