// Skin bitmap drawing functions: frames cut from image strips, nine-slice
// and three-slice composition, tiling, colour-keyed drawing and the scan of
// a colour-keyed bitmap into window-region rectangles. Portable, with the
// DC forms, DrawParentImage and region handles on Windows.
//
// Frames are numbered from 1 and lie side by side (or stacked); a frame
// count below 1 counts as 1. Every piece is composed in a temporary bitmap
// and reaches the target in one transfer. Stretching is COLORONCOLOR (see
// framework/graphics/Canvas.h); magenta 0xFF00FF is the usual key colour.
// Source rectangles that reach outside a bitmap read nothing from outside:
// those target pixels are simply not drawn.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "framework/graphics/Bitmap.h"
#include "framework/graphics/Canvas.h"

#ifdef _WIN32
#include "framework/graphics/GdiHandles.h"
#endif

constexpr TColor kSkinKeyColor = 0xFF00FF;

// Where frame number of count lies in the bitmap.
TRect SkinFrameRect(const TBitmap& bitmap, int frameNumber, int frameCount, bool stacked);

// Nine-slice: the frame composed to target's size (caller owns the result).
// margins holds the widths of the fixed left, top, right and bottom parts;
// a target narrower (lower) than two opposite margins drops both.
std::unique_ptr<TBitmap> GetHMap(const TRect& target, const TBitmap& source, const TRect& margins, int frameNumber,
                                 int frameCount, bool tile, bool stacked);
// The same, composed into result (resized to the target's size and made
// 24-bit), which saves a copy where the result is kept.
void GetHMap(TBitmap& result, const TRect& target, const TBitmap& source, const TRect& margins, int frameNumber,
             int frameCount, bool tile, bool stacked);
void DrawRect2(TCanvas& dc, const TRect& target, const TBitmap& bitmap, const TRect& margins, int frameNumber,
               int frameCount, bool transparent, bool tile, bool stacked);
// One frame (side by side) stretched to the target.
void DrawRect1(TCanvas& dc, const TRect& target, const TBitmap& bitmap, int frameNumber, int frameCount,
               bool transparent);
// One frame (side by side) unscaled and centred; it may stick out of a small target.
void DrawRect3(TCanvas& dc, const TRect& target, const TBitmap& bitmap, int frameNumber, int frameCount,
               bool transparent);
// Three slices across: margins.Left and margins.Right are the caps.
void DrawRectH(TCanvas& dc, const TRect& target, const TBitmap& bitmap, const TRect& margins, int frameNumber,
               int frameCount, int ignored, bool stacked);
// Three slices across with the middle repeated; key 0xFF00FF when transparent.
void DrawRectTile(TCanvas& canvas, const TRect& target, const TBitmap& bitmap, const TRect& margins, int frameNumber,
                  int frameCount, bool transparent, bool stacked);
// sourceRect of the bitmap repeated from target's top-left while inside it;
// the last copies are clipped only by the canvas.
void DrawBGbmp(TCanvas& canvas, const TRect& target, const TBitmap& bitmap, const TRect& sourceRect);
// The whole bitmap at target's top-left; pixels of key leave the target as it was.
void DrawTranmap(TCanvas& dc, const TRect& target, const TBitmap& bitmap, TColor key);

int Max(int a, int b);
int Min(int a, int b);

// The opaque runs of each row as rectangles (run start + x offset, row +
// y offset, run end + x offset, row + y offset + 1), handed over in batches
// of at most 2000. A pixel is transparent when every channel lies between
// the key's value and that value plus its tolerance (capped at 255).
using RegionBatch = std::function<void(const TRect* rects, size_t count)>;
void ScanRegionRects(const TBitmap& bitmap, int xOffset, int yOffset, TColor key, int blueTolerance, int greenTolerance,
                     int redTolerance, const RegionBatch& batch);

#ifdef _WIN32
// The region of the opaque pixels (empty for a fully keyed bitmap); the caller
// owns it (release() it into SetWindowRgn).
UniqueRegion BitmapToRegion(const TBitmap& bitmap, int xOffset, int yOffset, TColor key, int blueTolerance,
                            int greenTolerance, int redTolerance);

// The parent's background and painting under the control, drawn into dc
// (the control's coordinates). Nothing for a window without parent.
void DrawParentImage(HWND control, HDC dc, bool ignored);

void DrawRect2(HDC dc, const TRect& target, const TBitmap& bitmap, const TRect& margins, int frameNumber,
               int frameCount, bool transparent, bool tile, bool stacked);
void DrawRect1(HDC dc, const TRect& target, const TBitmap& bitmap, int frameNumber, int frameCount, bool transparent);
void DrawRect3(HDC dc, const TRect& target, const TBitmap& bitmap, int frameNumber, int frameCount, bool transparent);
void DrawRectH(HDC dc, const TRect& target, const TBitmap& bitmap, const TRect& margins, int frameNumber,
               int frameCount, int ignored, bool stacked);
void DrawTranmap(HDC dc, const TRect& target, const TBitmap& bitmap, TColor key);

// A one-line caption centred both ways in rect: transparent, plain style of
// the canvas font, clBtnShadow when disabled. alignment holds DT_LEFT,
// DT_CENTER or DT_RIGHT (and DT_RTLREADING where wanted).
void MyDrawCaption(TCanvas& canvas, const TRect& rect, const std::wstring& text, bool enabled, unsigned alignment);
#endif
