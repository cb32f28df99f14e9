#include "skin/controls/SkinButtons.h"

#include "framework/graphics/GdiHandles.h"
#include "framework/streaming/PublishedProperties.h"
#include "framework/system/ErrorsAndStrings.h"
#include "skin/draw/DrawUtils.h"

namespace {

bool SkinHasButton(const TSkinData* sd) {
    return sd && sd->Button && !sd->Button->Map.Empty();
}

bool IsTrueText(const std::wstring& s) {
    return LowerCaseAscii(s) == L"true";
}

COLORREF Rgb(TColor c) {
    return static_cast<COLORREF>(ColorToRGB(c));
}

}  // namespace

// ---------------------------------------------------------------- push button

void TSkinButton::Init(TWinSkinForm* sf, TSkinData* sd, TCanvas* acanvas, bool acolor) {
    if (Inited) return;
    if (auto* owner = dynamic_cast<TControl*>(Owner())) {
        const std::wstring cls = LowerCaseAscii(owner->ClassName());
        // Such buttons do their own mouse-down handling.
        kind = cls.rfind(L"trz", 0) == 0 || cls.rfind(L"tel", 0) == 0 ? 1 : 0;
        trans = owner->Tag() == 5555 || (sd && sd->Options().Contains(xoTransparent));
    }
    TSkinControl::Init(sf, sd, acanvas, acolor);
}

void TSkinButton::Inithwnd(HWND ahwnd, TSkinData* sd, TCanvas* acanvas, TWinSkinForm* sf) {
    trans = sd && sd->Options().Contains(xoTransparent);
    TSkinControl::Inithwnd(ahwnd, sd, acanvas, sf);
}

void TSkinButton::SetHot(bool hot) {
    if (!skinform) return;
    if (hot)
        skinform->Activeskincontrol = this;
    else if (skinform->Activeskincontrol == this)
        skinform->Activeskincontrol = nullptr;
}

bool TSkinButton::BeforeProc(TMessage& m) {
    // Without a button image the control paints and presses itself.
    if (!SkinHasButton(fsd)) return TSkinControl::BeforeProc(m);
    switch (m.Msg) {
        case WM_TIMER: KillTimer(hwnd, 1); return false;
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
            if (GetFocus() != hwnd) SetFocus(hwnd);
            state |= scDown;
            PaintControl(nullptr);
            return false;
        default: return TSkinControl::BeforeProc(m);
    }
}

void TSkinButton::AfterProc(TMessage& m) {
    switch (m.Msg) {
        case WM_SETTEXT: PaintControl(nullptr); break;
        case WM_KEYDOWN:
            if (m.WParam == VK_SPACE) {
                state |= scDown;
                Invalidate();
            }
            break;
        case WM_KEYUP:
            if (m.WParam == VK_SPACE) {
                state &= static_cast<TSkinControlState>(~scDown);
                Invalidate();
            }
            break;
        case WM_MOUSEMOVE:
            if (IsWindowEnabled(hwnd) && !(state & scMouseIn)) {
                state |= scMouseIn;
                SetHot(true);
                Invalidate();
            }
            DoTrackMouse(hwnd);
            break;
        case WM_LBUTTONUP:
            if (state & scDown) {
                state &= static_cast<TSkinControlState>(~scDown);
                Invalidate();
                // Last: the click handler may destroy the control and this object.
                PerformClick();
            }
            break;
        case WM_MOUSELEAVE:
        case CM_MOUSELEAVE:
            state &= static_cast<TSkinControlState>(~(scMouseIn | scDown));
            SetHot(false);
            Invalidate();
            break;
        case CM_DIALOGKEY:
        case CM_FOCUSCHANGED:
        // The system button paints itself straight away on these.
        case BM_SETSTATE:
        case BM_SETSTYLE: Invalidate(); break;
        default: TSkinControl::AfterProc(m); break;
    }
}

TSkinPaint TSkinButton::PaintMode() const {
    // Without a button image the control paints itself.
    return SkinHasButton(fsd) ? TSkinPaint::Whole : TSkinPaint::Over;
}

void TSkinButton::PerformClick() {
    const int id = GetDlgCtrlID(hwnd);
    if (control) {
        // The framework button clicks on the reflected notification.
        control->Perform(CN_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(hwnd));
        return;
    }
    // Every bare button tells its parent which one it is: a dialog (a
    // message box) acts on the identifier.
    PostMessageW(GetParent(hwnd), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(hwnd));
}

void TSkinButton::SkinChange() {
    facesKey_ = TRect{};
    for (TBitmap& f : faces_) f.SetSize(0, 0);
    TSkinControl::SkinChange();
}

int TSkinButton::ButtonFrame() const {
    if (!enabled) return 3;
    if (state & scDown) return 2;
    if (state & scMouseIn) return 4;
    if (focused || isdefault) return 5;
    return 1;
}

TColor TSkinButton::GetFontColor(int frame, TColor base) const {
    const TDataSkinButton& b = *fsd->Button;
    TColor c = base;
    if (b.newnormal) c = b.Normalcolor2;
    if (frame == 4 && b.newover) c = b.Overcolor2;
    if (frame == 2 && b.newdown) c = b.Downcolor2;
    if (frame == 3) c = clBtnShadow;
    return c;
}

void TSkinButton::DrawControl(HDC dc, const TRect& rc) {
    if (!SkinHasButton(fsd)) return;
    focused = GetFocus() == hwnd;
    enabled = !(GetWindowLongW(hwnd, GWL_STYLE) & WS_DISABLED);
    isdefault = IsTrueText(GetEnumProperty(control, L"Default"));
    if (control) {
        caption = control->Caption();
        MultiLine = IsTrueText(GetEnumProperty(control, L"MultiLine"));
    } else {
        caption = WindowText();
        isdefault = isdefault || (GetWindowLongW(hwnd, GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
    }
    const int frame = ButtonFrame();
    const TDataSkinButton& b = *fsd->Button;
    const int frames = b.frame > 0 ? b.frame : 5;
    if (trans) {
        DrawParentImage(hwnd, dc, false);
        DrawSkinMap(dc, rc, &b, frame, frames);
    } else {
        const TRect r{0, 0, rc.Width(), rc.Height()};
        if (facesKey_ != r) {
            for (TBitmap& f : faces_) f.SetSize(0, 0);
            facesKey_ = r;
        }
        TBitmap& face = faces_[static_cast<size_t>(frame)];
        if (face.Empty()) {
            face.SetSize(r.Width(), r.Height());
            if (HDC f = face.DC()) {
                FillBG(f, r);
                DrawSkinMap(f, r, &b, frame, frames);
            }
        }
        BitBlt(dc, rc.Left, rc.Top, r.Width(), r.Height(), face.DC(), 0, 0, SRCCOPY);
    }
    HFONT font = control ? control->Font().Handle() : WindowFont();
    const TColor base = control ? control->Font().Color : fsd->Colors[csButtonText];
    SelectGuard selected(dc, font);
    SetTextColor(dc, Rgb(GetFontColor(frame, base)));
    DrawBtnText(dc, rc, DT_CENTER);
}

void TSkinButton::DrawBtnText(HDC dc, const TRect& rc, UINT Alignment) {
    caption = StringReplaceW(caption, L"||", L"\r\n");
    const TRect box{rc.Left + 2, rc.Top + 2, rc.Right - 2, rc.Bottom - 2};
    RECT calc{0, 0, box.Width(), box.Height()};
    Tnt_DrawTextW(dc, caption, calc, Alignment | DT_MeasureBlock);
    const int tw = calc.right - calc.left;
    const int th = calc.bottom - calc.top;
    RECT r{};
    if (Alignment & DT_CENTER) {
        r.left = box.Left + (box.Width() - tw) / 2;
        r.right = r.left + tw;
    } else {
        r.left = box.Left;
        r.right = box.Right;
    }
    r.top = box.Top + (box.Height() - th) / 2 - 1;
    r.bottom = r.top + th;
    SetBkMode(dc, TRANSPARENT);
    Tnt_DrawTextW(dc, caption, r, CheckBiDi(Alignment | 0x50));
    if (focused && !fsd->Options().Contains(xoNoFocusRect) && !caption.empty()) {
        InflateRect(&r, 2, 2);
        DrawFocusRect(dc, &r);
    }
}

// ---------------------------------------------------------------- check box

void TSkinCheckBox::Init(TWinSkinForm* sf, TSkinData* sd, TCanvas* acanvas, bool acolor) {
    if (Inited) return;
    fsd = sd;
    UpdateKind();
    if (auto* owner = dynamic_cast<TControl*>(Owner()))
        trans = owner->Tag() == 5555 || (sd && sd->Options().Contains(xoTransparent));
    TSkinControl::Init(sf, sd, acanvas, acolor);
}

void TSkinCheckBox::UpdateKind() {
    const TBitmap* strip = Strip();
    kind = strip && !strip->Empty() ? 1 : 0;
}

void TSkinCheckBox::SkinChange() {
    // A bare window keeps painting itself; a framework control follows the
    // new skin's strip, or paints itself when that strip is empty.
    if (Inited && control) UpdateKind();
    TSkinControl::SkinChange();
}

const TBitmap* TSkinCheckBox::Strip() const {
    return fsd && fsd->Button ? &fsd->Button->CheckMap : nullptr;
}

int TSkinCheckBox::StripFrames() const {
    return fsd && fsd->Button && fsd->Button->checkframe > 0 ? fsd->Button->checkframe : 1;
}

TSkinPaint TSkinCheckBox::PaintMode() const {
    // kind 0 leaves the control's own painting, with the box drawn over it.
    const TBitmap* strip = Strip();
    return kind == 1 && strip && !strip->Empty() ? TSkinPaint::Whole : TSkinPaint::Over;
}

std::optional<LRESULT> TSkinCheckBox::EraseBackground(HDC dc) {
    if (!trans) return std::nullopt;
    DrawParentImage(hwnd, dc, false);
    return 1;
}

void TSkinCheckBox::AfterProc(TMessage& m) {
    switch (m.Msg) {
        case BM_SETCHECK:
            state = static_cast<int32_t>(m.WParam) + 1;
            Invalidate();
            break;
        case WM_LBUTTONDOWN:
        case WM_LBUTTONUP:
        case WM_LBUTTONDBLCLK:
        case BM_SysRedrawnB01B:
        case BM_SysRedrawnB0D0:
        case BM_SETSTATE: Invalidate(); break;
        default: TSkinControl::AfterProc(m); break;
    }
}

int TSkinCheckBox::GlyphFrame() const {
    const LRESULT bs = SendMessageW(hwnd, BM_GETSTATE, 0, 0);
    int s = (bs & BST_CHECKED) ? 2 : 1;
    if (control) {
        const TPropValue st = GetPropValue(*control, L"State");
        if (!st.IsEmpty()) {
            const std::wstring v = LowerCaseAscii(st.Text);
            if (v.find(L"uncheck") != std::wstring::npos)
                s = 1;
            else if (v.find(L"check") != std::wstring::npos)
                s = 2;
            else if (v.find(L"gray") != std::wstring::npos)
                s = 4;
        } else {
            const TPropValue ch = GetPropValue(*control, L"Checked");
            if (!ch.IsEmpty()) s = IsTrueText(ch.Text) ? 2 : 1;
        }
        if (!GetPropValue(*control, L"DataField").IsEmpty() && state != 0) s = state == 3 ? 4 : state;
        if (!GetPropValue(*control, L"DataBinding").IsEmpty()) s = 1;
    }
    const bool disabled = !IsWindowEnabled(hwnd);
    if (disabled) s += 2;
    const bool indeterminate = (bs & BST_INDETERMINATE) != 0;
    if (indeterminate) s = 4;
    if (StripFrames() == 12) {
        if (indeterminate) return disabled ? 12 : 9;
        if (s == 2) return 5;
        if (s == 3) return 4;
        if (s == 4) return 8;
    }
    return s;
}

TRect TSkinCheckBox::BoxRect(const TRect& rc, int boxWidth, int boxHeight, bool& leftText) const {
    leftText = (GetWindowLongW(hwnd, GWL_STYLE) & BS_LEFTTEXT) != 0;
    const int top = rc.Top + (rc.Height() - boxHeight) / 2;
    const int left = leftText ? rc.Right - RightInset() - boxWidth : rc.Left;
    return TRect{left, top, left + boxWidth, top + boxHeight};
}

void TSkinCheckBox::DrawBox(HDC dc, const TRect& rc) {
    const TBitmap* strip = Strip();
    if (!strip || strip->Empty()) return;
    const int frames = StripFrames();
    bool leftText = false;
    const TRect box = BoxRect(rc, strip->Width() / frames, strip->Height(), leftText);
    DrawSkinMap2(dc, box, *strip, GlyphFrame(), frames);
}

void TSkinCheckBox::DrawControl(HDC dc, const TRect& rc) {
    const TBitmap* strip = Strip();
    if (!strip || strip->Empty()) return;
    if (kind != 1) {
        // The control painted itself; only the box is the skin's.
        DrawBox(dc, rc);
        return;
    }
    if (trans)
        DrawParentImage(hwnd, dc, false);
    else
        FillBG(dc, rc);
    DrawBox(dc, rc);
    const int frames = StripFrames();
    const int boxWidth = strip->Width() / frames;
    bool leftText = false;
    const TRect box = BoxRect(rc, boxWidth, strip->Height(), leftText);
    TRect textBox =
        leftText ? TRect{rc.Left, rc.Top, box.Left - 2, rc.Bottom} : TRect{box.Right + 2, rc.Top, rc.Right, rc.Bottom};
    UINT align = 0;
    if (leftText && (GetWindowLongW(hwnd, GWL_EXSTYLE) & WS_EX_RTLREADING)) align = DT_RIGHT | DT_RTLREADING;
    const std::wstring text = control ? control->Caption() : WindowText();
    SavedDCState saved(dc);
    SelectGuard font(dc, control ? control->Font().Handle() : WindowFont());
    const bool isEnabled = IsWindowEnabled(hwnd) != FALSE;
    SetTextColor(dc, Rgb(!isEnabled ? clBtnShadow : control ? control->Font().Color : clWindowText));
    SetBkMode(dc, TRANSPARENT);
    RECT calc{0, 0, textBox.Width(), textBox.Height()};
    Tnt_DrawTextW(dc, text, calc, DT_MeasureBlock | align);
    const int th = calc.bottom - calc.top;
    RECT r{textBox.Left, textBox.Top + (textBox.Height() - th) / 2, textBox.Right,
           textBox.Top + (textBox.Height() - th) / 2 + th};
    if (GetFocus() == hwnd && !text.empty() && IsVista()) DrawFocus(dc, text, FromRECT(r), 0x50 | align);
    Tnt_DrawTextW(dc, text, r, CheckBiDi(0x50 | align));
}

// ---------------------------------------------------------------- radio button

const TBitmap* TSkinRadioButton::Strip() const {
    return fsd && fsd->Button ? &fsd->Button->RadioMap : nullptr;
}

int TSkinRadioButton::StripFrames() const {
    return fsd && fsd->Button && fsd->Button->radioframe > 0 ? fsd->Button->radioframe : 1;
}

void TSkinRadioButton::AfterProc(TMessage& m) {
    switch (m.Msg) {
        case BM_SETCHECK:
        case WM_LBUTTONDOWN:
        case WM_LBUTTONUP:
        case WM_LBUTTONDBLCLK:
        case BM_SysRedrawnB01B:
        case BM_SysRedrawnB0D0:
        case BM_SETSTATE: Invalidate(); break;
        default: TSkinControl::AfterProc(m); break;
    }
}

int TSkinRadioButton::GlyphFrame() const {
    int s = SendMessageW(hwnd, BM_GETCHECK, 0, 0) == BST_CHECKED ? 2 : 1;
    if (control) {
        const TPropValue ch = GetPropValue(*control, L"Checked");
        if (!ch.IsEmpty()) s = IsTrueText(ch.Text) ? 2 : 1;
    }
    if (!IsWindowEnabled(hwnd)) s += 2;
    if (StripFrames() == 8) {
        if (s == 2) return 5;
        if (s == 3) return 4;
        if (s == 4) return 8;
    }
    return s;
}
