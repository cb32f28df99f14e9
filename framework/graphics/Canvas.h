// Canvases, brushes, pens and fonts of the framework.
//
// A canvas draws either on a TBitmap (the bitmap's own canvas) or, on
// Windows, on a borrowed device context (a window's, a paint DC). On bitmaps
// fills, copies and stretches are done in software, identically on every
// platform; on a DC they are GDI calls. Lines and text are GDI only
// (Windows), drawn through the bitmap's memory DC for bitmap canvases.
//
// Stretching follows StretchBlt in COLORONCOLOR mode: every target pixel
// takes one source pixel, no blending. With s source and d target pixels on
// an axis, target i takes source ((2i+1)s - 1) div 2d when enlarging; when
// shrinking, source j lands on target ((2j+1)d - 1) div 2s and the last one
// wins across a row, the first one down a column; a 1-pixel-wide target
// takes source column s - 2. A negative extent mirrors: the pixels run from
// the given edge leftwards (upwards), the edge pixel first. Target pixels
// whose source lies outside the source bitmap keep their colour. These are
// the pixels GDI gives under Wine, checked by the Windows tests.
//
// Software drawing is clipped to ClipRect(): the bitmap's bounds, and on
// Windows also the clip box of the bitmap's DC when one was made (a
// rectangular GDI clip is honoured, a complex region only by GDI drawing).
#pragma once

#include <cstdint>
#include <string>

#include "framework/graphics/Bitmap.h"
#include "framework/graphics/Color.h"
#include "framework/graphics/Types.h"

#ifdef _WIN32
#include "framework/graphics/GdiHandles.h"
#endif

enum TBrushStyle { bsSolid, bsClear };
enum TPenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear };
enum TFontStyle : uint8_t { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };

struct TBrush {
    TColor Color = clWhite;
    TBrushStyle Style = bsSolid;
};

struct TPen {
    TColor Color = clBlack;
    int Width = 1;
    TPenStyle Style = psSolid;
};

// Pixels per logical inch of the screen: 96 natively, the display's on Windows.
int ScreenPixelsPerInch();

class TFont {
public:
    std::wstring Name = L"MS Sans Serif";
    int Height = -11;  // negative: character height in pixels, as in a LOGFONT
    TColor Color = clWindowText;
    uint8_t Style = 0;    // TFontStyle bits
    uint8_t Charset = 1;  // DEFAULT_CHARSET

    int Size() const;  // points
    void SetSize(int points);
    void Assign(const TFont& other);

#ifdef _WIN32
    // A font handle owned by this object, remade when the attributes change.
    HFONT Handle() const;
    void AssignLogFont(const LOGFONTW& font);
    LOGFONTW ToLogFont() const;

private:
    mutable UniqueFont handle_;
    mutable LOGFONTW made_{};
#endif
};

class TCanvas {
public:
    explicit TCanvas(TBitmap& bitmap);
#ifdef _WIN32
    // Draws on a DC owned by someone else, who keeps it alive meanwhile.
    explicit TCanvas(HDC dc);
#endif
    TCanvas(const TCanvas&) = delete;
    TCanvas& operator=(const TCanvas&) = delete;

    TBrush Brush;
    TPen Pen;
    TFont Font;

    // The bitmap drawn on; null for a DC canvas.
    TBitmap* Bitmap() const {
        return bitmap_;
    }

    TRect ClipRect() const;
    bool RectVisible(const TRect& rect) const;

    // Brush colour over rect (nothing for bsClear); FrameRect: a 1-pixel border.
    void FillRect(const TRect& rect);
    void FrameRect(const TRect& rect);
    // Copies sourceRect of source stretched to dest (see the stretching rule).
    void CopyRect(const TRect& dest, const TCanvas& source, const TRect& sourceRect);
    void CopyRect(const TRect& dest, const TBitmap& source, const TRect& sourceRect);
    // The whole bitmap at (x, y); colour-keyed when the bitmap is Transparent.
    void Draw(int x, int y, const TBitmap& bitmap);
    void StretchDraw(const TRect& dest, const TBitmap& bitmap);
    // The whole bitmap at (x, y); pixels of colour key leave the target as it was.
    void DrawTransparent(int x, int y, const TBitmap& bitmap, TColor key);

    TColor Pixel(int x, int y) const;
    void SetPixel(int x, int y, TColor color);

#ifdef _WIN32
    // The DC: the bitmap's memory DC (made on demand) or the borrowed one.
    HDC Handle() const;

    TPoint PenPos;
    void MoveTo(int x, int y);
    void LineTo(int x, int y);
    void Rectangle(const TRect& rect);  // pen outline, brush inside

    // Text in Font; the background is the brush colour unless Brush.Style is bsClear.
    void TextOut(int x, int y, const std::wstring& text);
    void TextRect(const TRect& rect, int x, int y, const std::wstring& text);
    int TextWidth(const std::wstring& text);
    int TextHeight(const std::wstring& text);
    // DrawTextW with Font and the brush rule above; returns the text height.
    int DrawText(const std::wstring& text, TRect& rect, unsigned format);
#endif

private:
    TBitmap* bitmap_ = nullptr;

    // The GDI half, in Canvas_win.cpp. Only Windows makes a canvas without a
    // bitmap (on a borrowed DC) or gives a bitmap a DC, so the portable code
    // calls these under `if constexpr (kGdi)` and natively none is defined.
#ifdef _WIN32
    static constexpr bool kGdi = true;
#else
    static constexpr bool kGdi = false;
#endif
    // bounds narrowed to the clip box of the bitmap's DC, when it has made one.
    TRect BitmapDcClip(const TRect& bounds) const;
    // The operations of a canvas on a borrowed DC.
    TRect DcClipRect() const;
    bool DcRectVisible(const TRect& rect) const;
    void DcFill(const TRect& rect, bool frame) const;
    void DcCopy(const TRect& dest, const TBitmap& source, const TRect& sourceRect) const;
    void DcCopy(const TRect& dest, const TCanvas& source, const TRect& sourceRect) const;
    void DcStretchDrawKeyed(const TRect& dest, const TBitmap& bitmap, TColor key) const;
    void DcTransparent(int x, int y, const TBitmap& bitmap, TColor key) const;
    TColor DcPixel(int x, int y) const;
    void DcSetPixel(int x, int y, TColor color) const;
#ifdef _WIN32
    HDC dc_ = nullptr;
    void GdiStretch(const TRect& dest, HDC source, const TRect& sourceRect) const;
    static TRect GdiClipBox(HDC dc);
#endif
};

namespace gfx_detail {
// Software form of CopyRect between bitmaps, optionally colour-keyed (keyPx
// as 0x00RRGGBB; pixels equal to it are skipped). clip bounds the target.
void StretchCopy(TBitmap& dst, const TRect& clip, const TRect& dest, const TBitmap& src, const TRect& srcRect,
                 bool keyed, uint32_t keyPx);
}  // namespace gfx_detail
