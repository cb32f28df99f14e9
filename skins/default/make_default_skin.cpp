// Draws the bitmaps of the updater's default skin: a light grey theme lit
// from the top left, with one-pixel edges in the scheme's colours (face 211,
// highlight 232, light 238, shadow 150, dark shadow 104) and magenta
// 0xFF00FF wherever a part lets what lies under it show through. Every
// picture is drawn here from rectangles, gradients and small letter grids;
// skin.ini beside the bitmaps names them and gives their margins.
//
//   make_default_skin DIR           writes the bitmaps into DIR
//   make_default_skin --check DIR   fails when a bitmap in DIR differs from what it would write
//
// skins/default/*.bmp come from here (the build runs the check as a test).
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "skins/common/SkinArt.h"

namespace {

using namespace skin_art;

constexpr Rgb Grey(int v) {
    return {v, v, v};
}

// The scheme's colours (skin.ini [Colours]) and a few shades between them.
constexpr Rgb kFace = Grey(211);
constexpr Rgb kHilight = Grey(232);
constexpr Rgb kLight = Grey(238);
constexpr Rgb kShadow = Grey(150);
constexpr Rgb kDark = Grey(104);
constexpr Rgb kWhite = Grey(255);
constexpr Rgb kGlyph = Grey(52);
// Disabled and inactive parts: one step flatter than the enabled ones.
constexpr Rgb kDimEdge = Grey(172);
constexpr Rgb kDimFace = Grey(226);
constexpr Rgb kDimGlyph = Grey(158);

// A raised or sunken box with a one-pixel outline, cut corners, a gradient
// face and one-pixel inner edges: the shape of every button-like part.
struct BoxStyle {
    Rgb outline;
    Rgb from, to;  // face gradient, top to bottom (left to right when across)
    Rgb innerTopLeft, innerBottomRight;
    bool withInnerTopLeft = true, withInnerBottomRight = true;
    int corner = 1;  // 0 square; 1 one pixel cut; 2 two pixels cut (a rounded look)
    Rgb outside = kMagenta;
    bool across = false;
};

void Box(Picture& p, int x0, int y0, int w, int h, const BoxStyle& s) {
    auto inside = [&](int i, int j) {
        if (i < 0 || j < 0 || i >= w || j >= h) return false;
        const int r = s.corner;
        // Distance into a corner square, or -1 outside the corner squares.
        const int ci = i < r ? r - 1 - i : (i >= w - r ? i - (w - r) : -1);
        const int cj = j < r ? r - 1 - j : (j >= h - r ? j - (h - r) : -1);
        return ci < 0 || cj < 0 || ci + cj < r - 1;
    };
    auto outline = [&](int i, int j) {
        return inside(i, j) && (!inside(i - 1, j) || !inside(i + 1, j) || !inside(i, j - 1) || !inside(i, j + 1));
    };
    for (int j = 0; j < h; ++j) {
        for (int i = 0; i < w; ++i) {
            Rgb c = s.outside;
            if (outline(i, j)) {
                c = s.outline;
            } else if (inside(i, j)) {
                const int n = s.across ? w - 3 : h - 3;
                c = Mix(s.from, s.to, s.across ? i - 1 : j - 1, n);
                // The bottom row of shadow runs the full width; the light
                // edge takes the top row and the left column.
                if (s.withInnerBottomRight && outline(i, j + 1))
                    c = s.innerBottomRight;
                else if (s.withInnerTopLeft && (outline(i - 1, j) || outline(i, j - 1)))
                    c = s.innerTopLeft;
                else if (s.withInnerBottomRight && outline(i + 1, j))
                    c = s.innerBottomRight;
            }
            p.Put(x0 + i, y0 + j, c);
        }
    }
}

// ---------------------------------------------------------------- window frame
// Frame 1 is the active window, frame 2 the inactive one. The frame is a
// dark outline with a light inner edge at the left and top and a shadow at
// the right and bottom. The top corners are rounded: the left and right
// borders carry the magenta that cuts them (the window region of the caption
// rows beside the title area comes from those borders).

struct FrameLook {
    Rgb outline, inner;  // inner: the shadow row/column inside the outline at right and bottom
    Rgb captionTop, captionBottom, captionRim;
};
const FrameLook kActive{kDark, kShadow, Grey(244), Grey(198), Grey(253)};
const FrameLook kInactive{kShadow, Grey(178), Grey(232), Grey(221), Grey(242)};
const FrameLook kLooks[2] = {kActive, kInactive};

constexpr int kBorder = 4;    // left and right border width
constexpr int kCaption = 25;  // caption band height (top border frame)
constexpr int kBottom = 5;    // bottom border height

// The rounded corner, from the window's top-left pixel: 'M' cut away, 'O' outline, 'L' light edge.
const std::vector<const char*> kCorner = {
    "MMMMO", "MMOOL", "MOLL.", "MOL..", "OL...",
};

Picture LeftBorder() {
    Picture p(2 * kBorder, 246, pf24bit);
    for (int f = 0; f < 2; ++f) {
        const FrameLook& k = kLooks[f];
        const int x = f * kBorder, h = p.Height();
        p.VLine(x, 0, h, k.outline);
        p.VLine(x + 1, 0, h, kLight);
        p.Fill(x + 2, 0, x + 4, h, kFace);
        for (int j = 0; j < 5; ++j)
            for (int i = 0; i < kBorder; ++i) {
                const char c = kCorner[static_cast<size_t>(j)][i];
                if (c == 'M') p.Put(x + i, j, kMagenta);
                if (c == 'O') p.Put(x + i, j, k.outline);
                if (c == 'L') p.Put(x + i, j, kLight);
            }
        // The bottom corner: the shadow row under the client area, then the outline.
        p.HLine(x + 2, x + 4, h - 2, k.inner);
        p.HLine(x, x + 4, h - 1, k.outline);
    }
    return p;
}

Picture RightBorder() {
    Picture p(2 * kBorder, 246, pf24bit);
    for (int f = 0; f < 2; ++f) {
        const FrameLook& k = kLooks[f];
        const int x = f * kBorder, h = p.Height();
        p.Fill(x, 0, x + 2, h, kFace);
        p.VLine(x + 2, 0, h, k.inner);
        p.VLine(x + 3, 0, h, k.outline);
        for (int j = 0; j < 5; ++j)
            for (int i = 0; i < kBorder; ++i) {
                const char c = kCorner[static_cast<size_t>(j)][i];
                const int mx = x + kBorder - 1 - i;
                if (c == 'M') p.Put(mx, j, kMagenta);
                if (c == 'O') p.Put(mx, j, k.outline);
            }
        p.HLine(x, x + 3, h - 2, k.inner);
        p.HLine(x, x + 4, h - 1, k.outline);
    }
    return p;
}

// The caption band: a bright rim under the outline, a vertical gradient that
// the dark title text sits on (steeper while active), and a shadow line
// that sets the band off the window's client area.
Picture TopBorder() {
    Picture p(292, 2 * kCaption, pf24bit);
    const int w = p.Width();
    for (int f = 0; f < 2; ++f) {
        const FrameLook& k = kLooks[f];
        const int y = f * kCaption;
        p.Gradient(0, y + 2, w, y + kCaption - 1, k.captionTop, k.captionBottom);
        p.HLine(0, w, y, k.outline);
        p.HLine(0, w, y + 1, k.captionRim);
        p.HLine(0, w, y + kCaption - 1, k.inner);
        // Left and right edges continue the side borders.
        p.VLine(0, y, y + kCaption, k.outline);
        p.VLine(1, y + 1, y + kCaption, kLight);
        p.VLine(w - 2, y + 1, y + kCaption, k.inner);
        p.VLine(w - 1, y, y + kCaption, k.outline);
        // The rounded corners; the pixels outside them are cut by the side
        // borders' magenta, so they simply continue the outline here.
        for (int j = 0; j < 5; ++j)
            for (int i = 0; i < 5; ++i) {
                const char c = kCorner[static_cast<size_t>(j)][i];
                if (c == 'M' || c == 'O') {
                    p.Put(i, y + j, k.outline);
                    p.Put(w - 1 - i, y + j, k.outline);
                } else if (c == 'L') {
                    p.Put(i, y + j, k.captionRim);
                    if (!(j == 1 && i == 4)) p.Put(w - 1 - i, y + j, j == 1 ? k.captionRim : k.inner);
                }
            }
        p.Put(w - 5, y + 1, k.captionRim);
    }
    return p;
}

Picture BottomBorder() {
    Picture p(292, 2 * kBottom, pf32bit);
    for (int f = 0; f < 2; ++f) {
        const FrameLook& k = kLooks[f];
        const int y = f * kBottom;
        p.Fill(0, y, p.Width(), y + kBottom - 2, kFace);
        p.HLine(0, p.Width(), y + kBottom - 2, k.inner);
        p.HLine(0, p.Width(), y + kBottom - 1, k.outline);
    }
    return p;
}

// ------------------------------------------------------------- caption buttons
// Six frames of 17 x 20: normal, pressed, hot, disabled (also every button of
// an inactive window), then normal and disabled again for readers that count
// six. The button is a 17 x 15 box; the rows under it are magenta, because
// the box sits 6 pixels down in a 25-pixel band.

enum class CaptionGlyph { Close, Maximize, Minimize, Restore };

const std::vector<const char*>& GlyphRows(CaptionGlyph g) {
    static const std::vector<const char*> close = {
        "XX.....XX", "XXX...XXX", ".XXX.XXX.", "..XXXXX..", "...XXX...",
        "..XXXXX..", ".XXX.XXX.", "XXX...XXX", "XX.....XX",
    };
    static const std::vector<const char*> maximize = {
        "XXXXXXXXX", "XXXXXXXXX", "X.......X", "X.......X", "X.......X",
        "X.......X", "X.......X", "X.......X", "XXXXXXXXX",
    };
    static const std::vector<const char*> minimize = {
        ".........", ".........", ".........", ".........", ".........",
        ".........", ".........", "XXXXXXXXX", "XXXXXXXXX",
    };
    static const std::vector<const char*> restore = {
        "..XXXXXXX", "..XXXXXXX", "..X.....X", "XXXXXXX.X", "XXXXXXX.X",
        "X.....XXX", "X.....X..", "X.....X..", "XXXXXXX..",
    };
    switch (g) {
        case CaptionGlyph::Close: return close;
        case CaptionGlyph::Maximize: return maximize;
        case CaptionGlyph::Minimize: return minimize;
        case CaptionGlyph::Restore: return restore;
    }
    return close;
}

Picture CaptionButton(CaptionGlyph glyph) {
    constexpr int kW = 17, kH = 20, kBox = 15;
    Picture p(6 * kW, kH, pf32bit);
    const bool close = glyph == CaptionGlyph::Close;
    // The close button turns red under the mouse, the others brighten.
    const Rgb red{206, 66, 54}, redDeep{168, 44, 36};
    enum { Normal, Pressed, Hot, Disabled };
    const int states[6] = {Normal, Pressed, Hot, Disabled, Normal, Disabled};
    for (int f = 0; f < 6; ++f) {
        BoxStyle s;
        Rgb ink = kGlyph;
        int shift = 0;
        switch (states[f]) {
            case Normal: s = {Grey(128), Grey(250), Grey(214), kWhite, Grey(196)}; break;
            case Hot:
                s = close ? BoxStyle{Grey(96), Mix(red, kWhite, 1, 4), red, Mix(red, kWhite, 1, 2), redDeep}
                          : BoxStyle{kDark, kWhite, Grey(228), kWhite, Grey(206)};
                if (close) ink = kWhite;
                break;
            case Pressed:
                s = close ? BoxStyle{Grey(72), redDeep, red, Mix(redDeep, Grey(0), 1, 4), red}
                          : BoxStyle{kDark, Grey(182), Grey(206), kShadow, Grey(210)};
                s.withInnerBottomRight = false;
                ink = close ? kWhite : Grey(24);
                shift = 1;
                break;
            case Disabled:
                s = {kDimEdge, kDimFace, kDimFace, Grey(236), kDimFace};
                ink = kDimGlyph;
                break;
        }
        Box(p, f * kW, 0, kW, kBox, s);
        p.Glyph(f * kW + 4 + shift, 3 + shift, GlyphRows(glyph), ink);
    }
    return p;
}

// ----------------------------------------------------------------- push button
// Five frames of 75 x 23: normal, pressed, disabled, hot, focused (or the
// default button). Ten fixed columns at each end keep the rounded corners at
// any width; the height is stretched whole, so the gradient carries no detail.

Picture PushButton() {
    constexpr int kW = 75, kH = 23;
    Picture p(5 * kW, kH, pf32bit);
    const BoxStyle normal{kDark, Grey(247), Grey(204), kWhite, Grey(190), true, true, 2};
    BoxStyle pressed{kDark, Grey(184), Grey(212), kShadow, Grey(0), true, false, 2};
    const BoxStyle disabled{kDimEdge, kDimFace, kDimFace, Grey(236), Grey(218), true, true, 2};
    const BoxStyle hot{kDark, kWhite, Grey(220), kWhite, Grey(198), true, true, 2};
    Box(p, 0, 0, kW, kH, normal);
    Box(p, kW, 0, kW, kH, pressed);
    Box(p, 2 * kW, 0, kW, kH, disabled);
    Box(p, 3 * kW, 0, kW, kH, hot);
    // Focused or default: a second, inner outline ring.
    Box(p, 4 * kW, 0, kW, kH, {Grey(64), Grey(247), Grey(204), kWhite, Grey(190), true, true, 2});
    Box(p, 4 * kW + 1, 1, kW - 2, kH - 2,
        {Grey(112), Grey(247), Grey(206), kWhite, Grey(190), true, true, 1, kMagenta});
    // The inner ring's cut corners belong to the outer outline.
    for (int y : {1, kH - 2})
        for (int x : {4 * kW + 1, 5 * kW - 2}) p.Put(x, y, Grey(64));
    return p;
}

// ------------------------------------------------------- check and radio glyphs
// Four frames of 17 x 18: unchecked, checked, unchecked disabled, checked
// disabled. A 13-pixel box or circle, centred; magenta around it.

Picture CheckGlyphs() {
    Picture p(68, 18, pf24bit);
    const std::vector<const char*> mark = {
        "........X", ".......XX", "X.....XXX", "XX...XXX.", "XXX.XXX..", ".XXXXX...", "..XXX....", "...X.....",
    };
    for (int f = 0; f < 4; ++f) {
        const bool disabled = f >= 2, checked = f % 2 == 1;
        const BoxStyle s = disabled ? BoxStyle{kDimEdge, kDimFace, kDimFace, kDimFace, kDimFace, false, false, 1}
                                    : BoxStyle{kDark, Grey(236), kWhite, Grey(200), kWhite, true, false, 1};
        Box(p, f * 17 + 2, 2, 13, 13, s);
        if (checked) p.Glyph(f * 17 + 4, 5, mark, disabled ? kDimGlyph : Grey(36));
    }
    return p;
}

Picture RadioGlyphs() {
    Picture p(68, 18, pf24bit);
    for (int f = 0; f < 4; ++f) {
        const bool disabled = f >= 2, checked = f % 2 == 1;
        for (int y = 0; y < 18; ++y)
            for (int x = 0; x < 17; ++x) {
                // Distances squared from the circle's centre at (8.5, 8.5), in quarter pixels.
                const int dx = 2 * x + 1 - 17, dy = 2 * y + 1 - 17;
                const int d = dx * dx + dy * dy;
                Rgb c = kMagenta;
                if (d < 13 * 13) {
                    if (d >= 11 * 11)
                        c = disabled ? kDimEdge : kDark;
                    else if (disabled)
                        c = kDimFace;
                    else
                        c = Mix(Grey(234), kWhite, y - 3, 10);
                    if (!disabled && d < 11 * 11 && d >= 9 * 9 && dx + dy < 0) c = Grey(202);
                    if (checked && d < 5 * 5 + 4) c = disabled ? kDimGlyph : Grey(36);
                }
                p.Put(f * 17 + x, y, c);
            }
    }
    return p;
}

// ------------------------------------------------------------------ combo parts
// Frames everywhere in fours: normal, pressed, disabled, focused or hot.

enum { kNormal, kPressed, kDisabled, kFocused };

// The sunken border of edits and combo boxes (115 x 22 frames, 2-pixel margins).
Picture SunkenEdge() {
    constexpr int kW = 115, kH = 22;
    Picture p(4 * kW, kH, pf24bit);
    for (int f = 0; f < 4; ++f) {
        const int x = f * kW;
        const Rgb outer = f == kDisabled ? kDimEdge : (f == kFocused || f == kPressed ? kDark : kShadow);
        const Rgb field = f == kDisabled ? kLight : kWhite;
        p.Fill(x, 0, x + kW, kH, field);
        p.HLine(x, x + kW, 0, outer);
        p.HLine(x, x + kW, kH - 1, outer);
        p.VLine(x, 0, kH, outer);
        p.VLine(x + kW - 1, 0, kH, outer);
        // The inner ring: shade at the top and left, the field's own colour elsewhere.
        p.HLine(x + 1, x + kW - 1, 1, f == kDisabled ? kDimFace : Grey(222));
        p.VLine(x + 1, 1, kH - 1, f == kDisabled ? kDimFace : Grey(222));
    }
    return p;
}

// The drop-down button (21 x 22 frames). Its two outer pixels at the top,
// right and bottom are magenta: the sunken border shows through there.
Picture ComboButton() {
    constexpr int kW = 21, kH = 22;
    Picture p(4 * kW, kH, pf24bit);
    for (int f = 0; f < 4; ++f) {
        BoxStyle s{Grey(128), Grey(248), Grey(208), kWhite, Grey(192), true, true, 1};
        if (f == kPressed) s = {kDark, Grey(186), Grey(212), kShadow, Grey(0), true, false, 1};
        if (f == kDisabled) s = {kDimEdge, kDimFace, kDimFace, Grey(236), kDimFace, true, false, 1};
        if (f == kFocused) s = {kDark, kWhite, Grey(222), kWhite, Grey(198), true, true, 1};
        Box(p, f * kW, 2, kW - 2, kH - 4, s);
    }
    return p;
}

// The arrow drawn on the drop-down button (16 x 16 frames, the four combo
// states), and in frame 5 the size grip of status bars.
Picture ComboArrows() {
    Picture p(80, 16, pf24bit);
    const std::vector<const char*> arrow = {"XXXXXXX", ".XXXXX.", "..XXX..", "...X..."};
    for (int f = 0; f < 4; ++f) {
        const int d = f == kPressed ? 1 : 0;
        p.Glyph(f * 16 + 4 + d, 6 + d, arrow, f == kDisabled ? kDimGlyph : kGlyph);
    }
    // Size grip: three diagonal ridges of light and shadow, down to the corner.
    for (int k = 0; k < 3; ++k)
        for (int i = 0; i < 12 - 4 * k; ++i) {
            const int x = 64 + 4 + 4 * k + i, y = 15 - i;
            p.Put(x, y, kShadow);
            p.Put(x + 1, y, kShadow);
            p.Put(x - 1, y, kWhite);
        }
    return p;
}

// ----------------------------------------------------------------- status bar
// Three frames of 290 x 25: lowered panel, raised panel, panel without bevel.
// Eight fixed columns at each end; the height is stretched whole.

Picture StatusBar() {
    constexpr int kW = 290, kH = 25;
    Picture p(3 * kW, kH, pf32bit);
    for (int f = 0; f < 3; ++f) {
        const int x = f * kW;
        p.Gradient(x, 0, x + kW, kH, Grey(218), Grey(208));
        p.HLine(x, x + kW, 0, kLight);  // a light line under the window content
        if (f == 2) continue;
        const Rgb tl = f == 0 ? kShadow : kWhite, br = f == 0 ? kWhite : kShadow;
        p.HLine(x + 2, x + kW - 2, 3, tl);
        p.VLine(x + 2, 3, kH - 2, tl);
        p.HLine(x + 2, x + kW - 2, kH - 3, br);
        p.VLine(x + kW - 3, 3, kH - 2, br);
    }
    return p;
}

// ------------------------------------------------------------------ list header
// Five frames of 20 x 17: normal, hot, pressed, disabled, sorted. A separator
// at the right end of every item.

Picture Header() {
    constexpr int kW = 20, kH = 17;
    Picture p(5 * kW, kH, pf24bit);
    const Rgb from[5] = {Grey(250), kWhite, Grey(204), kDimFace, Grey(236)};
    const Rgb to[5] = {Grey(220), Grey(234), Grey(218), kDimFace, Grey(212)};
    for (int f = 0; f < 5; ++f) {
        const int x = f * kW;
        p.Gradient(x, 0, x + kW, kH, from[f], to[f]);
        p.HLine(x, x + kW, kH - 1, f == 3 ? kDimEdge : kShadow);
        p.VLine(x + kW - 2, 2, kH - 3, f == 3 ? kDimEdge : kShadow);
        p.VLine(x + kW - 1, 2, kH - 3, kWhite);
        if (f == 2) p.HLine(x, x + kW, 0, kShadow);
    }
    return p;
}

// ------------------------------------------------------------- menu background
Picture MenuBackground() {
    Picture p(20, 20, pf32bit);
    BoxStyle s{kShadow, Grey(246), Grey(238), kWhite, Grey(232), false, false, 0};
    Box(p, 0, 0, 20, 20, s);
    return p;
}

// ------------------------------------------------------------------------ tabs
// Five frames of 14 x 18: inactive, selected, hot, disabled, and inactive
// again. The tab opens downwards into the page; without transparency the
// space above a lower tab is the face colour.

Picture Tabs() {
    constexpr int kW = 14, kH = 18;
    Picture p(5 * kW, kH, pf24bit);
    for (int f = 0; f < 5; ++f) {
        const int x = f * kW;
        const bool selected = f == 1;
        const int top = selected ? 0 : 2;
        p.Fill(x, 0, x + kW, kH, kFace);
        Rgb from = Grey(230), to = Grey(212);
        if (selected) from = Grey(248), to = kFace;
        if (f == 2) from = Grey(244), to = Grey(222);
        if (f == 3) from = to = kDimFace;
        p.Gradient(x + 1, top + 1, x + kW - 1, kH, from, to);
        const Rgb edge = f == 3 ? kDimEdge : kDark;
        p.HLine(x + 2, x + kW - 2, top, edge);
        p.Put(x + 1, top + 1, edge);
        p.Put(x + kW - 2, top + 1, edge);
        p.VLine(x, top + 2, kH, edge);
        p.VLine(x + kW - 1, top + 2, kH, edge);
        p.HLine(x + 2, x + kW - 2, top + 1, kWhite);
        p.VLine(x + 1, top + 2, kH, kWhite);
        if (!selected) p.HLine(x, x + kW, kH - 1, kWhite);  // the page's top edge runs under lower tabs
    }
    return p;
}

// The page under the tabs: a raised panel, 12 x 12 (4 fixed pixels at the
// left, right and bottom, 5 at the top).
Picture TabBorder() {
    Picture p(12, 12, pf24bit);
    p.Fill(0, 0, 12, 12, kFace);
    p.HLine(0, 12, 0, kWhite);
    p.VLine(0, 0, 12, kWhite);
    p.HLine(1, 12, 11, kDark);
    p.VLine(11, 1, 12, kDark);
    p.HLine(1, 11, 10, kShadow);
    p.VLine(10, 1, 11, kShadow);
    return p;
}

// ---------------------------------------------------------------- progress bar
// Two frames of 40 x 14: the sunken track, and the bar laid over it from the
// left, magenta where the track's edge shows through. Two fixed columns at
// the left (the bar's left end), five at the right (its rounded cap); the
// columns between are stretched, so they vary only from top to bottom.

const Rgb kBarTop{200, 208, 218}, kBarBottom{104, 116, 132}, kBarEdge{78, 88, 102};

// The bar's face at row j of the ten bar rows: a lit top row, then the gradient.
Rgb BarFace(int j) {
    return j == 1 ? Mix(kBarTop, kWhite, 1, 2) : Mix(kBarTop, kBarBottom, j - 1, 7);
}

Picture Progress() {
    constexpr int kW = 40, kH = 14;
    Picture p(2 * kW, kH, pf24bit);
    p.Gradient(0, 0, kW, kH, Grey(214), Grey(236));
    p.HLine(0, kW, 0, kShadow);
    p.VLine(0, 0, kH, kShadow);
    p.HLine(1, kW, kH - 1, kWhite);
    p.VLine(kW - 1, 1, kH, kWhite);
    p.HLine(1, kW - 1, 1, Grey(198));
    p.VLine(1, 1, kH - 1, Grey(198));
    // The bar: rows 2 to 11, from column 1 to column 37, corners cut.
    const int x0 = kW + 1, x1 = 2 * kW - 3;  // x1: the outline column of the cap
    for (int j = 0; j < 10; ++j) {
        const int y = 2 + j;
        const bool edgeRow = j == 0 || j == 9;
        for (int x = x0; x <= x1; ++x) {
            const bool edgeCol = x == x0 || x == x1;
            if (edgeRow && edgeCol) continue;  // cut corner
            p.Put(x, y, edgeRow || edgeCol ? kBarEdge : BarFace(j));
        }
    }
    // The cap's second column rounds the end a little more.
    p.Put(x1 - 1, 3, kBarEdge);
    p.Put(x1 - 1, 10, kBarEdge);
    return p;
}

// One chunk of the chunked style (the description names none; kept with the set).
Picture ProgressChunk() {
    Picture p(10, 12, pf32bit);
    for (int j = 0; j < 10; ++j)
        for (int x = 0; x < 8; ++x) {
            const bool edge = j == 0 || j == 9 || x == 0 || x == 7;
            if (edge && (j == 0 || j == 9) && (x == 0 || x == 7)) continue;
            p.Put(x, 1 + j, edge ? kBarEdge : BarFace(j));
        }
    return p;
}

// ------------------------------------------------------------------ scroll bars
// Arrows (23 frames of 16 x 16): left, right, up and down, four frames each
// (normal, pressed, disabled, hot); grip marks on a horizontal thumb (17 to
// 19: normal, pressed, hot) and on a vertical one (20 to 22); frame 23 is an
// empty button face.

BoxStyle ScrollButton(int state) {
    switch (state) {
        case 1: return {kDark, Grey(190), Grey(208), kShadow, Grey(0), true, false, 1, kFace};
        case 2: return {kDimEdge, kDimFace, kDimFace, Grey(236), kDimFace, true, false, 1, kFace};
        case 3: return {kDark, kWhite, Grey(222), kWhite, Grey(200), true, true, 1, kFace};
        default: return {Grey(128), Grey(248), Grey(210), kWhite, Grey(194), true, true, 1, kFace};
    }
}

Picture ScrollArrows() {
    Picture p(23 * 16, 16, pf24bit);
    const std::vector<const char*> up = {"...X...", "..XXX..", ".XXXXX.", "XXXXXXX"};
    // Up arrow grid, turned for the other three directions.
    auto arrow = [&](int x0, int dir, Rgb c, int shift) {
        for (int j = 0; j < 4; ++j)
            for (int i = 0; i < 7; ++i) {
                if (up[static_cast<size_t>(j)][i] != 'X') continue;
                int x = 0, y = 0;
                switch (dir) {
                    case 0: x = 6 + j, y = 4 + i; break;   // left
                    case 1: x = 9 - j, y = 4 + i; break;   // right
                    case 2: x = 4 + i, y = 6 + j; break;   // up
                    default: x = 4 + i, y = 9 - j; break;  // down
                }
                p.Put(x0 + x + shift, y + shift, c);
            }
    };
    for (int dir = 0; dir < 4; ++dir)
        for (int s = 0; s < 4; ++s) {
            const int x = (dir * 4 + s) * 16;
            Box(p, x, 0, 16, 16, ScrollButton(s));
            arrow(x, dir, s == 2 ? kDimGlyph : kGlyph, s == 1 ? 1 : 0);
        }
    // Grip marks: three ridges across the thumb, magenta around them.
    for (int g = 0; g < 6; ++g) {
        const int x = (16 + g) * 16;
        const bool upright = g >= 3;
        const int state = g % 3;  // normal, pressed, hot
        const Rgb lit = state == 1 ? Grey(220) : kWhite, dim = state == 2 ? kDark : kShadow;
        for (int k = 0; k < 3; ++k) {
            const int at = 5 + 2 * k;
            for (int t = 4; t < 12; ++t) {
                if (upright) {
                    p.Put(x + t, at, lit);
                    p.Put(x + t, at + 1, dim);
                } else {
                    p.Put(x + at, t, lit);
                    p.Put(x + at + 1, t, dim);
                }
            }
        }
    }
    Box(p, 22 * 16, 0, 16, 16, ScrollButton(0));
    return p;
}

// Tracks (4 frames of 16 x 16: normal, pressed, disabled, hot). The upright
// track is the lying one turned.
Picture ScrollTrack(bool upright) {
    Picture p(64, 16, pf24bit);
    for (int f = 0; f < 4; ++f) {
        const int x = f * 16;
        const Rgb from = f == 2 ? Grey(230) : (f == 1 ? Grey(196) : Grey(216));
        const Rgb to = f == 2 ? Grey(230) : (f == 1 ? Grey(206) : Grey(230));
        p.Gradient(x, 0, x + 16, 16, from, to);
        p.HLine(x, x + 16, 0, f == 2 ? kDimFace : Grey(196));
        p.HLine(x, x + 16, 15, f == 2 ? kDimFace : Grey(238));
        if (upright) p.Transpose(x, 0, 16, 16, x, 0);
    }
    return p;
}

// Thumbs (3 frames of 16 x 16: normal, pressed, hot), with seven fixed
// pixels at both ends of their length.
Picture ScrollThumb(bool upright) {
    Picture p(48, 16, pf24bit);
    const BoxStyle looks[3] = {
        {Grey(120), Grey(246), Grey(206), kWhite, Grey(190), true, true, 2, kMagenta},
        {kDark, Grey(194), Grey(210), kShadow, Grey(0), true, false, 2, kMagenta},
        {kDark, kWhite, Grey(222), kWhite, Grey(198), true, true, 2, kMagenta},
    };
    for (int f = 0; f < 3; ++f) {
        BoxStyle s = looks[f];
        s.across = upright;
        Box(p, f * 16, 0, 16, 16, s);
    }
    return p;
}

// ------------------------------------------------------------------- the set

struct Member {
    const char* name;
    std::function<Picture()> draw;
};

const std::vector<Member>& Members() {
    static const std::vector<Member> members = {
        {"frame_left.bmp", LeftBorder},
        {"frame_right.bmp", RightBorder},
        {"frame_top.bmp", TopBorder},
        {"frame_bottom.bmp", BottomBorder},
        {"caption_close.bmp", [] { return CaptionButton(CaptionGlyph::Close); }},
        {"caption_maximize.bmp", [] { return CaptionButton(CaptionGlyph::Maximize); }},
        {"caption_minimize.bmp", [] { return CaptionButton(CaptionGlyph::Minimize); }},
        {"caption_restore.bmp", [] { return CaptionButton(CaptionGlyph::Restore); }},
        {"button.bmp", PushButton},
        {"check.bmp", CheckGlyphs},
        {"radio.bmp", RadioGlyphs},
        {"combo_button.bmp", ComboButton},
        {"edit_sunken.bmp", SunkenEdge},
        {"combo_arrows.bmp", ComboArrows},
        {"statusbar.bmp", StatusBar},
        {"header.bmp", Header},
        {"menu_back.bmp", MenuBackground},
        {"tabs.bmp", Tabs},
        {"tab_page.bmp", TabBorder},
        {"progress.bmp", Progress},
        {"scroll_arrows.bmp", ScrollArrows},
        {"scroll_track_h.bmp", [] { return ScrollTrack(false); }},
        {"scroll_track_v.bmp", [] { return ScrollTrack(true); }},
        {"scroll_thumb_h.bmp", [] { return ScrollThumb(false); }},
        {"scroll_thumb_v.bmp", [] { return ScrollThumb(true); }},
        {"progress_chunk.bmp", ProgressChunk},
    };
    return members;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<SkinFile> files;
    for (const Member& m : Members()) files.push_back(BitmapFile(m.name, m.draw()));
    return WriteOrCheck("make_default_skin", "skins/default", argc, argv, files);
}
