// Costs of the skinned controls under Wine, for run_control_skin_bench.py:
//   control_skin_bench paint                      per-operation times, skinned and plain
//   control_skin_bench download URL FILE skinned|plain
//                                                 one download driving a 377-pixel bar; prints seconds
// The skin is built in memory at the updater's sizes: a five-frame button
// image with 10-pixel ends, a two-frame progress image with ends of 2 and 5.
// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on

#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "framework/controls/ButtonControls.h"
#include "framework/controls/FormsAndApplication.h"
#include "framework/controls/ProgressBar.h"
#include "framework/system/CodePage.h"
#include "skin/controls/ControlSkinning.h"
#include "skin/controls/SkinButtons.h"
#include "updater/UpdateProcess.h"

namespace {

using Clock = std::chrono::steady_clock;

void Pattern(TBitmap& bmp, int width, int height) {
    bmp.SetSize(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            bmp.SetPixel(x, y, static_cast<TColor>((x * 2654435761u + y * 40503u) & 0xFFFFFF));
}

std::unique_ptr<TSkinData> MakeSkin() {
    auto sd = std::make_unique<TSkinData>(nullptr);
    sd->Colors[csButtonFace] = 0xD8E0E8;
    sd->Colors[csButtonText] = 0;
    sd->Button = std::make_unique<TDataSkinButton>(L"Button");
    Pattern(sd->Button->Map, 5 * 60, 22);
    sd->Button->r = TRect{10, 3, 10, 3};
    sd->Button->frame = 5;
    sd->Button->trans = 1;
    sd->progress = std::make_unique<TDataSkinBorder>(L"Progress");
    Pattern(sd->progress->Map, 2 * 30, 17);
    sd->progress->r = TRect{2, 0, 5, 0};
    sd->progress->frame = 2;
    sd->progress->trans = 1;
    return sd;
}

struct Window {
    std::unique_ptr<TForm> form = std::make_unique<TForm>(nullptr);
    TProgressBar* bar;
    TButton* button;
    std::unique_ptr<TSkinData> sd;
    std::unique_ptr<TWinSkinForm> sf;
    TSkinButton* buttonSkin = nullptr;
    TSkinControl* barSkin = nullptr;

    explicit Window(bool skinned) {
        form->SetBorderStyle(bsSingle);
        form->SetClientWidth(480);
        form->SetClientHeight(140);
        form->SetLeft(40);
        form->SetTop(40);
        bar = new TProgressBar(form.get());
        bar->SetParent(form.get());
        bar->SetBounds(82, 41, 377, 17);
        button = new TButton(form.get());
        button->SetParent(form.get());
        button->SetBounds(213, 90, 65, 22);
        button->SetCaption(L"取消");
        form->Show();
        if (skinned) {
            sd = MakeSkin();
            sf = std::make_unique<TWinSkinForm>(nullptr);
            sf->Hwnd = form->Handle();
            sf->fsd = sd.get();
            barSkin = AddComp(*sf, bar, form.get());
            buttonSkin = dynamic_cast<TSkinButton*>(AddComp(*sf, button, form.get()));
        }
        Application->ProcessMessages();
    }
    ~Window() {
        sf.reset();
        form.reset();
    }
};

// Microseconds per operation, best of five rounds of n.
template <class Op>
double PerOp(int n, Op op) {
    double best = 1e30;
    for (int round = 0; round < 5; ++round) {
        const auto t0 = Clock::now();
        for (int i = 0; i < n; ++i) op(i);
        const double us = std::chrono::duration<double, std::micro>(Clock::now() - t0).count() / n;
        if (us < best) best = us;
    }
    return best;
}

void Paint() {
    for (bool skinned : {false, true}) {
        Window w(skinned);
        const HWND bar = w.bar->Handle();
        w.bar->SetMax(524288);
        // A position change and the repaint it causes, as the download's pump runs it.
        const double progress = PerOp(2000, [&](int i) {
            SendMessageW(bar, PBM_SETPOS, static_cast<WPARAM>((i * 263) % 524288), 0);
            UpdateWindow(bar);
        });
        const HWND button = w.button->Handle();
        // The repaint a hover change causes (the skinned button flips its hot
        // state; the plain one repaints the same way).
        const double hover = PerOp(1000, [&](int) {
            if (w.buttonSkin) {
                w.buttonSkin->SetMouseState(w.buttonSkin->MouseState() ^ scMouseIn);
                w.buttonSkin->Invalidate();
            } else {
                InvalidateRect(button, nullptr, TRUE);
                UpdateWindow(button);
            }
        });
        std::printf("%s progress-position %.1f us, button-hover %.1f us\n", skinned ? "skinned" : "plain", progress,
                    hover);
        if (skinned) {
            // The skin's own share: drawing straight into the window's DC,
            // without the system's invalidate and paint messages.
            const double barDraw = PerOp(2000, [&](int i) {
                SendMessageW(bar, PBM_SETPOS, static_cast<WPARAM>((i * 263) % 524288), 0);
                w.barSkin->PaintControl(nullptr);
            });
            // The position alone, and the skin's repaint at a position already composed.
            const double setOnly =
                PerOp(2000, [&](int i) { SendMessageW(bar, PBM_SETPOS, static_cast<WPARAM>((i * 263) % 524288), 0); });
            const double barCopy = PerOp(2000, [&](int) { w.barSkin->PaintControl(nullptr); });
            std::printf("skinned: PBM_SETPOS alone %.1f us, bar repaint at an unchanged position %.1f us\n", setOnly,
                        barCopy);
            const double buttonDraw = PerOp(1000, [&](int) {
                w.buttonSkin->SetMouseState(w.buttonSkin->MouseState() ^ scMouseIn);
                w.buttonSkin->PaintControl(nullptr);
            });
            std::printf("skinned draw only: progress %.1f us (set position included), button %.1f us\n", barDraw,
                        buttonDraw);
        }
    }
}

class BarAdapter : public IProgressBar {
public:
    explicit BarAdapter(TProgressBar& bar) : bar_(bar) {}
    int Max() const override { return bar_.Max(); }
    int Position() const override { return bar_.Position(); }
    void SetMax(int value) override { bar_.SetMax(value); }
    void SetPosition(int value) override { bar_.SetPosition(value); }

private:
    TProgressBar& bar_;
};

int Download(const std::wstring& url, const std::wstring& file, bool skinned) {
    Window w(skinned);
    BarAdapter adapter(*w.bar);
    UpdateProcess process(url, &adapter, nullptr);
    w.bar->SetMax(512 * 1024);
    const auto t0 = Clock::now();
    const bool ok = process.DownloadFile(url, file);
    const double s = std::chrono::duration<double>(Clock::now() - t0).count();
    std::printf("%s %d %.3f\n", skinned ? "skinned" : "plain", ok ? 1 : 0, s);
    return ok ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    InitCommonControls();
    Application->Initialize();
    InstallControlSkinning();
    if (argc == 2 && std::strcmp(argv[1], "paint") == 0) {
        Paint();
        return 0;
    }
    if (argc == 5 && std::strcmp(argv[1], "download") == 0)
        return Download(Utf8ToWide(argv[2]), Utf8ToWide(argv[3]), std::strcmp(argv[4], "skinned") == 0);
    std::fprintf(stderr, "usage: control_skin_bench paint | download URL FILE skinned|plain\n");
    return 2;
}
