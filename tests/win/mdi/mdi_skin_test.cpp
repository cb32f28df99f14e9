// Skinned MDI frames on real windows under Wine: children made after the
// frame was skinned get the skin, maximising a child by its skinned caption
// button takes its frame and region away, tiling gives them back, the MDI
// client keeps its scroll bars off unless the skin asks for them, and the
// last child closing gives the frame its own menu back. The fixture skin,
// drawn here, gives each border piece and caption button its own flat colour.
#include <gtest/gtest.h>

// clang-format off
#include <windows.h>
// clang-format on

#include <atomic>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "framework/controls/FormsAndApplication.h"
#include "framework/controls/Menus.h"
#include "skin/form/SkinData_win.h"
#include "skin/form/SkinManager.h"
#include "skin/form/WinSkinForm.h"
#include "tests/win/support/Input.h"
#include "tests/win/support/NoAccessViolations.h"
#include "tests/win/support/SkinFixture.h"
#include "tools/skinpack/SkinPack.h"

namespace {

using Bytes = std::vector<uint8_t>;
using test_support::PumpFor;
using test_support::PumpOnce;
using test_support::PumpUntil;
using test_support::SkinStreamOf;

// Colours as the screen reads them (0x00RRGGBB).
constexpr uint32_t kLeft = 0xC80000, kLeftOff = 0x640000;
constexpr uint32_t kRight = 0x00C800, kRightOff = 0x006400;
constexpr uint32_t kTop = 0x0000C8, kTopOff = 0x000064;
constexpr uint32_t kBottom = 0xC8C800, kBottomOff = 0x646400;
constexpr uint32_t kClose[4] = {0xFF8000, 0x804000, 0x00FFFF, 0x808080};
constexpr uint32_t kMin[4] = {0x0080FF, 0x004080, 0xFF0080, 0x404040};
constexpr uint32_t kMax[4] = {0x80FF80, 0x408040, 0xFFFF80, 0x202020};
constexpr uint32_t kMagenta = 0xFF00FF;
constexpr int kLeftW = 8, kTopH = 24;
// Caption buttons: window width - XCoord, at y 5, 16 x 14.
constexpr int kMaxX = 58;

TColor Ref(uint32_t rgb) {
    return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

void WriteStrip(const std::filesystem::path& file, int w, int h, const std::vector<uint32_t>& colours, bool stacked,
                int corner = 0) {
    const int n = static_cast<int>(colours.size());
    TBitmap b(stacked ? w : w * n, stacked ? h * n : h, pf24bit);
    for (int i = 0; i < n; ++i) {
        const int x0 = stacked ? 0 : i * w, y0 = stacked ? i * h : 0;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                b.SetPixel(x0 + x, y0 + y, Ref(x < corner && y < corner ? kMagenta : colours[static_cast<size_t>(i)]));
    }
    b.SaveToFile(file.wstring());
}

// The fixture package.
Bytes FlatSkin() {
    const auto dir = std::filesystem::path(TEST_BINARY_DIR) / "mdi_flat";
    std::filesystem::create_directories(dir);
    WriteStrip(dir / "left.bmp", kLeftW, 30, {kLeft, kLeftOff}, false, 3);
    WriteStrip(dir / "right.bmp", 6, 30, {kRight, kRightOff}, false);
    WriteStrip(dir / "top.bmp", 30, kTopH, {kTop, kTopOff}, true);
    WriteStrip(dir / "bottom.bmp", 30, 5, {kBottom, kBottomOff}, true);
    WriteStrip(dir / "close.bmp", 16, 14, {kClose[0], kClose[1], kClose[2], kClose[3]}, false);
    WriteStrip(dir / "min.bmp", 16, 14, {kMin[0], kMin[1], kMin[2], kMin[3]}, false);
    WriteStrip(dir / "max.bmp", 16, 14, {kMax[0], kMax[1], kMax[2], kMax[3]}, false);
    std::ofstream ini(dir / "skin.ini", std::ios::binary);
    ini << "[Skins]\r\nVersion=150\r\n[TitlebarSkin]\r\nSkinName=Flat\r\n"
        << "[Personality]\r\nLeft=left.bmp\r\nRight=right.bmp\r\nTop=top.bmp\r\nBottom=bottom.bmp\r\n"
        << "LeftFrame=2\r\nRightFrame=2\r\nTopFrame=2\r\nBottomFrame=2\r\n"
        << "LeftTopHeight=6\r\nLeftTrans=1\r\nRightTrans=0\r\nTopTrans=0\r\nBottomTrans=0\r\n"
        << "TextShift=30\r\nTextRightClip=70\r\nTextAlignment=0\r\n"
        << "[Colours]\r\nButtonFace=200 200 200\r\nTitleTextActive=255 255 255\r\nTitleTextNoActive=0 0 0\r\n"
        << "[Button0]\r\nButtonImage=close.bmp\r\nAlign=1\r\nXcoord=22\r\nYcoord=5\r\nAction=0\r\nframe=4\r\n"
        << "[Button1]\r\nButtonImage=min.bmp\r\nAlign=1\r\nXcoord=40\r\nYcoord=5\r\nAction=2\r\nframe=4\r\n"
        << "[Button2]\r\nButtonImage=max.bmp\r\nAlign=1\r\nXcoord=" << kMaxX
        << "\r\nYcoord=5\r\nAction=1\r\nframe=4\r\n"
        // The maximised child's buttons, drawn in the frame's menu band.
        << "[Button3]\r\nButtonImage=close.bmp\r\nAlign=100\r\nXcoord=22\r\nYcoord=0\r\nAction=62\r\n"
        << "Visibility=100\r\nframe=4\r\n"
        << "[Button4]\r\nButtonImage=max.bmp\r\nAlign=100\r\nXcoord=40\r\nYcoord=0\r\nAction=61\r\n"
        << "Visibility=100\r\nframe=4\r\n"
        << "[Button5]\r\nButtonImage=min.bmp\r\nAlign=100\r\nXcoord=58\r\nYcoord=0\r\nAction=60\r\n"
        << "Visibility=100\r\nframe=4\r\n";
    ini.close();
    const auto file = dir.parent_path() / "mdi_flat.skin";
    EXPECT_EQ(BuildSkinPackage(dir, file), "");
    std::ifstream in(file, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class ReadSkinData : public TSkinData {
public:
    using TSkinData::TSkinData;
    void BeginReading() { state_ |= csLoading; }
};

uint32_t ScreenPixel(POINT p) {
    HDC screen = GetDC(nullptr);
    const COLORREF c = GetPixel(screen, p.x, p.y);
    ReleaseDC(nullptr, screen);
    return (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
}

// The mouse from another thread (the window's thread may sit in a modal loop meanwhile).
void ClickAt(POINT screen) {
    std::atomic<bool> done{false};
    std::thread t([&] {
        auto send = [](DWORD flags, int x, int y) {
            INPUT in{};
            in.type = INPUT_MOUSE;
            const int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
            in.mi.dx = static_cast<LONG>((x * 65535LL + sw / 2) / (sw - 1));
            in.mi.dy = static_cast<LONG>((y * 65535LL + sh / 2) / (sh - 1));
            in.mi.dwFlags = flags | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE;
            SendInput(1, &in, sizeof in);
            Sleep(80);
        };
        send(0, screen.x, screen.y);
        send(MOUSEEVENTF_LEFTDOWN, screen.x, screen.y);
        send(MOUSEEVENTF_LEFTUP, screen.x, screen.y);
        done = true;
    });
    PumpUntil([&] { return done.load(); }, 10000);
    t.join();
    PumpFor(50);
}

bool HasRegion(HWND hwnd) {
    HRGN r = CreateRectRgn(0, 0, 0, 0);
    const int kind = GetWindowRgn(hwnd, r);
    DeleteObject(r);
    return kind != ERROR && kind != NULLREGION;
}

class MdiSkinTest : public ::testing::Test {
protected:
    // scrollbars: the skin data lets the MDI client keep its own scroll bars.
    // withMenu: the frame has a menu bar (one item, "&File") before it is skinned.
    // childBorder: the option that lets MDI children keep the system frame.
    void Start(bool scrollbars, bool withMenu = false, bool childBorder = false) {
        FreeSkinManager();
        frame_ = std::make_unique<TForm>(nullptr);
        frame_->SetFormStyle(fsMDIForm);
        frame_->SetBounds(60, 60, 640, 460);
        frame_->SetCaption(L"MDI skin test");
        if (withMenu) {
            auto* bar = new TMainMenu(frame_.get());
            auto* file = new TMenuItem(frame_.get());
            file->SetCaption(L"&File");
            auto* item = new TMenuItem(frame_.get());
            item->SetCaption(L"&Nothing");
            file->Add(item);
            bar->Items()->Add(file);
            frame_->SetMenu(bar);
        }
        data_ = std::make_unique<ReadSkinData>(frame_.get());
        data_->BeginReading();
        TMemoryStream stream = SkinStreamOf(FlatSkin());
        data_->ReadSkinStream(stream);
        TSkinOptions options = data_->Options();
        if (scrollbars) options.Include(xoMDIScrollbar);
        if (childBorder) options.Include(xoMDIChildBorder);
        data_->SetOptions(options);
        data_->SetActive(true);
        data_->Loaded();
        frame_->Show();
        SetForegroundWindow(frame_->Handle());
        ASSERT_TRUE(PumpUntil([&] { return Skinned(frame_->Handle()); })) << "the activated frame gets skinned";
        PumpFor(50);
    }
    void TearDown() override {
        children_.clear();
        data_.reset();
        frame_.reset();
        FreeSkinManager();
        PumpFor(20);
    }

    static TWinSkinForm* Sf(HWND hwnd) { return SkinManager ? SkinManager->FindSkinForm(hwnd) : nullptr; }
    static bool Skinned(HWND hwnd) {
        TWinSkinForm* sf = Sf(hwnd);
        return sf && sf->Skinstate == SkinStage::Skinned;
    }

    TForm* AddChild(const std::wstring& caption, int x, int y) {
        children_.push_back(std::make_unique<TForm>(frame_.get()));
        TForm* c = children_.back().get();
        c->SetFormStyle(fsMDIChild);
        c->SetCaption(caption);
        c->SetBounds(x, y, 220, 160);
        c->Show();
        return c;
    }
    // The child freed itself (closed): forget it without freeing it again.
    void Forget(TForm* c) {
        for (auto it = children_.begin(); it != children_.end(); ++it)
            if (it->get() == c) {
                (void)it->release();
                children_.erase(it);
                return;
            }
    }
    static POINT WindowPoint(HWND hwnd, int x, int y) {
        RECT r{};
        GetWindowRect(hwnd, &r);
        return POINT{r.left + x, r.top + y};
    }
    // The child shows the skinned left border and caption (active or inactive
    // frame), and has the skin's region.
    static bool ShowsSkinnedFrame(HWND child) {
        TWinSkinForm* sf = Sf(child);
        const uint32_t left = ScreenPixel(WindowPoint(child, 2, 40)), top = ScreenPixel(WindowPoint(child, 40, 2));
        return sf && sf->Frame().crop && HasRegion(child) && (left == kLeft || left == kLeftOff) &&
               (top == kTop || top == kTopOff);
    }

    std::unique_ptr<TForm> frame_;
    std::unique_ptr<ReadSkinData> data_;
    std::vector<std::unique_ptr<TForm>> children_;
};

TEST_F(MdiSkinTest, ChildMadeAfterTheFrameIsSkinnedAndMaximisingThenTilingGivesTheFrameBack) {
    Start(false);
    TWinSkinForm* frameSf = Sf(frame_->Handle());
    ASSERT_NE(nullptr, frameSf);
    EXPECT_EQ(sfsMDIform, frameSf->FormStyle);
    EXPECT_EQ(frame_->ClientHandle(), frameSf->MdiClient().ClientHwnd);
    EXPECT_TRUE(frameSf->MdiClient().Subclassed());

    TForm* a = AddChild(L"First", 10, 10);
    TForm* b = AddChild(L"Second", 250, 40);
    ASSERT_TRUE(PumpUntil([&] { return Skinned(a->Handle()) && Skinned(b->Handle()); }))
        << "children made after the frame was skinned are skinned";
    EXPECT_EQ(a, Sf(a->Handle())->FForm) << "skinned as the framework form it is";
    EXPECT_EQ(sfsMDIChild, Sf(a->Handle())->FormStyle);
    // The caption band of a child is at least a system caption and frame high.
    EXPECT_GE(kTopH + Sf(a->Handle())->Frame().MenuHeight,
              GetSystemMetrics(SM_CYCAPTION) + GetSystemMetrics(SM_CXFRAME));
    EXPECT_TRUE(PumpUntil([&] { return ShowsSkinnedFrame(a->Handle()) && ShowsSkinnedFrame(b->Handle()); }));

    // Maximise the active child by its skinned caption button.
    const HWND bw = b->Handle();
    RECT r{};
    GetWindowRect(bw, &r);
    ASSERT_EQ(kMax[0], ScreenPixel(POINT{r.right - kMaxX + 8, r.top + 12})) << "the max button is where the skin says";
    ClickAt(POINT{r.right - kMaxX + 8, r.top + 12});
    ASSERT_TRUE(PumpUntil([&] { return IsZoomed(bw) != FALSE; })) << "the caption button maximised the child";
    EXPECT_TRUE(SkinManager->MDIMax);
    for (TForm* c : {a, b}) {
        EXPECT_FALSE(Sf(c->Handle())->Frame().crop) << c->Caption().size();
        EXPECT_FALSE(HasRegion(c->Handle())) << "a maximised child has no skinned region";
    }
    EXPECT_TRUE(frameSf->MdiClient().MDIChildMax());

    // Tiling ends the maximised state: every child gets its skinned frame and region back.
    frame_->Tile();
    ASSERT_TRUE(PumpUntil([&] { return !IsZoomed(bw); }));
    EXPECT_FALSE(SkinManager->MDIMax);
    EXPECT_FALSE(frameSf->MdiClient().MDIChildMax());
    for (TForm* c : {a, b}) {
        EXPECT_EQ(swsNormal, Sf(c->Handle())->Windowstate);
        EXPECT_TRUE(PumpUntil([&] { return ShowsSkinnedFrame(c->Handle()); }))
            << "child " << (c == a ? "a" : "b") << " shows its skinned frame again";
    }
}

TEST_F(MdiSkinTest, ChildActionsAndRestoreOfTheFrameReachTheActiveChild) {
    Start(false);
    TWinSkinForm* frameSf = Sf(frame_->Handle());
    AddChild(L"First", 10, 10);
    TForm* b = AddChild(L"Second", 250, 40);
    ASSERT_TRUE(PumpUntil([&] { return Skinned(b->Handle()); }));
    b->SetWindowState(wsMaximized);
    ASSERT_TRUE(PumpUntil([&] { return frameSf->MdiClient().MDIChildMax(); }));

    // The band buttons' actions: minimise, restore, close of the active child.
    frameSf->MdiClient().MDIChildAction(SC_MINIMIZE);
    EXPECT_TRUE(PumpUntil([&] { return IsIconic(b->Handle()) != FALSE; }));
    // The client may have made another child the active one meanwhile: restore acts on that one.
    TForm* active = frame_->ActiveMDIChild();
    ASSERT_NE(nullptr, active);
    frameSf->MdiClient().MDIChildAction(SC_RESTORE);
    EXPECT_TRUE(PumpUntil([&] { return active->WindowState() == wsNormal; }));
    b->SetWindowState(wsNormal);
    b->SetWindowState(wsMaximized);
    ASSERT_TRUE(PumpUntil([&] { return IsZoomed(b->Handle()) != FALSE; }));
    frameSf->MdiClient().RestoreMDI();
    EXPECT_TRUE(PumpUntil([&] { return !IsZoomed(b->Handle()); }));
    EXPECT_EQ(wsNormal, b->WindowState());

    const HWND bw = b->Handle();
    b->SetWindowState(wsMaximized);
    ASSERT_TRUE(PumpUntil([&] { return IsZoomed(bw) != FALSE; }));
    frameSf->MdiClient().MDIChildAction(SC_CLOSE);
    ASSERT_TRUE(PumpUntil([&] { return !IsWindow(bw); })) << "the close action closes the child";
    PumpFor(50);  // it frees itself once its handlers are done
    Forget(b);
    // The client makes the next child active, maximised in its turn: the
    // manager's flag follows the child that is active now.
    TForm* next = frame_->ActiveMDIChild();
    ASSERT_NE(nullptr, next);
    EXPECT_EQ(next->WindowState() == wsMaximized, SkinManager->MDIMax);
    EXPECT_EQ(frameSf->MdiClient().MDIChildMax(), SkinManager->MDIMax);
}

TEST_F(MdiSkinTest, ClosingTheLastChildGivesTheFrameItsOwnMenuBack) {
    Start(false, true);
    TWinSkinForm* frameSf = Sf(frame_->Handle());
    ASSERT_TRUE(frameSf->MenuBar().menu) << "the frame has a skinned menu bar";
    const bool menuUpdate = data_->MenuUpdate();
    auto bandCaptions = [&] {
        std::wstring out;
        for (const auto& btn : frameSf->MenuBar().menu->Buttons) out += btn->caption + L"|";
        return out;
    };
    EXPECT_EQ(L"&File|", bandCaptions());

    TForm* a = AddChild(L"Only", 10, 10);
    auto* childBar = new TMainMenu(a);
    auto* edit = new TMenuItem(a);
    edit->SetCaption(L"&Edit");
    edit->SetGroupIndex(1);
    childBar->Items()->Add(edit);
    a->SetMenu(childBar);
    ASSERT_TRUE(PumpUntil([&] { return Skinned(a->Handle()); }));
    EXPECT_FALSE(data_->MenuUpdate()) << "menu updates wait while children are made";
    EXPECT_TRUE(PumpUntil([&] { return bandCaptions() == L"&File|&Edit|"; }))
        << "the band shows the merged bar: " << std::string(bandCaptions().begin(), bandCaptions().end());
    EXPECT_EQ(nullptr, GetMenu(frame_->Handle())) << "the skinned band shows the bar, not the system";

    a->SetWindowState(wsMaximized);
    ASSERT_TRUE(PumpUntil([&] { return frameSf->MdiClient().MDIChildMax(); }));
    const HWND aw = a->Handle();
    SendMessageW(aw, WM_SYSCOMMAND, SC_CLOSE, 0);
    ASSERT_TRUE(PumpUntil([&] { return !IsWindow(aw); }));
    PumpFor(50);
    Forget(a);
    EXPECT_FALSE(SkinManager->MDIMax);
    EXPECT_FALSE(frameSf->MdiClient().MDIChildMax());
    EXPECT_EQ(menuUpdate, data_->MenuUpdate()) << "menu updates run again";
    EXPECT_TRUE(PumpUntil([&] { return bandCaptions() == L"&File|"; }))
        << "only the frame's own item is left: " << std::string(bandCaptions().begin(), bandCaptions().end());
    EXPECT_EQ(nullptr, GetMenu(frame_->Handle()));
}

// The frame's menu band: with the child maximised its minimise, restore and
// close buttons (Visibility 100) show at the band's right end and act on it.
TEST_F(MdiSkinTest, MaximisedChildsButtonsInTheFramesMenuBandActOnIt) {
    Start(false, true);
    TWinSkinForm* frameSf = Sf(frame_->Handle());
    ASSERT_TRUE(frameSf->MenuBar().menu) << "the frame has a skinned menu bar";
    const HWND fw = frame_->Handle();

    TForm* a = AddChild(L"Only", 10, 10);
    ASSERT_TRUE(PumpUntil([&] { return Skinned(a->Handle()); }));
    const HWND aw = a->Handle();
    // Band buttons: x = window width - XCoord - right border, centred in the band.
    auto bandButton = [&](int xcoord) {
        RECT r{};
        GetWindowRect(fw, &r);
        const int y = kTopH + (frameSf->Frame().MenuHeight - 14) / 2;
        return POINT{r.right - xcoord - 6 + 8, r.top + y + 7};
    };
    auto maximise = [&] {
        a->SetWindowState(wsMaximized);
        SetForegroundWindow(fw);
        return PumpUntil([&] { return ScreenPixel(bandButton(22)) == kClose[0]; });
    };

    struct Step {
        const char* name;
        int xcoord;
        std::function<bool()> done;
    } steps[] = {
        {"restore", 40, [&] { return IsWindow(aw) && !IsZoomed(aw) && !IsIconic(aw); }},
        {"minimise", 58, [&] { return IsWindow(aw) && IsIconic(aw); }},
        {"close", 22, [&] { return !IsWindow(aw); }},
    };
    for (const Step& st : steps) {
        if (IsIconic(aw)) a->SetWindowState(wsNormal);
        ASSERT_TRUE(maximise()) << "step: " << st.name << ": the band shows the child's buttons";
        EXPECT_TRUE(SkinManager->MDIMax) << "step: " << st.name;
        EXPECT_EQ(kMax[0], ScreenPixel(bandButton(40))) << "step: " << st.name;
        EXPECT_EQ(kMin[0], ScreenPixel(bandButton(58))) << "step: " << st.name;
        ClickAt(bandButton(st.xcoord));
        EXPECT_TRUE(PumpUntil([&] { return st.done(); })) << "step: " << st.name;
        if (IsWindow(aw)) {
            EXPECT_TRUE(PumpUntil([&] { return ScreenPixel(bandButton(22)) != kClose[0]; }))
                << "step: " << st.name << ": the buttons leave the band";
        }
    }
    PumpFor(50);
    Forget(a);
    // The last child gone: no maximised state, the band shows the frame's own bar.
    EXPECT_FALSE(SkinManager->MDIMax);
    EXPECT_TRUE(PumpUntil([&] { return ScreenPixel(bandButton(22)) != kClose[0]; }));
    ASSERT_TRUE(frameSf->MenuBar().menu);
    EXPECT_EQ(1u, frameSf->MenuBar().menu->Buttons.size());
    EXPECT_EQ(L"&File", frameSf->MenuBar().menu->Buttons[0]->caption);
    EXPECT_EQ(nullptr, GetMenu(fw)) << "the skinned band shows the bar, not the system";
}

TEST_F(MdiSkinTest, ClientScrollBarsFollowTheSkinOption) {
    struct Case {
        const char* name;
        bool option;
    } cases[] = {{"option off: never", false}, {"option on: as the client asks", true}};
    for (const Case& c : cases) {
        if (frame_) TearDown();
        Start(c.option);
        TForm* a = AddChild(L"Far", 10, 10);
        ASSERT_TRUE(PumpUntil([&] { return Skinned(a->Handle()); })) << "case: " << c.name;
        // A child reaching past the client's right and bottom edges.
        RECT area{};
        GetClientRect(frame_->ClientHandle(), &area);
        SetWindowPos(a->Handle(), nullptr, area.right - 60, area.bottom - 40, 220, 160, SWP_NOZORDER | SWP_NOACTIVATE);
        // The client asks for its scroll bars as it does when a child lies past its edges.
        ShowScrollBar(frame_->ClientHandle(), SB_BOTH, TRUE);
        PumpFor(100);
        const HWND client = frame_->ClientHandle();
        const LONG_PTR style = GetWindowLongPtrW(client, GWL_STYLE);
        RECT wr{}, cr{};
        GetWindowRect(client, &wr);
        GetClientRect(client, &cr);
        const int edge = 2 * GetSystemMetrics(SM_CXEDGE);
        if (!c.option) {
            EXPECT_EQ(0, style & (WS_VSCROLL | WS_HSCROLL)) << "case: " << c.name;
            EXPECT_EQ(wr.right - wr.left - edge, cr.right) << "case: " << c.name << ": no room for a bar";
            EXPECT_EQ(wr.bottom - wr.top - edge, cr.bottom) << "case: " << c.name;
        } else {
            EXPECT_EQ(static_cast<LONG_PTR>(WS_VSCROLL | WS_HSCROLL), style & (WS_VSCROLL | WS_HSCROLL))
                << "case: " << c.name;
            EXPECT_LT(cr.right, wr.right - wr.left - edge) << "case: " << c.name;
        }
    }
}

TEST_F(MdiSkinTest, WithTheChildBorderOptionChildrenKeepTheSystemFrame) {
    Start(false, false, true);
    TForm* a = AddChild(L"Plain", 10, 10);
    TForm* b = AddChild(L"Other", 250, 40);
    ASSERT_TRUE(PumpUntil([&] { return Skinned(a->Handle()) && Skinned(b->Handle()); }));
    PumpFor(150);
    for (TForm* c : {a, b}) {
        const HWND h = c->Handle();
        TWinSkinForm* sf = Sf(h);
        ASSERT_NE(sf, nullptr);
        EXPECT_FALSE(sf->sMainMenu) << "only its controls are skinned";
        EXPECT_FALSE(sf->Frame().crop);
        EXPECT_FALSE(HasRegion(h)) << "no skinned region";
        RECT wr{};
        GetWindowRect(h, &wr);
        EXPECT_EQ(wr.right - wr.left, 220) << "the size it was given, with the system frame";
        EXPECT_EQ(wr.bottom - wr.top, 160);
        POINT origin{0, 0};
        ClientToScreen(h, &origin);
        RECT system{0, 0, 0, 0};
        AdjustWindowRectEx(&system, static_cast<DWORD>(GetWindowLongPtrW(h, GWL_STYLE)), FALSE,
                           static_cast<DWORD>(GetWindowLongPtrW(h, GWL_EXSTYLE)));
        EXPECT_EQ(origin.x - wr.left, -system.left) << "the system's frame width";
        EXPECT_EQ(origin.y - wr.top, -system.top) << "the system's caption height";
        const uint32_t left = ScreenPixel(WindowPoint(h, 2, 40));
        EXPECT_NE(left, kLeft);
        EXPECT_NE(left, kLeftOff);
    }
    // Maximising and restoring a child leaves it with the system frame.
    ShowWindow(b->Handle(), SW_MAXIMIZE);
    ASSERT_TRUE(PumpUntil([&] { return IsZoomed(b->Handle()) != FALSE; }));
    ShowWindow(b->Handle(), SW_RESTORE);
    ASSERT_TRUE(PumpUntil([&] { return !IsZoomed(b->Handle()); }));
    PumpFor(100);
    EXPECT_FALSE(HasRegion(b->Handle()));
    EXPECT_FALSE(HasRegion(a->Handle()));
    // The frame itself is fully skinned.
    TWinSkinForm* frameSf = Sf(frame_->Handle());
    ASSERT_NE(frameSf, nullptr);
    EXPECT_TRUE(frameSf->sMainMenu);
    EXPECT_TRUE(frameSf->Frame().crop);
}

}  // namespace

namespace {

BOOL CALLBACK FindShownMenu(HWND w, LPARAM l) {
    wchar_t cls[16] = L"";
    GetClassNameW(w, cls, 16);
    if (std::wstring(cls) == L"#32768" && IsWindowVisible(w)) {
        *reinterpret_cast<HWND*>(l) = w;
        return FALSE;
    }
    return TRUE;
}

void KeyInput(WORD vk, bool up) {
    INPUT in{};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = vk;
    in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    SendInput(1, &in, sizeof in);
    Sleep(60);
}

// Alt+letter in the active MDI child opens the frame's skinned bar menu.
TEST_F(MdiSkinTest, AltLetterInAChildOpensTheFramesMenu) {
    Start(false, true);
    TForm* a = AddChild(L"Typing here", 10, 10);
    ASSERT_TRUE(PumpUntil([&] { return Skinned(a->Handle()); }));
    TWinSkinForm* frameSf = Sf(frame_->Handle());
    ASSERT_TRUE(frameSf && frameSf->MenuBar().menu && !frameSf->MenuBar().menu->Buttons.empty())
        << "the frame draws its bar";
    const HMENU file = frameSf->MenuBar().menu->Buttons[0]->hsubmenu;
    ASSERT_NE(file, nullptr);
    SetForegroundWindow(frame_->Handle());
    SetFocus(a->Handle());
    PumpFor(100);
    const DWORD ui = GetCurrentThreadId();
    std::atomic<bool> done{false};
    std::atomic<uintptr_t> shown{0};
    std::thread driver([&] {
        KeyInput(VK_MENU, false);
        KeyInput('F', false);
        KeyInput('F', true);
        KeyInput(VK_MENU, true);
        for (int i = 0; i < 150 && !shown; ++i) {
            HWND menu = nullptr;
            EnumThreadWindows(ui, FindShownMenu, reinterpret_cast<LPARAM>(&menu));
            DWORD_PTR answer = 0;
            if (menu && SendMessageTimeoutW(menu, 0x01E1 /* MN_GETHMENU */, 0, 0, SMTO_ABORTIFHUNG, 1000, &answer))
                shown = answer;
            else
                Sleep(20);
        }
        for (int i = 0; i < 3; ++i) {
            KeyInput(VK_ESCAPE, false);
            KeyInput(VK_ESCAPE, true);
        }
        done = true;
    });
    PumpUntil([&] { return done.load(); }, 15000);
    driver.join();
    PumpFor(100);
    EXPECT_EQ(shown.load(), reinterpret_cast<uintptr_t>(file)) << "the frame's File menu";
}

}  // namespace
