// Skinned list views, check list boxes and foreign check glyphs on real
// windows under Wine, with a skin of flat distinct colours: a header click
// reports the same column skinned as unskinned, the header shows the skin's
// frames and hot item, the scroll bars are the skin's overlays, a click on a
// check box toggles the same item, the 12-frame strip's frames show the
// states, and a foreign check box gets its strips and its own glyphs back.
#include <gtest/gtest.h>

// clang-format off
#include <winsock2.h>
#include <windows.h>
#include <commctrl.h>
// clang-format on

#include <memory>
#include <vector>

#include "framework/controls/ButtonControls.h"
#include "framework/controls/ControlsStreaming.h"
#include "framework/streaming/PublishedProperties.h"
#include "skin/controls/ControlSkinning.h"
#include "skin/controls/SkinListView.h"
#include "skin/form/SkinData_win.h"
#include "tests/win/lists/ListsFixture.h"
#include "tests/win/support/ClientPixels.h"
#include "tests/win/support/SkinFixture.h"

namespace {

using namespace lists_test;
using test_support::CaptureClient;
using test_support::FillStrip;
using test_support::SkinFixture;

constexpr TColor kFace = 0x303030;
constexpr TColor kHeaderNormal = 0x0000C0;
constexpr TColor kHeaderHot = 0x00C000;

uint32_t Rgb(TColor c) {
    return (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
}

// A distinct colour for strip frame i (1-based).
TColor StripColor(int i) {
    return static_cast<TColor>(0x0C0C0C * i + 0x000080);
}

// Buttons, checkFrames check-box frames, radio frames, header frames and scroll arrows.
void ListSkin(TSkinData& sd, int checkFrames) {
    sd.Colors[csButtonFace] = kFace;
    sd.Colors[csButtonText] = clWhite;
    sd.Button = std::make_unique<TDataSkinButton>(L"Button");
    FillStrip(sd.Button->Map, 5, 20, 20, [](int i) { return static_cast<TColor>(0x202020 * i); });
    sd.Button->frame = 5;
    FillStrip(sd.Button->CheckMap, checkFrames, 13, 13, StripColor);
    sd.Button->checkframe = checkFrames;
    FillStrip(sd.Button->RadioMap, 4, 12, 12, [](int i) { return static_cast<TColor>(0x00A000 + i); });
    sd.Button->radioframe = 4;
    sd.Header = std::make_unique<TDataSkinObject>(L"Header");
    FillStrip(sd.Header->Map, 5, 12, 18, [](int i) {
        return i == 1 ? kHeaderNormal : i == 2 ? kHeaderHot : static_cast<TColor>(0x404040 * i);
    });
    sd.Header->frame = 5;
    sd.Header->r = TRect{2, 2, 2, 2};
    const int cw = GetSystemMetrics(SM_CXVSCROLL);
    sd.SArrow = std::make_unique<TDataSkinObject>(L"SArrow");
    FillStrip(sd.SArrow->Map, 23, cw, cw, [](int i) { return static_cast<TColor>(0x00B0B0 + i); });
    sd.SArrow->frame = 23;
}

class SkinnedListsTest : public ::testing::Test {
protected:
    void SetUp() override {
        RegisterControlClasses();
        InstallControlSkinning();
        form = std::make_unique<TForm>(nullptr);
        form->SetBorderStyle(bsSingle);
        form->SetClientWidth(480);
        form->SetClientHeight(140);
        form->SetLeft(70);
        form->SetTop(70);
    }
    void ShowForm() {
        form->Show();
        const HWND h = form->Handle();
        SetForegroundWindow(h);
        UpdateWindow(h);
        ASSERT_TRUE(PumpUntil([&] { return GetForegroundWindow() == h; })) << "the form did not come to the front";
        // The display shows the window a little after Wine says it is in front.
        PumpFor(300);
    }
    void TearDown() override {
        ParkMouse();
        fx.reset();
        form.reset();
        Pump();
    }
    std::unique_ptr<TForm> form;
    std::unique_ptr<SkinFixture> fx;
};

// The column each of a sequence of header clicks reports, skinned or not.
std::vector<int> HeaderClicks(TForm* form, SkinFixture* fx, bool skinned) {
    TListView* lv = MakeListView(form);
    std::vector<int> clicks;
    lv->OnColumnClick = [&](TObject*, int column) {
        clicks.push_back(column);
        lv->SortBy(column, true);
    };
    lv->HandleNeeded();
    if (skinned) {
        EXPECT_NE(dynamic_cast<TSkinListView*>(AddComp(*fx->sf, lv, form)), nullptr);
    }
    Pump();
    for (int column : {2, 0, 1}) {
        HWND header = lv->HeaderHandle();
        RECT r{};
        Header_GetItemRect(header, column, &r);
        Click(header, (r.left + r.right) / 2, (r.top + r.bottom) / 2);
        PumpFor(GetDoubleClickTime() + 200);  // no double click
    }
    EXPECT_EQ(lv->ItemText(0, 1), L"10") << "sorted by the last column clicked";
    delete lv;
    Pump();
    return clicks;
}

TEST_F(SkinnedListsTest, HeaderClicksReportTheSameColumnsSkinnedAsUnskinned) {
    ShowForm();
    fx = std::make_unique<SkinFixture>(form->Handle(), ListSkin, 12);
    const std::vector<int> plain = HeaderClicks(form.get(), fx.get(), false);
    const std::vector<int> skinned = HeaderClicks(form.get(), fx.get(), true);
    EXPECT_EQ(plain, (std::vector<int>{2, 0, 1}));
    EXPECT_EQ(skinned, plain);
}

TEST_F(SkinnedListsTest, HeaderFramesHotTrackingAndScrollBars) {
    TListView* lv = MakeListView(form.get());
    ShowForm();
    fx = std::make_unique<SkinFixture>(form->Handle(), ListSkin, 12);
    auto* obj = dynamic_cast<TSkinListView*>(AddComp(*fx->sf, lv, form.get()));
    ASSERT_NE(obj, nullptr);
    ASSERT_NE(obj->header, nullptr) << "the list view's header is skinned";
    EXPECT_EQ(obj->hHwnd, lv->HeaderHandle());
    Pump(10);
    HWND header = lv->HeaderHandle();
    RECT r0{}, r1{};
    Header_GetItemRect(header, 0, &r0);
    Header_GetItemRect(header, 1, &r1);
    const int y = (r0.top + r0.bottom) / 2;
    auto px = CaptureClient(header, true);
    EXPECT_EQ(px.At(r0.left + 3, 1 + 2), Rgb(kHeaderNormal)) << "column 0 in the normal frame";
    EXPECT_EQ(px.At(r1.left + 3, 1 + 2), Rgb(kHeaderNormal)) << "column 1 in the normal frame";
    // The pointer over column 1 makes it hot.
    test_support::MouseTo(header, (r1.left + r1.right) / 2, y);
    ASSERT_TRUE(PumpUntil([&] { return obj->header->indexitem == 1; })) << "column 1 did not become hot";
    px = CaptureClient(header, true);
    EXPECT_EQ(px.At(r1.left + 3, 1 + 2), Rgb(kHeaderHot)) << "the hot column in the hot frame";
    EXPECT_EQ(px.At(r0.left + 3, 1 + 2), Rgb(kHeaderNormal));

    // Nine rows in a short list: a vertical bar, drawn by the skin's overlay.
    ASSERT_NE(obj->vb, nullptr);
    EXPECT_TRUE(PumpUntil([&] { return obj->vb->sbVisible && IsWindowVisible(obj->vb->Handle()); }))
        << "no skinned vertical scroll bar over the list view";
    const auto bar = CaptureClient(obj->vb->Handle(), false);
    EXPECT_EQ(bar.At(bar.width / 2, 2), Rgb(static_cast<TColor>(0x00B0B0 + 9)))
        << "the up arrow is frame 9 of the skin's arrow strip";

    // Unskinned: the header's own look again.
    obj->Unsubclass();
    InvalidateRect(header, nullptr, TRUE);
    Pump(10);
    px = CaptureClient(header, true);
    EXPECT_NE(px.At(r0.left + 3, 1 + 2), Rgb(kHeaderNormal));
}

TEST_F(SkinnedListsTest, CheckListClickTogglesTheSameItemSkinned) {
    for (bool skinned : {false, true}) {
        TCheckListBox* cl = MakeCheckList(form.get());
        std::vector<int> clicked;
        cl->OnClickCheck = [&](TObject*, int index) { clicked.push_back(index); };
        if (!form->Visible()) ShowForm();
        if (!fx) fx = std::make_unique<SkinFixture>(form->Handle(), ListSkin, 12);
        if (skinned) {
            ASSERT_NE(dynamic_cast<TSkinCheckList*>(AddComp(*fx->sf, cl, form.get())), nullptr);
        }
        Pump();
        const RECT r = cl->ItemRect(3);
        Click(cl->Handle(), r.left + 2 + 6, (r.top + r.bottom) / 2);
        EXPECT_EQ(clicked, std::vector<int>{3}) << (skinned ? "skinned" : "unskinned");
        EXPECT_TRUE(cl->Checked(3)) << (skinned ? "skinned" : "unskinned");
        delete cl;
        PumpFor(GetDoubleClickTime() + 200);
    }
}

TEST_F(SkinnedListsTest, TwelveFrameStripShowsCheckedAsFiveAndGrayedAsEight) {
    TCheckListBox* cl = MakeCheckList(form.get());
    cl->SetChecked(1, true);
    cl->SetState(2, cbGrayed);
    cl->SetHeader(4, true);
    cl->SetHeaderBackgroundColor(static_cast<TColor>(0x00C08040));
    ShowForm();
    fx = std::make_unique<SkinFixture>(form->Handle(), ListSkin, 12);
    auto* obj = dynamic_cast<TSkinCheckList*>(AddComp(*fx->sf, cl, form.get()));
    ASSERT_NE(obj, nullptr);
    EXPECT_EQ(obj->Kind(), 1);
    InvalidateRect(cl->Handle(), nullptr, TRUE);
    Pump(10);
    const auto px = CaptureClient(cl->Handle(), false);
    auto boxColour = [&](int index) {
        const RECT r = cl->ItemRect(index);
        return px.At(r.left + 2 + 6, (r.top + r.bottom) / 2);
    };
    EXPECT_EQ(boxColour(0), Rgb(StripColor(1))) << "unchecked: frame 1";
    EXPECT_EQ(boxColour(1), Rgb(StripColor(5))) << "checked: frame 5";
    EXPECT_EQ(boxColour(2), Rgb(StripColor(8))) << "grayed: frame 8";
    const RECT h = cl->ItemRect(4);
    EXPECT_EQ(px.At(h.left + 2 + 6, (h.top + h.bottom) / 2), 0x4080C0u) << "a header item has no box";
    // A strip of 4 frames: checked is frame 2, grayed frame 4.
    fx->sd->Button->checkframe = 4;
    FillStrip(fx->sd->Button->CheckMap, 4, 13, 13, StripColor);
    InvalidateRect(cl->Handle(), nullptr, TRUE);
    Pump(10);
    const auto px4 = CaptureClient(cl->Handle(), false);
    const RECT r1 = cl->ItemRect(1), r2 = cl->ItemRect(2);
    EXPECT_EQ(px4.At(r1.left + 8, (r1.top + r1.bottom) / 2), Rgb(StripColor(2)));
    EXPECT_EQ(px4.At(r2.left + 8, (r2.top + r2.bottom) / 2), Rgb(StripColor(4)));
}

// ---------------------------------------------------------------- foreign glyphs

// A foreign check box of the kind that takes a replacement glyph strip: it
// loads CustomGlyphs when UseCustomGlyphs turns true, and uses its own when false.
class TRzCheckBox : public TPaintedControl {
public:
    using TPaintedControl::TPaintedControl;
    std::wstring ClassName() const override { return L"TRzCheckBox"; }
    TBitmap& CustomGlyphs() { return custom_; }
    bool UseCustomGlyphs() const { return use_; }
    void SetUseCustomGlyphs(bool v) {
        use_ = v;
        if (v) {
            loaded_.Assign(custom_);
            ++loads;
        }
    }
    int TransparentColor() const { return transparent_; }
    void SetTransparentColor(int v) { transparent_ = v; }
    const TBitmap& Loaded() const { return loaded_; }
    int loads = 0;

protected:
    void Paint(HDC dc, const RECT& client) override { FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE)); }

private:
    TBitmap custom_, loaded_;
    bool use_ = false;
    int transparent_ = 0;
};

class TRzRadioButton : public TRzCheckBox {
public:
    using TRzCheckBox::TRzCheckBox;
    std::wstring ClassName() const override { return L"TRzRadioButton"; }
};

// A check box of the other family: its glyph strip sits in a nested
// "Properties" object, used as it is whenever it is not empty.
class TCheckProperties : public TComponent {
public:
    TCheckProperties() : TComponent(nullptr) {}
    std::wstring ClassName() const override { return L"TCheckProperties"; }
    TBitmap& Glyph() { return glyph_; }

private:
    TBitmap glyph_;
};

class TcxCheckBox : public TPaintedControl {
public:
    using TPaintedControl::TPaintedControl;
    std::wstring ClassName() const override { return L"TcxCheckBox"; }
    TCheckProperties& Properties() { return properties_; }

protected:
    void Paint(HDC dc, const RECT& client) override { FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE)); }

private:
    TCheckProperties properties_;
};

void RegisterForeign() {
    static const bool once = [] {
        RegisterClassInfo<TRzCheckBox>(L"TRzCheckBox", L"TWinControl")
            .Object(L"CustomGlyphs", L"TBitmap", &TRzCheckBox::CustomGlyphs)
            .Bool(L"UseCustomGlyphs", &TRzCheckBox::UseCustomGlyphs, &TRzCheckBox::SetUseCustomGlyphs)
            .Integer(L"transparentcolor", &TRzCheckBox::TransparentColor, &TRzCheckBox::SetTransparentColor);
        RegisterClassInfo<TRzRadioButton>(L"TRzRadioButton", L"TRzCheckBox");
        RegisterClassInfo<TCheckProperties>(L"TCheckProperties", L"TComponent")
            .Object(L"Glyph", L"TBitmap", &TCheckProperties::Glyph);
        RegisterClassInfo<TcxCheckBox>(L"TcxCheckBox", L"TWinControl")
            .Object(L"Properties", L"TCheckProperties", &TcxCheckBox::Properties);
        return true;
    }();
    (void)once;
}

TEST_F(SkinnedListsTest, ForeignGlyphStripsAndTheirGiveBack) {
    RegisterForeign();
    struct Case {
        const char* name;
        bool radio;
        int sourceFrames;
        std::vector<int> expected;  // source frame of each built frame, 0 magenta
    };
    const Case cases[] = {
        {"check, five source frames", false, 5, {1, 2, 5, 1, 2, 5, 3, 4, 5}},
        {"check, four source frames", false, 4, {1, 2, 0, 1, 2, 0, 3, 4, 0}},
        {"radio", true, 4, {1, 2, 1, 2, 3, 4}},
    };
    ShowForm();
    for (const Case& c : cases) {
        fx = std::make_unique<SkinFixture>(form->Handle(), ListSkin, c.sourceFrames);
        TRzCheckBox* box = c.radio ? new TRzRadioButton(form.get()) : new TRzCheckBox(form.get());
        box->SetParent(form.get());
        box->SetBounds(10, 10, 120, 20);
        box->HandleNeeded();
        TBitmap& source = c.radio ? fx->sd->Button->RadioMap : fx->sd->Button->CheckMap;
        if (c.radio) {
            FillStrip(source, c.sourceFrames, 12, 12, StripColor);
            fx->sd->Button->radioframe = c.sourceFrames;
        }
        const int fw = source.Width() / c.sourceFrames;
        auto* obj = dynamic_cast<TSkinObjImage*>(AddComp(*fx->sf, box, form.get()));
        ASSERT_NE(obj, nullptr) << c.name;
        EXPECT_EQ(obj->Kind(), c.radio ? 2 : 1) << c.name;
        EXPECT_TRUE(box->UseCustomGlyphs()) << c.name;
        EXPECT_EQ(box->loads, 1) << c.name << ": loaded once, after the strip was in place";
        EXPECT_EQ(box->TransparentColor(), 16711935) << c.name;
        const TBitmap& strip = box->Loaded();
        ASSERT_EQ(strip.Width(), fw * static_cast<int>(c.expected.size())) << c.name;
        for (size_t i = 0; i < c.expected.size(); ++i) {
            const TColor want = c.expected[i] ? StripColor(c.expected[i]) : static_cast<TColor>(0xFF00FF);
            EXPECT_EQ(strip.Pixel(static_cast<int>(i) * fw + fw / 2, 3), want) << c.name << ": frame " << i + 1;
        }
        // It answers as skinned, so the tables never take it twice.
        EXPECT_EQ(SendMessageW(box->Handle(), CN_SkinQuery, 0, 0), 1) << c.name;
        obj->Unsubclass();
        EXPECT_FALSE(box->UseCustomGlyphs()) << c.name << ": its own glyphs again";
        EXPECT_EQ(SendMessageW(box->Handle(), CN_SkinQuery, 0, 0), 0) << c.name << ": and no skin answers";
        delete box;
        fx.reset();
    }
}

TEST_F(SkinnedListsTest, GlyphOfTheNestedPropertiesAndItsGiveBack) {
    RegisterForeign();
    ShowForm();
    for (int frames : {5, 4}) {
        fx = std::make_unique<SkinFixture>(form->Handle(), ListSkin, frames);
        auto* box = new TcxCheckBox(form.get());
        box->SetParent(form.get());
        box->SetBounds(10, 10, 120, 20);
        box->HandleNeeded();
        auto* obj = dynamic_cast<TSkinObjImage*>(AddComp(*fx->sf, box, form.get()));
        ASSERT_NE(obj, nullptr) << frames;
        EXPECT_EQ(obj->Kind(), 3);
        const TBitmap& glyph = box->Properties().Glyph();
        ASSERT_EQ(glyph.Width(), 6 * 13) << frames;
        const int third = frames >= 5 ? 5 : 0;
        const int expected[6] = {1, 2, third, 1, 2, third};
        for (int i = 0; i < 6; ++i) {
            const TColor want = expected[i] ? StripColor(expected[i]) : static_cast<TColor>(0xFF00FF);
            EXPECT_EQ(glyph.Pixel(i * 13 + 6, 3), want) << frames << " source frames: frame " << i + 1;
        }
        obj->Unsubclass();
        EXPECT_TRUE(box->Properties().Glyph().Empty()) << "an empty glyph: the control's own again";
        delete box;
        fx.reset();
    }
}

}  // namespace
