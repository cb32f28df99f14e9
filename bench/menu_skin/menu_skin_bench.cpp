// Opening a popup menu of 30 items, from the call until the menu window has
// painted every item (the menu loop goes idle), then closing it:
//   menu_skin_bench skinned|ownerdraw|plain [N] [default|complete]
// prints the median and mean in milliseconds of N openings. Skinned: the
// form is skinned with the default skin (its popups have a background image,
// its items the scheme colours) or with the complete skin (items drawn from
// its MenuItem strip too), so the menu's items are drawn by the skin's item
// painter and its window by the popup skinning; ownerdraw:
// the menu's own owner-drawn items without a skin (what owner drawing alone
// costs); plain: the system draws the same menu.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <numeric>
#include <string>
#include <vector>

#include "framework/controls/FormsAndApplication.h"
#include "framework/controls/Menus.h"
#include "skin/form/SkinData_win.h"
#include "skin/form/SkinManager.h"
#include "skin/form/WinSkinForm.h"
#include "tools/skinpack/SkinPack.h"

namespace {

std::vector<uint8_t> SkinPackage(bool complete) {
    const auto file = std::filesystem::path(BENCH_BINARY_DIR) / (complete ? "complete.skin" : "default.skin");
    if (!std::filesystem::exists(file)) BuildSkinPackage(complete ? COMPLETE_SKIN_DIR : DEFAULT_SKIN_DIR, file);
    std::ifstream in(file, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
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

bool Skinned(HWND hwnd) {
    TWinSkinForm* sf = SkinManager ? SkinManager->FindSkinForm(hwnd) : nullptr;
    return sf && sf->Skinstate == SkinStage::Skinned;
}

void Pump(int ms) {
    const DWORD end = GetTickCount() + static_cast<DWORD>(ms);
    while (static_cast<LONG>(end - GetTickCount()) > 0) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
        Application->ProcessMessages();
    }
}

}  // namespace

int main(int argc, char** argv) {
    const bool skinned = argc > 1 && std::strcmp(argv[1], "skinned") == 0;
    const bool ownerDrawn = argc > 1 && std::strcmp(argv[1], "ownerdraw") == 0;
    const int n = argc > 2 ? std::max(1, std::atoi(argv[2])) : 50;
    const bool completeSkin = argc > 3 && std::strcmp(argv[3], "complete") == 0;
    Application->Initialize();
    auto form = std::make_unique<TForm>(nullptr);
    form->SetBounds(40, 40, 500, 300);
    form->SetCaption(L"menu bench");
    auto* menu = new TPopupMenu(form.get());
    for (int i = 0; i < 30; ++i) {
        auto* item = new TMenuItem(nullptr);
        item->SetCaption(i % 10 == 9 ? L"-" : L"&Item number " + std::to_wstring(i + 1));
        if (i % 7 == 3) item->SetShortCut(ShortCut('A' + static_cast<WORD>(i % 26), scCtrl));
        if (i % 5 == 2) item->SetChecked(true);
        menu->Items()->Add(item);
    }

    // The menu loop tells the owner when it has nothing left to do: the
    // menu is open and painted.
    double opened = 0;
    HWND popup = nullptr;
    TWndMethod previous = form->WindowProc;
    form->WindowProc = [&](TMessage& m) {
        if (m.Msg == WM_ENTERIDLE && m.WParam == MSGF_MENU && opened == 0) {
            popup = reinterpret_cast<HWND>(m.LParam);
            if (popup) UpdateWindow(popup);
            GdiFlush();
            opened = Now();
            EndMenu();
        }
        previous(m);
    };

    std::unique_ptr<BenchSkinData> data;
    if (skinned) {
        data = std::make_unique<BenchSkinData>(form.get());
        data->BeginReading();
        const auto package = SkinPackage(completeSkin);
        TMemoryStream s;
        const auto size = static_cast<uint32_t>(package.size());
        const uint8_t count[4] = {static_cast<uint8_t>(size), static_cast<uint8_t>(size >> 8),
                                  static_cast<uint8_t>(size >> 16), static_cast<uint8_t>(size >> 24)};
        s.WriteBuffer(count, 4);
        s.WriteBuffer(package.data(), size);
        s.SetPosition(0);
        data->ReadSkinStream(s);
        data->SetActive(true);
        data->Loaded();
    }
    if (ownerDrawn) menu->SetOwnerDraw(true);
    form->Show();
    SetForegroundWindow(form->Handle());
    for (int i = 0; i < 500 && skinned && !Skinned(form->Handle()); ++i) Pump(10);
    if (skinned && (!Skinned(form->Handle()) || !menu->OwnerDraw())) {
        std::printf("error the form was not skinned\n");
        return 1;
    }
    Pump(200);

    std::vector<double> times;
    int lost = 0;
    for (int i = 0; i < n + 2; ++i) {
        opened = 0;
        const double start = Now();
        TrackPopupMenu(menu->Handle(), TPM_LEFTALIGN | TPM_RIGHTBUTTON, 100, 80, 0, form->Handle(), nullptr);
        Pump(20);
        if (opened == 0) {
            // Closed before it went idle (the window lost the focus): not a sample.
            if (++lost > n) {
                std::printf("error the menu loop never went idle\n");
                return 1;
            }
            --i;
            continue;
        }
        if (i >= 2) times.push_back(opened - start);  // the first openings warm the caches
    }
    std::sort(times.begin(), times.end());
    const double median = times[times.size() / 2];
    const double mean = std::accumulate(times.begin(), times.end(), 0.0) / static_cast<double>(times.size());
    std::printf("mode %s%s\nopenings %d\nlost %d\nmedian_ms %.3f\nmean_ms %.3f\n",
                skinned      ? "skinned"
                : ownerDrawn ? "ownerdraw"
                             : "plain",
                skinned && completeSkin ? " complete" : "", n, lost, median, mean);
    form->WindowProc = previous;
    data.reset();
    form.reset();
    FreeSkinManager();
    return 0;
}
