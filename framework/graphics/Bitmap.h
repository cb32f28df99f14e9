// Bitmaps of the framework. Portable, with a Windows face.
//
// A TBitmap owns a pixel array of Width x Height pixels in one of four
// formats. Rows are laid out as in a Windows DIB (each row padded to a
// multiple of 4 bytes; 24-bit pixels as blue, green, red; 32-bit as blue,
// green, red, reserved; 16-bit as 5-5-5 with blue in the low bits; 1-bit
// with the leftmost pixel in the high bit, indexing a two-colour palette),
// and ScanLine(y) is row y counted from the top.
//
// On Windows the pixel array is a DIB section, so GDI can draw on the
// bitmap (text) through its memory DC and the bitmap reaches a window in one
// BitBlt. The DC and the section belong to the bitmap and live as long as
// its pixels do (resizing or reformatting makes new ones, so do not keep the
// handles across that); ScanLine waits for pending GDI drawing first.
//
// Reading a bitmap file never reads outside its bytes: a file that is
// malformed, truncated, or holds palette indexes beyond its palette loads as
// an empty bitmap.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "framework/graphics/Color.h"
#include "framework/graphics/Types.h"
#include "framework/system/ErrorsAndStrings.h"

#ifdef _WIN32
#include <windows.h>
#endif

class TStream;
class TCanvas;
namespace gfx_detail {
class PixelStore;
}

enum TPixelFormat { pf1bit, pf16bit, pf24bit, pf32bit };
enum TTransparentMode { tmAuto, tmFixed };

int BitsPerPixel(TPixelFormat format);

class EInvalidGraphic : public EFrameworkError {
public:
    using EFrameworkError::EFrameworkError;
};
class EInvalidGraphicOperation : public EFrameworkError {
public:
    using EFrameworkError::EFrameworkError;
};
class EBitmapAllocError : public EFrameworkError {
public:
    using EFrameworkError::EFrameworkError;
};

class TBitmap {
public:
    TBitmap();
    TBitmap(int width, int height, TPixelFormat format = pf24bit);
    ~TBitmap();
    TBitmap(const TBitmap&) = delete;
    TBitmap& operator=(const TBitmap&) = delete;

    int Width() const { return width_; }
    int Height() const { return height_; }
    bool Empty() const { return width_ == 0 || height_ == 0; }
    // Resizing keeps the pixels of the common top-left part; new pixels are
    // white. A negative size counts as 0. Raises EBitmapAllocError when the
    // pixels cannot be had.
    void SetWidth(int width) { SetSize(width, height_); }
    void SetHeight(int height) { SetSize(width_, height); }
    void SetSize(int width, int height);

    TPixelFormat PixelFormat() const { return format_; }
    // Converts the pixels: 1-bit pixels take the nearer of the two palette colours.
    void SetPixelFormat(TPixelFormat format);

    int RowBytes() const;
    // Row y from the top; raises EInvalidGraphicOperation outside 0..Height-1.
    uint8_t* ScanLine(int y);
    const uint8_t* ScanLine(int y) const;

    // The two palette colours of a 1-bit bitmap (black and white by default).
    TColor MonoColor(int index) const { return mono_[index & 1]; }
    void SetMonoColors(TColor color0, TColor color1);

    // One pixel as RGB; -1 outside the bitmap. SetPixel ignores such positions.
    TColor Pixel(int x, int y) const;
    void SetPixel(int x, int y, TColor color);

    // Deep copy of the pixels, format, palette and transparency settings.
    void Assign(const TBitmap& source);

    bool Transparent() const { return transparent_; }
    void SetTransparent(bool value) { transparent_ = value; }
    // tmAuto: the bottom-left pixel's colour; tmFixed: the colour set here.
    TColor TransparentColor() const;
    void SetTransparentColor(TColor color);
    TTransparentMode TransparentMode() const { return transparentMode_; }
    void SetTransparentMode(TTransparentMode mode) { transparentMode_ = mode; }

    TCanvas& Canvas();

    // Reads a Windows bitmap file from the stream's position to its end.
    void LoadFromStream(TStream& stream);
    // Writes a bottom-up BI_RGB file: 32 bits per pixel for pf32bit, else 24.
    // An empty bitmap writes nothing.
    void SaveToStream(TStream& stream) const;
    void LoadFromFile(const std::wstring& fileName);
    void SaveToFile(const std::wstring& fileName) const;

#ifdef _WIN32
    // The DIB section and a memory DC with it selected (made on first use);
    // both belong to the bitmap. Null for an empty bitmap.
    HBITMAP Handle() const;
    HDC DC() const;
#endif

    // First byte of the pixel array (row 0); for code that walks rows itself.
    uint8_t* Bits();
    const uint8_t* Bits() const;

private:
    friend class TCanvas;
    void Reallocate(int width, int height, TPixelFormat format, bool keepPixels);
    void WaitForGdi() const;

    int width_ = 0;
    int height_ = 0;
    TPixelFormat format_ = pf24bit;
    TColor mono_[2] = {clBlack, clWhite};
    bool transparent_ = false;
    TColor transparentColor_ = clDefault;
    TTransparentMode transparentMode_ = tmAuto;
    std::unique_ptr<gfx_detail::PixelStore> store_;
    std::unique_ptr<TCanvas> canvas_;
};
