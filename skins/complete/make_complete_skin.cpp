// Draws Talvoria Slate, the second skin: every bitmap the engine reads, and
// the description (skin.ini) that names them. A flat theme: dark slate chrome,
// a pale face, one teal accent; each part is a flat body with a one-pixel
// outline and rounded corners, so every frame shows one known colour in its
// middle (the screenshot tests sample them). Colours: CompletePalette.h.
//
//   make_complete_skin DIR           writes skin.ini and the bitmaps into DIR
//   make_complete_skin --check DIR   fails when a file in DIR differs from what it would write
//
// skins/complete/*.bmp and skin.ini come from here (the build runs the check as a test).
#include <functional>
#include <string>
#include <vector>

#include "skins/common/SkinArt.h"
#include "skins/complete/CompletePalette.h"

namespace {

using namespace complete_skin;
using skin_art::BitmapFile;
using skin_art::Picture;
using skin_art::SkinFile;

// A flat body in a one-pixel outline; corners rounded by `radius` (0 square),
// the cut-off pixels left as they were (magenta on a fresh picture).
void Box(Picture& p, int x0, int y0, int w, int h, Rgb body, Rgb outline, int radius) {
    auto inside = [&](int i, int j) {
        if (i < 0 || j < 0 || i >= w || j >= h) return false;
        const int ci = i < radius ? radius - i : (i >= w - radius ? i - (w - radius) + 1 : 0);
        const int cj = j < radius ? radius - j : (j >= h - radius ? j - (h - radius) + 1 : 0);
        return ci + cj <= radius;
    };
    for (int j = 0; j < h; ++j)
        for (int i = 0; i < w; ++i) {
            if (!inside(i, j)) continue;
            const bool edge = !inside(i - 1, j) || !inside(i + 1, j) || !inside(i, j - 1) || !inside(i, j + 1);
            p.Put(x0 + i, y0 + j, edge ? outline : body);
        }
}

// State looks shared by the button-like parts.
struct Look {
    Rgb body, outline, ink;
};
const Look kNormalLook{kRaised, kLine, kInk};
const Look kPressedLook{kSunk, kDarkLine, kInk};
const Look kDisabledLook{kDimFace, kDimLine, kDimInk};
const Look kHotLook{kTealPale, kTeal, kTealDeep};

const std::vector<const char*> kArrowDown = {"XXXXXXX", ".XXXXX.", "..XXX..", "...X..."};
const std::vector<const char*> kArrowUp = {"...X...", "..XXX..", ".XXXXX.", "XXXXXXX"};
const std::vector<const char*> kArrowRight = {"X...", "XX..", "XXX.", "XXXX", "XXX.", "XX..", "X..."};
const std::vector<const char*> kArrowLeft = {"...X", "..XX", ".XXX", "XXXX", ".XXX", "..XX", "...X"};

// ---------------------------------------------------------------- window frame
// Frame 1 active, frame 2 inactive. The chrome is one flat slate with a dark
// outline and a lighter rim under the top edge; the top corners are cut by
// the magenta of the side borders (the caption band redraws their pixels).

struct Chrome {
    Rgb body, edge, rim;
};
const Chrome kChrome[2] = {{kSlate, kSlateEdge, kSlateRim}, {kSlateOff, kSlateOffEdge, kSlateOffRim}};

// The rounded top-left corner: 'M' cut away, 'E' outline, 'R' rim.
const std::vector<const char*> kCorner = {"MMEE", "MERR", "ER..", "ER.."};

Picture SideBorder(bool right) {
    constexpr int kH = 64;
    Picture p(2 * kBorderWidth, kH);
    for (int f = 0; f < 2; ++f) {
        const Chrome& c = kChrome[f];
        const int x0 = f * kBorderWidth;
        auto put = [&](int i, int y, Rgb col) { p.Put(x0 + (right ? kBorderWidth - 1 - i : i), y, col); };
        for (int y = 0; y < kH; ++y) {
            put(0, y, c.edge);
            for (int i = 1; i < kBorderWidth; ++i) put(i, y, c.body);
        }
        for (int i = 0; i < kBorderWidth; ++i) put(i, kH - 1, c.edge);
        for (int j = 0; j < 4; ++j)
            for (int i = 0; i < 4; ++i) {
                const char k = kCorner[static_cast<size_t>(j)][i];
                if (k == 'M') put(i, j, kMagenta);
                if (k == 'E') put(i, j, c.edge);
                if (k == 'R') put(i, j, c.rim);
            }
    }
    return p;
}

Picture TopBorder() {
    constexpr int kW = 292;
    Picture p(kW, 2 * kCaptionHeight);
    for (int f = 0; f < 2; ++f) {
        const Chrome& c = kChrome[f];
        const int y0 = f * kCaptionHeight;
        p.Fill(0, y0, kW, y0 + kCaptionHeight, c.body);
        p.Fill(0, y0, kW, y0 + 1, c.edge);
        p.Fill(0, y0 + 1, kW, y0 + 2, c.rim);
        p.Fill(0, y0, 1, y0 + kCaptionHeight, c.edge);
        p.Fill(kW - 1, y0, kW, y0 + kCaptionHeight, c.edge);
        for (int j = 0; j < 4; ++j)
            for (int i = 0; i < 4; ++i) {
                const char k = kCorner[static_cast<size_t>(j)][i];
                if (k == '.') continue;
                const Rgb col = k == 'R' ? c.rim : c.edge;  // 'M' is cut by the region anyway
                p.Put(i, y0 + j, col);
                p.Put(kW - 1 - i, y0 + j, col);
            }
    }
    return p;
}

Picture BottomBorder() {
    constexpr int kW = 292;
    Picture p(kW, 2 * kBottomHeight, pf32bit);
    for (int f = 0; f < 2; ++f) {
        const int y0 = f * kBottomHeight;
        p.Fill(0, y0, kW, y0 + kBottomHeight - 1, kChrome[f].body);
        p.Fill(0, y0 + kBottomHeight - 1, kW, y0 + kBottomHeight, kChrome[f].edge);
    }
    return p;
}

// Behind the title text: a teal underline while active, a rim-coloured one
// while not (2 stacked frames; the end caps shorten it by a pixel).
Picture TitleBack() {
    constexpr int kW = 16;
    Picture p(kW, 2 * kCaptionHeight);
    for (int f = 0; f < 2; ++f) {
        const int y = f * kCaptionHeight + kCaptionHeight - 4;
        p.Fill(1, y, kW - 1, y + 2, f == 0 ? kTeal : kSlateOffRim);
    }
    return p;
}

// The menu bar: the chrome continued under the caption (2 stacked frames).
Picture MenuBar() {
    constexpr int kW = 40, kH = 20;
    Picture p(kW, 2 * kH);
    p.Fill(0, 0, kW, kH, kSlate);
    p.Fill(0, kH, kW, 2 * kH, kSlateOff);
    return p;
}

// ------------------------------------------------------------- caption buttons
// Six frames of 24 x 18: normal, pressed, hot, disabled (also every button of
// an inactive window), normal, disabled. Normal and disabled frames are only a
// glyph on magenta, so the caption of either window state shows through.

enum class CaptionGlyph { Close, Maximize, Minimize, Restore };

const std::vector<const char*>& CaptionRows(CaptionGlyph g) {
    static const std::vector<const char*> close = {
        "XX......XX", ".XX....XX.", "..XX..XX..", "...XXXX...", "....XX....",
        "...XXXX...", "..XX..XX..", ".XX....XX.", "XX......XX",
    };
    static const std::vector<const char*> maximize = {
        "XXXXXXXXXX", "XXXXXXXXXX", "X........X", "X........X", "X........X",
        "X........X", "X........X", "X........X", "XXXXXXXXXX",
    };
    static const std::vector<const char*> minimize = {
        "..........", "..........", "..........", "..........", "..........",
        "..........", "..........", "XXXXXXXXXX", "XXXXXXXXXX",
    };
    static const std::vector<const char*> restore = {
        "...XXXXXXX", "...X.....X", "XXXXXXX..X", "XXXXXXX..X", "X.....X..X",
        "X.....XXXX", "X.....X...", "X.....X...", "XXXXXXX...",
    };
    switch (g) {
        case CaptionGlyph::Close: return close;
        case CaptionGlyph::Maximize: return maximize;
        case CaptionGlyph::Minimize: return minimize;
        case CaptionGlyph::Restore: return restore;
    }
    return close;
}

enum { kStNormal, kStPressed, kStHot, kStDisabled };

// One chrome button: a glyph, over a rounded box when pressed or hot.
void ChromeButton(Picture& p, int x, int w, int h, int state, bool close, const std::vector<const char*>& glyph, int gx,
                  int gy) {
    if (state == kStPressed) Box(p, x, 0, w, h, close ? kRedDeep : kSlatePressed, close ? kRedDeep : kSlatePressed, 2);
    if (state == kStHot) Box(p, x, 0, w, h, close ? kRed : kSlateHot, close ? kRed : kSlateHot, 2);
    p.Glyph(x + gx, gy, glyph, state == kStDisabled ? kChromeDim : kChromeInk);
}

Picture CaptionButton(CaptionGlyph glyph) {
    constexpr int kW = 24, kH = 18;
    Picture p(6 * kW, kH, pf32bit);
    const int states[6] = {kStNormal, kStPressed, kStHot, kStDisabled, kStNormal, kStDisabled};
    for (int f = 0; f < 6; ++f)
        ChromeButton(p, f * kW, kW, kH, states[f], glyph == CaptionGlyph::Close, CaptionRows(glyph), 7, 4);
    return p;
}

// The maximised MDI child's minimise, restore and close buttons, drawn in
// the frame's menu band: 3 x 4 frames of 16 x 16 (normal, pressed, hot, and
// frame 4, which the band shows for the hot state).
Picture MdiButtons() {
    static const std::vector<const char*> minimize = {"........", "........", "........", "........",
                                                      "........", "XXXXXXXX", "XXXXXXXX"};
    static const std::vector<const char*> restore = {"..XXXXXX", "..X....X", "XXXXXX.X", "XXXXXX.X",
                                                     "X....XXX", "X....X..", "XXXXXX.."};
    static const std::vector<const char*> close = {"XX....XX", ".XX..XX.", "..XXXX..", "...XX...",
                                                   "..XXXX..", ".XX..XX.", "XX....XX"};
    const std::vector<const char*>* glyphs[3] = {&minimize, &restore, &close};
    constexpr int s = kMdiButton;
    Picture p(12 * s, s);
    const int states[4] = {kStNormal, kStPressed, kStHot, kStHot};
    for (int k = 0; k < 3; ++k)
        for (int f = 0; f < 4; ++f) ChromeButton(p, (4 * k + f) * s, s, s, states[f], k == 2, *glyphs[k], 4, 4);
    return p;
}

// ----------------------------------------------------------------- push button
// Five frames of 60 x 24: normal, pressed, disabled, hot, focused or default.
// Four fixed pixels on every side keep the round corners at any size.
Picture PushButton() {
    constexpr int kW = 60, kH = 24;
    Picture p(5 * kW, kH, pf32bit);
    const Look looks[4] = {kNormalLook, kPressedLook, kDisabledLook, kHotLook};
    for (int f = 0; f < 4; ++f) Box(p, f * kW, 0, kW, kH, looks[f].body, looks[f].outline, 3);
    Box(p, 4 * kW, 0, kW, kH, kRaised, kTeal, 3);
    Box(p, 4 * kW + 1, 1, kW - 2, kH - 2, kRaised, kTeal, 2);
    return p;
}

// ------------------------------------------------------- check and radio glyphs
// Four frames of 16 x 16: unchecked, checked, unchecked disabled, checked disabled.
Picture CheckGlyphs() {
    Picture p(64, 16);
    const std::vector<const char*> mark = {"........X", ".......XX", "X.....XX.", "XX...XX..",
                                           ".XX.XX...", "..XXX....", "...X....."};
    for (int f = 0; f < 4; ++f) {
        const bool disabled = f >= 2, checked = f % 2 == 1;
        const int x = f * 16;
        if (checked)
            Box(p, x + 1, 1, 14, 14, disabled ? kDimLine : kTeal, disabled ? kDimLine : kTeal, 2);
        else
            Box(p, x + 1, 1, 14, 14, disabled ? kDimFace : kField, disabled ? kDimLine : kLine, 2);
        if (checked) p.Glyph(x + 3, 4, mark, disabled ? kDimFace : kField);
    }
    return p;
}

Picture RadioGlyphs() {
    Picture p(64, 16);
    for (int f = 0; f < 4; ++f) {
        const bool disabled = f >= 2, checked = f % 2 == 1;
        const Rgb ring = disabled ? kDimLine : (checked ? kTeal : kLine);
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x) {
                // Squared distance from the centre (8, 8), in half pixels.
                const int dx = 2 * x + 1 - 16, dy = 2 * y + 1 - 16, d = dx * dx + dy * dy;
                if (d >= 14 * 14) continue;
                Rgb c = d >= 11 * 11 ? ring : (disabled ? kDimFace : kField);
                if (checked && d < 6 * 6) c = disabled ? kDimLine : kTeal;
                p.Put(f * 16 + x, y, c);
            }
    }
    return p;
}

// ---------------------------------------------------------------- progress bar
// Two frames of 40 x 14: the track, and the teal bar that lies in it two
// pixels in from its edge (magenta around it).
Picture Progress() {
    constexpr int kW = 40, kH = 14;
    Picture p(2 * kW, kH);
    Box(p, 0, 0, kW, kH, kTrack, kLine, 2);
    Box(p, kW + 2, 2, kW - 4, kH - 4, kTeal, kTeal, 1);
    return p;
}

// The chunk of the chunked style (Progress Style=1): a block and a gap.
Picture ProgressChunk() {
    Picture p(9, 10);
    p.Fill(0, 0, 7, 10, kTeal);
    return p;
}

// ------------------------------------------------------------------ combo parts
// Frames in fours: normal, pressed, disabled, focused or hot.
const Look kComboLooks[4] = {kNormalLook, {kSunk, kTeal, kInk}, kDisabledLook, kHotLook};

// The edit field's border, 30 x 21 frames with 2-pixel margins.
Picture SunkenEdge() {
    constexpr int kW = 30, kH = 21;
    Picture p(4 * kW, kH);
    for (int f = 0; f < 4; ++f)
        Box(p, f * kW, 0, kW, kH, f == 2 ? kDimFace : kField, f == 0 ? kLine : kComboLooks[f].outline, 0);
    return p;
}

// The drop-down button, 18 x 21: a separator line at the left and the body;
// magenta at the top, bottom and right lets the field's outline show.
Picture ComboButton() {
    constexpr int kW = 18, kH = 21;
    Picture p(4 * kW, kH);
    for (int f = 0; f < 4; ++f) {
        const int x = f * kW;
        p.Fill(x + 1, 1, x + kW - 1, kH - 1, kComboLooks[f].body);
        p.Fill(x, 1, x + 1, kH - 1, f == 2 ? kDimLine : kLine);
    }
    return p;
}

// The arrow on the drop-down button (16 x 16, the four combo states), and in
// frame 5 the status bar's size grip.
Picture ComboArrows() {
    Picture p(80, 16);
    for (int f = 0; f < 4; ++f) {
        const int d = f == 1 ? 1 : 0;
        p.Glyph(f * 16 + 4 + d, 6 + d, kArrowDown, kComboLooks[f].ink);
    }
    for (int j = 0; j < 3; ++j)
        for (int i = 0; i <= j; ++i)
            p.Fill(64 + 13 - 4 * i, 13 - 4 * (2 - j), 64 + 15 - 4 * i, 15 - 4 * (2 - j), kChromeDim);
    return p;
}

// ----------------------------------------------------------------- status bar
// Three frames of 40 x 22: lowered, raised, without bevel. The bar is chrome:
// slate panels with a line at their top and a separator at their right end.
Picture StatusBar() {
    constexpr int kW = 40, kH = 22;
    Picture p(3 * kW, kH, pf32bit);
    for (int f = 0; f < 3; ++f) {
        const int x = f * kW;
        p.Fill(x, 0, x + kW, kH, kStatus);
        p.Fill(x, 0, x + kW, 1, f == 1 ? kStatusLit : kStatusDeep);
        if (f < 2) p.Fill(x + kW - 1, 4, x + kW, kH - 4, kStatusDeep);
    }
    return p;
}

// ------------------------------------------------------------------ list header
// Five frames of 20 x 20: normal, hot, pressed, disabled, sorted.
Picture Header() {
    constexpr int kW = 20, kH = 20;
    Picture p(5 * kW, kH);
    const Rgb body[5] = {kRaised, kTealPale, kSunk, kDimFace, kRaised};
    for (int f = 0; f < 5; ++f) {
        const int x = f * kW;
        p.Fill(x, 0, x + kW, kH, body[f]);
        p.Fill(x + kW - 2, 4, x + kW - 1, kH - 4, f == 3 ? kDimLine : kLine);
        p.Fill(x, kH - 1, x + kW, kH, f == 3 ? kDimLine : kLine);
        if (f == 1 || f == 4) p.Fill(x, kH - 2, x + kW, kH, kTeal);
    }
    return p;
}

// ------------------------------------------------------------------------ menus
// The popup's background (one frame, 2-pixel margins), and the items: five
// frames of 24 x 20, normal (nothing: the background shows), the separator
// rule (frame 2; the engine takes its bottom rows), unused, selected (a teal
// bar), unused.
Picture MenuBackground() {
    Picture p(12, 12);
    Box(p, 0, 0, 12, 12, kMenu, kMenuEdge, 0);
    return p;
}

Picture MenuItem() {
    constexpr int kW = 24, kH = 20;
    Picture p(5 * kW, kH);
    p.Fill(kW, kH - 5, 2 * kW, kH - 4, kMenuRule);
    Box(p, 3 * kW, 0, kW, kH, kTeal, kTeal, 2);
    return p;
}

// ------------------------------------------------------------------------ tabs
// Five frames of 16 x 20: inactive, selected, hot, disabled, inactive. The
// selected tab is as light as the page rim and open into it, with a teal top;
// the others stand 2 pixels lower and end in the page's outline.
Picture Tabs() {
    constexpr int kW = 16, kH = 20;
    Picture p(5 * kW, kH);
    const Look looks[5] = {{kSunk, kLine, kInk}, {kPage, kLine, kInk}, kHotLook, kDisabledLook, {kSunk, kLine, kInk}};
    for (int f = 0; f < 5; ++f) {
        const int x = f * kW, top = f == 1 ? 0 : 2;
        Box(p, x, top, kW, kH - top + 3, looks[f].body, looks[f].outline, 2);  // runs past the bottom: open
        if (f == 1) {
            p.Fill(x + 2, 0, x + kW - 2, 1, kTeal);
            p.Fill(x + 1, 1, x + kW - 1, 3, kTeal);
        } else {
            p.Fill(x, kH - 1, x + kW, kH, kLine);
        }
    }
    return p;
}

// The page under the tabs (Tab.Pane): its outline and a light rim, 4-pixel margins.
Picture TabPane() {
    Picture p(12, 12);
    Box(p, 0, 0, 12, 12, kPage, kLine, 0);
    return p;
}

// ------------------------------------------------------------------ scroll bars
// Arrows, 23 frames of 16 x 16: left, right, up, down in four states each
// (normal, pressed, disabled, hot), grip marks for a horizontal thumb (17 to
// 19: normal, pressed, hot) and a vertical one (20 to 22), and an empty face.
Picture ScrollArrows() {
    Picture p(23 * 16, 16);
    const std::vector<const char*>* arrows[4] = {&kArrowLeft, &kArrowRight, &kArrowUp, &kArrowDown};
    const Rgb body[4] = {kTrack, kThumbPressed, kTrack, kTealPale};
    const Rgb ink[4] = {kDarkLine, kField, kDimLine, kTealDeep};
    for (int dir = 0; dir < 4; ++dir)
        for (int s = 0; s < 4; ++s) {
            const int x = (dir * 4 + s) * 16;
            p.Fill(x, 0, x + 16, 16, body[s]);
            const bool across = dir >= 2;  // up and down arrows lie across
            p.Glyph(x + (across ? 4 : 6), across ? 6 : 4, *arrows[dir], ink[s]);
        }
    for (int g = 0; g < 6; ++g) {
        const int x = (16 + g) * 16;
        const Rgb c = g % 3 == 2 ? kTealPale : kRaised;
        for (int k = 0; k < 3; ++k) {
            if (g < 3)
                p.Fill(x + 5 + 2 * k, 6, x + 6 + 2 * k, 10, c);
            else
                p.Fill(x + 6, 5 + 2 * k, x + 10, 6 + 2 * k, c);
        }
    }
    p.Fill(22 * 16, 0, 23 * 16, 16, kTrack);
    return p;
}

// Tracks: 4 frames of 16 x 16 (normal, pressed, disabled, hot), flat.
Picture ScrollTrack() {
    Picture p(64, 16);
    const Rgb body[4] = {kTrack, kSunk, kDimFace, kTrack};
    for (int f = 0; f < 4; ++f) p.Fill(f * 16, 0, f * 16 + 16, 16, body[f]);
    return p;
}

// Thumbs: 3 frames of 16 x 16 (normal, pressed, hot), a slim rounded bar
// 10 pixels thick; the upright one is the lying one turned.
Picture ScrollThumb(bool upright) {
    Picture p(48, 16);
    const Rgb body[3] = {kThumb, kThumbPressed, kTeal};
    for (int f = 0; f < 3; ++f) {
        Picture one(16, 16);
        Box(one, 0, 3, 16, 10, body[f], body[f], 3);
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x) p.Put(f * 16 + (upright ? y : x), upright ? x : y, one.Get(x, y));
    }
    return p;
}

// ------------------------------------------------------------------- track bars
// The channel, 30 x 4 (and 4 x 30 upright), with 2 fixed pixels at its ends.
Picture TrackChannel(bool upright) {
    Picture lying(30, 4);
    Box(lying, 0, 0, 30, 4, kSunk, kLine, 0);
    if (!upright) return lying;
    Picture p(4, 30);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 30; ++x) p.Put(y, x, lying.Get(x, y));
    return p;
}

// Thumbs: 5 frames of 12 x 20. The engine shows frame 2 in every state, so
// frame 2 is the thumb as users see it (teal); the others follow the hot,
// pressed, disabled and focused looks for readers that pick by state.
// pointed: 0 none, 1 up, 2 down; turned: the upright bar's thumb (20 x 12).
Picture TrackThumb(int pointed, bool turned) {
    constexpr int kW = 12, kH = 20;
    const Look looks[5] = {
        kNormalLook, {kTeal, kTealDeep, kInk}, {kTealDeep, kTealDeep, kInk}, kDisabledLook, {kTeal, kInk, kInk}};
    Picture lying(5 * kW, kH);
    for (int f = 0; f < 5; ++f) {
        const int x0 = f * kW;
        Box(lying, x0, 0, kW, kH, looks[f].body, looks[f].outline, 2);
        if (pointed == 0) continue;
        // The point: rows near the pointed end narrow to the middle.
        for (int j = 0; j < 6; ++j) {
            const int y = pointed == 1 ? j : kH - 1 - j;
            const int keep = j;  // pixels kept on each side of the middle, minus one
            for (int i = 0; i < kW; ++i) {
                const int fromMiddle = i < kW / 2 ? kW / 2 - 1 - i : i - kW / 2;
                if (fromMiddle > keep)
                    lying.Put(x0 + i, y, kMagenta);
                else if (fromMiddle == keep)
                    lying.Put(x0 + i, y, looks[f].outline);
            }
        }
    }
    if (!turned) return lying;
    Picture p(5 * kH, kW);
    for (int f = 0; f < 5; ++f)
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x) p.Put(f * kH + y, x, lying.Get(f * kW + x, y));
    return p;
}

// ------------------------------------------------------------------ spin buttons
// 8 frames: the up (left) button in four states (normal, pressed, disabled,
// hot), then the down (right) button; the glyph strips hold the arrows of the
// same frames on magenta. Vertical frames 16 x 12, horizontal 12 x 16.
const Look kSpinLooks[4] = {kNormalLook, kPressedLook, kDisabledLook, kHotLook};

Picture SpinButtons(bool horizontal) {
    const int w = horizontal ? 12 : 16, h = horizontal ? 16 : 12;
    Picture p(8 * w, h);
    for (int f = 0; f < 8; ++f) Box(p, f * w, 0, w, h, kSpinLooks[f % 4].body, kSpinLooks[f % 4].outline, 0);
    return p;
}

Picture SpinGlyphs(bool horizontal) {
    const int w = horizontal ? 12 : 16, h = horizontal ? 16 : 12;
    Picture p(8 * w, h);
    for (int f = 0; f < 8; ++f) {
        const bool second = f >= 4;
        const Rgb ink = kSpinLooks[f % 4].ink;
        if (horizontal)
            p.Glyph(f * w + 4, 4, second ? kArrowRight : kArrowLeft, ink);
        else
            p.Glyph(f * w + 4, 4, second ? kArrowDown : kArrowUp, ink);
    }
    return p;
}

// ------------------------------------------- parts the description carries for
// other readers: this engine draws group boxes and panels with colours only
// and tool-bar buttons from the push button, but a complete skin names them.
Picture GroupBoxEdge() {
    Picture p(32, 16);
    Box(p, 0, 0, 16, 16, kMagenta, kLine, 2);
    Box(p, 16, 0, 16, 16, kMagenta, kDimLine, 2);
    return p;
}

Picture GroupBoxLabel() {
    Picture p(16, 18);
    Box(p, 0, 0, 16, 18, kPage, kLine, 3);
    return p;
}

Picture ToolButtons() {
    constexpr int kW = 22;
    Picture p(5 * kW, kW);
    Box(p, 1 * kW, 0, kW, kW, kSunk, kDarkLine, 2);
    Box(p, 3 * kW, 0, kW, kW, kTealPale, kTeal, 2);
    Box(p, 4 * kW, 0, kW, kW, kTealPale, kTealDeep, 2);
    return p;
}

// ------------------------------------------------------------------ description

std::string Colour(Rgb c) {
    return std::to_string(c.r) + " " + std::to_string(c.g) + " " + std::to_string(c.b);
}

std::string Description() {
    const int cx = kBorderWidth;  // caption buttons keep this gap to the right border
    std::string s;
    auto line = [&](const std::string& l) { s += l + "\r\n"; };
    line("; Talvoria Slate: dark slate chrome, a pale face and one teal accent, with an");
    line("; image for every part the engine draws. Written by make_complete_skin.cpp with");
    line("; the bitmaps beside it; skinpack packs the folder into complete.skn.");
    line("");
    line("[Skins]");
    line("Version=150");
    line("");
    line("[TitlebarSkin]");
    line("SkinName=Talvoria Slate");
    line("SkinAuthor=Talvoria Pemrick updater team");
    line("");
    line("; The frame: frame 1 active, frame 2 inactive; the sides hold them side by");
    line("; side, top and bottom stacked. The sides' magenta rounds the top corners.");
    line("; The title sits on an underline (TextBack), the menu bar continues the chrome.");
    line("[Personality]");
    line("Left=frame_left.bmp");
    line("Right=frame_right.bmp");
    line("Top=frame_top.bmp");
    line("Bottom=frame_bottom.bmp");
    for (const char* side : {"Left", "Right", "Top", "Bottom"}) {
        const std::string x = side;
        line(x + "Frame=2");
        line(x + "Stretch=1");
        line(x + "Trans=" + (x == "Left" || x == "Right" ? "1" : "0"));
    }
    line("LeftTopHeight=" + std::to_string(kCaptionHeight));
    line("LeftBotHeight=" + std::to_string(kBottomHeight));
    line("RightTopHeight=" + std::to_string(kCaptionHeight));
    line("RightBotHeight=" + std::to_string(kBottomHeight));
    line("TopTopHeight=19");
    line("TopBotHeight=19");
    line("BottomTopHeight=19");
    line("BottomBotHeight=19");
    line("TextBack=title_back.bmp");
    line("TXTBackleft=1");
    line("TXTBackRight=1");
    line("TextShift=30");
    line("TextShiftVert=0");
    line("TextRightClip=" + std::to_string(3 * 26 + cx + 8));
    line("TextAlignment=0");
    line("menuBar=menubar.bmp");
    line("TileMenu=1");
    line("TileLeftMenu=" + std::to_string(kMenuBarLeft));
    line("TileRightMenu=4");
    line("");
    line("[Fonts]");
    line("FontHeight=14");
    line("");
    line("[Colours]");
    line("ButtonFace=" + Colour(kFace));
    line("ButtonText=" + Colour(kInk));
    line("WindowText=" + Colour(kInk));
    line("Scrollbar=" + Colour(kTrack));
    line("TitleTextActive=" + Colour(kChromeInk));
    line("TitleTextNoActive=" + Colour(kTitleOff));
    line("ButtonHilight=" + Colour(kField));
    line("Buttonlight=" + Colour(kRaised));
    line("ButtonShadow=" + Colour(kLine));
    line("ButtonDkShadow=" + Colour(kDarkLine));
    line("Menubar=" + Colour(kSlate));
    line("MenuBarText=" + Colour(kChromeInk));
    line("Menu=" + Colour(kMenu));
    line("MenuText=" + Colour(kInk));
    line("Hilight=" + Colour(kTeal));
    line("HilightText=" + Colour(kField));
    line("");
    line("; Caption buttons, 24 x 18, counted from the window's right edge; six frames:");
    line("; normal, pressed, hot, disabled or inactive, normal, disabled.");
    struct Btn {
        const char* image;
        int x, action, visibility, visibility1;
    } const buttons[] = {
        {"caption_close.bmp", cx + 24, 0, 0, -2},
        {"caption_maximize.bmp", cx + 24 + 26, 1, 2, 6},
        {"caption_minimize.bmp", cx + 24 + 52, 2, 8, -2},
        {"caption_restore.bmp", cx + 24 + 26, 1, 1, -2},
    };
    int n = 0;
    for (const Btn& b : buttons) {
        line("[Button" + std::to_string(n++) + "]");
        line(std::string("ButtonImage=") + b.image);
        line("Align=1");
        line("XCoord=" + std::to_string(b.x));
        line("YCoord=5");
        line("Action=" + std::to_string(b.action));
        line("Visibility=" + std::to_string(b.visibility));
        if (b.visibility1 != -2) line("Visibility1=" + std::to_string(b.visibility1));
        line("");
    }
    line("; The window icon, drawn by the engine at the left of the caption.");
    line("[Button4]");
    line("Align=0");
    line("XCoord=8");
    line("YCoord=" + std::to_string((kCaptionHeight - 16) / 2));
    line("Action=3");
    line("Visibility=0");
    line("");
    line("; A maximised MDI child's minimise, restore and close, in the frame's menu band.");
    line("[MDICONTROLS]");
    line("Image=mdi_buttons.bmp");
    line("");
    line("; Push buttons: normal, pressed, disabled, hot, focused or default. Check and");
    line("; radio strips: unchecked, checked, and both disabled.");
    line("[Buttons]");
    line("Bitmap=button.bmp");
    line("CheckButton=check.bmp");
    line("RadioButton=radio.bmp");
    line("CheckButtonFrame=4");
    line("RadioButtonFrame=4");
    line("TopHeight=4");
    line("BottomHeight=4");
    line("LeftWidth=4");
    line("RightWidth=4");
    line("Trans=1");
    line("NormalColour2=" + Colour(kInk));
    line("MouseOverColour2=" + Colour(kTealDeep));
    line("PressedColour2=" + Colour(kInk));
    line("");
    line("; The track and the bar in it (Style 0). The chunk is what Style=1 would lay.");
    line("[Progress]");
    line("Bitmap=progress.bmp");
    line("Style=0");
    line("TopHeight=3");
    line("BottomHeight=3");
    line("LeftWidth=3");
    line("RightWidth=3");
    line("");
    line("[Progress.Chunk]");
    line("Image=progress_chunk.bmp");
    line("Tile=1");
    line("Trans=1");
    line("");
    line("[GroupBoxEdge]");
    line("Image=groupbox_edge.bmp");
    line("TopHeight=4");
    line("BottomHeight=4");
    line("LeftWidth=4");
    line("RightWidth=4");
    line("Trans=1");
    line("");
    line("[GroupBox]");
    line("Image=groupbox_label.bmp");
    line("TopHeight=4");
    line("BottomHeight=4");
    line("LeftWidth=4");
    line("RightWidth=4");
    line("Trans=1");
    line("BackgroundAlignment=0");
    line("");
    line("; Tabs: inactive, selected, hot, disabled, inactive. Style 1: the page under them");
    line("; is Tab.Pane.");
    line("[Tabs]");
    line("Image=tabs.bmp");
    line("Style=1");
    line("TopHeight=4");
    line("BottomHeight=2");
    line("LeftWidth=4");
    line("RightWidth=4");
    line("Trans=1");
    line("NormalColour2=" + Colour(kInk));
    line("MouseOverColour2=" + Colour(kInk));
    line("");
    line("[Tab.Pane]");
    line("Image=tab_pane.bmp");
    for (const char* k : {"TopHeight", "BottomHeight", "LeftWidth", "RightWidth"})
        line(std::string(k) + "=" + std::to_string(kPageRim));
    line("");
    line("; Status bar panels: lowered, raised, flat; the text is light on the chrome.");
    line("[StatusBarEdges]");
    line("Image=statusbar.bmp");
    line("TopHeight=1");
    line("BottomHeight=0");
    line("LeftWidth=2");
    line("RightWidth=2");
    line("NormalColour2=" + Colour(kChromeInk));
    line("");
    line("[ToolBars]");
    line("Image=toolbar_buttons.bmp");
    line("TopHeight=3");
    line("BottomHeight=3");
    line("LeftWidth=3");
    line("RightWidth=3");
    line("Trans=1");
    line("");
    line("; Combo boxes and edits: normal, pressed, disabled, focused or hot.");
    line("[ComboButton]");
    line("Image=combo_button.bmp");
    line("Trans=1");
    line("");
    line("[SunkEdge]");
    line("Image=edit_sunken.bmp");
    for (const char* k : {"TopHeight", "BottomHeight", "LeftWidth", "RightWidth"}) line(std::string(k) + "=2");
    line("");
    line("; The drop-down arrows of the four combo states; frame 5 is the size grip.");
    line("[ExtraImages]");
    line("Image=combo_arrows.bmp");
    line("Trans=1");
    line("");
    line("; Header items: normal, hot, pressed, disabled, sorted.");
    line("[Headerbar]");
    line("Image=header.bmp");
    line("TopHeight=1");
    line("BottomHeight=2");
    line("LeftWidth=2");
    line("RightWidth=3");
    line("");
    line("; Popup menus: the background, and the items (frame 4 selected, frame 2 the rule).");
    line("[MenuBackground]");
    line("Image=menu_back.bmp");
    for (const char* k : {"TopHeight", "BottomHeight", "LeftWidth", "RightWidth"}) line(std::string(k) + "=2");
    line("");
    line("[MenuItem]");
    line("Image=menu_item.bmp");
    for (const char* k : {"TopHeight", "BottomHeight", "LeftWidth", "RightWidth"}) line(std::string(k) + "=3");
    line("Trans=1");
    line("");
    line("; Scroll bars: arrows left, right, up, down (normal, pressed, disabled, hot),");
    line("; grip marks of the two thumbs (normal, pressed, hot), an empty face.");
    line("[Scrollbar]");
    line("Image=scroll_arrows.bmp");
    line("Trans=0");
    line("");
    line("[HorzScroll]");
    line("Image=scroll_track_h.bmp");
    line("");
    line("[VertScroll]");
    line("Image=scroll_track_v.bmp");
    line("");
    line("[HorzScrollThumb]");
    line("Image=scroll_thumb_h.bmp");
    line("LeftWidth=4");
    line("RightWidth=4");
    line("Trans=1");
    line("");
    line("[VertScrollThumb]");
    line("Image=scroll_thumb_v.bmp");
    line("TopHeight=4");
    line("BottomHeight=4");
    line("Trans=1");
    line("");
    line("; Track bars: the thumbs (the engine shows frame 2) and the channels.");
    struct Thumb {
        const char* section;
        const char* image;
    } const thumbs[] = {
        {"Trackbar.ThumbHorz", "track_thumb_h.bmp"}, {"Trackbar.ThumbVert", "track_thumb_v.bmp"},
        {"Trackbar.ThumbLeft", "track_thumb_l.bmp"}, {"Trackbar.ThumbRight", "track_thumb_r.bmp"},
        {"Trackbar.ThumbUp", "track_thumb_u.bmp"},   {"Trackbar.ThumbDown", "track_thumb_d.bmp"},
    };
    for (const Thumb& t : thumbs) {
        line(std::string("[") + t.section + "]");
        line(std::string("Image=") + t.image);
        line("Trans=1");
        line("");
    }
    line("[Track]");
    line("Image=track.bmp");
    line("LeftWidth=2");
    line("RightWidth=2");
    line("");
    line("[TRACKVERT]");
    line("Image=track_vert.bmp");
    line("TopHeight=2");
    line("BottomHeight=2");
    line("");
    line("; Spin buttons: up (left) in four states, then down (right); arrows in GlyphImage.");
    line("[UpDown.Horz]");
    line("Image=spin_horz.bmp");
    line("GlyphImage=spin_horz_glyphs.bmp");
    for (const char* k : {"TopHeight", "BottomHeight", "LeftWidth", "RightWidth"}) line(std::string(k) + "=2");
    line("");
    line("[UpDown.Vert]");
    line("Image=spin_vert.bmp");
    line("GlyphImage=spin_vert_glyphs.bmp");
    for (const char* k : {"TopHeight", "BottomHeight", "LeftWidth", "RightWidth"}) line(std::string(k) + "=2");
    return s;
}

// ------------------------------------------------------------------- the set

struct Member {
    const char* name;
    std::function<Picture()> draw;
};

const std::vector<Member>& Members() {
    static const std::vector<Member> members = {
        {"frame_left.bmp", [] { return SideBorder(false); }},
        {"frame_right.bmp", [] { return SideBorder(true); }},
        {"frame_top.bmp", TopBorder},
        {"frame_bottom.bmp", BottomBorder},
        {"title_back.bmp", TitleBack},
        {"menubar.bmp", MenuBar},
        {"caption_close.bmp", [] { return CaptionButton(CaptionGlyph::Close); }},
        {"caption_maximize.bmp", [] { return CaptionButton(CaptionGlyph::Maximize); }},
        {"caption_minimize.bmp", [] { return CaptionButton(CaptionGlyph::Minimize); }},
        {"caption_restore.bmp", [] { return CaptionButton(CaptionGlyph::Restore); }},
        {"mdi_buttons.bmp", MdiButtons},
        {"button.bmp", PushButton},
        {"check.bmp", CheckGlyphs},
        {"radio.bmp", RadioGlyphs},
        {"progress.bmp", Progress},
        {"progress_chunk.bmp", ProgressChunk},
        {"groupbox_edge.bmp", GroupBoxEdge},
        {"groupbox_label.bmp", GroupBoxLabel},
        {"tabs.bmp", Tabs},
        {"tab_pane.bmp", TabPane},
        {"statusbar.bmp", StatusBar},
        {"toolbar_buttons.bmp", ToolButtons},
        {"combo_button.bmp", ComboButton},
        {"edit_sunken.bmp", SunkenEdge},
        {"combo_arrows.bmp", ComboArrows},
        {"header.bmp", Header},
        {"menu_back.bmp", MenuBackground},
        {"menu_item.bmp", MenuItem},
        {"scroll_arrows.bmp", ScrollArrows},
        {"scroll_track_h.bmp", ScrollTrack},
        {"scroll_track_v.bmp", ScrollTrack},
        {"scroll_thumb_h.bmp", [] { return ScrollThumb(false); }},
        {"scroll_thumb_v.bmp", [] { return ScrollThumb(true); }},
        {"track_thumb_h.bmp", [] { return TrackThumb(0, false); }},
        {"track_thumb_v.bmp", [] { return TrackThumb(0, true); }},
        {"track_thumb_u.bmp", [] { return TrackThumb(1, false); }},
        {"track_thumb_d.bmp", [] { return TrackThumb(2, false); }},
        {"track_thumb_l.bmp", [] { return TrackThumb(1, true); }},
        {"track_thumb_r.bmp", [] { return TrackThumb(2, true); }},
        {"track.bmp", [] { return TrackChannel(false); }},
        {"track_vert.bmp", [] { return TrackChannel(true); }},
        {"spin_horz.bmp", [] { return SpinButtons(true); }},
        {"spin_horz_glyphs.bmp", [] { return SpinGlyphs(true); }},
        {"spin_vert.bmp", [] { return SpinButtons(false); }},
        {"spin_vert_glyphs.bmp", [] { return SpinGlyphs(false); }},
    };
    return members;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string ini = Description();
    std::vector<SkinFile> files{{"skin.ini", std::vector<uint8_t>(ini.begin(), ini.end())}};
    for (const Member& m : Members()) files.push_back(BitmapFile(m.name, m.draw()));
    return skin_art::WriteOrCheck("make_complete_skin", "skins/complete", argc, argv, files);
}
