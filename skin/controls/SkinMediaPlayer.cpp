#include "skin/controls/SkinMediaPlayer.h"

#include <windowsx.h>

#include <cstdio>

#include "framework/graphics/GdiHandles.h"
#include "skin/draw/DrawUtils.h"

namespace {

constexpr const wchar_t* kLookNames[3] = {L"EN", L"DI", L"CL"};
constexpr const wchar_t* kButtonResNames[kMPButtonCount] = {L"MPPLAY", L"MPPAUSE", L"MPSTOP",   L"MPNEXT", L"MPPREV",
                                                            L"MPSTEP", L"MPBACK",  L"MPRECORD", L"MPEJECT"};
constexpr TColor kGlyphKey = 0x008080;  // olive

bool LoadResourceBitmap(const std::wstring& name, TBitmap& out) {
    auto h = static_cast<HBITMAP>(
        LoadImageW(GetModuleHandleW(nullptr), name.c_str(), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    if (!h) return false;
    UniqueBitmap owned(h);
    BITMAP info{};
    if (!GetObjectW(h, sizeof info, &info) || info.bmWidth <= 0 || info.bmHeight <= 0) return false;
    out.SetSize(info.bmWidth, info.bmHeight);
    MemoryDC mem = MemoryDC::CompatibleWith(nullptr);
    SelectGuard sel(mem.get(), h);
    BitBlt(out.DC(), 0, 0, info.bmWidth, info.bmHeight, mem.get(), 0, 0, SRCCOPY);
    return true;
}

}  // namespace

// ---------------------------------------------------------------- TWMediaPlayer

TWMediaPlayer::TWMediaPlayer(TComponent* AOwner, TSkinData* sd, TWinControl* player)
    : TPaintedControl(AOwner), fsd(sd), obj(player) {
    LoadBitmaps();
}

TWMediaPlayer::~TWMediaPlayer() {
    if (skincontrol) skincontrol->mp = nullptr;
}

void TWMediaPlayer::LoadBitmaps() {
    for (int b = 0; b < kMPButtonCount; ++b) {
        for (int look = 0; look < 3; ++look) {
            wchar_t name[32];
            std::swprintf(name, 32, L"%ls_%ls", kLookNames[look], kButtonResNames[b]);
            TBitmap& bmp = Buttons[static_cast<size_t>(b)].Bitmaps[static_cast<size_t>(look)];
            if (LoadResourceBitmap(name, bmp)) continue;
            // A program without the glyph resources gets the player's own symbols.
            bmp.SetSize(16, 16);
            TSkinControl::FillColor(bmp.DC(), TRect{0, 0, 16, 16}, kGlyphKey);
            const RECT r{0, 0, 16, 16};
            DrawMPGlyph(bmp.DC(), r, static_cast<TMPBtnType>(b), static_cast<TMPGlyph>(look));
        }
    }
}

void TWMediaPlayer::ReadButtons() {
    const std::wstring visible = GetProperty(obj, L"VisibleButtons");
    const std::wstring enabled = GetProperty(obj, L"EnabledButtons");
    const std::wstring colored = GetProperty(obj, L"ColoredButtons");
    count = 0;
    for (int b = 0; b < kMPButtonCount; ++b) {
        const std::wstring name = MPButtonName(static_cast<TMPBtnType>(b));
        TButtonRec& rec = Buttons[static_cast<size_t>(b)];
        rec.Visible = visible.find(name) != std::wstring::npos;
        rec.Enabled = enabled.find(name) != std::wstring::npos;
        rec.Colored = colored.find(name) != std::wstring::npos;
        if (rec.Visible) ++count;
    }
    BtnWidth = count ? width_ / count : 0;
}

int TWMediaPlayer::FindButton(int x) const {
    int slot = 0;
    for (int b = 0; b < kMPButtonCount; ++b) {
        if (!Buttons[static_cast<size_t>(b)].Visible) continue;
        if (x >= slot * BtnWidth && x < (slot + 1) * BtnWidth) return b;
        ++slot;
    }
    return kMPButtonCount - 1;
}

void TWMediaPlayer::Paint(HDC dc, const RECT& client) {
    ReadButtons();
    const TRect all{client.left, client.top, client.right, client.bottom};
    if (!count || !obj) {
        TSkinControl::FillColor(dc, all, fsd ? fsd->Colors[csButtonFace] : clBtnFace);
        return;
    }
    TSkinControl::FillColor(dc, all, fsd ? fsd->Colors[csButtonFace] : clBtnFace);
    const TDataSkinObject* face = fsd && fsd->Button && !fsd->Button->Map.Empty() ? fsd->Button.get() : nullptr;
    const int h = client.bottom - client.top;
    int slot = 0;
    for (int b = 0; b < kMPButtonCount; ++b) {
        const TButtonRec& rec = Buttons[static_cast<size_t>(b)];
        if (!rec.Visible) continue;
        const int x = slot * BtnWidth;
        ++slot;
        if (BtnWidth <= 0 || h <= 0) continue;
        const bool pressed = IsDown && BtnClick == b;
        const bool enabledNow = rec.Enabled && obj->Enabled();
        // Each button on its own: nothing of it spills into its neighbours.
        const TRect cell{x, 0, x + BtnWidth, h};
        OffscreenDC picture(dc, cell);
        HDC mem = picture.get();
        if (!mem) continue;
        TSkinControl::FillColor(mem, cell, fsd ? fsd->Colors[csButtonFace] : clBtnFace);
        if (face) {
            const int frames = face->frame > 0 ? face->frame : 1;
            const int frame = std::min(pressed ? 2 : !enabledNow ? 3 : 1, frames);
            if (auto piece =
                    GetHMap(TRect{0, 0, BtnWidth, h}, face->Map, face->r, frame, frames, face->Tile != 0, false)) {
                if (face->trans == 1)
                    DrawTranmap(mem, cell, *piece, kSkinKeyColor);
                else
                    BitBlt(mem, x, 0, BtnWidth, h, piece->DC(), 0, 0, SRCCOPY);
            }
        } else {
            RECT r = ToRECT(cell);
            DrawFrameControl(mem, &r, DFC_BUTTON, DFCS_BUTTONPUSH | (pressed ? DFCS_PUSHED : 0));
        }
        const TMPGlyph look = !enabledNow ? mgDisabled : rec.Colored ? mgColored : mgEnabled;
        const TBitmap& glyph = rec.Bitmaps[look];
        if (!glyph.Empty()) {
            int gx = (BtnWidth - glyph.Width()) / 2;
            int gy = (h - glyph.Height()) / 2;
            if (pressed) {
                ++gx;
                ++gy;
            }
            DrawTranmap(mem, TRect{x + gx, gy, x + gx + glyph.Width(), gy + glyph.Height()}, glyph, kGlyphKey);
        }
    }
}

void TWMediaPlayer::WndProc(TMessage& m) {
    switch (m.Msg) {
        // The bar is the skin's own drawing: never offered to the tables again.
        case CN_SkinQuery: m.Result = 1; return;
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
            IsDown = true;
            ReadButtons();
            if (obj) obj->Perform(WM_LBUTTONDOWN, m.WParam, m.LParam);
            // The player took the mouse for its own press: the bar keeps it, and passes the release on.
            SetCapture(Handle());
            BtnClick = FindButton(GET_X_LPARAM(m.LParam));
            Invalidate();
            m.Result = 0;
            return;
        case WM_LBUTTONUP: {
            IsDown = false;
            if (GetCapture() == Handle()) ReleaseCapture();
            const int x = GET_X_LPARAM(m.LParam);
            const int y = GET_Y_LPARAM(m.LParam);
            const bool inside = x >= 0 && y >= 0 && x < width_ && y < height_;
            if (obj && inside && FindButton(x) == BtnClick)
                obj->Perform(WM_LBUTTONUP, m.WParam, m.LParam);
            else if (obj)
                // Released elsewhere: the player lets go of its press without a click.
                obj->Perform(WM_LBUTTONUP, m.WParam, MAKELPARAM(-1, -1));
            Invalidate();
            m.Result = 0;
            return;
        }
        default: break;
    }
    TPaintedControl::WndProc(m);
}

// ---------------------------------------------------------------- TSkinMP

TSkinMP::~TSkinMP() {
    // The bar must not outlive the player it reads and drives.
    delete mp;
}

void TSkinMP::Init(TWinSkinForm* sf, TSkinData* sd, TCanvas* acanvas, bool acolor) {
    if (Inited) return;
    TSkinControl::Init(sf, sd, acanvas, acolor);
    if (!control) return;
    TComponent* owner = skinform ? static_cast<TComponent*>(skinform) : static_cast<TComponent*>(this);
    mp = new TWMediaPlayer(owner, sd, control);
    mp->skincontrol = this;
    // The selection tables never skin the bar itself.
    if (sd) mp->SetTag(sd->DisableTag());
    mp->SetVisible(control->Visible());
    mp->SetParent(control->Parent());
    PlaceBar();
}

void TSkinMP::PlaceBar() {
    if (!mp || !control) return;
    mp->SetBounds(control->Left(), control->Top(), control->Width(), control->Height());
    if (mp->HandleAllocated())
        SetWindowPos(mp->Handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void TSkinMP::AfterProc(TMessage& m) {
    switch (m.Msg) {
        case WM_WINDOWPOSCHANGED: PlaceBar(); break;
        case CM_VISIBLECHANGED:
            if (mp && control) mp->SetVisible(control->Visible());
            break;
        case WM_PAINT:
            // The player repaints when its buttons change: so does the bar.
            if (mp) mp->Invalidate();
            break;
        default: TSkinControl::AfterProc(m); break;
    }
}

void TSkinMP::Unsubclass() {
    if (!skinned) return;
    if (skinstate != 6) delete mp;  // clears mp
    TSkinControl::Unsubclass();
}

void TSkinMP::SkinChange() {
    if (mp) mp->Invalidate();
    TSkinControl::SkinChange();
}
