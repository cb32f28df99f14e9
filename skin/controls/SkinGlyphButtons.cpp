#include "skin/controls/SkinGlyphButtons.h"

#include <algorithm>
#include <vector>

#include "framework/controls/GlyphButtons.h"
#include "framework/graphics/GdiHandles.h"
#include "framework/streaming/PublishedProperties.h"
#include "framework/system/ErrorsAndStrings.h"
#include "skin/draw/DrawUtils.h"

namespace {

bool SkinHasButton(const TSkinData* sd) {
    return sd && sd->Button && !sd->Button->Map.Empty();
}

bool IsTrueText(const std::wstring& s) {
    return LowerCaseAscii(s) == L"true";
}

COLORREF Rgb(TColor c) {
    return static_cast<COLORREF>(ColorToRGB(c));
}

// The drop-down arrow's length along the menu button's row.
constexpr int kArrowLength = 7;

// "blglyphleft" 0, "blglyphright" 1, "blglyphtop" 2, "blglyphbottom" 3.
int LayoutNumber(const std::wstring& text) {
    const std::wstring v = LowerCaseAscii(text);
    if (v == L"blglyphright") return 1;
    if (v == L"blglyphtop") return 2;
    if (v == L"blglyphbottom") return 3;
    return 0;
}

int IntOr(TObject* obj, const wchar_t* name, int fallback) {
    if (!obj) return fallback;
    const TPropValue v = GetPropValue(*obj, name);
    return v.Kind == TTypeKind::tkInteger ? static_cast<int>(v.Ordinal) : fallback;
}

bool IsDark(TColor c) {
    const COLORREF rgb = Rgb(c);
    return GetRValue(rgb) * 30 + GetGValue(rgb) * 59 + GetBValue(rgb) * 11 < 128 * 100;
}

}  // namespace

// ---------------------------------------------------------------- layout

TGlyphLayout LayoutGlyphButton(SIZE client, SIZE glyph, SIZE text, int layout, int margin, int spacing, bool centred,
                               int parts) {
    const bool across = layout == 0 || layout == 1;
    const int clientLen = across ? client.cx : client.cy;
    const int glyphLen = across ? glyph.cx : glyph.cy;
    const int textLen = across ? text.cx : text.cy;
    // Centred across the layout axis.
    const int glyphCross = across ? (client.cy - glyph.cy + 1) / 2 : (client.cx - glyph.cx + 1) / 2;
    const int textCross = across ? (client.cy - text.cy + 1) / 2 : (client.cx - text.cx + 1) / 2;

    if (text.cx == 0 || glyph.cx == 0) spacing = 0;
    if (margin == -1 || centred) {
        if (spacing == -1) {
            margin = (clientLen - glyphLen - textLen) / parts;
            spacing = margin;
        } else {
            margin = (clientLen - glyphLen - spacing - textLen) / 2;
        }
    } else if (spacing == -1) {
        spacing = (clientLen - margin - glyphLen - textLen) / 2;
    }

    int glyphAt = margin;
    int textAt = glyphAt + glyphLen + spacing;
    TGlyphLayout out;
    out.TextFlags = DT_WORDBREAK;
    switch (layout) {
        case 1:
            glyphAt = clientLen - margin - glyphLen;
            textAt = glyphAt - spacing - textLen;
            out.TextFlags |= DT_RIGHT;
            break;
        case 2: out.TextFlags |= DT_CENTER; break;
        case 3:
            glyphAt = clientLen - margin - glyphLen;
            textAt = glyphAt - spacing - textLen;
            out.TextFlags |= DT_CENTER;
            break;
        default: break;
    }
    if (across) {
        out.Glyph = POINT{glyphAt, glyphCross};
        out.Text = RECT{textAt, textCross, textAt + text.cx, textCross + text.cy};
    } else {
        out.Glyph = POINT{glyphCross, glyphAt};
        out.Text = RECT{textCross, textAt, textCross + text.cx, textAt + text.cy};
    }
    return out;
}

// ---------------------------------------------------------------- glyphs

std::unique_ptr<TBitmap> GetDisableImg(const TBitmap& bmp) {
    const int w = bmp.Width();
    const int h = bmp.Height();
    auto out = std::make_unique<TBitmap>(w, h);
    if (w <= 0 || h <= 0) return out;
    const HDC dc = out->DC();
    if (!dc) return out;
    RECT all{0, 0, w, h};
    UniqueBrush face(CreateSolidBrush(Rgb(clBtnFace)));
    FillRect(dc, &all, face.get());

    // Monochrome mask, rows padded to 16 bits: a set bit is a dark pixel of
    // the glyph (its transparent colour left out).
    const TColor key = bmp.Pixel(0, h - 1);
    const int rowBytes = ((w + 15) / 16) * 2;
    std::vector<uint8_t> bits(static_cast<size_t>(rowBytes) * static_cast<size_t>(h), 0);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const TColor c = bmp.Pixel(x, y);
            if (c != key && IsDark(c))
                bits[static_cast<size_t>(y * rowBytes + x / 8)] |= static_cast<uint8_t>(0x80 >> (x % 8));
        }
    UniqueBitmap mask(CreateBitmap(w, h, 1, 1, bits.data()));
    MemoryDC maskDC = MemoryDC::CompatibleWith(dc);
    if (!mask.get() || !maskDC) return out;
    SelectGuard maskSelected(maskDC.get(), mask.get());
    // Mono to colour: 0 bits take the text colour, 1 bits the background;
    // 0xE20746 puts the brush where the source is white and keeps the rest.
    SetTextColor(dc, RGB(0, 0, 0));
    SetBkColor(dc, RGB(255, 255, 255));
    UniqueBrush highlight(CreateSolidBrush(Rgb(clBtnHighlight)));
    UniqueBrush shadow(CreateSolidBrush(Rgb(clBtnShadow)));
    {
        SelectGuard brush(dc, highlight.get());
        BitBlt(dc, 1, 1, w, h, maskDC.get(), 0, 0, 0xE20746);
    }
    {
        SelectGuard brush(dc, shadow.get());
        BitBlt(dc, 0, 0, w, h, maskDC.get(), 0, 0, 0xE20746);
    }
    GdiFlush();
    return out;
}

void TSkinBitButton::DrawGlyph(HDC target, int x, int y, const TBitmap& bmp, int NumGlyphs, int index) {
    if (bmp.Empty()) return;
    const int frames = std::max(NumGlyphs, 1);
    const int w = bmp.Width() / frames;
    const int h = bmp.Height();
    if (w <= 0) return;
    const bool emboss = index == 2 && frames == 1;
    if (index > frames || index < 1) index = 1;
    TBitmap frame(w, h);
    frame.Canvas().CopyRect(TRect{0, 0, w, h}, bmp, TRect{(index - 1) * w, 0, index * w, h});
    TCanvas canvas(target);
    if (emboss) {
        std::unique_ptr<TBitmap> disabled = GetDisableImg(frame);
        canvas.DrawTransparent(x, y, *disabled, disabled->Pixel(0, h - 1));
        return;
    }
    canvas.DrawTransparent(x, y, frame, frame.Pixel(0, h - 1));
}

// ---------------------------------------------------------------- bitmap button

TControl* TSkinButton::Source() const {
    if (control) return control;
    return GControl;
}

TBitmap* TSkinButton::GlyphBitmap(const std::wstring& picField) const {
    TControl* src = Source();
    if (!src) return nullptr;
    if (!picField.empty())
        if (auto* pic = GetObjectProp<TBitmap>(*src, picField)) return pic;
    return GetObjectProp<TBitmap>(*src, L"Glyph");
}

void TSkinButton::ComposeGlyphFace(HDC mem, const TRect& rc, int F, int G, bool drawFrame, bool focusRect, bool arrow,
                                   const std::wstring& picField) {
    const TDataSkinButton& b = *fsd->Button;
    TControl* src = Source();
    // Laid out at 0,0 and placed at rc.
    const TRect r{0, 0, rc.Width(), rc.Height()};
    const int dx = rc.Left, dy = rc.Top;
    if (!trans) FillBG(mem, rc);  // with trans the caller put the parent's image there
    if (drawFrame) DrawSkinMap(mem, rc, &b, F, b.frame > 0 ? b.frame : 5);

    HFONT font = src ? src->Font().Handle() : WindowFont();
    SelectGuard fontSelected(mem, font);
    caption = StringReplaceW(src ? src->Caption() : WindowText(), L"||", L"\r\n");
    const int layout = arrow ? 0 : LayoutNumber(GetEnumProperty(src, L"Layout"));
    const bool centred = LowerCaseAscii(GetEnumProperty(src, L"Alignment")) == L"tacenter";
    const int margin = IntOr(src, L"Margin", -1);
    const int spacing = IntOr(src, L"Spacing", 4);

    TBitmap* glyph = GlyphBitmap(picField);
    // A negative count counts as 1.
    const int numGlyphs = arrow ? 1 : std::max(IntOr(src, L"NumGlyphs", 1), 1);
    SIZE glyphSize{0, 0};
    if (glyph && !glyph->Empty()) glyphSize = SIZE{glyph->Width() / numGlyphs, glyph->Height()};

    // The caption measured in the client shrunk by 2, less the glyph's room.
    RECT box{0, 0, r.Width() - 4, r.Height() - 4};
    if (layout <= 1)
        box.right -= glyphSize.cx + 2;
    else
        box.bottom -= glyphSize.cy + 2;
    if (arrow) box.right -= kArrowLength + 2;
    SIZE textSize{0, 0};
    if (!caption.empty()) {
        RECT calc{0, 0, std::max<LONG>(box.right, 1), std::max<LONG>(box.bottom, 1)};
        Tnt_DrawTextW(mem, caption, calc, 1040);
        textSize = SIZE{calc.right - calc.left, calc.bottom - calc.top};
    }
    SIZE rowText = textSize;
    // The menu button's row: caption then arrow, spaced like glyph and caption.
    if (arrow) rowText.cx += kArrowLength + (textSize.cx > 0 ? std::max(spacing, 0) : 0);
    const TGlyphLayout at = LayoutGlyphButton(SIZE{r.Width(), r.Height()}, glyphSize, rowText, layout, margin, spacing,
                                              centred, arrow ? 4 : 3);

    if (glyphSize.cx > 0)
        TSkinBitButton::DrawGlyph(mem, dx + at.Glyph.x, dy + at.Glyph.y, *glyph, numGlyphs, arrow ? 1 : G);

    const TColor base = src ? src->Font().Color : fsd->Colors[csButtonText];
    const TColor color = GetFontColor(F, base);
    RECT text{dx + at.Text.left, dy + at.Text.top, dx + at.Text.left + textSize.cx, dy + at.Text.top + textSize.cy};
    if (!caption.empty()) {
        SetBkMode(mem, TRANSPARENT);
        SetTextColor(mem, Rgb(color));
        Tnt_DrawTextW(mem, caption, text, CheckBiDi(at.TextFlags));
        if (focusRect && !fsd->Options().Contains(xoNoFocusRect)) {
            RECT f = text;
            InflateRect(&f, 2, 2);
            DrawFocusRect(mem, &f);
        }
    }
    if (arrow) {
        const int x = dx + at.Text.right - kArrowLength / 2 - 1;
        const int y = dy + r.Height() / 2;
        const POINT corners[3] = {{x - 3, y - 1}, {x + 3, y - 1}, {x, y + 2}};
        const COLORREF c = Rgb(F == 3 ? clBtnShadow : clWindowText);
        UniqueBrush brush(CreateSolidBrush(c));
        UniquePen pen(CreatePen(PS_SOLID, 1, c));
        SelectGuard b1(mem, brush.get());
        SelectGuard p1(mem, pen.get());
        Polygon(mem, corners, 3);
    }
}

bool TSkinBitButton::BeforeProc(TMessage& m) {
    // An owner-drawn button asks for its face on focus and state changes;
    // the skin answers, so the framework's face never shows in between.
    if (m.Msg == CN_DRAWITEM && SkinHasButton(fsd) && m.LParam) {
        const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(m.LParam);
        PaintTo(item.hDC, FromRECT(item.rcItem));
        m.Result = TRUE;
        return false;
    }
    return TSkinButton::BeforeProc(m);
}

void TSkinBitButton::DrawControl(HDC dc, const TRect& rc) {
    if (!SkinHasButton(fsd) || rc.IsEmpty()) return;
    TControl* src = Source();
    if (LowerCaseAscii(GetEnumProperty(src, L"Visible")) == L"false") return;
    focused = GetFocus() == hwnd;
    enabled = !(GetWindowLongW(hwnd, GWL_STYLE) & WS_DISABLED);
    isdefault = IsTrueText(GetEnumProperty(control, L"Default"));
    const int F = ButtonFrame();
    const int G = F == 2 ? 3 : F == 3 ? 2 : 1;
    if (trans) DrawParentImage(hwnd, dc, false);
    ComposeGlyphFace(dc, rc, F, G, true, focused, false, PicField);
}

// ---------------------------------------------------------------- menu button

void TSkinMenuButton::DrawControl(HDC dc, const TRect& rc) {
    if (!SkinHasButton(fsd) || rc.IsEmpty()) return;
    focused = GetFocus() == hwnd;
    enabled = !(GetWindowLongW(hwnd, GWL_STYLE) & WS_DISABLED);
    isdefault = IsTrueText(GetEnumProperty(control, L"Default"));
    const int F = ButtonFrame();
    if (trans) DrawParentImage(hwnd, dc, false);
    ComposeGlyphFace(dc, rc, F, 1, true, focused, true, std::wstring());
}

// ---------------------------------------------------------------- speed button

void TSkinSpeedButton::InitGraphicControl(TWinSkinForm* sf, TSkinData* sd, TCanvas* acanvas) {
    if (Inited) return;
    auto* graphic = dynamic_cast<TGraphicControl*>(Owner());
    if (!graphic) return;
    fsd = sd;
    skinform = sf;
    fCanvas = acanvas;
    GControl = graphic;
    trans = graphic->Tag() == 5555 || (sd && sd->Options().Contains(xoTransparent));
    HookWindowProc(graphic);
    if (skinform) skinform->AddControlList(this);
    Invalidate();
    Inited = true;
    skinstate = 1;
}

bool TSkinSpeedButton::CanDraw() const {
    return SkinHasButton(fsd) && GControl && GControl->Width() > 0 && GControl->Height() > 0;
}

void TSkinSpeedButton::SyncState() {
    // The framework's speed button tracks press and hover itself (it gets
    // the mouse through its parent); its view is the one that counts.
    if (auto* sb = dynamic_cast<TSpeedButton*>(GControl))
        state = static_cast<TSkinControlState>((sb->Pressed() ? scDown : 0) | (sb->MouseInside() ? scMouseIn : 0));
}

bool TSkinSpeedButton::BeforeProc(TMessage& m) {
    if (m.Msg == WM_PAINT && m.WParam && CanDraw() && !FReentr) {
        WMPaintSpeed(reinterpret_cast<HDC>(m.WParam));
        m.Result = 0;
        return false;
    }
    return TSkinControl::BeforeProc(m);
}

void TSkinSpeedButton::AfterProc(TMessage& m) {
    const TSkinControlState before = state;
    switch (m.Msg) {
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK: state |= scDown; break;
        case WM_LBUTTONUP:
        case WM_CAPTURECHANGED: state &= static_cast<TSkinControlState>(~scDown); break;
        case CM_MOUSEENTER:
            if (GControl && GControl->Enabled()) state |= scMouseIn;
            break;
        case CM_MOUSELEAVE:
        case WM_MOUSELEAVE: state &= static_cast<TSkinControlState>(~(scMouseIn | scDown)); break;
        case CM_ENABLEDCHANGED: Invalidate(); break;
        default: break;
    }
    SyncState();
    if (state != before) Invalidate();
}

int TSkinSpeedButton::SpeedFrame() const {
    TControl* src = Source();
    const int S = (state & scDown) ? 2 : (state & scMouseIn) ? 4 : 1;
    if (IsTrueText(GetEnumProperty(src, L"Down"))) return 2;
    std::wstring enabledText = GetEnumProperty(src, L"Enabled");
    const bool isEnabled = enabledText.empty() ? (src && src->Enabled()) : IsTrueText(enabledText);
    return isEnabled ? S : 3;
}

int TSkinSpeedButton::SpeedGlyphIndex() const {
    if (IsTrueText(GetEnumProperty(Source(), L"Down"))) return 4;
    const int F = SpeedFrame();
    return F == 2 ? 3 : F == 3 ? 2 : 1;
}

void TSkinSpeedButton::WMPaintSpeed(HDC dc) {
    const TRect rc{0, 0, GControl->Width(), GControl->Height()};
    if (LowerCaseAscii(GetEnumProperty(Source(), L"Visible")) == L"false") return;
    try {
        Composed(dc, rc, [&](HDC mem) {
            FReentr = true;
            try {
                // Its own paint first, off screen; the skin then covers it.
                TMessage own{WM_PAINT, reinterpret_cast<WPARAM>(mem), 0, 0};
                Default(own);
            } catch (...) {
                // A fault of the control's own paint leaves the skin to cover it.
            }
            FReentr = false;
            // With trans the picture starts as what the parent painted under it.
            if (trans) BitBlt(mem, rc.Left, rc.Top, rc.Width(), rc.Height(), dc, rc.Left, rc.Top, SRCCOPY);
            DrawControl(mem, rc);
        });
    } catch (...) {
        // A drawing fault must not reach the control's message loop.
    }
}

void TSkinSpeedButton::PaintControl(HDC adc) {
    if (!CanDraw() || FReentr) return;
    const TRect rc{0, 0, GControl->Width(), GControl->Height()};
    try {
        if (adc) {
            if (LowerCaseAscii(GetEnumProperty(Source(), L"Visible")) == L"false") return;
            Composed(adc, rc, [&](HDC mem) {
                if (trans) BitBlt(mem, rc.Left, rc.Top, rc.Width(), rc.Height(), adc, rc.Left, rc.Top, SRCCOPY);
                DrawControl(mem, rc);
            });
            return;
        }
        // No paint DC: a repaint through the parent, which paints the skin.
        GControl->Repaint();
    } catch (...) {
        // A drawing fault must not reach the control's message loop.
    }
}

void TSkinSpeedButton::DrawControl(HDC dc, const TRect& rc) {
    if (FReentr || !CanDraw() || rc.IsEmpty()) return;
    if (LowerCaseAscii(GetEnumProperty(Source(), L"Visible")) == L"false") return;
    FReentr = true;
    try {
        SyncState();
        const int F = SpeedFrame();
        const int G = SpeedGlyphIndex();
        // A flat button shows the skin's frame only while hot or pressed.
        const bool drawFrame = F == 2 || F == 4 || !IsTrueText(GetEnumProperty(Source(), L"Flat"));
        ComposeGlyphFace(dc, rc, F, G, drawFrame, false, false, PicField);
    } catch (...) {
        FReentr = false;
        throw;
    }
    FReentr = false;
}
