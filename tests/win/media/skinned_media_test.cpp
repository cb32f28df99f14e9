// The skinned media player under Wine: the skin-drawn bar lies over the
// player, shares its width among the visible buttons, draws the skin's
// button frames (pressed, disabled), passes clicks to the player so play
// really reaches the end, follows the player, and goes when the skin does.
#include <gtest/gtest.h>

// clang-format off
#include <winsock2.h>
#include <windows.h>
// clang-format on

#include <cstdio>
#include <memory>

#include "framework/controls/ControlsStreaming.h"
#include "framework/controls/FormsAndApplication.h"
#include "framework/controls/MediaPlayer.h"
#include "skin/controls/ControlSkinning.h"
#include "skin/controls/SkinMediaPlayer.h"
#include "skin/form/SkinData_win.h"
#include "tests/win/media/MediaSupport.h"
#include "tests/win/support/ClientPixels.h"
#include "tests/win/support/Input.h"

namespace {

using test_support::CaptureClient;
using test_support::Pump;
using test_support::PumpUntil;

constexpr TColor kFace = 0x303030;
constexpr TColor kFrames[3] = {0x0000C0, 0x00C000, 0xC00000};  // normal, pressed, disabled

uint32_t Rgb(TColor c) {
    return (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
}

class SkinnedMediaTest : public ::testing::Test {
protected:
    void SetUp() override {
        RegisterControlClasses();
        InstallControlSkinning();
        dir = media_test::TempDir();
        form = std::make_unique<TForm>(nullptr);
        form->SetBorderStyle(bsSingle);
        form->SetClientWidth(320);
        form->SetClientHeight(120);
        form->SetLeft(80);
        form->SetTop(80);
        player = new TMediaPlayer(form.get());
        player->SetParent(form.get());
        player->SetBounds(10, 10, 200, 30);
        player->SetVisibleButtons(MPButton(btPlay) | MPButton(btStop));
        sd = std::make_unique<TSkinData>(nullptr);
        sd->Colors[csButtonFace] = kFace;
        sd->Button = std::make_unique<TDataSkinButton>(L"Button");
        auto& b = *sd->Button;
        b.Map.SetSize(3 * 20, 20);
        for (int f = 0; f < 3; ++f)
            for (int y = 0; y < 20; ++y)
                for (int x = 0; x < 20; ++x) b.Map.SetPixel(f * 20 + x, y, kFrames[f]);
        b.r = TRect{3, 3, 3, 3};
        b.frame = 3;
        sd->SetDisableTag(77);
    }
    void ShowAndSkin() {
        form->Show();
        const HWND h = form->Handle();
        SetForegroundWindow(h);
        UpdateWindow(h);
        ASSERT_TRUE(PumpUntil([&] { return GetForegroundWindow() == h; })) << "the form did not come to the front";
        sf = std::make_unique<TWinSkinForm>(nullptr);
        sf->Hwnd = h;
        sf->fsd = sd.get();
        obj = dynamic_cast<TSkinMP*>(AddComp(*sf, player, form.get()));
        ASSERT_NE(obj, nullptr);
        ASSERT_NE(obj->mp, nullptr);
        // The display shows the windows a little after Wine says they are there.
        test_support::PumpFor(300);
    }
    void TearDown() override {
        SetCursorPos(2, 2);
        test_support::MouseButton(false);
        Pump();
        sf.reset();
        form.reset();
        for (const auto& f : files) DeleteFileW(f.c_str());
        RemoveDirectoryW(dir.c_str());
    }
    HWND Bar() { return obj->mp->Handle(); }

    std::wstring dir;
    std::vector<std::wstring> files;
    std::unique_ptr<TForm> form;
    std::unique_ptr<TSkinData> sd;
    std::unique_ptr<TWinSkinForm> sf;
    TMediaPlayer* player = nullptr;
    TSkinMP* obj = nullptr;
};

TEST_F(SkinnedMediaTest, TwoVisibleButtonsShareTheWidthInTheSkinsFrames) {
    ShowAndSkin();
    TWMediaPlayer& bar = *obj->mp;
    EXPECT_EQ(bar.Tag(), 77) << "the bar carries the disable tag";
    EXPECT_EQ(bar.Parent(), player->Parent());
    EXPECT_EQ(bar.BoundsRect().left, 10);
    EXPECT_EQ(bar.BoundsRect().top, 10);
    EXPECT_EQ(bar.Width(), 200);
    EXPECT_EQ(bar.Height(), 30);
    EXPECT_EQ(GetWindow(Bar(), GW_HWNDNEXT) == player->Handle() || GetWindow(player->Handle(), GW_HWNDPREV) == Bar(),
              true)
        << "the bar lies just above the player";
    auto px = CaptureClient(Bar(), true);
    EXPECT_EQ(bar.count, 2);
    EXPECT_EQ(bar.BtnWidth, 100);
    // Each half is one button: the skin's frame edges at both of its sides.
    for (int x : {1, 98, 101, 198}) EXPECT_EQ(px.At(x, 1), Rgb(kFrames[0])) << "x " << x;
    EXPECT_GT(px.CountInk(RECT{40, 5, 60, 25}, Rgb(kFrames[0])), 10) << "the play glyph";

    // A disabled Stop shows the disabled frame.
    player->SetEnabledButtons(MPButton(btPlay));
    bar.Invalidate();
    Pump(5);
    px = CaptureClient(Bar(), true);
    EXPECT_EQ(px.At(101, 1), Rgb(kFrames[2]));
    EXPECT_EQ(px.At(1, 1), Rgb(kFrames[0]));

    // Pressed: the pressed frame while the button is down.
    test_support::MouseTo(Bar(), 50, 15);
    Pump();
    test_support::MouseButton(true);
    ASSERT_TRUE(PumpUntil([&] { return bar.IsDown; }));
    Pump(3);
    px = CaptureClient(Bar(), false);
    EXPECT_EQ(px.At(1, 1), Rgb(kFrames[1])) << "the pressed frame";
    EXPECT_EQ(bar.BtnClick, static_cast<int>(btPlay));
    // Released over the other button: no click.
    test_support::MouseTo(Bar(), 150, 15);
    Pump();
    test_support::MouseButton(false);
    ASSERT_TRUE(PumpUntil([&] { return !bar.IsDown; }));
    Pump(10);
    EXPECT_NE(player->Mode(), mpPlaying);

    // No visible button: the bar is the button face.
    player->SetVisibleButtons(0);
    bar.Invalidate();
    Pump(5);
    px = CaptureClient(Bar(), true);
    EXPECT_EQ(px.CountInk(RECT{0, 0, 200, 30}, Rgb(kFace)), 0);
}

TEST_F(SkinnedMediaTest, AClickOnTheBarPlaysToTheEnd) {
    const std::wstring wav = dir + L"tone.wav";
    media_test::WriteWav(wav, 500);
    files.push_back(wav);
    player->SetFileName(wav);
    player->SetDeviceType(L"waveaudio");
    ASSERT_NO_THROW(player->Open());
    int notified = 0;
    player->OnNotify = [&](TObject*) { ++notified; };
    ShowAndSkin();
    test_support::MouseTo(Bar(), 50, 15);
    Pump();
    test_support::MouseButton(true);
    Pump();
    test_support::MouseButton(false);
    ASSERT_TRUE(PumpUntil([&] { return notified > 0; })) << "play did not reach its end";
    EXPECT_EQ(player->NotifyValue(), nvSuccessful);
    EXPECT_EQ(player->Position(), player->Length());
    EXPECT_NEAR(static_cast<int>(player->Length()), 500, 2);
}

TEST_F(SkinnedMediaTest, TheBarFollowsThePlayerAndGoesWithTheSkin) {
    ShowAndSkin();
    player->SetBounds(40, 50, 180, 26);
    Pump(5);
    EXPECT_EQ(obj->mp->Left(), 40);
    EXPECT_EQ(obj->mp->Top(), 50);
    EXPECT_EQ(obj->mp->Width(), 180);
    player->Hide();
    Pump(5);
    EXPECT_FALSE(IsWindowVisible(Bar()));
    player->Show();
    Pump(5);
    EXPECT_TRUE(IsWindowVisible(Bar()));
    const HWND bar = Bar();
    obj->Unsubclass();
    EXPECT_EQ(obj->mp, nullptr);
    EXPECT_FALSE(IsWindow(bar)) << "the bar is freed when the skin goes";
}

TEST_F(SkinnedMediaTest, ThePlayerFreedFirstTakesItsBar) {
    ShowAndSkin();
    const HWND bar = Bar();
    ASSERT_TRUE(IsWindow(bar));
    delete player;
    player = nullptr;
    Pump(5);
    EXPECT_FALSE(IsWindow(bar)) << "no bar is left over a freed player";
}

}  // namespace

int main(int argc, char** argv) {
    if (!media_test::UseNullAlsa()) {
        std::fprintf(stderr, "ALSA_CONFIG_PATH is not set: run this test through CTest\n");
        return 2;
    }
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
