// The base of the per-control skinning objects. Windows only.
//
// A TSkinControl hooks one control's messages, lets the control do its own
// work and paints it from the skin held by a TSkinData. A framework control
// is hooked by a link in its WindowProc chain (TWindowProcHook), which also
// carries the framework's own notifications and reaches window-less
// controls; a bare window, known only by its handle, has no such chain and
// is subclassed (SetWindowSubclass). Either way a handler put on top of ours
// later stays intact when we leave.
//
// WM_PAINT, WM_PRINTCLIENT and WM_ERASEBKGND are answered here, as the
// class's PaintMode says: drawn over the control's own paint, or painted
// whole off screen and shown in one transfer. No class keeps a paint buffer.
//
// Ownership: the object is a component of the framework control it skins
// (freed with it), or of the form skinning object for a bare window. It is
// listed in that form object's Controllist and leaves the list (and
// Activeskincontrol) when it is destroyed. When the window goes away
// (WM_NCDESTROY) a bare window's subclass is removed at once; skinstate
// becomes 6 so the form object frees the object later. No message reaches a
// freed object: the destructor takes the hook off while the control lives.
#pragma once

#ifndef _WIN32
#error "SkinControl.h is Windows only"
#endif

// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "framework/controls/Controls.h"
#include "framework/graphics/Bitmap.h"
#include "framework/graphics/Canvas.h"
#include "framework/graphics/GdiHandles.h"
#include "skin/form/SkinData_win.h"
#include "skin/form/WinSkinForm.h"

// The control-side private messages of the skin engine.
constexpr UINT CN_SkinEnable = 0x3506;
constexpr UINT CN_SkinTabClose = 0x3507;
constexpr UINT CN_SkinPaintClient = 0xBC4A;

struct TSkinAction;

enum TSkinControlStateBit : uint8_t { scMouseIn = 1, scDown = 2 };
using TSkinControlState = uint8_t;  // TSkinControlStateBit bits

// How a control's paint messages are answered.
enum class TSkinPaint : uint8_t {
    Over,   // the control paints itself; DrawControl then draws over that, on screen
    Whole,  // DrawControl paints all of it off screen, shown in one transfer;
            // the control's own paint and erase never run
};

class TSkinControl : public TComponent {
public:
    explicit TSkinControl(TComponent* AOwner);
    ~TSkinControl() override;
    std::wstring ClassName() const override { return L"TSkinControl"; }

    // What the form object, the selection tables and tests read.
    TSkinControlState MouseState() const { return state; }  // scMouseIn, scDown
    // The look of the pointer over it or a button held, without the input
    // (measurements); the next paint shows it.
    void SetMouseState(TSkinControlState value) { state = value; }
    HWND Window() const { return hwnd; }
    TWinControl* Control() const { return control; }
    TGraphicControl* GraphicControl() const { return GControl; }
    TSkinData* SkinData() const { return fsd; }
    TCanvas* SharedCanvas() const { return fCanvas; }
    TWinSkinForm* SkinForm() const { return skinform; }
    bool IsInited() const { return Inited; }
    bool IsSkinned() const { return skinned; }
    int32_t SkinState() const { return skinstate; }
    int32_t Kind() const { return kind; }
    // Variant selector set by the selection tables before attaching.
    void SetKind(int32_t value) { kind = value; }
    // Replace the control's colour while skinned (an object the application
    // made through OnSkinControl says so before it is attached).
    bool NewColor() const { return newColor; }
    void SetNewColor(bool value) { newColor = value; }

    virtual void Init(TWinSkinForm* sf, TSkinData* sd, TCanvas* acanvas, bool acolor);
    virtual void Inithwnd(HWND ahwnd, TSkinData* sd, TCanvas* acanvas, TWinSkinForm* sf);
    virtual void Unsubclass();
    // Takes what the selection table's action says about this object; called
    // before it is attached.
    virtual void Configure(const TSkinAction&) {}
    // Attaches to a framework control of sf's window (Init; the scroll-bar
    // family puts its overlays on instead).
    virtual void AttachTo(TWinSkinForm& sf, TWinControl* acontrol, bool acolor);
    // False: answered here, the control's own handler does not see it.
    virtual bool BeforeProc(TMessage& m);
    virtual void AfterProc(TMessage& m);
    virtual void PaintControl(HDC adc);
    // Draws the control into dc; rc is the control at 0,0. Painting whole,
    // dc is the off-screen picture, which starts black.
    virtual void DrawControl(HDC dc, const TRect& rc);
    virtual void SkinChange();
    virtual int GetState() { return 1; }

    // Takes the hooks off now and draws no more; the object is freed later
    // (its control is about to get a new skinning object).
    void ReleaseControl();

    // Frees c now, or, while one of its own messages is being handled (a
    // click handler, a modal loop), when that handling has returned; it
    // draws nothing meanwhile.
    static void Free(TSkinControl* c);

    // The dispatcher every hooked message goes through.
    void NewWndProc(TMessage& m);
    // Calls the replaced handler; the result goes into m.
    void Default(TMessage& m);
    void Invalidate();
    void MouseLeave();
    void WMPaint(TMessage& m);
    void WMERASEBKGND(TMessage& m);
    void FillBG(HDC dc, const TRect& rc);
    void FillParentBG(HDC dc, const TRect& rc);
    static void FillColor(HDC dc, const TRect& rc, TColor color);
    TColor GetParentColor(TColor acolor);

    // Frame I of N of aObject.Map, nine-sliced by aObject.r to rc.
    void DrawSkinMap(HDC dc, const TRect& rc, const TDataSkinObject* aObject, int I, int N);
    // Frame I of N of bmp stretched to rc, magenta transparent.
    void DrawSkinMap2(HDC dc, const TRect& rc, const TBitmap& bmp, int I, int N);

    UINT CheckBiDi(UINT dw) const;
    void DrawFocus(HDC dc, const std::wstring& text, const TRect& rc, UINT flags);
    void DrawCaption(HDC dc, const TRect& rc, const std::wstring& text, bool isEnabled, bool defaulted, UINT Alignment);
    // Image and text as one block in rc (talign 0 left, 1 centred, 2 right),
    // the text broken at words and cut with an ellipsis, grey when disabled.
    void DrawImgCaption(HDC dc, const TRect& rc, HIMAGELIST ImgList, int imgIndex, const std::wstring& text,
                        int talign);
    static int TextHeight(HDC dc, const std::wstring& s);
    // The window's text (the caption of a bare window).
    std::wstring WindowText() const;
    // The font the window uses (WM_GETFONT), or the default GUI font.
    HFONT WindowFont() const;

protected:
    TSkinControlState state = 0;
    TCanvas* fCanvas = nullptr;  // the form object's shared canvas (borrowed)
    bool done = false;
    bool isdraw = false;
    bool enabled = false;
    bool focused = false;
    std::wstring caption;
    bool skinned = true;
    bool isunicode = false;
    TSkinData* fsd = nullptr;
    HWND hwnd = nullptr;
    TWinControl* control = nullptr;
    TRect boundsrect{};
    TGraphicControl* GControl = nullptr;
    bool newColor = false;
    TColor oldcolor = 0;
    bool Inited = false;
    int32_t skinstate = 0;  // 0 created, 1 attached, 6 the window is being destroyed
    TWinSkinForm* skinform = nullptr;
    int32_t kind = 0;
    bool sizing = false;
    bool parentbk = false;

    // Asked at every paint message; a class may paint whole only while the
    // skin has its image.
    virtual TSkinPaint PaintMode() const { return TSkinPaint::Over; }
    // WM_ERASEBKGND: the answer, or none to let the control erase. By default
    // a control painted whole is not erased (its paint covers it).
    virtual std::optional<LRESULT> EraseBackground(HDC dc);
    // Leaves out of the transfer to dc what must not be painted over (a child
    // window lying on the control); the clipping is undone after the transfer.
    virtual void ClipTransfer(HDC) {}
    // DrawControl over rc of dc as the paint mode says: off screen when
    // painting whole. Drawing faults stop here.
    void PaintTo(HDC dc, const TRect& rc);
    // draw paints rc of dc off screen (same coordinates); shown in one transfer.
    template <class Draw>
    void Composed(HDC dc, const TRect& rc, Draw draw);
    // Puts this object's dispatcher in front of c's WindowProc.
    void HookWindowProc(TControl* c);

private:
    static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                         DWORD_PTR ref) noexcept;
    void RemoveHooks();
    void Dispatch(TMessage& m, const std::shared_ptr<bool>& alive);
    int dispatchDepth_ = 0;     // messages of this object being handled (nested)
    bool freePending_ = false;  // Free came while they were
    // False once the object is destroyed: a frame still handling one of its
    // messages finds out after a handler that freed its control (and it).
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
    TWindowProcHook procHook_;     // a framework control
    bool subclassHooked_ = false;  // a bare window
    bool unsubclassed_ = false;
};

template <class Draw>
void TSkinControl::Composed(HDC dc, const TRect& rc, Draw draw) {
    SavedDCState clip(dc);  // declared first: restored after the transfer
    OffscreenDC mem(dc, rc);
    if (!mem.get()) return;
    draw(mem.get());
    ClipTransfer(dc);
}

// Published properties by name, for controls the engine knows only by class
// name. Missing: empty text, -1, null, and no change for SetProperty.
std::wstring GetProperty(TObject* obj, const std::wstring& name);
int64_t GetIntProperty(TObject* obj, const std::wstring& name);
std::wstring GetEnumProperty(TObject* obj, const std::wstring& name);
std::wstring GetStringProp(TObject* obj, const std::wstring& name);
void SetProperty(TObject* obj, const std::wstring& name, const std::wstring& value);
std::wstring StringReplaceW(const std::wstring& s, const std::wstring& from, const std::wstring& to);
// Windows Vista or later.
bool IsVista();
