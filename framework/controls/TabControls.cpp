#include "framework/controls/TabControls.h"

#include <algorithm>

#include "framework/graphics/GdiHandles.h"

namespace {

void InitTabClasses() {
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_TAB_CLASSES | ICC_UPDOWN_CLASS};
    InitCommonControlsEx(&icc);
}

COLORREF Rgb(TColor c) {
    return static_cast<COLORREF>(ColorToRGB(c));
}

}  // namespace

// ---------------------------------------------------------------- TTabImages

TTabImages::TTabImages(int width, int height) {
    InitTabClasses();
    list_ = ImageList_Create(width, height, ILC_COLOR24 | ILC_MASK, 4, 4);
}

TTabImages::~TTabImages() {
    if (list_) ImageList_Destroy(list_);
}

int TTabImages::Add(const TBitmap& image, TColor key) {
    if (!list_ || image.Empty() || !image.DC()) return -1;
    // The list takes a bitmap selected into no DC: copy the pixels into one of our own.
    UniqueBitmap copy;
    MemoryDC mem;
    {
        const WindowDC screen = WindowDC::Client(nullptr);
        copy.reset(CreateCompatibleBitmap(screen.get(), image.Width(), image.Height()));
        mem = MemoryDC::CompatibleWith(screen.get());
    }
    if (!copy || !mem) return -1;
    {
        // Deselected before the list reads it.
        const SelectGuard select(mem.get(), copy.get());
        BitBlt(mem.get(), 0, 0, image.Width(), image.Height(), image.DC(), 0, 0, SRCCOPY);
    }
    return ImageList_AddMasked(list_, copy.get(), Rgb(key));
}

int TTabImages::Count() const {
    return list_ ? ImageList_GetImageCount(list_) : 0;
}

// ---------------------------------------------------------------- TCustomTabControl

TCustomTabControl::TCustomTabControl(TComponent* AOwner) : TWinControl(AOwner) {
    InitTabClasses();
    width_ = 289;
    height_ = 193;
    SetTabStop(true);
}

void TCustomTabControl::CreateParams(TCreateParams& p) {
    TWinControl::CreateParams(p);
    p.BaseClassName = WC_TABCONTROLW;
    p.Style |= WS_CLIPCHILDREN | TCS_TOOLTIPS;
    switch (tabPosition_) {
        case tpTop: break;
        case tpBottom: p.Style |= TCS_BOTTOM; break;
        case tpLeft: p.Style |= TCS_VERTICAL | TCS_MULTILINE; break;
        case tpRight: p.Style |= TCS_VERTICAL | TCS_BOTTOM | TCS_MULTILINE; break;
    }
    if (multiLine_) p.Style |= TCS_MULTILINE;
    if (style_ == tsButtons) p.Style |= TCS_BUTTONS;
    if (style_ == tsFlatButtons) p.Style |= TCS_BUTTONS | TCS_FLATBUTTONS;
}

void TCustomTabControl::CreateWnd() {
    TWinControl::CreateWnd();
    if (images_) SendMessageW(Handle(), TCM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images_));
    SyncItems();
}

void TCustomTabControl::SyncItems() {
    HWND h = WindowHandle();
    if (!h) return;
    const int keep = selected_;
    SendMessageW(h, TCM_DELETEALLITEMS, 0, 0);
    for (int i = 0; i < ItemCount(); ++i) {
        std::wstring text = ItemText(i);
        TCITEMW item{};
        item.mask = TCIF_TEXT | TCIF_IMAGE;
        item.pszText = text.data();
        item.iImage = ItemImage(i);
        SendMessageW(h, TCM_INSERTITEMW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
    }
    selected_ = std::min(keep, ItemCount() - 1);
    SendMessageW(h, TCM_SETCURSEL, static_cast<WPARAM>(selected_), 0);
}

void TCustomTabControl::RecreateWindow() {
    if (!HandleAllocated()) return;
    selected_ = TabIndex();
    DestroyHandle();
    HandleNeeded();
}

int TCustomTabControl::TabIndex() const {
    if (HWND h = WindowHandle()) return static_cast<int>(SendMessageW(h, TCM_GETCURSEL, 0, 0));
    return selected_;
}

void TCustomTabControl::SetTabIndex(int value) {
    if (value < -1 || value >= ItemCount()) return;
    selected_ = value;
    if (HWND h = WindowHandle()) SendMessageW(h, TCM_SETCURSEL, static_cast<WPARAM>(value), 0);
}

void TCustomTabControl::SetTabPosition(TTabPosition value) {
    if (value == tabPosition_) return;
    tabPosition_ = value;
    RecreateWindow();
}

void TCustomTabControl::SetStyle(TTabStyle value) {
    if (value == style_) return;
    style_ = value;
    RecreateWindow();
}

void TCustomTabControl::SetMultiLine(bool value) {
    if (value == multiLine_) return;
    multiLine_ = value;
    RecreateWindow();
}

void TCustomTabControl::SetImages(HIMAGELIST value) {
    images_ = value;
    if (HWND h = WindowHandle()) {
        SendMessageW(h, TCM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(value));
        InvalidateRect(h, nullptr, TRUE);
    }
}

RECT TCustomTabControl::DisplayRect() {
    RECT r = ClientRect();
    if (HWND h = WindowHandle()) SendMessageW(h, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&r));
    return r;
}

RECT TCustomTabControl::TabRect(int index) {
    RECT r{};
    if (HWND h = WindowHandle())
        SendMessageW(h, TCM_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&r));
    return r;
}

int TCustomTabControl::IndexOfTabAt(int x, int y) {
    HWND h = WindowHandle();
    if (!h) return -1;
    TCHITTESTINFO hit{};
    hit.pt = POINT{x, y};
    return static_cast<int>(SendMessageW(h, TCM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
}

bool TCustomTabControl::SelectNextTab(bool forward) {
    const int n = ItemCount();
    if (n < 2) return false;
    const int from = TabIndex();
    const int to = from < 0 ? 0 : (forward ? (from + 1) % n : (from + n - 1) % n);
    if (!CanChange()) return false;
    SetTabIndex(to);
    Change();
    return true;
}

bool TCustomTabControl::CanChange() {
    bool allow = true;
    if (OnChanging) OnChanging(this, allow);
    return allow;
}

void TCustomTabControl::Change() {
    selected_ = TabIndex();
    if (OnChange) OnChange(this);
}

void TCustomTabControl::WndProc(TMessage& m) {
    switch (m.Msg) {
        case CN_NOTIFY: {
            const auto* hdr = reinterpret_cast<const NMHDR*>(m.LParam);
            if (hdr->code == TCN_SELCHANGING) {
                m.Result = CanChange() ? FALSE : TRUE;
                return;
            }
            if (hdr->code == TCN_SELCHANGE) {
                Change();
                m.Result = 0;
                return;
            }
            break;
        }
        case CM_CTRLTAB: m.Result = SelectNextTab(m.WParam != 0) ? 1 : 0; return;
        default: break;
    }
    TWinControl::WndProc(m);
}

// ---------------------------------------------------------------- TTabControl

int TTabControl::AddTab(const std::wstring& text, int imageIndex) {
    tabs_.push_back(Item{text, imageIndex});
    const int index = TabCount() - 1;
    if (HWND h = WindowHandle()) {
        std::wstring copy = text;
        TCITEMW item{};
        item.mask = TCIF_TEXT | TCIF_IMAGE;
        item.pszText = copy.data();
        item.iImage = imageIndex;
        SendMessageW(h, TCM_INSERTITEMW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
    }
    if (selected_ < 0) SetTabIndex(0);
    return index;
}

void TTabControl::DeleteTab(int index) {
    if (index < 0 || index >= TabCount()) return;
    const int active = TabIndex();
    tabs_.erase(tabs_.begin() + index);
    if (HWND h = WindowHandle()) SendMessageW(h, TCM_DELETEITEM, static_cast<WPARAM>(index), 0);
    // The window drops the selection with the selected tab: its neighbour takes it.
    SetTabIndex(std::min(active > index ? active - 1 : active, TabCount() - 1));
}

void TTabControl::SetTabImage(int index, int imageIndex) {
    if (index < 0 || index >= TabCount()) return;
    tabs_[static_cast<size_t>(index)].image = imageIndex;
    SyncItems();
}

// ---------------------------------------------------------------- TTabSheet

TTabSheet::TTabSheet(TComponent* AOwner) : TPaintedControl(AOwner) {
    visible_ = false;
}

TTabSheet::~TTabSheet() {
    if (pageControl_) pageControl_->RemovePage(this);
}

void TTabSheet::SetPageControl(TPageControl* pc) {
    SetParent(pc);
}

void TTabSheet::SetParent(TWinControl* parent) {
    auto* pc = dynamic_cast<TPageControl*>(parent);
    if (pageControl_ && pageControl_ != pc) pageControl_->RemovePage(this);
    TPaintedControl::SetParent(parent);
    if (pc && pc != pageControl_) pc->InsertPage(this);
}

int TTabSheet::PageIndex() const {
    if (!pageControl_) return -1;
    const auto& pages = pageControl_->pages_;
    return static_cast<int>(std::find(pages.begin(), pages.end(), this) - pages.begin());
}

void TTabSheet::SetPageIndex(int value) {
    if (pageControl_) pageControl_->MovePage(this, value);
}

void TTabSheet::SetImageIndex(int value) {
    if (value == imageIndex_) return;
    imageIndex_ = value;
    if (pageControl_) pageControl_->SyncItems();
}

void TTabSheet::Paint(HDC dc, const RECT& client) {
    UniqueBrush face(CreateSolidBrush(Rgb(Color())));
    FillRect(dc, &client, face.get());
}

void TTabSheet::TextChanged() {
    TPaintedControl::TextChanged();
    if (pageControl_) pageControl_->SyncItems();
}

// ---------------------------------------------------------------- TPageControl

TPageControl::TPageControl(TComponent* AOwner) : TCustomTabControl(AOwner) {}

TPageControl::~TPageControl() {
    // The pages are freed as our children after this body: they must not
    // come back to a list that is gone.
    for (TTabSheet* page : pages_) page->pageControl_ = nullptr;
    pages_.clear();
}

TTabSheet* TPageControl::ActivePage() const {
    const int i = TabIndex();
    return i >= 0 && i < PageCount() ? pages_[static_cast<size_t>(i)] : nullptr;
}

void TPageControl::SetActivePage(TTabSheet* page) {
    auto it = std::find(pages_.begin(), pages_.end(), page);
    SetActivePageIndex(it == pages_.end() ? -1 : static_cast<int>(it - pages_.begin()));
}

void TPageControl::SetActivePageIndex(int value) {
    SetTabIndex(value);
    selected_ = TabIndex();
    LayoutPages();
}

void TPageControl::InsertPage(TTabSheet* page) {
    pages_.push_back(page);
    page->pageControl_ = this;
    SyncItems();
    if (selected_ < 0) SetTabIndex(0);
    LayoutPages();
}

void TPageControl::RemovePage(TTabSheet* page) {
    auto it = std::find(pages_.begin(), pages_.end(), page);
    if (it == pages_.end()) return;
    const int index = static_cast<int>(it - pages_.begin());
    const int active = TabIndex();
    pages_.erase(it);
    page->pageControl_ = nullptr;
    if (HWND h = WindowHandle()) SendMessageW(h, TCM_DELETEITEM, static_cast<WPARAM>(index), 0);
    // The active page gone: its neighbour (the one after it, else the last) takes its place.
    int next = active;
    if (active > index || active >= PageCount()) next = std::min(active - (active > index ? 1 : 0), PageCount() - 1);
    if (active == index) next = std::min(index, PageCount() - 1);
    SetTabIndex(next);
    selected_ = next;
    LayoutPages();
}

void TPageControl::MovePage(TTabSheet* page, int index) {
    auto it = std::find(pages_.begin(), pages_.end(), page);
    if (it == pages_.end() || index < 0 || index >= PageCount()) return;
    TTabSheet* active = ActivePage();
    pages_.erase(it);
    pages_.insert(pages_.begin() + index, page);
    SyncItems();
    SetActivePage(active);
}

void TPageControl::LayoutPages() {
    if (!HandleAllocated()) return;
    const RECT r = DisplayRect();
    TTabSheet* active = ActivePage();
    for (TTabSheet* page : pages_) {
        if (page == active) {
            page->SetBounds(r.left, r.top, r.right - r.left, r.bottom - r.top);
            page->Show();
        }
    }
    for (TTabSheet* page : pages_)
        if (page != active) page->Hide();
}

void TPageControl::CreateWnd() {
    TCustomTabControl::CreateWnd();
    LayoutPages();
}

void TPageControl::SetBounds(int left, int top, int width, int height) {
    TCustomTabControl::SetBounds(left, top, width, height);
    LayoutPages();
}

void TPageControl::Change() {
    LayoutPages();
    TCustomTabControl::Change();
}

void TPageControl::WndProc(TMessage& m) {
    TCustomTabControl::WndProc(m);
    if (m.Msg == WM_SIZE) LayoutPages();
}

// ---------------------------------------------------------------- TTabSet

TTabSetScroller::TTabSetScroller(TTabSet* owner) : TWinControl(owner) {
    width_ = 30;
    height_ = 16;
    visible_ = false;
}

void TTabSetScroller::CreateParams(TCreateParams& p) {
    TWinControl::CreateParams(p);
    p.BaseClassName = UPDOWN_CLASSW;
    p.Style |= UDS_HORZ;
}

void TTabSetScroller::CreateWnd() {
    TWinControl::CreateWnd();
    SetRange(count_);
    SetPosition(position_);
}

void TTabSetScroller::SetRange(int count) {
    count_ = count;
    if (HWND h = WindowHandle()) SendMessageW(h, UDM_SETRANGE32, 0, std::max(0, count - 1));
}

void TTabSetScroller::SetPosition(int value) {
    position_ = value;
    if (HWND h = WindowHandle()) SendMessageW(h, UDM_SETPOS32, 0, value);
}

TTabSet::TTabSet(TComponent* AOwner) : TPaintedControl(AOwner) {
    InitTabClasses();
    width_ = 185;
    height_ = 21;
    // The first component, so a skin finds it there.
    scroller_ = new TTabSetScroller(this);
    scroller_->SetParent(this);
}

int TTabSet::AddTab(const std::wstring& text) {
    tabs_.push_back(text);
    if (tabIndex_ < 0) tabIndex_ = 0;
    UpdateScroller();
    Invalidate();
    return TabCount() - 1;
}

void TTabSet::DeleteTab(int index) {
    if (index < 0 || index >= TabCount()) return;
    tabs_.erase(tabs_.begin() + index);
    if (tabIndex_ >= TabCount()) tabIndex_ = TabCount() - 1;
    if (firstIndex_ >= TabCount()) firstIndex_ = std::max(0, TabCount() - 1);
    UpdateScroller();
    Invalidate();
}

void TTabSet::SetTabIndex(int value) {
    if (value < -1 || value >= TabCount()) return;
    tabIndex_ = value;
    Invalidate();
}

void TTabSet::SetFirstIndex(int value) {
    value = std::clamp(value, 0, std::max(0, TabCount() - 1));
    if (value == firstIndex_) return;
    firstIndex_ = value;
    UpdateScroller();
    Invalidate();
}

void TTabSet::SetStartMargin(int value) {
    startMargin_ = value;
    UpdateScroller();
    Invalidate();
}

void TTabSet::SetEndMargin(int value) {
    endMargin_ = value;
    UpdateScroller();
    Invalidate();
}

bool TTabSet::ScrollerVisible() const {
    HWND h = scroller_->WindowHandle();
    return h && IsWindowVisible(h);
}

int TTabSet::TabWidth(HDC dc, int index) const {
    const std::wstring& s = Tab(index);
    SIZE size{};
    GetTextExtentPoint32W(dc, s.c_str(), static_cast<int>(s.size()), &size);
    return size.cx + 9;
}

bool TTabSet::AllFit() {
    HDC screen = GetDC(nullptr);
    int x = startMargin_;
    {
        SelectGuard font(screen, Font().Handle());
        for (int i = 0; i < TabCount(); ++i) x += TabWidth(screen, i);
    }
    ReleaseDC(nullptr, screen);
    return x + 9 <= width_ - endMargin_;
}

std::vector<TTabSet::ShownTab> TTabSet::ShownTabs(HDC dc) {
    std::vector<ShownTab> shown;
    const int room = (ScrollerVisible() ? 21 : 9);
    int x = startMargin_;
    for (int i = firstIndex_; i < TabCount(); ++i) {
        const int w = TabWidth(dc, i);
        if (x + w + room > width_ - endMargin_) break;
        shown.push_back(ShownTab{i, RECT{x, 0, x + w, height_}});
        x += w;
    }
    return shown;
}

void TTabSet::UpdateScroller() {
    if (!HandleAllocated()) return;
    const bool need = !AllFit() || firstIndex_ > 0;
    scroller_->SetBounds(width_ - scroller_->Width(), 0, scroller_->Width(), std::min(height_, 16));
    scroller_->SetRange(TabCount());
    scroller_->SetPosition(firstIndex_);
    scroller_->SetVisible(need);
}

void TTabSet::CreateWnd() {
    TPaintedControl::CreateWnd();
    UpdateScroller();
}

void TTabSet::SetBounds(int left, int top, int width, int height) {
    TPaintedControl::SetBounds(left, top, width, height);
    UpdateScroller();
}

void TTabSet::FontChanged() {
    TPaintedControl::FontChanged();
    UpdateScroller();
}

void TTabSet::Paint(HDC dc, const RECT& client) {
    UniqueBrush face(CreateSolidBrush(Rgb(Color())));
    FillRect(dc, &client, face.get());
    SelectGuard font(dc, Font().Handle());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, Rgb(Font().Color));
    // The edge the tabs hang from.
    UniquePen dark(CreatePen(PS_SOLID, 1, Rgb(clBtnShadow)));
    SelectGuard pen(dc, dark.get());
    MoveToEx(dc, 0, 0, nullptr);
    LineTo(dc, client.right, 0);
    UniqueBrush window(CreateSolidBrush(Rgb(clWindow)));
    for (const ShownTab& t : ShownTabs(dc)) {
        const RECT& r = t.rect;
        const bool sel = t.index == tabIndex_;
        POINT pts[4] = {{r.left, 0}, {r.left + 3, r.bottom - 2}, {r.right - 3, r.bottom - 2}, {r.right, 0}};
        SelectGuard brush(dc, sel ? window.get() : face.get());
        Polygon(dc, pts, 4);
        RECT text = r;
        DrawTextW(dc, Tab(t.index).c_str(), static_cast<int>(Tab(t.index).size()), &text,
                  DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    }
}

void TTabSet::WndProc(TMessage& m) {
    switch (m.Msg) {
        case WM_LBUTTONDOWN: {
            TPaintedControl::WndProc(m);
            const int x = static_cast<short>(LOWORD(m.LParam));
            const int y = static_cast<short>(HIWORD(m.LParam));
            HDC dc = GetDC(WindowHandle());
            std::vector<ShownTab> shown;
            {
                SelectGuard font(dc, Font().Handle());
                shown = ShownTabs(dc);
            }
            ReleaseDC(WindowHandle(), dc);
            for (const ShownTab& t : shown) {
                const POINT pt{x, y};
                if (!PtInRect(&t.rect, pt) || t.index == tabIndex_) continue;
                bool allow = true;
                if (OnChanging) OnChanging(this, allow);
                if (!allow) break;
                SetTabIndex(t.index);
                if (OnChange) OnChange(this);
                break;
            }
            return;
        }
        case WM_HSCROLL:
            if (reinterpret_cast<HWND>(m.LParam) == scroller_->WindowHandle() && LOWORD(m.WParam) == SB_THUMBPOSITION) {
                SetFirstIndex(static_cast<short>(HIWORD(m.WParam)));
                m.Result = 0;
                return;
            }
            break;
        default: break;
    }
    TPaintedControl::WndProc(m);
}
