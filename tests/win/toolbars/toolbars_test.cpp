// Tool bars, control bars, panels, group boxes and bare containers on real
// windows under Wine: the framework's own behaviour driven by SendInput, and
// their skinning read back from the screen. The skin is built in memory from
// flat, distinct colours so each part is known by its pixels.
#include <gtest/gtest.h>

// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "framework/controls/ButtonControls.h"
#include "framework/controls/FormsAndApplication.h"
#include "framework/controls/Menus.h"
#include "framework/controls/ScrollingControls.h"
#include "framework/controls/TimerAndPanel.h"
#include "framework/controls/ToolBars.h"
#include "skin/controls/ControlSkinning.h"
#include "skin/controls/SkinBox.h"
#include "skin/form/SkinData_win.h"
#include "tests/win/support/ClientPixels.h"
#include "tests/win/support/Input.h"
#include "tests/win/support/SkinFixture.h"
#include "tests/win/support/TestForm.h"

namespace {

using test_support::CaptureClient;
using test_support::MakeForm;
using test_support::MouseButton;
using test_support::MouseTo;
using test_support::Pump;
using test_support::PumpUntil;
using test_support::SkinFixture;

// Colours as TColor (0x00BBGGRR).
constexpr TColor kFace = 0x303030;
constexpr TColor kShadow = 0x00A0F0;
constexpr TColor kButtonFrames[5] = {0x0000C0, 0x00C000, 0xC00000, 0x00C0C0, 0xC000C0};  // frames 1..5
constexpr TColor kBarTop = 0x804000;
constexpr TColor kBarBottom = 0x008040;

uint32_t Rgb(TColor c) {
    c = ColorToRGB(c);
    return (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
}

// What the screen shows at a client point of hwnd.
uint32_t ScreenPixel(HWND hwnd, int x, int y) {
    return CaptureClient(hwnd, false).At(x, y);
}

// Where the form goes on the screen.
constexpr POINT kFormAt{50, 50};

template <class C>
C* Place(TWinControl* parent, int x, int y, int w, int h, const std::wstring& caption = L"") {
    auto* c = new C(parent);
    c->SetParent(parent);
    c->SetBounds(x, y, w, h);
    if (!caption.empty()) c->SetCaption(caption);
    return c;
}

// Button frames 1..5 and a tool bar background of two halves.
void ToolbarSkin(TSkinData& sd) {
    sd.Colors[csButtonFace] = kFace;
    sd.Colors[csButtonShadow] = kShadow;
    sd.Colors[csButtonText] = clWhite;
    sd.Button = std::make_unique<TDataSkinButton>(L"Button");
    auto& b = *sd.Button;
    b.Map.SetSize(5 * 20, 20);
    for (int f = 0; f < 5; ++f)
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 20; ++x) b.Map.SetPixel(f * 20 + x, y, kButtonFrames[f]);
    b.r = TRect{3, 3, 3, 3};
    b.frame = 5;
    // Two halves, so a stretch over the bar's height shows both.
    sd.Toolbar = std::make_unique<TDataSkinObject>(L"Toolbar");
    sd.Toolbar->Map.SetSize(10, 40);
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 10; ++x) sd.Toolbar->Map.SetPixel(x, y, y < 20 ? kBarTop : kBarBottom);
    sd.Toolbar->frame = 1;
    TSkinOptions options = sd.Options();
    options.Exclude(xoToolbarBK);
    sd.SetOptions(options);
}

// A bar of four buttons: plain, check, disabled, then a separator and a plain one.
struct BarForm {
    std::unique_ptr<TForm> form = MakeForm(360, 140, kFormAt);
    TToolBar* bar = Place<TToolBar>(form.get(), 10, 10, 300, 30);
    std::vector<TToolButton*> buttons;
    std::vector<int> clicks = std::vector<int>(5, 0);

    BarForm() {
        const TToolButtonStyle styles[] = {tbsButton, tbsCheck, tbsButton, tbsSeparator, tbsButton};
        for (int i = 0; i < 5; ++i) {
            auto* b = new TToolButton(bar);
            b->SetStyle(styles[i]);
            b->OnClick = [this, i](TObject*) { ++clicks[static_cast<size_t>(i)]; };
            buttons.push_back(b);
        }
        buttons[2]->SetEnabled(false);
        // Flat: the bar tracks the hot button, which tells when the mouse has arrived.
        bar->SetFlat(true);
        // Something of the form holds the focus, so the first press is a click, not an activation.
        auto* focus = Place<TButton>(form.get(), 240, 100, 100, 25, L"Focus");
        form->Show();
        SetForegroundWindow(form->Handle());
        focus->SetFocus();
        PumpUntil([&] { return GetForegroundWindow() == form->Handle() && GetFocus() == focus->WindowHandle(); });
        MouseAway();
    }
    HWND Bar() const { return bar->WindowHandle(); }
    POINT Centre(int i) const {
        const RECT r = buttons[static_cast<size_t>(i)]->BoundsRect();
        return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    }
    LRESULT HotItem() const { return SendMessageW(Bar(), TB_GETHOTITEM, 0, 0); }
    // A press and release in the middle of button i, each step seen by the bar before the next.
    void ClickButton(int i) {
        TToolButton* b = buttons[static_cast<size_t>(i)];
        const bool live = b->Enabled() && b->Style() != tbsSeparator;
        const POINT p = Centre(i);
        MouseTo(Bar(), p.x, p.y);
        if (live && bar->Flat())
            EXPECT_TRUE(PumpUntil([&] { return HotItem() == i; })) << "button " << i << " hot";
        else
            Pump(10);
        MouseButton(true);
        if (live)
            EXPECT_TRUE(PumpUntil([&] { return SendMessageW(Bar(), TB_ISBUTTONPRESSED, b->Command(), 0) != 0; }))
                << "button " << i << " pressed";
        else
            Pump(10);
        MouseButton(false);
        Pump(5);
        // The next press must not make a double click.
        const DWORD until = GetTickCount() + GetDoubleClickTime() + 50;
        PumpUntil([&] { return GetTickCount() > until; });
    }
    void MouseAway() {
        MouseTo(form->Handle(), 340, 130);
        if (bar->Flat()) PumpUntil([&] { return HotItem() < 0; });
        Pump(5);
    }
};

}  // namespace

TEST(ToolBar, ClicksGiveOneOnClickCheckButtonsToggleDisabledAndSeparatorsDoNothing) {
    BarForm f;
    EXPECT_EQ(GetWindowClassname(f.Bar()), L"TToolBar");
    ASSERT_EQ(SendMessageW(f.Bar(), TB_BUTTONCOUNT, 0, 0), 5);
    EXPECT_NE(f.buttons[0]->Command(), f.buttons[4]->Command());
    f.ClickButton(0);
    ASSERT_TRUE(PumpUntil([&] { return f.clicks[0] > 0; }));
    Pump(5);
    EXPECT_EQ(f.clicks[0], 1) << "one press and release, one click";

    EXPECT_FALSE(f.buttons[1]->Down());
    f.ClickButton(1);
    ASSERT_TRUE(PumpUntil([&] { return f.clicks[1] == 1; }));
    EXPECT_TRUE(f.buttons[1]->Down()) << "a check button stays down";
    f.ClickButton(1);
    ASSERT_TRUE(PumpUntil([&] { return f.clicks[1] == 2; }));
    EXPECT_FALSE(f.buttons[1]->Down()) << "and comes up on the next click";

    f.ClickButton(2);
    f.ClickButton(3);
    Pump(10);
    EXPECT_EQ(f.clicks[2], 0) << "disabled";
    EXPECT_EQ(f.clicks[3], 0) << "separator";
    EXPECT_EQ(f.clicks[0], 1);

    // Setting from code reaches the window; the state survives a rebuild of the buttons.
    f.buttons[1]->SetDown(true);
    f.buttons[4]->SetCaption(L"Text");
    EXPECT_TRUE(f.buttons[1]->Down());
    EXPECT_EQ(SendMessageW(f.Bar(), TB_BUTTONCOUNT, 0, 0), 5);
    delete f.buttons[4];
    f.buttons.pop_back();
    EXPECT_EQ(SendMessageW(f.Bar(), TB_BUTTONCOUNT, 0, 0), 4) << "a freed button leaves the bar";
    f.MouseAway();
}

TEST(ControlBar, BandsRunInRowsAndWrapAndLeaveWithTheirControls) {
    auto form = MakeForm(400, 200, kFormAt);
    auto* cbar = Place<TControlBar>(form.get(), 10, 10, 300, 80);
    cbar->SetRowSize(30);
    auto* one = Place<TButton>(form.get(), 0, 0, 120, 22, L"One");
    auto* two = Place<TButton>(form.get(), 0, 0, 100, 22, L"Two");
    auto* three = Place<TButton>(form.get(), 0, 0, 100, 40, L"Three");
    cbar->AddBand(one);
    cbar->AddBand(two);
    cbar->AddBand(three);
    form->Show();
    Pump();
    ASSERT_EQ(cbar->BandCount(), 3);
    const int grip = TControlBar::kGripWidth;
    EXPECT_EQ(one->Parent(), cbar);
    const RECT b0 = cbar->BandRect(0), b1 = cbar->BandRect(1), b2 = cbar->BandRect(2);
    EXPECT_EQ(b0.left, 0);
    EXPECT_EQ(b0.top, 0);
    EXPECT_EQ(b1.left, b0.right) << "the second band follows the first in its row";
    EXPECT_EQ(b1.top, 0);
    EXPECT_EQ(b2.left, 0) << "the third does not fit and opens a row";
    EXPECT_EQ(b2.top, 30);
    EXPECT_EQ(one->Left(), grip + 2) << "a control sits behind its grip";
    EXPECT_EQ(two->Left(), b1.left + grip + 2);
    EXPECT_EQ(three->Top(), 30 + 2) << "a control higher than the row is cut to it";
    EXPECT_EQ(three->Height(), 26);
    RECT wr{};
    GetWindowRect(three->WindowHandle(), &wr);
    MapWindowPoints(nullptr, cbar->WindowHandle(), reinterpret_cast<POINT*>(&wr), 2);
    EXPECT_EQ(wr.left, grip + 2) << "the window is where the band puts it";
    EXPECT_EQ(wr.top, 32);

    // The three bands are 135 + 115 + 115 = 365 wide.
    cbar->SetBounds(10, 10, 364, 80);
    EXPECT_EQ(cbar->BandRect(2).top, 30) << "still a second row: one pixel short";
    cbar->SetBounds(10, 10, 365, 80);
    EXPECT_EQ(cbar->BandRect(2).top, 0) << "wide enough: one row";
    delete two;
    cbar->LayoutBands();
    ASSERT_EQ(cbar->BandCount(), 2) << "a freed control's band goes";
    EXPECT_EQ(cbar->BandRect(1).left, cbar->BandRect(0).right);
    EXPECT_EQ(three->Left(), cbar->BandRect(1).left + grip + 2);
}

TEST(SkinGroupBox, RoundedFrameCaptionInterruptsTheLineFaceAndWindowlessChildren) {
    auto form = MakeForm(300, 200, kFormAt);
    auto* box = Place<TGroupBox>(form.get(), 20, 20, 200, 120, L"Group");
    auto* label = Place<TLabel>(box, 20, 50, 80, 20, L"Inside");
    form->Show();
    SkinFixture fx(form->Handle(), ToolbarSkin);
    fx.sf->Skinstate = SkinStage::Skinned;
    auto* obj = dynamic_cast<TSkinGroupBox*>(AddComp(*fx.sf, box, form.get()));
    ASSERT_NE(obj, nullptr);
    EXPECT_EQ(obj->Kind(), 1);
    Pump();
    const HWND h = box->WindowHandle();
    for (bool print : {false, true}) {
        const auto px = CaptureClient(h, print);
        const char* how = print ? "printed" : "on screen";
        // The frame's top line is at half the caption's height.
        int top = -1;
        for (int y = 0; y < 30 && top < 0; ++y)
            if (px.At(100, y) == Rgb(kShadow)) top = y;
        ASSERT_GT(top, 0) << how << ": the top line right of the caption";
        const int w = px.width, hgt = px.height;
        EXPECT_EQ(px.At(5, top), Rgb(kShadow)) << how << ": the top line left of the caption";
        EXPECT_EQ(px.At(1, top + 10), Rgb(kShadow)) << how << ": left line";
        EXPECT_EQ(px.At(w - 2, top + 10), Rgb(kShadow)) << how << ": right line";
        EXPECT_EQ(px.At(100, hgt - 2), Rgb(kShadow)) << how << ": bottom line";
        // Rounded: no corner pixel is drawn.
        for (POINT c : {POINT{1, top}, POINT{w - 2, top}, POINT{1, hgt - 2}, POINT{w - 2, hgt - 2}})
            EXPECT_EQ(px.At(c.x, c.y), Rgb(kFace)) << how << ": corner " << c.x << "," << c.y;
        int lineUnderCaption = 0;
        for (int x = 10; x < 30; ++x) lineUnderCaption += px.At(x, top) == Rgb(kShadow);
        EXPECT_EQ(lineUnderCaption, 0) << how << ": the caption interrupts the line";
        EXPECT_EQ(px.At(150, 90), Rgb(kFace)) << how << ": face colour inside";
        EXPECT_EQ(px.At(0, 50), Rgb(kFace)) << how << ": face colour outside the line";
        const RECT lr = RECT{label->Left(), label->Top(), label->Left() + label->Width(), label->Top() + 16};
        EXPECT_GT(px.CountInk(lr, Rgb(kFace)), 10) << how << ": the label inside is painted";
    }
}

TEST(SkinBox, PanelTakesTheFaceColourAndGetsItsOwnBack) {
    auto form = MakeForm(300, 200, kFormAt);
    auto* panel = Place<TPanel>(form.get(), 20, 20, 200, 100);
    panel->SetColor(0x123456);
    auto* inner = Place<TButton>(panel, 10, 10, 80, 25, L"Inner");
    form->Show();
    Pump();
    const HWND h = panel->WindowHandle();
    EXPECT_EQ(ScreenPixel(h, 100, 70), Rgb(0x123456));
    SkinFixture fx(form->Handle(), ToolbarSkin);
    fx.sf->Skinstate = SkinStage::Skinned;
    TSkinControl* obj = AddComp(*fx.sf, panel, form.get());
    ASSERT_NE(obj, nullptr);
    EXPECT_EQ(obj->ClassName(), L"TSkinBox");
    EXPECT_TRUE(fx.sf->FindSkinComp(panel)) << "listed, so not skinned twice";
    EXPECT_EQ(AddComp(*fx.sf, panel, form.get()), nullptr);
    EXPECT_EQ(SendMessageW(h, CN_SkinQuery, 0, 0), 1) << "a box answers as skinned";
    EXPECT_TRUE(fx.sf->FindSkinComp(inner)) << "the children went through the table";
    EXPECT_EQ(panel->Color(), kFace);
    Pump();
    EXPECT_EQ(ScreenPixel(h, 100, 70), Rgb(kFace));
    fx.sf->DeleteControls();
    EXPECT_TRUE(fx.sf->Controllist.empty());
    EXPECT_EQ(panel->Color(), 0x123456) << "unskinned: its own colour again";
    EXPECT_EQ(SendMessageW(h, CN_SkinQuery, 0, 0), 0) << "and no skin answers";
    Pump();
    EXPECT_EQ(ScreenPixel(h, 100, 70), Rgb(0x123456));
}

namespace {
// A foreign container that carries a scroll bar inside (named in Skin3rd).
class TBarHolder : public TPanel {
public:
    using TPanel::TPanel;
    std::wstring ClassName() const override { return L"TBarHolder"; }
};
}  // namespace

TEST(SkinBox, NestedFormAndEmbeddedScrollBar) {
    auto form = MakeForm(360, 260, kFormAt);
    // A form placed inside another gets a face-coloured box, its controls their objects.
    auto* nested = new TForm(form.get());
    nested->SetBorderStyle(bsNone);
    nested->SetParent(form.get());
    nested->SetBounds(10, 10, 160, 100);
    nested->SetColor(0x123456);
    auto* inner = Place<TButton>(nested, 10, 10, 80, 25, L"Inner");
    // A foreign holder whose scroll bar is the part to skin.
    auto* holder = Place<TBarHolder>(form.get(), 10, 130, 300, 60);
    auto* bar = new TScrollBar(form.get());
    bar->SetParent(holder);
    bar->SetBounds(5, 5, 280, GetSystemMetrics(SM_CYHSCROLL));
    form->Show();
    nested->Show();
    Pump();
    SkinFixture fx(form->Handle(), ToolbarSkin);
    fx.sf->Skinstate = SkinStage::Skinned;
    fx.sf->InitNestform(nested);
    TSkinControl* box = fx.sf->Lookupcontrol(nested->Handle());
    ASSERT_NE(box, nullptr) << "the nested form gets its box";
    EXPECT_EQ(box->ClassName(), L"TSkinBox");
    EXPECT_EQ(nested->Color(), kFace);
    EXPECT_TRUE(fx.sf->FindSkinComp(inner)) << "its controls went through the table";

    TStringList third = fx.sd->Skin3rd();
    third.Add(L"TBarHolder=embedscrollbar");
    fx.sd->SetSkin3rd(third);
    TSkinControl* made = AddComp(*fx.sf, holder, form.get());
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(made->ClassName(), L"TSkinScControl");
    EXPECT_EQ(made->Window(), bar->Handle()) << "the bar inside, not the holder";
    EXPECT_EQ(fx.sf->Lookupcontrol(holder->Handle()), nullptr);

    fx.sf->DeleteControls();
    EXPECT_EQ(nested->Color(), 0x123456) << "unskinned: its own colour again";
}

namespace {

// The nested dialog handles nothing itself (stdcall on i686, which a lambda is not).
INT_PTR CALLBACK PlainDialogProc(HWND, UINT, WPARAM, LPARAM) {
    return FALSE;
}

// A child dialog ("#32770", no tab stop) with a static text, made from a template in memory.
HWND MakeChildDialog(HWND parent) {
    struct alignas(4) Template {
        DLGTEMPLATE dlg;
        WORD menu, cls, title;
        DLGITEMTEMPLATE item alignas(4);
        WORD itemClass[2];
        WCHAR itemText[8];
        WORD extra;
    } t{};
    t.dlg.style = WS_CHILD | WS_VISIBLE | DS_CONTROL;
    t.dlg.cdit = 1;
    t.dlg.cx = 150;
    t.dlg.cy = 80;
    t.item.style = WS_CHILD | WS_VISIBLE | SS_LEFT;
    t.item.x = 5;
    t.item.y = 5;
    t.item.cx = 100;
    t.item.cy = 20;
    t.item.id = 300;
    t.itemClass[0] = 0xFFFF;
    t.itemClass[1] = 0x0082;  // static
    wcscpy(t.itemText, L"Static");
    return CreateDialogIndirectParamW(GetModuleHandleW(nullptr), &t.dlg, parent, PlainDialogProc, 0);
}

struct BareParent {
    HWND hwnd = nullptr;
    BareParent() {
        WNDCLASSW wc{};
        wc.lpfnWndProc = DefWindowProcW;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"ToolBarsTestParent";
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        RegisterClassW(&wc);
        hwnd = CreateWindowExW(0, wc.lpszClassName, L"parent", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 60, 60, 480, 300,
                               nullptr, nullptr, wc.hInstance, nullptr);
    }
    ~BareParent() { DestroyWindow(hwnd); }
};

}  // namespace

TEST(SkinBoxH, BareDialogToolBarAndSizeGripWindowsTakeTheFaceColour) {
    BareParent parent;
    const HWND dialog = MakeChildDialog(parent.hwnd);
    ASSERT_NE(dialog, nullptr);
    SetWindowPos(dialog, nullptr, 10, 10, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    const HWND text = GetDlgItem(dialog, 300);
    ASSERT_NE(text, nullptr);
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_BAR_CLASSES};
    InitCommonControlsEx(&icc);
    const HWND bar =
        CreateWindowExW(0, TOOLBARCLASSNAMEW, L"", WS_CHILD | WS_VISIBLE | CCS_NOPARENTALIGN | CCS_NORESIZE, 10, 200,
                        300, 30, parent.hwnd, nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(bar, nullptr);
    // A scroll bar without a tab stop: the size grip of a dialog.
    const HWND grip = CreateWindowExW(0, L"SCROLLBAR", L"", WS_CHILD | WS_VISIBLE | SBS_SIZEGRIP, 400, 200, 20, 20,
                                      parent.hwnd, nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(grip, nullptr);
    Pump();
    SkinFixture fx(parent.hwnd, ToolbarSkin);
    fx.sf->Skinstate = SkinStage::Skinned;
    struct Case {
        const char* name;
        HWND window;
        POINT empty;
        const wchar_t* object;
    };
    const Case cases[] = {{"nested dialog", dialog, {200, 100}, L"TSkinBoxH"},
                          {"tool bar window", bar, {250, 15}, L"TSkinBoxH"},
                          {"size grip", grip, {17, 17}, L"TSkinSizer"}};
    for (const Case& c : cases) {
        EXPECT_NE(ScreenPixel(c.window, c.empty.x, c.empty.y), Rgb(kFace)) << "case: " << c.name;
        TSkinControl* obj = AddControlh(*fx.sf, c.window);
        ASSERT_NE(obj, nullptr) << "case: " << c.name;
        EXPECT_EQ(obj->ClassName(), c.object) << "case: " << c.name;
        RedrawWindow(c.window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        Pump();
        EXPECT_EQ(ScreenPixel(c.window, c.empty.x, c.empty.y), Rgb(kFace)) << "case: " << c.name;
    }
    // The static text of the dialog stands on the face colour too.
    const auto px = CaptureClient(text, false);
    EXPECT_EQ(px.At(px.width - 2, px.height - 2), Rgb(kFace)) << "static background";
    fx.sf->DeleteControls();
    RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    Pump();
    EXPECT_NE(ScreenPixel(dialog, 200, 100), Rgb(kFace)) << "unskinned";
    DestroyWindow(grip);
    DestroyWindow(bar);
    DestroyWindow(dialog);
}

TEST(SkinToolBar, BackgroundStretchedAndButtonFramesPerState) {
    BarForm f;
    f.MouseAway();
    f.bar->SetFlat(false);
    SkinFixture fx(f.form->Handle(), ToolbarSkin);
    fx.sf->Skinstate = SkinStage::Skinned;
    TSkinControl* obj = AddComp(*fx.sf, f.bar, f.form.get());
    ASSERT_NE(obj, nullptr);
    EXPECT_EQ(obj->ClassName(), L"TSkinBox");
    EXPECT_TRUE(f.bar->Flat()) << "the selection makes the bar flat";
    ASSERT_TRUE(f.bar->OnCustomDraw);
    ASSERT_TRUE(f.bar->OnCustomDrawButton);
    InvalidateRect(f.Bar(), nullptr, TRUE);
    Pump();
    const HWND bar = f.Bar();
    const RECT client = [&] {
        RECT r{};
        GetClientRect(bar, &r);
        return r;
    }();
    const int gapX = client.right - 5;
    EXPECT_EQ(ScreenPixel(bar, gapX, 1), Rgb(kBarTop)) << "top half of the image";
    EXPECT_EQ(ScreenPixel(bar, gapX, client.bottom - 2), Rgb(kBarBottom)) << "bottom half, stretched";

    auto framePixel = [&](int i) {
        const RECT r = f.buttons[static_cast<size_t>(i)]->BoundsRect();
        return ScreenPixel(bar, r.left + 2, r.top + 2);
    };
    EXPECT_TRUE(PumpUntil([&] { return framePixel(0) == Rgb(kButtonFrames[0]); })) << "normal: frame 1";
    EXPECT_EQ(framePixel(4), Rgb(kButtonFrames[0]));
    EXPECT_NE(framePixel(2), Rgb(kButtonFrames[0])) << "disabled keeps the system look";
    EXPECT_NE(framePixel(2), Rgb(kButtonFrames[3]));

    const POINT p = f.Centre(0);
    MouseTo(bar, p.x, p.y);
    EXPECT_TRUE(PumpUntil([&] { return framePixel(0) == Rgb(kButtonFrames[3]); })) << "hot: frame 4";
    EXPECT_EQ(framePixel(4), Rgb(kButtonFrames[0])) << "only the button under the mouse";
    MouseButton(true);
    EXPECT_TRUE(PumpUntil([&] { return framePixel(0) == Rgb(kButtonFrames[1]); })) << "pressed: frame 2";
    MouseButton(false);
    ASSERT_TRUE(PumpUntil([&] { return f.clicks[0] == 1; }));
    Pump(5);
    EXPECT_EQ(f.clicks[0], 1) << "the skinned button still clicks once";
    f.MouseAway();
    EXPECT_TRUE(PumpUntil([&] { return framePixel(0) == Rgb(kButtonFrames[0]); })) << "normal again";

    // The options that keep the system look.
    TSkinOptions options = fx.sd->Options();
    options.Include(xoToolbarBK);
    options.Include(xoToolbarButton);
    fx.sd->SetOptions(options);
    InvalidateRect(bar, nullptr, TRUE);
    Pump();
    EXPECT_NE(ScreenPixel(bar, gapX, 1), Rgb(kBarTop)) << "xoToolbarBK";
    EXPECT_NE(ScreenPixel(bar, gapX, client.bottom - 2), Rgb(kBarBottom)) << "xoToolbarBK";
    EXPECT_NE(framePixel(0), Rgb(kButtonFrames[0])) << "xoToolbarButton";

    fx.sf->DeleteControls();
    EXPECT_FALSE(f.bar->OnCustomDraw) << "unskinned: the painters are gone";
    EXPECT_FALSE(f.bar->OnCustomDrawButton);
}

TEST(SkinToolBar, HandlersOfTheApplicationStayAndDropDownMenusArePainted) {
    BarForm f;
    int own = 0;
    f.bar->OnCustomDraw = [&](TToolBar*, TToolBarCustomDraw&) { ++own; };
    auto* menu = new TPopupMenu(f.form.get());
    auto* item = new TMenuItem(menu->Items());
    item->SetCaption(L"Item");
    menu->Items()->Add(item);
    f.buttons[4]->SetStyle(tbsDropDown);
    f.buttons[4]->SetDropdownMenu(menu);
    SkinFixture fx(f.form->Handle(), ToolbarSkin);
    fx.sf->Skinstate = SkinStage::Skinned;
    ASSERT_NE(AddComp(*fx.sf, f.bar, f.form.get()), nullptr);
    EXPECT_TRUE(f.bar->OnCustomDrawButton) << "the unassigned event takes the painter";
    EXPECT_TRUE(menu->OwnerDraw()) << "the drop-down menu is skinned";
    EXPECT_TRUE(item->OnDrawItem);
    InvalidateRect(f.Bar(), nullptr, TRUE);
    Pump();
    EXPECT_GT(own, 0) << "the application's background handler runs";
    fx.sf->DeleteControls();
    ASSERT_TRUE(f.bar->OnCustomDraw) << "and stays after unskinning";
    EXPECT_FALSE(f.bar->OnCustomDrawButton);
    own = 0;
    InvalidateRect(f.Bar(), nullptr, TRUE);
    Pump();
    EXPECT_GT(own, 0);
}

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    InitCommonControls();
    Application->Initialize();
    InstallControlSkinning();
    return RUN_ALL_TESTS();
}
