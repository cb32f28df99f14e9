#include <windows.h>

#include "framework/graphics/Color.h"

TColor ColorToRGB(TColor color) {
    if (color >= 0) return color;
    return static_cast<TColor>(GetSysColor(color & 0xFF));
}
