// The paint DC owner now lives with the other GDI owners; this name stays for
// code that still includes it from here.
#pragma once

#include "framework/graphics/GdiHandles.h"

namespace fwc {
using ::PaintDC;
}  // namespace fwc
