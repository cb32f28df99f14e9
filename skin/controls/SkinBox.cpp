#include "skin/controls/SkinBox.h"

#include "framework/controls/FormsAndApplication.h"
#include "framework/controls/ToolBars.h"
#include "framework/graphics/GdiHandles.h"
#include "skin/draw/DrawUtils.h"

namespace {

COLORREF FaceOf(const TSkinData* sd) {
    return static_cast<COLORREF>(ColorToRGB(sd ? sd->Colors[csButtonFace] : clBtnFace));
}

// The skin's BGBrush, or a face-coloured brush kept in own (remade when the colour changed).
HBRUSH BackgroundBrush(TSkinData* sd, UniqueBrush& own) {
    if (sd && sd->BGBrush) return sd->BGBrush.get();
    const COLORREF face = FaceOf(sd);
    LOGBRUSH lb{};
    if (!own || GetObjectW(own.get(), sizeof lb, &lb) != sizeof lb || lb.lbColor != face)
        own.reset(CreateSolidBrush(face));
    return own.get();
}

}  // namespace

// ---------------------------------------------------------------- TSkinBox

TSkinBox::~TSkinBox() {
    ReleaseToolbarPainters();
}

void TSkinBox::Init(TWinSkinForm* sf, TSkinData* sd, TCanvas* acanvas, bool acolor) {
    // Colour only: the control paints itself. It is hooked all the same, so
    // it answers as skinned and is never offered to the tables twice. A
    // nested form has its own form object in its handler chain: that one
    // answers for it, and a hook here could not be taken off in any order.
    if (Inited) return;
    newColor = acolor;
    fsd = sd;
    skinform = sf;
    fCanvas = acanvas;
    control = dynamic_cast<TWinControl*>(Owner());
    if (!control) return;
    hwnd = control->WindowHandle();
    if (!dynamic_cast<TForm*>(control)) HookWindowProc(control);
    if (skinform) skinform->AddControlList(this);
    if (newColor && fsd) {
        oldcolor = control->Color();
        control->SetColor(fsd->Colors[csButtonFace]);
    }
    Inited = true;
    skinstate = 1;
}

void TSkinBox::Unsubclass() {
    ReleaseToolbarPainters();
    if (newColor && control && skinstate != 4 && skinstate != 6) control->SetColor(oldcolor);
    skinned = false;
    skinstate = 2;
}

void TSkinBox::SetToolbarPainters(TToolBar* bar, unsigned which) {
    toolBar_ = bar;
    painters_ = which;
}

void TSkinBox::ReleaseToolbarPainters() {
    if (!toolBar_ || !painters_) return;
    // A bar being freed owns us: its events go with it.
    if (!(toolBar_->ComponentState() & csDestroying)) {
        TToolBarPainter::DetachToolbarPainters(*toolBar_, painters_);
        if (HWND h = toolBar_->WindowHandle()) InvalidateRect(h, nullptr, TRUE);
    }
    painters_ = 0;
}

// ---------------------------------------------------------------- TSkinBoxH

HBRUSH TSkinBoxH::FaceBrush() {
    return BackgroundBrush(fsd, ownBrush_);
}

std::optional<LRESULT> TSkinBoxH::EraseBackground(HDC dc) {
    RECT r{};
    GetClientRect(hwnd, &r);
    DrawControl(dc, TRect{r.left, r.top, r.right, r.bottom});
    return 0;
}

bool TSkinBoxH::BeforeProc(TMessage& m) {
    switch (m.Msg) {
        case WM_CTLCOLORSTATIC:
            // The window sets its text colours first; the background becomes the face.
            Default(m);
            SetBkColor(reinterpret_cast<HDC>(m.WParam), FaceOf(fsd));
            m.Result = reinterpret_cast<LRESULT>(FaceBrush());
            return false;
        default: return TSkinControl::BeforeProc(m);
    }
}

void TSkinBoxH::DrawControl(HDC dc, const TRect& rc) {
    if (!dc) return;
    const RECT r = ToRECT(rc);
    FillRect(dc, &r, FaceBrush());
}

// ---------------------------------------------------------------- TSkinSizer

void TSkinSizer::DrawControl(HDC dc, const TRect& rc) {
    FillBG(dc, rc);
}

// ---------------------------------------------------------------- TSkinGroupBox

void TSkinGroupBox::Init(TWinSkinForm* sf, TSkinData* sd, TCanvas* acanvas, bool acolor) {
    // Before attaching: the first paint comes from within Init.
    kind = 1;
    TSkinControl::Init(sf, sd, acanvas, acolor);
}

TSkinPaint TSkinGroupBox::PaintMode() const {
    // A bare window (kind 0) keeps what it drew; the frame is drawn over it.
    return kind == 1 ? TSkinPaint::Whole : TSkinPaint::Over;
}

void TSkinGroupBox::DrawControl(HDC dc, const TRect& rc) {
    DefaultDraw(dc, rc);
}

void TSkinGroupBox::DefaultDraw(HDC dc, const TRect& rc) {
    std::wstring text = WindowText();
    if (text.empty() && control) text = GetProperty(control, L"Caption");
    const COLORREF face = FaceOf(fsd);
    if (control) FillColor(dc, rc, fsd ? fsd->Colors[csButtonFace] : clBtnFace);
    // Declared before the saved state, so it is deselected before it goes.
    UniquePen pen(
        CreatePen(PS_SOLID, 1, static_cast<COLORREF>(ColorToRGB(fsd ? fsd->Colors[csButtonShadow] : clBtnShadow))));
    {
        SavedDCState saved(dc);
        SelectGuard font(dc, control ? control->Font().Handle() : WindowFont());
        if (control) SetTextColor(dc, static_cast<COLORREF>(ColorToRGB(control->Font().Color)));
        const int h = TextHeight(dc, L"0") / 2;
        if (kind == 0) {
            HBRUSH erase = BackgroundBrush(fsd, ownBrush_);
            RECT r{rc.Left, rc.Top + h, rc.Right, rc.Bottom};
            FrameRect(dc, &r, erase);
            InflateRect(&r, -1, -1);
            FrameRect(dc, &r, erase);
        }
        SelectGuard framePen(dc, pen.get());
        SelectGuard noBrush(dc, GetStockObject(NULL_BRUSH));
        RoundRect(dc, rc.Left + 1, rc.Top + h, rc.Right - 1, rc.Bottom - 1, 5, 5);
        if (!text.empty()) {
            SetBkMode(dc, OPAQUE);
            SetBkColor(dc, face);
            const bool right = hwnd && (GetWindowLongW(hwnd, GWL_EXSTYLE) & WS_EX_RIGHT) != 0;
            RECT tr{rc.Left + 8, rc.Top, rc.Right - 8, rc.Bottom};
            DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &tr,
                      right ? CheckBiDi(DT_RightCaption) : DT_EXPANDTABS);
        }
    }
    if (kind == 1 && control) control->PaintControls(dc, ToRECT(rc));
}
