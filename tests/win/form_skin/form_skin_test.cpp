// Skinned frames on real windows under Wine: geometry, frame pixels, the
// mouse on caption buttons, the system menu and the manager's switching,
// with the flat-colour skin of the fixture.
#include "tests/win/form_skin/FormSkinFixture.h"

namespace {

TEST_F(FormSkinTest, GeometryUnderTheSkinnedFrame) {
    TWinSkinForm* sf = Sf();
    ASSERT_NE(sf, nullptr);
    EXPECT_EQ(sf->Frame().bw.Left, kBw.left);
    EXPECT_EQ(sf->Frame().bw.Top, kBw.top);
    EXPECT_EQ(sf->Frame().bw.Right, kBw.right);
    EXPECT_EQ(sf->Frame().bw.Bottom, kBw.bottom);
    EXPECT_EQ(clientBefore_.right, kClientW);
    EXPECT_EQ(clientBefore_.bottom, kClientH);
    EXPECT_EQ(ClientSize().cx, kClientW);
    EXPECT_EQ(ClientSize().cy, kClientH);
    EXPECT_EQ(WindowSize().cx, kWinW) << "client plus the skin's left and right widths";
    EXPECT_EQ(WindowSize().cy, kWinH) << "client plus caption and bottom heights";
    const POINT origin = ClientOrigin();
    const POINT corner = ScreenOf(0, 0);
    EXPECT_EQ(origin.x - corner.x, kBw.left);
    EXPECT_EQ(origin.y - corner.y, kBw.top);

    // WM_NCCALCSIZE asked directly: the proposed rectangle less the skin's widths.
    NCCALCSIZE_PARAMS params{};
    WINDOWPOS pos{};
    params.rgrc[0] = RECT{100, 200, 400, 350};
    params.lppos = &pos;
    pos.x = 100;
    pos.y = 200;
    pos.cx = 300;
    pos.cy = 150;
    const LRESULT r = SendMessageW(hwnd_, WM_NCCALCSIZE, TRUE, reinterpret_cast<LPARAM>(&params));
    EXPECT_EQ(r, WVR_VALIDRECTS);
    EXPECT_EQ(params.rgrc[0].left, 108);
    EXPECT_EQ(params.rgrc[0].top, 224);
    EXPECT_EQ(params.rgrc[0].right, 394);
    EXPECT_EQ(params.rgrc[0].bottom, 345);

    // The window region: the left border's magenta corner is cut away.
    HRGN rgn = CreateRectRgn(0, 0, 0, 0);
    ASSERT_NE(GetWindowRgn(hwnd_, rgn), ERROR);
    EXPECT_FALSE(PtInRegion(rgn, 0, 0));
    EXPECT_FALSE(PtInRegion(rgn, 2, 2));
    EXPECT_TRUE(PtInRegion(rgn, 3, 0)) << "the top border is not transparent";
    EXPECT_TRUE(PtInRegion(rgn, 0, 3));
    EXPECT_TRUE(PtInRegion(rgn, kWinW - 1, kWinH - 1));
    EXPECT_FALSE(PtInRegion(rgn, kWinW, kWinH - 1));
    DeleteObject(rgn);

    // Hit testing: the system's answer stands except where it gives caption or nothing.
    struct Case {
        const char* name;
        POINT at;  // window coordinates
        LRESULT expected;
    } cases[] = {
        {"client", {kBw.left + 10, kBw.top + 10}, HTCLIENT},
        {"client bottom-right", {kWinW - kBw.right - 1, kWinH - kBw.bottom - 1}, HTCLIENT},
        {"caption", {200, 12}, HTCAPTION},
        {"caption at y 4", {200, 4}, HTCAPTION},
        {"caption under the system's caption height", {200, kBw.top - 1}, HTCAPTION},
        {"close button", Centre(kCloseBtn), HTCAPTION},
        {"minimise button", Centre(kMinBtn), HTCAPTION},
        {"icon", Centre(kIcon), HTCAPTION},
        {"left border, outer pixel", {0, 60}, HTBORDER},
        {"right border, outer pixel", {kWinW - 1, 60}, HTBORDER},
        {"bottom border, outer pixel", {200, kWinH - 1}, HTBORDER},
        {"left border below the system frame", {kBw.left - 1, 60}, HTCAPTION},
        {"bottom border above the system frame", {200, kWinH - kBw.bottom}, HTCAPTION},
    };
    for (const auto& c : cases) {
        const POINT s = ScreenOf(c.at.x, c.at.y);
        EXPECT_EQ(SendMessageW(hwnd_, WM_NCHITTEST, 0, MAKELPARAM(s.x, s.y)), c.expected) << "case: " << c.name;
    }
}

TEST_F(FormSkinTest, FramePixelsActiveAndInactive) {
    ASSERT_TRUE(PixelBecomes({kBw.left + 5, 2}, kTop)) << "the caption band is painted";
    Pixels p = CaptureWindow(hwnd_);
    p.SaveBmp(std::string(TEST_BINARY_DIR) + "/form_skin_active.bmp");
    struct Sample {
        const char* name;
        POINT at;
        uint32_t active, inactive;
    } samples[] = {
        {"left border", {3, 60}, kLeft, kLeftOff},
        {"right border", {kWinW - 3, 60}, kRight, kRightOff},
        {"bottom border", {200, kWinH - 2}, kBottom, kBottomOff},
        {"caption band left of the title", {kBw.left + 5, 2}, kTop, kTopOff},
        {"caption band's corner", {4, 1}, kTop, kTopOff},
        {"close button", Centre(kCloseBtn), kClose[0], kClose[3]},
        {"minimise button", Centre(kMinBtn), kMin[0], kMin[3]},
        {"maximise button: no max box, disabled", Centre(kMaxBtn), kMax[3], kMax[3]},
    };
    for (const auto& s : samples) EXPECT_EQ(p.At(s.at.x, s.at.y), s.active) << "case: " << s.name;
    EXPECT_EQ(p.At(0, 0), kBehind) << "the transparent corner shows what lies behind";
    EXPECT_EQ(p.At(2, 2), kBehind);
    // The icon: neither caption colour nor magenta everywhere.
    EXPECT_GT(p.CountInk(kIcon, kTop), 20) << "the icon is drawn";
    // The title: white text pixels in the title rectangle.
    TWinSkinForm* sf = Sf();
    ASSERT_NE(sf, nullptr);
    const RECT title{sf->Frame().ctr.Left, sf->Frame().ctr.Top, sf->Frame().ctr.Right, sf->Frame().ctr.Bottom};
    EXPECT_GE(title.left, kBw.left + 30 - 1) << "TextShift places the title";
    EXPECT_GT(p.CountInk(title, kTop), 15) << "the title text is drawn";
    int white = 0;
    for (int y = title.top; y < title.bottom; ++y)
        for (int x = title.left; x < title.right; ++x) white += p.At(x, y) == 0xFFFFFF;
    EXPECT_GT(white, 5) << "in TitleTextActive";

    // Another window takes the activation: frame 2 everywhere.
    auto other = MakeForm(L"other", 99);
    other->SetBounds(600, 500, 200, 100);
    other->Show();
    SetForegroundWindow(other->Handle());
    ASSERT_TRUE(PixelBecomes({3, 60}, kLeftOff)) << "inactive left frame";
    PumpFor(100);
    Pixels q = CaptureWindow(hwnd_);
    q.SaveBmp(std::string(TEST_BINARY_DIR) + "/form_skin_inactive.bmp");
    for (const auto& s : samples) EXPECT_EQ(q.At(s.at.x, s.at.y), s.inactive) << "inactive case: " << s.name;
    int black = 0;
    for (int y = title.top; y < title.bottom; ++y)
        for (int x = title.left; x < title.right; ++x) black += q.At(x, y) == 0x000000;
    EXPECT_GT(black, 5) << "in TitleTextNoActive";
    EXPECT_EQ(SendMessageW(hwnd_, WM_NCACTIVATE, FALSE, 0), 1) << "WM_NCACTIVATE always answers TRUE";

    // The Tag-99 form keeps the system frame.
    EXPECT_EQ(SkinManager->FindSkinForm(other->Handle()), nullptr);
    EXPECT_EQ(SendMessageW(other->Handle(), CN_SkinQuery, 0, 0), 0);
    others_.push_back(std::move(other));
}

// Every step waits for the state its input leads to (the pointer where it
// was sent, the window's input handled, the button pressed or let go) before
// the next: under load, input sent ahead of the window reaching that state
// lands on another button state, and a hint that goes repaints the frame.
// Two presses on one spot within the double-click time make a double click,
// which presses nothing, so the two presses of the close button go to spots
// further apart than the double-click rectangle.
TEST_F(FormSkinTest, CaptionButtonsHoverPressAndRelease) {
    ASSERT_TRUE(PixelBecomes(Centre(kCloseBtn), kClose[0]));
    TWinSysButton* closeBtn = CaptionButton(0);
    TWinSysButton* minBtn = CaptionButton(2);
    TWinSysButton* maxBtn = CaptionButton(1);
    ASSERT_TRUE(closeBtn && minBtn && maxBtn);
    const POINT close = ScreenOf(Centre(kCloseBtn).x, Centre(kCloseBtn).y);
    const POINT closeLeft = ScreenOf(kCloseBtn.left + 3, Centre(kCloseBtn).y);
    const POINT closeRight = ScreenOf(kCloseBtn.right - 4, Centre(kCloseBtn).y);
    ASSERT_GT(closeRight.x - closeLeft.x, GetSystemMetrics(SM_CXDOUBLECLK));
    const POINT client = ScreenOf(kBw.left + 100, kBw.top + 50);

    // Hover: the hot frame; leaving: normal again.
    ASSERT_TRUE(Settled());
    ASSERT_TRUE(MoveMouse(close));
    EXPECT_TRUE(PixelBecomes(Centre(kCloseBtn), kClose[2])) << "hot frame under the mouse";
    // The hint comes (its pause is tested tick by tick in the caption test) and goes with the mouse.
    // Four ticks of the hover timer, which come only while the window's queue is idle.
    EXPECT_TRUE(PumpUntil([&] { return ShownHint() != nullptr; }, 2 * test_support::kWaitMs))
        << "the close button's hint";
    if (HWND h = ShownHint()) {
        RECT hr{};
        GetWindowRect(h, &hr);
        EXPECT_GE(hr.top, close.y) << "below the cursor";
    }
    ASSERT_TRUE(MoveMouse(client));
    EXPECT_TRUE(PixelBecomes(Centre(kCloseBtn), kClose[0])) << "normal frame once the mouse has left";
    EXPECT_TRUE(PumpUntil([&] { return ShownHint() == nullptr; })) << "the hint goes with the mouse";

    // Press, move off, release outside: no action.
    ASSERT_TRUE(Settled());
    ASSERT_TRUE(MoveMouse(closeLeft));
    ASSERT_TRUE(PixelBecomes(Centre(kCloseBtn), kClose[2])) << "hot before the press";
    LeftButton(true);
    ASSERT_TRUE(PumpUntil([&] { return PressedButton() == closeBtn && GetCapture() == hwnd_; }))
        << "the button holds the mouse";
    EXPECT_TRUE(PixelBecomes(Centre(kCloseBtn), kClose[1])) << "pressed frame";
    ASSERT_TRUE(MoveMouse(client));
    EXPECT_TRUE(PixelBecomes(Centre(kCloseBtn), kClose[0])) << "raised while the mouse is off it";
    LeftButton(false);
    ASSERT_TRUE(PumpUntil([&] { return PressedButton() == nullptr && GetCapture() != hwnd_; }))
        << "the release ends the press";
    test_support::Pump();  // what the release posted
    EXPECT_EQ(closes_, 0) << "a release outside the button does nothing";

    // Press and release inside: exactly one close request.
    ASSERT_TRUE(Settled());
    ASSERT_TRUE(MoveMouse(closeRight));
    LeftButton(true);
    ASSERT_TRUE(PumpUntil([&] { return PressedButton() == closeBtn; }));
    LeftButton(false);
    EXPECT_TRUE(PumpUntil([&] { return closes_ > 0; }));
    test_support::Pump();
    EXPECT_EQ(closes_, 1) << "one press and release, one action";
    EXPECT_NE(GetCapture(), hwnd_) << "the release gives the mouse back";

    // The disabled maximise button does nothing.
    const POINT max = ScreenOf(Centre(kMaxBtn).x, Centre(kMaxBtn).y);
    ASSERT_TRUE(MoveMouse(max));
    LeftButton(true);
    ASSERT_TRUE(PumpUntil([&] { return PressedButton() == maxBtn; }));
    LeftButton(false);
    ASSERT_TRUE(PumpUntil([&] { return PressedButton() == nullptr && GetCapture() != hwnd_; }));
    test_support::Pump();
    EXPECT_FALSE(IsZoomed(hwnd_));
    EXPECT_EQ(WindowSize().cx, kWinW);

    // Minimise through its button, then restore: the same geometry again.
    const POINT min = ScreenOf(Centre(kMinBtn).x, Centre(kMinBtn).y);
    ASSERT_TRUE(MoveMouse(min));
    LeftButton(true);
    ASSERT_TRUE(PumpUntil([&] { return PressedButton() == minBtn; }));
    LeftButton(false);
    EXPECT_TRUE(PumpUntil([&] { return IsIconic(hwnd_) != FALSE; })) << "minimised by its button";
    ShowWindow(hwnd_, SW_RESTORE);
    SetForegroundWindow(hwnd_);
    EXPECT_TRUE(PumpUntil([&] { return !IsIconic(hwnd_); }));
    EXPECT_TRUE(PumpUntil([&] { return ClientSize().cx == kClientW && WindowSize().cx == kWinW; }));
    EXPECT_EQ(ClientSize().cx, kClientW);
    EXPECT_EQ(ClientSize().cy, kClientH);
    EXPECT_EQ(WindowSize().cx, kWinW);
    EXPECT_EQ(WindowSize().cy, kWinH);
    EXPECT_TRUE(PixelBecomes({3, 60}, kLeft)) << "the frame is painted again after restoring";
}

TEST_F(FormSkinTest, DoubleClickOnTheIconClosesOnce) {
    const POINT icon = ScreenOf(Centre(kIcon).x, Centre(kIcon).y);
    Mouse mouse;
    mouse.Run([&] {
        Mouse::MoveTo(icon.x, icon.y);
        for (int i = 0; i < 2; ++i) {
            INPUT in[2] = {};
            in[0].type = in[1].type = INPUT_MOUSE;
            in[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
            in[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
            SendInput(2, in, sizeof(INPUT));
            Sleep(30);
        }
    });
    mouse.Finish();
    EXPECT_TRUE(PumpUntil([&] { return closes_ > 0; })) << "a double click on the icon closes the window";
    PumpFor(GetDoubleClickTime() + 200);
    EXPECT_EQ(closes_, 1);
}

TEST_F(FormSkinTest, SystemMenuByKeyboardAndMouse) {
    const DWORD ui = GetCurrentThreadId();
    const POINT caption = ScreenOf(200, 12);
    const POINT icon = ScreenOf(Centre(kIcon).x, Centre(kIcon).y);
    auto altSpace = [] {
        Mouse::Key(VK_MENU, false);
        Mouse::Key(VK_SPACE, false);
        Mouse::Key(VK_SPACE, true);
        Mouse::Key(VK_MENU, true);
    };
    struct Way {
        const char* name;
        std::function<void()> open;
    } ways[] = {
        {"Alt+Space", altSpace},
        {"right click on the caption",
         [&] {
             Mouse::MoveTo(caption.x, caption.y);
             Mouse::Button(MOUSEEVENTF_RIGHTDOWN);
             Mouse::Button(MOUSEEVENTF_RIGHTUP);
         }},
        {"click on the icon",
         [&] {
             Mouse::MoveTo(icon.x, icon.y);
             Mouse::Button(MOUSEEVENTF_LEFTDOWN);
             Mouse::Button(MOUSEEVENTF_LEFTUP);
         }},
    };
    Mouse mouse;
    for (const auto& way : ways) {
        // The menu is tracked inside this thread's handlers: another thread watches it.
        std::atomic<LRESULT> query{-1};
        std::atomic<bool> seen{false};
        std::atomic<int> items{-1};
        std::atomic<uintptr_t> shown{0};
        std::atomic<int> ownerDrawn{-1};
        mouse.Run([&] {
            way.open();
            for (int i = 0; i < 150 && !seen; ++i) {
                if (HWND menu = MenuWindowOf(ui)) {
                    seen = true;
                    Sleep(100);
                    DWORD_PTR answer = 0;
                    if (SendMessageTimeoutW(menu, CN_SkinQuery, 0, 0, SMTO_ABORTIFHUNG, 3000, &answer))
                        query = static_cast<LRESULT>(answer);
                    // MN_GETHMENU: the menu the window shows.
                    if (SendMessageTimeoutW(menu, 0x01E1, 0, 0, SMTO_ABORTIFHUNG, 3000, &answer) && answer) {
                        const auto m = reinterpret_cast<HMENU>(answer);
                        shown = answer;
                        items = GetMenuItemCount(m);
                        int drawn = 0;
                        for (int k = 0; k < items; ++k) {
                            MENUITEMINFOW mii{};
                            mii.cbSize = sizeof mii;
                            mii.fMask = MIIM_FTYPE;
                            if (GetMenuItemInfoW(m, static_cast<UINT>(k), TRUE, &mii) && (mii.fType & MFT_OWNERDRAW))
                                ++drawn;
                        }
                        ownerDrawn = drawn;
                    }
                } else {
                    Sleep(20);
                }
            }
            Mouse::Key(VK_ESCAPE, false);
            Mouse::Key(VK_ESCAPE, true);
        });
        mouse.Finish();
        EXPECT_TRUE(seen.load()) << "case: " << way.name << ": a menu opens";
        EXPECT_EQ(query.load(), 1) << "case: " << way.name << ": the menu window is skinned";
        EXPECT_EQ(items.load(), GetMenuItemCount(GetSystemMenu(hwnd_, FALSE)))
            << "case: " << way.name << ": one item per item of the window's system menu";
        // The skinned copy, not the system's own menu: another handle, every item drawn by the skin.
        EXPECT_NE(shown.load(), reinterpret_cast<uintptr_t>(GetSystemMenu(hwnd_, FALSE))) << "case: " << way.name;
        EXPECT_EQ(ownerDrawn.load(), items.load()) << "case: " << way.name << ": owner-drawn items";
        EXPECT_TRUE(PumpUntil([&] { return MenuWindowOf(ui) == nullptr; })) << "case: " << way.name;
        PumpFor(static_cast<int>(GetDoubleClickTime()) + 100);  // the next opening is no second click
        EXPECT_EQ(closes_, 0) << "case: " << way.name;
    }
}

TEST_F(FormSkinTest, DraggingByTheCaptionMovesTheWindow) {
    RECT before{};
    GetWindowRect(hwnd_, &before);
    const POINT from = ScreenOf(200, 12);
    Mouse mouse;
    mouse.Run([&] {
        Mouse::MoveTo(from.x, from.y);
        Mouse::Button(MOUSEEVENTF_LEFTDOWN);
        Mouse::MoveTo(from.x + 20, from.y + 10);
        Mouse::MoveTo(from.x + 50, from.y + 30);
        Mouse::Button(MOUSEEVENTF_LEFTUP);
    });
    mouse.Finish();
    PumpFor(200);
    RECT after{};
    GetWindowRect(hwnd_, &after);
    EXPECT_EQ(after.left - before.left, 50);
    EXPECT_EQ(after.top - before.top, 30);
    EXPECT_EQ(after.right - after.left, kWinW) << "moved, not resized";
}

TEST_F(FormSkinTest, SwitchingOffAndOnKeepsTheClientArea) {
    const SIZE skinnedWindow = WindowSize();
    const POINT skinnedOrigin = ClientOrigin();
    HRGN first = CreateRectRgn(0, 0, 0, 0);
    GetWindowRgn(hwnd_, first);

    SwitchSkin(false);
    EXPECT_EQ(SendMessageW(hwnd_, CN_SkinQuery, 0, 0), 0) << "the subclass is gone";
    EXPECT_EQ(ClientSize().cx, kClientW);
    EXPECT_EQ(ClientSize().cy, kClientH);
    EXPECT_EQ(ClientOrigin().x, skinnedOrigin.x) << "the client area stays where it was";
    EXPECT_EQ(ClientOrigin().y, skinnedOrigin.y);
    HRGN none = CreateRectRgn(0, 0, 0, 0);
    EXPECT_EQ(GetWindowRgn(hwnd_, none), ERROR) << "no window region without the skin";
    DeleteObject(none);
    EXPECT_TRUE(form_->Caption() == L"Skin test 皮肤");
    EXPECT_NE(GetWindowLongPtrW(hwnd_, GWL_STYLE) & WS_SYSMENU, 0) << "the system menu style is back";

    SwitchSkin(true);
    EXPECT_EQ(SendMessageW(hwnd_, CN_SkinQuery, 0, 0), 1);
    EXPECT_EQ(WindowSize().cx, skinnedWindow.cx) << "the same skinned geometry as the first time";
    EXPECT_EQ(WindowSize().cy, skinnedWindow.cy);
    EXPECT_EQ(ClientSize().cx, kClientW);
    EXPECT_EQ(ClientSize().cy, kClientH);
    HRGN second = CreateRectRgn(0, 0, 0, 0);
    GetWindowRgn(hwnd_, second);
    EXPECT_TRUE(EqualRgn(first, second)) << "the same window region";
    DeleteObject(first);
    DeleteObject(second);
    EXPECT_TRUE(PixelBecomes({3, 60}, kLeft));
}

TEST_F(FormSkinTest, DeferredSkinChangeAndReskinOfOneForm) {
    // A new skin: the manager's action 3 applies it to the skinned window.
    TMemoryStream wide;
    const Bytes& bytes = FlatSkin(true);
    wide.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
    wide.SetPosition(0);
    data_->LoadFromStream(wide);
    ASSERT_TRUE(
        PumpUntil([&] { return Sf() && Sf()->Frame().bw.Left == 16 && Sf()->Skinstate == SkinStage::Skinned; }));
    PumpFor(100);
    EXPECT_EQ(ClientSize().cx, kClientW);
    EXPECT_EQ(ClientSize().cy, kClientH);
    EXPECT_EQ(WindowSize().cx, kClientW + 16 + 12);
    EXPECT_EQ(WindowSize().cy, kClientH + 48 + 10);
    EXPECT_TRUE(PixelBecomes({12, 60}, kLeft)) << "the wider left border is painted";

    // Action 7: the form is unskinned and skinned afresh by a new object.
    // The application's events see the window as it is on the screen.
    int skinned = 0;
    bool shownBefore = false, shownAfter = false;
    data_->OnBeforeSkinForm = [&](TObject*, HWND w, const std::wstring&) {
        if (w == hwnd_) shownBefore = IsWindowVisible(w) != FALSE;
    };
    data_->OnAfterSkinForm = [&](TObject*, HWND w, const std::wstring&) {
        if (w != hwnd_) return;
        ++skinned;
        shownAfter = IsWindowVisible(w) != FALSE;
    };
    data_->ChangeForm(form_.get());
    ASSERT_TRUE(PumpUntil([&] { return skinned == 1 && Skinned(hwnd_); }));
    EXPECT_TRUE(shownBefore);
    EXPECT_TRUE(shownAfter);
    PumpFor(100);
    EXPECT_EQ(ClientSize().cx, kClientW);
    EXPECT_EQ(ClientSize().cy, kClientH);
    EXPECT_EQ(WindowSize().cx, kClientW + 16 + 12);
}

TEST_F(FormSkinTest, QueryFinishedNotificationAndDetachOnDestroy) {
    EXPECT_EQ(SendMessageW(hwnd_, CN_SkinQuery, 0, 0), 1);
    MSG msg{};
    EXPECT_TRUE(PeekMessageW(&msg, hwnd_, CN_SkinFinished, CN_SkinFinished, PM_REMOVE)) << "CN_SkinFinished posted";
    EXPECT_EQ(msg.lParam, SkinSignature);
    EXPECT_EQ(form_->Perform(CN_SkinProbe, 0, SkinSignature), SkinSignature);
    EXPECT_EQ(form_->Perform(CN_SkinProbe, 0, 5), 1);
    EXPECT_EQ(form_->Perform(CN_SkinPaintFrame, 0, 5), 0) << "without the signature nothing happens";
    EXPECT_EQ(form_->Perform(CN_SkinPaintFrame, 0, SkinSignature), SkinSignature);

    TWinSkinForm* sf = Sf();
    ASSERT_NE(sf, nullptr);
    form_->DestroyHandle();
    EXPECT_EQ(sf->Skinstate, SkinStage::Dead) << "dead once its window is gone";
    EXPECT_FALSE(sf->subclassed);
    const HWND gone = hwnd_;
    SkinManager->DeleteDeleted();
    EXPECT_EQ(SkinManager->FindSkinForm(gone), nullptr) << "dropped by the manager";
    // The form makes a new window and gets a new object when activated.
    form_->Show();
    hwnd_ = form_->Handle();
    SetForegroundWindow(hwnd_);
    EXPECT_TRUE(PumpUntil([&] { return Skinned(hwnd_); }));
}

TEST_F(FormSkinTest, MessageBoxIsSkinnedAndWidened) {
    struct Seen {
        std::atomic<bool> done{false};
        std::atomic<LRESULT> query{-1};
        std::atomic<int> leftWidth{-1}, topHeight{-1};
        std::atomic<int> width{0};
    } seen;
    const DWORD uiThread = GetCurrentThreadId();
    std::thread watcher([&] {
        HWND box = nullptr;
        for (int i = 0; i < 300 && !box; ++i) {
            Sleep(20);
            EnumThreadWindows(uiThread, FindDialog, reinterpret_cast<LPARAM>(&box));
        }
        if (box) {
            // Skinning finishes on CN_SkinActive; give the box's thread the time.
            for (int i = 0; i < 100 && seen.query.load() != 1; ++i) {
                Sleep(20);
                seen.query = SendMessageW(box, CN_SkinQuery, 0, 0);
            }
            Sleep(300);
            RECT wr{}, cr{};
            GetWindowRect(box, &wr);
            GetClientRect(box, &cr);
            POINT o{0, 0};
            ClientToScreen(box, &o);
            seen.leftWidth = o.x - wr.left;
            seen.topHeight = o.y - wr.top;
            seen.width = wr.right - wr.left;
            PostMessageW(box, WM_COMMAND, IDOK, 0);
        }
        seen.done = true;
    });
    const std::wstring title = L"A message box with a caption long enough to need a wider window than its text";
    MessageBoxW(hwnd_, L"OK?", title.c_str(), MB_OK);
    watcher.join();
    ASSERT_TRUE(seen.done.load());
    EXPECT_EQ(seen.query.load(), 1) << "the message box is skinned";
    EXPECT_EQ(seen.leftWidth.load(), kBw.left);
    EXPECT_EQ(seen.topHeight.load(), kBw.top);
    // Widened so that its caption fits: at least the caption's width.
    HDC dc = GetDC(nullptr);
    NONCLIENTMETRICSW ncm{};
    ncm.cbSize = sizeof ncm;
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof ncm, &ncm, 0);
    HFONT font = CreateFontIndirectW(&ncm.lfCaptionFont);
    HGDIOBJ old = SelectObject(dc, font);
    SIZE text{};
    GetTextExtentPoint32W(dc, title.c_str(), static_cast<int>(title.size()), &text);
    SelectObject(dc, old);
    DeleteObject(font);
    ReleaseDC(nullptr, dc);
    EXPECT_GE(seen.width.load(), text.cx + 30 + 70) << "title text plus the title's insets";
}

TEST_F(FormSkinTest, HundredSwitchesLeaveNoHandlesBehind) {
    auto cycle = [&](ManagerAction code) {
        SkinManager->UpdateData = data_.get();
        SkinManager->SetAction(code, 1);
        return PumpUntil(
            [&] { return code == ManagerAction::Skin ? Skinned(hwnd_) : !SkinManager->FindSkinForm(hwnd_); });
    };
    // One round first so lazily made objects (fonts, brushes of the system) exist.
    ASSERT_TRUE(cycle(ManagerAction::Unskin));
    ASSERT_TRUE(cycle(ManagerAction::Skin));
    PumpFor(100);
    const size_t gdi = test_support::GdiObjects();
    const size_t user = UserObjectsInUse();
    SKIP_WITHOUT_GDI_COUNT(gdi);
    ASSERT_GT(user, 0u) << "USER objects can be counted";
    const SIZE window = WindowSize();
    for (int i = 0; i < 100; ++i) {
        ASSERT_TRUE(cycle(ManagerAction::Unskin)) << "round " << i;
        ASSERT_EQ(ClientSize().cx, kClientW) << "round " << i;
        ASSERT_EQ(ClientSize().cy, kClientH) << "round " << i;
        ASSERT_TRUE(cycle(ManagerAction::Skin)) << "round " << i;
        ASSERT_EQ(ClientSize().cx, kClientW) << "round " << i;
        ASSERT_EQ(ClientSize().cy, kClientH) << "round " << i;
        ASSERT_EQ(WindowSize().cx, window.cx) << "round " << i;
        ASSERT_EQ(WindowSize().cy, window.cy) << "round " << i;
    }
    PumpFor(300);
    EXPECT_EQ(test_support::GdiObjects(), gdi);
    EXPECT_EQ(UserObjectsInUse(), user);
}

}  // namespace
