// skinview: a gallery of every control kind the skin engine draws, for skin
// authors. `skinview [FILE]` shows the gallery in the skin of FILE (else the
// built-in skin); `skinview --shot FILE.png [--skin FILE]` saves the gallery's
// picture once it is skinned and exits: 0 done, 3 saved although the window
// never answered as skinned, 2 nothing saved, 1 bad arguments. With
// `--switch-to FILE` (or `--switch-to builtin`) the shot is taken after the
// open window has been re-skinned with that package. With `--mdi` the shot
// is of the MDI window (File > New window) instead.
// clang-format off
#include <windows.h>
#include <shellapi.h>
// clang-format on

#include <memory>
#include <string>
#include <vector>

#include "framework/controls/FormsAndApplication.h"
#include "framework/controls/TimerAndPanel.h"
#include "skin/controls/ControlSkinning.h"
#include "skin/form/SkinManager.h"
#include "tools/skinview/Gallery.h"
#include "tools/skinview/MdiWindow.h"

namespace {

struct Options {
    std::wstring skin;
    std::wstring shot;
    bool switchSkin = false;
    std::wstring switchTo;  // empty: the built-in skin
    bool mdi = false;
    bool ok = true;
};

Options ParseArguments() {
    Options o;
    int argc = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    for (int i = 1; argv && i < argc; ++i) {
        const std::wstring arg = argv[i];
        if (arg == L"--mdi")
            o.mdi = true;
        else if (arg == L"--shot" && i + 1 < argc)
            o.shot = argv[++i];
        else if (arg == L"--switch-to" && i + 1 < argc) {
            o.switchSkin = true;
            o.switchTo = argv[++i];
            if (o.switchTo == L"builtin") o.switchTo.clear();
        } else if (arg == L"--skin" && i + 1 < argc)
            o.skin = argv[++i];
        else if (!arg.empty() && arg[0] != L'-' && o.skin.empty())
            o.skin = arg;
        else
            o.ok = false;
    }
    LocalFree(argv);
    return o;
}

// Waits for the gallery to be skinned and painted, then saves its picture.
class TShotTaker {
public:
    TShotTaker(TGalleryForm* form, std::wstring fileName, bool switchSkin, std::wstring switchTo, bool mdi)
        : form_(form),
          target_(form),
          fileName_(std::move(fileName)),
          switchSkin_(switchSkin),
          switchTo_(std::move(switchTo)),
          mdi_(mdi) {
        timer_.SetInterval(100);
        timer_.OnTimer = [this](TObject*) { Tick(); };
    }
    int ExitCode() const { return exitCode_; }

private:
    void Tick() {
        HWND hwnd = target_->WindowHandle();
        if (!hwnd || !IsWindowVisible(hwnd)) return;
        const bool skinned = SendMessageW(hwnd, CN_SkinQuery, 0, 0) == 1;
        if (skinned) ++settled_;
        // A few ticks after the skin arrived, so deferred repaints are done;
        // at most 15 s in all.
        if (settled_ < 5 && ++ticks_ < 150) return;
        if (switchSkin_ && skinned) {
            // The skin data schedules the re-skin; settle again after it.
            switchSkin_ = false;
            settled_ = 0;
            if (!form_->LoadSkin(switchTo_, true)) {
                exitCode_ = 2;
                timer_.SetEnabled(false);
                form_->Close();
            }
            return;
        }
        if (mdi_) {
            // The MDI window opens over the skinned gallery; settle again for it.
            mdi_ = false;
            settled_ = 0;
            target_ = new TMdiWindow(form_);
            return;
        }
        timer_.SetEnabled(false);
        SetCursorPos(0, 0);  // no control shows its hot state
        RedrawWindow(hwnd, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        Application->ProcessMessages();
        Sleep(100);
        Application->ProcessMessages();
        exitCode_ = SaveWindowShot(hwnd, fileName_) ? (skinned ? 0 : 3) : 2;
        form_->Close();
    }

    TGalleryForm* form_;
    TForm* target_;  // the window to shoot
    std::wstring fileName_;
    bool switchSkin_;
    std::wstring switchTo_;
    bool mdi_;
    TTimer timer_{nullptr};
    int settled_ = 0;
    int ticks_ = 0;
    int exitCode_ = 2;
};

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
    const Options options = ParseArguments();
    if (!options.ok) {
        MessageBoxW(
            nullptr,
            L"usage: skinview [FILE] | skinview --shot FILE.png [--skin FILE] [--switch-to FILE|builtin] [--mdi]",
            L"skinview", MB_OK | MB_ICONINFORMATION);
        return 1;
    }
    int exitCode = 0;
    try {
        Application->Initialize();
        InstallControlSkinning();
        TGalleryForm* gallery = nullptr;
        Application->CreateForm(gallery);
        const bool quiet = !options.shot.empty();
        if (!gallery->LoadSkin(options.skin, quiet)) {
            if (quiet) return 2;
            gallery->LoadSkin(L"", true);
        }
        std::unique_ptr<TShotTaker> shot;
        if (!options.shot.empty())
            shot =
                std::make_unique<TShotTaker>(gallery, options.shot, options.switchSkin, options.switchTo, options.mdi);
        Application->Run();
        if (shot) exitCode = shot->ExitCode();
    } catch (...) {
        Application->HandleException(nullptr);
        exitCode = 2;
    }
    FreeSkinManager();
    return exitCode;
}
