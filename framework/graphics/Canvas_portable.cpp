#include "framework/graphics/Canvas.h"

// Without a display, the resolution that Windows reports by default.
int ScreenPixelsPerInch() {
    return 96;
}
