#include "skin/controls/SkinCombo.h"

#include <commctrl.h>

#include <algorithm>
#include <utility>

#include "framework/graphics/GdiHandles.h"
#include "skin/controls/SkinEdit.h"
#include "skin/controls/SkinObjectUtil.h"
#include "skin/controls/SkinScrollbar.h"
#include "skin/draw/DrawUtils.h"

namespace {

using skin_controls_util::Usable;

int Frames(const TDataSkinObject* o, int fallback) {
    return o && o->frame > 0 ? o->frame : fallback;
}

// Frame I of N of bmp cut and stretched to rc, magenta transparent.
void DrawFrameStretched(HDC dc, const TRect& rc, const TBitmap& bmp, int I, int N) {
    if (rc.IsEmpty() || bmp.Empty()) return;
    DrawRect1(dc, rc, bmp, I, N, true);
}

}  // namespace

TSkinComBox::~TSkinComBox() {
    UnhookButton();
    DeleteDropList();
    TSkinControl* simpleList = vb;
    vb = nullptr;
    FreeSubObject(simpleList);
}

void TSkinComBox::Init(TWinSkinForm* sf, TSkinData* sd, TCanvas* acanvas, bool acolor) {
    if (Inited) return;
    TSkinControl::Init(sf, sd, acanvas, acolor);
    if (Inited) AttachCombo();
}

void TSkinComBox::Inithwnd(HWND ahwnd, TSkinData* sd, TCanvas* acanvas, TWinSkinForm* sf) {
    if (Inited) return;
    TSkinControl::Inithwnd(ahwnd, sd, acanvas, sf);
    AttachCombo();
}

bool TSkinComBox::ReadInfo() {
    const auto get = OptionalUser32().GetComboBoxInfo;
    if (!get || !hwnd) return false;
    info = COMBOBOXINFO{};
    info.cbSize = sizeof info;
    return get(hwnd, &info) != FALSE;
}

void TSkinComBox::AttachCombo() {
    dwStyle = static_cast<DWORD>(GetWindowLongW(hwnd, GWL_STYLE));
    if ((dwStyle & 0x3) != CBS_SIMPLE) {
        if (control) SkinDropList();
        if (!isunicode) FindBtn();
        hlist = nullptr;
        return;
    }
    if (ReadInfo()) hlist = info.hwndList;
    if (!control || !hlist) return;
    const LONG listStyle = GetWindowLongW(hlist, GWL_STYLE);
    const bool popup = (listStyle & WS_POPUP) != 0 || GetParent(hlist) == reinterpret_cast<HWND>(0x10014);
    if ((listStyle & WS_CHILD) && !popup) {
        vb = new TSkinScrollbarH(SubObjectOwner());
        vb->Inithwnd(hlist, fsd, fCanvas, skinform);
    }
}

TComponent* TSkinComBox::SubObjectOwner() {
    return skinform ? static_cast<TComponent*>(skinform) : this;
}

// The form object frees the objects it lists (a list window that went is
// freed with it): one that is no longer listed is gone already.
void TSkinComBox::FreeSubObject(TSkinControl*& object) {
    if (!object) return;
    TSkinControl* o = std::exchange(object, nullptr);
    if (skinform) {
        const auto& list = skinform->Controllist;
        if (std::find(list.begin(), list.end(), o) == list.end()) return;
    }
    TSkinControl::Free(o);
}

void TSkinComBox::FindBtn() {
    HWND child = GetWindow(hwnd, GW_CHILD);
    if (!child) return;
    hbtn = child;
    buttonHooked_ = SetWindowSubclass(hbtn, ButtonProc, reinterpret_cast<UINT_PTR>(this),
                                      reinterpret_cast<DWORD_PTR>(this)) != FALSE;
}

void TSkinComBox::UnhookButton() {
    if (!buttonHooked_) return;
    buttonHooked_ = false;
    if (hbtn && IsWindow(hbtn)) RemoveWindowSubclass(hbtn, ButtonProc, reinterpret_cast<UINT_PTR>(this));
    hbtn = nullptr;
}

LRESULT CALLBACK TSkinComBox::ButtonProc(HWND h, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                         DWORD_PTR ref) noexcept {
    auto* self = reinterpret_cast<TSkinComBox*>(ref);
    const LRESULT result = DefSubclassProc(h, msg, wParam, lParam);
    try {
        switch (msg) {
            case WM_PAINT: self->PaintControl(nullptr); break;
            case WM_LBUTTONDOWN:
            case WM_LBUTTONDBLCLK:
                self->state |= scDown;
                self->Invalidate();
                break;
            case WM_LBUTTONUP:
                self->state &= static_cast<TSkinControlState>(~scDown);
                self->Invalidate();
                break;
            case WM_NCDESTROY:
                RemoveWindowSubclass(h, ButtonProc, reinterpret_cast<UINT_PTR>(self));
                self->buttonHooked_ = false;
                self->hbtn = nullptr;
                break;
            default: break;
        }
    } catch (...) {
    }
    return result;
}

void TSkinComBox::SkinDropList() {
    if ((dwStyle & 0x3) == CBS_SIMPLE) return;
    if (db || !ReadInfo() || !info.hwndList) return;
    db = new TComboxScrollBar(SubObjectOwner());
    db->Inithwnd(info.hwndList, fsd, fCanvas, skinform);
}

void TSkinComBox::DeleteDropList() {
    TSkinControl* list = db;
    db = nullptr;
    FreeSubObject(list);
}

void TSkinComBox::Unsubclass() {
    UnhookButton();
    DeleteDropList();
    TSkinControl::Unsubclass();
}

void TSkinComBox::CNCommand(TMessage& m) {
    switch (HIWORD(m.WParam)) {
        case CBN_DROPDOWN: isDrop = true; break;
        case CBN_CLOSEUP:
            isDrop = false;
            // The release may have gone to the list, which held the mouse.
            if (state & scDown) {
                state &= static_cast<TSkinControlState>(~scDown);
                Invalidate();
            }
            break;
        default: break;
    }
}

void TSkinComBox::AfterProc(TMessage& m) {
    switch (m.Msg) {
        case WM_SETFOCUS:
        case WM_KILLFOCUS: break;
        case WM_MOUSEMOVE: {
            const POINT p{static_cast<short>(LOWORD(m.LParam)), static_cast<short>(HIWORD(m.LParam))};
            const RECT b = ToRECT(rBtn);
            const bool inside = PtInRect(&b, p) != FALSE;
            const bool usable = IsWindowEnabled(hwnd) != FALSE;
            if (state & scMouseIn) {
                if (!inside || !usable) {
                    state &= static_cast<TSkinControlState>(~scMouseIn);
                    Invalidate();
                }
            } else if (inside && usable) {
                state |= scMouseIn;
                DoTrackMouse(hwnd);
                Invalidate();
            }
            break;
        }
        case WM_DRAWITEM:
        case WM_NCPAINT: PaintControl(nullptr); break;
        case WM_PRINTCLIENT: PaintControl(reinterpret_cast<HDC>(m.WParam)); break;
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
            state |= scDown;
            Invalidate();
            break;
        case WM_LBUTTONUP:
            state &= static_cast<TSkinControlState>(~scDown);
            Invalidate();
            break;
        case WM_MOUSELEAVE:
        case CM_MOUSELEAVE:
            if (state & scMouseIn) {
                state &= static_cast<TSkinControlState>(~scMouseIn);
                Invalidate();
            }
            break;
        case CN_COMMAND: CNCommand(m); break;
        default: TSkinControl::AfterProc(m); break;
    }
}

int TSkinComBox::FrameNumber() const {
    if (!IsWindowEnabled(hwnd)) return 3;
    if (state & scDown) return 2;
    HWND focus = GetFocus();
    const bool hasFocus = focus && (focus == hwnd || IsChild(hwnd, focus));
    if (hasFocus || (state & scMouseIn)) return 4;
    return 1;
}

void TSkinComBox::DrawControl(HDC dc, const TRect& rc) {
    const TDataSkinBorder* button = fsd ? fsd->combox.get() : nullptr;
    if (!Usable(button) || rc.IsEmpty()) return;
    dwStyle = static_cast<DWORD>(GetWindowLongW(hwnd, GWL_STYLE));
    ExStyle = static_cast<DWORD>(GetWindowLongW(hwnd, GWL_EXSTYLE));
    if (ReadInfo()) {
        rBtn = TRect{info.rcButton.left, info.rcButton.top, info.rcButton.right, info.rcButton.bottom};
        if (info.stateButton & STATE_SYSTEM_INVISIBLE) return;
    }
    const int F = FrameNumber();
    if (button->style == 1) {
        DrawControl1(dc, rc, F);
        return;
    }
    const int B = GetSystemMetrics(SM_CXHSCROLL);
    const int w = rc.Width();
    const int h = rc.Height();
    const bool left = (ExStyle & WS_EX_LEFTSCROLLBAR) != 0;
    if (HasButton) {
        DrawBorder(dc, rc);
        DrawArrow(dc, F);
        return;
    }
    const int frames = Frames(button, 4);
    if (button->style == 2) {
        const TDataSkinObject* whole = left ? fsd->Comboxborder.get() : static_cast<const TDataSkinObject*>(button);
        if (!Usable(whole)) return;
        // The left-hand strip is the right-hand one mirrored: its frames run backwards.
        const int n = Frames(whole, 4);
        auto piece = GetHMap(TRect{0, 0, w, h}, whole->Map, whole->r, left ? n + 1 - F : F, n, whole->Tile != 0, false);
        if (piece && !piece->Empty()) DrawTranmap(dc, rc, *piece, kSkinKeyColor);
        return;
    }
    SavedDCState saved(dc);
    if (left)
        ExcludeClipRect(dc, B + 4, 2, w - 2, h - 2);
    else
        ExcludeClipRect(dc, 2, 2, w - B - 4, h - 2);
    const TDataSkinObject* border = fsd->Comboxborder.get();
    if (Usable(border)) DrawSkinMap(dc, rc, border, F, Frames(border, 4));
    const TRect btn = left ? TRect{0, 0, B + 2, h} : TRect{w - B - 2, 0, w, h};
    // The mirrored strip holds its frames in reverse order: frame F mirrored
    // is frame N + 1 - F there.
    if (left)
        DrawFrameStretched(dc, btn, button->MaskMap, frames + 1 - F, frames);
    else
        DrawFrameStretched(dc, btn, button->Map, F, frames);
    rBtn = btn;
    const TDataSkinObject* extra = fsd->ExtraImages.get();
    if (Usable(extra)) {
        const TRect glyphBox = left ? TRect{2, 0, B + 2, h} : TRect{w - B - 2, 0, w - 2, h};
        DrawRect3(dc, glyphBox, extra->Map, F, Frames(extra, 5), true);
    }
}

void TSkinComBox::DrawControl1(HDC dc, const TRect& rc, int frame) {
    const TDataSkinBorder* button = fsd->combox.get();
    HBRUSH current = static_cast<HBRUSH>(GetCurrentObject(dc, OBJ_BRUSH));
    RECT inner = ToRECT(rc);
    InflateRect(&inner, -1, -1);
    FrameRect(dc, &inner, current);
    const int thumb = GetSystemMetrics(SM_CYVTHUMB);
    const bool left = (ExStyle & WS_EX_LEFTSCROLLBAR) != 0;
    RECT strip = inner;
    InflateRect(&strip, -1, -1);
    if (left)
        strip.right = strip.left + thumb;
    else
        strip.left = strip.right - thumb;
    FillRect(dc, &strip, current);
    UniqueBrush shadow(CreateSolidBrush(static_cast<COLORREF>(ColorToRGB(fsd->Colors[csButtonShadow]))));
    RECT outer = ToRECT(rc);
    FrameRect(dc, &outer, shadow.get());
    const int frames = Frames(button, 4);
    const int frameWidth = button->Map.Width() / frames;
    const int height = std::min<int>(strip.bottom - strip.top,
                                     button->Map.Height() < thumb ? button->Map.Height() : strip.bottom - strip.top);
    TRect area = left ? TRect{strip.left, strip.top, strip.left + frameWidth, strip.top + height}
                      : TRect{strip.right - frameWidth, strip.top, strip.right, strip.top + height};
    DrawFrameStretched(dc, area, button->Map, frame, frames);
    rBtn = area;
}

void TSkinComBox::DrawBorder(HDC dc, const TRect& rc) {
    RECT cr{};
    GetClientRect(hwnd, &cr);
    if (cr.right >= rc.Width() || cr.bottom >= rc.Height()) return;
    DrawEditFrame(dc, rc, fsd->Colors[csButtonShadow], 1);
}

void TSkinComBox::DrawArrow(HDC dc, int frame) {
    if (!hbtn) return;
    RECT br{}, wr{};
    GetWindowRect(hbtn, &br);
    GetWindowRect(hwnd, &wr);
    const TRect r{br.left - wr.left, br.top - wr.top, br.right - wr.left, br.bottom - wr.top};
    FillColor(dc, r, fsd->Colors[csButtonFace]);
    const TDataSkinObject* a = fsd->comboxarrow.get();
    if (Usable(a)) DrawFrameStretched(dc, r, a->Map, frame, Frames(a, 4));
}
