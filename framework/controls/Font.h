// Colours and the font object of the controls. Windows only.
//
// TFont describes a font (face, height, charset, style, colour) and owns the
// HFONT made from that description; the handle is made on first use, deleted
// when the description changes and when the font goes away. A handle taken
// from Handle() is borrowed: it is valid until the next change or the
// font's end, and nobody but the font deletes it.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>

// A colour as the framework stores it: 0x00BBGGRR, or a system colour index
// with the high byte 0xFF (clSystemColor | COLOR_xxx).
using TColor = int32_t;
constexpr TColor clSystemColor = static_cast<TColor>(0xFF000000);
constexpr TColor clBtnFace = clSystemColor | COLOR_BTNFACE;
constexpr TColor clBtnShadow = clSystemColor | COLOR_BTNSHADOW;
constexpr TColor clWindowText = clSystemColor | COLOR_WINDOWTEXT;
constexpr TColor clGrayText = clSystemColor | COLOR_GRAYTEXT;
constexpr TColor clBlack = 0x000000;
constexpr TColor clWhite = 0xFFFFFF;

// The RGB value of a colour; system colours are looked up now.
COLORREF ColorToRGB(TColor color);

enum TFontStyle : uint8_t { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };

class TFont {
public:
    TFont();
    ~TFont();
    TFont(const TFont&) = delete;
    TFont& operator=(const TFont&) = delete;

    // Copies the description (not the handle, not OnChange) and reports one change.
    void Assign(const TFont& source);

    const std::wstring& Name() const { return name_; }
    void SetName(std::wstring name);
    // Character height in pixels when negative (the usual form), cell height when positive.
    int Height() const { return height_; }
    void SetHeight(int height);
    BYTE Charset() const { return charset_; }
    void SetCharset(BYTE charset);
    uint8_t Style() const { return style_; }  // TFontStyle bits
    void SetStyle(uint8_t style);
    TColor Color() const { return color_; }
    void SetColor(TColor color);

    // The font handle, made now if needed (a stock font if the platform refuses).
    HFONT Handle() const;
    LOGFONTW LogFont() const;

    // Called after every change of the description.
    std::function<void()> OnChange;

private:
    void Changed();
    void ReleaseHandle() const;

    std::wstring name_;
    int height_;
    BYTE charset_;
    uint8_t style_ = 0;
    TColor color_ = clWindowText;
    mutable HFONT handle_ = nullptr;
};
