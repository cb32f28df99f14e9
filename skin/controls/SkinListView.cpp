#include "skin/controls/SkinListView.h"

#include <commctrl.h>

#include <algorithm>

#include "framework/controls/ListViews.h"
#include "framework/graphics/GdiHandles.h"
#include "framework/streaming/PublishedProperties.h"
#include "skin/draw/DrawUtils.h"

// ---------------------------------------------------------------- TSkinListView

TSkinListView::~TSkinListView() {
    // The header object is a component of this one and goes with it.
    header = nullptr;
}

void TSkinListView::InitScrollbar(TWinControl* acontrol, TSkinData* sd, TCanvas* acanvas, TWinSkinForm* sf) {
    if (Inited) return;
    TSkinScrollbar::InitScrollbar(acontrol, sd, acanvas, sf);
    if (!Inited) return;
    hHwnd = reinterpret_cast<HWND>(SendMessageW(hwnd, LVM_GETHEADER, 0, 0));
    if (!hHwnd) return;
    header = new skin_controls::TSkinHeader(this);
    header->Inithwnd(hHwnd, sd, acanvas, sf);
}

skin_controls::TSkinHeader* TSkinListView::LiveHeader() {
    // The form object may have freed the header's object already (its window
    // went first); then it has left this object's components.
    for (int i = 0; i < ComponentCount(); ++i)
        if (Components(i) == header) return header;
    header = nullptr;
    return nullptr;
}

void TSkinListView::Unsubclass() {
    if (auto* h = LiveHeader()) h->Unsubclass();
    TSkinScrollbar::Unsubclass();
}

void TSkinListView::SkinChange() {
    if (auto* h = LiveHeader()) h->SkinChange();
    TSkinScrollbar::SkinChange();
}

// ---------------------------------------------------------------- TSkinCheckList

const TBitmap* TSkinCheckList::Strip() const {
    return fsd && fsd->Button && !fsd->Button->CheckMap.Empty() ? &fsd->Button->CheckMap : nullptr;
}

int TSkinCheckList::StripFrames() const {
    return fsd && fsd->Button && fsd->Button->checkframe > 0 ? fsd->Button->checkframe : 1;
}

void TSkinCheckList::InitScrollbar(TWinControl* acontrol, TSkinData* sd, TCanvas* acanvas, TWinSkinForm* sf) {
    if (Inited) return;
    TSkinScrollbar::InitScrollbar(acontrol, sd, acanvas, sf);
    hHwnd = hwnd;
    kind = Strip() ? 1 : 0;
    if (hwnd) InvalidateRect(hwnd, nullptr, TRUE);
}

void TSkinCheckList::SkinChange() {
    kind = Strip() ? 1 : 0;
    TSkinScrollbar::SkinChange();
}

int TSkinCheckList::StripFrame(int checkState) const {
    if (StripFrames() == 12) {
        if (checkState == 2) return 5;
        if (checkState == 4) return 8;
    }
    return checkState;
}

bool TSkinCheckList::BeforeProc(TMessage& m) {
    if (m.Msg == CN_DRAWITEM && kind == 1 && Strip()) {
        const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(m.LParam);
        if (item) {
            try {
                DrawItem(*item);
            } catch (...) {
                // A drawing fault must not reach the control's message loop.
            }
            m.Result = 1;
            return false;
        }
    }
    return TSkinScrollbar::BeforeProc(m);
}

void TSkinCheckList::DrawItem(const DRAWITEMSTRUCT& di) {
    if (static_cast<int>(di.itemID) < 0) return;
    auto* list = dynamic_cast<TCheckListBox*>(control);
    const TBitmap* strip = Strip();
    if (!list || !strip) return;
    const int index = static_cast<int>(di.itemID);
    const RECT r = di.rcItem;
    if (r.right <= r.left || r.bottom <= r.top) return;
    // Composed off screen in the item's own coordinates, then one transfer:
    // a keyed glyph drawn on the screen itself would read the screen back.
    TBitmap buffer(r.right - r.left, r.bottom - r.top, pf24bit);
    HDC dc = buffer.DC();
    SetViewportOrgEx(dc, -r.left, -r.top, nullptr);
    const bool header = list->Header(index);
    const bool selected = (di.itemState & ODS_SELECTED) != 0;
    const bool enabled = list->Enabled() && list->ItemEnabled(index);
    const bool rtl = (GetWindowLongW(hwnd, GWL_EXSTYLE) & WS_EX_RIGHT) != 0;

    const TColor back = header ? list->HeaderBackgroundColor() : selected ? clHighlight : list->Color();
    const TColor text = header     ? list->HeaderColor()
                        : !enabled ? clGrayText
                        : selected ? clHighlightText
                                   : list->Font().Color;
    FillColor(dc, TRect{r.left, r.top, r.right, r.bottom}, back);

    RECT textRect = r;
    if (!header) {
        const int frames = StripFrames();
        const int bw = strip->Width() / frames;
        const int bh = strip->Height();
        const int top = r.top + (r.bottom - r.top - bh) / 2;
        const int left = rtl ? r.right - bw : r.left + 2;
        int s = 1;
        switch (list->State(index)) {
            case cbChecked: s = 2; break;
            case cbGrayed: s = 4; break;
            default: break;
        }
        DrawRect1(dc, TRect{left, top, left + bw, top + bh}, *strip, StripFrame(s), frames, true);
        if (rtl)
            textRect.right = left - 2;
        else
            textRect.left = left + bw + 2;
    } else {
        textRect.left += 2;
    }
    const std::wstring s = list->Items(index);
    SelectGuard font(dc, list->Font().Handle());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, static_cast<COLORREF>(ColorToRGB(text)));
    const UINT flags = 0x50 | DT_NOPREFIX | (rtl ? DT_RIGHT | DT_RTLREADING : DT_LEFT);
    // Word-broken text does not centre itself: measure it and place it.
    RECT measured = textRect;
    DrawTextW(dc, s.c_str(), static_cast<int>(s.size()), &measured, flags | DT_CALCRECT);
    const int th = std::min<int>(measured.bottom - measured.top, textRect.bottom - textRect.top);
    textRect.top += (textRect.bottom - textRect.top - th) / 2;
    textRect.bottom = textRect.top + th;
    DrawTextW(dc, s.c_str(), static_cast<int>(s.size()), &textRect, flags);
    if ((di.itemState & ODS_FOCUS) && !header) {
        RECT calc = textRect;
        DrawTextW(dc, s.c_str(), static_cast<int>(s.size()), &calc, flags | DT_CALCRECT);
        const int w = calc.right - calc.left;
        RECT focus = rtl ? RECT{std::max(textRect.left, textRect.right - w - 1), textRect.top, textRect.right + 1,
                                textRect.bottom}
                         : RECT{textRect.left - 1, textRect.top, std::min(textRect.right, textRect.left + w + 1),
                                textRect.bottom};
        DrawFocusRect(dc, &focus);
    }
    SetViewportOrgEx(dc, 0, 0, nullptr);
    BitBlt(di.hDC, r.left, r.top, r.right - r.left, r.bottom - r.top, dc, 0, 0, SRCCOPY);
}

// ---------------------------------------------------------------- TSkinObjImage

namespace {

// Copies source frame `from` (1-based, of n) of src into frame `to` of dst.
void CopyFrame(TBitmap& dst, int to, const TBitmap& src, int from, int n) {
    const int w = src.Width() / n;
    BitBlt(dst.DC(), (to - 1) * w, 0, w, src.Height(), src.DC(), (from - 1) * w, 0, SRCCOPY);
}

}  // namespace

bool TSkinObjImage::BuildStrip(TBitmap& out) const {
    if (!fsd || !fsd->Button) return false;
    const bool radio = kind == 2;
    const TBitmap& src = radio ? fsd->Button->RadioMap : fsd->Button->CheckMap;
    const int n = radio ? fsd->Button->radioframe : fsd->Button->checkframe;
    if (src.Empty() || n <= 0 || src.Width() / n <= 0) return false;
    const int w = src.Width() / n;
    // Frames (1-based) of the built strip and the source frame each takes; 0: left in magenta.
    std::vector<int> map;
    if (kind == 2)
        map = {1, 2, 1, 2, n >= 3 ? 3 : 0, n >= 4 ? 4 : 0};
    else if (kind == 1)
        map = {1, 2, n >= 5 ? 5 : 0, 1, 2, n >= 5 ? 5 : 0, n >= 3 ? 3 : 0, n >= 4 ? 4 : 0, n >= 5 ? 5 : 0};
    else if (kind == 3)
        map = {1, 2, n >= 5 ? 5 : 0, 1, 2, n >= 5 ? 5 : 0};
    else
        return false;
    out.SetSize(w * static_cast<int>(map.size()), src.Height());
    FillColor(out.DC(), TRect{0, 0, out.Width(), out.Height()}, kSkinKeyColor);
    for (size_t i = 0; i < map.size(); ++i)
        if (map[i]) CopyFrame(out, static_cast<int>(i) + 1, src, map[i], n);
    return true;
}

void TSkinObjImage::Apply() {
    TControl* target = dynamic_cast<TControl*>(Owner());
    if (!target) return;
    TBitmap strip;
    if (!BuildStrip(strip)) return;
    if (kind == 3) {
        if (TBitmap* glyph = GetObjectProp<TBitmap>(*target, L"Properties.Glyph")) glyph->Assign(strip);
        target->Invalidate();
        return;
    }
    TBitmap* glyphs = GetObjectProp<TBitmap>(*target, L"CustomGlyphs");
    if (!glyphs) return;
    glyphs->Assign(strip);
    SetProperty(target, L"transparentcolor", L"16711935");
    // Off and on again, so the control loads the new strip.
    SetProperty(target, L"UseCustomGlyphs", L"false");
    SetProperty(target, L"UseCustomGlyphs", L"true");
}

void TSkinObjImage::Init(TWinSkinForm* sf, TSkinData* sd, TCanvas* acanvas, bool acolor) {
    if (Inited) return;
    fsd = sd;
    skinform = sf;
    fCanvas = acanvas;
    newColor = acolor;
    control = dynamic_cast<TWinControl*>(Owner());
    if (control && control->HandleAllocated()) hwnd = control->Handle();
    // The control draws its new glyphs by itself; it is hooked only to
    // answer as skinned, so it is never offered to the tables twice.
    if (control) HookWindowProc(control);
    if (skinform) skinform->AddControlList(this);
    Apply();
    Inited = true;
    skinstate = 1;
}

void TSkinObjImage::SkinChange() {
    Apply();
}

void TSkinObjImage::Unsubclass() {
    if (!skinned) return;
    skinned = false;
    if (skinstate == 6) return;
    TControl* target = dynamic_cast<TControl*>(Owner());
    if (!target) return;
    if (kind == 3) {
        if (TBitmap* glyph = GetObjectProp<TBitmap>(*target, L"Properties.Glyph")) glyph->SetSize(0, 0);
        target->Invalidate();
    } else {
        SetProperty(target, L"UseCustomGlyphs", L"false");
    }
}
