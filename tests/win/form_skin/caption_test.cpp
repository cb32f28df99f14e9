// The caption of a skinned window under Wine: the system's own caption
// buttons stay dead whatever version the system reports, the skin's buttons
// click on a release over them, their visibility and placement rules, and
// the hint's pause driven tick by tick.
#include "tests/win/form_skin/FormSkinFixture.h"

#include "framework/controls/Menus.h"

namespace {

// The packed GetVersion form: major in the low byte, minor in the next, build above.
constexpr DWORD Packed(int major, int minor, int build) {
    return static_cast<DWORD>(major) | (static_cast<DWORD>(minor) << 8) | (static_cast<DWORD>(build) << 16);
}

bool IsSystemButton(LRESULT hit) {
    return hit == HTSYSMENU || hit == HTMINBUTTON || hit == HTMAXBUTTON || hit == HTCLOSE || hit == HTHELP;
}

// The fields of a skin button the tests below change, put back at the end.
struct ButtonFields {
    explicit ButtonFields(TDataSkinSysButton& d)
        : d_(d), action(d.Action), align(d.Align), x(d.XCoord), y(d.YCoord), v(d.Visibility), v1(d.Visibility1) {}
    ~ButtonFields() { Restore(); }
    void Restore() const {
        d_.Action = action;
        d_.Align = align;
        d_.XCoord = x;
        d_.YCoord = y;
        d_.Visibility = v;
        d_.Visibility1 = v1;
    }
    TDataSkinSysButton& d_;
    decltype(TDataSkinSysButton::Action) action;
    decltype(TDataSkinSysButton::Align) align;
    decltype(TDataSkinSysButton::XCoord) x;
    decltype(TDataSkinSysButton::YCoord) y;
    decltype(TDataSkinSysButton::Visibility) v;
    decltype(TDataSkinSysButton::Visibility1) v1;
};

class CaptionTest : public FormSkinTest {
protected:
    void TearDown() override {
        ForceWinVersion(0);
        FormSkinTest::TearDown();
    }
    // Skins the form afresh with the version the code sees forced.
    void ReskinAs(DWORD packed) {
        SwitchSkin(false);
        ForceWinVersion(packed);
        SwitchSkin(true);
        SetForegroundWindow(hwnd_);
        PumpFor(150);
        RedrawWindow(hwnd_, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW);
        PumpFor(50);
    }
    LRESULT HitAt(int x, int y) const {
        const POINT s = ScreenOf(x, y);
        return SendMessageW(hwnd_, WM_NCHITTEST, 0, MAKELPARAM(s.x, s.y));
    }
};

TEST_F(CaptionTest, SystemCaptionButtonsAreDeadOnEveryVersion) {
    struct Case {
        const char* name;
        DWORD version;
        bool keepsSysMenuStyle;  // only version 5.0 keeps WS_SYSMENU for its task bar
    } cases[] = {
        {"Windows 10", Packed(10, 0, 19045), false},
        {"Windows 7", Packed(6, 1, 7601), false},
        {"version 5.0", Packed(5, 0, 2195), true},
    };
    for (const auto& c : cases) {
        ReskinAs(c.version);
        TWinSkinForm* sf = Sf();
        ASSERT_NE(sf, nullptr) << "case: " << c.name;
        EXPECT_EQ((sf->FormIcons & sbicaption) != 0, c.keepsSysMenuStyle) << "case: " << c.name;
        const bool sysMenuStyle = (GetWindowLongPtrW(hwnd_, GWL_STYLE) & WS_SYSMENU) != 0;
        EXPECT_EQ(sysMenuStyle, c.keepsSysMenuStyle) << "case: " << c.name << ": style after the frame was painted";
        // Every point of the caption band: never one of the system's buttons,
        // and the skin's caption wherever it is not a border.
        int systemButtons = 0, notCaption = 0;
        for (int y = 0; y < kBw.top; ++y)
            for (int x = y % 3; x < kWinW; x += 3) {
                const LRESULT hit = HitAt(x, y);
                systemButtons += IsSystemButton(hit);
                if (y > 3 && x >= kBw.left && x < kWinW - kBw.right) notCaption += hit != HTCAPTION;
            }
        EXPECT_EQ(systemButtons, 0) << "case: " << c.name;
        EXPECT_EQ(notCaption, 0) << "case: " << c.name;
        // A click where the system would put its close box closes nothing and the window can be dragged.
        EXPECT_EQ(closes_, 0) << "case: " << c.name;
    }
    // Dragging from the spot where the system draws its close box moves the window.
    ReskinAs(Packed(10, 0, 19045));
    RECT before{};
    GetWindowRect(hwnd_, &before);
    const int sysClose = GetSystemMetrics(SM_CXSIZE) / 2 + GetSystemMetrics(SM_CXFRAME);
    const POINT from = ScreenOf(kWinW - sysClose, 12);
    Mouse mouse;
    mouse.Run([&] {
        Mouse::MoveTo(from.x, from.y);
        Mouse::Button(MOUSEEVENTF_LEFTDOWN);
        Mouse::MoveTo(from.x - 20, from.y + 10);
        Mouse::MoveTo(from.x - 40, from.y + 20);
        Mouse::Button(MOUSEEVENTF_LEFTUP);
    });
    mouse.Finish();
    PumpFor(200);
    RECT after{};
    GetWindowRect(hwnd_, &after);
    EXPECT_EQ(closes_, 0);
    EXPECT_FALSE(IsIconic(hwnd_));
    // Unless the point lies on one of the skin's own buttons, the window moved.
    TWinSkinForm* sf = Sf();
    ASSERT_NE(sf, nullptr);
    const POINT local{kWinW - sysClose, 12};
    if (!sf->CaptionButtons().FindBtn(local)) {
        EXPECT_EQ(after.left - before.left, -40);
        EXPECT_EQ(after.top - before.top, 20);
    }
}

TEST_F(CaptionTest, AReleaseClicksOnlyOverThePressedButton) {
    ASSERT_TRUE(PixelBecomes(Centre(kCloseBtn), kClose[0]));
    const POINT close = ScreenOf(Centre(kCloseBtn).x, Centre(kCloseBtn).y);
    const POINT client = ScreenOf(kBw.left + 100, kBw.top + 50);
    const POINT caption = ScreenOf(200, 12);
    struct Case {
        const char* name;
        std::vector<POINT> path;  // down at the first point, up at the last
        int closes;
    } cases[] = {
        {"press, off to the client, back, release", {close, client, close}, 1},
        {"press, off to the caption, back, release", {close, caption, close}, 1},
        {"press, off, release off", {close, client}, 0},
        {"press in the client, onto the button, release", {client, close}, 0},
        {"press and release in place", {close}, 1},
    };
    Mouse mouse;
    for (const auto& c : cases) {
        closes_ = 0;
        bool pressedAgain = true;
        mouse.Run([&] {
            Mouse::MoveTo(c.path.front().x, c.path.front().y);
            Mouse::Button(MOUSEEVENTF_LEFTDOWN);
            for (size_t i = 1; i < c.path.size(); ++i) Mouse::MoveTo(c.path[i].x, c.path[i].y);
        });
        mouse.Finish();
        if (c.path.size() == 3) pressedAgain = PixelBecomes(Centre(kCloseBtn), kClose[1]);
        mouse.Run([&] { Mouse::Button(MOUSEEVENTF_LEFTUP); });
        mouse.Finish();
        if (c.closes) {
            EXPECT_TRUE(PumpUntil([&] { return closes_ >= c.closes; })) << "case: " << c.name;
        }
        PumpFor(300);
        EXPECT_EQ(closes_, c.closes) << "case: " << c.name;
        EXPECT_TRUE(pressedAgain) << "case: " << c.name << ": pressed again when the mouse is back";
        EXPECT_NE(GetCapture(), hwnd_) << "case: " << c.name << ": the mouse is given back";
        // Away from the button before the next case, and past a double click.
        mouse.Run([&] { Mouse::MoveTo(client.x, client.y); });
        mouse.Finish();
        PumpFor(static_cast<int>(GetDoubleClickTime()) + 50);
    }
}

// The visibility rules through SysBtnVisible, on a custom button (Action
// 50) of the fixture's window: minimise box and system menu, no maximise
// box, no help, a single frame, active and normal.
TEST_F(CaptionTest, VisibilityTable) {
    TWinSkinForm* sf = Sf();
    ASSERT_NE(sf, nullptr);
    ASSERT_FALSE(sf->CaptionButtons().Buttons().empty());
    TDataSkinSysButton& d = *sf->CaptionButtons().Buttons()[0]->data;
    const ButtonFields saved(d);
    // The window answers CN_SkinButtonVisible: 1 for 1500 and 2000, 0 otherwise.
    std::vector<std::pair<WPARAM, LPARAM>> asked;
    TWndMethod before = form_->WindowProc;
    form_->WindowProc = [&](TMessage& m) {
        if (m.Msg == CN_SkinButtonVisible) {
            asked.emplace_back(m.WParam, m.LParam);
            m.Result = m.WParam == 1500 || m.WParam == 2000 ? 1 : 0;
            return;
        }
        before(m);
    };
    struct Row {
        int v, v1;
        bool visible;
    } rows[] = {
        {0, 0, true},      {1, 0, false},    {0, 1, false},   {2, 0, true},    {0, 2, true},    {3, 0, true},
        {4, 0, false},     {0, 4, false},    {5, 0, false},   {0, 5, false},   {6, 0, true},    {0, 6, true},
        {7, 0, true},      {0, 7, true},     {8, 0, true},    {9, 0, false},   {0, 9, false},   {10, 0, false},
        {0, 10, false},    {200, 0, false},  {0, 200, false}, {201, 0, true},  {555, 0, true},  {999, 0, true},
        {0, 999, true},    {1000, 0, false}, {1500, 0, true}, {1501, 0, false}, {2000, 0, true}, {0, 1501, true},
        {2001, 0, false},  {0, 2001, false}, {-1, 0, false},  {0, -1, false},  {-7, 0, false},  {100, 0, false},
        {150, 0, false},   {11, 0, false},
    };
    sf->FWindowActive = true;
    for (const auto& r : rows) {
        saved.Restore();
        d.Action = 50;
        d.Visibility = r.v;
        d.Visibility1 = r.v1;
        asked.clear();
        EXPECT_EQ(sf->CaptionButtons().SysBtnVisible(0), r.visible)
            << "case: Visibility " << r.v << ", Visibility1 " << r.v1;
        EXPECT_EQ(sf->CaptionButtons().Buttons()[0]->visible, r.visible)
            << "case: Visibility " << r.v << ", Visibility1 " << r.v1;
        if (r.v >= 1000 && r.v <= 2000) {
            ASSERT_EQ(asked.size(), 1u) << "case: " << r.v << ": the window is asked once";
            EXPECT_EQ(asked[0].first, static_cast<WPARAM>(r.v));
            EXPECT_EQ(asked[0].second, 50) << "lParam is the Action";
        } else {
            EXPECT_TRUE(asked.empty()) << "case: Visibility " << r.v << ": the window is not asked";
        }
    }
    // The inactive window flips rules 3 and 4.
    sf->FWindowActive = false;
    d.Visibility = 3;
    d.Visibility1 = 0;
    EXPECT_FALSE(sf->CaptionButtons().SysBtnVisible(0));
    d.Visibility = 4;
    EXPECT_TRUE(sf->CaptionButtons().SysBtnVisible(0));
    sf->FWindowActive = true;

    // Then by Action, on the same window.
    struct ActionRow {
        const char* name;
        int action;
        TSkinFormIcons icons;
        TSkinFormBorder border;
        bool visible, enabled;
    } actions[] = {
        {"close with a system menu", 0, sf->FormIcons, sbsSingle, true, true},
        {"close without a system menu", 0, static_cast<TSkinFormIcons>(sbiMin), sbsSingle, false, true},
        {"maximise without a max box", 1, sf->FormIcons, sbsSingle, true, false},
        {"maximise with max box and menu", 1, static_cast<TSkinFormIcons>(sbiMax | sbisystem), sbsSingle, true, true},
        {"maximise, max box, no menu", 1, static_cast<TSkinFormIcons>(sbiMax), sbsSingle, true, false},
        {"minimise with min box and menu", 2, sf->FormIcons, sbsSingle, true, true},
        {"minimise without a menu", 2, static_cast<TSkinFormIcons>(sbiMin), sbsSingle, true, false},
        {"icon on a single frame", 3, sf->FormIcons, sbsSingle, true, true},
        {"icon on a dialog frame", 3, sf->FormIcons, sbsDialog, false, true},
        {"icon 11 on a dialog frame", 11, sf->FormIcons, sbsDialog, false, true},
        {"icon 12 on a dialog frame", 12, sf->FormIcons, sbsDialog, false, true},
    };
    const TSkinFormIcons icons = sf->FormIcons;
    const TSkinFormBorder border = sf->FormBorder;
    for (const auto& a : actions) {
        saved.Restore();
        d.Action = a.action;
        d.Visibility = 0;
        d.Visibility1 = 0;
        sf->FormIcons = a.icons;
        sf->FormBorder = a.border;
        sf->CaptionButtons().Buttons()[0]->enabled = true;
        EXPECT_EQ(sf->CaptionButtons().SysBtnVisible(0), a.visible) << "case: " << a.name;
        EXPECT_EQ(sf->CaptionButtons().Buttons()[0]->enabled, a.enabled) << "case: " << a.name;
    }
    sf->FormIcons = icons;
    sf->FormBorder = border;
    saved.Restore();
    form_->WindowProc = before;
    sf->CaptionButtons().SysBtnVisible(0);
}

TEST_F(CaptionTest, PlacementByAlign) {
    TWinSkinForm* sf = Sf();
    ASSERT_NE(sf, nullptr);
    ASSERT_FALSE(sf->CaptionButtons().Buttons().empty());
    TWinSysButton& b = *sf->CaptionButtons().Buttons()[0];
    TDataSkinSysButton& d = *b.data;
    const ButtonFields saved(d);
    const int w = d.Map.Width() / std::max(1, d.frame), h = d.Map.Height();
    ASSERT_EQ(w, 16);
    ASSERT_EQ(h, 14);
    const TRect title = sf->Frame().ctr;
    ASSERT_GT(title.Right, title.Left) << "the title has been painted";
    struct Case {
        int align;
        POINT at;  // expected top-left, window coordinates
    } cases[] = {
        {0, {7, 3}},
        {1, {kWinW - 7, 3}},
        {2, {title.Left - w - 7, 3}},
        {8, {title.Left - w - 7, 3}},
        {3, {title.Right + 7, 3}},
        {9, {title.Right + 7, 3}},
        // The menu band: right of the window less the right border (no
        // Menubar object in this skin), centred in a band of height 0.
        {100, {kWinW - 7 - kBw.right, kBw.top + (0 - h) / 2}},
        {42, {0, 0}},
    };
    for (const auto& c : cases) {
        saved.Restore();
        d.Align = c.align;
        d.XCoord = 7;
        d.YCoord = 3;
        d.Visibility = 0;
        d.Visibility1 = 0;
        sf->CaptionButtons().SetSysbtnRect();
        EXPECT_EQ(b.bounds.Left, c.at.x) << "case: Align " << c.align;
        EXPECT_EQ(b.bounds.Top, c.at.y) << "case: Align " << c.align;
        EXPECT_EQ(b.bounds.Right - b.bounds.Left, w) << "case: Align " << c.align;
        EXPECT_EQ(b.bounds.Bottom - b.bounds.Top, h) << "case: Align " << c.align;
    }
    saved.Restore();
    sf->CaptionButtons().SetSysbtnRect();
}

// The hover timer driven one tick at a time: the hint shows at twice the
// hint pause (1 s), not before, and goes after the hide pause.
TEST_F(CaptionTest, HintAfterOneSecondOfHover) {
    TWinSkinForm* sf = Sf();
    ASSERT_NE(sf, nullptr);
    ASSERT_TRUE(PixelBecomes(Centre(kCloseBtn), kClose[0]));
    const POINT close = ScreenOf(Centre(kCloseBtn).x, Centre(kCloseBtn).y);
    Mouse mouse;
    mouse.Run([&] { Mouse::MoveTo(close.x, close.y); });
    mouse.Finish();
    // A frame paint forgets the hot button until the mouse moves again; the
    // cursor rests on the button, so it is made hot here whatever painted.
    PumpFor(200);
    TWinSysButton* btn = sf->CaptionButtons().Buttons()[0].get();
    if (sf->CaptionButtons().ActiveBtn != btn) btn->MouseEnter();
    ASSERT_EQ(sf->CaptionButtons().ActiveBtn, btn) << "the close button is hot";
    // From here on only the ticks below move the count.
    sf->CaptionButtons().HoverTimer()->SetEnabled(false);
    sf->CaptionButtons().HintReset();
    // Shown or not, as the window says; no pumping between ticks, so no
    // paint or mouse message touches the hover state meanwhile.
    auto hint = [] {
        HWND h = FindWindowW(L"TSkinHintWindow", nullptr);
        return h && IsWindowVisible(h) && GetWindowThreadProcessId(h, nullptr) == GetCurrentThreadId();
    };
    const int interval = static_cast<int>(sf->CaptionButtons().HoverTimer()->Interval());
    ASSERT_EQ(interval, 250);
    int elapsed = 0;
    auto tick = [&] {
        sf->CaptionButtons().HoverTimer()->OnTimer(nullptr);
        elapsed += interval;
    };
    while (elapsed < 750) {
        tick();
        EXPECT_FALSE(hint()) << "no hint after " << elapsed << " ms";
    }
    tick();
    EXPECT_TRUE(hint()) << "the hint after " << elapsed << " ms";
    while (elapsed < 1000 + 2500 - interval) {
        tick();
        EXPECT_TRUE(hint()) << "still shown after " << elapsed << " ms";
    }
    tick();
    EXPECT_FALSE(hint()) << "hidden after " << elapsed << " ms";
}

// The frame snapshot: borders, the caption band with its buttons and title,
// and the last paint's size left as it was.
TEST_F(CaptionTest, ClipMapHasTheCaptionBandWithTitleAndButtons) {
    TWinSkinForm* sf = Sf();
    ASSERT_NE(sf, nullptr);
    ASSERT_TRUE(PixelBecomes(Centre(kCloseBtn), kClose[0]));
    sf->Frame().fwidth = 11;  // what hit testing would read from the last paint
    sf->Frame().fheight = 13;
    TBitmap map;
    sf->Frame().getClipMap(map);
    EXPECT_EQ(sf->Frame().fwidth, 11) << "the snapshot does not change the last paint's size";
    EXPECT_EQ(sf->Frame().fheight, 13);
    ASSERT_EQ(map.Width(), kWinW);
    ASSERT_EQ(map.Height(), kWinH);
    auto rgb = [&](int x, int y) {
        const TColor c = map.Pixel(x, y);
        return static_cast<uint32_t>((GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c));
    };
    struct Sample {
        const char* name;
        POINT at;
        uint32_t colour;
    } samples[] = {
        {"left border", {3, 60}, kLeft},
        {"right border", {kWinW - 3, 60}, kRight},
        {"bottom border", {200, kWinH - 2}, kBottom},
        {"caption band", {kBw.left + 5, 2}, kTop},
        {"close button", Centre(kCloseBtn), kClose[0]},
        {"minimise button", Centre(kMinBtn), kMin[0]},
        {"maximise button, disabled", Centre(kMaxBtn), kMax[3]},
    };
    for (const auto& s : samples) EXPECT_EQ(rgb(s.at.x, s.at.y), s.colour) << "case: " << s.name;
    int white = 0;
    for (int y = sf->Frame().ctr.Top; y < sf->Frame().ctr.Bottom; ++y)
        for (int x = sf->Frame().ctr.Left; x < sf->Frame().ctr.Right; ++x) white += rgb(x, y) == 0xFFFFFF;
    EXPECT_GT(white, 5) << "the title text in TitleTextActive";
}

// Work the test hands to the window's thread while that thread sits in a
// menu loop: a window of that thread runs it when another thread sends to it.
class OnUiThread {
public:
    OnUiThread() {
        WNDCLASSW wc{};
        wc.lpfnWndProc = Proc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"CaptionTestOnUiThread";
        RegisterClassW(&wc);
        hwnd_ = CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, this);
    }
    ~OnUiThread() { DestroyWindow(hwnd_); }
    // From another thread: runs work on the window's thread, answers its result.
    LRESULT Run(std::function<LRESULT()> work) {
        DWORD_PTR result = 0;
        SendMessageTimeoutW(hwnd_, WM_APP, 0, reinterpret_cast<LPARAM>(&work), SMTO_NORMAL, 5000, &result);
        return static_cast<LRESULT>(result);
    }

private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
        if (msg == WM_APP) return (*reinterpret_cast<std::function<LRESULT()>*>(lp))();
        return DefWindowProcW(hwnd, msg, wp, lp);
    }
    HWND hwnd_ = nullptr;
};

// The skin switched off while one of the form's own menus is open: the
// form is unskinned at once, its object lives on until the menu loop has
// returned, and the window ends unskinned.
TEST_F(CaptionTest, SwitchingOffWhileItsMenuIsOpen) {
    const int violationsBefore = test_support::accessViolations.load();
    TMainMenu* bar = new TMainMenu(form_.get());
    auto* file = new TMenuItem(nullptr);
    file->SetCaption(L"&File");
    bar->Items()->Add(file);
    auto* open = new TMenuItem(nullptr);
    open->SetCaption(L"&Open");
    file->Add(open);
    form_->SetMenu(bar);
    SwitchSkin(false);
    SwitchSkin(true);
    SetForegroundWindow(hwnd_);
    PumpFor(150);
    TWinSkinForm* first = Sf();
    ASSERT_NE(first, nullptr);
    ASSERT_TRUE(first->MenuBar().menu && !first->MenuBar().menu->Buttons.empty()) << "the skin draws the menu bar";
    const TRect fileBtn = first->MenuBar().menu->Buttons[0]->bounds;
    const DWORD ui = GetCurrentThreadId();
    OnUiThread uiThread;
    auto ownsSkinObject = [&]() -> LRESULT {
        for (int i = 0; i < form_->ComponentCount(); ++i)
            if (form_->Components(i)->ClassName() == L"TWinSkinForm") return 1;
        return 0;
    };
    struct Case {
        const char* name;
        POINT at;  // window coordinates
        DWORD down, up;
    } cases[] = {
        {"system menu (right click on the caption)", {200, 12}, MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP},
        {"menu-bar drop-down", {(fileBtn.Left + fileBtn.Right) / 2, (fileBtn.Top + fileBtn.Bottom) / 2},
         MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP},
    };
    Mouse mouse;
    for (const auto& c : cases) {
        if (!Sf()) SwitchSkin(true);
        SetForegroundWindow(hwnd_);
        PumpFor(100);
        ASSERT_NE(Sf(), nullptr) << "case: " << c.name;
        const POINT at = ScreenOf(c.at.x, c.at.y);
        std::atomic<bool> menuSeen{false}, unskinnedInLoop{false}, aliveInLoop{false};
        mouse.Run([&] {
            Mouse::MoveTo(at.x, at.y);
            Mouse::Button(c.down);
            Mouse::Button(c.up);
            for (int i = 0; i < 150 && !menuSeen; ++i) {
                if (MenuWindowOf(ui))
                    menuSeen = true;
                else
                    Sleep(20);
            }
            if (menuSeen) {
                // Switched off from inside the menu loop; the manager's timer runs there too.
                uiThread.Run([&] {
                    data_->SetActive(false);
                    return LRESULT{0};
                });
                // Looked at on the window's thread, in one go: unskinned, the
                // menu still shown, and the object still there.
                for (int i = 0; i < 150 && !unskinnedInLoop; ++i) {
                    const LRESULT seen = uiThread.Run([&] {
                        const bool unskinned = SendMessageW(hwnd_, CN_SkinQuery, 0, 0) == 0;
                        const bool shown = MenuWindowOf(ui) != nullptr;
                        return LRESULT{(unskinned && shown ? 1 : 0) | (ownsSkinObject() ? 2 : 0) | (shown ? 4 : 0)};
                    });
                    if (!(seen & 4)) break;  // the menu closed
                    if (seen & 1) {
                        unskinnedInLoop = true;
                        aliveInLoop = (seen & 2) != 0;
                    } else {
                        Sleep(20);
                    }
                }
            }
            Mouse::Key(VK_ESCAPE, false);
            Mouse::Key(VK_ESCAPE, true);
            Mouse::Key(VK_ESCAPE, false);
            Mouse::Key(VK_ESCAPE, true);
        });
        mouse.Finish();
        EXPECT_TRUE(PumpUntil([&] { return MenuWindowOf(ui) == nullptr; })) << "case: " << c.name;
        PumpFor(100);
        EXPECT_TRUE(menuSeen.load()) << "case: " << c.name;
        EXPECT_TRUE(unskinnedInLoop.load()) << "case: " << c.name << ": unskinned while the menu was open";
        EXPECT_TRUE(aliveInLoop.load()) << "case: " << c.name << ": its object waits for the menu loop";
        EXPECT_EQ(ownsSkinObject(), 0) << "case: " << c.name << ": freed once the loop returned";
        EXPECT_EQ(Sf(), nullptr) << "case: " << c.name;
        EXPECT_EQ(SendMessageW(hwnd_, CN_SkinQuery, 0, 0), 0) << "case: " << c.name;
        HRGN none = CreateRectRgn(0, 0, 0, 0);
        EXPECT_EQ(GetWindowRgn(hwnd_, none), ERROR) << "case: " << c.name << ": no skin region";
        DeleteObject(none);
        EXPECT_NE(GetWindowLongPtrW(hwnd_, GWL_STYLE) & WS_SYSMENU, 0) << "case: " << c.name;
        EXPECT_EQ(GetMenu(hwnd_), bar->Handle()) << "case: " << c.name << ": the window has its menu bar back";
        EXPECT_EQ(ClientSize().cx, kClientW) << "case: " << c.name;
        EXPECT_EQ(test_support::accessViolations.load(), violationsBefore) << "case: " << c.name;
        // The window works on: skinned again.
        data_->SetActive(true);
        EXPECT_TRUE(PumpUntil([&] { return Skinned(hwnd_); })) << "case: " << c.name;
        PumpFor(static_cast<int>(GetDoubleClickTime()) + 50);
    }
}

// A form without a caption: no skinned frame at all, the size it had, and
// a region equal to its rectangle once it is sized.
TEST_F(CaptionTest, ABorderlessFormHasNoFrameAndARegionOfItsRectangle) {
    auto plain = MakeForm(L"borderless", 0);
    plain->SetBorderStyle(bsNone);
    plain->Show();
    const HWND h = plain->Handle();
    SetForegroundWindow(h);
    ASSERT_TRUE(PumpUntil([&] { return Skinned(h); })) << "skinned when activated";
    PumpFor(100);
    TWinSkinForm* sf = SkinManager->FindSkinForm(h);
    ASSERT_NE(sf, nullptr);
    EXPECT_EQ(sf->FormBorder, sbsNone);
    EXPECT_EQ(sf->Frame().bw.Left, 0);
    EXPECT_EQ(sf->Frame().bw.Top, 0);
    EXPECT_EQ(sf->Frame().bw.Right, 0);
    EXPECT_EQ(sf->Frame().bw.Bottom, 0);
    EXPECT_EQ(sf->Frame().MenuHeight, 0);
    RECT wr{}, cr{};
    GetWindowRect(h, &wr);
    GetClientRect(h, &cr);
    EXPECT_EQ(wr.right - wr.left, kClientW) << "activation does not resize it";
    EXPECT_EQ(wr.bottom - wr.top, kClientH);
    EXPECT_EQ(cr.right, kClientW) << "no band is taken from the client area";
    EXPECT_EQ(cr.bottom, kClientH);
    const POINT top{wr.left + 100, wr.top + 10};
    EXPECT_EQ(SendMessageW(h, WM_NCHITTEST, 0, MAKELPARAM(top.x, top.y)), HTCLIENT) << "no caption to drag by";

    SetWindowPos(h, nullptr, 0, 0, 230, 140, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    PumpFor(100);
    HRGN rgn = CreateRectRgn(0, 0, 0, 0);
    ASSERT_NE(GetWindowRgn(h, rgn), ERROR) << "sizing sets a region";
    RECT box{};
    GetRgnBox(rgn, &box);
    EXPECT_EQ(box.left, 0);
    EXPECT_EQ(box.top, 0);
    EXPECT_EQ(box.right, 230);
    EXPECT_EQ(box.bottom, 140);
    HRGN whole = CreateRectRgn(0, 0, 230, 140);
    EXPECT_TRUE(EqualRgn(rgn, whole)) << "the whole rectangle, nothing cut away";
    DeleteObject(whole);
    DeleteObject(rgn);
    others_.push_back(std::move(plain));
}

}  // namespace
