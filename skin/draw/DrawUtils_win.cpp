#include <algorithm>
#include <vector>

#include "skin/draw/DrawUtils.h"

UniqueRegion BitmapToRegion(const TBitmap& bitmap, int xOffset, int yOffset, TColor key, int blueTolerance,
                            int greenTolerance, int redTolerance) {
    UniqueRegion result(CreateRectRgn(0, 0, 0, 0));
    if (!result) return result;
    // One RGNDATA buffer reused for every batch; freed on every path by its vector.
    std::vector<unsigned char> buffer;
    ScanRegionRects(bitmap, xOffset, yOffset, key, blueTolerance, greenTolerance, redTolerance,
                    [&](const TRect* rects, size_t count) {
                        buffer.assign(sizeof(RGNDATAHEADER) + count * sizeof(RECT), 0);
                        auto* data = reinterpret_cast<RGNDATA*>(buffer.data());
                        data->rdh.dwSize = sizeof(RGNDATAHEADER);
                        data->rdh.iType = RDH_RECTANGLES;
                        data->rdh.nCount = static_cast<DWORD>(count);
                        data->rdh.nRgnSize = static_cast<DWORD>(count * sizeof(RECT));
                        RECT bound = ToRECT(rects[0]);
                        RECT* out = reinterpret_cast<RECT*>(data->Buffer);
                        for (size_t i = 0; i < count; ++i) {
                            out[i] = ToRECT(rects[i]);
                            bound.left = std::min(bound.left, out[i].left);
                            bound.top = std::min(bound.top, out[i].top);
                            bound.right = std::max(bound.right, out[i].right);
                            bound.bottom = std::max(bound.bottom, out[i].bottom);
                        }
                        data->rdh.rcBound = bound;
                        UniqueRegion part(ExtCreateRegion(nullptr, static_cast<DWORD>(buffer.size()), data));
                        if (part) CombineRgn(result.get(), result.get(), part.get(), RGN_OR);
                    });
    return result;
}

void DrawParentImage(HWND control, HDC dc, bool) {
    HWND parent = GetParent(control);
    if (!parent) return;
    RECT bounds{};
    GetWindowRect(control, &bounds);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&bounds), 2);
    RECT client{};
    GetClientRect(control, &client);
    SavedDCState saved(dc);
    POINT old{};
    OffsetViewportOrgEx(dc, -bounds.left, -bounds.top, &old);
    IntersectClipRect(dc, bounds.left, bounds.top, bounds.left + client.right, bounds.top + client.bottom);
    SendMessageW(parent, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    SendMessageW(parent, WM_PAINT, reinterpret_cast<WPARAM>(dc), 0);
}

void DrawRect2(HDC dc, const TRect& target, const TBitmap& bitmap, const TRect& margins, int frameNumber,
               int frameCount, bool transparent, bool tile, bool stacked) {
    TCanvas canvas(dc);
    DrawRect2(canvas, target, bitmap, margins, frameNumber, frameCount, transparent, tile, stacked);
}

void DrawRect1(HDC dc, const TRect& target, const TBitmap& bitmap, int frameNumber, int frameCount, bool transparent) {
    TCanvas canvas(dc);
    DrawRect1(canvas, target, bitmap, frameNumber, frameCount, transparent);
}

void DrawRect3(HDC dc, const TRect& target, const TBitmap& bitmap, int frameNumber, int frameCount, bool transparent) {
    TCanvas canvas(dc);
    DrawRect3(canvas, target, bitmap, frameNumber, frameCount, transparent);
}

void DrawRectH(HDC dc, const TRect& target, const TBitmap& bitmap, const TRect& margins, int frameNumber,
               int frameCount, int ignored, bool stacked) {
    TCanvas canvas(dc);
    DrawRectH(canvas, target, bitmap, margins, frameNumber, frameCount, ignored, stacked);
}

void DrawTranmap(HDC dc, const TRect& target, const TBitmap& bitmap, TColor key) {
    TCanvas canvas(dc);
    DrawTranmap(canvas, target, bitmap, key);
}

void MyDrawCaption(TCanvas& canvas, const TRect& rect, const std::wstring& text, bool enabled, unsigned alignment) {
    const TBrushStyle oldBrush = canvas.Brush.Style;
    const uint8_t oldStyle = canvas.Font.Style;
    const TColor oldColor = canvas.Font.Color;
    canvas.Brush.Style = bsClear;
    canvas.Font.Style = 0;
    if (!enabled) canvas.Font.Color = clBtnShadow;
    // Measure first (single line, expand tabs, no clip), then centre the
    // measured box in rect both ways.
    TRect measured{0, 0, rect.Right - rect.Left, rect.Bottom - rect.Top};
    canvas.DrawText(text, measured, alignment | DT_CALCRECT | DT_SINGLELINE | DT_EXPANDTABS | DT_NOCLIP);
    const int w = measured.Right - measured.Left;
    const int h = measured.Bottom - measured.Top;
    TRect target{rect.Left + (rect.Right - rect.Left - w) / 2, rect.Top + (rect.Bottom - rect.Top - h) / 2, 0, 0};
    target.Right = target.Left + w;
    target.Bottom = target.Top + h;
    canvas.DrawText(text, target, alignment | DT_SINGLELINE | DT_EXPANDTABS);
    canvas.Brush.Style = oldBrush;
    canvas.Font.Style = oldStyle;
    canvas.Font.Color = oldColor;
}
