// What the portable skin loader needs from the platform: the width of a
// scroll-bar arrow (the combo strips are built for it) and the program's own
// bitmap resources. Two implementations: SkinPlatform_win.cpp (the system
// metric, the module's RT_BITMAP resources) and SkinPlatform_posix.cpp (the
// classic metric, the drawn bitmaps).
#pragma once

#include <memory>
#include <string>

#include "framework/graphics/Bitmap.h"

// SM_CXHSCROLL: 16 natively (the classic value), the system's on Windows.
int ScrollArrowWidth();

// The program's bitmap of that name ("TRACK", "TRACKVERT", "QUILLETMENU"):
// on Windows the module's resource when it is linked in, else (and natively)
// the same picture drawn by DrawProgramBitmap. Null for any other name.
std::unique_ptr<TBitmap> LoadProgramBitmap(const std::wstring& name);

// The pictures of those resources, drawn here; skin/data/res holds them as
// files for the resource compiler (make_skin_bitmaps writes them). Null for
// an unknown name.
//  TRACK        16 x 4, 24 bits: a sunken track-bar channel, grey (128) then
//               silver (192) along the top and left, white inside.
//  TRACKVERT     4 x 16, 24 bits: the same channel upright.
//  QUILLETMENU  64 x 16, 1 bit: four 16 x 16 menu glyphs, black on white
//               (white is the mask): restore, maximize, minimize, close.
std::unique_ptr<TBitmap> DrawProgramBitmap(const std::wstring& name);

#ifdef _WIN32
// The module's RT_BITMAP resource of that name, or null when it has none.
std::unique_ptr<TBitmap> LoadBitmapResource(const std::wstring& name);
#endif
