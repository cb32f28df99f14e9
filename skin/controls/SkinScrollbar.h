// Skinned scroll bars. Windows only.
//
// Scrolling stays the platform's: a small skin-drawn window, TWScrollbar, lies
// exactly over each native scroll bar (a window's own bar or a scroll-bar
// control), paints arrows, track and thumb from the skin's SArrow, HBar/VBar
// and HSlider/VSlider objects, and hands every press to the native bar as
// the platform's own message, so auto-repeat, paging and thumb tracking are
// the platform's. The drop-down list of a combo box is the exception
// (TComboxScrollBar): it has no overlay and is painted in its non-client area.
//
// Ownership: each overlay belongs to the skinning object that created it and
// its window is destroyed with it; the overlay window is a sibling of the
// scrolled window (a child of the same parent), kept just above it.
#pragma once

#include <windows.h>

#include <memory>

#include "skin/controls/ScrollGeometry.h"
#include "skin/controls/SkinControl.h"

// How one bar is drawn: direction, arrow length, the highlighted part and
// whether it is pressed, enabled state and the thumb's extent.
struct TScrollBarLook {
    int dir = 0;  // 0 horizontal, 1 vertical
    int cw = 0;
    int scrollpos = -1;
    bool down = false;
    bool enabled = true;
    int thumbTop = 0, thumbBottom = 0;

    bool operator==(const TScrollBarLook& o) const {
        return dir == o.dir && cw == o.cw && scrollpos == o.scrollpos && down == o.down && enabled == o.enabled &&
               thumbTop == o.thumbTop && thumbBottom == o.thumbBottom;
    }
};

// Which bar an overlay stands for; the values are the ones the skinned
// controls pass when they attach one.
enum class TScrollBarSource : int {
    WindowHorizontal = 0,  // the scrolled window's own horizontal bar
    WindowVertical = 1,    // its vertical bar
    Control = 2,           // a scroll-bar control
};

class TWScrollbar;
// Frees an overlay now, or, while its press is inside the platform's
// tracking loop, hides it and frees it when that loop has returned.
struct TWScrollbarRelease {
    void operator()(TWScrollbar* bar) const;
};
using TWScrollbarPtr = std::unique_ptr<TWScrollbar, TWScrollbarRelease>;

class TWScrollbar {
public:
    explicit TWScrollbar(TSkinControl* owner);
    ~TWScrollbar();
    TWScrollbar(const TWScrollbar&) = delete;
    TWScrollbar& operator=(const TWScrollbar&) = delete;

    int Len = 0;  // length along the bar
    int thumbTop = 0, thumbbottom = 0;
    POINT OffsetSC{};  // screen position of the native bar's top-left corner
    int trackp = 0;    // cursor (screen, along the bar) at the press
    int trackthumb = 0;
    bool fdown = false;
    int sbDir = 0;  // 0 horizontal, 1 vertical
    bool ERASEBKGND = false;
    int scrollpos = -1;   // TScrollPart highlighted, -1 none
    int CW = 0;           // arrow length (SM_CXHSCROLL)
    HWND hwnd = nullptr;  // the scrolled window, or the scroll-bar control
    TWinControl* control = nullptr;
    TSkinControl* obj = nullptr;
    TScrollBarSource sbType = TScrollBarSource::WindowHorizontal;
    RECT sbRect{};  // the bar in the scrolled window's client coordinates (type 2: parent's)
    bool sbVisible = false;
    TColor Color = clBtnFace;
    bool ShowHint = false;
    std::wstring Hint;

    // The overlay window (made by Attach / AttachHwnd).
    HWND Handle() const { return window_; }
    void Attach(TSkinControl* aobj, TWinControl* aControl, TScrollBarSource aType);
    void AttachHwnd(TSkinControl* aobj, HWND ahwnd, TScrollBarSource aType);
    void SetPosition(HWND ahwnd);
    void HideScrollbar();
    void SetEnabled(bool value);
    void ButtonUp();
    // The part under p (overlay client coordinates).
    int GetScrollPos(POINT p) const;
    // The dragged thumb from the cursor (thumbTop, thumbbottom).
    void GetThumb();
    // The bar's information: types 0 and 1 from the platform, type 2 from GetControlInfo2.
    bool GetControlInfo(SCROLLBARINFO& info);
    // A scroll-bar control's information computed from its range, page and position.
    bool GetControlInfo2(SCROLLBARINFO& info);
    void Paint();
    void Repaint();
    // Repaints only when the bar looks other than when it was last drawn
    // (a wheel turn or key may not have moved it).
    void RepaintIfChanged();

private:
    static LRESULT CALLBACK SubclassProc(HWND h, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id, DWORD_PTR ref) noexcept;
    LRESULT Dispatch(UINT msg, WPARAM wp, LPARAM lp);
    void CreateOverlay(HWND parent);
    void WMMouseMove(LPARAM lp);
    void WMMouseLeave();
    void WMLButtonDown(LPARAM lp);
    void WMLButtonUp(LPARAM lp);
    void PaintTo(HDC dc);
    // The bar's rectangle (overlay coordinates) and look as they are now;
    // false when there is nothing to draw.
    bool CurrentLook(TRect& bar, TScrollBarLook& look);
    // Draws that look into dc and remembers it as the last picture.
    void Draw(HDC dc, const TRect& bar, const TScrollBarLook& look);
    int Along(POINT p) const { return sbDir == 1 ? p.y : p.x; }

    friend struct TWScrollbarRelease;
    HWND window_ = nullptr;
    int busy_ = 0;           // nested presses waiting in the platform's tracking loop
    bool orphaned_ = false;  // its owner let go while busy: freed when the loop returns
    bool tracking_ = false;  // a leave notification is requested
    bool drawn_ = false;     // drawnBar_ and drawnLook_ hold the last picture
    TRect drawnBar_{};
    TScrollBarLook drawnLook_{};
};

// A scroll-bar position record.
struct TScrollbarPos {
    RECT ScrollArea{};
    RECT Thumb{};
    int ThumbPos = 0;
    UINT MsgID = 0;
};

// A scrollable framework control (memo, list box, scroll box, grid, ...):
// one overlay for each of its bars.
class TSkinScrollbar : public TSkinControl {
public:
    explicit TSkinScrollbar(TComponent* AOwner) : TSkinControl(AOwner) {}
    ~TSkinScrollbar() override;
    std::wstring ClassName() const override { return L"TSkinScrollbar"; }

    bool nobe = true;
    TWScrollbarPtr hb, vb;
    int postype = 0;
    bool painted = false;
    bool border = false;

    virtual void InitScrollbar(TWinControl* acontrol, TSkinData* sd, TCanvas* acanvas, TWinSkinForm* sf);
    void AttachTo(TWinSkinForm& sf, TWinControl* acontrol, bool) override {
        InitScrollbar(acontrol, sf.fsd, sf.fCanvas.get(), &sf);
    }
    void SetScrollbarPos();
    void DrawBorder(HDC dc, const TRect& rc);
    void BENCPAINT(HDC dc);
    void DrawControl(HDC dc, const TRect& rc) override;
    bool BeforeProc(TMessage& m) override;
    void AfterProc(TMessage& m) override;
    void SkinChange() override;
    void Unsubclass() override;

protected:
    void RepaintCorner();

private:
    bool clipSiblingsAdded_ = false;
};

// A stand-alone scroll-bar control: one overlay of type 2.
class TSkinScControl : public TSkinControl {
public:
    explicit TSkinScControl(TComponent* AOwner) : TSkinControl(AOwner) {}
    ~TSkinScControl() override;
    std::wstring ClassName() const override { return L"TSkinScControl"; }

    int downBtn = -1;
    TScrollbarPos SP;
    TWScrollbarPtr sb;

    virtual void InitScrollbar(TWinControl* acontrol, TSkinData* sd, TCanvas* acanvas, TWinSkinForm* sf);
    void AttachTo(TWinSkinForm& sf, TWinControl* acontrol, bool) override {
        InitScrollbar(acontrol, sf.fsd, sf.fCanvas.get(), &sf);
    }
    bool BeforeProc(TMessage& m) override;
    void AfterProc(TMessage& m) override;
    void DrawControl(HDC dc, const TRect& rc) override;
    void SkinChange() override;
    void Unsubclass() override;
};

// A bare window with scroll bars (the list of a simple combo box, ...).
class TSkinScrollbarH : public TSkinControl {
public:
    explicit TSkinScrollbarH(TComponent* AOwner) : TSkinControl(AOwner) {}
    ~TSkinScrollbarH() override;
    std::wstring ClassName() const override { return L"TSkinScrollbarH"; }

    TWScrollbarPtr hb, vb;

    void Inithwnd(HWND ahwnd, TSkinData* sd, TCanvas* acanvas, TWinSkinForm* sf) override;
    void AfterProc(TMessage& m) override;
    void DrawControl(HDC dc, const TRect& rc) override;
    void SkinChange() override;
    void Unsubclass() override;

private:
    void Place();
};

// The drop-down list of a combo box: its scroll bar painted straight into
// the list's non-client area, and the thumb dragged by a loop of its own.
class TComboxScrollBar : public TSkinControl {
public:
    explicit TComboxScrollBar(TComponent* AOwner) : TSkinControl(AOwner) {}
    std::wstring ClassName() const override { return L"TComboxScrollBar"; }

    int cw = 0;
    int len = 0;
    int scrollpos = -1;
    int thumbtop = 0, thumbBottom = 0;
    POINT OffsetSC{};
    int trackp = 0, trackthumb = 0;
    bool fdown = false;
    int sbDir = 1;
    bool nobe = true;
    int postype = 0;
    bool painted = false;
    bool border = false;

    void Inithwnd(HWND ahwnd, TSkinData* sd, TCanvas* acanvas, TWinSkinForm* sf) override;
    bool BeforeProc(TMessage& m) override;
    void AfterProc(TMessage& m) override;
    // Paints the list's vertical (and horizontal) bar into its window DC.
    void PaintScrollbar();

private:
    void PaintBar(HDC windowDC, LONG idObject);
    // Runs the thumb drag; false when the press is not on the thumb.
    bool TrackThumb(int hit, POINT screen);
};

// The picture of one bar, composed off screen into dc at rc: track, arrows,
// thumb and grip. sbi is the bar's information (thumb offsets relative to
// the bar); pressed / hot say how the part `scrollpos` is shown. Nothing when
// the skin has no usable SArrow.
void PaintSkinScrollBar(HDC dc, const TRect& rc, const TSkinData& sd, const TScrollBarLook& look);
