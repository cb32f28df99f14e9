// Skinned status bars, headers and track bars on real windows under Wine,
// driven by real input. The skin is built in memory from flat, distinct
// colours, so every frame and every slice of an image is known by its pixels.
#include <gtest/gtest.h>

// clang-format off
#include <winsock2.h>
#include <windows.h>
#include <commctrl.h>
// clang-format on

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "framework/controls/BarControls.h"
#include "framework/controls/EditControls.h"
#include "framework/controls/FormsAndApplication.h"
#include "framework/graphics/GdiHandles.h"
#include "skin/controls/ControlSkinning.h"
#include "skin/controls/SkinHeader.h"
#include "skin/controls/SkinStatusBar.h"
#include "skin/controls/SkinTrackBar.h"
#include "skin/form/SkinData_win.h"
#include "skin/form/SkinManager.h"
#include "tests/win/support/ClientPixels.h"
#include "tests/win/support/Input.h"
#include "tests/win/support/NoAccessViolations.h"
#include "tests/win/support/ObjectCounts.h"
#include "tests/win/support/SkinFixture.h"
#include "tests/win/support/TestForm.h"

namespace {

using HeaderSkin = skin_controls::TSkinHeader;
using test_support::CaptureClient;
using test_support::MakeForm;
using test_support::MouseButton;
using test_support::MouseTo;
using test_support::Pixels;
using test_support::Pump;
using test_support::PumpUntil;
using test_support::SkinFixture;

// Colours as TColor (0x00BBGGRR).
constexpr TColor kFace = 0x303030;
constexpr TColor kShadow = 0x505050;
constexpr TColor kEdges[3] = {0x0000B0, 0x00B000, 0xB00000};  // lowered, raised, none
constexpr TColor kStatusText = 0x00E0E0;
constexpr TColor kGrip = 0xC00080;  // ExtraImages frame 5
constexpr TColor kHeader[5] = {0x2060A0, 0x20A060, 0xA06020, 0x6020A0, 0xA02060};
constexpr TColor kCapLeft = 0x0040F0, kChannel = 0x40F000, kCapRight = 0xF00040;
constexpr TColor kCapTop = 0x00F080, kChannelV = 0x80F0F0, kCapBottom = 0xF08000;
constexpr TColor kThumb[5] = {0x101080, 0x108010, 0x801010, 0x108080, 0x801080};

uint32_t Rgb(TColor c) {
    return (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
}

std::unique_ptr<TDataSkinObject> Strip(const wchar_t* name, int frames, int w, int h, const TColor* colors) {
    auto o = std::make_unique<TDataSkinObject>(name);
    o->Map.SetSize(frames * w, h);
    for (int f = 0; f < frames; ++f)
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) o->Map.SetPixel(f * w + x, y, colors[f]);
    o->frame = frames;
    o->r = TRect{2, 2, 2, 2};
    return o;
}

// An image of three bands across (or down): 4 pixels, the rest, 4 pixels.
std::unique_ptr<TDataSkinObject> Channel(const wchar_t* name, bool vertical, int length, int thickness, TColor first,
                                         TColor middle, TColor last) {
    auto o = std::make_unique<TDataSkinObject>(name);
    const int w = vertical ? thickness : length;
    const int h = vertical ? length : thickness;
    o->Map.SetSize(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const int along = vertical ? y : x;
            o->Map.SetPixel(x, y, along < 4 ? first : along >= length - 4 ? last : middle);
        }
    o->frame = 1;
    o->r = vertical ? TRect{0, 4, 0, 4} : TRect{4, 0, 4, 0};
    return o;
}

// Status bar edges, grip, header and track bar pieces, each its own colour.
void BarsSkin(TSkinData& sd) {
    sd.Colors[csButtonFace] = kFace;
    sd.Colors[csButtonShadow] = kShadow;
    sd.Colors[csButtonText] = clWhite;
    sd.BGBrush.reset(CreateSolidBrush(static_cast<COLORREF>(kFace)));  // as a loaded skin makes it
    sd.StatusBar = Strip(L"StatusBarEdges", 3, 10, 10, kEdges);
    sd.StatusBar->Normalcolor2 = kStatusText;
    const TColor extra[5] = {0x111111, 0x222222, 0x333333, 0x444444, kGrip};
    sd.ExtraImages = Strip(L"ExtraImages", 5, 12, 12, extra);
    sd.Header = Strip(L"Headerbar", 5, 10, 10, kHeader);
    sd.TrackBar = Channel(L"Track", false, 30, 6, kCapLeft, kChannel, kCapRight);
    sd.TrackBarVert = Channel(L"TRACKVERT", true, 30, 16, kCapTop, kChannelV, kCapBottom);
    sd.TrackHorz = Strip(L"Trackbar.ThumbHorz", 5, 10, 20, kThumb);
}

RECT PartRect(HWND bar, int i) {
    RECT r{};
    SendMessageW(bar, SB_GETRECT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&r));
    return r;
}

int CountColor(const Pixels& p, RECT r, TColor c) {
    int n = 0;
    for (int y = std::max<LONG>(r.top, 0); y < std::min<LONG>(r.bottom, p.height); ++y)
        for (int x = std::max<LONG>(r.left, 0); x < std::min<LONG>(r.right, p.width); ++x) n += p.At(x, y) == Rgb(c);
    return n;
}

// Pixels within 48 of c in every channel: smoothed text counts by its core.
int CountNear(const Pixels& p, RECT r, TColor c) {
    const uint32_t want = Rgb(c);
    auto close = [](uint32_t a, uint32_t b, int shift) {
        return std::abs(static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF)) <= 48;
    };
    int n = 0;
    for (int y = std::max<LONG>(r.top, 0); y < std::min<LONG>(r.bottom, p.height); ++y)
        for (int x = std::max<LONG>(r.left, 0); x < std::min<LONG>(r.right, p.width); ++x) {
            const uint32_t v = p.At(x, y);
            n += close(v, want, 0) && close(v, want, 8) && close(v, want, 16);
        }
    return n;
}

// The channel as it lies on the screen (a vertical one may be reported across).
RECT ChannelRect(HWND track) {
    RECT r{};
    SendMessageW(track, TBM_GETCHANNELRECT, 0, reinterpret_cast<LPARAM>(&r));
    const bool vertical = (GetWindowLongW(track, GWL_STYLE) & TBS_VERT) != 0;
    if (vertical && r.right - r.left > r.bottom - r.top) r = RECT{r.top, r.left, r.bottom, r.right};
    return r;
}

RECT ThumbRect(HWND track) {
    RECT r{};
    SendMessageW(track, TBM_GETTHUMBRECT, 0, reinterpret_cast<LPARAM>(&r));
    return r;
}

// Focus messages to the watched window, counted by a thread hook.
HWND gWatched = nullptr;
int gFocusMessages = 0;
LRESULT CALLBACK CountFocus(int code, WPARAM wParam, LPARAM lParam) {
    const auto* m = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code >= 0 && m->hwnd == gWatched && (m->message == WM_SETFOCUS || m->message == WM_KILLFOCUS))
        ++gFocusMessages;
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // namespace

TEST(SkinStatusBar, PanelFramesStretchedLastPanelGripAndText) {
    auto form = MakeForm(420, 120);
    auto* bar = new TStatusBar(form.get());
    bar->SetParent(form.get());
    const TPanelBevel bevels[] = {pbLowered, pbRaised, pbNone};
    const wchar_t* texts[] = {L"就绪 AB", L"", L"end"};
    const int widths[] = {100, 100, 60};
    for (int i = 0; i < 3; ++i) {
        TStatusPanel* p = bar->AddPanel();
        p->SetWidth(widths[i]);
        p->SetBevel(bevels[i]);
        p->SetText(texts[i]);
    }
    form->Show();
    Pump();
    SkinFixture fx(form->Handle(), BarsSkin);
    TSkinControl* obj = AddComp(*fx.sf, bar, form.get());
    ASSERT_NE(obj, nullptr);
    EXPECT_EQ(obj->ClassName(), L"TSkinStatusBar");
    const HWND h = bar->Handle();
    Pump();
    const Pixels px = CaptureClient(h, true);
    for (int i = 0; i < 3; ++i) {
        const RECT r = PartRect(h, i);
        EXPECT_EQ(px.At(r.left + 3, r.top + 1), Rgb(kEdges[i])) << "panel " << i << " frame by bevel";
        // Widened by 2 to the right, over the platform's gap between parts.
        if (i < 2) {
            EXPECT_EQ(px.At(r.right + 1, r.top + 1), Rgb(kEdges[i])) << "panel " << i;
        }
    }
    const RECT last = PartRect(h, 2);
    ASSERT_LT(last.right, px.width - 40) << "the last panel is narrower than the space left";
    EXPECT_EQ(px.At(last.right + 20, last.top + 1), Rgb(kEdges[2])) << "the last panel reaches the right edge";
    EXPECT_EQ(px.At(px.width - 20, last.top + 1), Rgb(kEdges[2]));
    // The grip: frame 5 of the extra images, 12 x 12, one pixel in from the corner.
    EXPECT_EQ(px.At(px.width - 2, px.height - 2), Rgb(kGrip));
    EXPECT_EQ(px.At(px.width - 13, px.height - 13), Rgb(kGrip));
    EXPECT_NE(px.At(px.width - 14, px.height - 14), Rgb(kGrip));
    EXPECT_NE(px.At(px.width - 1, px.height - 1), Rgb(kGrip));
    // Text in the status bar's text colour, only where there is text.
    EXPECT_GT(CountNear(px, PartRect(h, 0), kStatusText), 30);
    EXPECT_EQ(px.CountInk(PartRect(h, 1), Rgb(kEdges[1])), 0) << "nothing on the empty panel";
    EXPECT_GT(CountNear(px, PartRect(h, 2), kStatusText), 0);
    EXPECT_GT(px.CountInk(PartRect(h, 2), Rgb(kEdges[2])), 15);

    // Repainting leaks no GDI object.
    const size_t gdi = test_support::GdiObjects();
    for (int i = 0; i < 30; ++i) (void)CaptureClient(h, true);
    RedrawWindow(h, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    EXPECT_LE(test_support::GdiObjects(), gdi + 2);

    // Simple mode with an empty text still shows the lowered frame, across.
    bar->SetSimpleText(L"");
    bar->SetSimplePanel(true);
    Pump();
    const Pixels simple = CaptureClient(h, true);
    EXPECT_EQ(simple.At(2, 2), Rgb(kEdges[0]));
    EXPECT_EQ(simple.At(simple.width / 2, simple.height / 2), Rgb(kEdges[0]));
    EXPECT_EQ(simple.At(last.right + 20, last.top + 1), Rgb(kEdges[0])) << "no panel frames in simple mode";
    EXPECT_EQ(CountNear(simple, RECT{0, 0, simple.width, simple.height}, kStatusText), 0);

    // Unskinned again: the platform's own drawing, none of the skin's frames.
    bar->SetSimplePanel(false);
    SendMessageW(h, CN_SkinEnable, 0, 0);
    Pump();
    const Pixels plain = CaptureClient(h, true);
    EXPECT_EQ(CountColor(plain, RECT{0, 0, plain.width, plain.height}, kEdges[0]), 0);
}

TEST(SkinStatusBar, OwnerDrawEventPaintsOverTheSkinInsideThePanel) {
    auto form = MakeForm(420, 120);
    auto* bar = new TStatusBar(form.get());
    bar->SetParent(form.get());
    bar->SetSizeGrip(false);
    bar->AddPanel()->SetWidth(120);
    TStatusPanel* drawn = bar->AddPanel();
    drawn->SetWidth(120);
    drawn->SetStyle(psOwnerDraw);
    std::vector<std::pair<TStatusPanel*, RECT>> calls;
    bar->OnDrawPanel = [&](TStatusBar*, TStatusPanel* panel, TCanvas& canvas, const RECT& r) {
        calls.emplace_back(panel, r);
        if (panel->Style() != psOwnerDraw) return;
        canvas.Brush.Color = static_cast<TColor>(0x00A0FF);
        canvas.FillRect(FromRECT(r));
    };
    form->Show();
    Pump();
    SkinFixture fx(form->Handle(), BarsSkin);
    ASSERT_NE(AddComp(*fx.sf, bar, form.get()), nullptr);
    const HWND h = bar->Handle();
    calls.clear();
    const Pixels px = CaptureClient(h, true);
    ASSERT_EQ(calls.size(), 2u) << "the event hears of every panel";
    for (int i = 0; i < 2; ++i) {
        RECT expected = PartRect(h, i);
        InflateRect(&expected, -2, -2);
        EXPECT_EQ(calls[static_cast<size_t>(i)].first, bar->Panel(i));
        EXPECT_TRUE(EqualRect(&calls[static_cast<size_t>(i)].second, &expected)) << "panel " << i;
    }
    const RECT r = PartRect(h, 1);
    EXPECT_EQ(px.At((r.left + r.right) / 2, (r.top + r.bottom) / 2), 0xFFA000u) << "the event's paint shows";
    EXPECT_EQ(px.At(r.left + 1, r.top), Rgb(kEdges[0])) << "the skin's frame around it";
}

TEST(SkinHeader, HotItemFollowsTheMouseOneAtATimeAndNoneAfterLeaving) {
    auto form = MakeForm(400, 120);
    auto* header = new THeaderControl(form.get());
    header->SetParent(form.get());
    header->SetBounds(0, 0, 400, 24);
    for (const wchar_t* t : {L"名称", L"Size", L"Date"}) {
        THeaderSection* s = header->AddSection();
        s->SetText(t);
        s->SetWidth(100);
    }
    form->Show();
    SetForegroundWindow(form->Handle());
    MouseTo(form->Handle(), 200, 100);
    Pump();
    SkinFixture fx(form->Handle(), BarsSkin);
    auto* obj = dynamic_cast<HeaderSkin*>(AddComp(*fx.sf, header, form.get()));
    ASSERT_NE(obj, nullptr);
    const HWND h = header->Handle();
    auto hotShown = [&] {
        const Pixels px = CaptureClient(h, true);
        std::vector<int> hot;
        for (int i = 0; i < 3; ++i) {
            const uint32_t c = px.At(i * 100 + 10, 2);
            EXPECT_TRUE(c == Rgb(kHeader[0]) || c == Rgb(kHeader[1])) << "item " << i << " shows frame 1 or 2";
            if (c == Rgb(kHeader[1])) hot.push_back(i);
        }
        EXPECT_EQ(px.At(350, 2), Rgb(kHeader[0])) << "right of the last item: frame 1";
        return hot;
    };
    EXPECT_EQ(hotShown(), std::vector<int>{});
    ASSERT_EQ(obj->Items.size(), 3u);
    EXPECT_EQ(obj->Items[1].Left, 103);
    EXPECT_EQ(obj->Items[1].Right, 197);
    for (int target : {1, 2, 0}) {
        MouseTo(h, target * 100 + 50, 12);
        ASSERT_TRUE(PumpUntil([&] { return obj->indexitem == target; })) << "item " << target;
        Pump(2);
        EXPECT_EQ(hotShown(), std::vector<int>{target});
    }
    MouseTo(form->Handle(), 200, 100);
    ASSERT_TRUE(PumpUntil([&] { return obj->indexitem == -1; })) << "the mouse left";
    Pump(2);
    EXPECT_EQ(hotShown(), std::vector<int>{});
}

TEST(SkinHeader, BareHeaderWindowThroughInithwnd) {
    auto form = MakeForm(300, 80);
    form->Show();
    Pump();
    const HWND h = CreateWindowExW(0, WC_HEADERW, L"", WS_CHILD | WS_VISIBLE | HDS_BUTTONS | HDS_HORZ, 0, 0, 300, 22,
                                   form->Handle(), nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(h, nullptr);
    HDITEMW item{};
    item.mask = HDI_TEXT | HDI_WIDTH;
    item.cxy = 120;
    item.pszText = const_cast<wchar_t*>(L"Column");
    SendMessageW(h, HDM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
    SkinFixture fx(form->Handle(), BarsSkin);
    auto* obj = new HeaderSkin(fx.sf.get());
    obj->Inithwnd(h, fx.sd.get(), fx.sf->fCanvas.get(), fx.sf.get());
    Pump();
    const Pixels px = CaptureClient(h, true);
    EXPECT_EQ(px.At(5, 2), Rgb(kHeader[0]));
    EXPECT_EQ(px.At(200, 2), Rgb(kHeader[0]));
    EXPECT_GT(px.CountInk(RECT{0, 0, 120, 22}, Rgb(kHeader[0])), 10) << "the item's text";
    DestroyWindow(h);
    Pump();
    EXPECT_EQ(obj->SkinState(), 6) << "the window went: the object waits to be freed";
}

TEST(SkinTrackBar, ChannelSlicesAndThumbFrame) {
    auto form = MakeForm(420, 260);
    auto* track = new TTrackBar(form.get());
    track->SetParent(form.get());
    track->SetBounds(10, 10, 300, 45);
    track->SetRange(0, 20);
    track->SetFrequency(5);
    auto* vertical = new TTrackBar(form.get());
    vertical->SetParent(form.get());
    vertical->SetOrientation(trVertical);
    vertical->SetBounds(340, 10, 45, 220);
    vertical->SetRange(0, 20);
    form->Show();
    Pump();
    SkinFixture fx(form->Handle(), BarsSkin);
    auto* obj = AddComp(*fx.sf, track, form.get());
    ASSERT_NE(obj, nullptr);
    EXPECT_EQ(obj->ClassName(), L"TSkinTrackBar");
    ASSERT_NE(AddComp(*fx.sf, vertical, form.get()), nullptr);
    const HWND h = track->Handle();

    // Horizontal: caps at both ends, the middle stretched between.
    track->SetPosition(0);
    Pump();
    RECT c = ChannelRect(h);
    Pixels px = CaptureClient(h, true);
    EXPECT_EQ(px.At(1, 1), Rgb(kFace)) << "the skin's face behind the bar";
    EXPECT_EQ(px.At(c.right - 2, c.top + 1), Rgb(kCapRight));
    EXPECT_EQ(px.At(c.right - 4, c.top + 1), Rgb(kCapRight));
    EXPECT_EQ(px.At(c.right - 5, c.top + 1), Rgb(kChannel));
    EXPECT_EQ(px.At((c.left + c.right) / 2, c.top + 1), Rgb(kChannel));
    // The thumb: frame 2 of 5, stretched into its rectangle.
    RECT t = ThumbRect(h);
    EXPECT_EQ(px.At((t.left + t.right) / 2, (t.top + t.bottom) / 2), Rgb(kThumb[1]));
    EXPECT_EQ(px.At(t.left, t.top), Rgb(kThumb[1]));
    track->SetPosition(20);
    Pump();
    px = CaptureClient(h, true);
    EXPECT_EQ(px.At(c.left, c.top + 1), Rgb(kCapLeft));
    EXPECT_EQ(px.At(c.left + 3, c.top + 1), Rgb(kCapLeft));
    EXPECT_EQ(px.At(c.left + 4, c.top + 1), Rgb(kChannel));
    t = ThumbRect(h);
    EXPECT_EQ(px.At((t.left + t.right) / 2, (t.top + t.bottom) / 2), Rgb(kThumb[1]));
    EXPECT_GT(t.left, c.right - 40) << "the thumb moved to the right end";

    // Vertical, channel narrower than the 16-pixel image: drawn from the
    // channel's left edge, caps at top and bottom.
    const HWND v = vertical->Handle();
    vertical->SetPosition(20);
    Pump();
    c = ChannelRect(v);
    ASSERT_LT(c.right - c.left, 16) << "the channel is narrower than the image";
    px = CaptureClient(v, true);
    const int y = c.top + 20;
    EXPECT_EQ(px.At(c.left, y), Rgb(kChannelV));
    EXPECT_EQ(px.At(c.left + 15, y), Rgb(kChannelV)) << "the image keeps its width";
    EXPECT_NE(px.At(c.left - 1, y), Rgb(kChannelV)) << "nothing left of the channel";
    EXPECT_NE(px.At(c.left + 16, y), Rgb(kChannelV));
    EXPECT_EQ(px.At(c.left + 8, c.top + 1), Rgb(kCapTop));
    EXPECT_EQ(px.At(c.left + 8, c.top + 4), Rgb(kChannelV));
    vertical->SetPosition(0);
    Pump();
    px = CaptureClient(v, true);
    EXPECT_EQ(px.At(c.left + 8, c.bottom - 1), Rgb(kCapBottom));
    EXPECT_EQ(px.At(c.left + 8, c.bottom - 4), Rgb(kCapBottom));
    EXPECT_EQ(px.At(c.left + 8, c.bottom - 5), Rgb(kChannelV));
}

TEST(SkinTrackBar, DragGivesTheSamePositionsAndChangesAsUnskinned) {
    auto form = MakeForm(420, 200);
    TTrackBar* bars[2] = {};
    std::vector<int> changes[2];
    for (int i = 0; i < 2; ++i) {
        bars[i] = new TTrackBar(form.get());
        bars[i]->SetParent(form.get());
        bars[i]->SetBounds(10, 10 + 80 * i, 300, 45);
        bars[i]->SetRange(0, 20);
        bars[i]->SetPosition(2);
        TTrackBar* b = bars[i];
        std::vector<int>* log = &changes[i];
        b->OnChange = [b, log](TObject*) { log->push_back(b->Position()); };
    }
    form->Show();
    SetForegroundWindow(form->Handle());
    Pump();
    SkinFixture fx(form->Handle(), BarsSkin);
    ASSERT_NE(AddComp(*fx.sf, bars[1], form.get()), nullptr) << "the second is skinned";
    Pump();
    std::vector<int> positions[2];
    for (int i = 0; i < 2; ++i) {
        const HWND h = bars[i]->Handle();
        const RECT t = ThumbRect(h);
        const int y = (t.top + t.bottom) / 2;
        const int x0 = (t.left + t.right) / 2;
        MouseTo(h, x0, y);
        Pump(3);
        MouseButton(true);
        Pump(3);
        // Right in steps, then back part of the way.
        for (int dx : {15, 30, 60, 100, 150, 120, 90}) {
            MouseTo(h, x0 + dx, y);
            Pump(3);
            positions[i].push_back(bars[i]->Position());
        }
        MouseButton(false);
        Pump(5);
        positions[i].push_back(bars[i]->Position());
    }
    MouseTo(form->Handle(), 380, 180);
    Pump();
    EXPECT_EQ(positions[1], positions[0]) << "positions along the drag";
    EXPECT_EQ(changes[1], changes[0]) << "OnChange sequence";
    EXPECT_GE(changes[0].size(), 4u);
    EXPECT_GT(positions[0].back(), 2) << "the drag moved the thumb";
}

TEST(SkinTrackBar, SkinChangeRepaintsTheNewThumbWithoutTouchingTheFocus) {
    auto form = MakeForm(420, 160);
    auto* edit = new TEdit(form.get());
    edit->SetParent(form.get());
    edit->SetBounds(10, 100, 120, 24);
    auto* track = new TTrackBar(form.get());
    track->SetParent(form.get());
    track->SetBounds(10, 10, 300, 45);
    track->SetRange(0, 20);
    form->Show();
    SetForegroundWindow(form->Handle());
    Pump();
    SkinFixture fx(form->Handle(), BarsSkin);
    auto* obj = AddComp(*fx.sf, track, form.get());
    ASSERT_NE(obj, nullptr);
    SetFocus(edit->Handle());
    Pump();
    ASSERT_EQ(GetFocus(), edit->Handle());
    const HWND h = track->Handle();
    RECT t = ThumbRect(h);
    Pixels px = CaptureClient(h, false);  // the screen
    ASSERT_EQ(px.At((t.left + t.right) / 2, (t.top + t.bottom) / 2), Rgb(kThumb[1]));

    // Another thumb image, as a new skin brings.
    const TColor other[5] = {0x70A0F0, 0xF0A070, 0xA0F070, 0x70F0A0, 0xA070F0};
    fx.sd->TrackHorz = Strip(L"Trackbar.ThumbHorz", 5, 10, 20, other);
    gWatched = edit->Handle();
    gFocusMessages = 0;
    HHOOK hook = SetWindowsHookExW(WH_CALLWNDPROC, CountFocus, nullptr, GetCurrentThreadId());
    obj->SkinChange();
    Pump();
    UnhookWindowsHookEx(hook);
    EXPECT_EQ(gFocusMessages, 0) << "the focused edit never lost the focus";
    EXPECT_EQ(GetFocus(), edit->Handle());
    t = ThumbRect(h);
    px = CaptureClient(h, false);
    EXPECT_EQ(px.At((t.left + t.right) / 2, (t.top + t.bottom) / 2), Rgb(other[1])) << "the new thumb is drawn";
}

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new test_support::NoAccessViolations);
    InitCommonControls();
    Application->Initialize();
    InstallControlSkinning();
    return RUN_ALL_TESTS();
}
