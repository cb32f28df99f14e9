// Frames per second of a 10,000-line memo scrolled by the mouse wheel, with
// its scroll bars skinned and plain, alternated, best of three rounds each;
// prints both and their ratio. One frame: one wheel notch handled by the
// memo (and its skin hook), the memo's client repainted and the bars drawn.
// The skin is built in memory with patterned strips at the usual sizes.
// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>

#include "framework/controls/FormsAndApplication.h"
#include "framework/controls/ScrollingControls.h"
#include "skin/controls/ControlSkinning.h"
#include "skin/controls/SkinScrollbar.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kLines = 10000;
constexpr int kNotches = 60;

void Pattern(TBitmap& bmp, int width, int height) {
    bmp.SetSize(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            bmp.SetPixel(x, y, static_cast<TColor>((x * 2654435761u + y * 40503u) & 0xFFFFFF));
}

std::unique_ptr<TSkinData> MakeSkin() {
    auto sd = std::make_unique<TSkinData>(nullptr);
    sd->Colors[csButtonFace] = 0xD8E0E8;
    const int cw = GetSystemMetrics(SM_CXHSCROLL);
    sd->SArrow = std::make_unique<TDataSkinObject>(L"Scrollbar");
    Pattern(sd->SArrow->Map, 23 * cw, cw);
    sd->SArrow->frame = 23;
    for (auto* bar : {&sd->HBar, &sd->VBar}) {
        *bar = std::make_unique<TDataSkinObject>(L"Scroll");
        Pattern((*bar)->Map, 4 * 17, 17);
        (*bar)->r = TRect{3, 3, 3, 3};
        (*bar)->frame = 4;
    }
    for (auto* slider : {&sd->HSlider, &sd->VSlider}) {
        *slider = std::make_unique<TDataSkinObject>(L"ScrollThumb");
        Pattern((*slider)->Map, 3 * 17, 17);
        (*slider)->r = TRect{4, 4, 4, 4};
        (*slider)->frame = 3;
        (*slider)->trans = 1;
    }
    return sd;
}

struct Window {
    std::unique_ptr<TForm> form = std::make_unique<TForm>(nullptr);
    TMemo* memo = nullptr;
    std::unique_ptr<TSkinData> sd;
    std::unique_ptr<TWinSkinForm> sf;

    explicit Window(bool skinned) {
        form->SetClientWidth(400);
        form->SetClientHeight(300);
        form->SetLeft(20);
        form->SetTop(20);
        memo = new TMemo(form.get());
        memo->SetParent(form.get());
        memo->SetBounds(10, 10, 380, 280);
        memo->SetWordWrap(false);
        memo->SetScrollBars(ssBoth);
        std::wstring text;
        for (int i = 0; i < kLines; ++i) text += L"line " + std::to_wstring(i) + L" of the memo\r\n";
        memo->SetText(text);
        form->Show();
        if (skinned) {
            sd = MakeSkin();
            sf = std::make_unique<TWinSkinForm>(nullptr);
            sf->Hwnd = form->Handle();
            sf->fsd = sd.get();
            if (!dynamic_cast<TSkinScrollbar*>(AddComp(*sf, memo, form.get()))) {
                std::fprintf(stderr, "the memo was not skinned\n");
                std::exit(1);
            }
        }
        Pump();
    }
    ~Window() {
        sf.reset();
        form.reset();
    }
    static void Pump() {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    // Frames per second over kNotches notches down and as many up.
    double Run() {
        const HWND h = memo->Handle();
        POINT p{50, 50};
        ClientToScreen(h, &p);
        const auto start = Clock::now();
        for (int dir : {-1, 1})
            for (int i = 0; i < kNotches; ++i) {
                SendMessageW(h, WM_MOUSEWHEEL, MAKEWPARAM(0, dir * WHEEL_DELTA), MAKELPARAM(p.x, p.y));
                UpdateWindow(h);
                Pump();
            }
        GdiFlush();
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        return 2.0 * kNotches / seconds;
    }
};

}  // namespace

int main() {
    InitCommonControls();
    Application->Initialize();
    InstallControlSkinning();
    double best[2] = {0, 0};  // plain, skinned
    for (int round = 0; round < 3; ++round)
        for (int skinned = 0; skinned < 2; ++skinned) {
            Window w(skinned != 0);
            const double fps = w.Run();
            std::fprintf(stderr, "round %d %s: %.1f frames/s\n", round + 1, skinned ? "skinned" : "plain", fps);
            best[skinned] = std::max(best[skinned], fps);
        }
    std::printf("10,000-line memo, wheel scrolling: plain %.1f frames/s, skinned %.1f frames/s, ratio %.3f\n", best[0],
                best[1], best[1] / best[0]);
    return 0;
}
