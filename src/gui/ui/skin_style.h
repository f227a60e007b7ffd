#pragma once
// The skin's colours, shared by the sheet artwork and the controls that draw text over it.
#include <QColor>

namespace z7::skin {

inline const QColor kSurface{0x15, 0x18, 0x1d};
inline const QColor kPanel{0x1d, 0x21, 0x28};
inline const QColor kRaised{0x29, 0x2e, 0x37};
inline const QColor kRaisedOver{0x33, 0x3a, 0x45};
inline const QColor kField{0x0e, 0x11, 0x15};
inline const QColor kBorder{0x33, 0x3a, 0x46};
// Drop-down menus: lighter than the cards they open over, with an outline that stands out.
inline const QColor kMenu{0x2c, 0x32, 0x3c};
inline const QColor kMenuBorder{0x6b, 0x75, 0x85};
inline const QColor kText{0xe6, 0xe9, 0xee};
inline const QColor kTextDim{0x93, 0x9c, 0xa8};
inline const QColor kTextOff{0x58, 0x5f, 0x6a};
inline const QColor kAccent{0xf2, 0x7a, 0x2e};
inline const QColor kAccentDown{0xc9, 0x5e, 0x1c};
inline const QColor kOnAccent{0x1a, 0x10, 0x08};

}  // namespace z7::skin
