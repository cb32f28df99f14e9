#include "skin/controls/SkinTabs.h"

#include "skin/controls/SkinObjectUtil.h"

// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on

#include <algorithm>
#include <optional>

#include "framework/controls/TabControls.h"
#include "framework/graphics/GdiHandles.h"
#include "framework/streaming/PublishedProperties.h"
#include "skin/controls/SkinUpDown.h"
#include "skin/draw/DrawUtils.h"
#include "skin/draw/ImgUtil.h"

namespace {

using skin_controls_util::Usable;

COLORREF Rgb(TColor c) {
    return static_cast<COLORREF>(ColorToRGB(c));
}

struct TabItem {
    std::wstring text;
    int image = -1;
};

TabItem ReadItem(HWND hwnd, int index, bool unicode) {
    TabItem item;
    if (unicode) {
        wchar_t buffer[80] = {};
        TCITEMW t{};
        t.mask = TCIF_TEXT | TCIF_IMAGE | TCIF_STATE;
        t.pszText = buffer;
        t.cchTextMax = 80;
        if (!SendMessageW(hwnd, TCM_GETITEMW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&t))) return item;
        item.text = buffer;
        item.image = t.iImage;
    } else {
        char buffer[80] = {};
        TCITEMA t{};
        t.mask = TCIF_TEXT | TCIF_IMAGE | TCIF_STATE;
        t.pszText = buffer;
        t.cchTextMax = 80;
        if (!SendMessageW(hwnd, TCM_GETITEMA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&t))) return item;
        wchar_t wide[80] = {};
        const int n = MultiByteToWideChar(CP_ACP, 0, buffer, -1, wide, 80);
        if (n > 0) item.text = wide;
        item.image = t.iImage;
    }
    return item;
}

// The arrows child of a control, skinned the first time it is seen.
HWND AttachArrows(TSkinControl& owner, HWND parent, HWND known) {
    HWND found = FindWindowExW(parent, nullptr, UPDOWN_CLASSW, nullptr);
    if (!found || found == known) return found ? found : known;
    if (SendMessageW(found, CN_SkinQuery, 0, 0) != 1) {
        // Owned by the form object, which frees it once the arrows' window is gone.
        auto* arrows = new TSkinUpDown(owner.SkinForm() ? static_cast<TComponent*>(owner.SkinForm())
                                                        : static_cast<TComponent*>(&owner));
        arrows->Inithwnd(found, owner.SkinData(), owner.SharedCanvas(), owner.SkinForm());
    }
    return found;
}

}  // namespace

// ---------------------------------------------------------------- TSkinTab

TSkinTabPosition TSkinTab::GetPosition() const {
    const LONG style = GetWindowLongW(hwnd, GWL_STYLE);
    const bool bottom = (style & TCS_BOTTOM) != 0;
    const bool vertical = (style & TCS_VERTICAL) != 0;
    if (bottom && vertical) return Stright;
    if (bottom) return Stbottom;
    if (vertical) return Stleft;
    return StTop;
}

void TSkinTab::inittab() {
    tabbmp.SetSize(0, 0);
    borderbmp.SetSize(0, 0);
    if (!fsd) return;
    Position = GetPosition();
    const TDataSkinBorder* tab = fsd->tab.get();
    if (!tab) return;
    if (!tab->Map.Empty()) {
        tabbmp.Assign(tab->Map);
        tabbmp.SetPixelFormat(pf24bit);
    }
    if (tab->style == 0 && !tab->MaskMap.Empty()) {
        borderbmp.Assign(tab->MaskMap);
    } else if (tab->style == 1 && Usable(fsd->TabSheet.get())) {
        borderbmp.Assign(fsd->TabSheet->Map);
    }
    if (!borderbmp.Empty()) borderbmp.SetPixelFormat(pf24bit);
    switch (Position) {
        case Stbottom:
            if (!tabbmp.Empty()) SpiegelnVertikal(tabbmp);
            if (!borderbmp.Empty()) SpiegelnVertikal(borderbmp);
            break;
        case Stleft:
            if (!borderbmp.Empty()) Drehen270Grad(borderbmp);
            break;
        case Stright:
            if (!borderbmp.Empty()) Drehen90Grad(borderbmp);
            break;
        default: break;
    }
}

void TSkinTab::AttachCommon() {
    enabled = IsWindowEnabled(hwnd) != FALSE;
    auto* pc = dynamic_cast<TPageControl*>(control);
    showclose = pc && pc->Tag() == 7777 && GetPosition() == StTop;
    inittab();
    FindScroll();
    skinned = true;
    unicode = IsWindowUnicode(hwnd) != FALSE;
}

void TSkinTab::Init(TWinSkinForm* sf, TSkinData* sd, TCanvas* acanvas, bool acolor) {
    if (Inited) return;
    TSkinControl::Init(sf, sd, acanvas, acolor);
    if (!hwnd) return;
    AttachCommon();
    Invalidate();
}

void TSkinTab::Inithwnd(HWND ahwnd, TSkinData* sd, TCanvas* acanvas, TWinSkinForm* sf) {
    if (Inited) return;
    TSkinControl::Inithwnd(ahwnd, sd, acanvas, sf);
    AttachCommon();
    focused = GetFocus() == hwnd;
    caption = WindowText();
    Invalidate();
}

void TSkinTab::SkinChange() {
    inittab();
    TSkinControl::SkinChange();
}

bool TSkinTab::FindScroll() {
    updown = AttachArrows(*this, hwnd, updown);
    return updown && IsWindow(updown) && IsWindowVisible(updown);
}

void TSkinTab::ClipUpdown(HDC dc) {
    if (!updown || !IsWindow(updown) || !IsWindowVisible(updown)) return;
    RECT wr{}, ur{};
    GetWindowRect(hwnd, &wr);
    GetWindowRect(updown, &ur);
    UniqueRegion clip(CreateRectRgn(0, 0, wr.right - wr.left, wr.bottom - wr.top));
    UniqueRegion arrows(CreateRectRgn(ur.left - wr.left, ur.top - wr.top, ur.right - wr.left, ur.bottom - wr.top));
    CombineRgn(clip.get(), clip.get(), arrows.get(), RGN_DIFF);
    SelectClipRgn(dc, clip.get());
}

void TSkinTab::Drawitem(HDC dc, const TRect& r, int frame) {
    const TDataSkinBorder* tab = fsd->tab.get();
    if (tabbmp.Empty() || r.IsEmpty()) return;
    auto piece = GetHMap(TRect{0, 0, r.Width(), r.Height()}, tabbmp, tab->r, frame, std::max(1, tab->frame),
                         tab->Tile != 0, false);
    if (!piece || piece->Empty()) return;
    if (tab->trans == 1)
        DrawTranmap(dc, r, *piece, kSkinKeyColor);
    else
        BitBlt(dc, r.Left, r.Top, r.Width(), r.Height(), piece->DC(), 0, 0, SRCCOPY);
}

void TSkinTab::drawCloseBtn(HDC dc, const TRect& r, int index, int yShift) {
    const int l = r.Right - 8, t = r.Top + 2, rr = r.Right - 2, b = r.Top + 8;
    MoveToEx(dc, l, t, nullptr);
    LineTo(dc, rr, t);
    LineTo(dc, rr, b);
    LineTo(dc, l, b);
    LineTo(dc, l, t);
    LineTo(dc, rr, b);
    MoveToEx(dc, rr, t, nullptr);
    LineTo(dc, l, b);
    if (index >= 0 && index < static_cast<int>(CloseRect.size()))
        CloseRect[static_cast<size_t>(index)] = TRect{l, t - yShift, rr + 1, b + 1 - yShift};
}

bool TSkinTab::ClickClose(int x, int y) {
    for (size_t i = 0; i < CloseRect.size(); ++i) {
        const TRect& r = CloseRect[i];
        if (r.IsEmpty() || x < r.Left || x >= r.Right || y < r.Top || y >= r.Bottom) continue;
        HWND form = skinform && skinform->Hwnd ? skinform->Hwnd : GetAncestor(hwnd, GA_ROOT);
        const LRESULT answer =
            SendMessageW(form, CN_SkinTabClose, reinterpret_cast<WPARAM>(hwnd), static_cast<LPARAM>(i));
        if (answer == 0) {
            if (auto* pc = dynamic_cast<TPageControl*>(control); pc && static_cast<int>(i) < pc->PageCount())
                delete pc->Pages(static_cast<int>(i));
            else
                SendMessageW(hwnd, TCM_DELETEITEM, i, 0);
            Invalidate();
        }
        return true;
    }
    return false;
}

TSkinPaint TSkinTab::PaintMode() const {
    return fsd && Usable(fsd->tab.get()) ? TSkinPaint::Whole : TSkinPaint::Over;
}

bool TSkinTab::BeforeProc(TMessage& m) {
    switch (m.Msg) {
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:  // closing the next tab soon after is a double click
            if (showclose && ClickClose(static_cast<short>(LOWORD(m.LParam)), static_cast<short>(HIWORD(m.LParam)))) {
                m.Result = 0;
                return false;
            }
            return true;
        case WM_STYLECHANGED: inittab(); return true;
        default: return TSkinControl::BeforeProc(m);
    }
}

void TSkinTab::DrawControl(HDC dc, const TRect& rc) {
    if (!fsd || !Usable(fsd->tab.get()) || rc.IsEmpty()) return;
    const TDataSkinBorder* tab = fsd->tab.get();
    if (GetPosition() != Position) inittab();
    // 1. The page area.
    RECT pr{rc.Left, rc.Top, rc.Right, rc.Bottom};
    SendMessageW(hwnd, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&pr));
    InflateRect(&pr, 4, 4);
    switch (Position) {
        case StTop: pr.top += 1; break;
        case Stbottom: pr.bottom -= 1; break;
        case Stleft: pr.left += 1; break;
        case Stright: pr.right -= 1; break;
    }
    const TRect P{pr.left, pr.top, pr.right, pr.bottom};
    // 2. The items.
    const int count = static_cast<int>(SendMessageW(hwnd, TCM_GETITEMCOUNT, 0, 0));
    const int focus = static_cast<int>(SendMessageW(hwnd, TCM_GETCURFOCUS, 0, 0));
    const auto images = reinterpret_cast<HIMAGELIST>(SendMessageW(hwnd, TCM_GETIMAGELIST, 0, 0));
    CloseRect.assign(static_cast<size_t>(std::max(0, count)), TRect{});
    FindScroll();  // the transfer leaves the arrows alone (ClipUpdown)

    FillParentBG(dc, rc);
    // 3. The strip, lying horizontally.
    TRect S{};
    switch (Position) {
        case StTop: S = TRect{0, 0, rc.Right, std::max(0, P.Top)}; break;
        case Stbottom: S = TRect{0, std::min(rc.Bottom, P.Bottom), rc.Right, rc.Bottom}; break;
        case Stleft: S = TRect{0, 0, std::max(0, P.Left), rc.Bottom}; break;
        case Stright: S = TRect{std::min(rc.Right, P.Right), 0, rc.Right, rc.Bottom}; break;
    }
    const bool side = Position == Stleft || Position == Stright;
    const int stripW = side ? S.Height() : S.Width();
    const int stripH = side ? S.Width() : S.Height();
    if (stripW > 0 && stripH > 0) {
        // The strip is drawn lying and then turned to its side: the turn
        // needs pixels of its own, for this paint only.
        TBitmap Drawtemp(stripW, stripH);
        HDC t = Drawtemp.DC();
        if (t) {
            FillParentBG(t, TRect{0, 0, stripW, stripH});
            SelectGuard font(t, WindowFont());
            SetBkMode(t, TRANSPARENT);
            // 4. Each tab.
            for (int i = 0; i < count; ++i) {
                RECT ir{};
                if (!SendMessageW(hwnd, TCM_GETITEMRECT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&ir)))
                    continue;
                const TabItem item = ReadItem(hwnd, i, unicode);
                TRect r{ir.left, ir.top, ir.right, ir.bottom};
                int yShift = 0;
                switch (Position) {
                    case StTop:
                        r = TRect{ir.left, ir.top + 1, ir.right, ir.bottom + 1};
                        yShift = 1;
                        break;
                    case Stbottom: {
                        const int up = P.Bottom + 1;
                        r = TRect{ir.left, ir.top - up, ir.right, ir.bottom - up};
                        break;
                    }
                    case Stleft: r = TRect{stripW - ir.bottom, ir.left, stripW - ir.top, ir.right}; break;
                    case Stright: r = TRect{ir.top - 1, rc.Right - ir.right, ir.bottom - 1, rc.Right - ir.left}; break;
                }
                const int frame = i == focus ? 2 : 1;
                Drawitem(t, r, frame);
                if (showclose) drawCloseBtn(t, r, i, yShift);
                SetTextColor(t, Rgb(frame == 1 ? tab->Normalcolor2 : tab->Overcolor2));
                DrawImgCaption(t, r, images, item.image, item.text, 1);
            }
        }
        // 5. Turned to its side.
        if (Position == Stright) Drehen90Grad(Drawtemp);
        if (Position == Stleft) Drehen270Grad(Drawtemp);
        BitBlt(dc, S.Left, S.Top, S.Width(), S.Height(), Drawtemp.DC(), 0, 0, SRCCOPY);
    }
    // 7. The page border.
    if (!borderbmp.Empty() && !P.IsEmpty()) {
        const TRect margins = tab->style != 0 && fsd->TabSheet ? fsd->TabSheet->r : TRect{4, 5, 4, 4};
        auto border = GetHMap(TRect{0, 0, P.Width(), P.Height()}, borderbmp, margins, 1, 1, false, false);
        if (border && !border->Empty()) BitBlt(dc, P.Left, P.Top, P.Width(), P.Height(), border->DC(), 0, 0, SRCCOPY);
        if (kind == 2 && control) control->PaintControls(dc, RECT{rc.Left, rc.Top, rc.Right, rc.Bottom});
    }
}

// ---------------------------------------------------------------- TSkinTab31

void TSkinTab31::inittab() {
    tabbmp.SetSize(0, 0);
    if (!fsd || !Usable(fsd->tab.get())) return;
    tabbmp.Assign(fsd->tab->Map);
    tabbmp.SetPixelFormat(pf24bit);
    SpiegelnVertikal(tabbmp);
}

void TSkinTab31::Init(TWinSkinForm* sf, TSkinData* sd, TCanvas* acanvas, bool acolor) {
    if (Inited) return;
    TSkinControl::Init(sf, sd, acanvas, acolor);
    inittab();
    if (control && control->ComponentCount() > 0)
        if (auto* first = dynamic_cast<TTabSetScroller*>(control->Components(0))) {
            scroller = first->Handle();
            if (SendMessageW(scroller, CN_SkinQuery, 0, 0) != 1) {
                auto* arrows = new TSkinUpDown(skinform ? static_cast<TComponent*>(skinform) : this);
                arrows->dir = 1;
                arrows->Inithwnd(scroller, fsd, fCanvas, skinform);
            }
        }
    Invalidate();
}

void TSkinTab31::SkinChange() {
    inittab();
    TSkinControl::SkinChange();
}

TSkinPaint TSkinTab31::PaintMode() const {
    return tabbmp.Empty() ? TSkinPaint::Over : TSkinPaint::Whole;
}

std::optional<LRESULT> TSkinTab31::EraseBackground(HDC) {
    return 1;
}

bool TSkinTab31::BeforeProc(TMessage& m) {
    if (m.Msg == WM_PAINT && PaintMode() == TSkinPaint::Whole) {
        WMPaint(m);
        // Passed on: the set's own paint keeps its scroller in step and
        // finds nothing left to paint.
        Default(m);
        return false;
    }
    return TSkinControl::BeforeProc(m);
}

void TSkinTab31::DrawControl(HDC dc, const TRect& rc) {
    auto* set = dynamic_cast<TTabSet*>(control);
    if (!set || tabbmp.Empty() || rc.IsEmpty()) return;
    const TDataSkinBorder* tab = fsd->tab.get();
    FillBG(dc, rc);
    SelectGuard font(dc, set->Font().Handle());
    SetBkMode(dc, TRANSPARENT);
    const int room = set->ScrollerVisible() ? 21 : 9;
    int x = set->StartMargin();
    for (int i = set->FirstIndex(); i < set->TabCount(); ++i) {
        const int w = set->TabWidth(dc, i);
        // Only whole tabs: the rest are dropped, not clipped.
        if (x + w + room > rc.Width() - set->EndMargin()) break;
        const TRect r{x, 0, x + w, rc.Height()};
        const int frame = i == set->TabIndex() ? 2 : 1;
        auto piece = GetHMap(TRect{0, 0, r.Width(), r.Height()}, tabbmp, tab->r, frame, std::max(1, tab->frame),
                             tab->Tile != 0, false);
        if (piece && !piece->Empty()) {
            if (tab->trans == 1)
                DrawTranmap(dc, r, *piece, kSkinKeyColor);
            else
                BitBlt(dc, r.Left, r.Top, r.Width(), r.Height(), piece->DC(), 0, 0, SRCCOPY);
        }
        SetTextColor(dc, Rgb(frame == 1 ? tab->Normalcolor2 : tab->Overcolor2));
        DrawCaption(dc, r, set->Tab(i), true, false, DT_CENTER);
        x += w;
    }
}

// ---------------------------------------------------------------- TSkinTabSheet

TSkinPaint TSkinTabSheet::PaintMode() const {
    return kind == 0 ? TSkinPaint::Whole : TSkinPaint::Over;
}

std::optional<LRESULT> TSkinTabSheet::EraseBackground(HDC dc) {
    if (kind != 0) return std::nullopt;
    RECT cr{};
    GetClientRect(hwnd, &cr);
    if (fsd && fsd->BGBrush) FillRect(dc, &cr, fsd->BGBrush.get());
    return 1;
}

void TSkinTabSheet::DrawControl(HDC dc, const TRect& rc) {
    FillBG(dc, rc);
    if (control) control->PaintControls(dc, RECT{rc.Left, rc.Top, rc.Right, rc.Bottom});
}

// ---------------------------------------------------------------- TSkinTabBtn

void TSkinTabBtn::AfterProc(TMessage& m) {
    // The tab control has painted the page; the strip above it is ours, on
    // the window whatever DC the paint came with.
    if (m.Msg == WM_PAINT)
        PaintControl(nullptr);
    else
        TSkinControl::AfterProc(m);
}

void TSkinTabBtn::DrawControl(HDC dc, const TRect& rc) {
    const TDataSkinButton* b = fsd ? fsd->Button.get() : nullptr;
    if (!Usable(b) || rc.IsEmpty()) return;
    RECT dr{rc.Left, rc.Top, rc.Right, rc.Bottom};
    SendMessageW(hwnd, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&dr));
    InflateRect(&dr, 4, 4);
    const TRect strip{0, 0, rc.Right, std::max(0, static_cast<int>(dr.top) + 1)};
    if (strip.IsEmpty()) return;
    const int count = static_cast<int>(SendMessageW(hwnd, TCM_GETITEMCOUNT, 0, 0));
    const int focus = static_cast<int>(SendMessageW(hwnd, TCM_GETCURFOCUS, 0, 0));
    const auto images = reinterpret_cast<HIMAGELIST>(SendMessageW(hwnd, TCM_GETIMAGELIST, 0, 0));
    const bool uni = IsWindowUnicode(hwnd) != FALSE;
    Composed(dc, strip, [&](HDC mem) {
        FillBG(mem, strip);
        SelectGuard font(mem, WindowFont());
        SetBkMode(mem, TRANSPARENT);
        for (int i = 0; i < count; ++i) {
            RECT ir{};
            if (!SendMessageW(hwnd, TCM_GETITEMRECT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&ir))) continue;
            const TRect r{ir.left, ir.top + 1, ir.right, ir.bottom + 1};
            const int frame = i == focus ? 2 : 1;
            DrawSkinMap(mem, r, b, frame, std::max(1, b->frame));
            TColor text = clBlack;
            if (frame == 2 && b->newdown) text = b->Downcolor2;
            if (frame == 1 && b->newnormal) text = b->Normalcolor2;
            SetTextColor(mem, Rgb(text));
            const TabItem item = ReadItem(hwnd, i, uni);
            DrawImgCaption(mem, r, images, item.image, item.text, 1);
        }
    });
}

// ---------------------------------------------------------------- TSkinAdvPage

void TSkinAdvPage::Init(TWinSkinForm* sf, TSkinData* sd, TCanvas* acanvas, bool acolor) {
    if (Inited) return;
    TSkinControl::Init(sf, sd, acanvas, acolor);
    SetAdvPage();
}

void TSkinAdvPage::ChangeImage(const std::wstring& propName, int frame) {
    TBitmap* target = control ? GetObjectProp<TBitmap>(*control, propName) : nullptr;
    if (!target) return;
    const TDataSkinBorder* tab = fsd->tab.get();
    auto piece = GetHMap(TRect{0, 0, 100, 21}, tab->Map, tab->r, frame, std::max(1, tab->frame), tab->Tile != 0, false);
    if (piece) target->Assign(*piece);
}

void TSkinAdvPage::SetAdvPage() {
    if (kind != 4 || !fsd || !Usable(fsd->tab.get())) return;
    ChangeImage(L"TabBackGround", 1);
    ChangeImage(L"TabBackGroundActive", 2);
    if (control) control->Invalidate();
}

bool TSkinAdvPage::FindScroll() {
    updown = AttachArrows(*this, hwnd, updown);
    return updown && IsWindowVisible(updown);
}

void TSkinAdvPage::SkinChange() {
    SetAdvPage();
    TSkinControl::SkinChange();
}

void TSkinAdvPage::Unsubclass() {
    if (skinned && skinstate != 6 && control) {
        for (const wchar_t* name : {L"TabBackGround", L"TabBackGroundActive"})
            if (TBitmap* b = GetObjectProp<TBitmap>(*control, name)) b->SetSize(0, 0);
        control->Invalidate();
    }
    TSkinControl::Unsubclass();
}

void TSkinAdvPage::DrawControl(HDC, const TRect&) {
    FindScroll();
}
