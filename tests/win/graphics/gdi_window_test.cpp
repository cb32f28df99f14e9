// Skin drawing on real windows: colour-keyed blits onto a window DC, window
// regions from BitmapToRegion, text through a bitmap's canvas, GDI clipping.
#include <gtest/gtest.h>

#include <memory>

#include "skin/draw/DrawUtils.h"
#include "skin/draw/ImgUtil.h"

namespace {

LRESULT CALLBACK PlainProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_ERASEBKGND) return 1;  // the tests paint everything themselves
    return DefWindowProcW(hwnd, msg, wp, lp);
}

// A parent that paints a fixed picture into whatever DC it is handed.
LRESULT CALLBACK PictureProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if ((msg == WM_ERASEBKGND || msg == WM_PAINT) && wp) {
        HDC dc = reinterpret_cast<HDC>(wp);
        UniqueBrush red(CreateSolidBrush(RGB(255, 0, 0))), blue(CreateSolidBrush(RGB(0, 0, 255)));
        RECT all{0, 0, 400, 400}, spot{15, 15, 20, 20};
        if (msg == WM_ERASEBKGND)
            FillRect(dc, &all, red.get());
        else
            FillRect(dc, &spot, blue.get());
        return msg == WM_ERASEBKGND ? 1 : 0;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

class Window {
public:
    Window(int x, int y, int w, int h, WNDPROC proc = PlainProc, HWND parent = nullptr) {
        static int counter = 0;
        className_ = L"GraphicsTest" + std::to_wstring(++counter);
        WNDCLASSW wc{};
        wc.lpfnWndProc = proc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = className_.c_str();
        RegisterClassW(&wc);
        const DWORD style = parent ? WS_CHILD | WS_VISIBLE : WS_POPUP | WS_VISIBLE;
        hwnd_ = CreateWindowExW(parent ? 0 : WS_EX_TOPMOST, className_.c_str(), L"", style, x, y, w, h, parent, nullptr,
                                wc.hInstance, nullptr);
        Pump();
    }
    ~Window() {
        DestroyWindow(hwnd_);
        UnregisterClassW(className_.c_str(), GetModuleHandleW(nullptr));
    }
    HWND get() const { return hwnd_; }
    static void Pump() {
        MSG msg;
        for (int i = 0; i < 20; ++i) {
            while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
                TranslateMessage(&msg);
                DispatchMessageW(&msg);
            }
            Sleep(10);
        }
    }

private:
    std::wstring className_;
    HWND hwnd_ = nullptr;
};

TEST(WindowDC, ColourKeyedBlitsLeaveKeyPixelsOfTheWindowUntouched) {
    Window w(40, 40, 60, 40);
    ASSERT_TRUE(w.get());
    WindowDC dc = WindowDC::Client(w.get());
    UniqueBrush grey(CreateSolidBrush(RGB(128, 128, 128)));
    RECT all{0, 0, 60, 40};
    FillRect(dc.get(), &all, grey.get());

    TBitmap sprite(4, 3);
    sprite.Canvas().Brush.Color = clFuchsia;
    sprite.Canvas().FillRect(Rect(0, 0, 4, 3));
    sprite.SetPixel(1, 1, clBlue);
    sprite.SetPixel(2, 1, ColorFromRGB(255, 1, 255));
    DrawTranmap(dc.get(), Rect(10, 10, 14, 13), sprite, kSkinKeyColor);
    GdiFlush();
    EXPECT_EQ(GetPixel(dc.get(), 10, 10), RGB(128, 128, 128));
    EXPECT_EQ(GetPixel(dc.get(), 13, 12), RGB(128, 128, 128));
    EXPECT_EQ(GetPixel(dc.get(), 11, 11), RGB(0, 0, 255));
    EXPECT_EQ(GetPixel(dc.get(), 12, 11), RGB(255, 1, 255));

    // A transparent nine-slice piece through the DC form of DrawRect2.
    TBitmap strip(6, 6);
    strip.Canvas().Brush.Color = clLime;
    strip.Canvas().FillRect(Rect(0, 0, 6, 6));
    strip.SetPixel(0, 0, clFuchsia);
    DrawRect2(dc.get(), Rect(30, 5, 50, 25), strip, Rect(2, 2, 2, 2), 1, 1, true, false, false);
    GdiFlush();
    EXPECT_EQ(GetPixel(dc.get(), 30, 5), RGB(128, 128, 128));
    EXPECT_EQ(GetPixel(dc.get(), 31, 5), RGB(0, 255, 0));
    EXPECT_EQ(GetPixel(dc.get(), 49, 24), RGB(0, 255, 0));
    EXPECT_EQ(GetPixel(dc.get(), 50, 25), RGB(128, 128, 128));
}

TEST(WindowRegion, KeyedCornersOfTheRegionBelongToTheDesktop) {
    const int x0 = 120, y0 = 100, W = 100, H = 80;
    Window w(x0, y0, W, H);
    ASSERT_TRUE(w.get());
    TBitmap shape(W, H);
    shape.Canvas().Brush.Color = clNavy;
    shape.Canvas().FillRect(Rect(0, 0, W, H));
    shape.Canvas().Brush.Color = clFuchsia;
    for (TRect corner :
         {Rect(0, 0, 10, 10), Rect(W - 10, 0, W, 10), Rect(0, H - 10, 10, H), Rect(W - 10, H - 10, W, H)})
        shape.Canvas().FillRect(corner);
    UniqueRegion region = BitmapToRegion(shape, 0, 0, kSkinKeyColor, 1, 1, 1);
    ASSERT_TRUE(region);
    ASSERT_TRUE(SetWindowRgn(w.get(), region.release(), TRUE));
    Window::Pump();

    struct Probe {
        const char* name;
        int x, y;
        bool ours;
    } probes[] = {
        {"top-left corner", 2, 2, false},
        {"top-right corner", W - 3, 3, false},
        {"bottom-left corner", 4, H - 2, false},
        {"bottom-right corner", W - 1, H - 1, false},
        {"centre", W / 2, H / 2, true},
        {"top edge beside the corner", 10, 0, true},
        {"left edge below the corner", 0, 10, true},
    };
    for (const Probe& p : probes) {
        const HWND at = WindowFromPoint(POINT{x0 + p.x, y0 + p.y});
        EXPECT_EQ(at == w.get(), p.ours) << "case: " << p.name;
    }
    // The region the window keeps has the same outline.
    UniqueRegion kept(CreateRectRgn(0, 0, 0, 0));
    ASSERT_NE(GetWindowRgn(w.get(), kept.get()), ERROR);
    EXPECT_FALSE(PtInRegion(kept.get(), 5, 5));
    EXPECT_TRUE(PtInRegion(kept.get(), 10, 5));
    EXPECT_TRUE(PtInRegion(kept.get(), 50, 79));

    TBitmap keyed(8, 8);
    keyed.Canvas().Brush.Color = clFuchsia;
    keyed.Canvas().FillRect(Rect(0, 0, 8, 8));
    UniqueRegion none = BitmapToRegion(keyed, 3, 3, kSkinKeyColor, 1, 1, 1);
    RECT box{};
    EXPECT_EQ(GetRgnBox(none.get(), &box), NULLREGION);
}

TEST(WindowRegion, ManyBatchesMergeIntoOneRegion) {
    TBitmap comb(200, 30);
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 200; x += 2) comb.SetPixel(x, y, clFuchsia);  // 3000 one-pixel runs: two batches
    UniqueRegion r = BitmapToRegion(comb, 10, 20, kSkinKeyColor, 1, 1, 1);
    RECT box{};
    EXPECT_EQ(GetRgnBox(r.get(), &box), COMPLEXREGION);
    EXPECT_EQ(box.left, 11);
    EXPECT_EQ(box.top, 20);
    EXPECT_EQ(box.right, 210);
    EXPECT_EQ(box.bottom, 50);
    EXPECT_TRUE(PtInRegion(r.get(), 11, 49));
    EXPECT_FALSE(PtInRegion(r.get(), 12, 49));
    EXPECT_TRUE(PtInRegion(r.get(), 209, 20));
}

TEST(BitmapCanvas, TextThroughTheCanvasChangesPixelsInsideItsExtent) {
    TBitmap b(120, 40);
    TCanvas& c = b.Canvas();
    c.Font.Name = L"SimSun";
    c.Font.Height = -16;
    c.Font.Color = clBlack;
    c.Brush.Style = bsClear;
    const std::wstring text = L"Ab \x6C49\x5B57";  // two CJK characters
    const int tw = c.TextWidth(text), th = c.TextHeight(text);
    ASSERT_GT(tw, 0);
    ASSERT_GT(th, 0);
    c.TextOut(5, 4, text);
    int changed = 0, outside = 0;
    for (int y = 0; y < b.Height(); ++y)
        for (int x = 0; x < b.Width(); ++x)
            if (b.Pixel(x, y) != clWhite) {
                ++changed;
                if (x < 5 || x >= 5 + tw || y < 4 || y >= 4 + th) ++outside;
            }
    EXPECT_GT(changed, 20);
    EXPECT_EQ(outside, 0);
    // The CJK glyphs drew too: pixels change in the right part of the text.
    int rightPart = 0;
    for (int y = 4; y < 4 + th; ++y)
        for (int x = 5 + tw / 2; x < 5 + tw; ++x) rightPart += b.Pixel(x, y) != clWhite;
    EXPECT_GT(rightPart, 10);

    // Software drawing after GDI drawing sees and overwrites the GDI pixels.
    c.Brush.Style = bsSolid;
    c.Brush.Color = clWhite;
    c.FillRect(Rect(0, 0, 120, 40));
    EXPECT_EQ(b.Pixel(6, 10), clWhite);
    TRect r = Rect(0, 0, 120, 40);
    c.Brush.Style = bsSolid;
    c.Brush.Color = clYellow;
    c.DrawText(L"x", r, DT_SINGLELINE);
    EXPECT_EQ(b.Pixel(1, 1), clYellow);  // an opaque brush paints the text background
}

TEST(GradFillDC, OnlyBandsInsideTheClipBoxArePaintedWithTheFullGradientsColours) {
    TBitmap full(20, 2), clipped(20, 2), viaDC(20, 2);
    GradFill(full.Canvas(), Rect(0, 0, 20, 2), ColorFromRGB(0, 0, 0), ColorFromRGB(190, 95, 19), 0);
    IntersectClipRect(clipped.Canvas().Handle(), 5, 0, 15, 2);
    GradFill(clipped.Canvas(), Rect(0, 0, 20, 2), ColorFromRGB(0, 0, 0), ColorFromRGB(190, 95, 19), 0);
    HDC dc = viaDC.DC();
    IntersectClipRect(dc, 5, 0, 15, 2);
    TCanvas borrowed(dc);
    GradFill(borrowed, Rect(0, 0, 20, 2), ColorFromRGB(0, 0, 0), ColorFromRGB(190, 95, 19), 0);
    for (int x = 0; x < 20; ++x) {
        const TColor want = x >= 5 && x < 15 ? full.Pixel(x, 1) : clWhite;
        EXPECT_EQ(clipped.Pixel(x, 1), want) << "case: bitmap canvas, x " << x;
        EXPECT_EQ(viaDC.Pixel(x, 1), want) << "case: DC canvas, x " << x;
    }
}

TEST(DrawParentImage, ThePartOfTheParentUnderTheControlLandsInTheDC) {
    Window parent(300, 200, 200, 150, PictureProc);
    Window child(10, 10, 30, 30, PlainProc, parent.get());
    ASSERT_TRUE(child.get());
    TBitmap under(30, 30);
    DrawParentImage(child.get(), under.DC(), false);
    EXPECT_EQ(under.Pixel(0, 0), clRed);
    EXPECT_EQ(under.Pixel(5, 5), clBlue);  // the parent's spot at (15, 15)
    EXPECT_EQ(under.Pixel(9, 9), clBlue);
    EXPECT_EQ(under.Pixel(10, 10), clRed);
    // The DC is handed back as it came: no lasting origin shift.
    POINT origin{};
    GetViewportOrgEx(under.DC(), &origin);
    EXPECT_EQ(origin.x, 0);
    EXPECT_EQ(origin.y, 0);
    DrawParentImage(parent.get(), under.DC(), false);  // a top-level window has no parent: nothing happens
}

}  // namespace
