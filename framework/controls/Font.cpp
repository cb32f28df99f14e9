#include "framework/controls/Font.h"

#include <algorithm>
#include <utility>

COLORREF ColorToRGB(TColor color) {
    if ((color & clSystemColor) == clSystemColor) return GetSysColor(color & 0xFF);
    return static_cast<COLORREF>(color) & 0x00FFFFFF;
}

TFont::TFont() : name_(L"Tahoma"), height_(-11), charset_(DEFAULT_CHARSET) {}

TFont::~TFont() { ReleaseHandle(); }

void TFont::Assign(const TFont& source) {
    if (&source == this) return;
    name_ = source.name_;
    height_ = source.height_;
    charset_ = source.charset_;
    style_ = source.style_;
    color_ = source.color_;
    Changed();
}

void TFont::SetName(std::wstring name) {
    if (name == name_) return;
    name_ = std::move(name);
    Changed();
}

void TFont::SetHeight(int height) {
    if (height == height_) return;
    height_ = height;
    Changed();
}

void TFont::SetCharset(BYTE charset) {
    if (charset == charset_) return;
    charset_ = charset;
    Changed();
}

void TFont::SetStyle(uint8_t style) {
    if (style == style_) return;
    style_ = style;
    Changed();
}

void TFont::SetColor(TColor color) {
    if (color == color_) return;
    color_ = color;
    // The colour is not part of the handle; only listeners care.
    if (OnChange) OnChange();
}

LOGFONTW TFont::LogFont() const {
    LOGFONTW lf{};
    lf.lfHeight = height_;
    lf.lfWeight = (style_ & fsBold) ? FW_BOLD : FW_NORMAL;
    lf.lfItalic = (style_ & fsItalic) ? TRUE : FALSE;
    lf.lfUnderline = (style_ & fsUnderline) ? TRUE : FALSE;
    lf.lfStrikeOut = (style_ & fsStrikeOut) ? TRUE : FALSE;
    lf.lfCharSet = charset_;
    lf.lfOutPrecision = OUT_DEFAULT_PRECIS;
    lf.lfClipPrecision = CLIP_DEFAULT_PRECIS;
    lf.lfQuality = DEFAULT_QUALITY;
    lf.lfPitchAndFamily = DEFAULT_PITCH;
    // The face name field holds 31 characters and the terminator; a longer name is cut.
    const size_t n = std::min(name_.size(), static_cast<size_t>(LF_FACESIZE - 1));
    std::copy_n(name_.data(), n, lf.lfFaceName);
    lf.lfFaceName[n] = L'\0';
    return lf;
}

HFONT TFont::Handle() const {
    if (!handle_) {
        const LOGFONTW lf = LogFont();
        handle_ = CreateFontIndirectW(&lf);
        if (!handle_) return static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    }
    return handle_;
}

void TFont::ReleaseHandle() const {
    if (handle_) {
        DeleteObject(handle_);
        handle_ = nullptr;
    }
}

void TFont::Changed() {
    // Controls that were given the old handle get the new one from OnChange
    // before it is used again; a font is never deleted while selected into
    // a DC because every selection in this layer is scoped.
    ReleaseHandle();
    if (OnChange) OnChange();
}
