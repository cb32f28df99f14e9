// Popup menus keep the pictures they compose from the skin (the popup's
// background, the item frames) from one opening to the next. A re-skin must
// never leave an old picture on the screen: after a skin of the same sizes
// but other colours is loaded, the next popup shows the new colours, whether
// it opens before the manager has applied the change or after.
//
// The test thread tracks the menu; a driver thread waits for the popup
// window of this thread, selects the first item with a real key press and
// reads the screen, then closes the menu.
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
#include "skin/form/SkinMenu.h"
#include "tests/win/support/Input.h"
#include "tests/win/support/MenuDriver.h"
#include "tests/win/support/SkinFixture.h"
#include "tools/skinpack/SkinPack.h"

namespace {

using Bytes = std::vector<uint8_t>;
using test_support::DriveMenu;
using test_support::DriverKey;
using test_support::PumpFor;
using test_support::PumpUntil;
using test_support::SkinStreamOf;

constexpr uint32_t Px(int r, int g, int b) {
    return static_cast<uint32_t>((r << 16) | (g << 8) | b);
}

TColor ToColor(uint32_t px) {
    return static_cast<TColor>(((px & 0xFF) << 16) | (px & 0xFF00) | ((px >> 16) & 0xFF));
}

// The colours of one fixture skin: its popup background (border ring and
// centre) and its item frames.
struct MenuColours {
    const char* name;
    uint32_t border, centre, item, separator, selected;
};
constexpr MenuColours kFirst{"first", Px(200, 0, 0), Px(0, 160, 0), Px(0, 0, 200), Px(250, 200, 0), Px(0, 200, 200)};
constexpr MenuColours kSecond{"second",       Px(120, 0, 160), Px(160, 120, 0),
                              Px(0, 120, 60), Px(60, 60, 250), Px(250, 120, 160)};

void WriteBitmap(const std::filesystem::path& file, int w, int h, const std::function<uint32_t(int, int)>& colour) {
    TBitmap b(w, h, pf24bit);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) b.SetPixel(x, y, ToColor(colour(x, y)));
    b.SaveToFile(file.wstring());
}

// A skin package with a menu background (3-pixel ring) and a five-frame
// item strip (1 normal, 2 separator, 4 selected), in the given colours. Both
// fixture skins have the same sizes, so their pictures have the same sizes.
Bytes MenuSkinPackage(const MenuColours& c) {
    const auto folder = std::filesystem::path(TEST_BINARY_DIR) / (std::string("menu_pictures_") + c.name);
    std::filesystem::create_directories(folder);
    WriteBitmap(folder / "menubg.bmp", 30, 30,
                [&](int x, int y) { return (x < 3 || y < 3 || x >= 27 || y >= 27) ? c.border : c.centre; });
    const uint32_t frames[5] = {c.item, c.separator, Px(90, 90, 90), c.selected, Px(40, 40, 40)};
    WriteBitmap(folder / "menuitem.bmp", 100, 16, [&](int x, int) { return frames[x / 20]; });
    {
        std::ofstream ini(folder / "skin.ini", std::ios::binary);
        ini << "[Skins]\r\nVersion=150\r\n[TitlebarSkin]\r\nSkinName=Menu pictures\r\n"
            << "[MenuBackground]\r\nImage=menubg.bmp\r\nLeftWidth=3\r\nRightWidth=3\r\nTopHeight=3\r\n"
            << "BottomHeight=3\r\n[MenuItem]\r\nImage=menuitem.bmp\r\n";
    }
    const auto file = folder.string() + ".skin";
    EXPECT_EQ(BuildSkinPackage(folder, file), "") << c.name;
    std::ifstream in(file, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// One pixel of the screen, as 0x00RRGGBB.
uint32_t ScreenPixel(HDC screen, int x, int y) {
    const COLORREF c = GetPixel(screen, x, y);
    return Px(GetRValue(c), GetGValue(c), GetBValue(c));
}

// What the open popup showed: its border, the selected first item, an
// unselected item and the separator, each sampled at its right end (no text).
struct Seen {
    bool opened = false;
    uint32_t border = 0, borderEnd = 0, selected = 0, item = 0, separator = 0;
};

// A visible top-level window in front, so that keys reach this thread.
class HostWindow {
public:
    HostWindow() {
        WNDCLASSW wc{};
        if (!GetClassInfoW(GetModuleHandleW(nullptr), L"MenuPicturesHost", &wc)) {
            wc.lpfnWndProc = DefWindowProcW;
            wc.hInstance = GetModuleHandleW(nullptr);
            wc.lpszClassName = L"MenuPicturesHost";
            wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
            RegisterClassW(&wc);
        }
        hwnd = CreateWindowExW(0, L"MenuPicturesHost", L"menu pictures", WS_OVERLAPPEDWINDOW, 50, 50, 300, 200, nullptr,
                               nullptr, GetModuleHandleW(nullptr), nullptr);
        ShowWindow(hwnd, SW_SHOW);
        SetForegroundWindow(hwnd);
        PumpUntil([&] { return GetForegroundWindow() == hwnd; });
        PumpFor(100);
    }
    ~HostWindow() { DestroyWindow(hwnd); }
    HostWindow(const HostWindow&) = delete;
    HostWindow& operator=(const HostWindow&) = delete;
    HWND hwnd = nullptr;
};

class ReadSkinData : public TSkinData {
public:
    using TSkinData::TSkinData;
    void BeginReading() { state_ |= csLoading; }
};

class MenuPicturesTest : public ::testing::Test {
protected:
    void SetUp() override {
        data = std::make_unique<ReadSkinData>(nullptr);
        data->BeginReading();
        TMemoryStream stream = SkinStreamOf(MenuSkinPackage(kFirst));
        data->ReadSkinStream(stream);
        data->SetActive(true);
        data->Loaded();
        ASSERT_NE(SkinManager, nullptr);
        ASSERT_FALSE(data->Empty);
        host = std::make_unique<HostWindow>();
        menu = std::make_unique<TPopupMenu>(nullptr);
        menu->SetOwnerDraw(true);
        for (const wchar_t* caption : {L"First", L"Second", L"-", L"Third"}) {
            auto* item = new TMenuItem(nullptr);
            item->SetCaption(caption);
            menu->Items()->Add(item);
        }
        SetSkinMenuPainter(*menu->Items(), data.get(), true);
    }
    void TearDown() override {
        menu.reset();
        host.reset();
        data.reset();
        FreeSkinManager();
    }

    // Opens the menu, selects its first item and reads what the screen shows.
    Seen Open() {
        Seen seen;
        seen.opened = DriveMenu(
            [&] { menu->Popup(100, 100); },
            [&](HWND popup) {
                DriverKey(VK_DOWN);
                Sleep(300);
                RECT window{}, items[4]{};
                GetWindowRect(popup, &window);
                for (int i = 0; i < 4; ++i)
                    GetMenuItemRect(nullptr, menu->Items()->MenuHandle(), static_cast<UINT>(i), &items[i]);
                HDC screen = GetDC(nullptr);
                seen.border = ScreenPixel(screen, window.left, window.top);
                seen.borderEnd = ScreenPixel(screen, window.right - 1, window.bottom - 1);
                auto at = [&](const RECT& r) { return ScreenPixel(screen, r.right - 3, (r.top + r.bottom) / 2); };
                seen.selected = at(items[0]);
                seen.item = at(items[1]);
                seen.separator = at(items[2]);
                ReleaseDC(nullptr, screen);
            });
        PumpFor(200);
        return seen;
    }

    void Expect(const Seen& seen, const MenuColours& c, const std::string& when) {
        ASSERT_TRUE(seen.opened) << when;
        EXPECT_EQ(seen.border, c.border) << when << ": the popup's border";
        EXPECT_EQ(seen.borderEnd, c.border) << when << ": the popup's border, far corner";
        EXPECT_EQ(seen.selected, c.selected) << when << ": the selected item";
        EXPECT_EQ(seen.item, c.item) << when << ": an item";
        EXPECT_EQ(seen.separator, c.separator) << when << ": the separator";
    }

    std::unique_ptr<ReadSkinData> data;
    std::unique_ptr<HostWindow> host;
    std::unique_ptr<TPopupMenu> menu;
};

TEST_F(MenuPicturesTest, TheNextPopupAfterAReskinShowsTheNewSkin) {
    struct Case {
        const char* name;
        bool waitForTheManager;  // open once the manager has applied the change, else at once
    };
    for (const Case& c : {Case{"opened at once", false}, Case{"opened after the re-skin ran", true}}) {
        SCOPED_TRACE(c.name);
        // Twice in the first skin: the second opening is drawn from kept pictures.
        Expect(Open(), kFirst, "first opening");
        Expect(Open(), kFirst, "second opening");

        TMemoryStream second;
        const Bytes package = MenuSkinPackage(kSecond);
        second.WriteBuffer(package.data(), package.size());
        second.SetPosition(0);
        data->LoadFromStream(second);
        ASSERT_FALSE(data->Empty);
        if (c.waitForTheManager) {
            ASSERT_TRUE(SkinManager->Timer->Enabled()) << "the re-skin is scheduled";
            ASSERT_TRUE(PumpUntil([] { return !SkinManager->Timer->Enabled(); })) << "the re-skin ran";
        }
        Expect(Open(), kSecond, "after the re-skin");

        // Back to the first skin for the next case.
        TMemoryStream first;
        const Bytes back = MenuSkinPackage(kFirst);
        first.WriteBuffer(back.data(), back.size());
        first.SetPosition(0);
        data->LoadFromStream(first);
        PumpUntil([] { return !SkinManager->Timer->Enabled(); });
    }
}

}  // namespace
