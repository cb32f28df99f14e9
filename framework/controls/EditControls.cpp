#include "framework/controls/EditControls.h"

#include <algorithm>
#include <cstdio>
#include <cwchar>

#include "framework/graphics/GdiHandles.h"

namespace {

std::wstring TextOf(HWND h) {
    const int n = GetWindowTextLengthW(h);
    if (n <= 0) return {};
    std::wstring s(static_cast<size_t>(n) + 1, L'\0');
    const int got = GetWindowTextW(h, s.data(), n + 1);
    s.resize(static_cast<size_t>(std::max(got, 0)));
    return s;
}

void SetStyleBit(HWND h, DWORD bit, bool on) {
    if (!h) return;
    LONG_PTR style = GetWindowLongPtrW(h, GWL_STYLE);
    style = on ? (style | static_cast<LONG_PTR>(bit)) : (style & ~static_cast<LONG_PTR>(bit));
    SetWindowLongPtrW(h, GWL_STYLE, style);
}

void InitCommon(DWORD classes) {
    INITCOMMONCONTROLSEX icc{sizeof(icc), classes};
    InitCommonControlsEx(&icc);
}

}  // namespace

// ---------------------------------------------------------------- TEdit

TEdit::TEdit(TComponent* AOwner) : TWinControl(AOwner) {
    width_ = 121;
    height_ = 21;
    SetTabStop(true);
    SetColor(clWindow);
}

void TEdit::CreateParams(TCreateParams& p) {
    TWinControl::CreateParams(p);
    p.BaseClassName = L"EDIT";
    p.Style |= ES_AUTOHSCROLL;
    if (readOnly_) p.Style |= ES_READONLY;
    if (borderStyle_ == ebsSingle) p.ExStyle |= WS_EX_CLIENTEDGE;
}

void TEdit::CreateWnd() {
    TWinControl::CreateWnd();
    SendMessageW(Handle(), EM_LIMITTEXT, static_cast<WPARAM>(maxLength_), 0);
}

std::wstring TEdit::Text() const {
    if (HWND h = WindowHandle()) return TextOf(h);
    return text_;
}

void TEdit::SetMaxLength(int value) {
    maxLength_ = std::max(value, 0);
    if (HWND h = WindowHandle()) SendMessageW(h, EM_LIMITTEXT, static_cast<WPARAM>(maxLength_), 0);
}

void TEdit::SetReadOnly(bool value) {
    readOnly_ = value;
    if (HWND h = WindowHandle()) SendMessageW(h, EM_SETREADONLY, value ? TRUE : FALSE, 0);
}

void TEdit::SetBorderStyle(TEditBorderStyle value) {
    if (value == borderStyle_) return;
    borderStyle_ = value;
    if (HWND h = WindowHandle()) {
        LONG_PTR ex = GetWindowLongPtrW(h, GWL_EXSTYLE);
        ex = value == ebsSingle ? (ex | WS_EX_CLIENTEDGE) : (ex & ~static_cast<LONG_PTR>(WS_EX_CLIENTEDGE));
        SetWindowLongPtrW(h, GWL_EXSTYLE, ex);
        SetWindowPos(h, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
    }
}

void TEdit::Change() {
    if (OnChange) OnChange(this);
}

void TEdit::WndProc(TMessage& m) {
    if (m.Msg == CN_COMMAND) {
        if (HIWORD(m.WParam) == EN_CHANGE) Change();
        m.Result = 0;
        return;
    }
    TWinControl::WndProc(m);
}

// ---------------------------------------------------------------- TComboBox

TComboBox::TComboBox(TComponent* AOwner) : TWinControl(AOwner) {
    width_ = 145;
    height_ = 21;
    SetTabStop(true);
    SetColor(clWindow);
}

void TComboBox::CreateParams(TCreateParams& p) {
    TWinControl::CreateParams(p);
    p.BaseClassName = L"COMBOBOX";
    p.Style |= WS_VSCROLL | CBS_AUTOHSCROLL;
    switch (style_) {
        case csDropDown: p.Style |= CBS_DROPDOWN; break;
        case csSimple: p.Style |= CBS_SIMPLE; break;
        case csDropDownList: p.Style |= CBS_DROPDOWNLIST; break;
        case csOwnerDrawFixed: p.Style |= CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED | CBS_HASSTRINGS; break;
        case csOwnerDrawVariable: p.Style |= CBS_DROPDOWNLIST | CBS_OWNERDRAWVARIABLE | CBS_HASSTRINGS; break;
    }
    p.Height = DroppedHeight(height_);
}

// A drop-down combo takes the height it is given as that of the open list
// with the edit; the window itself keeps the edit's height.
int TComboBox::DroppedHeight(int height) const {
    if (style_ == csSimple) return height;
    return height + std::max(dropDownCount_, 1) * itemHeight_ + 4;
}

void TComboBox::CreateWnd() {
    TWinControl::CreateWnd();
    HWND h = Handle();
    if (style_ == csOwnerDrawFixed || style_ == csOwnerDrawVariable) SendMessageW(h, CB_SETITEMHEIGHT, 0, itemHeight_);
    for (const std::wstring& item : items_) {
        const LRESULT index = SendMessageW(h, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
        if (style_ == csOwnerDrawVariable && index >= 0)
            SendMessageW(h, CB_SETITEMHEIGHT, static_cast<WPARAM>(index), itemHeight_);
    }
    if (itemIndex_ >= 0)
        SendMessageW(h, CB_SETCURSEL, static_cast<WPARAM>(itemIndex_), 0);
    else if (!text_.empty() && style_ != csDropDownList)
        SetWindowTextW(h, text_.c_str());
    UpdateBoundsFromWindow();
}

void TComboBox::SetBounds(int left, int top, int width, int height) {
    HWND h = WindowHandle();
    if (!h || style_ == csSimple) {
        TWinControl::SetBounds(left, top, width, height);
        return;
    }
    // Keep the open list's height whatever the window's own height is.
    RECT wr{};
    GetWindowRect(h, &wr);
    const int shown = wr.bottom - wr.top;
    SetWindowPos(h, nullptr, left, top, width, DroppedHeight(height > shown ? height : shown),
                 SWP_NOZORDER | SWP_NOACTIVATE);
    UpdateBoundsFromWindow();
}

void TComboBox::SetStyle(TComboBoxStyle value) {
    if (value == style_) return;
    itemIndex_ = ItemIndex();
    style_ = value;
    if (HandleAllocated()) {
        DestroyHandle();
        HandleNeeded();
    }
}

void TComboBox::SetItems(const TStringList& value) {
    ClearItems();
    for (const std::wstring& item : value) AddItem(item);
}

void TComboBox::AddItem(const std::wstring& item) {
    items_.Add(item);
    if (HWND h = WindowHandle()) {
        const LRESULT index = SendMessageW(h, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
        if (style_ == csOwnerDrawVariable && index >= 0)
            SendMessageW(h, CB_SETITEMHEIGHT, static_cast<WPARAM>(index), itemHeight_);
    }
}

void TComboBox::ClearItems() {
    items_.Clear();
    itemIndex_ = -1;
    if (HWND h = WindowHandle()) SendMessageW(h, CB_RESETCONTENT, 0, 0);
}

int TComboBox::ItemIndex() const {
    if (HWND h = WindowHandle()) return static_cast<int>(SendMessageW(h, CB_GETCURSEL, 0, 0));
    return itemIndex_;
}

void TComboBox::SetItemIndex(int value) {
    itemIndex_ = value >= 0 && value < items_.Count() ? value : -1;
    if (HWND h = WindowHandle()) SendMessageW(h, CB_SETCURSEL, static_cast<WPARAM>(itemIndex_), 0);
}

std::wstring TComboBox::Text() const {
    if (HWND h = WindowHandle()) return TextOf(h);
    if (itemIndex_ >= 0) return items_[itemIndex_];
    return text_;
}

void TComboBox::SetText(const std::wstring& value) {
    if (style_ != csDropDown && style_ != csSimple) {
        // A list-only combo shows the item of that text, if any.
        int found = -1;
        for (int i = 0; i < items_.Count(); ++i)
            if (items_[i] == value) found = i;
        SetItemIndex(found);
        return;
    }
    SetCaption(value);
}

void TComboBox::SetDropDownCount(int value) {
    dropDownCount_ = std::max(value, 1);
    if (HandleAllocated()) SetBounds(left_, top_, width_, height_);
}

void TComboBox::SetItemHeight(int value) {
    itemHeight_ = std::max(value, 1);
    if (HWND h = WindowHandle()) {
        if (style_ == csOwnerDrawFixed) SendMessageW(h, CB_SETITEMHEIGHT, 0, itemHeight_);
        if (style_ == csOwnerDrawVariable)
            for (int i = 0; i < items_.Count(); ++i)
                SendMessageW(h, CB_SETITEMHEIGHT, static_cast<WPARAM>(i), itemHeight_);
    }
}

bool TComboBox::DroppedDown() const {
    HWND h = WindowHandle();
    return h && SendMessageW(h, CB_GETDROPPEDSTATE, 0, 0) != 0;
}

void TComboBox::SetDroppedDown(bool value) {
    if (HWND h = Handle()) SendMessageW(h, CB_SHOWDROPDOWN, value ? TRUE : FALSE, 0);
}

void TComboBox::DrawItem(const DRAWITEMSTRUCT& item) {
    const int index = static_cast<int>(item.itemID);
    if (OnDrawItem) {
        OnDrawItem(this, index, item.hDC, item.rcItem, item.itemState);
        return;
    }
    const bool selected = (item.itemState & ODS_SELECTED) != 0;
    FillRect(item.hDC, &item.rcItem, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
    if (index < 0 || index >= items_.Count()) return;
    const std::wstring& text = items_[index];
    SetBkMode(item.hDC, TRANSPARENT);
    SetTextColor(item.hDC, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
    RECT r = item.rcItem;
    r.left += 2;
    DrawTextW(item.hDC, text.c_str(), static_cast<int>(text.size()), &r, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
    if (item.itemState & ODS_FOCUS) DrawFocusRect(item.hDC, &item.rcItem);
}

void TComboBox::WndProc(TMessage& m) {
    switch (m.Msg) {
        case CN_COMMAND:
            switch (HIWORD(m.WParam)) {
                case CBN_SELCHANGE:
                    itemIndex_ = ItemIndex();
                    if (OnSelect) OnSelect(this);
                    if (OnChange) OnChange(this);
                    break;
                case CBN_EDITCHANGE:
                    if (OnChange) OnChange(this);
                    break;
                case CBN_DROPDOWN:
                    if (OnDropDown) OnDropDown(this);
                    break;
                case CBN_CLOSEUP:
                    if (OnCloseUp) OnCloseUp(this);
                    break;
                default: break;
            }
            m.Result = 0;
            return;
        case CN_DRAWITEM:
            DrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(m.LParam));
            m.Result = TRUE;
            return;
        case WM_ERASEBKGND:
            if (style_ == csSimple && m.WParam) {
                // The platform leaves the part below a simple combo's list
                // unpainted: it shows the parent's colour.
                RECT r{};
                GetClientRect(WindowHandle(), &r);
                const TColor back = Parent() ? Parent()->Color() : clBtnFace;
                UniqueBrush brush(CreateSolidBrush(static_cast<COLORREF>(ColorToRGB(back))));
                FillRect(reinterpret_cast<HDC>(m.WParam), &r, brush.get());
                m.Result = 1;
                return;
            }
            break;
        default: break;
    }
    TWinControl::WndProc(m);
}

// ---------------------------------------------------------------- TUpDown

TUpDown::TUpDown(TComponent* AOwner) : TWinControl(AOwner) {
    width_ = 17;
    height_ = 25;
    InitCommon(ICC_UPDOWN_CLASS);
}

void TUpDown::CreateParams(TCreateParams& p) {
    TWinControl::CreateParams(p);
    p.BaseClassName = UPDOWN_CLASSW;
    p.Style |= UDS_ARROWKEYS | UDS_NOTHOUSANDS;
    if (orientation_ == udHorizontal) p.Style |= UDS_HORZ;
}

void TUpDown::CreateWnd() {
    TWinControl::CreateWnd();
    HWND h = Handle();
    SendMessageW(h, UDM_SETRANGE32, static_cast<WPARAM>(min_), static_cast<LPARAM>(max_));
    SendMessageW(h, UDM_SETPOS32, 0, static_cast<LPARAM>(position_));
    UDACCEL accel{0, static_cast<UINT>(std::max(increment_, 1))};
    SendMessageW(h, UDM_SETACCEL, 1, reinterpret_cast<LPARAM>(&accel));
    SyncAssociate();
}

int TUpDown::Position() const {
    if (HWND h = WindowHandle()) return static_cast<int>(SendMessageW(h, UDM_GETPOS32, 0, 0));
    return position_;
}

void TUpDown::SetPosition(int value) {
    position_ = std::clamp(value, std::min(min_, max_), std::max(min_, max_));
    if (HWND h = WindowHandle()) SendMessageW(h, UDM_SETPOS32, 0, static_cast<LPARAM>(position_));
    SyncAssociate();
}

void TUpDown::SetMin(int value) {
    min_ = value;
    if (HWND h = WindowHandle()) SendMessageW(h, UDM_SETRANGE32, static_cast<WPARAM>(min_), static_cast<LPARAM>(max_));
    SetPosition(Position());
}

void TUpDown::SetMax(int value) {
    max_ = value;
    if (HWND h = WindowHandle()) SendMessageW(h, UDM_SETRANGE32, static_cast<WPARAM>(min_), static_cast<LPARAM>(max_));
    SetPosition(Position());
}

void TUpDown::SetIncrement(int value) {
    increment_ = std::max(value, 1);
    if (HWND h = WindowHandle()) {
        UDACCEL accel{0, static_cast<UINT>(increment_)};
        SendMessageW(h, UDM_SETACCEL, 1, reinterpret_cast<LPARAM>(&accel));
    }
}

void TUpDown::SetAssociate(TWinControl* value) {
    associate_ = value;
    SyncAssociate();
}

void TUpDown::SetOrientation(TUDOrientation value) {
    if (value == orientation_) return;
    orientation_ = value;
    SetStyleBit(WindowHandle(), UDS_HORZ, value == udHorizontal);
    Invalidate();
}

// The associate shows the position as text; the object writes it so the
// text is the same whichever control the associate is.
void TUpDown::SyncAssociate() {
    if (associate_) associate_->SetCaption(std::to_wstring(Position()));
}

void TUpDown::WndProc(TMessage& m) {
    switch (m.Msg) {
        case CN_NOTIFY: {
            const auto* hdr = reinterpret_cast<const NMHDR*>(m.LParam);
            if (hdr->code == UDN_DELTAPOS) {
                bool allow = true;
                if (OnChanging) OnChanging(this, allow);
                m.Result = allow ? 0 : 1;
                return;
            }
            break;
        }
        case CN_HSCROLL:
        case CN_VSCROLL:
            if (LOWORD(m.WParam) == SB_THUMBPOSITION) {
                const int now = Position();
                const TUDBtnType button = now >= position_ ? udStepUp : udStepDown;
                position_ = now;
                SyncAssociate();
                if (OnClick) OnClick(this, button);
            }
            m.Result = 0;
            return;
        default: break;
    }
    TWinControl::WndProc(m);
}

// ---------------------------------------------------------------- TSpinEdit

namespace {
constexpr int kSpinButtonsWidth = 15;
constexpr int kSpinMiddle = 50;  // the buttons' own position never moves from here
}  // namespace

TSpinEdit::TSpinEdit(TComponent* AOwner) : TEdit(AOwner) {
    InitCommon(ICC_UPDOWN_CLASS);
    text_ = L"0";
}

void TSpinEdit::CreateParams(TCreateParams& p) {
    TEdit::CreateParams(p);
    p.Style |= WS_CLIPCHILDREN;
}

void TSpinEdit::CreateWnd() {
    TEdit::CreateWnd();
    HWND h = Handle();
    buttons_ = CreateWindowExW(0, UPDOWN_CLASSW, L"", WS_CHILD | WS_VISIBLE, 0, 0, kSpinButtonsWidth, 10, h, nullptr,
                               GetModuleHandleW(nullptr), nullptr);
    if (buttons_) {
        SendMessageW(buttons_, UDM_SETRANGE32, 0, 2 * kSpinMiddle);
        SendMessageW(buttons_, UDM_SETPOS32, 0, kSpinMiddle);
    }
    SendMessageW(h, EM_SETMARGINS, EC_RIGHTMARGIN, MAKELPARAM(0, kSpinButtonsWidth + 1));
    PlaceButtons();
    SetWindowTextW(h, std::to_wstring(value_).c_str());
}

void TSpinEdit::PlaceButtons() {
    HWND h = WindowHandle();
    if (!h || !buttons_) return;
    RECT cr{};
    GetClientRect(h, &cr);
    SetWindowPos(buttons_, nullptr, cr.right - kSpinButtonsWidth, 0, kSpinButtonsWidth, cr.bottom,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

void TSpinEdit::SetBounds(int left, int top, int width, int height) {
    TEdit::SetBounds(left, top, width, height);
    PlaceButtons();
}

int TSpinEdit::Clamp(int value) const {
    if (minValue_ == 0 && maxValue_ == 0) return value;
    return std::clamp(value, std::min(minValue_, maxValue_), std::max(minValue_, maxValue_));
}

int TSpinEdit::Value() const {
    const std::wstring text = Text();
    wchar_t* end = nullptr;
    const long parsed = std::wcstol(text.c_str(), &end, 10);
    if (text.empty() || (end && *end != L'\0')) return Clamp(value_);
    return Clamp(static_cast<int>(parsed));
}

void TSpinEdit::SetValue(int value) {
    value_ = Clamp(value);
    SetCaption(std::to_wstring(value_));
}

void TSpinEdit::SetMinValue(int value) {
    minValue_ = value;
    SetValue(Value());
}

void TSpinEdit::SetMaxValue(int value) {
    maxValue_ = value;
    SetValue(Value());
}

void TSpinEdit::Step(int direction) {
    if (ReadOnly()) return;
    SetValue(Value() + direction * increment_);
    if (HWND h = WindowHandle()) SendMessageW(h, EM_SETSEL, 0, -1);
}

void TSpinEdit::WndProc(TMessage& m) {
    switch (m.Msg) {
        case WM_NOTIFY: {
            const auto* hdr = reinterpret_cast<const NMHDR*>(m.LParam);
            if (hdr && hdr->hwndFrom == buttons_ && buttons_ && hdr->code == UDN_DELTAPOS) {
                const auto* delta = reinterpret_cast<const NMUPDOWN*>(m.LParam);
                if (delta->iDelta != 0) Step(delta->iDelta > 0 ? 1 : -1);
                m.Result = 1;  // the buttons keep their middle position
                return;
            }
            break;
        }
        case WM_VSCROLL:
            if (reinterpret_cast<HWND>(m.LParam) == buttons_) {
                m.Result = 0;
                return;
            }
            break;
        case WM_KEYDOWN:
            if (m.WParam == VK_UP || m.WParam == VK_DOWN) {
                Step(m.WParam == VK_UP ? 1 : -1);
                m.Result = 0;
                return;
            }
            break;
        case WM_SIZE:
            TEdit::WndProc(m);
            PlaceButtons();
            return;
        case WM_NCDESTROY: buttons_ = nullptr; break;
        default: break;
    }
    TEdit::WndProc(m);
}

// ---------------------------------------------------------------- TDateTimePicker

TDateTimePicker::TDateTimePicker(TComponent* AOwner) : TWinControl(AOwner) {
    width_ = 186;
    height_ = 21;
    SetTabStop(true);
    InitCommon(ICC_DATE_CLASSES);
    GetLocalTime(&date_);
}

void TDateTimePicker::CreateParams(TCreateParams& p) {
    TWinControl::CreateParams(p);
    p.BaseClassName = DATETIMEPICK_CLASSW;
    if (kind_ == dtkTime)
        p.Style |= DTS_TIMEFORMAT;
    else if (dateFormat_ == dfLong)
        p.Style |= DTS_LONGDATEFORMAT;
    if (dateMode_ == dmUpDown) p.Style |= DTS_UPDOWN;
}

void TDateTimePicker::CreateWnd() {
    TWinControl::CreateWnd();
    SendMessageW(Handle(), DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&date_));
}

void TDateTimePicker::Recreate() {
    if (!HandleAllocated()) return;
    date_ = Date();
    DestroyHandle();
    HandleNeeded();
}

SYSTEMTIME TDateTimePicker::Date() const {
    SYSTEMTIME st = date_;
    if (HWND h = WindowHandle()) {
        if (SendMessageW(h, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&st)) != GDT_VALID) st = date_;
    }
    return st;
}

void TDateTimePicker::SetDate(const SYSTEMTIME& value) {
    date_ = value;
    if (HWND h = WindowHandle()) SendMessageW(h, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&date_));
}

std::wstring TDateTimePicker::DateText() const {
    const SYSTEMTIME st = Date();
    wchar_t buf[16];
    std::swprintf(buf, 16, L"%04u-%02u-%02u", st.wYear, st.wMonth, st.wDay);
    return buf;
}

void TDateTimePicker::SetDateText(const std::wstring& value) {
    unsigned y = 0, mo = 0, d = 0;
    if (std::swscanf(value.c_str(), L"%4u-%2u-%2u", &y, &mo, &d) != 3 || mo < 1 || mo > 12 || d < 1 || d > 31) return;
    SYSTEMTIME st = date_;
    st.wYear = static_cast<WORD>(y);
    st.wMonth = static_cast<WORD>(mo);
    st.wDay = static_cast<WORD>(d);
    st.wDayOfWeek = 0;
    SetDate(st);
}

void TDateTimePicker::SetKind(TDateTimeKind value) {
    if (value == kind_) return;
    kind_ = value;
    Recreate();
}

void TDateTimePicker::SetDateFormat(TDTDateFormat value) {
    if (value == dateFormat_) return;
    dateFormat_ = value;
    Recreate();
}

void TDateTimePicker::SetDateMode(TDTDateMode value) {
    if (value == dateMode_) return;
    dateMode_ = value;
    Recreate();
}

bool TDateTimePicker::DroppedDown() const {
    HWND h = WindowHandle();
    // The platform may keep a hidden calendar between drops.
    HWND calendar = h ? reinterpret_cast<HWND>(SendMessageW(h, DTM_GETMONTHCAL, 0, 0)) : nullptr;
    return calendar && IsWindowVisible(calendar);
}

void TDateTimePicker::WndProc(TMessage& m) {
    if (m.Msg == CN_NOTIFY) {
        const auto* hdr = reinterpret_cast<const NMHDR*>(m.LParam);
        switch (hdr->code) {
            case DTN_DATETIMECHANGE:
                date_ = Date();
                if (OnChange) OnChange(this);
                break;
            case DTN_DROPDOWN:
                if (OnDropDown) OnDropDown(this);
                break;
            case DTN_CLOSEUP:
                if (OnCloseUp) OnCloseUp(this);
                break;
            default: break;
        }
        m.Result = 0;
        return;
    }
    TWinControl::WndProc(m);
}
