// Popup menus under Wine: the framework's TPopupMenu chosen by keyboard and
// mouse, its owner-draw events, and the skin on popup windows, menu items
// and the built system menu, checked by the pixels on the screen.
//
// The test thread tracks the menu (TrackPopupMenu does not return while it
// is open); a driver thread finds the open popup window by this thread's id,
// sends real input with SendInput, reads the screen, and closes whatever is
// still open when it is done.
#include <gtest/gtest.h>

// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on

#include <atomic>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "framework/controls/FormsAndApplication.h"
#include "framework/controls/Menus.h"
#include "skin/form/SkinData_win.h"
#include "skin/form/SkinManager.h"
#include "skin/form/SkinMenu.h"
#include "tests/win/support/Input.h"
#include "tests/win/support/MenuDriver.h"
#include "tests/win/support/ObjectCounts.h"
#include "tests/win/support/SkinFixture.h"
#include "tools/skinpack/SkinPack.h"

namespace {

using Bytes = std::vector<uint8_t>;
using test_support::DriveMenu;
using test_support::DriverKey;
using test_support::OpenPopup;
using test_support::PumpFor;
using test_support::PumpUntil;
using test_support::SkinStreamOf;

// ---- Messages, input and the screen

void MoveMouse(POINT p) {
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dx = static_cast<LONG>((p.x * 65535LL) / (GetSystemMetrics(SM_CXSCREEN) - 1));
    in.mi.dy = static_cast<LONG>((p.y * 65535LL) / (GetSystemMetrics(SM_CYSCREEN) - 1));
    in.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    SendInput(1, &in, sizeof(INPUT));
    Sleep(80);
}

void Click(POINT p) {
    MoveMouse(p);
    INPUT in[2]{};
    in[0].type = in[1].type = INPUT_MOUSE;
    in[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    in[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(1, &in[0], sizeof(INPUT));
    Sleep(60);
    SendInput(1, &in[1], sizeof(INPUT));
    Sleep(80);
}

POINT Centre(const RECT& r) {
    return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

// What the screen shows in r, as 0x00RRGGBB.
struct Shot {
    RECT at{};
    int width = 0, height = 0;
    std::vector<uint32_t> px;
    // Screen coordinates; 0xFFFFFFFF outside the shot.
    uint32_t At(int x, int y) const {
        x -= at.left;
        y -= at.top;
        if (x < 0 || y < 0 || x >= width || y >= height) return 0xFFFFFFFF;
        return px[static_cast<size_t>(y * width + x)];
    }
};

Shot CaptureScreen(const RECT& r) {
    Shot s;
    s.at = r;
    s.width = r.right - r.left;
    s.height = r.bottom - r.top;
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = s.width;
    bi.bmiHeader.biHeight = -s.height;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HDC screen = GetDC(nullptr);
    HDC mem = CreateCompatibleDC(screen);
    HBITMAP dib = CreateDIBSection(mem, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(mem, dib);
    BitBlt(mem, 0, 0, s.width, s.height, screen, r.left, r.top, SRCCOPY);
    GdiFlush();
    const auto* p = static_cast<const uint32_t*>(bits);
    s.px.assign(p, p + s.width * s.height);
    for (auto& v : s.px) v &= 0xFFFFFF;
    SelectObject(mem, old);
    DeleteObject(dib);
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);
    return s;
}

constexpr uint32_t Px(int r, int g, int b) {
    return static_cast<uint32_t>((r << 16) | (g << 8) | b);
}

// ---- The open menu, from the driver thread

// A visible top-level window in front, so that keys reach this thread.
class HostWindow {
public:
    explicit HostWindow(DWORD style = WS_OVERLAPPEDWINDOW) {
        WNDCLASSW wc{};
        if (!GetClassInfoW(GetModuleHandleW(nullptr), L"MenuTestHost", &wc)) {
            wc.lpfnWndProc = Proc;
            wc.hInstance = GetModuleHandleW(nullptr);
            wc.lpszClassName = L"MenuTestHost";
            wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
            RegisterClassW(&wc);
        }
        hwnd = CreateWindowExW(0, L"MenuTestHost", L"menu host", style, 50, 50, 300, 200, nullptr, nullptr,
                               GetModuleHandleW(nullptr), nullptr);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        ShowWindow(hwnd, SW_SHOW);
        SetForegroundWindow(hwnd);
        SetActiveWindow(hwnd);
        SetFocus(hwnd);
        PumpUntil([&] { return GetForegroundWindow() == hwnd; }, 2000);
        PumpFor(100);
    }
    ~HostWindow() { DestroyWindow(hwnd); }
    HostWindow(const HostWindow&) = delete;
    HostWindow& operator=(const HostWindow&) = delete;

    HWND hwnd = nullptr;
    std::vector<WPARAM> sysCommands;  // WM_SYSCOMMAND received (and not acted on)

private:
    static LRESULT CALLBACK Proc(HWND h, UINT m, WPARAM w, LPARAM l) {
        auto* self = reinterpret_cast<HostWindow*>(GetWindowLongPtrW(h, GWLP_USERDATA));
        if (self && m == WM_SYSCOMMAND && (w & 0xFFF0) != SC_KEYMENU && (w & 0xFFF0) != SC_MOUSEMENU) {
            self->sysCommands.push_back(w & 0xFFF0);
            return 0;
        }
        return DefWindowProcW(h, m, w, l);
    }
};

// ---- Fixture skin: flat, distinct colours

constexpr uint32_t kBgBorder = Px(200, 0, 0);
constexpr uint32_t kBgCentre = Px(0, 160, 0);
constexpr uint32_t kItemNormal = Px(0, 0, 200);
constexpr uint32_t kItemSeparator = Px(250, 200, 0);
constexpr uint32_t kItemSelected = Px(0, 200, 200);

TColor ToColor(uint32_t px) {
    return static_cast<TColor>(((px & 0xFF) << 16) | (px & 0xFF00) | ((px >> 16) & 0xFF));
}

void WriteBitmap(const std::filesystem::path& file, int w, int h, const std::function<uint32_t(int, int)>& colour) {
    TBitmap b(w, h, pf24bit);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) b.SetPixel(x, y, ToColor(colour(x, y)));
    b.SaveToFile(file.wstring());
}

Bytes ReadAll(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The package of a skin with a menu background (3-pixel border) and a
// five-frame menu item strip: 1 normal, 2 separator, 4 selected.
const Bytes& MenuSkinPackage() {
    static Bytes package;
    if (!package.empty()) return package;
    const auto folder = std::filesystem::path(TEST_BINARY_DIR) / "menu_skin";
    std::filesystem::create_directories(folder);
    WriteBitmap(folder / "menubg.bmp", 30, 30,
                [](int x, int y) { return (x < 3 || y < 3 || x >= 27 || y >= 27) ? kBgBorder : kBgCentre; });
    const uint32_t frames[5] = {kItemNormal, kItemSeparator, Px(90, 90, 90), kItemSelected, Px(40, 40, 40)};
    WriteBitmap(folder / "menuitem.bmp", 100, 16, [&](int x, int) { return frames[x / 20]; });
    std::ofstream ini(folder / "skin.ini", std::ios::binary);
    ini << "[Skins]\r\nVersion=150\r\n[TitlebarSkin]\r\nSkinName=Menu fixture\r\n"
        << "[MenuBackground]\r\nImage=menubg.bmp\r\nLeftWidth=3\r\nRightWidth=3\r\nTopHeight=3\r\nBottomHeight=3\r\n"
        << "[MenuItem]\r\nImage=menuitem.bmp\r\n";
    ini.close();
    const auto file = std::filesystem::path(TEST_BINARY_DIR) / "menu_skin.skin";
    EXPECT_EQ(BuildSkinPackage(folder, file), "");
    package = ReadAll(file);
    return package;
}

class ReadSkinData : public TSkinData {
public:
    using TSkinData::TSkinData;
    void BeginReading() { state_ |= csLoading; }
};

// ---- The framework's popup menu, unskinned

struct Clicks {
    std::map<std::wstring, int> count;
    void Hook(TMenuItem* item) {
        item->OnClick = [this](TObject* sender) { ++count[static_cast<TMenuItem*>(sender)->Caption()]; };
    }
    int Total() const {
        int n = 0;
        for (const auto& c : count) n += c.second;
        return n;
    }
};

class PopupMenuTest : public ::testing::Test {
protected:
    void SetUp() override {
        menu = std::make_unique<TPopupMenu>(nullptr);
        for (const wchar_t* caption : {L"&Alpha", L"&Beta", L"-", L"&Gamma"}) {
            auto* item = new TMenuItem(nullptr);
            item->SetCaption(caption);
            menu->Items()->Add(item);
            clicks.Hook(item);
        }
        menu->Items()->Items(1)->SetEnabled(false);
    }
    RECT ItemRect(int position) {
        RECT r{};
        GetMenuItemRect(nullptr, menu->Items()->MenuHandle(), static_cast<UINT>(position), &r);
        return r;
    }
    // Pops the menu up, runs the script, then lets the chosen command arrive.
    void Run(const std::function<void(HWND)>& script) {
        ASSERT_TRUE(DriveMenu([&] { menu->Popup(host.hwnd ? 80 : 0, 80); }, script)) << "the menu opened";
        PumpFor(300);
    }

    HostWindow host;
    std::unique_ptr<TPopupMenu> menu;
    Clicks clicks;
};

TEST_F(PopupMenuTest, KeyboardChoosesAnItemOnceAndNothingForDisabledOrEscape) {
    struct Case {
        const char* name;
        std::vector<WORD> keys;
        std::wstring chosen;  // empty: nothing
    };
    const Case cases[] = {
        {"down, return", {VK_DOWN, VK_RETURN}, L"&Alpha"},
        {"up, return (the last item)", {VK_UP, VK_RETURN}, L"&Gamma"},
        {"accelerator", {'G'}, L"&Gamma"},
        {"accelerator of a disabled item", {'B'}, L""},
        {"escape", {VK_ESCAPE}, L""},
    };
    for (const auto& c : cases) {
        clicks.count.clear();
        Run([&](HWND) {
            for (WORD k : c.keys) DriverKey(k);
        });
        if (c.chosen.empty()) {
            EXPECT_EQ(clicks.Total(), 0) << "case: " << c.name;
        } else {
            EXPECT_EQ(clicks.count[c.chosen], 1) << "case: " << c.name;
            EXPECT_EQ(clicks.Total(), 1) << "case: " << c.name;
        }
    }
}

TEST_F(PopupMenuTest, MouseChoosesAnItemOnceAndADisabledItemDoesNothing) {
    struct Case {
        const char* name;
        int position;
        std::wstring chosen;
    };
    const Case cases[] = {{"enabled", 0, L"&Alpha"}, {"disabled", 1, L""}, {"last", 3, L"&Gamma"}};
    for (const auto& c : cases) {
        clicks.count.clear();
        Run([&](HWND) { Click(Centre(ItemRect(c.position))); });
        if (c.chosen.empty()) {
            EXPECT_EQ(clicks.Total(), 0) << "case: " << c.name;
        } else {
            EXPECT_EQ(clicks.count[c.chosen], 1) << "case: " << c.name;
            EXPECT_EQ(clicks.Total(), 1) << "case: " << c.name;
        }
    }
}

TEST_F(PopupMenuTest, OwnerDrawnItemsAreMeasuredAndDrawnByTheirEvents) {
    menu->SetOwnerDraw(true);
    std::mutex lock;
    std::map<std::wstring, int> measured;
    std::vector<std::pair<std::wstring, bool>> drawn;
    for (int i = 0; i < menu->Items()->Count(); ++i) {
        TMenuItem* item = menu->Items()->Items(i);
        item->OnMeasureItem = [&](TObject* s, TCanvas&, int& w, int& h) {
            std::lock_guard<std::mutex> g(lock);
            ++measured[static_cast<TMenuItem*>(s)->Caption()];
            w = 120;
            h = 24;
        };
        item->OnDrawItem = [&](TObject* s, TCanvas& canvas, const RECT& r, bool selected) {
            {
                std::lock_guard<std::mutex> g(lock);
                drawn.emplace_back(static_cast<TMenuItem*>(s)->Caption(), selected);
            }
            canvas.Brush.Color = selected ? clRed : clYellow;
            canvas.FillRect(FromRECT(r));
        };
    }
    RECT first{};
    Shot shot;
    Run([&](HWND) {
        DriverKey(VK_DOWN);
        Sleep(200);
        first = ItemRect(0);
        shot = CaptureScreen(first);
        DriverKey(VK_RETURN);
    });
    for (const wchar_t* caption : {L"&Alpha", L"&Beta", L"-", L"&Gamma"})
        EXPECT_GE(measured[caption], 1) << "measured: " << std::string(caption, caption + wcslen(caption));
    EXPECT_EQ(first.bottom - first.top, 24) << "the measured height is the item's";
    bool alphaSelected = false, gammaPlain = false;
    for (const auto& d : drawn) {
        alphaSelected |= d.first == L"&Alpha" && d.second;
        gammaPlain |= d.first == L"&Gamma" && !d.second;
    }
    EXPECT_TRUE(alphaSelected) << "the selected item is drawn selected";
    EXPECT_TRUE(gammaPlain);
    EXPECT_EQ(shot.At(first.left + 60, (first.top + first.bottom) / 2), Px(255, 0, 0)) << "the event's pixels show";
    EXPECT_EQ(clicks.count[L"&Alpha"], 1);
}

TEST(MenuItemTest, TreeHandlesFollowChangesAndItemsLeaveTheirParent) {
    TPopupMenu menu(nullptr);
    auto* top = new TMenuItem(nullptr);
    top->SetCaption(L"Top");
    menu.Items()->Add(top);
    auto* file = new TMenuItem(nullptr);
    file->SetCaption(L"&File");
    menu.Items()->Add(file);
    auto* open = new TMenuItem(nullptr);
    open->SetCaption(L"&Open");
    open->SetShortCut(ShortCut('O', scCtrl));
    file->Add(open);
    auto* hidden = new TMenuItem(nullptr);
    hidden->SetCaption(L"Hidden");
    hidden->SetVisible(false);
    menu.Items()->Add(hidden);

    HMENU root = menu.Handle();
    ASSERT_EQ(GetMenuItemCount(root), 2) << "invisible items are left out";
    HMENU sub = GetSubMenu(root, 1);
    ASSERT_EQ(sub, file->Handle());
    wchar_t text[64] = L"";
    GetMenuStringW(sub, 0, text, 64, MF_BYPOSITION);
    EXPECT_EQ(std::wstring(text), L"&Open\tCtrl+O");
    EXPECT_EQ(GetMenuItemID(sub, 0), open->Command());
    EXPECT_EQ(FindMenuItem(open->Command()), open);
    EXPECT_EQ(FindMenuByHandle(sub), &menu);
    EXPECT_EQ(menu.FindItemByHandle(sub), file);

    open->SetEnabled(false);
    open->SetChecked(true);
    menu.Handle();
    EXPECT_EQ(GetMenuState(sub, 0, MF_BYPOSITION) & (MF_GRAYED | MF_CHECKED), UINT(MF_GRAYED | MF_CHECKED));

    const UINT command = open->Command();
    delete open;  // leaves its parent and frees its command id
    EXPECT_EQ(file->Count(), 0);
    EXPECT_EQ(FindMenuItem(command), nullptr);
    EXPECT_EQ(menu.Items()->Count(), 3);
    EXPECT_EQ(GetMenuItemCount(menu.Handle()), 2) << "the items before it stay";
    EXPECT_EQ(GetSubMenu(menu.Handle(), 1), nullptr) << "an item without children has no sub-menu";
    EXPECT_FALSE(IsMenu(sub)) << "its sub-menu handle went";
    EXPECT_EQ(GetMenuItemID(menu.Handle(), 0), top->Command());

    EXPECT_EQ(GetHotkey(L"Save &as"), L'A');
    EXPECT_EQ(GetHotkey(L"Fish && chips"), 0);
    EXPECT_EQ(StripHotkey(L"Fish && &chips"), L"Fish & chips");
    EXPECT_EQ(ShortCutToText(ShortCut(VK_F4, scAlt)), L"Alt+F4");
    EXPECT_EQ(ShortCutToText(ShortCut(VK_DELETE, scShift | scCtrl)), L"Shift+Ctrl+Del");
}

// ---- Skinned menus

class SkinnedMenuTest : public ::testing::Test {
protected:
    void SetUp() override {
        data = std::make_unique<ReadSkinData>(nullptr);
        data->BeginReading();
        TMemoryStream stream = SkinStreamOf(MenuSkinPackage());
        data->ReadSkinStream(stream);
        data->SetActive(true);
        data->Loaded();
        ASSERT_NE(SkinManager, nullptr);
        ASSERT_FALSE(data->Empty);
        ASSERT_NE(data->MenuItem, nullptr);
        ASSERT_NE(data->MenuitemBG, nullptr);
        ASSERT_TRUE(SkinManager->active);
    }
    void TearDown() override {
        data.reset();
        FreeSkinManager();
    }
    // Pops menu up as a system menu (menutype 2) or another popup (0).
    bool Drive(TPopupMenu& menu, MenuKind menutype, const std::function<void(HWND)>& script) {
        const bool opened = DriveMenu(
            [&] {
                SkinManager->menutype = menutype;
                menu.Popup(100, 100);
            },
            script);
        PumpFor(300);
        return opened;
    }

    std::unique_ptr<ReadSkinData> data;
};

TEST_F(SkinnedMenuTest, APopupShowsTheSkinBackgroundAndItemFrames) {
    HostWindow host;
    TPopupMenu menu(nullptr);
    menu.SetOwnerDraw(true);
    for (const wchar_t* caption : {L"First", L"Second", L"-", L"Third"}) {
        auto* item = new TMenuItem(nullptr);
        item->SetCaption(caption);
        menu.Items()->Add(item);
    }
    SetSkinMenuPainter(*menu.Items(), data.get(), true);
    // While the first item is drawn the manager knows its popup window.
    TMenuItem* first = menu.Items()->Items(0);
    bool backgroundKnown = false, ownerDrawn = false;
    first->OnDrawItem = [&, skinned = first->OnDrawItem](TObject* s, TCanvas& c, const RECT& r, bool selected) {
        skinned(s, c, r, selected);
        const HMENU shown = menu.Items()->MenuHandle();
        backgroundKnown |= SkinManager->GetMenuBg(shown) != nullptr;
        const TWinSkinPopMenu* popup = SkinManager->FindPopupForMenu(shown);
        ownerDrawn |= popup && popup->ownerdraw;
    };

    RECT window{}, items[4]{};
    Shot shot;
    bool skinnedWhileOpen = false;
    ASSERT_TRUE(Drive(menu, MenuKind::Popup, [&](HWND popup) {
        DriverKey(VK_DOWN);
        Sleep(250);
        GetWindowRect(popup, &window);
        for (int i = 0; i < 4; ++i)
            GetMenuItemRect(nullptr, menu.Items()->MenuHandle(), static_cast<UINT>(i), &items[i]);
        shot = CaptureScreen(window);
        skinnedWhileOpen = SendMessageW(popup, CN_SkinQuery, 0, 0) == 1;
    }));
    EXPECT_TRUE(skinnedWhileOpen) << "the popup window was subclassed";
    EXPECT_TRUE(backgroundKnown) << "the popup learned the menu it shows";
    EXPECT_TRUE(ownerDrawn);
    // The border is the background's 3-pixel ring.
    EXPECT_EQ(shot.At(window.left, window.top), kBgBorder);
    EXPECT_EQ(shot.At(window.right - 1, window.bottom - 1), kBgBorder);
    EXPECT_EQ(shot.At(window.left + 1, (window.top + window.bottom) / 2), kBgBorder);
    // Items: the selected one in frame 4, the others in frame 1, the separator from frame 2.
    // Sampled near each item's right end, where no text is.
    auto sample = [&](const RECT& r) { return shot.At(r.right - 3, (r.top + r.bottom) / 2); };
    EXPECT_EQ(sample(items[0]), kItemSelected);
    EXPECT_EQ(sample(items[1]), kItemNormal);
    EXPECT_EQ(sample(items[2]), kItemSeparator);
    EXPECT_EQ(sample(items[3]), kItemNormal);
    EXPECT_GT(items[0].bottom, items[0].top);
    EXPECT_TRUE(SkinManager->Mlist().empty()) << "the popup object went with its window";
    EXPECT_EQ(SkinManager->menutype, MenuKind::Popup);
}

TEST_F(SkinnedMenuTest, TheSystemMenuFollowsTheRealOneAndTheWindowState) {
    HostWindow host(WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX);
    HMENU sys = GetSystemMenu(host.hwnd, FALSE);
    ASSERT_NE(sys, nullptr);
    const int count = GetMenuItemCount(sys);
    ASSERT_GT(count, 0);

    struct Case {
        const char* name;
        bool maximised, minimised, minBox, maxBox;
        std::map<UINT, bool> enabled;
    };
    const Case cases[] = {
        {"normal, min box, no max box",
         false,
         false,
         true,
         false,
         {{SC_RESTORE, false}, {SC_MOVE, true}, {SC_SIZE, true}, {SC_MINIMIZE, true}, {SC_MAXIMIZE, false}}},
        {"maximised",
         true,
         false,
         true,
         true,
         {{SC_RESTORE, true}, {SC_MOVE, false}, {SC_SIZE, false}, {SC_MINIMIZE, true}, {SC_MAXIMIZE, false}}},
        {"minimised",
         false,
         true,
         true,
         true,
         {{SC_RESTORE, true}, {SC_MOVE, true}, {SC_SIZE, true}, {SC_MINIMIZE, false}, {SC_MAXIMIZE, true}}},
    };
    const std::map<UINT, int> images = {{SC_RESTORE, 0}, {SC_MAXIMIZE, 1}, {SC_MINIMIZE, 2},
                                        {SC_CLOSE, 3},   {SC_MOVE, -1},    {SC_SIZE, -1}};
    for (const auto& c : cases) {
        auto menu = CreateSkinSysMenu(nullptr, *data, host.hwnd, sys, c.maximised, c.minimised, c.minBox, c.maxBox);
        ASSERT_NE(menu, nullptr) << "case: " << c.name;
        EXPECT_TRUE(menu->OwnerDraw());
        EXPECT_EQ(menu->Images(), data->bmpmenu.get());
        ASSERT_EQ(menu->Items()->Count(), count) << "case: " << c.name;
        for (int i = 0; i < count; ++i) {
            TMenuItem* item = menu->Items()->Items(i);
            const UINT id = GetMenuItemID(sys, i);
            wchar_t text[128] = L"";
            GetMenuStringW(sys, static_cast<UINT>(i), text, 128, MF_BYPOSITION);
            EXPECT_EQ(item->Caption(), text[0] ? std::wstring(text).substr(0, 80) : L"-")
                << "case: " << c.name << ", item " << i;
            if (item->IsLine()) continue;
            EXPECT_EQ(static_cast<UINT>(item->Tag()), id) << "case: " << c.name << ", item " << i;
            const UINT cmd = id & 0xFFF0;
            if (c.enabled.count(cmd)) {
                EXPECT_EQ(item->Enabled(), c.enabled.at(cmd)) << "case: " << c.name << ", " << cmd;
            }
            if (cmd == SC_CLOSE) {
                EXPECT_TRUE(item->Enabled()) << "case: " << c.name << ": as in the real menu";
            }
            if (images.count(cmd)) {
                EXPECT_EQ(item->ImageIndex(), images.at(cmd)) << "case: " << c.name << ", " << cmd;
            }
            EXPECT_TRUE(item->OnDrawItem) << "drawn by the skin";
        }
    }
    EXPECT_EQ(CreateSkinSysMenu(nullptr, *data, host.hwnd, nullptr, false, false, true, false), nullptr);
}

TEST_F(SkinnedMenuTest, ChoosingFromTheSystemMenuPostsTheCommandOnceAndDisabledItemsNothing) {
    HostWindow host(WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX);
    auto menu =
        CreateSkinSysMenu(nullptr, *data, host.hwnd, GetSystemMenu(host.hwnd, FALSE), false, false, true, false);
    ASSERT_NE(menu, nullptr);
    int maximise = -1;
    for (int i = 0; i < menu->Items()->Count(); ++i)
        if ((menu->Items()->Items(i)->Tag() & 0xFFF0) == SC_MAXIMIZE) maximise = i;
    ASSERT_GE(maximise, 0);

    // Close by its accelerator: owner-drawn items have theirs looked up by the menu's owner.
    uint32_t border = 0;
    ASSERT_TRUE(Drive(*menu, MenuKind::System, [&](HWND popup) {
        RECT r{};
        GetWindowRect(popup, &r);
        border = CaptureScreen(r).At(r.left + 1, r.top + 1);
        DriverKey('C');
    }));
    EXPECT_EQ(border, kBgBorder) << "the system menu's window is skinned";
    EXPECT_EQ(host.sysCommands, std::vector<WPARAM>{SC_CLOSE});

    host.sysCommands.clear();
    ASSERT_TRUE(Drive(*menu, MenuKind::System, [&](HWND) {
        RECT r{};
        GetMenuItemRect(nullptr, menu->Items()->MenuHandle(), static_cast<UINT>(maximise), &r);
        Click(Centre(r));
    }));
    EXPECT_TRUE(host.sysCommands.empty()) << "the disabled Maximize posts nothing";
}

using test_support::GdiObjects;

BOOL CALLBACK CountWindow(HWND, LPARAM n) {
    ++*reinterpret_cast<int*>(n);
    return TRUE;
}
int ThreadWindows() {
    int n = 0;
    EnumThreadWindows(GetCurrentThreadId(), CountWindow, reinterpret_cast<LPARAM>(&n));
    return n;
}

TEST(GdiObjectCount, SeesObjectsComeAndGo) {
    // The count the next test relies on must see a handful of brushes.
    const DWORD before = GdiObjects();
    SKIP_WITHOUT_GDI_COUNT(before);
    std::vector<HBRUSH> brushes;
    for (int i = 0; i < 10; ++i) brushes.push_back(CreateSolidBrush(RGB(i, 2, 3)));
    EXPECT_EQ(GdiObjects(), before + 10);
    for (HBRUSH b : brushes) DeleteObject(b);
    EXPECT_EQ(GdiObjects(), before);
}

TEST_F(SkinnedMenuTest, ManyPopupsGiveBackTheirGdiAndUserObjects) {
    HostWindow host(WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX);
    HMENU sys = GetSystemMenu(host.hwnd, FALSE);
    std::vector<HMENU> handles;
    auto cycle = [&] {
        auto menu = CreateSkinSysMenu(nullptr, *data, host.hwnd, sys, false, false, true, false);
        handles.push_back(menu->Handle());
        EXPECT_TRUE(Drive(*menu, MenuKind::System, [](HWND) { DriverKey(VK_DOWN); }));
    };
    cycle();  // first use: the owner window, fonts and caches
    const DWORD gdi = GdiObjects();
    const int windows = ThreadWindows();
    SKIP_WITHOUT_GDI_COUNT(gdi);
    for (int i = 0; i < 25; ++i) cycle();
    EXPECT_EQ(GdiObjects(), gdi);
    EXPECT_EQ(ThreadWindows(), windows) << "every popup window went";
    for (HMENU h : handles) EXPECT_FALSE(IsMenu(h)) << "every menu handle was destroyed";
    EXPECT_TRUE(SkinManager->Mlist().empty());
    std::cout << "GDI objects " << gdi << ", windows of the thread " << windows << "\n";
}

}  // namespace
