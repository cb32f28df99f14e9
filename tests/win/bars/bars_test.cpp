// Status bars, header controls and track bars of the framework, unskinned,
// on real windows under Wine: what their windows are told (parts, texts,
// bevels, items, ranges, ticks), what the user's clicks, keys and drags do
// and which events follow, and their properties by name and in form text.
#include <gtest/gtest.h>

// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on

#include <cwchar>
#include <memory>
#include <string>
#include <vector>

#include "framework/controls/BarControls.h"
#include "framework/controls/ControlsStreaming.h"
#include "framework/controls/FormsAndApplication.h"
#include "framework/graphics/GdiHandles.h"
#include "framework/streaming/FormReadWrite.h"
#include "framework/streaming/FormText.h"
#include "framework/streaming/PublishedProperties.h"
#include "framework/system/CodePage.h"
#include "tests/win/support/ClientPixels.h"
#include "tests/win/support/Input.h"
#include "tests/win/support/NoAccessViolations.h"
#include "tests/win/support/TestForm.h"

namespace {

using test_support::CaptureClient;
using test_support::Key;
using test_support::MakeForm;
using test_support::MouseButton;
using test_support::MouseTo;
using test_support::Pump;
using test_support::PumpUntil;

std::wstring PartText(HWND bar, int part, int* type) {
    std::wstring s(512, L'\0');  // SB_GETTEXT takes no buffer size
    const LRESULT got = SendMessageW(bar, SB_GETTEXTW, static_cast<WPARAM>(part), reinterpret_cast<LPARAM>(s.data()));
    s.resize(std::wcslen(s.c_str()));
    if (type) *type = HIWORD(got);
    return s;
}

RECT ThumbRect(HWND track) {
    RECT r{};
    SendMessageW(track, TBM_GETTHUMBRECT, 0, reinterpret_cast<LPARAM>(&r));
    return r;
}

}  // namespace

TEST(StatusBar, PanelsReachTheWindowWithTheirBevelsTextsAndWidths) {
    auto form = MakeForm(400, 200);
    auto* bar = new TStatusBar(form.get());
    bar->SetParent(form.get());
    struct Panel {
        const wchar_t* text;
        int width;
        TAlignment alignment;
        TPanelBevel bevel;
        const wchar_t* shown;  // the control centres after one tab, right-aligns after two
        int type;
    };
    const Panel panels[] = {
        {L"就绪", 100, taLeftJustify, pbLowered, L"就绪", 0},
        {L"mid", 80, taCenter, pbRaised, L"\tmid", SBT_POPOUT},
        {L"end", 60, taRightJustify, pbNone, L"\t\tend", SBT_NOBORDERS},
    };
    for (const Panel& p : panels) {
        TStatusPanel* panel = bar->AddPanel();
        panel->SetText(p.text);
        panel->SetWidth(p.width);
        panel->SetAlignment(p.alignment);
        panel->SetBevel(p.bevel);
    }
    form->Show();
    Pump();
    const HWND h = bar->Handle();
    int edges[4] = {};
    ASSERT_EQ(SendMessageW(h, SB_GETPARTS, 4, reinterpret_cast<LPARAM>(edges)), 3);
    EXPECT_EQ(edges[0], 100);
    EXPECT_EQ(edges[1], 180);
    EXPECT_EQ(edges[2], 240) << "the last panel keeps its width";
    for (int i = 0; i < 3; ++i) {
        int type = -1;
        EXPECT_EQ(PartText(h, i, &type), panels[i].shown) << "panel " << i;
        EXPECT_EQ(type, panels[i].type) << "panel " << i;
    }
    // The bar sits at the bottom of its parent, across it, with a size grip.
    RECT br{}, fr{};
    GetWindowRect(h, &br);
    GetClientRect(form->Handle(), &fr);
    MapWindowPoints(nullptr, form->Handle(), reinterpret_cast<POINT*>(&br), 2);
    EXPECT_EQ(br.bottom, fr.bottom);
    EXPECT_EQ(br.right - br.left, fr.right);
    EXPECT_NE(GetWindowLongW(h, GWL_STYLE) & SBARS_SIZEGRIP, 0);
    bar->SetSizeGrip(false);
    EXPECT_EQ(GetWindowLongW(h, GWL_STYLE) & SBARS_SIZEGRIP, 0);

    // A changed panel reaches the window at once.
    bar->Panel(0)->SetText(L"下载中");
    EXPECT_EQ(PartText(h, 0, nullptr), L"下载中");
    bar->Panel(1)->SetWidth(50);
    SendMessageW(h, SB_GETPARTS, 4, reinterpret_cast<LPARAM>(edges));
    EXPECT_EQ(edges[1], 150);
    EXPECT_EQ(edges[2], 210);

    // Simple mode shows one part with the simple text.
    bar->SetSimpleText(L"simple");
    bar->SetSimplePanel(true);
    EXPECT_NE(SendMessageW(h, SB_ISSIMPLE, 0, 0), 0);
    // In simple mode the control answers every part with the simple one.
    EXPECT_EQ(PartText(h, 0, nullptr), L"simple");
    bar->SetSimplePanel(false);
    EXPECT_EQ(SendMessageW(h, SB_ISSIMPLE, 0, 0), 0);
}

TEST(StatusBar, OwnerDrawnPanelIsPaintedByTheEvent) {
    auto form = MakeForm(400, 200);
    auto* bar = new TStatusBar(form.get());
    bar->SetParent(form.get());
    bar->SetSizeGrip(false);
    bar->AddPanel()->SetWidth(100);
    TStatusPanel* drawn = bar->AddPanel();
    drawn->SetWidth(120);
    drawn->SetStyle(psOwnerDraw);
    std::vector<TStatusPanel*> calls;
    RECT lastRect{};
    bar->OnDrawPanel = [&](TStatusBar*, TStatusPanel* panel, TCanvas& canvas, const RECT& r) {
        calls.push_back(panel);
        lastRect = r;
        canvas.Brush.Color = static_cast<TColor>(0x00A0FF);
        canvas.FillRect(FromRECT(r));
    };
    form->Show();
    ASSERT_TRUE(PumpUntil([&] { return !calls.empty(); }));
    for (TStatusPanel* p : calls) EXPECT_EQ(p, drawn) << "only the owner-drawn panel is the event's";
    const HWND h = bar->Handle();
    RedrawWindow(h, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ERASE);
    Pump();
    const test_support::Pixels px = CaptureClient(h, false);
    const int x = (lastRect.left + lastRect.right) / 2;
    const int y = (lastRect.top + lastRect.bottom) / 2;
    EXPECT_EQ(px.At(x, y), 0xFFA000u) << "the event's paint shows";
}

TEST(HeaderControl, SectionsAndClicksByMouse) {
    auto form = MakeForm(400, 120);
    auto* header = new THeaderControl(form.get());
    header->SetParent(form.get());
    header->SetBounds(0, 0, 400, 24);
    const wchar_t* texts[] = {L"名称", L"Size", L"Date"};
    const TAlignment alignments[] = {taLeftJustify, taRightJustify, taCenter};
    for (int i = 0; i < 3; ++i) {
        THeaderSection* s = header->AddSection();
        s->SetText(texts[i]);
        s->SetWidth(100 + 20 * i);
        s->SetAlignment(alignments[i]);
    }
    std::vector<int> clicked;
    header->OnSectionClick = [&](THeaderControl*, THeaderSection* s) { clicked.push_back(s->Index()); };
    form->Show();
    SetForegroundWindow(form->Handle());
    Pump();
    const HWND h = header->Handle();
    ASSERT_EQ(SendMessageW(h, HDM_GETITEMCOUNT, 0, 0), 3);
    const int formats[] = {HDF_LEFT, HDF_RIGHT, HDF_CENTER};
    for (int i = 0; i < 3; ++i) {
        wchar_t buffer[64] = {};
        HDITEMW item{};
        item.mask = HDI_TEXT | HDI_WIDTH | HDI_FORMAT;
        item.pszText = buffer;
        item.cchTextMax = 64;
        ASSERT_TRUE(SendMessageW(h, HDM_GETITEMW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item)));
        EXPECT_EQ(std::wstring(buffer), texts[i]) << "section " << i;
        EXPECT_EQ(item.cxy, 100 + 20 * i) << "section " << i;
        EXPECT_EQ(item.fmt & HDF_JUSTIFYMASK, formats[i]) << "section " << i;
    }
    // Clicks on the second and then the first section, each told once.
    for (int target : {1, 0}) {
        RECT r{};
        SendMessageW(h, HDM_GETITEMRECT, static_cast<WPARAM>(target), reinterpret_cast<LPARAM>(&r));
        MouseTo(h, (r.left + r.right) / 2, (r.top + r.bottom) / 2);
        Pump(3);
        MouseButton(true);
        Pump(3);
        MouseButton(false);
        const size_t before = clicked.size();
        PumpUntil([&] { return clicked.size() > before; });
    }
    EXPECT_EQ(clicked, (std::vector<int>{1, 0}));
    EXPECT_EQ(GetWindowLongW(h, GWL_STYLE) & HDS_HOTTRACK, 0);
    header->SetHotTrack(true);
    EXPECT_NE(GetWindowLongW(h, GWL_STYLE) & HDS_HOTTRACK, 0);
    MouseTo(form->Handle(), 200, 100);
    Pump();
}

TEST(TrackBar, RangeTicksKeysAndDragWithOnChange) {
    auto form = MakeForm(400, 260);
    auto* track = new TTrackBar(form.get());
    track->SetParent(form.get());
    track->SetBounds(10, 10, 300, 45);
    track->SetRange(0, 20);
    track->SetFrequency(5);
    track->SetPosition(4);
    auto* vertical = new TTrackBar(form.get());
    vertical->SetParent(form.get());
    vertical->SetOrientation(trVertical);
    vertical->SetBounds(330, 10, 45, 200);
    vertical->SetTickStyle(tsNone);
    std::vector<int> changes;
    track->OnChange = [&](TObject*) { changes.push_back(track->Position()); };
    form->Show();
    SetForegroundWindow(form->Handle());
    Pump();
    const HWND h = track->Handle();
    EXPECT_EQ(SendMessageW(h, TBM_GETRANGEMIN, 0, 0), 0);
    EXPECT_EQ(SendMessageW(h, TBM_GETRANGEMAX, 0, 0), 20);
    EXPECT_EQ(SendMessageW(h, TBM_GETPOS, 0, 0), 4);
    // Ticks every 5 between the ends: 5, 10, 15 plus the two ends.
    EXPECT_EQ(SendMessageW(h, TBM_GETNUMTICS, 0, 0), 5);
    EXPECT_NE(GetWindowLongW(vertical->Handle(), GWL_STYLE) & TBS_VERT, 0);
    EXPECT_NE(GetWindowLongW(vertical->Handle(), GWL_STYLE) & TBS_NOTICKS, 0);

    // From code: one change per new position, none for the same one.
    track->SetPosition(6);
    track->SetPosition(6);
    EXPECT_EQ(changes, (std::vector<int>{6}));
    track->SetPosition(99);
    EXPECT_EQ(track->Position(), 20) << "kept within the range";
    changes.clear();
    track->SetPosition(6);

    // Keys on the focused bar.
    changes.clear();
    track->SetFocus();
    Pump();
    Key(VK_RIGHT, true);
    Key(VK_RIGHT, false);
    ASSERT_TRUE(PumpUntil([&] { return !changes.empty(); }));
    Key(VK_NEXT, true);
    Key(VK_NEXT, false);
    ASSERT_TRUE(PumpUntil([&] { return changes.size() >= 2; }));
    Pump();
    EXPECT_EQ(changes, (std::vector<int>{7, 11})) << "Right one step, Page Down a fifth of the range";

    // The thumb dragged to the right end.
    changes.clear();
    const RECT t = ThumbRect(h);
    const int y = (t.top + t.bottom) / 2;
    MouseTo(h, (t.left + t.right) / 2, y);
    Pump(3);
    MouseButton(true);
    Pump(3);
    for (int x = (t.left + t.right) / 2; x < 320; x += 20) {
        MouseTo(h, x, y);
        Pump(2);
    }
    MouseButton(false);
    PumpUntil([&] { return track->Position() == 20; });
    Pump();
    EXPECT_EQ(track->Position(), 20);
    ASSERT_FALSE(changes.empty());
    EXPECT_EQ(changes.back(), 20);
    for (size_t i = 1; i < changes.size(); ++i) EXPECT_GT(changes[i], changes[i - 1]) << "each change a new position";
    MouseTo(form->Handle(), 200, 240);
    Pump();
}

TEST(BarControls, PropertiesByNameAndInFormText) {
    RegisterControlClasses();
    const std::string text = R"(object Form1: TForm
  Caption = 'Bars'
  object StatusBar1: TStatusBar
    Panels = <
      item
        Text = 'one'
        Width = 120
        Bevel = pbRaised
      end
      item
        Alignment = taCenter
        Style = psOwnerDraw
        Width = 80
      end>
    SimpleText = 'all'
    SizeGrip = False
  end
  object HeaderControl1: THeaderControl
    Sections = <
      item
        Text = 'Name'
        Width = 90
        ImageIndex = 2
      end>
    HotTrack = True
  end
  object TrackBar1: TTrackBar
    Orientation = trVertical
    Min = 2
    Max = 30
    Position = 9
    Frequency = 3
    TickStyle = tsManual
  end
end
)";
    const std::vector<uint8_t> data = ObjectTextToBinary(text);
    TForm form(nullptr);
    TReader reader(data.data(), data.size());
    reader.ReadRootComponent(form);
    auto& bar = dynamic_cast<TStatusBar&>(*form.FindComponent(L"StatusBar1"));
    ASSERT_EQ(bar.PanelCount(), 2);
    EXPECT_EQ(bar.Panel(0)->Text(), L"one");
    EXPECT_EQ(bar.Panel(0)->Bevel(), pbRaised);
    EXPECT_EQ(bar.Panel(1)->Style(), psOwnerDraw);
    EXPECT_EQ(bar.Panel(1)->Alignment(), taCenter);
    EXPECT_EQ(bar.Panel(1)->Width(), 80);
    auto& header = dynamic_cast<THeaderControl&>(*form.FindComponent(L"HeaderControl1"));
    ASSERT_EQ(header.SectionCount(), 1);
    EXPECT_EQ(header.Section(0)->ImageIndex(), 2);
    struct Case {
        const wchar_t* component;
        const wchar_t* property;
        const wchar_t* text;
    };
    // Names in any case, as the skin reads them.
    const Case cases[] = {
        {L"StatusBar1", L"simpletext", L"all"},
        {L"StatusBar1", L"SimplePanel", L"False"},
        {L"StatusBar1", L"SizeGrip", L"False"},
        {L"HeaderControl1", L"HotTrack", L"True"},
        {L"TrackBar1", L"Orientation", L"trVertical"},
        {L"TrackBar1", L"Min", L"2"},
        {L"TrackBar1", L"Max", L"30"},
        {L"TrackBar1", L"Position", L"9"},
        {L"TrackBar1", L"Frequency", L"3"},
        {L"TrackBar1", L"TickStyle", L"tsManual"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(GetPropText(*form.FindComponent(c.component), c.property), c.text)
            << "case: " << WideToUtf8(c.component) << "." << WideToUtf8(c.property);
    EXPECT_TRUE(SetPropText(bar, L"SimpleText", L"set"));
    EXPECT_EQ(bar.SimpleText(), L"set");

    // Written and read back to the same bytes.
    TWriter writer;
    writer.WriteRootComponent(form);
    TForm again(nullptr);
    TReader second(writer.Bytes().data(), writer.Bytes().size());
    second.ReadRootComponent(again);
    TWriter rewriter;
    rewriter.WriteRootComponent(again);
    EXPECT_EQ(rewriter.Bytes(), writer.Bytes());
}

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new test_support::NoAccessViolations);
    InitCommonControls();
    Application->Initialize();
    return RUN_ALL_TESTS();
}
