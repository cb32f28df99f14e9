// A picture of a skin package at work, for whoever draws a skin: the
// updater's window (active and inactive, at its real size) and a row of each
// control part in its states, composed from the loaded skin objects with the
// engine's own drawing functions. The engine paints the text; this preview
// has no font, so it leaves the text out.
//
//   preview_default_skin PACKAGE OUT.bmp
#include <cstdio>
#include <string>
#include <vector>

#include "framework/system/CodePage.h"
#include "framework/system/StreamsAndLists.h"
#include "skin/data/SkinData.h"
#include "skin/draw/DrawUtils.h"

namespace {

constexpr TColor kPage = 0xF4F4F4;

void Fill(TBitmap& target, const TRect& r, TColor c) {
    TCanvas& canvas = target.Canvas();
    canvas.Brush.Color = c;
    canvas.Brush.Style = bsSolid;
    canvas.FillRect(r);
}

// A nine-slice piece of a skin object at r.
void Piece(TBitmap& target, const TRect& r, const TDataSkinObject& o, int frame, bool stacked = false,
           bool keyed = false) {
    if (o.Map.Empty()) return;
    DrawRect2(target.Canvas(), r, o.Map, o.r, frame, o.frame, keyed || o.trans == 1, o.Tile != 0, stacked);
}

// The frame of the updater's window (476 x 103 client) at (x, y), as the
// frame painter composes it: sides, bottom, caption band, caption buttons;
// pixels the borders key out are left as the page shows them.
void Window(TBitmap& target, TSkinDataCore& d, int x, int y, bool active) {
    const int bl = d.border[1]->Map.Width() / d.border[1]->frame;
    const int br = d.border[2]->Map.Width() / d.border[2]->frame;
    const int bt = d.border[3]->Map.Height() / d.border[3]->frame;
    const int bb = d.border[4]->Map.Height() / d.border[4]->frame;
    const int w = 476 + bl + br, h = 103 + bt + bb;
    const int frame = active ? 1 : 2;
    TBitmap window(w, h, pf24bit);
    Fill(window, Rect(0, 0, w, h), d.Colors[csButtonFace]);
    auto border = [&](int index, const TRect& r, bool stacked) {
        const TDataSkinBorder& b = *d.border[static_cast<size_t>(index)];
        return GetHMap(r, b.Map, b.r, frame, b.frame, b.Tile != 1, stacked);
    };
    const auto left = border(1, Rect(0, 0, bl, h), false);
    const auto right = border(2, Rect(0, 0, br, h), false);
    const auto bottom = border(4, Rect(0, 0, w - bl - br, bb), true);
    const auto top = border(3, Rect(0, 0, w, bt), true);
    window.Canvas().Draw(0, 0, *left);
    window.Canvas().Draw(w - br, 0, *right);
    window.Canvas().Draw(bl, h - bb, *bottom);
    TBitmap caption(w, bt, pf24bit);
    caption.Canvas().Draw(0, 0, *top);
    // The updater's window: a minimise box, no maximise box, a system menu.
    for (const auto& b : d.SysBtn) {
        if (b->Map.Empty() || b->Align != 1) continue;
        const bool visible = b->Visibility == 0 || b->Visibility == 2 || b->Visibility == 8;
        if (!visible) continue;
        const bool enabled = b->Action != 1;
        const int n = b->frame, fw = b->Map.Width() / n;
        const int f = !active || !enabled ? (n >= 4 ? 4 : 1) : 1;
        DrawRect1(caption.Canvas(), Bounds(w - b->XCoord, b->YCoord, fw, b->Map.Height()), b->Map, f, n, true);
    }
    window.Canvas().Draw(0, 0, caption);
    // The window region: what the side borders key out is not the window's.
    for (int row = 0; row < h; ++row) {
        for (int col = 0; col < bl; ++col)
            if ((left->Pixel(col, row) & 0xFFFFFF) == kSkinKeyColor) window.SetPixel(col, row, kPage);
        for (int col = 0; col < br; ++col)
            if ((right->Pixel(col, row) & 0xFFFFFF) == kSkinKeyColor) window.SetPixel(w - br + col, row, kPage);
    }
    // The window's controls at their places in the client area.
    const int cx = x + bl, cy = y + bt;
    target.Canvas().Draw(x, y, window);
    if (d.progress) {
        const TRect bar = Bounds(cx + 82, cy + 41, 377, 17);
        // The progress bar draws both frames magenta-keyed.
        Piece(target, bar, *d.progress, 1, false, true);
        Piece(target, Bounds(bar.Left, bar.Top, 377 * 3 / 5, 17), *d.progress, 2, false, true);
    }
    if (d.Button) Piece(target, Bounds(cx + 213, cy + 67, 65, 20), *d.Button, active ? 5 : 1);
}

// Frames 1..count of o side by side at (x, y), each w x h.
void Row(TBitmap& target, const TDataSkinObject* o, int count, int x, int y, int w, int h, bool keyed = false) {
    if (!o) return;
    for (int f = 1; f <= count; ++f) Piece(target, Bounds(x + (f - 1) * (w + 6), y, w, h), *o, f, false, keyed);
}

void Glyphs(TBitmap& target, const TBitmap& strip, int count, int x, int y) {
    for (int f = 1; f <= count; ++f)
        DrawRect1(target.Canvas(), Bounds(x + (f - 1) * 24, y, strip.Width() / count, strip.Height()), strip, f, count,
                  true);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: preview_default_skin PACKAGE OUT.bmp\n");
        return 2;
    }
    TSkinDataCore d;
    try {
        TFileStream file(Utf8ToWide(argv[1]), fmOpenRead | fmShareDenyWrite);
        d.SetData(file);
    } catch (const EFrameworkError& e) {
        std::fprintf(stderr, "%s: %s\n", argv[1], e.what());
        return 1;
    }
    if (!d.LoadSkin() || !d.border[1] || d.border[1]->Map.Empty()) {
        std::fprintf(stderr, "%s: not a skin with a window frame\n", argv[1]);
        return 1;
    }
    TBitmap page(1000, 470, pf24bit);
    Fill(page, Rect(0, 0, page.Width(), page.Height()), kPage);
    Window(page, d, 10, 10, true);
    Window(page, d, 510, 10, false);
    TDataSkinButton* b = d.Button.get();
    Row(page, b, 5, 10, 160, 65, 20);  // normal, pressed, disabled, hot, focused
    Row(page, b, 5, 10, 190, 90, 26);
    if (b) {
        Glyphs(page, b->CheckMap, b->checkframe, 520, 160);
        Glyphs(page, b->RadioMap, b->radioframe, 520, 190);
    }
    Row(page, d.combox.get(), 4, 10, 230, 140, 21, true);
    Row(page, d.Comboxborder.get(), 4, 10, 260, 140, 21, true);
    Row(page, d.progress.get(), 2, 620, 160, 160, 17, true);
    Row(page, d.StatusBar.get(), 3, 10, 300, 200, 22);
    Row(page, d.Header.get(), 5, 10, 335, 90, 20);
    Row(page, d.tab.get(), 5, 10, 370, 60, 20);
    if (d.tab && !d.tab->MaskMap.Empty())
        DrawRect2(page.Canvas(), Bounds(620, 385, 140, 60), d.tab->MaskMap, Rect(4, 5, 4, 4), 1, 1, false, false,
                  false);
    Row(page, d.MenuitemBG.get(), 1, 620, 300, 140, 60);
    if (d.SArrow) Glyphs(page, d.SArrow->Map, 23, 10, 410);
    Row(page, d.HBar.get(), 4, 10, 440, 60, 16);
    Row(page, d.HSlider.get(), 3, 290, 440, 60, 16, true);
    Row(page, d.VBar.get(), 4, 790, 300, 16, 80);
    Row(page, d.VSlider.get(), 3, 880, 300, 16, 80, true);
    if (d.ExtraImages) Glyphs(page, d.ExtraImages->Map, 5, 620, 230);
    try {
        page.SaveToFile(Utf8ToWide(argv[2]));
    } catch (const EFrameworkError& e) {
        std::fprintf(stderr, "%s: %s\n", argv[2], e.what());
        return 1;
    }
    return 0;
}
