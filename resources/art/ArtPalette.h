#pragma once
// Colours shared by the icon and the About picture: a charcoal body like the instrument's
// panel, slate tiles for patches, and the accents of its coloured slider caps.
#include <array>

#include <QColor>

namespace tessel::art {

inline const QColor kBodyTop{0x3b, 0x41, 0x4a};
inline const QColor kBodyBottom{0x1c, 0x1f, 0x24};
inline const QColor kTile{0x5a, 0x64, 0x72};
inline const QColor kTileEdge{0x7b, 0x86, 0x96};
inline const QColor kText{0xf2, 0xef, 0xe8};
inline const QColor kSubtleText{0xb4, 0xbb, 0xc6};

inline const std::array<QColor, 4> kAccents = {
    QColor{0xf0, 0x8a, 0x24},  // orange
    QColor{0x2f, 0xb5, 0xa8},  // teal
    QColor{0xe9, 0xd8, 0xa6},  // cream
    QColor{0xd9, 0x4b, 0x4b},  // red
};

}  // namespace tessel::art
