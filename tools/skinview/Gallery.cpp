#include "tools/skinview/Gallery.h"

// clang-format off
#include <windows.h>
#include <commdlg.h>
// clang-format on

#include "framework/controls/ComCtrls.h"
#include "framework/controls/StdCtrls.h"
#include "framework/graphics/Bitmap.h"
#include "framework/graphics/PngCodec.h"
#include "framework/system/Classes.h"
#include "skin/data/SkinData.h"

namespace {

// The built-in skin: the updater's own package, linked in as RCDATA.
constexpr const wchar_t* kBuiltInSkin = L"SKINVIEW_DEFAULT_SKIN";

template <class T>
T* Place(TWinControl* parent, int left, int top, int width, int height, const std::wstring& caption = L"") {
    T* control = new T(parent);
    control->SetParent(parent);
    control->SetBounds(left, top, width, height);
    if (!caption.empty()) control->SetCaption(caption);
    return control;
}

}  // namespace

TGalleryForm::TGalleryForm(TComponent* AOwner) : TForm(AOwner) {
    SetCaption(L"skinview");
    SetBorderStyle(bsSingle);
    SetBorderIcons(biSystemMenu | biMinimize);
    SetClientWidth(520);
    SetClientHeight(260);
    SetBounds(40, 40, Width(), Height());
    BuildControls();
    skinData_ = new TSkinData(this);
    skinData_->SetActive(true);
}

void TGalleryForm::BuildControls() {
    Place<TLabel>(this, 12, 10, 0, 0, L"Push buttons");
    Place<TButton>(this, 12, 30, 96, 25, L"Normal");
    Place<TButton>(this, 116, 30, 96, 25, L"Disabled")->SetEnabled(false);
    Place<TButton>(this, 220, 30, 96, 25, L"Another");

    Place<TLabel>(this, 12, 70, 0, 0, L"Progress bars");
    const int positions[] = {0, 2500, 6000, 10000};
    for (int i = 0; i < 4; ++i) {
        auto* bar = Place<TProgressBar>(this, 12, 90 + i * 24, 300, 17);
        bar->SetRange(0, 10000);
        bar->SetPosition(positions[i]);
    }

    Place<TLabel>(this, 340, 10, 0, 0, L"Skin");
    Place<TButton>(this, 340, 30, 160, 25, L"Open skin...")->OnClick = [this](TObject*) { OpenSkinFile(); };
    Place<TButton>(this, 340, 62, 160, 25, L"Built-in skin")->OnClick = [this](TObject*) { LoadSkin(L"", false); };
    Place<TButton>(this, 340, 94, 160, 25, L"Message box...")->OnClick = [this](TObject*) {
        MessageBoxW(WindowHandle(), L"A message box in the skin.", L"skinview", MB_OK | MB_ICONINFORMATION);
    };
}

bool TGalleryForm::LoadSkin(const std::wstring& fileName, bool quiet) {
    TMemoryStream package;
    if (fileName.empty()) {
        HRSRC info = FindResourceW(nullptr, kBuiltInSkin, MAKEINTRESOURCEW(10));  // RT_RCDATA
        HGLOBAL res = info ? LoadResource(nullptr, info) : nullptr;
        const void* bytes = res ? LockResource(res) : nullptr;
        if (!bytes) return false;
        package.WriteBuffer(bytes, SizeofResource(nullptr, info));
    } else {
        try {
            TFileStream file(fileName, fmOpenRead | fmShareDenyWrite);
            package.CopyFrom(file, 0);
        } catch (const Exception& e) {
            if (!quiet) MessageBoxW(WindowHandle(), e.Message().c_str(), L"skinview", MB_OK | MB_ICONERROR);
            return false;
        }
    }
    package.SetPosition(0);
    skinData_->LoadFromStream(package);
    if (skinData_->Empty) {
        if (!quiet)
            MessageBoxW(WindowHandle(), (L"No skin could be read from " + fileName).c_str(), L"skinview",
                        MB_OK | MB_ICONERROR);
        return false;
    }
    return true;
}

void TGalleryForm::OpenSkinFile() {
    wchar_t name[MAX_PATH] = L"";
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = WindowHandle();
    ofn.lpstrFilter = L"Skin packages\0*.*\0";
    ofn.lpstrFile = name;
    ofn.nMaxFile = MAX_PATH;
    ofn.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST;
    if (GetOpenFileNameW(&ofn)) LoadSkin(name, false);
}

bool SaveWindowShot(HWND window, const std::wstring& fileName) {
    RECT r{};
    if (!GetWindowRect(window, &r) || r.right <= r.left || r.bottom <= r.top) return false;
    TBitmap picture(r.right - r.left, r.bottom - r.top, pf24bit);
    // The screen, not the window's own DC: the frame, the region's cut corners
    // and whatever lies behind them, exactly as a user sees it.
    HDC screen = GetDC(nullptr);
    const BOOL copied = BitBlt(picture.DC(), 0, 0, picture.Width(), picture.Height(), screen, r.left, r.top, SRCCOPY);
    ReleaseDC(nullptr, screen);
    if (!copied) return false;
    try {
        TFileStream file(fileName, fmCreate);
        SavePng(picture, file);
    } catch (const Exception&) {
        return false;
    }
    return true;
}
