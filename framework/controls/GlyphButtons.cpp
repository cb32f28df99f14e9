#include "framework/controls/GlyphButtons.h"

#include <algorithm>

#include "framework/graphics/Canvas.h"
#include "framework/graphics/GdiHandles.h"

// ---------------------------------------------------------------- glyph faces

TGlyphPlacement PlaceGlyphAndCaption(const RECT& client, SIZE glyph, SIZE text, TButtonLayout layout, int margin,
                                     int spacing) {
    const bool across = layout == blGlyphLeft || layout == blGlyphRight;
    const int clientLen = across ? client.right - client.left : client.bottom - client.top;
    const int clientCross = across ? client.bottom - client.top : client.right - client.left;
    const int glyphLen = across ? glyph.cx : glyph.cy;
    const int textLen = across ? text.cx : text.cy;
    const int glyphCross = across ? glyph.cy : glyph.cx;
    const int textCross = across ? text.cy : text.cx;

    if (glyphLen == 0 || textLen == 0) spacing = 0;
    if (margin == -1) {
        if (spacing == -1) {
            margin = (clientLen - glyphLen - textLen) / 3;
            spacing = margin;
        } else {
            margin = (clientLen - glyphLen - spacing - textLen) / 2;
        }
    } else if (spacing == -1) {
        spacing = (clientLen - margin - glyphLen - textLen) / 2;
    }

    int glyphAt = margin;
    int textAt = margin + glyphLen + spacing;
    if (layout == blGlyphRight || layout == blGlyphBottom) {
        glyphAt = clientLen - margin - glyphLen;
        textAt = glyphAt - spacing - textLen;
    }
    const int glyphCrossAt = (clientCross - glyphCross + 1) / 2;
    const int textCrossAt = (clientCross - textCross + 1) / 2;

    TGlyphPlacement p;
    p.TextFlags = DT_WORDBREAK | DT_CENTER;
    if (across) {
        p.Glyph = POINT{client.left + glyphAt, client.top + glyphCrossAt};
        p.Text = RECT{client.left + textAt, client.top + textCrossAt, client.left + textAt + text.cx,
                      client.top + textCrossAt + text.cy};
    } else {
        p.Glyph = POINT{client.left + glyphCrossAt, client.top + glyphAt};
        p.Text = RECT{client.left + textCrossAt, client.top + textAt, client.left + textCrossAt + text.cx,
                      client.top + textAt + text.cy};
    }
    return p;
}

namespace {

bool IsDark(TColor c) {
    return GetRValue(c) * 30 + GetGValue(c) * 59 + GetBValue(c) * 11 < 192 * 100;
}

// Frame index of glyph at (x, y) on target, its bottom-left colour left out.
void DrawGlyphFrame(TBitmap& target, int x, int y, const TBitmap& glyph, int numGlyphs, int index) {
    const int frames = std::max(numGlyphs, 1);
    const int w = glyph.Width() / frames;
    const int h = glyph.Height();
    if (w <= 0 || h <= 0) return;
    const bool emboss = index == 2 && frames < 2;
    if (index > frames || index < 1) index = 1;
    TBitmap frame(w, h);
    frame.Canvas().CopyRect(TRect{0, 0, w, h}, glyph, TRect{(index - 1) * w, 0, index * w, h});
    const TColor key = frame.Pixel(0, h - 1);
    if (!emboss) {
        target.Canvas().DrawTransparent(x, y, frame, key);
        return;
    }
    // No disabled frame: the dark pixels of the glyph, engraved.
    const TColor highlight = ColorToRGB(clBtnHighlight);
    const TColor shadow = ColorToRGB(clBtnShadow);
    for (int pass = 0; pass < 2; ++pass) {
        const int shift = pass == 0 ? 1 : 0;
        for (int py = 0; py < h; ++py)
            for (int px = 0; px < w; ++px) {
                const TColor c = frame.Pixel(px, py);
                if (c != key && IsDark(c)) target.SetPixel(x + px + shift, y + py + shift, pass ? shadow : highlight);
            }
    }
}

}  // namespace

RECT DrawGlyphFace(TBitmap& target, const RECT& face, const TGlyphFace& look) {
    const HDC dc = target.DC();
    SIZE glyph{0, 0};
    if (look.Glyph && !look.Glyph->Empty())
        glyph = SIZE{look.Glyph->Width() / std::max(look.NumGlyphs, 1), look.Glyph->Height()};
    const bool across = look.Layout == blGlyphLeft || look.Layout == blGlyphRight;

    SIZE text{0, 0};
    if (!look.Caption.empty()) {
        RECT box{0, 0, face.right - face.left - (across ? glyph.cx + 2 : 0), 0};
        if (box.right < 1) box.right = 1;
        DrawTextW(dc, look.Caption.c_str(), static_cast<int>(look.Caption.size()), &box,
                  DT_CALCRECT | DT_WORDBREAK | DT_CENTER);
        text = SIZE{box.right - box.left, box.bottom - box.top};
    }
    const TGlyphPlacement p = PlaceGlyphAndCaption(face, glyph, text, look.Layout, look.Margin, look.Spacing);
    if (glyph.cx > 0) DrawGlyphFrame(target, p.Glyph.x, p.Glyph.y, *look.Glyph, look.NumGlyphs, look.Index);
    if (!look.Caption.empty()) {
        RECT r = p.Text;
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, static_cast<COLORREF>(ColorToRGB(look.TextColor)));
        DrawTextW(dc, look.Caption.c_str(), static_cast<int>(look.Caption.size()), &r, p.TextFlags);
    }
    return p.Text;
}

// ---------------------------------------------------------------- TBitBtn

TBitBtn::TBitBtn(TComponent* AOwner) : TButton(AOwner), glyph_(std::make_unique<TBitmap>()) {}

void TBitBtn::CreateParams(TCreateParams& p) {
    TButton::CreateParams(p);
    p.Style = (p.Style & ~static_cast<DWORD>(BS_TYPEMASK)) | BS_OWNERDRAW;
}

void TBitBtn::SetGlyph(const TBitmap& glyph) {
    glyph_->Assign(glyph);
    Invalidate();
}

void TBitBtn::SetNumGlyphs(int value) {
    numGlyphs_ = std::clamp(value, 1, 4);
    Invalidate();
}

void TBitBtn::SetLayout(TButtonLayout value) {
    layout_ = value;
    Invalidate();
}

void TBitBtn::SetMargin(int value) {
    margin_ = std::max(value, -1);
    Invalidate();
}

void TBitBtn::SetSpacing(int value) {
    spacing_ = std::max(value, -1);
    Invalidate();
}

void TBitBtn::ActiveChanged() {
    // Owner-drawn: the default look is ours to draw.
    Invalidate();
}

void TBitBtn::WndProc(TMessage& m) {
    if (m.Msg == CN_DRAWITEM) {
        DrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(m.LParam));
        m.Result = TRUE;
        return;
    }
    TButton::WndProc(m);
}

void TBitBtn::DrawItem(const DRAWITEMSTRUCT& item) {
    const int w = item.rcItem.right - item.rcItem.left;
    const int h = item.rcItem.bottom - item.rcItem.top;
    if (w <= 0 || h <= 0) return;
    const bool pressed = item.itemState & ODS_SELECTED;
    const bool focused = item.itemState & ODS_FOCUS;
    const bool disabled = item.itemState & ODS_DISABLED;

    TBitmap buffer(w, h);
    const HDC dc = buffer.DC();
    if (!dc) return;
    RECT r{0, 0, w, h};
    UniqueBrush face(CreateSolidBrush(static_cast<COLORREF>(ColorToRGB(Color()))));
    FillRect(dc, &r, face.get());
    if (Active() || focused) {
        FrameRect(dc, &r, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        InflateRect(&r, -1, -1);
    }
    DrawFrameControl(dc, &r, DFC_BUTTON, DFCS_BUTTONPUSH | (pressed ? DFCS_PUSHED : 0));

    RECT content{2, 2, w - 2, h - 2};
    if (pressed) OffsetRect(&content, 1, 1);
    SelectGuard font(dc, Font().Handle());
    TGlyphFace look;
    look.Glyph = glyph_.get();
    look.NumGlyphs = numGlyphs_;
    look.Index = disabled ? 2 : pressed ? 3 : 1;
    look.Caption = text_;
    look.Layout = layout_;
    look.Margin = margin_;
    look.Spacing = spacing_;
    look.TextColor = disabled ? clGrayText : Font().Color;
    DrawGlyphFace(buffer, content, look);
    if (focused && !(item.itemState & ODS_NOFOCUSRECT)) {
        RECT f{4, 4, w - 4, h - 4};
        DrawFocusRect(dc, &f);
    }
    BitBlt(item.hDC, item.rcItem.left, item.rcItem.top, w, h, dc, 0, 0, SRCCOPY);
}

// ---------------------------------------------------------------- TSpeedButton

TSpeedButton::TSpeedButton(TComponent* AOwner) : TGraphicControl(AOwner), glyph_(std::make_unique<TBitmap>()) {
    width_ = 23;
    height_ = 22;
}

void TSpeedButton::SetGlyph(const TBitmap& glyph) {
    glyph_->Assign(glyph);
    Invalidate();
}

void TSpeedButton::SetNumGlyphs(int value) {
    numGlyphs_ = std::clamp(value, 1, 4);
    Invalidate();
}

void TSpeedButton::SetLayout(TButtonLayout value) {
    layout_ = value;
    Invalidate();
}

void TSpeedButton::SetMargin(int value) {
    margin_ = std::max(value, -1);
    Invalidate();
}

void TSpeedButton::SetSpacing(int value) {
    spacing_ = std::max(value, -1);
    Invalidate();
}

void TSpeedButton::SetFlat(bool value) {
    flat_ = value;
    Invalidate();
}

void TSpeedButton::SetGroupIndex(int value) {
    groupIndex_ = value;
    if (value == 0 && down_) {
        down_ = false;
        Invalidate();
    }
}

void TSpeedButton::Loaded() {
    TGraphicControl::Loaded();
    // Down may have been read before GroupIndex.
    if (groupIndex_ == 0) down_ = false;
    if (down_) {
        down_ = false;
        SetDown(true);
    }
}

void TSpeedButton::SetDown(bool value) {
    if (ComponentState() & csLoading) {
        down_ = value;
        return;
    }
    if (groupIndex_ == 0) value = false;
    if (value == down_) return;
    if (down_ && !allowAllUp_) return;
    down_ = value;
    if (value && Parent()) {
        for (int i = 0; i < Parent()->ControlCount(); ++i) {
            auto* other = dynamic_cast<TSpeedButton*>(Parent()->Controls(i));
            if (other && other != this && other->groupIndex_ == groupIndex_ && other->down_) {
                other->down_ = false;
                other->Invalidate();
            }
        }
    }
    Invalidate();
}

void TSpeedButton::Click() {
    TGraphicControl::Click();
}

void TSpeedButton::Redraw() {
    Repaint();
}

void TSpeedButton::WndProc(TMessage& m) {
    const POINT pt{static_cast<short>(LOWORD(m.LParam)), static_cast<short>(HIWORD(m.LParam))};
    const RECT bounds{0, 0, width_, height_};
    switch (m.Msg) {
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
            tracking_ = true;
            pressed_ = true;
            Redraw();
            m.Result = 0;
            return;
        case WM_MOUSEMOVE:
            if (tracking_ && pressed_ != static_cast<bool>(PtInRect(&bounds, pt))) {
                pressed_ = !pressed_;
                Redraw();
            }
            m.Result = 0;
            return;
        case WM_LBUTTONUP: {
            if (!tracking_) break;
            tracking_ = false;
            pressed_ = false;
            const bool inside = PtInRect(&bounds, pt);
            if (inside && groupIndex_ != 0) SetDown(!down_);
            Redraw();
            if (inside) Click();
            m.Result = 0;
            return;
        }
        case WM_CAPTURECHANGED:
            tracking_ = false;
            pressed_ = false;
            Redraw();
            return;
        case CM_MOUSEENTER:
        case CM_MOUSELEAVE:
            hot_ = m.Msg == CM_MOUSEENTER;
            Redraw();
            return;
        case CM_ENABLEDCHANGED:
            if (!Enabled()) tracking_ = pressed_ = hot_ = false;
            break;
        default: break;
    }
    TGraphicControl::WndProc(m);
}

void TSpeedButton::Paint(HDC target) {
    if (width_ <= 0 || height_ <= 0) return;
    TBitmap buffer(width_, height_);
    const HDC dc = buffer.DC();
    if (!dc) return;
    RECT r{0, 0, width_, height_};
    UniqueBrush face(CreateSolidBrush(static_cast<COLORREF>(ColorToRGB(Color()))));
    FillRect(dc, &r, face.get());
    const bool sunk = pressed_ || down_;
    if (flat_) {
        if (sunk)
            DrawEdge(dc, &r, BDR_SUNKENOUTER, BF_RECT);
        else if (hot_ && Enabled())
            DrawEdge(dc, &r, BDR_RAISEDINNER, BF_RECT);
    } else {
        DrawFrameControl(dc, &r, DFC_BUTTON, DFCS_BUTTONPUSH | (sunk ? DFCS_PUSHED : 0));
    }
    if (down_ && !pressed_) {
        // Staying down: a lighter face tells it from a press.
        RECT inner{2, 2, width_ - 2, height_ - 2};
        UniqueBrush light(CreateSolidBrush(static_cast<COLORREF>(ColorToRGB(clBtnHighlight))));
        FillRect(dc, &inner, light.get());
    }
    RECT content{2, 2, width_ - 2, height_ - 2};
    if (sunk) OffsetRect(&content, 1, 1);
    SelectGuard font(dc, Font().Handle());
    TGlyphFace look;
    look.Glyph = glyph_.get();
    look.NumGlyphs = numGlyphs_;
    look.Index = !Enabled() ? 2 : pressed_ ? 3 : down_ ? 4 : 1;
    look.Caption = text_;
    look.Layout = layout_;
    look.Margin = margin_;
    look.Spacing = spacing_;
    look.TextColor = Enabled() ? Font().Color : clGrayText;
    DrawGlyphFace(buffer, content, look);
    BitBlt(target, 0, 0, width_, height_, dc, 0, 0, SRCCOPY);
}
