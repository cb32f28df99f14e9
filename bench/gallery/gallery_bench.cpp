// Timings of skinview's gallery window (every control kind the engine
// skins), printed one figure a line:
//   gallery_bench open skinned|plain [N]
//       milliseconds from creating the gallery to its first complete paint
//       (median of N windows made one after another in this process)
//   gallery_bench repaint skinned|plain [N]
//       milliseconds to repaint the open gallery whole (frame, background
//       and every control) until nothing is left to paint or deliver, the
//       floor under any re-skin (median of N)
//   gallery_bench reskin PACKAGE [N]
//       milliseconds from handing the open, skinned gallery another package
//       to the end of its re-skin and repaint, without the manager's fixed
//       pause before it (median of N switches, the package and the built-in
//       skin in turn); after each switch the same whole repaint as above is
//       timed too, so the two stand side by side under the same load
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "framework/controls/FormsAndApplication.h"
#include "skin/controls/ControlSkinning.h"
#include "skin/form/SkinManager.h"
#include "tools/skinview/Gallery.h"

namespace {

double Now() {
    LARGE_INTEGER f, c;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&c);
    return static_cast<double>(c.QuadPart) * 1000.0 / static_cast<double>(f.QuadPart);
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

// Handles messages until the window answers as skinned (when wanted) and
// nothing is left to paint or deliver: the first complete paint. The query
// makes the window post itself a notice, so it is asked only until it says yes.
void PumpUntilPainted(HWND hwnd, bool skinned) {
    bool ready = !skinned;
    for (int i = 0; i < 20000; ++i) {
        Application->ProcessMessages();
        if (!ready)
            ready = SendMessageW(hwnd, CN_SkinQuery, 0, 0) == 1;
        else if (HIWORD(GetQueueStatus(QS_PAINT | QS_POSTMESSAGE | QS_SENDMESSAGE)) == 0)
            return;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 1, QS_ALLINPUT);
    }
}

int Open(bool skinned, int n) {
    std::vector<double> times;
    for (int i = 0; i < n; ++i) {
        const double start = Now();
        auto* gallery = new TGalleryForm(nullptr);
        if (skinned && !gallery->LoadSkin(L"", true)) return 2;
        gallery->Show();
        PumpUntilPainted(gallery->Handle(), skinned);
        times.push_back(Now() - start);
        delete gallery;
        Application->ProcessMessages();
    }
    std::printf("first_complete_paint_ms %.2f\n", Median(times));
    return 0;
}

// One whole repaint, timed until the queue is empty: what a paint leaves
// queued (a control painted after its parent) belongs to it, as it belongs
// to the re-skin timed below.
double WholeRepaint(HWND hwnd) {
    const double start = Now();
    RedrawWindow(hwnd, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    PumpUntilPainted(hwnd, false);
    return Now() - start;
}

int Repaint(bool skinned, int n) {
    auto* gallery = new TGalleryForm(nullptr);
    if (skinned && !gallery->LoadSkin(L"", true)) return 2;
    gallery->Show();
    PumpUntilPainted(gallery->Handle(), skinned);
    std::vector<double> times;
    for (int i = 0; i < n; ++i) times.push_back(WholeRepaint(gallery->Handle()));
    std::printf("repaint_ms %.2f\n", Median(times));
    delete gallery;
    return 0;
}

int Reskin(const std::wstring& package, int n) {
    auto* gallery = new TGalleryForm(nullptr);
    if (!gallery->LoadSkin(L"", true)) return 2;
    gallery->Show();
    PumpUntilPainted(gallery->Handle(), true);
    std::vector<double> times, repaints;
    for (int i = 0; i < n; ++i) {
        const double start = Now();
        if (!gallery->LoadSkin(i % 2 ? L"" : package, true)) return 2;
        // The manager defers the re-skin by a fixed pause; run it now, so
        // the figure is the work of the switch and not the pause.
        const double loaded = Now();
        SkinManager->Timer->SetInterval(1);
        while (SkinManager->Timer->Enabled()) {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 1, QS_ALLINPUT);
            Application->ProcessMessages();
        }
        const double acted = Now();
        PumpUntilPainted(gallery->Handle(), true);
        times.push_back(Now() - start);
        // Where the time goes, for whoever tunes it.
        std::fprintf(stderr, "read %.1f reskin %.1f paint %.1f\n", loaded - start, acted - loaded, Now() - acted);
        repaints.push_back(WholeRepaint(gallery->Handle()));
    }
    std::printf("reskin_ms %.2f\nskinned_repaint_ms %.2f\n", Median(times), Median(repaints));
    delete gallery;
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    Application->Initialize();
    InstallControlSkinning();
    const std::wstring what = argc > 1 ? argv[1] : L"";
    if (what == L"open" && argc > 2) {
        const int n = argc > 3 ? _wtoi(argv[3]) : 9;
        return Open(std::wstring(argv[2]) == L"skinned", std::max(1, n));
    }
    if (what == L"repaint" && argc > 2)
        return Repaint(std::wstring(argv[2]) == L"skinned", std::max(1, argc > 3 ? _wtoi(argv[3]) : 9));
    if (what == L"reskin" && argc > 2) return Reskin(argv[2], std::max(1, argc > 3 ? _wtoi(argv[3]) : 10));
    std::fprintf(stderr, "usage: gallery_bench open|repaint skinned|plain [N] | gallery_bench reskin PACKAGE [N]\n");
    return 1;
}
