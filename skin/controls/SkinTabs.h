// The skinned tab controls. Windows only.
//
// The controls keep their own tab logic (selection, keys, scrolling); every
// paint reads the tabs back with the tab-control messages and draws them from
// the skin's tab strip. Tabs at the side are drawn into a horizontal strip
// which is then turned, so tab images and text read along the tabs; tabs at
// the bottom use the strip mirrored top to bottom. Each object owns its
// turned copies of the images.
#pragma once

#include <vector>

#include "skin/controls/SkinControl.h"

enum TSkinTabPosition : uint8_t { StTop = 0, Stbottom = 1, Stleft = 2, Stright = 3 };

// Tab controls and page controls with ordinary tabs, in any position.
class TSkinTab : public TSkinControl {
public:
    explicit TSkinTab(TComponent* AOwner) : TSkinControl(AOwner) {}
    std::wstring ClassName() const override { return L"TSkinTab"; }

    std::vector<TRect> CloseRect;  // per tab: its close box (control coordinates)
    TSkinTabPosition Position = StTop;
    bool unicode = false;
    TBitmap tabbmp;     // the tab strip image, turned for the position
    TBitmap borderbmp;  // the page border image, turned for the position
    bool showclose = false;
    HWND updown = nullptr;  // the control's scroll arrows, once found (skinned by a TSkinUpDown)

    void Init(TWinSkinForm* sf, TSkinData* sd, TCanvas* acanvas, bool acolor) override;
    void Inithwnd(HWND ahwnd, TSkinData* sd, TCanvas* acanvas, TWinSkinForm* sf) override;
    void SkinChange() override;
    bool BeforeProc(TMessage& m) override;
    void DrawControl(HDC dc, const TRect& rc) override;

    void inittab();
    TSkinTabPosition GetPosition() const;
    // Finds the scroll arrows; answers whether they are shown.
    bool FindScroll();
    // Leaves the shown scroll arrows out of the transfer to dc.
    void ClipUpdown(HDC dc);
    void Drawitem(HDC dc, const TRect& r, int frame);
    void drawCloseBtn(HDC dc, const TRect& r, int index, int yShift);
    // A press at (x, y) on a close box: answers true when it was one.
    bool ClickClose(int x, int y);

protected:
    TSkinPaint PaintMode() const override;
    void ClipTransfer(HDC dc) override { ClipUpdown(dc); }

private:
    void AttachCommon();
};

// The tab set: tabs hanging down from its top edge.
class TSkinTab31 : public TSkinControl {
public:
    explicit TSkinTab31(TComponent* AOwner) : TSkinControl(AOwner) {}
    std::wstring ClassName() const override { return L"TSkinTab31"; }

    TBitmap tabbmp;           // the tab image mirrored top to bottom
    HWND scroller = nullptr;  // skinned by a TSkinUpDown laid out left and right

    void Init(TWinSkinForm* sf, TSkinData* sd, TCanvas* acanvas, bool acolor) override;
    void inittab();
    void SkinChange() override;
    bool BeforeProc(TMessage& m) override;
    void DrawControl(HDC dc, const TRect& rc) override;

protected:
    TSkinPaint PaintMode() const override;
    std::optional<LRESULT> EraseBackground(HDC dc) override;
};

// A page of a page control.
class TSkinTabSheet : public TSkinControl {
public:
    explicit TSkinTabSheet(TComponent* AOwner) : TSkinControl(AOwner) {}
    std::wstring ClassName() const override { return L"TSkinTabSheet"; }
    void DrawControl(HDC dc, const TRect& rc) override;

protected:
    TSkinPaint PaintMode() const override;
    std::optional<LRESULT> EraseBackground(HDC dc) override;
};

// Page controls whose tabs are buttons: the control paints the page, the
// skin the strip of buttons over it.
class TSkinTabBtn : public TSkinControl {
public:
    explicit TSkinTabBtn(TComponent* AOwner) : TSkinControl(AOwner) {}
    std::wstring ClassName() const override { return L"TSkinTabBtn"; }
    void AfterProc(TMessage& m) override;
    void DrawControl(HDC dc, const TRect& rc) override;
};

// A foreign page control that takes its tab backgrounds as the bitmap
// properties "TabBackGround" and "TabBackGroundActive" (kind 4): the skin
// gives it those two pictures and skins its scroll arrows; it paints itself.
class TSkinAdvPage : public TSkinControl {
public:
    explicit TSkinAdvPage(TComponent* AOwner) : TSkinControl(AOwner) {}
    std::wstring ClassName() const override { return L"TSkinAdvPage"; }

    HWND updown = nullptr;  // its scroll arrows, once found

    void Init(TWinSkinForm* sf, TSkinData* sd, TCanvas* acanvas, bool acolor) override;
    // The bitmap property propName becomes frame of the skin's tab, 100 by 21.
    void ChangeImage(const std::wstring& propName, int frame);
    void SetAdvPage();
    bool FindScroll();
    void SkinChange() override;
    void Unsubclass() override;
    void DrawControl(HDC dc, const TRect& rc) override;
};
