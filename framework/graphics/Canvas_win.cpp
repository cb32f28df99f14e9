#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "framework/graphics/Canvas.h"
#include "framework/graphics/PixelOps.h"
#include "framework/graphics/PixelStore.h"

using namespace gfx_detail;

int ScreenPixelsPerInch() {
    static const int ppi = [] {
        WindowDC screen = WindowDC::Client(nullptr);
        return screen ? GetDeviceCaps(screen.get(), LOGPIXELSY) : 96;
    }();
    return ppi;
}

LOGFONTW TFont::ToLogFont() const {
    LOGFONTW lf{};
    lf.lfHeight = Height;
    lf.lfWeight = (Style & fsBold) ? FW_BOLD : FW_NORMAL;
    lf.lfItalic = (Style & fsItalic) ? 1 : 0;
    lf.lfUnderline = (Style & fsUnderline) ? 1 : 0;
    lf.lfStrikeOut = (Style & fsStrikeOut) ? 1 : 0;
    lf.lfCharSet = Charset;
    lf.lfOutPrecision = OUT_DEFAULT_PRECIS;
    lf.lfClipPrecision = CLIP_DEFAULT_PRECIS;
    lf.lfQuality = DEFAULT_QUALITY;
    lf.lfPitchAndFamily = DEFAULT_PITCH;
    const size_t n = std::min(Name.size(), static_cast<size_t>(LF_FACESIZE - 1));
    std::copy_n(Name.begin(), n, lf.lfFaceName);
    lf.lfFaceName[n] = 0;
    return lf;
}

HFONT TFont::Handle() const {
    const LOGFONTW lf = ToLogFont();
    if (!handle_ || std::memcmp(&lf, &made_, sizeof lf) != 0) {
        handle_.reset(CreateFontIndirectW(&lf));
        made_ = lf;
    }
    return handle_.get();
}

void TFont::AssignLogFont(const LOGFONTW& font) {
    Height = font.lfHeight;
    Style = static_cast<uint8_t>((font.lfWeight >= FW_BOLD ? fsBold : 0) | (font.lfItalic ? fsItalic : 0) |
                                 (font.lfUnderline ? fsUnderline : 0) | (font.lfStrikeOut ? fsStrikeOut : 0));
    Charset = font.lfCharSet;
    Name.assign(font.lfFaceName);
}

TCanvas::TCanvas(HDC dc) : dc_(dc) {}

HDC TCanvas::Handle() const {
    return bitmap_ ? bitmap_->DC() : dc_;
}

TRect TCanvas::GdiClipBox(HDC dc) {
    RECT r{};
    if (GetClipBox(dc, &r) == ERROR) return TRect{};
    return FromRECT(r);
}

TRect TCanvas::BitmapDcClip(const TRect& bounds) const {
    // Only a DC that exists can carry a clip region set through Handle().
    if (!bitmap_->store_ || !bitmap_->store_->HasDC()) return bounds;
    TRect clipped;
    if (!IntersectRect(clipped, bounds, GdiClipBox(bitmap_->store_->DC()))) return TRect{};
    return clipped;
}

TRect TCanvas::DcClipRect() const {
    return GdiClipBox(dc_);
}

bool TCanvas::DcRectVisible(const TRect& rect) const {
    const RECT r = ToRECT(rect);
    return ::RectVisible(dc_, &r) != FALSE;
}

void TCanvas::DcCopy(const TRect& dest, const TBitmap& source, const TRect& sourceRect) const {
    if (!source.Empty()) GdiStretch(dest, source.DC(), sourceRect);
}

void TCanvas::DcCopy(const TRect& dest, const TCanvas& source, const TRect& sourceRect) const {
    GdiStretch(dest, source.dc_, sourceRect);
}

void TCanvas::DcStretchDrawKeyed(const TRect& dest, const TBitmap& bitmap, TColor key) const {
    // Stretch first, then one keyed transfer.
    TBitmap stretched(std::abs(dest.Width()), std::abs(dest.Height()), bitmap.PixelFormat());
    StretchCopy(stretched, Rect(0, 0, stretched.Width(), stretched.Height()), Rect(0, 0, dest.Width(), dest.Height()),
                bitmap, Rect(0, 0, bitmap.Width(), bitmap.Height()), false, 0);
    DcTransparent(std::min(dest.Left, dest.Right), std::min(dest.Top, dest.Bottom), stretched, key);
}

TColor TCanvas::DcPixel(int x, int y) const {
    return static_cast<TColor>(GetPixel(dc_, x, y));
}

void TCanvas::DcSetPixel(int x, int y, TColor color) const {
    SetPixelV(dc_, x, y, static_cast<COLORREF>(ColorToRGB(color)));
}

void TCanvas::DcFill(const TRect& rect, bool frame) const {
    UniqueBrush brush(CreateSolidBrush(static_cast<COLORREF>(ColorToRGB(Brush.Color))));
    const RECT r = ToRECT(rect);
    if (frame)
        ::FrameRect(dc_, &r, brush.get());
    else
        ::FillRect(dc_, &r, brush.get());
}

void TCanvas::GdiStretch(const TRect& dest, HDC source, const TRect& sourceRect) const {
    HDC dc = Handle();
    const int previous = SetStretchBltMode(dc, COLORONCOLOR);
    StretchBlt(dc, dest.Left, dest.Top, dest.Width(), dest.Height(), source, sourceRect.Left, sourceRect.Top,
               sourceRect.Width(), sourceRect.Height(), SRCCOPY);
    if (previous) SetStretchBltMode(dc, previous);
}

void TCanvas::DcTransparent(int x, int y, const TBitmap& bitmap, TColor key) const {
    // A monochrome mask, 1 where the key colour is; mask rows are word-aligned.
    const int w = bitmap.Width(), h = bitmap.Height();
    const int maskStride = ((w + 15) / 16) * 2;
    std::vector<uint8_t> maskBits(static_cast<size_t>(maskStride) * h, 0);
    const uint32_t keyPx = ColorToPx(ColorToRGB(key) & 0xFFFFFF);
    const MonoPalette mono(bitmap);
    for (int row = 0; row < h; ++row) {
        const uint8_t* line = bitmap.ScanLine(row);
        uint8_t* m = maskBits.data() + static_cast<size_t>(maskStride) * row;
        for (int col = 0; col < w; ++col)
            if (ReadPx(line, col, bitmap.PixelFormat(), mono.px) == keyPx)
                m[col >> 3] |= static_cast<uint8_t>(0x80 >> (col & 7));
    }
    UniqueBitmap mask(CreateBitmap(w, h, 1, 1, maskBits.data()));
    if (!mask) return;
    HDC source = bitmap.DC();
    // Key pixels keep the destination (0x00AA0029), the others are copied.
    if (MaskBlt(dc_, x, y, w, h, source, 0, 0, mask.get(), 0, 0, MAKEROP4(0x00AA0029, SRCCOPY))) return;
    // Without MaskBlt: D^S, then AND the mask (white where key), then ^S again.
    MemoryDC maskDC = MemoryDC::CompatibleWith(dc_);
    SelectGuard selected(maskDC.get(), mask.get());
    const COLORREF oldBk = SetBkColor(dc_, RGB(255, 255, 255));
    const COLORREF oldText = SetTextColor(dc_, RGB(0, 0, 0));
    BitBlt(dc_, x, y, w, h, source, 0, 0, SRCINVERT);
    BitBlt(dc_, x, y, w, h, maskDC.get(), 0, 0, SRCAND);
    BitBlt(dc_, x, y, w, h, source, 0, 0, SRCINVERT);
    SetBkColor(dc_, oldBk);
    SetTextColor(dc_, oldText);
}

void TCanvas::MoveTo(int x, int y) {
    PenPos = Point(x, y);
}

namespace {
UniquePen MakePen(const TPen& pen) {
    static const int styles[] = {PS_SOLID, PS_DASH, PS_DOT, PS_DASHDOT, PS_DASHDOTDOT, PS_NULL};
    return UniquePen(CreatePen(styles[pen.Style], pen.Width, static_cast<COLORREF>(ColorToRGB(pen.Color))));
}
}  // namespace

void TCanvas::LineTo(int x, int y) {
    HDC dc = Handle();
    UniquePen pen = MakePen(Pen);
    SelectGuard selected(dc, pen.get());
    MoveToEx(dc, PenPos.X, PenPos.Y, nullptr);
    ::LineTo(dc, x, y);
    PenPos = Point(x, y);
}

void TCanvas::Rectangle(const TRect& rect) {
    HDC dc = Handle();
    UniquePen pen = MakePen(Pen);
    UniqueBrush brush(Brush.Style == bsClear ? nullptr
                                             : CreateSolidBrush(static_cast<COLORREF>(ColorToRGB(Brush.Color))));
    SelectGuard penSelected(dc, pen.get());
    SelectGuard brushSelected(dc, brush ? static_cast<HGDIOBJ>(brush.get()) : GetStockObject(NULL_BRUSH));
    ::Rectangle(dc, rect.Left, rect.Top, rect.Right, rect.Bottom);
}

namespace {
// Font, colours and background mode for one text call, put back afterwards.
class TextState {
public:
    TextState(HDC dc, const TFont& font, const TBrush& brush)
        : dc_(dc),
          font_(dc, font.Handle()),
          oldColor_(SetTextColor(dc, static_cast<COLORREF>(ColorToRGB(font.Color)))),
          oldMode_(SetBkMode(dc, brush.Style == bsClear ? TRANSPARENT : OPAQUE)),
          oldBk_(SetBkColor(dc, static_cast<COLORREF>(ColorToRGB(brush.Color)))) {}
    ~TextState() {
        SetBkColor(dc_, oldBk_);
        SetBkMode(dc_, oldMode_);
        SetTextColor(dc_, oldColor_);
    }
    TextState(const TextState&) = delete;
    TextState& operator=(const TextState&) = delete;

private:
    HDC dc_;
    SelectGuard font_;
    COLORREF oldColor_;
    int oldMode_;
    COLORREF oldBk_;
};
}  // namespace

void TCanvas::TextOut(int x, int y, const std::wstring& text) {
    HDC dc = Handle();
    TextState state(dc, Font, Brush);
    ExtTextOutW(dc, x, y, 0, nullptr, text.c_str(), static_cast<UINT>(text.size()), nullptr);
    SIZE size{};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    PenPos = Point(x + size.cx, y);
}

void TCanvas::TextRect(const TRect& rect, int x, int y, const std::wstring& text) {
    HDC dc = Handle();
    TextState state(dc, Font, Brush);
    const RECT r = ToRECT(rect);
    const UINT options = ETO_CLIPPED | (Brush.Style == bsClear ? 0 : ETO_OPAQUE);
    ExtTextOutW(dc, x, y, options, &r, text.c_str(), static_cast<UINT>(text.size()), nullptr);
}

int TCanvas::TextWidth(const std::wstring& text) {
    HDC dc = Handle();
    SelectGuard font(dc, Font.Handle());
    SIZE size{};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    return size.cx;
}

int TCanvas::TextHeight(const std::wstring& text) {
    HDC dc = Handle();
    SelectGuard font(dc, Font.Handle());
    SIZE size{};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    return size.cy;
}

int TCanvas::DrawText(const std::wstring& text, TRect& rect, unsigned format) {
    HDC dc = Handle();
    TextState state(dc, Font, Brush);
    RECT r = ToRECT(rect);
    const int height = ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r, format);
    rect = FromRECT(r);
    return height;
}
