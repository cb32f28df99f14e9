// Bitmap utilities of the skin engine: mirroring and rotating skin images,
// replacing the key colour, mixing colours, cached two-colour gradients and
// a saturation measure. Portable.
//
// Integer arithmetic throughout: divisions truncate toward zero, weights of
// 100 and above are per mille. The gradient cache (16 slots used as a ring)
// is the only state; it is not thread-safe (user-interface thread only).
//
// The geometric functions keep the pixel format and move whole pixels of any
// format (the skin hands them 24-bit images).
#pragma once

#include <memory>
#include <vector>

#include "framework/graphics/Bitmap.h"
#include "framework/graphics/Canvas.h"

// To 24 bits per pixel, then every channel = (R + G + B) div 3.
void ConvertBitmapToGrayscale(TBitmap& bitmap);
// To 24 bits per pixel when not already, then exact magenta pixels take the
// colour's three bytes as they are (a system colour is not translated).
void ChangeTrans(TBitmap& bitmap, TColor color);
// new(x, y) = old(W-1-x, y)
void SpiegelnHorizontal(TBitmap& bitmap);
// new row y = old row H-1-y
void SpiegelnVertikal(TBitmap& bitmap);
// Clockwise; H wide and W high after: new(x, y) = old(y, H-1-x)
void Drehen90Grad(TBitmap& bitmap);
// Counter-clockwise; new(x, y) = old(W-1-y, x)
void Drehen270Grad(TBitmap& bitmap);
// new(x, y) = old(W-1-x, H-1-y)
void Drehen180Grad(TBitmap& bitmap);
// A new counter-clockwise copy of a 24-bit bitmap (caller owns); null for other formats.
std::unique_ptr<TBitmap> Rotate90(const TBitmap& bitmap);

// weight is the share of c1: per cent below 100, per mille from 100 on.
// System colours are translated first.
TColor Blend(TColor c1, TColor c2, int weight);

// Gradient cache. A slot holds n colours from c1 towards c2. All three
// return a slot number; Find gives -1 when no slot matches and, like Make,
// -1 for n <= 0 (such a gradient does not exist).
int FindGradient(int n, TColor c1, TColor c2);
int MakeGradient(int n, TColor c1, TColor c2);
int GetGradient(int n, TColor c1, TColor c2);
const std::vector<TColor>& GradientColors(int slot);

// kind 0: c1 at the left to c2 at the right; any other kind: top to bottom.
// Only bands inside the canvas's clip box are painted, with the colours of a
// gradient over the whole rectangle.
void GradFill(TCanvas& dc, const TRect& rect, TColor c1, TColor c2, int kind);

// Saturation of the colour scaled to 0..255 (ties to even), or 200 when no
// channel reaches 160.
int GetHSV(TColor color);
