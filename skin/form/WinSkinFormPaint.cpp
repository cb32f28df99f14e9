// TWinSkinForm: the skinned frame (client size under it, borders, caption
// band, icon, title text) and the window region cut from the border bitmaps.
// Every piece is composed off screen and reaches the window in one transfer.
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

void TWinSkinForm::WMNCCalcSize(TMessage& m) {
    RECT proposed{};
    auto* params = reinterpret_cast<NCCALCSIZE_PARAMS*>(m.LParam);
    if (m.WParam && params) proposed = params->rgrc[0];
    Default(m);
    if (!m.WParam || !params) {
        m.Result = 0;
        return;
    }
    if ((FormStyle == sfsMDIChild && Windowstate != swsNormal) || FormBorder == sbsNone) {
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

void TWinSkinForm::WMNCPaint(TMessage& m) {
    UpdateStyle(true);
    if (fsd && fsd->MenuMsg) {
        if ((FormStyle == sfsMDIChild && Windowstate == swsMax) || FormBorder == sbsNone) {
            Default(m);
            return;
        }
        UpdateNc(nullptr);
    }
    m.Result = 0;
}

void TWinSkinForm::WMNCActive(TMessage& m) {
    FWindowActive = m.WParam != 0;
    if (timer) timer->SetEnabled(FWindowActive);
    if (!FWindowActive) {
        if (Activeskincontrol && ControlSkinning().MouseLeave) ControlSkinning().MouseLeave(Activeskincontrol);
        Activeskincontrol = nullptr;
        if (fsd) fsd->HideHint();
    }
    if (FormStyle == sfsMDIform && ClientHwnd)
        SendMessageW(ClientHwnd, WM_NCACTIVATE, m.WParam, 0);
    else if (FormStyle == sfsMDIChild)
        Default(m);
    if (!(FormStyle == sfsMDIChild && Windowstate == swsMax)) UpdateNc(nullptr);
    m.Result = 1;
}

void TWinSkinForm::UpdateNc(HDC dc) {
    if (!BG || (Skinstate != SkinStage::Skinned && Skinstate != SkinStage::Changing) || FormBorder == sbsNone) return;
    if (FormStyle == sfsMDIChild && Windowstate == swsMax) return;
    if (!fsd || fsd->Empty) return;
    WindowDC own;
    if (!dc) {
        own = WindowDC::Whole(Hwnd);
        dc = own.get();
        if (!dc) return;
    }
    try {
        RECT wr{};
        GetWindowRect(Hwnd, &wr);
        wTr = FromRECT(wr);
        fwidth = wr.right - wr.left;
        fheight = wr.bottom - wr.top;
        if (IsIconic(Hwnd)) {
            DrawFLine(dc);
        } else {
            Drawborder(1, TRect{0, 0, bw.Left, fheight}, dc);
            Drawborder(2, TRect{fwidth - bw.Right, 0, fwidth, fheight}, dc);
            Drawborder(4, TRect{bw.Left, fheight - bw.Bottom, fwidth - bw.Right, fheight}, dc);
            DrawFLine(dc);
            if (menu) {
                menu->DrawMenu(dc, TRect{bw.Left, bw.Top, fwidth - bw.Right, bw.Top + MenuHeight});
            } else if (MenuHeight > 0 && fsd->BGBrush) {
                RECT band{bw.Left, bw.Top, fwidth - bw.Right, bw.Top + MenuHeight};
                FillRect(dc, &band, fsd->BGBrush.get());
            }
        }
    } catch (...) {
        // A frame that cannot be painted leaves the window usable.
    }
    ActiveBtn = nullptr;
}

void TWinSkinForm::Drawborder(int index, const TRect& rect, HDC dc) {
    const int w = rect.Right - rect.Left, h = rect.Bottom - rect.Top;
    if (w <= 0 || h <= 0 || !fsd) return;
    const auto& b = fsd->border[static_cast<size_t>(index)];
    if (!b || b->Map.Empty()) return;
    const int count = std::max(1, b->frame);
    const int frameNo = (FWindowActive || count < 2) ? 1 : 2;
    auto piece = GetHMap(TRect{0, 0, w, h}, b->Map, b->r, frameNo, count, b->Tile != 1, index >= 3);
    if (!piece || piece->Empty()) return;
    BitBlt(dc, rect.Left, rect.Top, w, h, piece->DC(), 0, 0, SRCCOPY);
}

void TWinSkinForm::DrawFLine(HDC dc) {
    const TRect band{0, 0, fwidth, bw.Top};
    TRect title;
    if (IsIconic(Hwnd)) {
        CaptionBuf.SetSize(fwidth, fheight);
        CaptionBuf.Canvas().Brush.Color = fsd->Colors[csButtonFace];
        CaptionBuf.Canvas().FillRect(TRect{0, 0, fwidth, fheight});
        title = TRect{0, 0, fwidth, bw.Top};
    } else {
        if (fwidth <= 0 || bw.Top <= 0) return;
        CaptionBuf.SetSize(fwidth, bw.Top);
        // The top border covers the whole band; only without one does the
        // band start from the face colour (reading the screen back is slow
        // and shows nothing a user would miss).
        const auto& top = fsd->border[3];
        if (!top || top->Map.Empty()) {
            CaptionBuf.Canvas().Brush.Color = fsd->Colors[csButtonFace];
            CaptionBuf.Canvas().FillRect(TRect{0, 0, fwidth, bw.Top});
        }
        title = TRect{bw.Left, 0, fwidth - bw.Right, bw.Top};
    }
    if (CaptionBuf.Empty()) return;
    Drawborder(3, band, CaptionBuf.DC());
    DrawLine(CaptionBuf.Canvas(), title);
    SetSysbtnRect();
    DrawAllSysbtn(CaptionBuf.Canvas(), band);
    BitBlt(dc, 0, 0, CaptionBuf.Width(), CaptionBuf.Height(), CaptionBuf.DC(), 0, 0, SRCCOPY);
    SetBkMode(dc, OPAQUE);
}

void TWinSkinForm::DrawLine(TCanvas& canvas, const TRect& T) {
    const std::wstring text = bstr + WindowText() + astr;
    RightBtn = 0;
    for (auto& b : SysBtn)
        if (b->visible && b->data->Align == 1 && !b->data->Map.Empty()) RightBtn = std::max(RightBtn, b->data->XCoord);
    const TDataSkinTitle* t = fsd->Title.get();
    const TRect tr = t ? t->r : TRect{};
    const int backleft = t ? t->backleft : 0, backright = t ? t->backright : 0;
    const int align = t ? t->Aligment : 0;

    HDC dc = canvas.Handle();
    SelectGuard font(dc, CaptionFont->Handle());
    const int oldMode = SetBkMode(dc, TRANSPARENT);
    const COLORREF oldColor = SetTextColor(
        dc, static_cast<COLORREF>(ColorToRGB(fsd->Colors[FWindowActive ? csTitleTextActive : csTitleTextNoActive])));

    RECT R = ToRECT(T);
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &R, DT_CALCRECT | DT_NOPREFIX | DT_NOCLIP);
    R.right += backleft + backright;
    const int tw = R.right - R.left, aw = T.Right - T.Left;
    int x = 0;
    if (!bidileft) {
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
    if (bidileft && x <= 0) R.left = tr.Left;
    if (bidileft) {
        OffsetRect(&R, 10, 0);
    } else if (dwstyle & WS_POPUP) {
        if (T.Right - RightBtn - 5 < R.right && RightBtn > 5) R.right = T.Right - RightBtn - 5;
    } else {
        R.right = std::min<LONG>(R.right, T.Right - tr.Right);
    }
    if (FormBorder == sbsDialog && align == 0) R.left -= 16;
    ctr = FromRECT(R);
    if (t && !t->Map.Empty())
        DrawRectTile(canvas, TRect{R.left, T.Top, R.right, T.Bottom}, t->Map, TRect{backleft, 0, backright, 0},
                     FWindowActive ? 1 : 2, 2, true, true);
    R.left += backleft;
    R.right -= backright;
    UINT format = DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS;
    if (bidileft) format |= DT_RIGHT | DT_RTLREADING;
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &R, format);
    SetTextColor(dc, oldColor);
    SetBkMode(dc, oldMode);
}

void TWinSkinForm::GetIcon(TBitmap& bitmap) {
    const int cx = GetSystemMetrics(SM_CXSMICON), cy = GetSystemMetrics(SM_CYSMICON);
    bitmap.SetSize(cx, cy);
    bitmap.SetPixelFormat(pf16bit);
    bitmap.Canvas().Brush.Color = 0xFF00FF;
    bitmap.Canvas().FillRect(TRect{0, 0, cx, cy});
    Iconx = cx;
    auto icon = reinterpret_cast<HICON>(SendMessageW(Hwnd, WM_GETICON, ICON_SMALL, 0));
    if (!icon) icon = reinterpret_cast<HICON>(SendMessageW(Hwnd, WM_GETICON, ICON_BIG, 0));
    DefIcon = icon;
    if (icon) {
        auto copy = static_cast<HICON>(CopyImage(icon, IMAGE_ICON, cx, cy, LR_COPYFROMRESOURCE));
        if (copy) {
            DrawIconEx(bitmap.Canvas().Handle(), 0, 0, copy, cx, cy, 0, nullptr, DI_NORMAL);
            DestroyIcon(copy);
        }
        return;
    }
    if (fsd && fsd->SysIcon.Empty() && SkinManager)
        for (TSkinData* d : SkinManager->Dlist())
            if (d->Active()) d->GetAppIcon();
}

void TWinSkinForm::DrawIcon(HDC dc, const TRect& rect) {
    HWND app = Hwnd;
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

void TWinSkinForm::Cropwindow() {
    if (Skinstate == SkinStage::Dead || !sMainMenu || !fsd || fsd->Empty) return;
    RECT wr{};
    GetWindowRect(Hwnd, &wr);
    const int W = wr.right - wr.left, H = wr.bottom - wr.top;
    if (W <= 0 || H <= 0) return;
    if (FormStyle == sfsMDIChild && Windowstate != swsNormal) return;
    if (W == crwidth && H == crheight && FormStyle != sfsMDIChild && Skinstate != SkinStage::Changing && crop) return;
    WinRgn = nullptr;
    const auto& border = fsd->border;
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
        if (FormBorder != sbsNone) {
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
    if (!SetWindowRgn(Hwnd, region.get(), TRUE)) {
        WinRgn = nullptr;
        return;  // the region stays ours and is freed here
    }
    region.release();  // the window system owns it now
    crop = true;
}

void TWinSkinForm::Uncropwindow() {
    if (!crop) return;
    SetWindowRgn(Hwnd, nullptr, FormStyle == sfsMDIChild);
    crop = false;
    WinRgn = nullptr;
    crwidth = crheight = 0;
}

void TWinSkinForm::getClipMap(TBitmap& bitmap) {
    RECT wr{};
    GetWindowRect(Hwnd, &wr);
    const int W = wr.right - wr.left, H = wr.bottom - wr.top;
    bitmap.SetSize(W, H);
    bitmap.Canvas().Brush.Color = clBtnFace;
    bitmap.Canvas().FillRect(TRect{0, 0, W, H});
    if (W <= 0 || H <= 0 || !fsd || fsd->Empty) return;
    // The caption is laid out for this size; the last paint's size, which
    // hit testing and hints read, is put back afterwards.
    struct SizeKept {
        TWinSkinForm& sf;
        int32_t w, h;
        ~SizeKept() {
            sf.fwidth = w;
            sf.fheight = h;
        }
    } kept{*this, fwidth, fheight};
    fwidth = W;
    fheight = H;
    HDC dc = bitmap.DC();
    try {
        Drawborder(1, TRect{0, 0, bw.Left, H}, dc);
        Drawborder(2, TRect{W - bw.Right, 0, W, H}, dc);
        Drawborder(4, TRect{bw.Left, H - bw.Bottom, W - bw.Right, H}, dc);
        if (FormBorder != sbsNone) DrawFLine(dc);
    } catch (...) {
        // A snapshot that cannot be drawn stays the face colour.
    }
}
