#include "skin/controls/SkinControl.h"

#include <commctrl.h>

#include <algorithm>
#include <optional>

#include "framework/graphics/GdiHandles.h"
#include "framework/streaming/PublishedProperties.h"
#include "skin/draw/DrawUtils.h"

TSkinControl::TSkinControl(TComponent* AOwner) : TComponent(AOwner) {}

TSkinControl::~TSkinControl() {
    *alive_ = false;
    RemoveHooks();
    if (skinform) skinform->DeleteControl(this);
}

void TSkinControl::Init(TWinSkinForm* sf, TSkinData* sd, TCanvas* acanvas, bool acolor) {
    if (Inited) return;
    newColor = acolor;
    fsd = sd;
    skinform = sf;
    fCanvas = acanvas;
    control = dynamic_cast<TWinControl*>(Owner());
    if (!control) return;
    hwnd = control->Handle();
    isunicode = IsWindowUnicode(hwnd) != FALSE;
    HookWindowProc(control);
    if (skinform) skinform->AddControlList(this);
    if (newColor && fsd) {
        oldcolor = control->Color();
        control->SetColor(fsd->Colors[csButtonFace]);
    }
    if (parentbk) kind = 1;
    Invalidate();
    Inited = true;
    skinstate = 1;
}

void TSkinControl::AttachTo(TWinSkinForm& sf, TWinControl*, bool acolor) {
    Init(&sf, sf.fsd, sf.fCanvas.get(), acolor);
}

void TSkinControl::HookWindowProc(TControl* c) {
    procHook_ = TWindowProcHook(*c, [this](TMessage& m) { NewWndProc(m); });
}

void TSkinControl::Inithwnd(HWND ahwnd, TSkinData* sd, TCanvas* acanvas, TWinSkinForm* sf) {
    if (Inited) return;
    fsd = sd;
    fCanvas = acanvas;
    skinform = sf;
    hwnd = ahwnd;
    enabled = true;
    kind = 0;
    if (skinform) skinform->AddControlList(this);
    isunicode = IsWindowUnicode(hwnd) != FALSE;
    caption = WindowText();
    subclassHooked_ = SetWindowSubclass(hwnd, SubclassProc, reinterpret_cast<UINT_PTR>(this),
                                        reinterpret_cast<DWORD_PTR>(this)) != FALSE;
    InvalidateRect(hwnd, nullptr, TRUE);
    Inited = true;
    skinstate = 1;
}

LRESULT CALLBACK TSkinControl::SubclassProc(HWND, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                            DWORD_PTR ref) noexcept {
    auto* self = reinterpret_cast<TSkinControl*>(ref);
    TMessage m{msg, wParam, lParam, 0};
    try {
        self->NewWndProc(m);
    } catch (...) {
        // Drawing swallows its own faults; anything else must not unwind
        // through the system's frames.
    }
    return m.Result;
}

void TSkinControl::ReleaseControl() {
    RemoveHooks();
    skinned = false;
}

void TSkinControl::RemoveHooks() {
    procHook_.Remove();
    if (subclassHooked_) {
        subclassHooked_ = false;
        if (IsWindow(hwnd)) RemoveWindowSubclass(hwnd, SubclassProc, reinterpret_cast<UINT_PTR>(this));
    }
}

void TSkinControl::Free(TSkinControl* c) {
    if (!c) return;
    if (c->dispatchDepth_ == 0) {
        delete c;
        return;
    }
    // Its messages keep reaching the control through the hooks until then;
    // the form object may be gone by that time.
    c->freePending_ = true;
    c->skinned = false;
    c->skinform = nullptr;
    c->fCanvas = nullptr;
}

void TSkinControl::NewWndProc(TMessage& m) {
    const std::shared_ptr<bool> alive = alive_;
    ++dispatchDepth_;
    try {
        Dispatch(m, alive);
    } catch (...) {
        if (*alive) --dispatchDepth_;
        throw;
    }
    if (!*alive) return;
    if (--dispatchDepth_ == 0 && freePending_) delete this;
}

void TSkinControl::Dispatch(TMessage& m, const std::shared_ptr<bool>& alive) {
    done = false;
    if (m.Msg == CN_SkinEnable) {
        if (!freePending_) skinned = m.WParam > 0;
        if (skinned) Invalidate();
        return;
    }
    if (!skinned) {
        Default(m);
        return;
    }
    if (BeforeProc(m)) {
        Default(m);
        // The control's own handler may have freed the control, and this
        // object with it, or had the object let go.
        if (!*alive || freePending_) return;
        AfterProc(m);
    }
}

void TSkinControl::Default(TMessage& m) {
    // Only reached from a message of one of the two hooks.
    if (procHook_)
        procHook_.CallNext(m);
    else if (subclassHooked_)
        m.Result = DefSubclassProc(hwnd, m.Msg, m.WParam, m.LParam);
}

bool TSkinControl::BeforeProc(TMessage& m) {
    switch (m.Msg) {
        case WM_NCDESTROY:
            skinstate = 6;
            state = 0;
            if (skinform && skinform->Activeskincontrol == this) skinform->Activeskincontrol = nullptr;
            Default(m);
            if (skinned) Unsubclass();
            // The window is going: a window subclass must go with it now.
            if (subclassHooked_) {
                subclassHooked_ = false;
                RemoveWindowSubclass(hwnd, SubclassProc, reinterpret_cast<UINT_PTR>(this));
            }
            return false;
        case CN_SkinQuery: m.Result = 1; return false;
        case WM_PAINT:
        case WM_PRINTCLIENT:
            if (PaintMode() != TSkinPaint::Whole) return true;
            WMPaint(m);
            return false;
        case WM_ERASEBKGND:
            if (const std::optional<LRESULT> answer = EraseBackground(reinterpret_cast<HDC>(m.WParam))) {
                m.Result = *answer;
                return false;
            }
            return true;
        case CM_RECREATEWND:
            // The form object makes this control a new skinning object once
            // the new window exists; the overlays and hooks of this one go with it.
            if (control && skinform && skinform->Hwnd)
                PostMessageW(skinform->Hwnd, CN_SkinRecreate, reinterpret_cast<WPARAM>(hwnd), 0);
            return true;
        default: return true;
    }
}

void TSkinControl::AfterProc(TMessage& m) {
    switch (m.Msg) {
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
        case WM_ENABLE:
        case WM_SETTEXT:
        case CM_ENABLEDCHANGED: Invalidate(); break;
        case WM_PAINT: PaintControl(reinterpret_cast<HDC>(m.WParam)); break;
        default: break;
    }
}

void TSkinControl::Unsubclass() {
    if (!skinned) return;
    skinned = false;
    if (skinstate == 6) return;
    if (newColor && control) control->SetColor(oldcolor);
    if (hwnd && IsWindow(hwnd)) InvalidateRect(hwnd, nullptr, TRUE);
}

void TSkinControl::SkinChange() {
    if (newColor && control && fsd) control->SetColor(fsd->Colors[csButtonFace]);
    // Only marked: the form repaints all its children at once after a skin change.
    if (GControl)
        GControl->Invalidate();
    else if (hwnd && IsWindow(hwnd))
        InvalidateRect(hwnd, nullptr, TRUE);
}

void TSkinControl::Invalidate() {
    if (GControl) {
        GControl->Invalidate();
        return;
    }
    if (!hwnd || !IsWindow(hwnd)) return;
    InvalidateRect(hwnd, nullptr, TRUE);
    UpdateWindow(hwnd);
}

void TSkinControl::MouseLeave() {
    if (GControl)
        GControl->Perform(CM_MOUSELEAVE);
    else if (hwnd)
        SendMessageW(hwnd, CM_MOUSELEAVE, 0, 0);
}

void TSkinControl::PaintControl(HDC adc) {
    RECT wr{};
    if (!hwnd || !GetWindowRect(hwnd, &wr)) return;
    boundsrect = TRect{wr.left, wr.top, wr.right, wr.bottom};
    const TRect rc{0, 0, wr.right - wr.left, wr.bottom - wr.top};
    if (adc) {
        PaintTo(adc, rc);
    } else {
        WindowDC dc = WindowDC::Whole(hwnd);
        if (dc.get()) PaintTo(dc.get(), rc);
    }
}

void TSkinControl::PaintTo(HDC dc, const TRect& rc) {
    try {
        if (PaintMode() == TSkinPaint::Whole)
            Composed(dc, rc, [&](HDC mem) { DrawControl(mem, rc); });
        else
            DrawControl(dc, rc);
    } catch (...) {
        // A drawing fault must not reach the control's message loop.
    }
}

void TSkinControl::DrawControl(HDC, const TRect&) {}

void TSkinControl::WMPaint(TMessage& m) {
    std::optional<PaintDC> painting;
    HDC dc = reinterpret_cast<HDC>(m.WParam);
    if (!dc) dc = painting.emplace(hwnd).get();
    RECT wr{};
    if (dc && GetWindowRect(hwnd, &wr)) {
        boundsrect = TRect{wr.left, wr.top, wr.right, wr.bottom};
        PaintTo(dc, TRect{0, 0, wr.right - wr.left, wr.bottom - wr.top});
    }
    m.Result = 0;
}

std::optional<LRESULT> TSkinControl::EraseBackground(HDC) {
    if (PaintMode() == TSkinPaint::Whole) return 1;
    return std::nullopt;
}

void TSkinControl::WMERASEBKGND(TMessage& m) {
    HDC dc = reinterpret_cast<HDC>(m.WParam);
    if (control) {
        DrawParentImage(hwnd, dc, false);
    } else {
        RECT cr{};
        GetClientRect(hwnd, &cr);
        FillParentBG(dc, TRect{cr.left, cr.top, cr.right, cr.bottom});
    }
    m.Result = 1;
}

void TSkinControl::FillColor(HDC dc, const TRect& rc, TColor color) {
    UniqueBrush brush(CreateSolidBrush(static_cast<COLORREF>(ColorToRGB(color))));
    const RECT r = ToRECT(rc);
    FillRect(dc, &r, brush.get());
}

void TSkinControl::FillBG(HDC dc, const TRect& rc) {
    FillColor(dc, rc, fsd ? fsd->Colors[csButtonFace] : clBtnFace);
}

void TSkinControl::FillParentBG(HDC dc, const TRect& rc) {
    FillColor(dc, rc, GetParentColor(fsd ? fsd->Colors[csButtonFace] : clBtnFace));
}

TColor TSkinControl::GetParentColor(TColor acolor) {
    if (control && control->Parent()) {
        const TPropValue v = GetPropValue(*control->Parent(), L"Color");
        if (v.Kind == TTypeKind::tkInteger) return static_cast<TColor>(v.Ordinal);
    }
    return acolor;
}

void TSkinControl::DrawSkinMap(HDC dc, const TRect& rc, const TDataSkinObject* aObject, int I, int N) {
    if (rc.Right < rc.Left || rc.Bottom < rc.Top) return;
    if (!aObject || aObject->Map.Empty() || rc.IsEmpty()) return;
    auto piece =
        GetHMap(TRect{0, 0, rc.Width(), rc.Height()}, aObject->Map, aObject->r, I, N, aObject->Tile != 0, false);
    if (!piece || piece->Empty()) return;
    if (aObject->trans == 1)
        DrawTranmap(dc, rc, *piece, kSkinKeyColor);
    else
        BitBlt(dc, rc.Left, rc.Top, rc.Width(), rc.Height(), piece->DC(), 0, 0, SRCCOPY);
}

void TSkinControl::DrawSkinMap2(HDC dc, const TRect& rc, const TBitmap& bmp, int I, int N) {
    if (rc.Right < rc.Left || rc.Bottom < rc.Top || rc.IsEmpty() || bmp.Empty()) return;
    DrawRect1(dc, rc, bmp, I, N, true);
}

UINT TSkinControl::CheckBiDi(UINT dw) const {
    if (hwnd && (GetWindowLongW(hwnd, GWL_EXSTYLE) & WS_EX_RTLREADING)) return dw | DT_RTLREADING;
    if (GControl) {
        // A speed button has no window: its own mode when it publishes one,
        // else the reading order of the window it is drawn on.
        const std::wstring mode = GetEnumProperty(GControl, L"BiDiMode");
        if (!mode.empty()) return mode == L"bdRightToLeft" ? dw | DT_RTLREADING : dw;
        TWinControl* parent = GControl->Parent();
        if (parent && parent->HandleAllocated() &&
            (GetWindowLongW(parent->WindowHandle(), GWL_EXSTYLE) & WS_EX_RTLREADING))
            dw |= DT_RTLREADING;
    }
    return dw;
}

void TSkinControl::DrawFocus(HDC dc, const std::wstring& text, const TRect& rc, UINT flags) {
    RECT r{0, 0, rc.Width(), rc.Height()};
    Tnt_DrawTextW(dc, text.empty() ? caption : text, r, flags | 0x500);
    const int w = r.right - r.left;
    const int h = r.bottom - r.top;
    if (flags & DT_CENTER) {
        r.left = rc.Left + (rc.Width() - w) / 2;
        r.top = rc.Top + (rc.Height() - h) / 2 - 1;
    } else if (flags & DT_RIGHT) {
        r.left = rc.Right - w;
        r.top = rc.Top + (rc.Height() - h) / 2;
    } else {
        r.left = rc.Left;
        r.top = rc.Top + (rc.Height() - h) / 2;
    }
    r.right = r.left + w;
    r.bottom = r.top + h;
    InflateRect(&r, 2, 1);
    RECT clip = ToRECT(rc);
    RECT out{};
    if (IntersectRect(&out, &r, &clip)) DrawFocusRect(dc, &out);
}

namespace {

// The font selected into dc without bold, italic, underline or strike-out;
// null when it cannot be had (the selected font is used as it is).
UniqueFont PlainFontOf(HDC dc) {
    LOGFONTW lf{};
    auto current = static_cast<HFONT>(GetCurrentObject(dc, OBJ_FONT));
    if (!current || GetObjectW(current, sizeof lf, &lf) != sizeof lf) return UniqueFont();
    lf.lfWeight = FW_NORMAL;
    lf.lfItalic = lf.lfUnderline = lf.lfStrikeOut = FALSE;
    return UniqueFont(CreateFontIndirectW(&lf));
}

}  // namespace

void TSkinControl::DrawCaption(HDC dc, const TRect& rc, const std::wstring& text, bool isEnabled, bool,
                               UINT Alignment) {
    UniqueFont plain = PlainFontOf(dc);  // outlives the selection below
    SavedDCState saved(dc);
    SetBkMode(dc, TRANSPARENT);
    SelectGuard noBrush(dc, GetStockObject(NULL_BRUSH));
    std::optional<SelectGuard> plainFont;
    if (plain) plainFont.emplace(dc, plain.get());
    RECT calc{0, 0, rc.Width(), rc.Height()};
    Tnt_DrawTextW(dc, text, calc, Alignment | 0x540);
    const int tw = calc.right - calc.left;
    const int th = calc.bottom - calc.top;
    RECT r{};
    if (Alignment == DT_CENTER) {
        r.left = rc.Left + (rc.Width() - tw) / 2;
        r.right = r.left + tw;
    } else {
        r.left = rc.Left;
        r.right = rc.Right;
    }
    r.top = rc.Top + (rc.Height() - th) / 2 - 1;
    r.bottom = r.top + th;
    if (!isEnabled) SetTextColor(dc, static_cast<COLORREF>(ColorToRGB(clBtnShadow)));
    Tnt_DrawTextW(dc, text, r, CheckBiDi(Alignment | DT_EXPANDTABS));
}

void TSkinControl::DrawImgCaption(HDC dc, const TRect& rc, HIMAGELIST ImgList, int imgIndex, const std::wstring& text,
                                  int talign) {
    int iw = 0, ih = 0;
    const bool hasImage = ImgList && imgIndex != -1 && imgIndex < ImageList_GetImageCount(ImgList) &&
                          ImageList_GetIconSize(ImgList, &iw, &ih) && iw < rc.Width();
    if (!hasImage) iw = ih = 0;
    // The text in the room the image leaves, broken at words and cut with an ellipsis.
    const int gap = hasImage && !text.empty() ? 3 : 0;
    RECT calc{0, 0, std::max(rc.Width() - iw - gap, 0), rc.Height()};
    if (!text.empty()) Tnt_DrawTextW(dc, text, calc, 0x8550);
    const int tw = std::min<int>(calc.right - calc.left, rc.Width() - iw - gap);
    const int th = calc.bottom - calc.top;
    const int block = iw + gap + std::max(tw, 0);
    int left = 3;
    if (talign == 1) left = (rc.Width() - block) / 2;
    if (talign == 2) left = rc.Width() - block - 2;
    left = rc.Left + std::max(left, 1);
    if (hasImage) ImageList_Draw(ImgList, imgIndex, dc, left, rc.Top + (rc.Height() - iw) / 2, ILD_TRANSPARENT);
    if (text.empty()) return;
    SavedDCState saved(dc);
    SetBkMode(dc, TRANSPARENT);
    const bool isEnabled = GControl ? GControl->Enabled() : !hwnd || IsWindowEnabled(hwnd);
    if (!isEnabled) SetTextColor(dc, static_cast<COLORREF>(ColorToRGB(clBtnShadow)));
    const int x = left + iw + gap;
    RECT r{x, rc.Top + (rc.Height() - th) / 2, std::min<int>(x + tw, rc.Right), rc.Top + (rc.Height() - th) / 2 + th};
    if (r.left < rc.Left) r.left = rc.Left;
    Tnt_DrawTextW(dc, text, r, CheckBiDi(0x8050));
}

int TSkinControl::TextHeight(HDC dc, const std::wstring& s) {
    SIZE size{};
    GetTextExtentPoint32W(dc, s.c_str(), static_cast<int>(s.size()), &size);
    return size.cy;
}

std::wstring TSkinControl::WindowText() const {
    if (!hwnd) return {};
    const int n = GetWindowTextLengthW(hwnd);
    if (n <= 0) return {};
    std::wstring s(static_cast<size_t>(n) + 1, L'\0');
    const int got = GetWindowTextW(hwnd, s.data(), n + 1);
    s.resize(static_cast<size_t>(got > 0 ? got : 0));
    return s;
}

HFONT TSkinControl::WindowFont() const {
    auto font = reinterpret_cast<HFONT>(SendMessageW(hwnd, WM_GETFONT, 0, 0));
    return font ? font : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

std::wstring GetProperty(TObject* obj, const std::wstring& name) {
    return obj ? GetPropText(*obj, name) : std::wstring();
}

int64_t GetIntProperty(TObject* obj, const std::wstring& name) {
    if (!obj) return -1;
    const TPropValue v = GetPropValue(*obj, name);
    return v.Kind == TTypeKind::tkInteger ? v.Ordinal : -1;
}

std::wstring GetEnumProperty(TObject* obj, const std::wstring& name) {
    if (!obj) return {};
    const TPropValue v = GetPropValue(*obj, name);
    return v.Kind == TTypeKind::tkEnumeration || v.Kind == TTypeKind::tkBool ? v.Text : std::wstring();
}

std::wstring GetStringProp(TObject* obj, const std::wstring& name) {
    if (!obj) return {};
    const TPropValue v = GetPropValue(*obj, name);
    return v.Kind == TTypeKind::tkString ? v.Text : std::wstring();
}

void SetProperty(TObject* obj, const std::wstring& name, const std::wstring& value) {
    if (obj) (void)SetPropText(*obj, name, value);
}

std::wstring StringReplaceW(const std::wstring& s, const std::wstring& from, const std::wstring& to) {
    if (from.empty()) return s;
    std::wstring out;
    size_t pos = 0;
    for (size_t hit; (hit = s.find(from, pos)) != std::wstring::npos; pos = hit + from.size()) {
        out.append(s, pos, hit - pos);
        out += to;
    }
    out.append(s, pos, std::wstring::npos);
    return out;
}

bool IsVista() {
    OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof info;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    const bool ok = GetVersionExW(&info) != FALSE;
#pragma GCC diagnostic pop
    return ok && info.dwMajorVersion >= 6;
}
