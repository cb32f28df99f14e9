// The skin data component on Windows: properties that talk to the skin
// manager, Loaded, and the services that need the platform.
#include <algorithm>
#include <cstring>

#include "framework/controls/FormsAndApplication.h"
#include "framework/graphics/GdiHandles.h"
#include "framework/system/FileSystem.h"
#include "skin/data/SkinPlatform.h"
#include "skin/data/SkinStore.h"
#include "skin/form/SkinData_win.h"
#include "skin/form/SkinManager.h"
#include "skin/form/WinSkinForm.h"

namespace {

// Requests to the manager run this many milliseconds after the last one, so
// a burst of property changes is applied once.
constexpr UINT kManagerDelay = 250;

TSkinEnumPropertySetter& PropertySetter() {
    static TSkinEnumPropertySetter setter;
    return setter;
}

template <typename F>
void Resolve(HMODULE library, const char* name, F& target) {
    // Through a plain function pointer type: the symbol's real type is ours to state.
    target = reinterpret_cast<F>(reinterpret_cast<void (*)()>(GetProcAddress(library, name)));
}

// user32 is loaded for the life of the program and released at its end.
class OptionalUser32Library {
public:
    OptionalUser32Library() : library_(LoadLibraryW(L"user32.dll")) {
        if (!library_) return;
        Resolve(library_, "GetScrollBarInfo", functions_.GetScrollBarInfo);
        Resolve(library_, "TrackMouseEvent", functions_.TrackMouseEvent);
        Resolve(library_, "GetComboBoxInfo", functions_.GetComboBoxInfo);
        Resolve(library_, "DisableProcessWindowsGhosting", functions_.DisableProcessWindowsGhosting);
    }
    ~OptionalUser32Library() {
        if (library_) FreeLibrary(library_);
    }
    OptionalUser32Library(const OptionalUser32Library&) = delete;
    OptionalUser32Library& operator=(const OptionalUser32Library&) = delete;
    const TOptionalUser32& Functions() const { return functions_; }

private:
    HMODULE library_;
    TOptionalUser32 functions_;
};

// A 24-bit DIB section of its own holding the bitmap's pixels (the
// bitmap's own section stays selected into its DC, where no one else may
// select it).
UniqueBitmap SeparateDib(const TBitmap& bitmap) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = bitmap.Width();
    info.bmiHeader.biHeight = -bitmap.Height();
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    UniqueBitmap dib(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!dib) return dib;
    const int stride = bitmap.RowBytes();
    for (int y = 0; y < bitmap.Height(); ++y)
        std::memcpy(static_cast<uint8_t*>(bits) + static_cast<size_t>(y) * stride, bitmap.ScanLine(y),
                    static_cast<size_t>(stride));
    return dib;
}

}  // namespace

// The caption-button hint: a borderless popup with the text in the
// system's status font on the tooltip colours.
class TSkinHintWindow {
public:
    TSkinHintWindow() = default;
    ~TSkinHintWindow() {
        if (hwnd_) DestroyWindow(hwnd_);
    }
    TSkinHintWindow(const TSkinHintWindow&) = delete;
    TSkinHintWindow& operator=(const TSkinHintWindow&) = delete;

    HWND Handle() const { return hwnd_; }

    // The window rectangle the text needs, at most maxWidth wide, at (0, 0).
    RECT CalcHintRect(int maxWidth, const std::wstring& text) {
        RECT r{0, 0, maxWidth, 0};
        const WindowDC screen = WindowDC::Client(nullptr);
        if (screen) {
            SelectGuard font(screen.get(), Font());
            DrawTextW(screen.get(), text.c_str(), static_cast<int>(text.size()), &r,
                      DT_CALCRECT | DT_LEFT | DT_WORDBREAK | DT_NOPREFIX);
        }
        r.right += 6;
        r.bottom += 2;
        return r;
    }

    void Activate(const RECT& r, const std::wstring& text) {
        text_ = text;
        if (!EnsureWindow()) return;
        SetWindowPos(hwnd_, HWND_TOPMOST, r.left, r.top, r.right - r.left, r.bottom - r.top,
                     SWP_SHOWWINDOW | SWP_NOACTIVATE);
        InvalidateRect(hwnd_, nullptr, TRUE);
    }

    void Hide() {
        if (hwnd_) ShowWindow(hwnd_, SW_HIDE);
    }

private:
    static constexpr const wchar_t* kClassName = L"TSkinHintWindow";

    HFONT Font() {
        if (!font_) {
            NONCLIENTMETRICSW ncm{};
            ncm.cbSize = sizeof ncm;
            if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof ncm, &ncm, 0))
                font_.reset(CreateFontIndirectW(&ncm.lfStatusFont));
        }
        return font_ ? font_.get() : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    }

    bool EnsureWindow() {
        if (hwnd_) return true;
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        if (!GetClassInfoExW(SkinModuleInstance(), kClassName, &wc)) {
            wc.cbSize = sizeof wc;
            wc.style = CS_SAVEBITS;
            wc.lpfnWndProc = Proc;
            wc.hInstance = SkinModuleInstance();
            wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
            wc.hbrBackground = GetSysColorBrush(COLOR_INFOBK);
            wc.lpszClassName = kClassName;
            if (!RegisterClassExW(&wc)) return false;
        }
        hwnd_ = CreateWindowExW(WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_NOACTIVATE, kClassName, L"",
                                WS_POPUP | WS_BORDER, 0, 0, 0, 0, nullptr, nullptr, SkinModuleInstance(), this);
        return hwnd_ != nullptr;
    }

    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) noexcept {
        if (msg == WM_NCCREATE)
            SetWindowLongPtrW(hwnd, GWLP_USERDATA,
                              reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
        auto* self = reinterpret_cast<TSkinHintWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        if (self && msg == WM_PAINT) {
            PaintDC paint(hwnd);
            if (!paint.get()) return 0;
            RECT r;
            GetClientRect(hwnd, &r);
            r.left += 2;
            SelectGuard font(paint.get(), self->Font());
            SetBkMode(paint.get(), TRANSPARENT);
            SetTextColor(paint.get(), GetSysColor(COLOR_INFOTEXT));
            DrawTextW(paint.get(), self->text_.c_str(), static_cast<int>(self->text_.size()), &r,
                      DT_LEFT | DT_WORDBREAK | DT_NOPREFIX);
            return 0;
        }
        if (msg == WM_NCHITTEST) return HTTRANSPARENT;
        if (msg == WM_NCDESTROY && self) self->hwnd_ = nullptr;
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    }

    HWND hwnd_ = nullptr;
    std::wstring text_;
    UniqueFont font_;
};

const TOptionalUser32& OptionalUser32() {
    static const OptionalUser32Library library;
    return library.Functions();
}

void SetSkinPropertySetter(TSkinEnumPropertySetter setter) {
    PropertySetter() = std::move(setter);
}

TSkinData::TSkinData(TComponent* AOwner) : TComponent(AOwner) {
    fhintwindow = std::make_unique<TSkinHintWindow>();
    if (auto glyphs = LoadProgramBitmap(L"QUILLETMENU")) {
        glyphs->SetPixelFormat(pf24bit);
        bmpmenu.reset(ImageList_Create(16, 16, ILC_COLOR24 | ILC_MASK, 4, 4));
        UniqueBitmap dib = SeparateDib(*glyphs);
        if (bmpmenu && dib) ImageList_AddMasked(bmpmenu.get(), dib.get(), RGB(255, 255, 255));
    }
    cxMax = GetSystemMetrics(SM_CXMAXIMIZED);
    cyMax = GetSystemMetrics(SM_CYMAXIMIZED);
    CaptionFont = std::make_unique<TFont>();
}

TSkinData::~TSkinData() {
    if (SkinManager) SkinManager->RemoveSkinData(this);
}

std::wstring TSkinData::SkinStore() const {
    return data.Bytes().empty() ? L"(none)" : L"(Good)";
}

void TSkinData::SkinBuilt() {
    BGBrush.reset(CreateSolidBrush(static_cast<COLORREF>(ColorToRGB(Colors[csButtonFace]))));
}

void TSkinData::Loaded() {
    TComponent::Loaded();
    if (!OptionalUser32().GetScrollBarInfo) FSkinControls.Exclude(xcScrollbar);
    if (!SkinManager) SkinManager = new TSkinManage(0);
    SkinManager->AddSkinData(this);
    CreateCaptionFont();
    if (ftype != sfMainform) {
        SkinManager->active = true;
        ++SkinManager->state;
        auto* form = dynamic_cast<TForm*>(Owner());
        if (form && factive) SkinManager->AddForm(form->Handle());
        return;
    }
    SkinManager->InstallHook();
    if (factive) {
        if (Empty)
            factive = false;  // nothing to skin with
        else
            SkinManager->SetAction(ManagerAction::Skin, kManagerDelay);
    }
    if (FSkinControls.Contains(xcMainMenu))
        FSkinControls.Exclude(xcMenuItem);
    else
        FSkinControls.Exclude(xcSystemMenu);
    GetAppIcon();
}

void TSkinData::OwnerWindowCreated() {
    // As Loaded does: the main-form kind takes the application's icon.
    if (!Reading() && ftype == sfMainform) GetAppIcon();
}

void TSkinData::SetActive(bool value) {
    if (value == factive) return;
    factive = value;
    if (Reading() || !SkinManager) return;
    switch (ftype) {
        case sfMainform:
            SkinManager->UpdateData = this;
            if (value) {
                if (Empty) return;
                SkinManager->SetAction(ManagerAction::Skin, kManagerDelay);
                SkinManager->state = 1;
            } else {
                SkinManager->SetAction(ManagerAction::Unskin, kManagerDelay);
            }
            break;
        case sfOnlyThisForm:
            SkinManager->UpdateData = this;
            if (value && Empty) return;
            SkinManager->SetAction(value ? ManagerAction::Skin : ManagerAction::Unskin, kManagerDelay);
            break;
        default: break;
    }
}

void TSkinData::LoadFromFile(const std::wstring& path) {
    fskinfile = path;
    // A path that leads nowhere leaves the skin as it is (and usable).
    if (path.empty() || !FileExists(path)) return;
    {
        TFileStream file(path, fmOpenRead | fmShareDenyWrite);
        SetData(file);
    }
    LoadSkin();
    UpdateSkin();
}

void TSkinData::LoadFromStream(TStream& stream) {
    SetData(stream);
    LoadSkin();
    if (ftype == sfMainform) UpdateSkin();
}

void TSkinData::LoadFromCollection(TSkinStore* store, int index) {
    if (!store || !SetDataFromCollection(store->Store(), index)) return;
    LoadSkin();
    UpdateSkin();
}

void TSkinData::UpdateSkin() {
    if (Reading()) return;
    // A skin data made in code registers with its first skin, also when the
    // manager already serves another one (or served one that is gone); its
    // registration schedules the skinning of the forms, which a re-skin of
    // the forms already skinned must not replace.
    const auto& known = SkinManager ? SkinManager->Dlist() : std::vector<TSkinData*>{};
    const bool fresh = std::find(known.begin(), known.end(), this) == known.end();
    if (fresh) Loaded();
    SkinManager->UpdateData = this;
    SkinManager->DeleteSysbtn();
    if (!fresh && SkinManager->state == 1) SkinManager->SetAction(ManagerAction::ApplyChange, kManagerDelay);
}

void TSkinData::Install() {
    if (SkinManager) SkinManager->SetAction(ManagerAction::Skin, kManagerDelay);
}

void TSkinData::Uninstall() {
    if (SkinManager) SkinManager->SetAction(ManagerAction::Unskin, kManagerDelay);
}

void TSkinData::EnableSkin(bool value) {
    if (SkinManager) SkinManager->active = value;
}

void TSkinData::ChangeForm(TForm* form) {
    if (!SkinManager || !form) return;
    SkinManager->lpara = form->Handle();
    SkinManager->UpdateData = this;
    SkinManager->SetAction(ManagerAction::ReskinForm, kManagerDelay);
}

void TSkinData::SkinForm(HWND hwnd) {
    if (!SkinManager) return;
    const bool saved = SkinManager->skinchildform;
    SkinManager->skinchildform = true;
    SkinManager->AddForm(hwnd);
    SkinManager->skinchildform = saved;
}

void TSkinData::InstallThread(DWORD threadId) {
    if (SkinManager) SkinManager->InstallThread(threadId);
}

void TSkinData::UnInstallThread(DWORD threadId) {
    if (SkinManager) SkinManager->UnInstallThread(threadId);
}

void TSkinData::DoFormSkin(HWND hwnd, const std::wstring& className, bool& DoSkin) {
    formhwnd = hwnd;
    if (OnFormSkin) {
        OnFormSkin(this, className, DoSkin);
        return;
    }
    if (className == L"SysMonthCal32") DoSkin = false;
    if (FSkinControls.Contains(xcFastReport) && className.rfind(L"Tfr", 0) == 0) DoSkin = false;
}

void TSkinData::DoSkinChanged() {
    if (OnSkinChanged) OnSkinChanged(this);
}

void TSkinData::ActivateHint(const RECT& screenRect, const std::wstring& text) {
    if (!fSkinOptions.Contains(xoCaptionButtonHint) || hashint) return;
    RECT r = fhintwindow->CalcHintRect(500, text);
    OffsetRect(&r, screenRect.left, screenRect.top);
    fhintwindow->Activate(r, text);
    hashint = true;
}

void TSkinData::HideHint() {
    fhintwindow->Hide();
    hashint = false;
}

bool TSkinData::GetScrollBarInfo(HWND hwnd, LONG idObject, SCROLLBARINFO* info) const {
    const auto function = OptionalUser32().GetScrollBarInfo;
    return function && function(hwnd, idObject, info);
}

// The four below hand their work to the form's skinning object, found by
// its window in the manager's list; without one they do nothing.
void TSkinData::UpdateSkinControl(TForm* form, TControl* control) {
    if (!SkinManager || !form || !form->HandleAllocated()) return;
    TWinSkinForm* sf = SkinManager->FindSkinForm(form->WindowHandle());
    if (!sf) return;
    if (!control) {
        sf->InitControls(form);
        return;
    }
    if (sf->FindSkinComp(control)) return;
    if (const auto add = ControlSkinning().AddComp) add(*sf, control, control->Parent());
}

namespace {

// Lives as long as the nested control and points at the outer window's object.
class TWinSkinSpy : public TComponent {
public:
    TWinSkinSpy(TComponent* owner, TWinSkinForm* outer) : TComponent(owner), sf(outer) {}
    std::wstring ClassName() const override { return L"TWinSkinSpy"; }
    TWinSkinForm* sf;
};

}  // namespace

void TSkinData::AddNestForm(TWinControl* parent, TWinControl* nested) {
    if (!SkinManager || !parent || !parent->HandleAllocated() || !nested) return;
    TWinSkinForm* sf = SkinManager->FindSkinForm(parent->WindowHandle());
    if (!sf) return;
    new TWinSkinSpy(nested, sf);
    sf->InitNestform(nested);
}

void TSkinData::DeleteGraphicControl(TForm* form, TControl* control) {
    if (!SkinManager || !form || !form->HandleAllocated()) return;
    TWinSkinForm* sf = SkinManager->FindSkinForm(form->WindowHandle());
    if (!sf || !control) return;
    const auto& t = ControlSkinning();
    if (!t.Control) return;
    for (TSkinControl* c : std::vector<TSkinControl*>(sf->Controllist))
        if (t.Control(c) == control) {
            sf->DeleteControl(c);
            if (t.Free) t.Free(c);
        }
}

void TSkinData::UpdateMenu(TForm* form) {
    if (!SkinManager || !form || !form->HandleAllocated()) return;
    if (!SkinManager->FindSkinForm(form->WindowHandle())) return;
    // Rebuilding the popup menus' skinning arrives with menu skinning.
}

void TSkinData::UpdateMainMenu(bool value) {
    MenuMsg = value;
    // Refreshing every skinned menu bar arrives with menu skinning.
}

void TSkinData::ChangeProperty(TObject* obj, const std::wstring& propName, const std::wstring& value) {
    if (obj && PropertySetter()) PropertySetter()(obj, propName, value);
}

void TSkinData::CreateCaptionFont() {
    CaptionFont = std::make_unique<TFont>();
    NONCLIENTMETRICSW ncm{};
    ncm.cbSize = sizeof ncm;
    if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof ncm, &ncm, 0))
        CaptionFont->AssignLogFont(ncm.lfCaptionFont);
}

void TSkinData::GetAppIcon() {
    // The framework has no application window of its own: the main form
    // (or this component's form) stands for it.
    HWND app = nullptr;
    if (Application && Application->MainForm() && Application->MainForm()->HandleAllocated())
        app = Application->MainForm()->WindowHandle();
    else if (auto* form = dynamic_cast<TWinControl*>(Owner()); form && form->HandleAllocated())
        app = form->WindowHandle();
    if (!app) return;
    const int cx = GetSystemMetrics(SM_CXSMICON), cy = GetSystemMetrics(SM_CYSMICON);
    auto icon = reinterpret_cast<HICON>(SendMessageW(app, WM_GETICON, ICON_SMALL, 0));
    if (!icon) icon = reinterpret_cast<HICON>(SendMessageW(app, WM_GETICON, ICON_BIG, 0));
    if (!icon) return;
    TBitmap bitmap(cx, cy, pf24bit);
    bitmap.Canvas().Brush.Color = 0xFF00FF;
    bitmap.Canvas().FillRect(Rect(0, 0, cx, cy));
    auto copy = static_cast<HICON>(CopyImage(icon, IMAGE_ICON, cx, cy, 0));
    if (!copy) return;
    DrawIconEx(bitmap.Canvas().Handle(), 0, 0, copy, cx, cy, 0, nullptr, DI_NORMAL);
    DestroyIcon(copy);
    SysIcon.Assign(bitmap);
    SysIcon.SetTransparentColor(0xFF00FF);
    SysIcon.SetTransparent(true);
}

TSkinManage* SkinDll(TSkinManage* main) {
    if (!SkinManager) SkinManager = new TSkinManage(1);
    SkinManager->AssignData(main);
    SkinManager->InstallHook();
    ++SkinManager->state;
    return SkinManager;
}

TWinControl* FindControlx(HWND hwnd) {
    return FindControl(hwnd);
}

void DoTrackMouse(HWND hwnd) {
    const auto function = OptionalUser32().TrackMouseEvent;
    if (!function) return;
    TRACKMOUSEEVENT tme{};
    tme.cbSize = sizeof tme;
    tme.dwFlags = TME_LEAVE;
    tme.hwndTrack = hwnd;
    function(&tme);
}

int Tnt_DrawTextW(HDC dc, const std::wstring& text, RECT& rect, UINT format) {
    return DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &rect, format);
}
