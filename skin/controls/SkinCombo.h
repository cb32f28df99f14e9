// The skinned combo box: the control keeps its edit, list and keys; the skin
// draws its sunken frame and drop-down button over what it painted (the text
// area is left alone), in four frames: 1 normal, 2 pressed, 3 disabled,
// 4 focused or hot. Hot means the pointer is over the button rectangle.
// The drop-down list of a framework combo gets skinned scroll bars.
// Windows only.
//
// Ownership: the lists' scroll-bar objects are bare-window objects of the
// form object (listed like any other); this object frees them when it
// detaches or goes, unless the form object freed them first. A hooked
// button child is unhooked when it goes.
#pragma once

#include "skin/controls/SkinControl.h"
#include "skin/controls/SkinSelect.h"

class TSkinScrollbarH;
class TComboxScrollBar;

class TSkinComBox : public TSkinControl {
public:
    explicit TSkinComBox(TComponent* AOwner) : TSkinControl(AOwner) {}
    ~TSkinComBox() override;
    std::wstring ClassName() const override { return L"TSkinComBox"; }

    DWORD dwStyle = 0;
    DWORD ExStyle = 0;
    HWND hlist = nullptr;  // the list of a simple combo
    HWND hbtn = nullptr;   // a child window acting as the button
    bool isDrop = false;
    TSkinScrollbarH* vb = nullptr;   // on a simple combo's list
    TComboxScrollBar* db = nullptr;  // on the drop-down list
    COMBOBOXINFO info{};
    TRect rBtn{};
    bool HasButton = false;  // the control's own button window is painted

    void Configure(const TSkinAction& a) override { HasButton = a.HasButton; }
    void Init(TWinSkinForm* sf, TSkinData* sd, TCanvas* acanvas, bool acolor) override;
    void Inithwnd(HWND ahwnd, TSkinData* sd, TCanvas* acanvas, TWinSkinForm* sf) override;
    void Unsubclass() override;
    void AfterProc(TMessage& m) override;
    void DrawControl(HDC dc, const TRect& rc) override;

    void FindBtn();
    void SkinDropList();
    void DeleteDropList();
    void CNCommand(TMessage& m);
    void DrawBorder(HDC dc, const TRect& rc);
    void DrawArrow(HDC dc, int frame);
    void DrawControl1(HDC dc, const TRect& rc, int frame);
    // The frame the state asks for (1 normal, 2 pressed, 3 disabled, 4 focused or hot).
    int FrameNumber() const;

private:
    void AttachCombo();
    // Owner of the list's scroll-bar objects: the form object, which lists them.
    TComponent* SubObjectOwner();
    void FreeSubObject(TSkinControl*& object);
    bool ReadInfo();
    static LRESULT CALLBACK ButtonProc(HWND h, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                       DWORD_PTR ref) noexcept;
    void UnhookButton();
    bool buttonHooked_ = false;
};
