#include "framework/graphics/Color.h"

namespace {
// The classic Windows scheme, index = system colour index; 25 is unused.
constexpr TColor kClassic[] = {
    ColorFromRGB(212, 208, 200), ColorFromRGB(58, 110, 165),  ColorFromRGB(10, 36, 106),   ColorFromRGB(128, 128, 128),
    ColorFromRGB(212, 208, 200), ColorFromRGB(255, 255, 255), ColorFromRGB(0, 0, 0),       ColorFromRGB(0, 0, 0),
    ColorFromRGB(0, 0, 0),       ColorFromRGB(255, 255, 255), ColorFromRGB(212, 208, 200), ColorFromRGB(212, 208, 200),
    ColorFromRGB(128, 128, 128), ColorFromRGB(10, 36, 106),   ColorFromRGB(255, 255, 255), ColorFromRGB(212, 208, 200),
    ColorFromRGB(128, 128, 128), ColorFromRGB(128, 128, 128), ColorFromRGB(0, 0, 0),       ColorFromRGB(212, 208, 200),
    ColorFromRGB(255, 255, 255), ColorFromRGB(64, 64, 64),    ColorFromRGB(212, 208, 200), ColorFromRGB(0, 0, 0),
    ColorFromRGB(255, 255, 225), ColorFromRGB(181, 181, 181), ColorFromRGB(0, 0, 128),     ColorFromRGB(166, 202, 240),
    ColorFromRGB(192, 192, 192), ColorFromRGB(10, 36, 106),   ColorFromRGB(212, 208, 200),
};
}  // namespace

TColor ColorToRGB(TColor color) {
    if (color >= 0) return color;
    const int index = color & 0xFF;
    // Like GetSysColor, an index the platform does not know gives black.
    return index < static_cast<int>(sizeof kClassic / sizeof kClassic[0]) ? kClassic[index] : 0;
}
