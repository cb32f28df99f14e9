#include "tools/skinview/Gallery.h"

// clang-format off
#include <windows.h>
#include <commdlg.h>
// clang-format on

#include <cstdlib>
#include <functional>

#include "framework/controls/ButtonControls.h"
#include "framework/controls/GlyphButtons.h"
#include "framework/controls/Menus.h"
#include "framework/controls/ProgressBar.h"
#include "framework/controls/TimerAndPanel.h"
#include "framework/graphics/Bitmap.h"
#include "framework/graphics/PngCodec.h"
#include "framework/system/StreamsAndLists.h"
#include "skin/form/SkinData_win.h"
#include "skin/form/SkinMenu.h"

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
    // Nearly the whole 1024 x 768 test screen: every control kind has its
    // own corner of the window (see BuildControls).
    SetClientWidth(996);
    SetClientHeight(672);
    SetBounds(4, 4, Width(), Height());
    BuildControls();
    skinData_ = new TSkinData(this);
    skinData_->SetActive(true);
}

// A 16 x 16 glyph: a diamond of the given colour on a background that the
// buttons take as transparent (their bottom-left pixel).
void DrawDiamondGlyph(TBitmap& glyph, TColor color) {
    glyph.SetSize(16, 16);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            const int d = std::abs(x - 8) + std::abs(y - 8);
            glyph.SetPixel(x, y, d < 6 ? color : d == 6 ? 0x202020 : 0xFF00FF);
        }
}

void AddMenuItem(TMenuItem* parent, const std::wstring& caption, std::function<void()> action) {
    auto* item = new TMenuItem(parent);
    item->SetCaption(caption);
    if (action) item->OnClick = [action](TObject*) { action(); };
    parent->Add(item);
}

void TGalleryForm::BuildControls() {
    const int col2 = 330;
    Place<TLabel>(this, 12, 10, 0, 0, L"Push buttons");
    Place<TButton>(this, 12, 30, 96, 25, L"Normal");
    Place<TButton>(this, 116, 30, 96, 25, L"Default")->SetDefault(true);
    Place<TButton>(this, 220, 30, 96, 25, L"Disabled")->SetEnabled(false);

    Place<TLabel>(this, 12, 66, 0, 0, L"Bitmap and speed buttons");
    TBitmap glyph;
    DrawDiamondGlyph(glyph, 0x2E8B57);
    auto* bit = Place<TBitBtn>(this, 12, 86, 110, 27, L"Bitmap");
    bit->SetGlyph(glyph);
    auto* bitOff = Place<TBitBtn>(this, 130, 86, 110, 27, L"Off");
    bitOff->SetGlyph(glyph);
    bitOff->SetEnabled(false);
    for (int i = 0; i < 3; ++i) {
        auto* speed = Place<TSpeedButton>(this, 12 + i * 30, 122, 27, 25);
        speed->SetGlyph(glyph);
        speed->SetGroupIndex(1);
        if (i == 1) speed->SetDown(true);
    }
    auto* flat = Place<TSpeedButton>(this, 110, 122, 80, 25, L"Flat");
    flat->SetFlat(true);

    Place<TLabel>(this, 12, 160, 0, 0, L"Progress bars");
    const int positions[] = {0, 2500, 6000, 10000};
    for (int i = 0; i < 4; ++i) {
        auto* bar = Place<TProgressBar>(this, 12, 180 + i * 20, 300, 15);
        bar->SetRange(0, 10000);
        bar->SetPosition(positions[i]);
    }

    auto* box = Place<TGroupBox>(this, col2, 8, 260, 142, L"Check boxes and radio buttons");
    Place<TCheckBox>(box, 12, 22, 110, 20, L"Unchecked");
    Place<TCheckBox>(box, 12, 46, 110, 20, L"Checked")->SetChecked(true);
    auto* grayed = Place<TCheckBox>(box, 12, 70, 110, 20, L"Grayed");
    grayed->SetAllowGrayed(true);
    grayed->SetState(cbGrayed);
    auto* off = Place<TCheckBox>(box, 12, 94, 110, 20, L"Disabled");
    off->SetChecked(true);
    off->SetEnabled(false);
    Place<TRadioButton>(box, 136, 22, 110, 20, L"First")->SetChecked(true);
    Place<TRadioButton>(box, 136, 46, 110, 20, L"Second");
    Place<TRadioButton>(box, 136, 70, 110, 20, L"Disabled")->SetEnabled(false);

    auto* raised = Place<TPanel>(this, col2, 160, 125, 40, L"Raised panel");
    raised->SetBevelOuter(pbRaised);
    auto* lowered = Place<TPanel>(this, col2 + 135, 160, 125, 40, L"Lowered panel");
    lowered->SetBevelOuter(pbLowered);

    // File menu on a button: the skinned popup menu shows in the gallery too.
    fileMenu_ = new TPopupMenu(this);
    AddMenuItem(fileMenu_->Items(), L"&Open skin...", [this] { OpenSkinFile(); });
    AddMenuItem(fileMenu_->Items(), L"&Built-in skin", [this] { LoadSkin(L"", false); });
    AddMenuItem(fileMenu_->Items(), L"-", nullptr);
    AddMenuItem(fileMenu_->Items(), L"E&xit", [this] { Close(); });
    auto* file = Place<TButton>(this, col2, 214, 125, 25, L"File");
    file->OnClick = [this, file](TObject*) {
        RECT r{};
        GetWindowRect(file->WindowHandle(), &r);
        fileMenu_->SetOwnerDraw(true);
        SetSkinMenuPainter(*fileMenu_->Items(), skinData_, true);
        fileMenu_->Popup(r.left, r.bottom);
    };
    Place<TButton>(this, col2 + 135, 214, 125, 25, L"Message box...")->OnClick = [this](TObject*) {
        MessageBoxW(WindowHandle(), L"A message box in the skin.", L"skinview", MB_OK | MB_ICONINFORMATION);
    };
    BuildBars();
    BuildEdits();
    BuildMenus();
    BuildScrolling();
    BuildMdi();
    BuildTabs();
    BuildLists();
    BuildToolBars();
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
        } catch (const EFrameworkError& e) {
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
    } catch (const EFrameworkError&) {
        return false;
    }
    return true;
}
