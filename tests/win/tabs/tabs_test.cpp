// Tab controls on real windows under Wine, driven by real input: the
// framework's tab control, page control and tab set on their own, then
// skinned from a skin of flat, distinct colours so each tab frame, each half
// of a tab (to see mirroring and turning) and each ring of the page border is
// known by its pixels.
#include <gtest/gtest.h>

// clang-format off
#include <winsock2.h>
#include <windows.h>
#include <commctrl.h>
// clang-format on

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "framework/controls/ButtonControls.h"
#include "framework/controls/ControlsStreaming.h"
#include "framework/controls/FormsAndApplication.h"
#include "framework/controls/TabControls.h"
#include "framework/streaming/PublishedProperties.h"
#include "skin/controls/ControlSkinning.h"
#include "skin/controls/SkinSelect_win.h"
#include "skin/controls/SkinTabs.h"
#include "skin/form/SkinData_win.h"
#include "tests/win/support/ClientPixels.h"
#include "tests/win/support/Input.h"
#include "tests/win/support/NoAccessViolations.h"
#include "tests/win/support/ObjectCounts.h"
#include "tests/win/support/SkinFixture.h"
#include "tests/win/support/TestForm.h"

namespace {

using test_support::CaptureClient;
using test_support::Click;
using test_support::Key;
using test_support::MakeForm;
using test_support::MouseButton;
using test_support::MouseTo;
using test_support::Pixels;
using test_support::Pump;
using test_support::PumpFor;
using test_support::PumpInput;
using test_support::PumpUntil;
using test_support::SkinFixture;

constexpr TColor kFace = 0x303030;
constexpr TColor kParent = 0x505050;
// Tab frames 1..5: the outer half (rows 0-9 of the image) and the inner half.
constexpr TColor kTabOuter[5] = {0x2020A0, 0x20A020, 0xA02020, 0x20A0A0, 0xA020A0};
constexpr TColor kTabInner[5] = {0x101060, 0x106010, 0x601010, 0x106060, 0x601060};
// The page border: its top rows, bottom rows, left and right columns, centre.
constexpr TColor kBorderTop = 0x00C0C0;
constexpr TColor kBorderBottom = 0xC0C000;
constexpr TColor kBorderSide = 0xC000C0;
constexpr TColor kBorderCentre = 0x407040;
constexpr TColor kBtnFrames[5] = {0x0000C0, 0x00C000, 0xC00000, 0x00C0C0, 0xC000C0};

uint32_t Rgb(TColor c) {
    const TColor rgb = ColorToRGB(c);
    return (GetRValue(rgb) << 16) | (GetGValue(rgb) << 8) | GetBValue(rgb);
}

// Tab frames in two halves, the page border in rings, and button frames.
void TabSkin(TSkinData& sd) {
    sd.Colors[csButtonFace] = kFace;
    sd.Colors[csButtonText] = clWhite;
    sd.tab = std::make_unique<TDataSkinBorder>(L"Tabs");
    auto& t = *sd.tab;
    t.Map.SetSize(5 * 20, 20);
    for (int f = 0; f < 5; ++f)
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 20; ++x) t.Map.SetPixel(f * 20 + x, y, y < 10 ? kTabOuter[f] : kTabInner[f]);
    t.r = TRect{3, 3, 3, 3};
    t.frame = 5;
    t.Normalcolor2 = clWhite;
    t.Overcolor2 = clYellow;
    // 12 x 13: the fixed margins are 4 left, 5 top, 4 right, 4 bottom.
    t.MaskMap.SetSize(12, 13);
    for (int y = 0; y < 13; ++y)
        for (int x = 0; x < 12; ++x) {
            TColor c = kBorderCentre;
            if (y < 5)
                c = kBorderTop;
            else if (y >= 9)
                c = kBorderBottom;
            else if (x < 4 || x >= 8)
                c = kBorderSide;
            t.MaskMap.SetPixel(x, y, c);
        }
    sd.Button = std::make_unique<TDataSkinButton>(L"Button");
    auto& b = *sd.Button;
    b.Map.SetSize(5 * 20, 20);
    for (int f = 0; f < 5; ++f)
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 20; ++x) b.Map.SetPixel(f * 20 + x, y, kBtnFrames[f]);
    b.r = TRect{3, 3, 3, 3};
    b.frame = 5;
}

// A form in the parent colour the tests look for around the controls.
std::unique_ptr<TForm> ParentForm(int w, int h) {
    auto form = MakeForm(w, h);
    form->SetColor(kParent);
    return form;
}

TPageControl* MakePages(TForm* form, int left, int top, int count, const wchar_t* prefix = L"Page") {
    auto* pc = new TPageControl(form);
    pc->SetParent(form);
    pc->SetBounds(left, top, 300, 160);
    for (int i = 0; i < count; ++i) {
        auto* page = new TTabSheet(form);
        page->SetCaption(prefix + std::to_wstring(i + 1));
        page->SetPageControl(pc);
    }
    return pc;
}

RECT ItemRect(HWND tab, int i) {
    RECT r{};
    SendMessageW(tab, TCM_GETITEMRECT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&r));
    return r;
}

std::wstring ItemText(HWND tab, int i) {
    wchar_t buffer[80] = {};
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = buffer;
    item.cchTextMax = 80;
    SendMessageW(tab, TCM_GETITEMW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
    return buffer;
}

// The skin's page area: the display rectangle grown by 4, one pixel off the strip.
RECT PageArea(HWND tab, TTabPosition pos) {
    RECT r{};
    GetClientRect(tab, &r);
    SendMessageW(tab, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&r));
    InflateRect(&r, 4, 4);
    if (pos == tpTop) r.top += 1;
    if (pos == tpBottom) r.bottom -= 1;
    if (pos == tpLeft) r.left += 1;
    if (pos == tpRight) r.right -= 1;
    return r;
}

void ClickTab(HWND tab, int i) {
    const RECT r = ItemRect(tab, i);
    Click(tab, (r.left + r.right) / 2, (r.top + r.bottom) / 2);
}

void CtrlTab(bool shift) {
    Key(VK_CONTROL, true);
    if (shift) Key(VK_SHIFT, true);
    Key(VK_TAB, true);
    Key(VK_TAB, false);
    if (shift) Key(VK_SHIFT, false);
    Key(VK_CONTROL, false);
    PumpInput();
}

// What a tab control reports, in order.
struct EventLog {
    std::vector<std::string> events;
    bool refuse = false;
    void Attach(TCustomTabControl* c) {
        c->OnChanging = [this, c](TObject*, bool& allow) {
            events.push_back("changing from " + std::to_string(c->TabIndex()));
            allow = !refuse;
        };
        c->OnChange = [this, c](TObject*) { events.push_back("change to " + std::to_string(c->TabIndex())); };
    }
};

struct Step {
    const char* what;
    int tab;  // click this tab; -1 Ctrl+Tab, -2 Ctrl+Shift+Tab
    bool refuse;
    int expectedIndex;
};

// Drives a page control through clicks and Ctrl+Tab; answers the log and the index after each step.
std::vector<std::string> Drive(TPageControl* pc, const std::vector<Step>& steps, std::vector<int>& indexes) {
    EventLog log;
    log.Attach(pc);
    const HWND h = pc->Handle();
    int lastClicked = -1;
    for (const Step& s : steps) {
        log.refuse = s.refuse;
        if (s.tab >= 0) {
            // A second click on the same place soon after is a double click, which a tab ignores.
            if (s.tab == lastClicked) {
                PumpFor(GetDoubleClickTime() + 100);
            }
            lastClicked = s.tab;
            ClickTab(h, s.tab);
        } else {
            lastClicked = -1;
            SetFocus(h);
            Pump(2);
            CtrlTab(s.tab == -2);
        }
        PumpUntil([&] { return pc->TabIndex() == s.expectedIndex; });
        indexes.push_back(pc->TabIndex());
    }
    pc->OnChanging = nullptr;
    pc->OnChange = nullptr;
    return log.events;
}

}  // namespace

// ---------------------------------------------------------------- unskinned

TEST(TabControls, ClicksAndCtrlTabChangePagesWithEventsAndRefusal) {
    auto form = ParentForm(340, 200);
    TPageControl* pc = MakePages(form.get(), 10, 10, 4);
    form->Show();
    SetForegroundWindow(form->Handle());
    Pump();
    const std::vector<Step> steps = {
        {"click third", 2, false, 2},
        {"click first, refused", 0, true, 2},
        {"Ctrl+Tab", -1, false, 3},
        {"Ctrl+Tab wraps", -1, false, 0},
        {"Ctrl+Shift+Tab wraps back", -2, false, 3},
        {"Ctrl+Tab refused", -1, true, 3},
    };
    std::vector<int> indexes;
    const std::vector<std::string> log = Drive(pc, steps, indexes);
    for (size_t i = 0; i < steps.size(); ++i)
        EXPECT_EQ(indexes[i], steps[i].expectedIndex) << "case: " << steps[i].what;
    const std::vector<std::string> expected = {
        "changing from 0", "change to 2", "changing from 2", "changing from 2", "change to 3",
        "changing from 3", "change to 0", "changing from 0", "change to 3",     "changing from 3",
    };
    EXPECT_EQ(log, expected);
    // Only the active page shows, and it fills the display rectangle.
    TTabSheet* active = pc->ActivePage();
    ASSERT_NE(active, nullptr);
    EXPECT_EQ(active, pc->Pages(3));
    for (int i = 0; i < pc->PageCount(); ++i)
        EXPECT_EQ(IsWindowVisible(pc->Pages(i)->Handle()) != FALSE, i == 3) << "page " << i;
    const RECT d = pc->DisplayRect();
    EXPECT_EQ(active->Left(), d.left);
    EXPECT_EQ(active->Top(), d.top);
    EXPECT_EQ(active->Width(), d.right - d.left);
}

// The list gets the bitmap's own pixels with its key colour see-through,
// and adding holds on to no GDI object.
TEST(TabControls, ImagesKeepTheirPixelsAndKeyAndHoldNoObjects) {
    TTabImages images(16, 16);
    TBitmap glyph(16, 16);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) glyph.SetPixel(x, y, x < 8 ? clRed : clFuchsia);
    ASSERT_EQ(images.Add(glyph, clFuchsia), 0);

    TBitmap canvas(16, 16);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) canvas.SetPixel(x, y, clBlue);
    ASSERT_TRUE(ImageList_Draw(images.Handle(), 0, canvas.DC(), 0, 0, ILD_TRANSPARENT));
    for (int y : {0, 8, 15}) {
        EXPECT_EQ(GetPixel(canvas.DC(), 2, y), RGB(255, 0, 0)) << "the image's own pixels, row " << y;
        EXPECT_EQ(GetPixel(canvas.DC(), 12, y), RGB(0, 0, 255)) << "the key shows what is behind, row " << y;
    }

    const DWORD before = test_support::GdiObjects();
    SKIP_WITHOUT_GDI_COUNT(before);
    for (int i = 0; i < 50; ++i) ASSERT_EQ(images.Add(glyph, clFuchsia), i + 1);
    EXPECT_EQ(images.Count(), 51);
    EXPECT_EQ(test_support::GdiObjects(), before) << "a GDI object left behind by adding images";
}

TEST(TabControls, PagesTextsImagesOrderAndFreeing) {
    auto form = ParentForm(340, 200);
    TPageControl* pc = MakePages(form.get(), 10, 10, 3);
    TTabImages images(16, 16);
    TBitmap glyph(16, 16);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) glyph.SetPixel(x, y, x < 8 ? clRed : clFuchsia);
    ASSERT_EQ(images.Add(glyph, clFuchsia), 0);
    pc->SetImages(images.Handle());
    pc->Pages(1)->SetImageIndex(0);
    form->Show();
    Pump();
    const HWND h = pc->Handle();
    EXPECT_EQ(reinterpret_cast<HIMAGELIST>(SendMessageW(h, TCM_GETIMAGELIST, 0, 0)), images.Handle());
    TCITEMW item{};
    item.mask = TCIF_IMAGE;
    SendMessageW(h, TCM_GETITEMW, 1, reinterpret_cast<LPARAM>(&item));
    EXPECT_EQ(item.iImage, 0);

    pc->Pages(2)->SetCaption(L"第三页");
    EXPECT_EQ(ItemText(h, 2), L"第三页") << "a caption change reaches the tab";
    pc->Pages(2)->SetPageIndex(0);
    EXPECT_EQ(ItemText(h, 0), L"第三页");
    EXPECT_EQ(pc->Pages(0)->PageIndex(), 0);
    EXPECT_EQ(ItemText(h, 1), L"Page1");

    pc->SetActivePageIndex(2);
    TTabSheet* second = pc->Pages(2);
    EXPECT_EQ(pc->ActivePage(), second);
    delete second;
    EXPECT_EQ(pc->PageCount(), 2);
    EXPECT_EQ(SendMessageW(h, TCM_GETITEMCOUNT, 0, 0), 2) << "freeing a page removes its tab";
    EXPECT_EQ(pc->TabIndex(), 1) << "the last page gone, the new last one is active";
    EXPECT_TRUE(IsWindowVisible(pc->Pages(1)->Handle()));
    // Freeing the control frees its pages with it.
    delete pc;
    Pump();
}

TEST(TabControls, PositionsStylesAndPublishedProperties) {
    RegisterControlClasses();
    auto form = ParentForm(340, 200);
    auto* tc = new TTabControl(form.get());
    tc->SetParent(form.get());
    tc->SetBounds(10, 10, 300, 160);
    tc->AddTab(L"One");
    tc->AddTab(L"Two");
    form->Show();
    Pump();
    struct Case {
        const wchar_t* name;
        TTabPosition pos;
        DWORD bits;
    };
    const Case cases[] = {{L"tpTop", tpTop, 0},
                          {L"tpBottom", tpBottom, TCS_BOTTOM},
                          {L"tpLeft", tpLeft, TCS_VERTICAL},
                          {L"tpRight", tpRight, TCS_VERTICAL | TCS_BOTTOM}};
    for (const Case& c : cases) {
        SetPropText(*tc, L"TabPosition", c.name);
        EXPECT_EQ(tc->TabPosition(), c.pos);
        const HWND h = tc->Handle();
        const DWORD style = static_cast<DWORD>(GetWindowLongW(h, GWL_STYLE));
        EXPECT_EQ(style & (TCS_VERTICAL | TCS_BOTTOM), c.bits) << "case: " << c.pos;
        EXPECT_EQ(SendMessageW(h, TCM_GETITEMCOUNT, 0, 0), 2) << "tabs survive the new window";
        const RECT d = tc->DisplayRect();
        const RECT t = ItemRect(h, 0);
        // The tabs lie on the named side of the display rectangle.
        if (c.pos == tpTop) {
            EXPECT_LE(t.bottom, d.top + 2);
        }
        if (c.pos == tpBottom) {
            EXPECT_GE(t.top, d.bottom - 2);
        }
        if (c.pos == tpLeft) {
            EXPECT_LE(t.right, d.left + 2);
        }
        if (c.pos == tpRight) {
            EXPECT_GE(t.left, d.right - 2);
        }
    }
    SetPropText(*tc, L"Style", L"tsButtons");
    EXPECT_NE(GetWindowLongW(tc->Handle(), GWL_STYLE) & TCS_BUTTONS, 0);
    EXPECT_EQ(GetPropText(*tc, L"Style"), L"tsButtons");
    tc->SetTabIndex(1);
    EXPECT_EQ(GetPropText(*tc, L"TabIndex"), L"1");
    tc->DeleteTab(1);
    EXPECT_EQ(tc->TabIndex(), 0);
    EXPECT_EQ(SendMessageW(tc->Handle(), TCM_GETITEMCOUNT, 0, 0), 1);
}

TEST(TabControls, TabSetShowsWholeTabsScrollsAndSelectsByClick) {
    auto form = ParentForm(340, 120);
    auto* set = new TTabSet(form.get());
    set->SetParent(form.get());
    set->SetBounds(10, 10, 200, 21);
    for (const wchar_t* s : {L"Alpha", L"Beta", L"Gamma", L"Delta", L"Epsilon", L"Zeta", L"Eta"}) set->AddTab(s);
    form->Show();
    SetForegroundWindow(form->Handle());
    Pump();
    ASSERT_TRUE(set->ScrollerVisible()) << "seven tabs do not fit in 200 pixels";
    HDC dc = GetDC(set->Handle());
    std::vector<TTabSet::ShownTab> shown;
    {
        HGDIOBJ old = SelectObject(dc, set->Font().Handle());
        shown = set->ShownTabs(dc);
        SelectObject(dc, old);
    }
    ReleaseDC(set->Handle(), dc);
    ASSERT_GE(shown.size(), 2u);
    ASSERT_LT(shown.size(), 7u);
    EXPECT_EQ(shown.front().index, 0);
    EXPECT_LE(shown.back().rect.right + 21, set->Width() - set->EndMargin()) << "only whole tabs";
    RECT sr{};
    GetWindowRect(set->Scroller()->Handle(), &sr);
    MapWindowPoints(nullptr, set->Handle(), reinterpret_cast<POINT*>(&sr), 2);
    EXPECT_GE(sr.left, shown.back().rect.right) << "the scroller is right of the tabs";

    std::vector<int> changes;
    set->OnChange = [&](TObject*) { changes.push_back(set->TabIndex()); };
    const RECT second = shown[1].rect;
    Click(set->Handle(), (second.left + second.right) / 2, 10);
    ASSERT_TRUE(PumpUntil([&] { return set->TabIndex() == 1; }));
    EXPECT_EQ(changes, std::vector<int>{1});
    Click(set->Handle(), (second.left + second.right) / 2, 10);
    EXPECT_EQ(changes.size(), 1u) << "the selected tab again changes nothing";

    // The right arrow of the scroller shows the next tabs.
    Click(set->Handle(), sr.right - 4, (sr.top + sr.bottom) / 2);
    ASSERT_TRUE(PumpUntil([&] { return set->FirstIndex() == 1; }));
    // Unselected tabs are drawn in the face colour, the selected one in the window colour.
    const Pixels px = CaptureClient(set->Handle(), true);
    EXPECT_EQ(px.At(shown[0].rect.left + 3, 3), Rgb(clWindow)) << "tab 1 is now first and selected";
}

// ---------------------------------------------------------------- skinned

TEST(SkinTab, ClicksAndCtrlTabGiveTheSameIndexesAndEventsAsUnskinned) {
    auto form = ParentForm(640, 200);
    TPageControl* plain = MakePages(form.get(), 10, 10, 4);
    TPageControl* skinned = MakePages(form.get(), 320, 10, 4);
    form->Show();
    SetForegroundWindow(form->Handle());
    Pump();
    SkinFixture fx(form->Handle(), TabSkin);
    auto* obj = dynamic_cast<TSkinTab*>(AddComp(*fx.sf, skinned, form.get()));
    ASSERT_NE(obj, nullptr);
    for (int i = 0; i < skinned->PageCount(); ++i)
        EXPECT_NE(dynamic_cast<TSkinTabSheet*>(AddComp(*fx.sf, skinned->Pages(i), skinned)), nullptr);
    Pump();
    const std::vector<Step> steps = {
        {"click second", 1, false, 1},    {"click fourth, refused", 3, true, 1}, {"click fourth", 3, false, 3},
        {"Ctrl+Tab wraps", -1, false, 0}, {"Ctrl+Shift+Tab", -2, false, 3},      {"click first", 0, false, 0},
    };
    std::vector<int> plainIndexes, skinnedIndexes;
    const auto plainLog = Drive(plain, steps, plainIndexes);
    const auto skinnedLog = Drive(skinned, steps, skinnedIndexes);
    EXPECT_EQ(skinnedIndexes, plainIndexes);
    EXPECT_EQ(skinnedLog, plainLog);
    for (size_t i = 0; i < steps.size(); ++i)
        EXPECT_EQ(skinnedIndexes[i], steps[i].expectedIndex) << "case: " << steps[i].what;
    EXPECT_EQ(skinnedLog.size(), 11u);
}

TEST(SkinTab, FramesMirroringTurningAndPageBorderPerPosition) {
    struct Case {
        const char* name;
        TTabPosition pos;
        bool pageControl;
    };
    const Case cases[] = {{"top page control", tpTop, true},
                          {"bottom page control", tpBottom, true},
                          {"left tab control", tpLeft, false},
                          {"right tab control", tpRight, false}};
    for (const Case& c : cases) {
        auto form = ParentForm(340, 220);
        TCustomTabControl* tc = nullptr;
        if (c.pageControl) {
            tc = MakePages(form.get(), 10, 10, 3);
        } else {
            auto* t = new TTabControl(form.get());
            t->SetParent(form.get());
            t->SetBounds(10, 10, 300, 180);
            for (const wchar_t* s : {L"One", L"Two", L"Three"}) t->AddTab(s);
            tc = t;
        }
        tc->SetTabPosition(c.pos);
        tc->SetTabIndex(1);
        form->Show();
        Pump();
        SkinFixture fx(form->Handle(), TabSkin);
        auto* obj = dynamic_cast<TSkinTab*>(AddComp(*fx.sf, tc, form.get()));
        ASSERT_NE(obj, nullptr) << "case: " << c.name;
        EXPECT_EQ(obj->Position, static_cast<TSkinTabPosition>(c.pos)) << "case: " << c.name;
        Pump();
        const HWND h = tc->Handle();
        const Pixels px = CaptureClient(h, true);
        const RECT P = PageArea(h, c.pos);
        for (int i = 0; i < 3; ++i) {
            const RECT r = ItemRect(h, i);
            const int f = i == 1 ? 1 : 0;  // frame 2 for the focused tab, 1 for the others
            const int midX = (r.left + r.right) / 2, midY = (r.top + r.bottom) / 2;
            uint32_t outer = 0, inner = 0;
            switch (c.pos) {
                case tpTop:
                    outer = px.At(r.left + 4, r.top + 3);
                    inner = px.At(r.left + 4, std::min<int>(r.bottom + 1, P.top) - 3);
                    break;
                case tpBottom:
                    outer = px.At(r.left + 4, r.bottom - 4);
                    inner = px.At(r.left + 4, std::max<int>(r.top - 1, P.bottom) + 2);
                    break;
                case tpLeft:
                    outer = px.At(r.left + 3, midY);
                    inner = px.At(std::min<int>(r.right, P.left) - 3, midY);
                    break;
                case tpRight:
                    outer = px.At(r.right - 4, midY);
                    inner = px.At(std::max<int>(r.left, P.right) + 2, midY);
                    break;
            }
            (void)midX;
            // The outer half of the image faces away from the page in every position.
            EXPECT_EQ(outer, Rgb(kTabOuter[f])) << "case: " << c.name << ", tab " << i;
            EXPECT_EQ(inner, Rgb(kTabInner[f])) << "case: " << c.name << ", tab " << i;
        }
        // The border, nine-sliced around the page; mirrored or turned with the tabs.
        const int cx = (P.left + P.right) / 2, cy = (P.top + P.bottom) / 2;
        const uint32_t top = px.At(cx, P.top + 1), bottom = px.At(cx, P.bottom - 2);
        const uint32_t left = px.At(P.left + 1, cy), right = px.At(P.right - 2, cy);
        switch (c.pos) {
            case tpTop:
                EXPECT_EQ(top, Rgb(kBorderTop)) << c.name;
                EXPECT_EQ(bottom, Rgb(kBorderBottom)) << c.name;
                EXPECT_EQ(left, Rgb(kBorderSide)) << c.name;
                break;
            case tpBottom:
                EXPECT_EQ(top, Rgb(kBorderBottom)) << c.name;
                EXPECT_EQ(bottom, Rgb(kBorderTop)) << c.name;
                EXPECT_EQ(right, Rgb(kBorderSide)) << c.name;
                break;
            case tpLeft:
                // Turned counter-clockwise: the image's top rows run down the left side.
                EXPECT_EQ(left, Rgb(kBorderTop)) << c.name;
                EXPECT_EQ(right, Rgb(kBorderBottom)) << c.name;
                EXPECT_EQ(top, Rgb(kBorderSide)) << c.name;
                break;
            case tpRight:
                EXPECT_EQ(right, Rgb(kBorderTop)) << c.name;
                EXPECT_EQ(left, Rgb(kBorderBottom)) << c.name;
                EXPECT_EQ(bottom, Rgb(kBorderSide)) << c.name;
                break;
        }
        if (!c.pageControl) {
            EXPECT_EQ(px.At(cx, cy), Rgb(kBorderCentre)) << "a tab control shows the centre";
        }
        if (HasFailure()) px.SaveBmp(std::string("tabs_") + c.name + ".bmp");
    }
}

TEST(SkinTab, TextOfLeftTabsReadsBottomToTop) {
    // A one-tab control with a wide caption: the ink of the first letters
    // (a full-height "W") lies at the bottom of the tab, the last ones (".")
    // at the top.
    auto form = ParentForm(200, 300);
    auto* tc = new TTabControl(form.get());
    tc->SetParent(form.get());
    tc->SetBounds(10, 10, 160, 260);
    tc->AddTab(L"WWWW....");
    tc->SetTabPosition(tpLeft);
    form->Show();
    Pump();
    SkinFixture fx(form->Handle(), TabSkin);
    fx.sd->tab->Overcolor2 = clBlack;
    ASSERT_NE(AddComp(*fx.sf, tc, form.get()), nullptr);
    Pump();
    const HWND h = tc->Handle();
    const Pixels px = CaptureClient(h, true);
    const RECT r = ItemRect(h, 0);
    // Ink: anything but the focused tab's two colours.
    auto ink = [&](int y0, int y1) {
        int n = 0;
        for (int y = y0; y < y1; ++y)
            for (int x = r.left + 1; x < r.right - 1; ++x)
                if (px.At(x, y) != Rgb(kTabOuter[1]) && px.At(x, y) != Rgb(kTabInner[1])) ++n;
        return n;
    };
    int first = -1, last = -1;
    for (int y = r.top + 1; y < r.bottom - 1; ++y)
        if (ink(y, y + 1) > 0) {
            if (first < 0) first = y;
            last = y;
        }
    ASSERT_GT(last - first, 20) << "the caption runs along the tab";
    const int quarter = (last - first + 1) / 4;
    const int upper = ink(first, first + quarter), lower = ink(last + 1 - quarter, last + 1);
    EXPECT_GT(lower, 2 * upper) << "the W's are at the bottom: ink " << lower << " below, " << upper << " above";
    if (HasFailure()) px.SaveBmp("tabs_left_text.bmp");
}

TEST(SkinTab, CaptionOfADisabledTabControlIsGrey) {
    // Text is smoothed against the tab's colours, so every pixel of it lies
    // between a tab colour and the text colour: with grey text none is
    // brighter than the shadow colour, with the skin's white and yellow many are.
    auto form = ParentForm(360, 200);
    auto* tc = new TTabControl(form.get());
    tc->SetParent(form.get());
    tc->SetBounds(10, 10, 320, 160);
    tc->AddTab(L"WWWW");
    tc->AddTab(L"MMMM");
    form->Show();
    Pump();
    SkinFixture fx(form->Handle(), TabSkin);
    ASSERT_NE(AddComp(*fx.sf, tc, form.get()), nullptr);
    const HWND h = tc->Handle();
    const uint32_t shadow = Rgb(clBtnShadow);
    auto brightest = [](uint32_t c) { return std::max({c >> 16 & 0xFF, c >> 8 & 0xFF, c & 0xFF}); };
    struct Ink {
        int pixels = 0, brighterThanShadow = 0;
    };
    auto ink = [&] {
        Pump(3);
        const Pixels px = CaptureClient(h, true);
        Ink n;
        for (int i = 0; i < 2; ++i) {
            const RECT r = ItemRect(h, i);
            for (int y = std::max<LONG>(r.top + 3, 0); y < std::min<LONG>(r.bottom - 3, px.height); ++y)
                for (int x = std::max<LONG>(r.left + 3, 0); x < std::min<LONG>(r.right - 3, px.width); ++x) {
                    const uint32_t c = px.At(x, y);
                    bool tabColour = false;
                    for (int f = 0; f < 5; ++f) tabColour |= c == Rgb(kTabOuter[f]) || c == Rgb(kTabInner[f]);
                    if (tabColour) continue;
                    ++n.pixels;
                    if (brightest(c) > brightest(shadow) + 8) ++n.brighterThanShadow;
                }
        }
        return n;
    };
    const Ink enabled = ink();
    EXPECT_GT(enabled.brighterThanShadow, 10) << "enabled: the skin's text colours";
    tc->SetEnabled(false);
    InvalidateRect(h, nullptr, TRUE);
    const Ink disabled = ink();
    EXPECT_GT(disabled.pixels, 10) << "disabled: the captions are still drawn";
    EXPECT_EQ(disabled.brighterThanShadow, 0) << "disabled: the captions in the shadow colour";
}

TEST(SkinTab, ScrollArrowsOfABareTabControlStayVisible) {
    auto form = ParentForm(340, 200);
    form->Show();
    Pump();
    // A bare tab control (no clipping of its children), too narrow for its tabs.
    const HWND h = CreateWindowExW(0, WC_TABCONTROLW, L"", WS_CHILD | WS_VISIBLE, 10, 10, 220, 120, form->Handle(),
                                   nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(h, nullptr);
    SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), 0);
    for (int i = 0; i < 12; ++i) {
        std::wstring text = L"Tab number " + std::to_wstring(i + 1);
        TCITEMW item{};
        item.mask = TCIF_TEXT;
        item.pszText = text.data();
        SendMessageW(h, TCM_INSERTITEMW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
    }
    SetWindowPos(h, nullptr, 0, 0, 220, 120, SWP_NOMOVE | SWP_NOZORDER | SWP_FRAMECHANGED);
    Pump();
    const HWND arrows = FindWindowExW(h, nullptr, UPDOWN_CLASSW, nullptr);
    ASSERT_NE(arrows, nullptr);
    ASSERT_TRUE(IsWindowVisible(arrows));
    SkinFixture fx(form->Handle(), TabSkin);
    auto* obj = dynamic_cast<TSkinTab*>(AddControlh(*fx.sf, h));
    ASSERT_NE(obj, nullptr);
    EXPECT_EQ(SendMessageW(arrows, CN_SkinQuery, 0, 0), 1) << "the arrows are skinned too";
    Pump();
    RedrawWindow(arrows, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    Pump();
    RECT ar{};
    GetWindowRect(arrows, &ar);
    auto screen = [&] {
        std::vector<COLORREF> out;
        HDC dc = GetDC(nullptr);
        for (int y = ar.top + 1; y < ar.bottom - 1; y += 2)
            for (int x = ar.left + 1; x < ar.right - 1; x += 2) out.push_back(GetPixel(dc, x, y));
        ReleaseDC(nullptr, dc);
        return out;
    };
    const std::vector<COLORREF> before = screen();
    // The arrows are drawn by their own window, not in the skin's colours.
    const COLORREF skinColours[] = {static_cast<COLORREF>(ColorToRGB(kParent)), kTabOuter[0], kTabInner[0],
                                    kTabOuter[1], kTabInner[1]};
    int foreign = 0;
    for (COLORREF p : before)
        if (std::find(std::begin(skinColours), std::end(skinColours), p) == std::end(skinColours)) ++foreign;
    EXPECT_GT(foreign, static_cast<int>(before.size()) / 2);
    // Repaint only the tab control: the strip must go round the arrows.
    RedrawWindow(h, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_NOCHILDREN);
    Pump();
    EXPECT_EQ(screen(), before) << "the strip painted over the arrows";
    // The skin did paint the strip up to them.
    HDC dc = GetDC(nullptr);
    const COLORREF strip = GetPixel(dc, ar.left - 3, ar.top + 1);
    ReleaseDC(nullptr, dc);
    EXPECT_TRUE(std::find(std::begin(skinColours), std::end(skinColours), strip) != std::end(skinColours))
        << std::hex << strip;
    DestroyWindow(h);
    Pump();
}

TEST(SkinTab, CloseBoxesOnTag7777PagesAndTheFormMayRefuse) {
    auto form = ParentForm(340, 200);
    TPageControl* pc = MakePages(form.get(), 10, 10, 3);
    pc->SetTag(7777);
    TPageControl* other = MakePages(form.get(), 10, 175, 1);
    other->SetBounds(10, 175, 300, 20);
    std::vector<std::pair<WPARAM, LPARAM>> asked;
    LRESULT answer = 0;
    TWndMethod previous = form->WindowProc;
    form->WindowProc = [&](TMessage& m) {
        if (m.Msg == CN_SkinTabClose) {
            asked.emplace_back(m.WParam, m.LParam);
            m.Result = answer;
            return;
        }
        previous(m);
    };
    form->Show();
    SetForegroundWindow(form->Handle());
    Pump();
    SkinFixture fx(form->Handle(), TabSkin);
    auto* obj = dynamic_cast<TSkinTab*>(AddComp(*fx.sf, pc, form.get()));
    ASSERT_NE(obj, nullptr);
    EXPECT_TRUE(obj->showclose);
    auto* plainObj = dynamic_cast<TSkinTab*>(AddComp(*fx.sf, other, form.get()));
    ASSERT_NE(plainObj, nullptr);
    EXPECT_FALSE(plainObj->showclose) << "only Tag 7777";
    Pump();
    const HWND h = pc->Handle();
    const Pixels px = CaptureClient(h, true);
    for (int i = 0; i < 3; ++i) {
        const RECT r = ItemRect(h, i);
        // The box: a square from (right - 8, top + 2) with both diagonals, drawn one pixel down.
        EXPECT_EQ(px.At(r.right - 8, r.top + 3), 0u) << "corner of box " << i;
        EXPECT_EQ(px.At(r.right - 5, r.top + 6), 0u) << "cross of box " << i;
        EXPECT_NE(px.At(r.right - 7, r.top + 5), 0u) << "inside, off the lines, " << i;
    }
    // The form refuses: the page stays.
    answer = 1;
    RECT r = ItemRect(h, 1);
    Click(h, r.right - 5, r.top + 5);
    ASSERT_TRUE(PumpUntil([&] { return !asked.empty(); }));
    EXPECT_EQ(asked[0].first, reinterpret_cast<WPARAM>(h));
    EXPECT_EQ(asked[0].second, 1);
    EXPECT_EQ(pc->PageCount(), 3);
    EXPECT_EQ(pc->TabIndex(), 0) << "a press on the close box does not select the tab";
    // The form agrees: the page is freed with its tab.
    answer = 0;
    TTabSheet* doomed = pc->Pages(1);
    Click(h, r.right - 5, r.top + 5);
    ASSERT_TRUE(PumpUntil([&] { return pc->PageCount() == 2; }));
    EXPECT_EQ(asked.size(), 2u);
    EXPECT_EQ(SendMessageW(h, TCM_GETITEMCOUNT, 0, 0), 2);
    for (int i = 0; i < pc->PageCount(); ++i) EXPECT_NE(pc->Pages(i), doomed);
    EXPECT_EQ(ItemText(h, 1), L"Page3");
    form->WindowProc = previous;
}

TEST(SkinTab, ButtonTabsAndTabSetFromTheSkin) {
    auto form = ParentForm(340, 240);
    TPageControl* pc = MakePages(form.get(), 10, 10, 3);
    pc->SetStyle(tsButtons);
    pc->SetTabIndex(2);
    auto* set = new TTabSet(form.get());
    set->SetParent(form.get());
    set->SetBounds(10, 200, 220, 21);
    for (const wchar_t* s : {L"Alpha", L"Beta", L"Gamma", L"Delta", L"Epsilon", L"Zeta", L"Eta"}) set->AddTab(s);
    set->SetTabIndex(1);
    form->Show();
    Pump();
    SkinFixture fx(form->Handle(), TabSkin);
    EXPECT_NE(dynamic_cast<TSkinTabBtn*>(AddComp(*fx.sf, pc, form.get())), nullptr);
    EXPECT_NE(dynamic_cast<TSkinTab31*>(AddComp(*fx.sf, set, form.get())), nullptr);
    EXPECT_EQ(SendMessageW(set->Scroller()->Handle(), CN_SkinQuery, 0, 0), 1) << "the scroller is skinned too";
    RedrawWindow(form->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    Pump();
    // Button tabs: frame 2 for the focused one, seen on the screen.
    const HWND h = pc->Handle();
    HDC screen = GetDC(nullptr);
    for (int i = 0; i < 3; ++i) {
        RECT r = ItemRect(h, i);
        POINT p{r.left + 2, r.top + 3};
        ClientToScreen(h, &p);
        EXPECT_EQ(GetPixel(screen, p.x, p.y), static_cast<COLORREF>(kBtnFrames[i == 2 ? 1 : 0])) << "button tab " << i;
    }
    ReleaseDC(nullptr, screen);
    // The tab set: tabs hang down (the image mirrored: its inner half on top).
    const Pixels px = CaptureClient(set->Handle(), true);
    HDC dc = GetDC(set->Handle());
    std::vector<TTabSet::ShownTab> shown;
    {
        HGDIOBJ old = SelectObject(dc, set->Font().Handle());
        shown = set->ShownTabs(dc);
        SelectObject(dc, old);
    }
    ReleaseDC(set->Handle(), dc);
    ASSERT_GE(shown.size(), 2u);
    for (const auto& t : shown) {
        const int f = t.index == 1 ? 1 : 0;
        EXPECT_EQ(px.At(t.rect.left + 4, 2), Rgb(kTabInner[f])) << "tab " << t.index;
        EXPECT_EQ(px.At(t.rect.left + 4, 18), Rgb(kTabOuter[f])) << "tab " << t.index;
    }
    // The tabs that do not fit are dropped whole: face colour after the last one.
    EXPECT_EQ(px.At(shown.back().rect.right + 2, 4), Rgb(kFace));
    if (HasFailure()) px.SaveBmp("tabs_set.bmp");
}

namespace {

// A foreign page control that takes its tab pictures as bitmap properties.
class TForeignPages : public TPageControl {
public:
    using TPageControl::TPageControl;
    std::wstring ClassName() const override { return L"TForeignPages"; }
    TBitmap back;
    TBitmap active;
};

void RegisterForeignPages() {
    RegisterControlClasses();
    if (FindClassInfo(L"TForeignPages")) return;
    RegisterClassInfo<TForeignPages>(L"TForeignPages", L"TPageControl")
        .Object(
            L"TabBackGround", L"TBitmap", [](TForeignPages& p) -> TBitmap& { return p.back; }, [](TForeignPages&) {})
        .Object(
            L"TabBackGroundActive", L"TBitmap", [](TForeignPages& p) -> TBitmap& { return p.active; },
            [](TForeignPages&) {});
}

}  // namespace

TEST(SkinTab, ForeignPageControlGetsTabPicturesAndLosesThemWhenUnskinned) {
    RegisterForeignPages();
    auto form = ParentForm(340, 200);
    auto* pc = new TForeignPages(form.get());
    pc->SetParent(form.get());
    pc->SetBounds(10, 10, 300, 160);
    form->Show();
    Pump();
    SkinFixture fx(form->Handle(), TabSkin);
    TStringList third;
    third.Add(L"TForeignPages=advpagecontrol");
    fx.sd->SetSkin3rd(third);
    auto* obj = dynamic_cast<TSkinAdvPage*>(AddComp(*fx.sf, pc, form.get()));
    ASSERT_NE(obj, nullptr);
    EXPECT_EQ(obj->Kind(), 4);
    struct Case {
        const char* name;
        TBitmap& bmp;
        int frame;
    };
    const Case cases[] = {{"TabBackGround", pc->back, 0}, {"TabBackGroundActive", pc->active, 1}};
    for (const Case& c : cases) {
        ASSERT_EQ(c.bmp.Width(), 100) << c.name;
        ASSERT_EQ(c.bmp.Height(), 21) << c.name;
        EXPECT_EQ(c.bmp.Pixel(50, 4), kTabOuter[c.frame]) << c.name;
        EXPECT_EQ(c.bmp.Pixel(50, 17), kTabInner[c.frame]) << c.name;
    }
    obj->Unsubclass();
    EXPECT_TRUE(pc->back.Empty());
    EXPECT_TRUE(pc->active.Empty());
}
