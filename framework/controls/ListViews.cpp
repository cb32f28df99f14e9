#include "framework/controls/ListViews.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>

#include "framework/graphics/GdiHandles.h"
#include "framework/streaming/PublishedProperties.h"

// ---------------------------------------------------------------- TListView

TListView::TListView(TComponent* AOwner) : TWinControl(AOwner) {
    width_ = 250;
    height_ = 150;
    SetColor(clWindow);
    SetTabStop(true);
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&icc);
}

void TListView::CreateParams(TCreateParams& p) {
    TWinControl::CreateParams(p);
    p.BaseClassName = WC_LISTVIEWW;
    p.Style |= LVS_REPORT | LVS_SHOWSELALWAYS | LVS_SINGLESEL | WS_BORDER;
}

void TListView::CreateWnd() {
    TWinControl::CreateWnd();
    SendMessageW(WindowHandle(), LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    FillWindow();
}

void TListView::InsertColumnWindow(int index) {
    const Column& c = columns_[static_cast<size_t>(index)];
    LVCOLUMNW col{};
    col.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
    col.pszText = const_cast<wchar_t*>(c.caption.c_str());
    col.cx = c.width;
    col.iSubItem = index;
    SendMessageW(WindowHandle(), LVM_INSERTCOLUMNW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&col));
}

void TListView::InsertItemWindow(int index) {
    const auto& texts = items_[static_cast<size_t>(index)];
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = index;
    item.pszText = const_cast<wchar_t*>(texts[0].c_str());
    const auto at = static_cast<int>(SendMessageW(WindowHandle(), LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
    for (size_t s = 1; s < texts.size(); ++s) {
        LVITEMW sub{};
        sub.iSubItem = static_cast<int>(s);
        sub.pszText = const_cast<wchar_t*>(texts[s].c_str());
        SendMessageW(WindowHandle(), LVM_SETITEMTEXTW, static_cast<WPARAM>(at), reinterpret_cast<LPARAM>(&sub));
    }
}

void TListView::FillWindow() {
    HWND h = WindowHandle();
    if (!h) return;
    SendMessageW(h, WM_SETREDRAW, FALSE, 0);
    SendMessageW(h, LVM_DELETEALLITEMS, 0, 0);
    const int have = Header_GetItemCount(HeaderHandle());
    for (int i = have; i < ColumnCount(); ++i) InsertColumnWindow(i);
    for (int i = 0; i < ItemCount(); ++i) InsertItemWindow(i);
    SendMessageW(h, WM_SETREDRAW, TRUE, 0);
    if (itemIndex_ >= 0) SetItemIndex(itemIndex_);
    ShowSortMark();
    InvalidateRect(h, nullptr, TRUE);
}

int TListView::AddColumn(const std::wstring& caption, int width) {
    columns_.push_back(Column{caption, width});
    const int index = ColumnCount() - 1;
    if (HandleAllocated()) InsertColumnWindow(index);
    return index;
}

int TListView::AddItem(const std::wstring& caption, const std::vector<std::wstring>& subItems) {
    std::vector<std::wstring> texts{caption};
    texts.insert(texts.end(), subItems.begin(), subItems.end());
    items_.push_back(std::move(texts));
    const int index = ItemCount() - 1;
    if (HandleAllocated()) InsertItemWindow(index);
    return index;
}

std::wstring TListView::ItemText(int item, int column) const {
    const auto& texts = items_.at(static_cast<size_t>(item));
    return column >= 0 && static_cast<size_t>(column) < texts.size() ? texts[static_cast<size_t>(column)]
                                                                     : std::wstring();
}

void TListView::Clear() {
    items_.clear();
    itemIndex_ = -1;
    if (HandleAllocated()) SendMessageW(WindowHandle(), LVM_DELETEALLITEMS, 0, 0);
}

int TListView::ItemIndex() const {
    if (HWND h = WindowHandle())
        return static_cast<int>(SendMessageW(h, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
    return itemIndex_;
}

void TListView::SetItemIndex(int value) {
    itemIndex_ = value;
    HWND h = WindowHandle();
    if (!h) return;
    LVITEMW state{};
    state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(h, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&state));
    if (value < 0) return;
    state.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(h, LVM_SETITEMSTATE, static_cast<WPARAM>(value), reinterpret_cast<LPARAM>(&state));
}

HWND TListView::HeaderHandle() {
    HWND h = WindowHandle();
    return h ? reinterpret_cast<HWND>(SendMessageW(h, LVM_GETHEADER, 0, 0)) : nullptr;
}

void TListView::SortBy(int column, bool ascending) {
    if (column < 0 || column >= ColumnCount()) return;
    // The selection follows its item.
    const int selected = ItemIndex();
    std::vector<size_t> order(items_.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = i;
    auto key = [&](size_t i) { return ItemText(static_cast<int>(i), column); };
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
        const int c = CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, key(a).c_str(), -1, key(b).c_str(), -1);
        return ascending ? c == CSTR_LESS_THAN : c == CSTR_GREATER_THAN;
    });
    std::vector<std::vector<std::wstring>> sorted;
    sorted.reserve(items_.size());
    int newSelected = -1;
    for (size_t i = 0; i < order.size(); ++i) {
        if (static_cast<int>(order[i]) == selected) newSelected = static_cast<int>(i);
        sorted.push_back(std::move(items_[order[i]]));
    }
    items_ = std::move(sorted);
    sortColumn_ = column;
    sortAscending_ = ascending;
    itemIndex_ = newSelected;
    FillWindow();
}

void TListView::ShowSortMark() {
    HWND header = HeaderHandle();
    if (!header) return;
    for (int i = 0; i < Header_GetItemCount(header); ++i) {
        HDITEMW item{};
        item.mask = HDI_FORMAT;
        Header_GetItem(header, i, &item);
        item.fmt &= ~(HDF_SORTUP | HDF_SORTDOWN);
        if (i == sortColumn_) item.fmt |= sortAscending_ ? HDF_SORTUP : HDF_SORTDOWN;
        Header_SetItem(header, i, &item);
    }
}

void TListView::WndProc(TMessage& m) {
    if (m.Msg == CN_NOTIFY) {
        const auto* hdr = reinterpret_cast<const NMHDR*>(m.LParam);
        if (hdr && hdr->code == LVN_COLUMNCLICK) {
            const auto* lv = reinterpret_cast<const NMLISTVIEW*>(m.LParam);
            if (OnColumnClick) OnColumnClick(this, lv->iSubItem);
        }
        m.Result = 0;
        return;
    }
    TWinControl::WndProc(m);
}

// ---------------------------------------------------------------- TCheckListBox

namespace {

constexpr uint32_t kStateMask = 3;
constexpr uint32_t kDisabled = 4;
constexpr uint32_t kHeader = 8;

}  // namespace

TCheckListBox::TCheckListBox(TComponent* AOwner) : TWinControl(AOwner) {
    width_ = 120;
    height_ = 97;
    SetColor(clWindow);
    SetTabStop(true);
}

void TCheckListBox::CreateParams(TCreateParams& p) {
    TWinControl::CreateParams(p);
    p.BaseClassName = L"LISTBOX";
    p.Style |= LBS_OWNERDRAWFIXED | LBS_HASSTRINGS | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_BORDER;
}

void TCheckListBox::CreateWnd() {
    TWinControl::CreateWnd();
    HWND h = WindowHandle();
    // The font of the control, not the system's, gives the item height.
    WindowDC screen = WindowDC::Client(nullptr);
    int textHeight = 16;
    if (screen) {
        SelectGuard font(screen.get(), Font().Handle());
        TEXTMETRICW tm{};
        if (GetTextMetricsW(screen.get(), &tm)) textHeight = tm.tmHeight;
    }
    SendMessageW(h, LB_SETITEMHEIGHT, 0, std::max(textHeight + 2, CheckBoxSize() + 2));
    for (const auto& [text, flags] : pending_) {
        const auto i = static_cast<int>(SendMessageW(h, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str())));
        SendMessageW(h, LB_SETITEMDATA, static_cast<WPARAM>(i), static_cast<LPARAM>(flags));
    }
    pending_.clear();
}

int TCheckListBox::Add(const std::wstring& text) {
    if (!HandleAllocated()) {
        pending_.emplace_back(text, 0);
        return static_cast<int>(pending_.size()) - 1;
    }
    const auto i = static_cast<int>(SendMessageW(Handle(), LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str())));
    SendMessageW(Handle(), LB_SETITEMDATA, static_cast<WPARAM>(i), 0);
    return i;
}

int TCheckListBox::Count() const {
    if (HWND h = WindowHandle()) return static_cast<int>(SendMessageW(h, LB_GETCOUNT, 0, 0));
    return static_cast<int>(pending_.size());
}

std::wstring TCheckListBox::Items(int index) const {
    HWND h = WindowHandle();
    if (!h) return pending_.at(static_cast<size_t>(index)).first;
    const auto n = SendMessageW(h, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
    if (n == LB_ERR) return {};
    std::wstring s(static_cast<size_t>(n) + 1, L'\0');
    const auto got = SendMessageW(h, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(s.data()));
    s.resize(got == LB_ERR ? 0 : static_cast<size_t>(got));
    return s;
}

void TCheckListBox::Clear() {
    pending_.clear();
    if (HWND h = WindowHandle()) SendMessageW(h, LB_RESETCONTENT, 0, 0);
}

int TCheckListBox::ItemIndex() const {
    HWND h = WindowHandle();
    return h ? static_cast<int>(SendMessageW(h, LB_GETCURSEL, 0, 0)) : -1;
}

void TCheckListBox::SetItemIndex(int value) {
    SendMessageW(Handle(), LB_SETCURSEL, static_cast<WPARAM>(value), 0);
}

uint32_t TCheckListBox::Flags(int index) const {
    HWND h = WindowHandle();
    if (!h) return pending_.at(static_cast<size_t>(index)).second;
    const LRESULT v = SendMessageW(h, LB_GETITEMDATA, static_cast<WPARAM>(index), 0);
    return v == LB_ERR ? 0 : static_cast<uint32_t>(v);
}

void TCheckListBox::SetFlags(int index, uint32_t flags) {
    HWND h = WindowHandle();
    if (!h) {
        pending_.at(static_cast<size_t>(index)).second = flags;
        return;
    }
    SendMessageW(h, LB_SETITEMDATA, static_cast<WPARAM>(index), static_cast<LPARAM>(flags));
    const RECT r = ItemRect(index);
    InvalidateRect(h, &r, FALSE);
}

TCheckBoxState TCheckListBox::State(int index) const {
    return static_cast<TCheckBoxState>(Flags(index) & kStateMask);
}

void TCheckListBox::SetState(int index, TCheckBoxState value) {
    SetFlags(index, (Flags(index) & ~kStateMask) | value);
}

bool TCheckListBox::ItemEnabled(int index) const {
    return !(Flags(index) & kDisabled);
}

void TCheckListBox::SetItemEnabled(int index, bool value) {
    SetFlags(index, value ? Flags(index) & ~kDisabled : Flags(index) | kDisabled);
}

bool TCheckListBox::Header(int index) const {
    return (Flags(index) & kHeader) != 0;
}

void TCheckListBox::SetHeader(int index, bool value) {
    SetFlags(index, value ? Flags(index) | kHeader : Flags(index) & ~kHeader);
}

void TCheckListBox::SetHeaderColor(TColor value) {
    headerColor_ = value;
    Invalidate();
}

void TCheckListBox::SetHeaderBackgroundColor(TColor value) {
    headerBackgroundColor_ = value;
    Invalidate();
}

int TCheckListBox::ItemAtPos(POINT pt) const {
    HWND h = WindowHandle();
    if (!h) return -1;
    const LRESULT r = SendMessageW(h, LB_ITEMFROMPOINT, 0, MAKELPARAM(pt.x, pt.y));
    if (HIWORD(r)) return -1;  // outside every item
    return LOWORD(r);
}

RECT TCheckListBox::ItemRect(int index) const {
    RECT r{0, 0, 0, 0};
    if (HWND h = WindowHandle())
        SendMessageW(h, LB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&r));
    return r;
}

void TCheckListBox::ToggleByUser(int index) {
    if (index < 0 || index >= Count() || !ItemEnabled(index) || Header(index) || !Enabled()) return;
    TCheckBoxState next = cbUnchecked;
    switch (State(index)) {
        case cbUnchecked: next = cbChecked; break;
        case cbChecked: next = allowGrayed_ ? cbGrayed : cbUnchecked; break;
        case cbGrayed: next = cbUnchecked; break;
    }
    SetState(index, next);
    if (OnClickCheck) OnClickCheck(this, index);
}

void TCheckListBox::WndProc(TMessage& m) {
    switch (m.Msg) {
        case CN_DRAWITEM:
            DrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(m.LParam));
            m.Result = 1;
            return;
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK: {
            TWinControl::WndProc(m);
            const POINT pt{GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam)};
            const int index = ItemAtPos(pt);
            const bool rtl = (GetWindowLongW(Handle(), GWL_EXSTYLE) & WS_EX_RIGHT) != 0;
            const RECT r = index >= 0 ? ItemRect(index) : RECT{};
            const bool onBox = rtl ? pt.x >= r.right - CheckBoxSize() - 4 : pt.x < CheckBoxSize() + 4;
            if (index >= 0 && onBox) ToggleByUser(index);
            return;
        }
        case WM_KEYDOWN:
            if (m.WParam == VK_SPACE) {
                ToggleByUser(ItemIndex());
                m.Result = 0;
                return;
            }
            break;
        case WM_CHAR:
            if (m.WParam == L' ') {
                m.Result = 0;
                return;
            }
            break;
        default: break;
    }
    TWinControl::WndProc(m);
}

void TCheckListBox::DrawItem(const DRAWITEMSTRUCT& di) {
    if (static_cast<int>(di.itemID) < 0) return;
    const int index = static_cast<int>(di.itemID);
    HDC dc = di.hDC;
    RECT r = di.rcItem;
    const bool header = Header(index);
    const bool selected = (di.itemState & ODS_SELECTED) != 0;
    const bool enabled = Enabled() && ItemEnabled(index);
    TColor back = header ? headerBackgroundColor_ : selected ? clHighlight : Color();
    TColor text = header ? headerColor_ : !enabled ? clGrayText : selected ? clHighlightText : Font().Color;
    UniqueBrush brush(CreateSolidBrush(static_cast<COLORREF>(ColorToRGB(back))));
    FillRect(dc, &r, brush.get());
    const bool rtl = (GetWindowLongW(Handle(), GWL_EXSTYLE) & WS_EX_RIGHT) != 0;
    RECT textRect = r;
    if (!header) {
        const int size = CheckBoxSize();
        const int top = r.top + (r.bottom - r.top - size) / 2;
        RECT box = rtl ? RECT{r.right - 2 - size, top, r.right - 2, top + size}
                       : RECT{r.left + 2, top, r.left + 2 + size, top + size};
        UINT state = DFCS_BUTTONCHECK | DFCS_FLAT;
        switch (State(index)) {
            case cbChecked: state |= DFCS_CHECKED; break;
            case cbGrayed: state = DFCS_BUTTON3STATE | DFCS_CHECKED | DFCS_FLAT; break;
            default: break;
        }
        if (!enabled) state |= DFCS_INACTIVE;
        DrawFrameControl(dc, &box, DFC_BUTTON, state);
        if (rtl)
            textRect.right = box.left - 2;
        else
            textRect.left = box.right + 2;
    } else {
        textRect.left += 2;
    }
    const std::wstring s = Items(index);
    SelectGuard font(dc, Font().Handle());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, static_cast<COLORREF>(ColorToRGB(text)));
    UINT flags = DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | (rtl ? DT_RIGHT | DT_RTLREADING : DT_LEFT);
    DrawTextW(dc, s.c_str(), static_cast<int>(s.size()), &textRect, flags);
    if ((di.itemState & ODS_FOCUS) && !header) {
        RECT calc = textRect;
        DrawTextW(dc, s.c_str(), static_cast<int>(s.size()), &calc, flags | DT_CALCRECT);
        RECT focus{textRect.left - 1, textRect.top, std::min(textRect.right, calc.right + 1), textRect.bottom};
        if (rtl)
            focus = RECT{std::max(textRect.left, textRect.right - (calc.right - calc.left) - 1), textRect.top,
                         textRect.right + 1, textRect.bottom};
        DrawFocusRect(dc, &focus);
    }
}

// ---------------------------------------------------------------- registration

void RegisterListViewClasses() {
    RegisterClassInfo<TListView>(L"TListView", L"TWinControl").Creatable();
    RegisterClassInfo<TCheckListBox>(L"TCheckListBox", L"TWinControl")
        .Creatable()
        .Bool(L"AllowGrayed", &TCheckListBox::AllowGrayed, &TCheckListBox::SetAllowGrayed)
        .Default(false)
        .Color(L"HeaderColor", &TCheckListBox::HeaderColor, &TCheckListBox::SetHeaderColor)
        .Color(L"HeaderBackgroundColor", &TCheckListBox::HeaderBackgroundColor,
               &TCheckListBox::SetHeaderBackgroundColor);
}
