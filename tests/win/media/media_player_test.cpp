// The framework's media player on a real MCI "waveaudio" device under Wine,
// playing a generated tone into an ALSA null output: play reaches its end and
// notifies, stop and seeking move the real position, failures raise with
// MCI's text, and the button bar lays out and clicks as a user sees it.
#include <gtest/gtest.h>

// clang-format off
#include <windows.h>
// clang-format on

#include <cstdio>
#include <memory>

#include "framework/controls/ControlsStreaming.h"
#include "framework/controls/FormsAndApplication.h"
#include "framework/controls/MediaPlayer.h"
#include "framework/streaming/PublishedProperties.h"
#include "tests/win/media/MediaSupport.h"
#include "tests/win/support/Input.h"

namespace {

using test_support::PumpUntil;

class MediaPlayerTest : public ::testing::Test {
protected:
    void SetUp() override {
        RegisterControlClasses();
        dir = media_test::TempDir();
        form = std::make_unique<TForm>(nullptr);
        form->SetBorderStyle(bsSingle);
        form->SetClientWidth(320);
        form->SetClientHeight(120);
        form->SetLeft(80);
        form->SetTop(80);
        player = new TMediaPlayer(form.get());
        player->SetParent(form.get());
        player->SetBounds(10, 10, 240, 30);
    }
    void TearDown() override {
        test_support::MouseButton(false);
        form.reset();
        for (const auto& f : files) DeleteFileW(f.c_str());
        RemoveDirectoryW(dir.c_str());
    }
    std::wstring Wav(const wchar_t* name, int ms) {
        std::wstring path = dir + name;
        media_test::WriteWav(path, ms);
        files.push_back(path);
        return path;
    }
    void OpenWav(int ms) {
        player->SetFileName(Wav(L"tone.wav", ms));
        player->SetDeviceType(L"waveaudio");
        ASSERT_NO_THROW(player->Open()) << "MCI could not open the wave device";
    }
    void ShowForm() {
        form->Show();
        const HWND h = form->Handle();
        SetForegroundWindow(h);
        UpdateWindow(h);
        ASSERT_TRUE(PumpUntil([&] { return GetForegroundWindow() == h; })) << "the form did not come to the front";
        // The display shows the window a little after Wine says it is in front.
        test_support::PumpFor(300);
    }
    void Click(int x, int y) {
        test_support::MouseTo(player->Handle(), x, y);
        test_support::Pump();
        test_support::MouseButton(true);
        test_support::Pump();
        test_support::MouseButton(false);
        test_support::Pump();
    }

    std::wstring dir;
    std::vector<std::wstring> files;
    std::unique_ptr<TForm> form;
    TMediaPlayer* player = nullptr;
};

TEST_F(MediaPlayerTest, PlayReachesTheEndAndNotifies) {
    OpenWav(400);
    EXPECT_NEAR(static_cast<int>(player->Length()), 400, 2);
    EXPECT_EQ(player->Position(), 0u);
    int notified = 0;
    player->OnNotify = [&](TObject*) { ++notified; };
    player->SetNotify(true);
    player->Play();
    EXPECT_FALSE(player->Notify()) << "a notification is asked for once";
    ASSERT_TRUE(PumpUntil([&] { return notified > 0; })) << "no notification of the end of play";
    EXPECT_EQ(notified, 1);
    EXPECT_EQ(player->NotifyValue(), nvSuccessful);
    EXPECT_EQ(player->Position(), player->Length());
    EXPECT_EQ(player->Mode(), mpStopped);
}

TEST_F(MediaPlayerTest, StopAndSeekMoveTheRealPosition) {
    OpenWav(3000);
    player->SetNotify(false);
    player->Play();
    ASSERT_TRUE(PumpUntil([&] { return player->Position() >= 300; })) << "play did not advance";
    EXPECT_EQ(player->Mode(), mpPlaying);
    player->Stop();
    EXPECT_EQ(player->Mode(), mpStopped);
    const uint32_t stoppedAt = player->Position();
    EXPECT_GT(stoppedAt, 0u);
    EXPECT_LT(stoppedAt, 3000u);
    test_support::Pump(20);
    EXPECT_EQ(player->Position(), stoppedAt) << "a stopped device stays where it stopped";

    player->Seek(1000);
    EXPECT_EQ(player->Position(), 1000u);
    player->SetFrames(250);
    player->Step();
    EXPECT_EQ(player->Position(), 1250u);
    player->Back();
    player->Back();
    EXPECT_EQ(player->Position(), 750u);
    player->Next();
    EXPECT_EQ(player->Position(), 3000u);
    player->Step();
    EXPECT_EQ(player->Position(), 3000u) << "step stops at the end";
    player->Previous();
    EXPECT_EQ(player->Position(), 0u);
    player->Back();
    EXPECT_EQ(player->Position(), 0u) << "back stops at the start";

    // Play from a sought position ends at the real end.
    player->Seek(2700);
    int notified = 0;
    player->OnNotify = [&](TObject*) { ++notified; };
    player->SetNotify(true);
    player->Play();
    ASSERT_TRUE(PumpUntil([&] { return notified > 0; }));
    EXPECT_EQ(player->Position(), 3000u);
}

TEST_F(MediaPlayerTest, PauseHoldsThePositionAndResumes) {
    OpenWav(3000);
    player->SetNotify(false);
    player->Play();
    ASSERT_TRUE(PumpUntil([&] { return player->Position() >= 300; }));
    player->Pause();
    EXPECT_EQ(player->Mode(), mpPaused);
    // Wine counts the position by completed buffers: the one in flight at the
    // pause may still be counted just after it.
    test_support::Pump(10);
    const uint32_t at = player->Position();
    test_support::Pump(30);
    EXPECT_EQ(player->Position(), at);
    player->Pause();  // a second press goes on
    EXPECT_EQ(player->Mode(), mpPlaying);
    ASSERT_TRUE(PumpUntil([&] { return player->Position() > at + 100; }));
    player->Stop();
}

TEST_F(MediaPlayerTest, FailuresRaiseWithTheDeviceText) {
    player->SetFileName(dir + L"missing.wav");
    player->SetDeviceType(L"waveaudio");
    try {
        player->Open();
        FAIL() << "opening a missing file succeeded";
    } catch (const EFrameworkError& e) {
        EXPECT_NE(player->Error(), 0u);
        EXPECT_FALSE(e.Message().empty());
        EXPECT_EQ(e.Message(), player->ErrorMessage());
    }
    EXPECT_FALSE(player->IsOpen());
    EXPECT_THROW(player->Play(), EFrameworkError) << "a player with no device cannot play";
}

TEST_F(MediaPlayerTest, ButtonSetsByNameAndTheirLayout) {
    EXPECT_EQ(GetPropText(*player, L"VisibleButtons"),
              L"btPlay,btPause,btStop,btNext,btPrev,btStep,btBack,btRecord,btEject");
    ASSERT_TRUE(SetPropText(*player, L"VisibleButtons", L"btPlay,btStop"));
    EXPECT_EQ(player->VisibleButtons(), MPButton(btPlay) | MPButton(btStop));
    const RECT play = player->ButtonRect(btPlay);
    const RECT stop = player->ButtonRect(btStop);
    EXPECT_EQ(play.left, 0);
    EXPECT_EQ(play.right - play.left, 120);
    EXPECT_EQ(stop.left, 120);
    EXPECT_EQ(stop.right - stop.left, 120);
    EXPECT_EQ(player->ButtonRect(btPause).right, 0) << "a hidden button has no place";
    TMPBtnType b{};
    ASSERT_TRUE(player->ButtonAt(500, b));
    EXPECT_EQ(b, btStop) << "past the right: the last visible button";
}

TEST_F(MediaPlayerTest, ClicksOnTheBarDriveTheDevice) {
    OpenWav(3000);
    player->SetVisibleButtons(MPButton(btPlay) | MPButton(btStop) | MPButton(btNext));
    player->SetNotify(false);
    std::vector<TMPBtnType> clicked;
    player->OnClick = [&](TObject*, TMPBtnType button, bool&) { clicked.push_back(button); };
    ShowForm();
    Click(40, 15);  // Play
    ASSERT_TRUE(PumpUntil([&] { return player->Mode() == mpPlaying; })) << "the Play button did not play";
    Click(120, 15);  // Stop
    EXPECT_TRUE(PumpUntil([&] { return player->Mode() == mpStopped; })) << "the Stop button did not stop";
    EXPECT_GT(player->Position(), 0u);
    // A disabled button does nothing.
    player->SetEnabledButtons(MPButton(btPlay) | MPButton(btStop));
    Click(200, 15);
    test_support::Pump(20);
    EXPECT_LT(player->Position(), 3000u);
    player->SetEnabledButtons(kAllMPButtons);
    // Pressed on one button and released on another: no click.
    test_support::MouseTo(player->Handle(), 40, 15);
    test_support::Pump();
    test_support::MouseButton(true);
    test_support::Pump();
    test_support::MouseTo(player->Handle(), 200, 15);
    test_support::Pump();
    test_support::MouseButton(false);
    test_support::Pump(20);
    EXPECT_EQ(player->Mode(), mpStopped);
    ASSERT_EQ(clicked.size(), 2u);
    EXPECT_EQ(clicked[0], btPlay);
    EXPECT_EQ(clicked[1], btStop);
    Click(200, 15);  // Next, enabled again
    EXPECT_TRUE(PumpUntil([&] { return player->Position() == 3000u; })) << "the Next button did not seek";
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
