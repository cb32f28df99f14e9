#include "skin/controls/SkinScrollbar.h"

#include <windowsx.h>

#include <algorithm>

#include "framework/graphics/GdiHandles.h"
#include "framework/streaming/PublishedProperties.h"
#include "skin/controls/SkinObjectUtil.h"
#include "skin/draw/DrawUtils.h"

namespace {

constexpr wchar_t kOverlayClass[] = L"SkinScrollOverlay";
constexpr int kArrowFrames = 23;
constexpr int kBarFrames = 4;

using skin_controls_util::Lower;
using skin_controls_util::Usable;

bool IsNtAbove4Point0() {
    const DWORD v = GetVersion();
    return !(v & 0x80000000) && LOBYTE(LOWORD(v)) > 4 && HIBYTE(LOWORD(v)) > 0;
}

// One composed piece drawn at target: with magenta keyed out when transparent.
void DrawComposed(HDC dc, const TRect& target, const TBitmap& piece, bool transparent) {
    if (transparent) {
        DrawTranmap(dc, target, piece, kSkinKeyColor);
    } else if (HDC src = piece.DC()) {
        BitBlt(dc, target.Left, target.Top, target.Width(), target.Height(), src, 0, 0, SRCCOPY);
    }
}

void DrawObject(HDC dc, const TRect& target, const TDataSkinObject& o, int frameNumber, int frameCount, bool tile) {
    if (target.IsEmpty()) return;
    if (auto piece = GetHMap(target, o.Map, o.r, frameNumber, frameCount, tile, false))
        DrawComposed(dc, target, *piece, o.trans == 1);
}

TRect Along(int dir, int from, int to, int breadth) {
    return dir == 1 ? TRect{0, from, breadth, to} : TRect{from, 0, to, breadth};
}

void RegisterOverlayClass() {
    static const bool registered = [] {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = DefWindowProcW;  // each overlay is subclassed with its object at creation
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
        wc.lpszClassName = kOverlayClass;
        return RegisterClassExW(&wc) != 0;
    }();
    (void)registered;
}

}  // namespace

void PaintSkinScrollBar(HDC dc, const TRect& rc, const TSkinData& sd, const TScrollBarLook& look) {
    const TDataSkinObject* arrows = sd.SArrow.get();
    if (!Usable(arrows) || rc.IsEmpty()) return;
    const int w = rc.Width();
    const int h = rc.Height();
    const int dir = look.dir;
    const int len = dir == 1 ? h : w;
    const int breadth = dir == 1 ? w : h;
    const int cw = look.cw;
    int A = arrows->Map.Height();
    if (std::abs(A - cw) > 2) A = cw;
    OffscreenDC picture(dc, rc);
    HDC mem = picture.get();
    if (!mem) return;
    // The parts are laid out along the bar from its start and placed at rc.
    auto part = [&](int from, int to, int across) {
        TRect r = Along(dir, from, to, across);
        return TRect{r.Left + rc.Left, r.Top + rc.Top, r.Right + rc.Left, r.Bottom + rc.Top};
    };
    SetStretchBltMode(mem, COLORONCOLOR);
    TSkinControl::FillColor(mem, rc, sd.Colors[csButtonFace]);

    const TDataSkinObject* bar = dir == 1 ? sd.VBar.get() : sd.HBar.get();
    if (Usable(bar) && len > 2 * cw)
        DrawObject(mem, part(cw, len - cw, breadth), *bar, look.enabled ? 1 : 3, kBarFrames, bar->Tile != 0);

    const int a = len < 2 * cw ? len / 2 : cw;
    const int firstBase = dir == 1 ? 9 : 1;
    const int secondBase = dir == 1 ? 13 : 5;
    auto arrowFrame = [&](int base, int which) {
        if (look.scrollpos != which) return base;
        return look.down ? base + 1 : base + 3;
    };
    DrawRect1(mem, part(0, a, breadth), arrows->Map, arrowFrame(firstBase, spFirstArrow), kArrowFrames, true);
    DrawRect1(mem, part(len - a, len, breadth), arrows->Map, arrowFrame(secondBase, spSecondArrow), kArrowFrames, true);

    const TDataSkinObject* slider = dir == 1 ? sd.VSlider.get() : sd.HSlider.get();
    const int top = look.thumbTop;
    const int bottom = look.thumbBottom;
    if (look.enabled && bottom > top && top >= 0 && bottom <= len) {
        const bool onThumb = look.scrollpos == spThumb;
        if (Usable(slider)) {
            const int frame = onThumb ? (look.down ? 2 : 3) : 1;
            // Keyed on magenta whatever the object says: the thumb's corners
            // show the track, as every other piece of the bar does.
            const TRect at = part(top, bottom, A);
            if (auto piece = GetHMap(at, slider->Map, slider->r, frame, std::max(slider->frame, 1), false, false))
                DrawComposed(mem, at, *piece, true);
        }
        const int grip = arrows->Map.Height() - 2;
        if (bottom - top > grip && grip > 0) {
            const int from = top + (bottom - top - grip) / 2;
            const int frame = (dir == 1 ? 20 : 17) + (onThumb ? (look.down ? 1 : 2) : 0);
            if (from + grip <= len && A <= breadth)
                DrawRect1(mem, part(from, from + grip, A), arrows->Map, frame, kArrowFrames, true);
        }
    }
}

// ---------------------------------------------------------------- TWScrollbar

TWScrollbar::TWScrollbar(TSkinControl* owner) : CW(GetSystemMetrics(SM_CXHSCROLL)), obj(owner) {}

void TWScrollbarRelease::operator()(TWScrollbar* bar) const {
    if (!bar) return;
    if (bar->busy_ == 0) {
        delete bar;
        return;
    }
    bar->orphaned_ = true;
    bar->obj = nullptr;  // the owner is going: nothing of it may be read any more
    bar->control = nullptr;
    bar->sbVisible = false;
    if (bar->window_) ShowWindow(bar->window_, SW_HIDE);
}

TWScrollbar::~TWScrollbar() {
    if (window_ && IsWindow(window_)) {
        RemoveWindowSubclass(window_, SubclassProc, 0);
        DestroyWindow(window_);
    }
}

void TWScrollbar::CreateOverlay(HWND parent) {
    if (window_ || !parent) return;
    RegisterOverlayClass();
    window_ = CreateWindowExW(WS_EX_TOOLWINDOW, kOverlayClass, L"", WS_CHILD | WS_CLIPSIBLINGS, 0, 0, 0, 0, parent,
                              nullptr, GetModuleHandleW(nullptr), nullptr);
    if (!window_) return;
    if (!SetWindowSubclass(window_, SubclassProc, 0, reinterpret_cast<DWORD_PTR>(this))) {
        // An overlay that cannot answer would hide the bar under a blank window.
        DestroyWindow(window_);
        window_ = nullptr;
    }
}

void TWScrollbar::Attach(TSkinControl* aobj, TWinControl* aControl, TScrollBarSource aType) {
    obj = aobj;
    control = aControl;
    hwnd = aControl ? aControl->Handle() : nullptr;
    sbType = aType;
    sbDir = static_cast<int>(aType);
    if (aType == TScrollBarSource::Control)
        sbDir = Lower(GetEnumProperty(aControl, L"Kind")) == L"sbhorizontal" ? 0 : 1;
    if (obj) Color = obj->GetParentColor(obj->SkinData() ? obj->SkinData()->Colors[csButtonFace] : clBtnFace);
    CreateOverlay(hwnd ? GetParent(hwnd) : nullptr);
    SetPosition(hwnd);
}

void TWScrollbar::AttachHwnd(TSkinControl* aobj, HWND ahwnd, TScrollBarSource aType) {
    obj = aobj;
    control = nullptr;
    hwnd = ahwnd;
    sbType = aType;
    sbDir = aType == TScrollBarSource::Control ? ((GetWindowLongPtrW(ahwnd, GWL_STYLE) & SBS_VERT) ? 1 : 0)
                                               : static_cast<int>(aType);
    CreateOverlay(ahwnd ? GetParent(ahwnd) : nullptr);
    SetPosition(hwnd);
}

bool TWScrollbar::GetControlInfo(SCROLLBARINFO& info) {
    info = SCROLLBARINFO{};
    info.cbSize = sizeof info;
    if (sbType == TScrollBarSource::Control) return GetControlInfo2(info);
    if (!obj || !obj->SkinData() || !hwnd) return false;
    return obj->SkinData()->GetScrollBarInfo(
        hwnd, sbType == TScrollBarSource::WindowHorizontal ? OBJID_HSCROLL : OBJID_VSCROLL, &info);
}

bool TWScrollbar::GetControlInfo2(SCROLLBARINFO& info) {
    info = SCROLLBARINFO{};
    info.cbSize = sizeof info;
    if (!hwnd || !IsWindow(hwnd)) return false;
    RECT r;
    GetWindowRect(hwnd, &r);
    if (HWND parent = GetParent(hwnd)) MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    info.rcScrollBar = r;
    SCROLLINFO si{sizeof si, SIF_RANGE | SIF_PAGE | SIF_POS | SIF_TRACKPOS, 0, 0, 0, 0, 0};
    if (!GetScrollInfo(hwnd, SB_CTL, &si)) return false;
    const int len = sbDir == 1 ? r.bottom - r.top : r.right - r.left;
    const TScrollThumb t = ControlThumb(len, CW, si.nMin, si.nMax, static_cast<int>(si.nPage), si.nPos);
    info.dxyLineButton = CW;
    info.xyThumbTop = t.start;
    info.xyThumbBottom = t.end;
    const LONG_PTR style = GetWindowLongPtrW(hwnd, GWL_STYLE);
    if (!(style & WS_VISIBLE)) info.rgstate[0] |= STATE_SYSTEM_INVISIBLE;
    if (!IsWindowEnabled(hwnd)) info.rgstate[0] |= STATE_SYSTEM_UNAVAILABLE;
    return true;
}

void TWScrollbar::HideScrollbar() {
    sbVisible = false;
    if (window_) ShowWindow(window_, SW_HIDE);
}

void TWScrollbar::SetEnabled(bool value) {
    if (window_) EnableWindow(window_, value ? TRUE : FALSE);
    Repaint();
}

void TWScrollbar::SetPosition(HWND ahwnd) {
    if (ahwnd) hwnd = ahwnd;
    SCROLLBARINFO info;
    if (!window_ || !GetControlInfo(info)) {
        sbVisible = false;
        return;
    }
    const bool shown = (GetWindowLongPtrW(hwnd, GWL_STYLE) & WS_VISIBLE) != 0;
    // Without arrows in the skin the native bar stays in sight.
    const bool drawable = obj && obj->SkinData() && Usable(obj->SkinData()->SArrow.get());
    if (!shown || !drawable || (info.rgstate[0] & STATE_SYSTEM_INVISIBLE)) {
        HideScrollbar();
        return;
    }
    HWND parent = GetParent(hwnd);
    RECT bar = info.rcScrollBar;  // screen; parent's client for a scroll-bar control
    if (sbType == TScrollBarSource::Control) {
        sbRect = bar;
        OffsetSC = POINT{bar.left, bar.top};
        ClientToScreen(parent, &OffsetSC);
    } else {
        OffsetSC = POINT{bar.left, bar.top};
        sbRect = bar;
        MapWindowPoints(nullptr, hwnd, reinterpret_cast<POINT*>(&sbRect), 2);
        MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&bar), 2);
    }
    Len = sbDir == 1 ? bar.bottom - bar.top : bar.right - bar.left;
    sbVisible = true;
    HWND after = GetWindow(hwnd, GW_HWNDPREV);
    UINT flags = SWP_SHOWWINDOW | SWP_NOACTIVATE;
    if (after == window_) flags |= SWP_NOZORDER;
    SetWindowPos(window_, after ? after : HWND_TOP, bar.left, bar.top, bar.right - bar.left, bar.bottom - bar.top,
                 flags);
    InvalidateRect(window_, nullptr, FALSE);
}

int TWScrollbar::GetScrollPos(POINT p) const {
    return ScrollPartAt(Along(p), CW, thumbTop, thumbbottom, Len);
}

void TWScrollbar::GetThumb() {
    POINT c;
    GetCursorPos(&c);
    const int along = sbDir == 1 ? c.y : c.x;
    const TScrollThumb t = DraggedThumb(trackthumb, thumbbottom - thumbTop, along - trackp, CW, Len);
    thumbTop = t.start;
    thumbbottom = t.end;
}

void TWScrollbar::Repaint() {
    if (window_ && sbVisible) Paint();
}

void TWScrollbar::Paint() {
    if (!window_ || !IsWindowVisible(window_)) return;
    WindowDC dc = WindowDC::Client(window_);
    if (dc.get()) PaintTo(dc.get());
}

void TWScrollbar::RepaintIfChanged() {
    if (!window_ || !sbVisible || !IsWindowVisible(window_)) return;
    TRect bar;
    TScrollBarLook look;
    if (!CurrentLook(bar, look)) return;
    if (drawn_ && bar == drawnBar_ && look == drawnLook_) return;
    WindowDC dc = WindowDC::Client(window_);
    if (dc.get()) Draw(dc.get(), bar, look);
}

void TWScrollbar::PaintTo(HDC dc) {
    TRect bar;
    TScrollBarLook look;
    if (CurrentLook(bar, look)) Draw(dc, bar, look);
}

void TWScrollbar::Draw(HDC dc, const TRect& bar, const TScrollBarLook& look) {
    drawn_ = true;
    drawnBar_ = bar;
    drawnLook_ = look;
    // The picture is composed once and copied in one transfer.
    PaintSkinScrollBar(dc, bar, *obj->SkinData(), look);
}

bool TWScrollbar::CurrentLook(TRect& bar, TScrollBarLook& look) {
    TSkinData* sd = obj ? obj->SkinData() : nullptr;
    if (!sd || !Usable(sd->SArrow.get())) return false;
    SCROLLBARINFO info;
    if (!GetControlInfo(info) || (info.rgstate[0] & STATE_SYSTEM_INVISIBLE)) return false;
    bar = FromRECT(info.rcScrollBar);
    bar = TRect{0, 0, bar.Width(), bar.Height()};
    RECT client;
    GetClientRect(window_, &client);
    if (bar.Right < 0 || bar.Bottom < 0 || bar.Right > client.right || bar.Bottom > client.bottom) return false;
    look = TScrollBarLook{};
    look.dir = sbDir;
    look.cw = CW;
    look.scrollpos = scrollpos;
    look.down = fdown;
    look.enabled = !(info.rgstate[0] & STATE_SYSTEM_UNAVAILABLE) && IsWindowEnabled(hwnd);
    Len = sbDir == 1 ? bar.Height() : bar.Width();
    if (fdown && scrollpos == spThumb && sbType != TScrollBarSource::Control) {
        GetThumb();
    } else {
        thumbTop = info.xyThumbTop;
        thumbbottom = info.xyThumbBottom;
    }
    look.thumbTop = thumbTop;
    look.thumbBottom = thumbbottom;
    return true;
}

void TWScrollbar::WMMouseMove(LPARAM lp) {
    if (!tracking_) {
        DoTrackMouse(window_);
        tracking_ = true;
    }
    if (fdown) return;
    const int part = GetScrollPos(POINT{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)});
    if (part != scrollpos) {
        scrollpos = part;
        Paint();
    }
}

void TWScrollbar::WMMouseLeave() {
    tracking_ = false;
    if (fdown) return;
    scrollpos = -1;
    Paint();
}

void TWScrollbar::WMLButtonDown(LPARAM lp) {
    POINT c;
    GetCursorPos(&c);
    trackp = sbDir == 1 ? c.y : c.x;
    SCROLLBARINFO info;
    if (GetControlInfo(info)) {
        thumbTop = info.xyThumbTop;
        thumbbottom = info.xyThumbBottom;
    }
    trackthumb = thumbTop;
    if (sbType == TScrollBarSource::Control && control) {
        const TScrollThumb t =
            ControlThumb(Len, CW, static_cast<int>(GetIntProperty(control, L"Min")),
                         static_cast<int>(GetIntProperty(control, L"Max")),
                         static_cast<int>(std::max<int64_t>(GetIntProperty(control, L"PageSize"), 0)),
                         static_cast<int>(GetIntProperty(control, L"Position")));
        trackthumb = t.start;
    }
    POINT p{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
    scrollpos = GetScrollPos(p);
    if (sbType != TScrollBarSource::Control) {
        p.x += OffsetSC.x;
        p.y += OffsetSC.y;
    }
    fdown = true;
    Paint();
    ReleaseCapture();
    HWND target = hwnd;
    // The platform tracks the press in its own loop until the button is
    // released; the owner may let go of this overlay meanwhile (a skin
    // switched off), and then it is freed here, once nothing uses it.
    ++busy_;
    if (sbType == TScrollBarSource::Control)
        SendMessageW(target, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(p.x, p.y));
    else
        SendMessageW(target, WM_NCLBUTTONDOWN, sbType == TScrollBarSource::WindowHorizontal ? HTHSCROLL : HTVSCROLL,
                     MAKELPARAM(p.x, p.y));
    if (--busy_ == 0 && orphaned_) {
        delete this;
        return;
    }
    if (orphaned_ || !IsWindow(window_)) return;
    fdown = false;
    ReleaseCapture();
    // Hot again where the cursor is now, or nothing when it left.
    GetCursorPos(&c);
    ScreenToClient(window_, &c);
    RECT client;
    GetClientRect(window_, &client);
    scrollpos = PtInRect(&client, c) ? GetScrollPos(c) : -1;
    // The platform's tracking took the mouse: ask for the leave notification anew.
    tracking_ = false;
    if (scrollpos != -1) {
        DoTrackMouse(window_);
        tracking_ = true;
    }
    Paint();
}

void TWScrollbar::WMLButtonUp(LPARAM lp) {
    POINT p{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
    if (sbType != TScrollBarSource::Control) {
        p.x += OffsetSC.x;
        p.y += OffsetSC.y;
    }
    fdown = false;
    ReleaseCapture();
    if (sbType == TScrollBarSource::Control) {
        PostMessageW(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(p.x, p.y));
        Paint();
    } else {
        PostMessageW(hwnd, WM_NCLBUTTONUP, sbType == TScrollBarSource::WindowHorizontal ? HTHSCROLL : HTVSCROLL,
                     MAKELPARAM(p.x, p.y));
    }
}

void TWScrollbar::ButtonUp() {
    fdown = false;
    ReleaseCapture();
    Paint();
}

LRESULT CALLBACK TWScrollbar::SubclassProc(HWND, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR ref) noexcept {
    auto* self = reinterpret_cast<TWScrollbar*>(ref);
    try {
        return self->Dispatch(msg, wp, lp);
    } catch (...) {
        // Painting logs nothing and carries on; nothing may unwind into the system.
        return 0;
    }
}

LRESULT TWScrollbar::Dispatch(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_MOUSEMOVE: WMMouseMove(lp); return 0;
        case WM_MOUSELEAVE: WMMouseLeave(); return 0;
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK: WMLButtonDown(lp); return 0;
        case WM_LBUTTONUP: WMLButtonUp(lp); return 0;
        case WM_ERASEBKGND: return 1;
        case WM_PAINT: {
            PaintDC dc(window_);
            if (dc.get()) PaintTo(dc.get());
            return 0;
        }
        case WM_PRINTCLIENT: PaintTo(reinterpret_cast<HDC>(wp)); return 0;
        case WM_MOUSEWHEEL:
            // The wheel belongs to the scrolled window.
            return SendMessageW(hwnd, msg, wp, lp);
        case WM_NCDESTROY: {
            HWND gone = window_;
            window_ = nullptr;
            sbVisible = false;
            const LRESULT r = DefSubclassProc(gone, msg, wp, lp);
            RemoveWindowSubclass(gone, SubclassProc, 0);
            return r;
        }
        default: return DefSubclassProc(window_, msg, wp, lp);
    }
}

// ---------------------------------------------------------------- TSkinScrollbar

TSkinScrollbar::~TSkinScrollbar() = default;

void TSkinScrollbar::InitScrollbar(TWinControl* acontrol, TSkinData* sd, TCanvas* acanvas, TWinSkinForm* sf) {
    if (Inited || !acontrol) return;
    fsd = sd;
    skinform = sf;
    control = acontrol;
    fCanvas = acanvas;
    hwnd = control->Handle();
    isunicode = IsWindowUnicode(hwnd) != FALSE;
    painted = IsNtAbove4Point0();
    if (skinform) skinform->AddControlList(this);
    border = Lower(GetEnumProperty(control, L"BorderStyle")) != L"bsnone";
    if (control->ClassName() == L"TImageScrollBox" || kind == 1) border = false;
    const TPropValue fixed = GetPropValue(*control, L"FixedColor");
    if (fixed.Kind == TTypeKind::tkInteger && fsd) {
        oldcolor = static_cast<TColor>(fixed.Ordinal);
        newColor = true;
        TPropValue v = fixed;
        v.Ordinal = fsd->Colors[csButtonFace];
        SetPropValue(*control, L"FixedColor", v);
    }
    hb = TWScrollbarPtr(new TWScrollbar(this));
    vb = TWScrollbarPtr(new TWScrollbar(this));
    hb->Attach(this, control, TScrollBarSource::WindowHorizontal);
    vb->Attach(this, control, TScrollBarSource::WindowVertical);
    for (TWScrollbar* b : {hb.get(), vb.get()}) {
        b->SetEnabled(control->Enabled());
        if (!control->Visible()) b->HideScrollbar();
    }
    HookWindowProc(control);
    // The new frame is drawn with the next paint, not at once.
    if (border)
        SetWindowPos(hwnd, nullptr, 0, 0, 0, 0,
                     SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_DEFERERASE);
    Inited = true;
    skinstate = 1;
}

void TSkinScrollbar::SetScrollbarPos() {
    if (hb) hb->SetPosition(hwnd);
    if (vb) vb->SetPosition(hwnd);
}

void TSkinScrollbar::DrawBorder(HDC dc, const TRect& rc) {
    try {
        if (!fsd || rc.IsEmpty()) return;
        UniqueBrush shadow(CreateSolidBrush(static_cast<COLORREF>(ColorToRGB(fsd->Colors[csButtonShadow]))));
        UniqueBrush face(CreateSolidBrush(static_cast<COLORREF>(ColorToRGB(fsd->Colors[csButtonFace]))));
        RECT r = ToRECT(rc);
        FrameRect(dc, &r, shadow.get());
        InflateRect(&r, -1, -1);
        FrameRect(dc, &r, face.get());
    } catch (...) {
        // A border not drawn is no reason to stop painting.
    }
}

void TSkinScrollbar::BENCPAINT(HDC dc) {
    RECT wr;
    if (!GetWindowRect(hwnd, &wr)) return;
    DrawBorder(dc, TRect{0, 0, wr.right - wr.left, wr.bottom - wr.top});
}

bool TSkinScrollbar::BeforeProc(TMessage& m) {
    if (m.Msg == WM_NCPAINT && border) {
        Default(m);
        WindowDC dc = WindowDC::Whole(hwnd);
        if (dc.get()) BENCPAINT(dc.get());
        m.Result = 0;
        return false;
    }
    return TSkinControl::BeforeProc(m);
}

void TSkinScrollbar::AfterProc(TMessage& m) {
    switch (m.Msg) {
        case WM_SIZE:
        case WM_WINDOWPOSCHANGED:
            sizing = true;
            SetScrollbarPos();
            break;
        case WM_HSCROLL:
        case WM_VSCROLL: {
            TWScrollbar* b = m.Msg == WM_HSCROLL ? hb.get() : vb.get();
            if (b && !m.LParam) {
                b->scrollpos = LOWORD(m.WParam);
                b->Repaint();
            }
            break;
        }
        case WM_MOUSEWHEEL:
        case WM_KEYDOWN:
            for (TWScrollbar* b : {hb.get(), vb.get()})
                if (b && b->sbVisible) b->RepaintIfChanged();
            break;
        case CM_VISIBLECHANGED:
            if (m.WParam) {
                SetScrollbarPos();
            } else {
                if (hb) hb->HideScrollbar();
                if (vb) vb->HideScrollbar();
            }
            break;
        case CM_ENABLEDCHANGED:
            for (TWScrollbar* b : {hb.get(), vb.get()})
                if (b && control) b->SetEnabled(control->Enabled());
            TSkinControl::AfterProc(m);
            break;
        case CN_SkinPaintFrame:
            if (m.LParam == SkinSignature) {
                if (m.WParam) BENCPAINT(reinterpret_cast<HDC>(m.WParam));
                m.Result = SkinSignature;
            }
            break;
        default: TSkinControl::AfterProc(m); break;
    }
}

void TSkinScrollbar::DrawControl(HDC dc, const TRect&) {
    const LONG_PTR style = GetWindowLongPtrW(hwnd, GWL_STYLE);
    if (vb) {
        if (vb->sbVisible)
            vb->Paint();
        else if (style & WS_VSCROLL)
            vb->SetPosition(hwnd);
    }
    if (hb) {
        if (hb->sbVisible)
            hb->Paint();
        else if (style & WS_HSCROLL)
            hb->SetPosition(hwnd);
    }
    if (hb && vb && hb->sbVisible && vb->sbVisible && fsd && dc) {
        // sbRect is in client coordinates; dc is the whole window's.
        POINT origin{0, 0};
        ClientToScreen(hwnd, &origin);
        RECT wr;
        GetWindowRect(hwnd, &wr);
        const int dx = origin.x - wr.left;
        const int dy = origin.y - wr.top;
        FillColor(dc, TRect{vb->sbRect.left + dx, hb->sbRect.top + dy, vb->sbRect.right + dx, hb->sbRect.bottom + dy},
                  fsd->Colors[csButtonFace]);
    }
}

void TSkinScrollbar::RepaintCorner() {
    WindowDC dc = WindowDC::Whole(hwnd);
    if (dc.get()) DrawControl(dc.get(), TRect{});
}

void TSkinScrollbar::SkinChange() {
    if (newColor && control && fsd) {
        TPropValue v = GetPropValue(*control, L"FixedColor");
        if (v.Kind == TTypeKind::tkInteger) {
            v.Ordinal = fsd->Colors[csButtonFace];
            SetPropValue(*control, L"FixedColor", v);
        }
    }
    // Placed again: a skin without arrows hides the overlays and leaves the
    // native bars in sight, one with arrows shows them again. Only marked
    // for painting: the form repaints all its children at once after a skin change.
    for (TWScrollbar* b : {hb.get(), vb.get()})
        if (b && b->Handle()) {
            b->SetPosition(hwnd);
            InvalidateRect(b->Handle(), nullptr, FALSE);
        }
    if (hwnd && IsWindow(hwnd)) RedrawWindow(hwnd, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE);
}

void TSkinScrollbar::Unsubclass() {
    if (!skinned) return;
    if (newColor && control && skinstate != 6) {
        TPropValue v = GetPropValue(*control, L"FixedColor");
        if (v.Kind == TTypeKind::tkInteger) {
            v.Ordinal = oldcolor;
            SetPropValue(*control, L"FixedColor", v);
        }
        newColor = false;  // the base must not set the control's colour back
    }
    const bool destroying = skinstate == 6;
    TSkinControl::Unsubclass();
    if (!destroying) {
        hb.reset();
        vb.reset();
        if (hwnd && IsWindow(hwnd)) RedrawWindow(hwnd, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW);
    }
}

// ---------------------------------------------------------------- TSkinScControl

TSkinScControl::~TSkinScControl() = default;

void TSkinScControl::InitScrollbar(TWinControl* acontrol, TSkinData* sd, TCanvas* acanvas, TWinSkinForm* sf) {
    if (Inited || !acontrol) return;
    fsd = sd;
    skinform = sf;
    control = acontrol;
    fCanvas = acanvas;
    hwnd = control->Handle();
    isunicode = IsWindowUnicode(hwnd) != FALSE;
    if (skinform) skinform->AddControlList(this);
    sb = TWScrollbarPtr(new TWScrollbar(this));
    const TPropValue showHint = GetPropValue(*control, L"ShowHint");
    sb->ShowHint = showHint.Kind == TTypeKind::tkEnumeration && showHint.Ordinal != 0;
    sb->Hint = GetStringProp(control, L"Hint");
    sb->Attach(this, control, TScrollBarSource::Control);
    if (!control->Visible()) sb->HideScrollbar();
    HookWindowProc(control);
    Inited = true;
    skinstate = 1;
}

bool TSkinScControl::BeforeProc(TMessage& m) {
    // While the overlay covers the whole bar, the bar's own picture is never
    // seen: it is not drawn (the system's scroll bar is slow to draw).
    const bool covered = sb && sb->sbVisible && sb->Handle() && IsWindowVisible(sb->Handle());
    switch (m.Msg) {
        case WM_ERASEBKGND:
            if (!covered) break;
            m.Result = 1;
            return false;
        case WM_PAINT:
            if (!covered || m.WParam) break;  // a DC given: a print, drawn as usual
            ValidateRect(hwnd, nullptr);
            m.Result = 0;
            return false;
        default: break;
    }
    return TSkinControl::BeforeProc(m);
}

void TSkinScControl::AfterProc(TMessage& m) {
    switch (m.Msg) {
        case WM_NCPAINT:
            if (control) hwnd = control->Handle();
            [[fallthrough]];
        case WM_WINDOWPOSCHANGED:
            if (sb) sb->SetPosition(hwnd);
            break;
        case SBM_SETSCROLLINFO:
        case SBM_SETPOS:
        case SBM_SETRANGE:
        case CN_HSCROLL:
        case CN_VSCROLL:
            if (sb) sb->Repaint();
            break;
        case CM_VISIBLECHANGED:
            if (!sb) break;
            if (m.WParam)
                sb->SetPosition(hwnd);
            else
                sb->HideScrollbar();
            break;
        case CM_ENABLEDCHANGED:
            if (sb && control) sb->SetEnabled(control->Enabled());
            break;
        default: TSkinControl::AfterProc(m); break;
    }
}

void TSkinScControl::SkinChange() {
    // The bar was validated while covered: once the overlay hides (a skin
    // without arrows) the control must paint itself again.
    if (sb) sb->SetPosition(hwnd);
    TSkinControl::SkinChange();
}

void TSkinScControl::DrawControl(HDC, const TRect&) {
    if (sb) sb->Repaint();
}

void TSkinScControl::Unsubclass() {
    if (!skinned) return;
    const bool destroying = skinstate == 6;
    TSkinControl::Unsubclass();
    if (!destroying) sb.reset();
}

// ---------------------------------------------------------------- TSkinScrollbarH

TSkinScrollbarH::~TSkinScrollbarH() = default;

void TSkinScrollbarH::Inithwnd(HWND ahwnd, TSkinData* sd, TCanvas* acanvas, TWinSkinForm* sf) {
    if (Inited || !ahwnd) return;
    hb = TWScrollbarPtr(new TWScrollbar(this));
    vb = TWScrollbarPtr(new TWScrollbar(this));
    fsd = sd;
    hb->AttachHwnd(this, ahwnd, TScrollBarSource::WindowHorizontal);
    vb->AttachHwnd(this, ahwnd, TScrollBarSource::WindowVertical);
    TSkinControl::Inithwnd(ahwnd, sd, acanvas, sf);
}

void TSkinScrollbarH::Place() {
    if (hb) hb->SetPosition(hwnd);
    if (vb) vb->SetPosition(hwnd);
}

void TSkinScrollbarH::AfterProc(TMessage& m) {
    if (!IsWindowVisible(hwnd)) {
        if (vb) vb->HideScrollbar();
        if (hb) hb->HideScrollbar();
    }
    switch (m.Msg) {
        case WM_SIZE:
        case WM_NCPAINT:
        case WM_WINDOWPOSCHANGED:
            if (IsWindowVisible(hwnd)) Place();
            break;
        case WM_HSCROLL:
        case WM_VSCROLL: {
            TWScrollbar* b = m.Msg == WM_HSCROLL ? hb.get() : vb.get();
            if (b) {
                b->scrollpos = LOWORD(m.WParam);
                b->Repaint();
            }
            break;
        }
        case WM_MOUSEWHEEL:
        case WM_KEYDOWN:
            if (hb) hb->Repaint();
            if (vb) vb->Repaint();
            break;
        default: TSkinControl::AfterProc(m); break;
    }
}

void TSkinScrollbarH::SkinChange() {
    Place();  // hidden under a skin without arrows, shown again under one with them
    TSkinControl::SkinChange();
}

void TSkinScrollbarH::DrawControl(HDC dc, const TRect&) {
    const LONG_PTR style = GetWindowLongPtrW(hwnd, GWL_STYLE);
    for (TWScrollbar* b : {hb.get(), vb.get()}) {
        if (!b) continue;
        if (b->sbVisible)
            b->Paint();
        else if (style & (b == vb.get() ? WS_VSCROLL : WS_HSCROLL))
            b->SetPosition(hwnd);
    }
    if (hb && vb && hb->sbVisible && vb->sbVisible && fsd && dc) {
        POINT origin{0, 0};
        ClientToScreen(hwnd, &origin);
        RECT wr;
        GetWindowRect(hwnd, &wr);
        const int dx = origin.x - wr.left;
        const int dy = origin.y - wr.top;
        FillColor(dc, TRect{vb->sbRect.left + dx, hb->sbRect.top + dy, vb->sbRect.right + dx, hb->sbRect.bottom + dy},
                  fsd->Colors[csButtonFace]);
    }
}

void TSkinScrollbarH::Unsubclass() {
    if (!skinned) return;
    const bool destroying = skinstate == 6;
    TSkinControl::Unsubclass();
    if (!destroying) {
        hb.reset();
        vb.reset();
    }
}

// ---------------------------------------------------------------- TComboxScrollBar

void TComboxScrollBar::Inithwnd(HWND ahwnd, TSkinData* sd, TCanvas* acanvas, TWinSkinForm* sf) {
    cw = GetSystemMetrics(SM_CXHSCROLL);
    painted = IsNtAbove4Point0();
    TSkinControl::Inithwnd(ahwnd, sd, acanvas, sf);
    PaintScrollbar();
}

bool TComboxScrollBar::BeforeProc(TMessage& m) {
    switch (m.Msg) {
        case WM_NCPAINT:
            Default(m);
            PaintScrollbar();
            return false;
        case WM_NCMOUSEMOVE:
            if (m.WParam == HTVSCROLL || m.WParam == HTHSCROLL) {
                m.Result = 0;
                return false;
            }
            return true;
        case WM_NCLBUTTONDOWN:
            if ((m.WParam == HTVSCROLL || m.WParam == HTHSCROLL) &&
                TrackThumb(static_cast<int>(m.WParam), POINT{GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam)})) {
                m.Result = 0;
                return false;
            }
            return true;
        default: return TSkinControl::BeforeProc(m);
    }
}

void TComboxScrollBar::AfterProc(TMessage& m) {
    switch (m.Msg) {
        case WM_HSCROLL:
        case WM_VSCROLL:
        case LB_SysScrolled:
        // The list scrolls itself on these too, and its bar is then drawn natively.
        case WM_MOUSEWHEEL:
        case WM_KEYDOWN:
        case WM_PAINT:
        case LB_SETTOPINDEX:
        case LB_SETCURSEL: PaintScrollbar(); break;
        default: TSkinControl::AfterProc(m); break;
    }
}

void TComboxScrollBar::PaintScrollbar() {
    if (!hwnd || !IsWindow(hwnd) || !fsd || !Usable(fsd->SArrow.get())) return;
    WindowDC dc = WindowDC::Whole(hwnd);
    if (!dc.get()) return;
    PaintBar(dc.get(), OBJID_VSCROLL);
    PaintBar(dc.get(), OBJID_HSCROLL);
}

void TComboxScrollBar::PaintBar(HDC windowDC, LONG idObject) {
    SCROLLBARINFO info{};
    info.cbSize = sizeof info;
    if (!fsd->GetScrollBarInfo(hwnd, idObject, &info) || (info.rgstate[0] & STATE_SYSTEM_INVISIBLE)) return;
    RECT wr;
    GetWindowRect(hwnd, &wr);
    RECT bar = info.rcScrollBar;
    OffsetRect(&bar, -wr.left, -wr.top);
    if (bar.right <= bar.left || bar.bottom <= bar.top) return;
    const int dir = idObject == OBJID_VSCROLL ? 1 : 0;
    TScrollBarLook look;
    look.dir = dir;
    look.cw = cw;
    look.enabled = !(info.rgstate[0] & STATE_SYSTEM_UNAVAILABLE) && IsWindowEnabled(hwnd);
    look.scrollpos = dir == sbDir ? scrollpos : -1;
    look.down = fdown && dir == sbDir;
    if (fdown && dir == sbDir) {
        look.thumbTop = thumbtop;
        look.thumbBottom = thumbBottom;
    } else {
        look.thumbTop = info.xyThumbTop;
        look.thumbBottom = info.xyThumbBottom;
    }
    PaintSkinScrollBar(windowDC, FromRECT(bar), *fsd, look);
}

bool TComboxScrollBar::TrackThumb(int hit, POINT screen) {
    if (!fsd) return false;
    const LONG id = hit == HTVSCROLL ? OBJID_VSCROLL : OBJID_HSCROLL;
    SCROLLBARINFO info{};
    info.cbSize = sizeof info;
    if (!fsd->GetScrollBarInfo(hwnd, id, &info)) return false;
    const int dir = hit == HTVSCROLL ? 1 : 0;
    const int along = dir == 1 ? screen.y - info.rcScrollBar.top : screen.x - info.rcScrollBar.left;
    if (along < info.xyThumbTop || along >= info.xyThumbBottom) return false;
    const int bar = dir == 1 ? SB_VERT : SB_HORZ;
    SCROLLINFO si{sizeof si, SIF_ALL, 0, 0, 0, 0, 0};
    if (!GetScrollInfo(hwnd, bar, &si)) return false;

    sbDir = dir;
    len = dir == 1 ? info.rcScrollBar.bottom - info.rcScrollBar.top : info.rcScrollBar.right - info.rcScrollBar.left;
    trackp = dir == 1 ? screen.y : screen.x;
    trackthumb = info.xyThumbTop;
    thumbtop = info.xyThumbTop;
    thumbBottom = info.xyThumbBottom;
    const int thumbLength = thumbBottom - thumbtop;
    const int freeTrack = std::max(len - 2 * cw - thumbLength, 1);
    const int lastPos = si.nPage ? std::max(si.nMin, si.nMax - static_cast<int>(si.nPage) + 1) : si.nMax;
    const UINT scrollMsg = dir == 1 ? WM_VSCROLL : WM_HSCROLL;
    int pos = si.nPos;
    scrollpos = spThumb;
    fdown = true;
    HWND previousCapture = GetCapture();
    SetCapture(hwnd);
    PaintScrollbar();
    MSG msg;
    bool done = false;
    // The loop runs inside this object's own message handling: a skin
    // switched off meanwhile (skinned cleared, the object's freeing held
    // back until the handling returns) ends the drag.
    while (!done && skinned && IsWindow(hwnd) && GetCapture() == hwnd) {
        if (!PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            WaitMessage();
            continue;
        }
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        if (msg.message == WM_MOUSEMOVE || msg.message == WM_LBUTTONUP) {
            POINT c;
            GetCursorPos(&c);
            const int delta = (dir == 1 ? c.y : c.x) - trackp;
            const TScrollThumb t = DraggedThumb(trackthumb, thumbLength, delta, cw, len);
            thumbtop = t.start;
            thumbBottom = t.end;
            const int newPos = std::clamp(
                si.nMin + ScrollMulDiv(t.start - cw, std::max(lastPos - si.nMin, 0), freeTrack), si.nMin, lastPos);
            if (msg.message == WM_LBUTTONUP) {
                SendMessageW(hwnd, scrollMsg, MAKEWPARAM(SB_THUMBPOSITION, pos), 0);
                done = true;
            } else if (newPos != pos) {
                pos = newPos;
                SendMessageW(hwnd, scrollMsg, MAKEWPARAM(SB_THUMBTRACK, pos), 0);
            }
            PaintScrollbar();
            continue;
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    fdown = false;
    scrollpos = -1;
    if (IsWindow(hwnd)) {
        if (GetCapture() == hwnd) ReleaseCapture();
        if (previousCapture && IsWindow(previousCapture)) SetCapture(previousCapture);
        if (skinned) PaintScrollbar();
    }
    return true;
}
