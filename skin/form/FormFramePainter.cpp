// The frame painter part of the form skinning object: the skinned frame
// (its widths, the client size under it, borders, caption band, icon, title
// text) and the window region cut from the border bitmaps. Every piece is
// composed off screen and reaches the window in one transfer.
#include <algorithm>

#include "framework/controls/FormsAndApplication.h"
#include "skin/draw/DrawUtils.h"
#include "skin/form/SkinData_win.h"
#include "skin/form/WinSkinForm.h"

namespace {

bool HasTrans(const std::unique_ptr<TDataSkinBorder>& b) {
    return b && b->trans == 1 && !b->Map.Empty();
}

}  // namespace

TFramePainter::TFramePainter(TWinSkinForm& form) : TFormPart(form), bstr(L"  "), astr(L" ") {
    CaptionFont = std::make_unique<TFont>();
    NONCLIENTMETRICSW ncm{};
    ncm.cbSize = sizeof ncm;
    if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof ncm, &ncm, 0))
        CaptionFont->AssignLogFont(ncm.lfCaptionFont);
}

TFramePainter::~TFramePainter() {
    if (iconSmall_) DestroyIcon(iconSmall_);
}

bool TFramePainter::Handle(TMessage& m) {
    switch (m.Msg) {
        case WM_SIZE: WMSize(m); return true;
        case WM_ACTIVATE: sf.FWindowActive = LOBYTE(m.WParam) != 0; return false;
        case WM_GETMINMAXINFO:
            sf.Default(m);
            sf.GetWindowstate();
            return true;
        case WM_WINDOWPOSCHANGED:
            sf.GetWindowstate();
            sf.Default(m);
            return true;
        case WM_SETICON:
            sf.Default(m);
            GetIcon(IconBmp);
            // The system may have drawn its own caption for the new icon.
            if (sf.Painting()) UpdateNc(nullptr);
            return true;
        case WM_SETTEXT:
            sf.Default(m);
            // The system may have drawn its own caption for the new text.
            if (sf.Painting() && IsWindowVisible(sf.Hwnd)) UpdateNc(nullptr);
            return true;
        case WM_NCACTIVATE:
            sf.FWindowActive = LOBYTE(m.WParam) != 0;
            if (!sf.FrameDrawn()) return false;
            WMNCActive(m);
            return true;
        default: break;
    }
    if (!sf.FrameDrawn()) return false;
    switch (m.Msg) {
        case WM_NCCALCSIZE: WMNCCalcSize(m); return true;
        case WM_NCPAINT: WMNCPaint(m); return true;
        case CN_SkinUpdateNC: UpdateNc(nullptr); return true;
        default: return false;
    }
}

void TFramePainter::GetBorderWidths() {
    TSkinData* fsd = sf.fsd;
    if (sf.FormBorder == sbsNone) {
        bw = TRect{0, 0, 0, 0};
        MenuHeight = 0;
        return;
    }
    auto widthOf = [&](int i) {
        const auto& b = fsd->border[static_cast<size_t>(i)];
        return b && !b->Map.Empty() ? b->Map.Width() / std::max(1, b->frame) : 0;
    };
    auto heightOf = [&](int i) {
        const auto& b = fsd->border[static_cast<size_t>(i)];
        return b && !b->Map.Empty() ? b->Map.Height() / std::max(1, b->frame) : 0;
    };
    bw.Top = heightOf(3);
    bw.Left = widthOf(1);
    bw.Right = widthOf(2);
    bw.Bottom = heightOf(4);
}

void TFramePainter::WMSize(TMessage& m) {
    sf.Default(m);
    switch (m.WParam) {
        case SIZE_RESTORED: sf.Windowstate = swsNormal; break;
        case SIZE_MINIMIZED: sf.Windowstate = swsMin; break;
        case SIZE_MAXIMIZED: sf.Windowstate = swsMax; break;
        default: break;
    }
    // A child entering or leaving the maximised state: the frame's band shows or drops its buttons.
    if (sf.FormStyle == sfsMDIChild && (m.WParam == SIZE_MAXIMIZED) != mdiSizedMax && SkinManager &&
        SkinManager->clienthwnd) {
        mdiSizedMax = m.WParam == SIZE_MAXIMIZED;
        PostMessageW(SkinManager->clienthwnd, CN_SkinMDIMaximized, reinterpret_cast<WPARAM>(sf.Hwnd), 0);
    }
    if (sf.Windowstate == swsMin) return;
    if (sf.FormStyle == sfsMDIChild && ((SkinManager && SkinManager->MDIMax) || sf.Windowstate != swsNormal)) return;
    if (sf.Painting()) Cropwindow();
}

void TFramePainter::WMNCCalcSize(TMessage& m) {
    RECT proposed{};
    auto* params = reinterpret_cast<NCCALCSIZE_PARAMS*>(m.LParam);
    if (m.WParam && params) proposed = params->rgrc[0];
    sf.Default(m);
    if (!m.WParam || !params) {
        m.Result = 0;
        return;
    }
    if ((sf.FormStyle == sfsMDIChild && sf.Windowstate != swsNormal) || sf.FormBorder == sbsNone) {
        params->rgrc[1] = params->rgrc[0];
        m.Result = WVR_VALIDRECTS;
        return;
    }
    // The proposed window rectangle, read before the system replaced it.
    const RECT client{proposed.left + bw.Left, proposed.top + bw.Top + MenuHeight, proposed.right - bw.Right,
                      proposed.bottom - bw.Bottom};
    params->rgrc[0] = client;
    params->rgrc[1] = client;
    m.Result = WVR_VALIDRECTS;
}

void TFramePainter::WMNCPaint(TMessage& m) {
    sf.UpdateStyle(true);
    if (sf.fsd && sf.fsd->MenuMsg) {
        if ((sf.FormStyle == sfsMDIChild && sf.Windowstate == swsMax) || sf.FormBorder == sbsNone) {
            sf.Default(m);
            return;
        }
        UpdateNc(nullptr);
    }
    m.Result = 0;
}

void TFramePainter::WMNCActive(TMessage& m) {
    sf.FWindowActive = m.WParam != 0;
    sf.CaptionButtons().EnableTimer(sf.FWindowActive);
    if (!sf.FWindowActive) {
        if (sf.Activeskincontrol && ControlSkinning().MouseLeave) ControlSkinning().MouseLeave(sf.Activeskincontrol);
        sf.Activeskincontrol = nullptr;
        if (sf.fsd) sf.fsd->HideHint();
    }
    if (sf.FormStyle == sfsMDIform && sf.MdiClient().ClientHwnd)
        SendMessageW(sf.MdiClient().ClientHwnd, WM_NCACTIVATE, m.WParam, 0);
    else if (sf.FormStyle == sfsMDIChild)
        sf.Default(m);
    if (!(sf.FormStyle == sfsMDIChild && sf.Windowstate == swsMax)) UpdateNc(nullptr);
    m.Result = 1;
}

void TFramePainter::UpdateNc(HDC dc) {
    if (!BG || !sf.Painting() || sf.FormBorder == sbsNone) return;
    if (sf.FormStyle == sfsMDIChild && sf.Windowstate == swsMax) return;
    if (!sf.fsd || sf.fsd->Empty) return;
    WindowDC own;
    if (!dc) {
        own = WindowDC::Whole(sf.Hwnd);
        dc = own.get();
        if (!dc) return;
    }
    try {
        RECT wr{};
        GetWindowRect(sf.Hwnd, &wr);
        wTr = FromRECT(wr);
        fwidth = wr.right - wr.left;
        fheight = wr.bottom - wr.top;
        if (IsIconic(sf.Hwnd)) {
            DrawFLine(dc);
        } else {
            Drawborder(1, TRect{0, 0, bw.Left, fheight}, dc);
            Drawborder(2, TRect{fwidth - bw.Right, 0, fwidth, fheight}, dc);
            Drawborder(4, TRect{bw.Left, fheight - bw.Bottom, fwidth - bw.Right, fheight}, dc);
            DrawFLine(dc);
            if (sf.MenuBar().menu) {
                sf.MenuBar().menu->DrawMenu(dc, TRect{bw.Left, bw.Top, fwidth - bw.Right, bw.Top + MenuHeight});
            } else if (MenuHeight > 0 && sf.fsd->BGBrush) {
                RECT band{bw.Left, bw.Top, fwidth - bw.Right, bw.Top + MenuHeight};
                FillRect(dc, &band, sf.fsd->BGBrush.get());
            }
        }
    } catch (...) {
        // A frame that cannot be painted leaves the window usable.
    }
    sf.CaptionButtons().ActiveBtn = nullptr;
}

void TFramePainter::Drawborder(int index, const TRect& rect, HDC dc) {
    const int w = rect.Right - rect.Left, h = rect.Bottom - rect.Top;
    if (w <= 0 || h <= 0 || !sf.fsd) return;
    const auto& b = sf.fsd->border[static_cast<size_t>(index)];
    if (!b || b->Map.Empty()) return;
    const int count = std::max(1, b->frame);
    const int frameNo = (sf.FWindowActive || count < 2) ? 1 : 2;
    auto piece = GetHMap(TRect{0, 0, w, h}, b->Map, b->r, frameNo, count, b->Tile != 1, index >= 3);
    if (!piece || piece->Empty()) return;
    BitBlt(dc, rect.Left, rect.Top, w, h, piece->DC(), 0, 0, SRCCOPY);
}

void TFramePainter::DrawFLine(HDC dc) {
    const TRect band{0, 0, fwidth, bw.Top};
    TRect title;
    if (IsIconic(sf.Hwnd)) {
        CaptionBuf.SetSize(fwidth, fheight);
        CaptionBuf.Canvas().Brush.Color = sf.fsd->Colors[csButtonFace];
        CaptionBuf.Canvas().FillRect(TRect{0, 0, fwidth, fheight});
        title = TRect{0, 0, fwidth, bw.Top};
    } else {
        if (fwidth <= 0 || bw.Top <= 0) return;
        CaptionBuf.SetSize(fwidth, bw.Top);
        // The top border covers the whole band; only without one does the
        // band start from the face colour (reading the screen back is slow
        // and shows nothing a user would miss).
        const auto& top = sf.fsd->border[3];
        if (!top || top->Map.Empty()) {
            CaptionBuf.Canvas().Brush.Color = sf.fsd->Colors[csButtonFace];
            CaptionBuf.Canvas().FillRect(TRect{0, 0, fwidth, bw.Top});
        }
        title = TRect{bw.Left, 0, fwidth - bw.Right, bw.Top};
    }
    if (CaptionBuf.Empty()) return;
    Drawborder(3, band, CaptionBuf.DC());
    DrawLine(CaptionBuf.Canvas(), title);
    sf.CaptionButtons().SetSysbtnRect();
    sf.CaptionButtons().DrawAllSysbtn(CaptionBuf.Canvas(), band);
    BitBlt(dc, 0, 0, CaptionBuf.Width(), CaptionBuf.Height(), CaptionBuf.DC(), 0, 0, SRCCOPY);
    SetBkMode(dc, OPAQUE);
}

void TFramePainter::DrawLine(TCanvas& canvas, const TRect& T) {
    const std::wstring text = bstr + sf.WindowText() + astr;
    RightBtn = 0;
    for (auto& b : sf.CaptionButtons().Buttons())
        if (b->visible && b->data->Align == 1 && !b->data->Map.Empty()) RightBtn = std::max(RightBtn, b->data->XCoord);
    const TDataSkinTitle* t = sf.fsd->Title.get();
    const TRect tr = t ? t->r : TRect{};
    const int backleft = t ? t->backleft : 0, backright = t ? t->backright : 0;
    const int align = t ? t->Aligment : 0;

    HDC dc = canvas.Handle();
    SelectGuard font(dc, CaptionFont->Handle());
    const int oldMode = SetBkMode(dc, TRANSPARENT);
    const COLORREF oldColor = SetTextColor(
        dc,
        static_cast<COLORREF>(ColorToRGB(sf.fsd->Colors[sf.FWindowActive ? csTitleTextActive : csTitleTextNoActive])));

    RECT R = ToRECT(T);
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &R, DT_CALCRECT | DT_NOPREFIX | DT_NOCLIP);
    R.right += backleft + backright;
    const int tw = R.right - R.left, aw = T.Right - T.Left;
    int x = 0;
    if (!sf.bidileft) {
        switch (align) {
            case 0: x = tr.Left; break;
            case 1: x = (aw - tw) / 2; break;
            case 2: x = aw - tr.Right - tw; break;
            default: x = 0; break;
        }
    } else {
        switch (align) {
            case 0: x = aw - RightBtn - tw; break;
            case 1: x = (aw - tw - RightBtn) / 2; break;
            case 2: x = tr.Left; break;
            default: x = 0; break;
        }
    }
    const int th = R.bottom - R.top;
    OffsetRect(&R, x, ((T.Bottom - T.Top) - th) / 2 + tr.Top / 2);
    if (sf.bidileft && x <= 0) R.left = tr.Left;
    if (sf.bidileft) {
        OffsetRect(&R, 10, 0);
    } else if (sf.dwstyle & WS_POPUP) {
        if (T.Right - RightBtn - 5 < R.right && RightBtn > 5) R.right = T.Right - RightBtn - 5;
    } else {
        R.right = std::min<LONG>(R.right, T.Right - tr.Right);
    }
    if (sf.FormBorder == sbsDialog && align == 0) R.left -= 16;
    ctr = FromRECT(R);
    if (t && !t->Map.Empty())
        DrawRectTile(canvas, TRect{R.left, T.Top, R.right, T.Bottom}, t->Map, TRect{backleft, 0, backright, 0},
                     sf.FWindowActive ? 1 : 2, 2, true, true);
    R.left += backleft;
    R.right -= backright;
    UINT format = DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS;
    if (sf.bidileft) format |= DT_RIGHT | DT_RTLREADING;
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &R, format);
    SetTextColor(dc, oldColor);
    SetBkMode(dc, oldMode);
}

void TFramePainter::GetIcon(TBitmap& bitmap) {
    const int cx = GetSystemMetrics(SM_CXSMICON), cy = GetSystemMetrics(SM_CYSMICON);
    bitmap.SetSize(cx, cy);
    bitmap.SetPixelFormat(pf16bit);
    bitmap.Canvas().Brush.Color = 0xFF00FF;
    bitmap.Canvas().FillRect(TRect{0, 0, cx, cy});
    Iconx = cx;
    auto icon = reinterpret_cast<HICON>(SendMessageW(sf.Hwnd, WM_GETICON, ICON_SMALL, 0));
    if (!icon) icon = reinterpret_cast<HICON>(SendMessageW(sf.Hwnd, WM_GETICON, ICON_BIG, 0));
    DefIcon = icon;
    if (icon) {
        auto copy = static_cast<HICON>(CopyImage(icon, IMAGE_ICON, cx, cy, LR_COPYFROMRESOURCE));
        if (copy) {
            DrawIconEx(bitmap.Canvas().Handle(), 0, 0, copy, cx, cy, 0, nullptr, DI_NORMAL);
            DestroyIcon(copy);
        }
        return;
    }
    if (sf.fsd && sf.fsd->SysIcon.Empty() && SkinManager)
        for (TSkinData* d : SkinManager->Dlist())
            if (d->Active()) d->GetAppIcon();
}

void TFramePainter::DrawIcon(HDC dc, const TRect& rect) {
    HWND app = sf.Hwnd;
    if (Application && Application->MainForm() && Application->MainForm()->HandleAllocated())
        app = Application->MainForm()->WindowHandle();
    auto icon = reinterpret_cast<HICON>(SendMessageW(app, WM_GETICON, ICON_SMALL, 0));
    if (!icon) icon = reinterpret_cast<HICON>(SendMessageW(app, WM_GETICON, ICON_BIG, 0));
    if (!icon) {
        if (!IconBmp.Empty()) DrawTranmap(dc, rect, IconBmp, 0xFF00FF);
        return;
    }
    const int size = Iconx > 0 ? Iconx : GetSystemMetrics(SM_CXSMICON);
    if (icon != iconFrom_ || !iconSmall_) {
        if (iconSmall_) DestroyIcon(iconSmall_);
        iconSmall_ = static_cast<HICON>(CopyImage(icon, IMAGE_ICON, size, size, 0));
        iconFrom_ = icon;
    }
    if (!iconSmall_) return;
    DrawIconEx(dc, rect.Left, rect.Top, iconSmall_, size, size, 0, nullptr, DI_NORMAL);
}

void TFramePainter::Cropwindow() {
    if (sf.Skinstate == SkinStage::Dead || !sf.sMainMenu || !sf.fsd || sf.fsd->Empty) return;
    RECT wr{};
    GetWindowRect(sf.Hwnd, &wr);
    const int W = wr.right - wr.left, H = wr.bottom - wr.top;
    if (W <= 0 || H <= 0) return;
    if (sf.FormStyle == sfsMDIChild && sf.Windowstate != swsNormal) return;
    if (W == crwidth && H == crheight && sf.FormStyle != sfsMDIChild && sf.Skinstate != SkinStage::Changing && crop)
        return;
    WinRgn = nullptr;
    const auto& border = sf.fsd->border;
    UniqueRegion region;
    if (!HasTrans(border[1]) && !HasTrans(border[2]) && !HasTrans(border[3]) && !HasTrans(border[4])) {
        region.reset(CreateRectRgn(0, 0, W, H));
        crwidth = crheight = 0;
    } else {
        crwidth = W;
        crheight = H;
        region.reset(CreateRectRgn(bw.Left, bw.Top, W - bw.Right, H - bw.Bottom));
        auto add = [&](UniqueRegion piece) {
            if (piece) CombineRgn(region.get(), region.get(), piece.get(), RGN_OR);
        };
        auto keyed = [&](int index, int w, int h, int x, int y) {
            TBitmap piece(w, h, pf24bit);
            Drawborder(index, TRect{0, 0, w, h}, piece.DC());
            return BitmapToRegion(piece, x, y, 0xFF00FF, 1, 1, 1);
        };
        if (sf.FormBorder != sbsNone) {
            if (HasTrans(border[1]) && H > 1 && bw.Left > 0)
                add(keyed(1, bw.Left, H, 0, 0));
            else
                add(UniqueRegion(CreateRectRgn(0, 0, bw.Left, H)));
            if (HasTrans(border[2]) && H > 1 && bw.Right > 0)
                add(keyed(2, bw.Right, H, W - bw.Right, 0));
            else
                add(UniqueRegion(CreateRectRgn(W - bw.Right, 0, W, H)));
            const int midW = W - bw.Left - bw.Right;
            if (HasTrans(border[4]) && bw.Bottom >= 2 && midW > 0)
                add(keyed(4, midW, bw.Bottom, bw.Left, H - bw.Bottom));
            else
                add(UniqueRegion(CreateRectRgn(bw.Left, H - bw.Bottom, W - bw.Right, H)));
            if (HasTrans(border[3]) && bw.Top > 1 && midW > 0)
                add(keyed(3, midW, bw.Top, bw.Left, 0));
            else
                add(UniqueRegion(CreateRectRgn(bw.Left, 0, W - bw.Right, bw.Top)));
        }
    }
    WinRgn = region.get();
    if (!SetWindowRgn(sf.Hwnd, region.get(), TRUE)) {
        WinRgn = nullptr;
        return;  // the region stays ours and is freed here
    }
    region.release();  // the window system owns it now
    crop = true;
}

void TFramePainter::Uncropwindow() {
    if (!crop) return;
    SetWindowRgn(sf.Hwnd, nullptr, sf.FormStyle == sfsMDIChild);
    crop = false;
    WinRgn = nullptr;
    crwidth = crheight = 0;
}

void TFramePainter::DropRegion(bool redraw) {
    SetWindowRgn(sf.Hwnd, nullptr, redraw);
    crop = false;
    WinRgn = nullptr;
}

void TFramePainter::getClipMap(TBitmap& bitmap) {
    RECT wr{};
    GetWindowRect(sf.Hwnd, &wr);
    const int W = wr.right - wr.left, H = wr.bottom - wr.top;
    bitmap.SetSize(W, H);
    bitmap.Canvas().Brush.Color = clBtnFace;
    bitmap.Canvas().FillRect(TRect{0, 0, W, H});
    if (W <= 0 || H <= 0 || !sf.fsd || sf.fsd->Empty) return;
    // The caption is laid out for this size; the last paint's size, which
    // hit testing and hints read, is put back afterwards.
    struct SizeKept {
        TFramePainter& frame;
        int32_t w, h;
        ~SizeKept() {
            frame.fwidth = w;
            frame.fheight = h;
        }
    } kept{*this, fwidth, fheight};
    fwidth = W;
    fheight = H;
    HDC dc = bitmap.DC();
    try {
        Drawborder(1, TRect{0, 0, bw.Left, H}, dc);
        Drawborder(2, TRect{W - bw.Right, 0, W, H}, dc);
        Drawborder(4, TRect{bw.Left, H - bw.Bottom, W - bw.Right, H}, dc);
        if (sf.FormBorder != sbsNone) DrawFLine(dc);
    } catch (...) {
        // A snapshot that cannot be drawn stays the face colour.
    }
}
