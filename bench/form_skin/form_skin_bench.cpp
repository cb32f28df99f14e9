// Timings of the skinned frame, printed one figure a line:
//   form_skin_bench paint [N]      one full WM_NCPAINT of a skinned 1280 x 800
//                                  window: median and mean in milliseconds
//   form_skin_bench start skinned|plain
//                                  milliseconds from process creation to the
//                                  first complete paint of a window laid out
//                                  as the updater's (skinned or not)
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "framework/controls/ButtonControls.h"
#include "framework/controls/FormsAndApplication.h"
#include "framework/controls/ProgressBar.h"
#include "skin/form/SkinData_win.h"
#include "skin/form/SkinManager.h"
#include "skin/form/WinSkinForm.h"
#include "tools/skinpack/SkinPack.h"

namespace {

std::vector<uint8_t> SkinPackage() {
    const auto file = std::filesystem::path(BENCH_BINARY_DIR) / "default.skin";
    // The updater's default skin, packed as the build packs it.
    if (!std::filesystem::exists(file)) BuildSkinPackage(DEFAULT_SKIN_DIR, file);
    std::ifstream in(file, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The package as the form reader hands the SkinStream property over.
void LoadSkin(TSkinData& data) {
    const auto package = SkinPackage();
    TMemoryStream s;
    const auto n = static_cast<uint32_t>(package.size());
    const uint8_t count[4] = {static_cast<uint8_t>(n), static_cast<uint8_t>(n >> 8), static_cast<uint8_t>(n >> 16),
                              static_cast<uint8_t>(n >> 24)};
    s.WriteBuffer(count, 4);
    s.WriteBuffer(package.data(), n);
    s.SetPosition(0);
    data.ReadSkinStream(s);
}

class BenchSkinData : public TSkinData {
public:
    using TSkinData::TSkinData;
    void BeginReading() { state_ |= csLoading; }
};

double Now() {
    LARGE_INTEGER f, c;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&c);
    return static_cast<double>(c.QuadPart) * 1000.0 / static_cast<double>(f.QuadPart);
}

void Pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

bool Skinned(HWND hwnd) {
    TWinSkinForm* sf = SkinManager ? SkinManager->FindSkinForm(hwnd) : nullptr;
    return sf && sf->Skinstate == SkinStage::Skinned;
}

std::unique_ptr<TForm> MakeForm(int clientW, int clientH, bool skinned, BenchSkinData*& data) {
    auto form = std::make_unique<TForm>(nullptr);
    form->SetBorderStyle(bsSingle);
    form->SetBorderIcons(biSystemMenu | biMinimize);
    form->SetBounds(20, 20, 300, 200);
    form->SetClientWidth(clientW);
    form->SetClientHeight(clientH);
    form->SetCaption(L"Talvoria Pemrick - 自动更新");
    data = nullptr;
    if (skinned) {
        data = new BenchSkinData(form.get());
        data->BeginReading();
        LoadSkin(*data);
        data->SetActive(true);
        data->Loaded();
    }
    return form;
}

int Paint(int n) {
    BenchSkinData* data = nullptr;
    auto form = MakeForm(1280 - 8, 800 - 15, true, data);
    form->Show();
    HWND hwnd = form->Handle();
    SetForegroundWindow(hwnd);
    for (int i = 0; i < 500 && !Skinned(hwnd); ++i) {
        Sleep(5);
        Pump();
    }
    if (!Skinned(hwnd)) {
        std::fprintf(stderr, "the window was not skinned\n");
        return 1;
    }
    Pump();
    RECT r{};
    GetWindowRect(hwnd, &r);
    std::vector<double> ms;
    for (int i = 0; i < n; ++i) {
        const double t0 = Now();
        SendMessageW(hwnd, WM_NCPAINT, 1, 0);
        GdiFlush();
        ms.push_back(Now() - t0);
    }
    // Where the time goes: each border piece composed into a bitmap, and
    // the caption band with its title and buttons.
    TWinSkinForm* sf = SkinManager->FindSkinForm(hwnd);
    const int W = r.right - r.left, H = r.bottom - r.top;
    TBitmap target(W, H, pf24bit);
    const TRect pieces[5] = {{},
                             {0, 0, sf->Frame().bw.Left, H},
                             {W - sf->Frame().bw.Right, 0, W, H},
                             {0, 0, W, sf->Frame().bw.Top},
                             {sf->Frame().bw.Left, H - sf->Frame().bw.Bottom, W - sf->Frame().bw.Right, H}};
    for (int i = 1; i <= 4; ++i) {
        const double t0 = Now();
        for (int k = 0; k < 50; ++k) sf->Frame().Drawborder(i, pieces[i], target.DC());
        GdiFlush();
        std::printf("border%d_ms %.3f\n", i, (Now() - t0) / 50);
    }
    {
        const double t0 = Now();
        for (int k = 0; k < 50; ++k) sf->Frame().DrawFLine(target.DC());
        GdiFlush();
        std::printf("caption_band_ms %.3f\n", (Now() - t0) / 50);
    }
    {
        TBitmap band(W, sf->Frame().bw.Top, pf24bit);
        const TRect title{sf->Frame().bw.Left, 0, W - sf->Frame().bw.Right, sf->Frame().bw.Top};
        double t0 = Now();
        for (int k = 0; k < 50; ++k) sf->Frame().DrawLine(band.Canvas(), title);
        GdiFlush();
        std::printf("title_ms %.3f\n", (Now() - t0) / 50);
        t0 = Now();
        for (int k = 0; k < 50; ++k) sf->CaptionButtons().DrawAllSysbtn(band.Canvas(), title);
        GdiFlush();
        std::printf("caption_buttons_ms %.3f\n", (Now() - t0) / 50);
    }
    std::sort(ms.begin(), ms.end());
    double sum = 0;
    for (double v : ms) sum += v;
    std::printf("window %ldx%ld\nncpaint_median_ms %.3f\nncpaint_mean_ms %.3f\nncpaint_min_ms %.3f\n", r.right - r.left,
                r.bottom - r.top, ms[ms.size() / 2], sum / static_cast<double>(ms.size()), ms.front());
    return 0;
}

// Milliseconds since this process was created.
double SinceStart() {
    FILETIME created, exited, kernel, user, now;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    GetSystemTimePreciseAsFileTime(&now);
    auto ticks = [](FILETIME f) { return (static_cast<uint64_t>(f.dwHighDateTime) << 32) | f.dwLowDateTime; };
    return static_cast<double>(ticks(now) - ticks(created)) / 10000.0;
}

int Start(bool skinned) {
    BenchSkinData* data = nullptr;
    auto form = MakeForm(476, 103, skinned, data);
    // The updater's controls, where it has them.
    auto* status = new TLabel(form.get());
    status->SetParent(form.get());
    status->SetBounds(16, 20, 200, 13);
    status->SetCaption(L"正在获取更新信息…");
    auto* label = new TLabel(form.get());
    label->SetParent(form.get());
    label->SetBounds(16, 42, 60, 13);
    label->SetCaption(L"更新进度：");
    auto* bar = new TProgressBar(form.get());
    bar->SetParent(form.get());
    bar->SetBounds(82, 41, 377, 17);
    auto* button = new TButton(form.get());
    button->SetParent(form.get());
    button->SetBounds(213, 67, 65, 20);
    button->SetCaption(L"取消");
    form->Show();
    HWND hwnd = form->Handle();
    SetForegroundWindow(hwnd);
    // Complete: (skinned) the frame is final, and nothing is left to paint.
    for (int i = 0; i < 2000; ++i) {
        Pump();
        const bool ready = (!skinned || Skinned(hwnd)) && !(GetQueueStatus(QS_PAINT | QS_POSTMESSAGE) & 0xFFFF0000u);
        if (ready) {
            UpdateWindow(hwnd);
            GdiFlush();
            std::printf("first_complete_paint_ms %.1f\n", SinceStart());
            return 0;
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 1, QS_ALLINPUT);
    }
    std::fprintf(stderr, "no complete paint\n");
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "paint";
    int result = 2;
    if (mode == "paint") result = Paint(argc > 2 ? std::atoi(argv[2]) : 200);
    if (mode == "start") result = Start(argc > 2 && std::string(argv[2]) == "skinned");
    FreeSkinManager();
    return result;
}
