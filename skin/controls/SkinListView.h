// Skinned list views, check list boxes and foreign check glyphs. Windows only.
//
// A list view gets the skinned scroll bars and a skinned header (a
// TSkinHeader on the list view's own header window, owned by this object). A
// check list box gets the skinned scroll bars and its items drawn here with
// the skin's check strip; the control keeps its states and its hit testing.
// A foreign check box or radio button that takes replacement glyph strips is
// not hooked at all: it gets a strip built from the skin's, and its own
// glyphs back when the skin goes.
#pragma once

#include "skin/controls/SkinHeader.h"
#include "skin/controls/SkinScrollbar.h"

class TSkinListView : public TSkinScrollbar {
public:
    explicit TSkinListView(TComponent* AOwner) : TSkinScrollbar(AOwner) {}
    ~TSkinListView() override;
    std::wstring ClassName() const override { return L"TSkinListView"; }

    HWND hHwnd = nullptr;                          // the header window
    skin_controls::TSkinHeader* header = nullptr;  // owned (a component of this object)

    void InitScrollbar(TWinControl* acontrol, TSkinData* sd, TCanvas* acanvas, TWinSkinForm* sf) override;
    void Unsubclass() override;
    void SkinChange() override;

private:
    skin_controls::TSkinHeader* LiveHeader();
};

class TSkinCheckList : public TSkinScrollbar {
public:
    explicit TSkinCheckList(TComponent* AOwner) : TSkinScrollbar(AOwner) {}
    std::wstring ClassName() const override { return L"TSkinCheckList"; }

    HWND hHwnd = nullptr;

    void InitScrollbar(TWinControl* acontrol, TSkinData* sd, TCanvas* acanvas, TWinSkinForm* sf) override;
    bool BeforeProc(TMessage& m) override;
    void SkinChange() override;
    // One item, as the owner-draw message describes it.
    void DrawItem(const DRAWITEMSTRUCT& item);
    // The strip frame for a check state (1 unchecked, 2 checked, 4 grayed).
    int StripFrame(int checkState) const;

private:
    const TBitmap* Strip() const;
    int StripFrames() const;
};

class TSkinObjImage : public TSkinControl {
public:
    explicit TSkinObjImage(TComponent* AOwner) : TSkinControl(AOwner) {}
    std::wstring ClassName() const override { return L"TSkinObjImage"; }

    void Init(TWinSkinForm* sf, TSkinData* sd, TCanvas* acanvas, bool acolor) override;
    void SkinChange() override;
    void Unsubclass() override;
    // Builds the strip for kind from the skin's check or radio strip; false when the skin has none.
    bool BuildStrip(TBitmap& out) const;

private:
    void Apply();
};
