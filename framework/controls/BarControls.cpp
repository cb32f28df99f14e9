#include "framework/controls/BarControls.h"

#include <algorithm>

#include "framework/streaming/PublishedProperties.h"

namespace {

void InitBarClasses() {
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_BAR_CLASSES | ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&icc);
}

}  // namespace

// ---- status bar ----

void TStatusPanel::SetText(const std::wstring& value) {
    text_ = value;
    Changed();
}
void TStatusPanel::SetWidth(int value) {
    width_ = std::max(0, value);
    Changed();
}
void TStatusPanel::SetAlignment(TAlignment value) {
    alignment_ = value;
    Changed();
}
void TStatusPanel::SetBevel(TPanelBevel value) {
    bevel_ = value;
    Changed();
}
void TStatusPanel::SetStyle(TStatusPanelStyle value) {
    style_ = value;
    Changed();
}

int TStatusPanel::Index() const {
    for (int i = 0; i < bar_->PanelCount(); ++i)
        if (bar_->Panel(i) == this) return i;
    return -1;
}

void TStatusPanel::Changed() {
    const int i = Index();
    if (i >= 0) bar_->UpdatePanels();
}

TStatusBar::TStatusBar(TComponent* AOwner) : TWinControl(AOwner) {
    InitBarClasses();
    width_ = 200;
    height_ = 19;
}

TStatusBar::~TStatusBar() = default;

TStatusPanel* TStatusBar::AddPanel() {
    panels_.push_back(std::make_unique<TStatusPanel>(this));
    UpdatePanels();
    return panels_.back().get();
}

void TStatusBar::ClearPanels() {
    panels_.clear();
    UpdatePanels();
}

void TStatusBar::SetSimplePanel(bool value) {
    simplePanel_ = value;
    if (HandleAllocated()) SendMessageW(WindowHandle(), SB_SIMPLE, value ? TRUE : FALSE, 0);
    Invalidate();
}

void TStatusBar::SetSimpleText(const std::wstring& value) {
    simpleText_ = value;
    if (HandleAllocated())
        SendMessageW(WindowHandle(), SB_SETTEXTW, SB_SIMPLEID, reinterpret_cast<LPARAM>(simpleText_.c_str()));
}

void TStatusBar::SetSizeGrip(bool value) {
    sizeGrip_ = value;
    if (!HandleAllocated()) return;
    const HWND h = WindowHandle();
    LONG style = GetWindowLongW(h, GWL_STYLE);
    style = value ? (style | SBARS_SIZEGRIP) : (style & ~static_cast<LONG>(SBARS_SIZEGRIP));
    SetWindowLongW(h, GWL_STYLE, style);
    InvalidateRect(h, nullptr, TRUE);
}

void TStatusBar::CreateParams(TCreateParams& p) {
    TWinControl::CreateParams(p);
    p.BaseClassName = STATUSCLASSNAMEW;
    p.Style |= CCS_BOTTOM;
    if (sizeGrip_) p.Style |= SBARS_SIZEGRIP;
}

void TStatusBar::CreateWnd() {
    TWinControl::CreateWnd();
    UpdatePanels();
    SendMessageW(WindowHandle(), SB_SIMPLE, simplePanel_ ? TRUE : FALSE, 0);
    SendMessageW(WindowHandle(), SB_SETTEXTW, SB_SIMPLEID, reinterpret_cast<LPARAM>(simpleText_.c_str()));
}

void TStatusBar::UpdatePanels() {
    if (!HandleAllocated()) return;
    const HWND h = WindowHandle();
    // A bar needs one part at least; with no panels it shows one empty part.
    std::vector<int> edges;
    int x = 0;
    for (const auto& p : panels_) {
        x += p->Width();
        edges.push_back(x);
    }
    if (edges.empty()) edges.push_back(-1);
    SendMessageW(h, SB_SETPARTS, edges.size(), reinterpret_cast<LPARAM>(edges.data()));
    for (int i = 0; i < PanelCount(); ++i) UpdatePanelText(i);
    InvalidateRect(h, nullptr, TRUE);
}

void TStatusBar::UpdatePanelText(int index) {
    const TStatusPanel& p = *Panel(index);
    WPARAM flags = static_cast<WPARAM>(index);
    if (p.Bevel() == pbNone) flags |= SBT_NOBORDERS;
    if (p.Bevel() == pbRaised) flags |= SBT_POPOUT;
    if (p.Style() == psOwnerDraw) {
        flags |= SBT_OWNERDRAW;
        SendMessageW(WindowHandle(), SB_SETTEXTW, flags, reinterpret_cast<LPARAM>(&p));
        return;
    }
    // The control centres text after one tab and right-aligns it after two.
    std::wstring text = p.Text();
    if (p.Alignment() == taCenter) text = L"\t" + text;
    if (p.Alignment() == taRightJustify) text = L"\t\t" + text;
    SendMessageW(WindowHandle(), SB_SETTEXTW, flags, reinterpret_cast<LPARAM>(text.c_str()));
}

void TStatusBar::WndProc(TMessage& m) {
    if (m.Msg == CN_DRAWITEM) {
        const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(m.LParam);
        const int i = item ? static_cast<int>(item->itemID) : -1;
        if (OnDrawPanel && i >= 0 && i < PanelCount()) {
            TCanvas canvas(item->hDC);
            OnDrawPanel(this, Panel(i), canvas, item->rcItem);
        }
        m.Result = TRUE;
        return;
    }
    TWinControl::WndProc(m);
}

// ---- header ----

void THeaderSection::SetText(const std::wstring& value) {
    text_ = value;
    Changed();
}
int THeaderSection::Width() const {
    const int i = Index();
    if (i >= 0 && header_->HandleAllocated()) {
        RECT r{};
        if (SendMessageW(header_->WindowHandle(), HDM_GETITEMRECT, static_cast<WPARAM>(i),
                         reinterpret_cast<LPARAM>(&r)))
            return r.right - r.left;
    }
    return width_;
}
void THeaderSection::SetWidth(int value) {
    width_ = std::max(0, value);
    Changed();
}
void THeaderSection::SetAlignment(TAlignment value) {
    alignment_ = value;
    Changed();
}
void THeaderSection::SetImageIndex(int value) {
    imageIndex_ = value;
    Changed();
}
int THeaderSection::Index() const {
    for (int i = 0; i < header_->SectionCount(); ++i)
        if (header_->Section(i) == this) return i;
    return -1;
}
void THeaderSection::Changed() {
    const int i = Index();
    if (i >= 0) header_->UpdateSection(i);
}

THeaderControl::THeaderControl(TComponent* AOwner) : TWinControl(AOwner) {
    InitBarClasses();
    width_ = 200;
    height_ = 20;
}

THeaderControl::~THeaderControl() = default;

THeaderSection* THeaderControl::AddSection() {
    sections_.push_back(std::make_unique<THeaderSection>(this));
    if (HandleAllocated()) {
        HDITEMW item{};
        item.mask = HDI_WIDTH;
        item.cxy = sections_.back()->width_;
        SendMessageW(WindowHandle(), HDM_INSERTITEMW, sections_.size() - 1, reinterpret_cast<LPARAM>(&item));
        UpdateSection(SectionCount() - 1);
    }
    return sections_.back().get();
}

void THeaderControl::ClearSections() {
    sections_.clear();
    if (!HandleAllocated()) return;
    while (SendMessageW(WindowHandle(), HDM_GETITEMCOUNT, 0, 0) > 0) SendMessageW(WindowHandle(), HDM_DELETEITEM, 0, 0);
}

void THeaderControl::SetHotTrack(bool value) {
    hotTrack_ = value;
    if (!HandleAllocated()) return;
    LONG style = GetWindowLongW(WindowHandle(), GWL_STYLE);
    style = value ? (style | HDS_HOTTRACK) : (style & ~static_cast<LONG>(HDS_HOTTRACK));
    SetWindowLongW(WindowHandle(), GWL_STYLE, style);
}

void THeaderControl::SetImages(HIMAGELIST value) {
    images_ = value;
    if (HandleAllocated()) {
        SendMessageW(WindowHandle(), HDM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(value));
        for (int i = 0; i < SectionCount(); ++i) UpdateSection(i);
    }
}

void THeaderControl::CreateParams(TCreateParams& p) {
    TWinControl::CreateParams(p);
    p.BaseClassName = WC_HEADERW;
    p.Style |= HDS_BUTTONS | HDS_HORZ | HDS_FULLDRAG;
    if (hotTrack_) p.Style |= HDS_HOTTRACK;
}

void THeaderControl::CreateWnd() {
    TWinControl::CreateWnd();
    if (images_) SendMessageW(WindowHandle(), HDM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images_));
    InsertSections();
}

void THeaderControl::InsertSections() {
    for (int i = 0; i < SectionCount(); ++i) {
        HDITEMW item{};
        item.mask = HDI_WIDTH;
        item.cxy = sections_[static_cast<size_t>(i)]->width_;
        SendMessageW(WindowHandle(), HDM_INSERTITEMW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
        UpdateSection(i);
    }
}

void THeaderControl::UpdateSection(int index) {
    if (!HandleAllocated()) return;
    const THeaderSection& s = *Section(index);
    HDITEMW item{};
    item.mask = HDI_TEXT | HDI_WIDTH | HDI_FORMAT | HDI_IMAGE;
    item.pszText = const_cast<wchar_t*>(s.text_.c_str());
    item.cchTextMax = static_cast<int>(s.text_.size());
    item.cxy = s.width_;
    item.fmt = HDF_STRING | (s.alignment_ == taCenter         ? HDF_CENTER
                             : s.alignment_ == taRightJustify ? HDF_RIGHT
                                                              : HDF_LEFT);
    if (images_ && s.imageIndex_ >= 0) item.fmt |= HDF_IMAGE;
    item.iImage = s.imageIndex_;
    SendMessageW(WindowHandle(), HDM_SETITEMW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
}

void THeaderControl::WndProc(TMessage& m) {
    if (m.Msg == CN_NOTIFY) {
        const auto* nm = reinterpret_cast<const NMHEADERW*>(m.LParam);
        switch (nm->hdr.code) {
            case HDN_ITEMCLICKW:
            case HDN_ITEMCLICKA:
                if (OnSectionClick && nm->iItem >= 0 && nm->iItem < SectionCount())
                    OnSectionClick(this, Section(nm->iItem));
                break;
            case HDN_ENDTRACKW:
            case HDN_ENDTRACKA:
                // The user's width becomes the section's.
                if (nm->iItem >= 0 && nm->iItem < SectionCount() && nm->pitem && (nm->pitem->mask & HDI_WIDTH))
                    sections_[static_cast<size_t>(nm->iItem)]->width_ = nm->pitem->cxy;
                break;
            default: break;
        }
        m.Result = 0;
        return;
    }
    TWinControl::WndProc(m);
}

// ---- track bar ----

TTrackBar::TTrackBar(TComponent* AOwner) : TWinControl(AOwner) {
    InitBarClasses();
    width_ = 150;
    height_ = 45;
    SetTabStop(true);
}

void TTrackBar::CreateParams(TCreateParams& p) {
    TWinControl::CreateParams(p);
    p.BaseClassName = TRACKBAR_CLASSW;
    if (orientation_ == trVertical) p.Style |= TBS_VERT;
    if (tickStyle_ == tsAuto) p.Style |= TBS_AUTOTICKS;
    if (tickStyle_ == tsNone) p.Style |= TBS_NOTICKS;
}

void TTrackBar::CreateWnd() {
    TWinControl::CreateWnd();
    const HWND h = WindowHandle();
    SendMessageW(h, TBM_SETRANGEMIN, FALSE, min_);
    SendMessageW(h, TBM_SETRANGEMAX, FALSE, max_);
    SendMessageW(h, TBM_SETTICFREQ, static_cast<WPARAM>(frequency_), 0);
    SendMessageW(h, TBM_SETPOS, TRUE, position_);
    reported_ = Position();
}

void TTrackBar::SetOrientation(TTrackBarOrientation value) {
    if (value == orientation_) return;
    orientation_ = value;
    // Width and height swap so the bar keeps its look; form data holds them
    // for the orientation it gives already.
    if (!(ComponentState() & csLoading)) SetBounds(left_, top_, height_, width_);
    if (HandleAllocated()) {
        LONG style = GetWindowLongW(WindowHandle(), GWL_STYLE);
        style = value == trVertical ? (style | TBS_VERT) : (style & ~static_cast<LONG>(TBS_VERT));
        SetWindowLongW(WindowHandle(), GWL_STYLE, style);
        InvalidateRect(WindowHandle(), nullptr, TRUE);
    }
}

void TTrackBar::SetRange(int min, int max) {
    min_ = min;
    max_ = std::max(min, max);
    if (HandleAllocated()) {
        SendMessageW(WindowHandle(), TBM_SETRANGEMIN, FALSE, min_);
        SendMessageW(WindowHandle(), TBM_SETRANGEMAX, TRUE, max_);
    }
    position_ = std::clamp(position_, min_, max_);
    Changed();
}

int TTrackBar::Position() const {
    if (HWND h = WindowHandle()) return static_cast<int>(SendMessageW(h, TBM_GETPOS, 0, 0));
    return position_;
}

void TTrackBar::SetPosition(int value) {
    position_ = std::clamp(value, min_, max_);
    if (HandleAllocated()) SendMessageW(WindowHandle(), TBM_SETPOS, TRUE, position_);
    Changed();
}

void TTrackBar::SetFrequency(int value) {
    frequency_ = std::max(1, value);
    if (HandleAllocated()) {
        SendMessageW(WindowHandle(), TBM_SETTICFREQ, static_cast<WPARAM>(frequency_), 0);
        InvalidateRect(WindowHandle(), nullptr, TRUE);
    }
}

void TTrackBar::SetTickStyle(TTickStyle value) {
    tickStyle_ = value;
    if (!HandleAllocated()) return;
    LONG style = GetWindowLongW(WindowHandle(), GWL_STYLE) & ~static_cast<LONG>(TBS_AUTOTICKS | TBS_NOTICKS);
    if (value == tsAuto) style |= TBS_AUTOTICKS;
    if (value == tsNone) style |= TBS_NOTICKS;
    SetWindowLongW(WindowHandle(), GWL_STYLE, style);
    if (value == tsAuto) SendMessageW(WindowHandle(), TBM_SETTICFREQ, static_cast<WPARAM>(frequency_), 0);
    InvalidateRect(WindowHandle(), nullptr, TRUE);
}

void TTrackBar::Changed() {
    const int now = Position();
    if (now == reported_) return;
    reported_ = now;
    position_ = now;
    if (OnChange) OnChange(this);
}

void TTrackBar::WndProc(TMessage& m) {
    if (m.Msg == CN_HSCROLL || m.Msg == CN_VSCROLL) {
        Changed();
        m.Result = 0;
        return;
    }
    TWinControl::WndProc(m);
}

// ---- published properties ----

void RegisterBarControlClasses() {
    static const bool registered = [] {
        const std::vector<std::wstring> alignments{L"taLeftJustify", L"taRightJustify", L"taCenter"};
        RegisterClassInfo<TStatusPanel>(L"TStatusPanel", L"")
            .String(L"Text", &TStatusPanel::Text, &TStatusPanel::SetText)
            .Integer(L"Width", &TStatusPanel::Width, &TStatusPanel::SetWidth)
            .Enum(L"Alignment", &TStatusPanel::Alignment, &TStatusPanel::SetAlignment, alignments)
            .Default(taLeftJustify)
            .Enum(L"Bevel", &TStatusPanel::Bevel, &TStatusPanel::SetBevel, {L"pbNone", L"pbLowered", L"pbRaised"})
            .Default(pbLowered)
            .Enum(L"Style", &TStatusPanel::Style, &TStatusPanel::SetStyle, {L"psText", L"psOwnerDraw"})
            .Default(psText);
        RegisterClassInfo<TStatusBar>(L"TStatusBar", L"TWinControl")
            .Creatable()
            .Collection<TStatusPanel>(L"Panels", L"TStatusPanel", &TStatusBar::PanelCount, &TStatusBar::Panel,
                                      &TStatusBar::AddPanel, &TStatusBar::ClearPanels)
            .Bool(L"SimplePanel", &TStatusBar::SimplePanel, &TStatusBar::SetSimplePanel)
            .Default(false)
            .String(L"SimpleText", &TStatusBar::SimpleText, &TStatusBar::SetSimpleText)
            .Bool(L"SizeGrip", &TStatusBar::SizeGrip, &TStatusBar::SetSizeGrip)
            .Default(true);
        RegisterClassInfo<THeaderSection>(L"THeaderSection", L"")
            .String(L"Text", &THeaderSection::Text, &THeaderSection::SetText)
            .Integer(L"Width", &THeaderSection::Width, &THeaderSection::SetWidth)
            .Enum(L"Alignment", &THeaderSection::Alignment, &THeaderSection::SetAlignment, alignments)
            .Default(taLeftJustify)
            .Integer(L"ImageIndex", &THeaderSection::ImageIndex, &THeaderSection::SetImageIndex)
            .Default(-1);
        RegisterClassInfo<THeaderControl>(L"THeaderControl", L"TWinControl")
            .Creatable()
            .Collection<THeaderSection>(L"Sections", L"THeaderSection", &THeaderControl::SectionCount,
                                        &THeaderControl::Section, &THeaderControl::AddSection,
                                        &THeaderControl::ClearSections)
            .Bool(L"HotTrack", &THeaderControl::HotTrack, &THeaderControl::SetHotTrack)
            .Default(false);
        RegisterClassInfo<TTrackBar>(L"TTrackBar", L"TWinControl")
            .Creatable()
            .Enum(L"Orientation", &TTrackBar::Orientation, &TTrackBar::SetOrientation, {L"trHorizontal", L"trVertical"})
            .Default(trHorizontal)
            .Integer(L"Min", &TTrackBar::Min, &TTrackBar::SetMin)
            .Default(0)
            .Integer(L"Max", &TTrackBar::Max, &TTrackBar::SetMax)
            .Default(10)
            .Integer(L"Position", &TTrackBar::Position, &TTrackBar::SetPosition)
            .Default(0)
            .Integer(L"Frequency", &TTrackBar::Frequency, &TTrackBar::SetFrequency)
            .Default(1)
            .Enum(L"TickStyle", &TTrackBar::TickStyle, &TTrackBar::SetTickStyle, {L"tsNone", L"tsAuto", L"tsManual"})
            .Default(tsAuto)
            .Event(L"OnChange", &TTrackBar::OnChange);
        return true;
    }();
    (void)registered;
}
