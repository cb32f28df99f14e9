#include "framework/graphics/Bitmap.h"

#include <algorithm>
#include <cstring>

#include "framework/graphics/BmpCodec.h"
#include "framework/graphics/Canvas.h"
#include "framework/graphics/PixelOps.h"
#include "framework/graphics/PixelStore.h"
#include "framework/system/StreamsAndLists.h"

using namespace gfx_detail;

namespace {
// Far beyond any skin, well inside what a DIB section can be.
constexpr int64_t kMaxPixelBytes = int64_t{1} << 30;
}  // namespace

int BitsPerPixel(TPixelFormat format) {
    switch (format) {
        case pf1bit: return 1;
        case pf16bit: return 16;
        case pf24bit: return 24;
        case pf32bit: return 32;
    }
    return 24;
}

TBitmap::TBitmap() = default;

TBitmap::TBitmap(int width, int height, TPixelFormat format) : format_(format) {
    Reallocate(width, height, format, false);
}

TBitmap::~TBitmap() = default;

int TBitmap::RowBytes() const {
    return StrideFor(width_, BitsPerPixel(format_));
}

uint8_t* TBitmap::Bits() {
    WaitForGdi();
    return store_ ? store_->Bits() : nullptr;
}

const uint8_t* TBitmap::Bits() const {
    WaitForGdi();
    return store_ ? store_->Bits() : nullptr;
}

void TBitmap::WaitForGdi() const {
#ifdef _WIN32
    if (store_) store_->WaitForGdi();
#endif
}

void TBitmap::Reallocate(int width, int height, TPixelFormat format, bool keepPixels) {
    width = std::max(width, 0);
    height = std::max(height, 0);
    std::unique_ptr<PixelStore> store;
    const int bpp = BitsPerPixel(format);
    const int stride = StrideFor(width, bpp);
    if (width > 0 && height > 0) {
        if (static_cast<int64_t>(stride) * height > kMaxPixelBytes) throw EBitmapAllocError(L"Out of system resources");
        const uint32_t mono[2] = {ColorToPx(mono_[0]), ColorToPx(mono_[1])};
        store = std::make_unique<PixelStore>(width, height, bpp, mono);
        // New pixels are white, as a fresh framework bitmap is.
        uint8_t fill = 0xFF;
        if (format == pf1bit) fill = NearestMono(0xFFFFFF, mono) ? 0xFF : 0x00;
        std::memset(store->Bits(), fill, static_cast<size_t>(stride) * height);
        if (keepPixels && store_ && format == format_) {
            WaitForGdi();
            const int oldStride = RowBytes();
            const int rows = std::min(height, height_);
            const int cols = std::min(width, width_);
            for (int y = 0; y < rows; ++y) {
                const uint8_t* from = store_->Bits() + static_cast<size_t>(oldStride) * y;
                uint8_t* to = store->Bits() + static_cast<size_t>(stride) * y;
                if (format == pf1bit) {
                    for (int x = 0; x < cols; ++x) WritePx(to, x, pf1bit, ReadPx(from, x, pf1bit, mono), mono);
                } else {
                    std::memcpy(to, from, static_cast<size_t>(cols) * (bpp / 8));
                }
            }
        }
    }
    // The canvas keeps no handle of the old pixels, so it stays valid.
    store_ = std::move(store);
    width_ = width;
    height_ = height;
    format_ = format;
}

void TBitmap::SetSize(int width, int height) {
    if (width == width_ && height == height_) return;
    Reallocate(width, height, format_, true);
}

void TBitmap::SetPixelFormat(TPixelFormat format) {
    if (format == format_) return;
    if (!store_) {
        format_ = format;
        return;
    }
    WaitForGdi();
    const uint32_t mono[2] = {ColorToPx(mono_[0]), ColorToPx(mono_[1])};
    std::unique_ptr<PixelStore> old = std::move(store_);
    const TPixelFormat oldFormat = format_;
    const int oldStride = RowBytes();
    Reallocate(width_, height_, format, false);
    const int stride = RowBytes();
    for (int y = 0; y < height_; ++y) {
        const uint8_t* from = old->Bits() + static_cast<size_t>(oldStride) * y;
        uint8_t* to = store_->Bits() + static_cast<size_t>(stride) * y;
        if (oldFormat == pf24bit && format == pf32bit) {
            for (int x = 0; x < width_; ++x) {
                to[4 * x] = from[3 * x];
                to[4 * x + 1] = from[3 * x + 1];
                to[4 * x + 2] = from[3 * x + 2];
                to[4 * x + 3] = 0;
            }
        } else if (oldFormat == pf32bit && format == pf24bit) {
            for (int x = 0; x < width_; ++x) {
                to[3 * x] = from[4 * x];
                to[3 * x + 1] = from[4 * x + 1];
                to[3 * x + 2] = from[4 * x + 2];
            }
        } else {
            for (int x = 0; x < width_; ++x) WritePx(to, x, format, ReadPx(from, x, oldFormat, mono), mono);
        }
    }
}

void TBitmap::SetMonoColors(TColor color0, TColor color1) {
    const TColor c0 = ColorToRGB(color0) & 0xFFFFFF, c1 = ColorToRGB(color1) & 0xFFFFFF;
    if (c0 == mono_[0] && c1 == mono_[1]) return;
    mono_[0] = c0;
    mono_[1] = c1;
    if (format_ == pf1bit && store_) {
        // On Windows the palette lives in the DIB section: make a new one, same bits.
        WaitForGdi();
        std::unique_ptr<PixelStore> old = std::move(store_);
        Reallocate(width_, height_, pf1bit, false);
        std::memcpy(store_->Bits(), old->Bits(), static_cast<size_t>(RowBytes()) * height_);
    }
}

uint8_t* TBitmap::ScanLine(int y) {
    if (!store_ || y < 0 || y >= height_) throw EInvalidGraphicOperation(L"Scan line index out of range");
    WaitForGdi();
    return store_->Bits() + static_cast<size_t>(RowBytes()) * y;
}

const uint8_t* TBitmap::ScanLine(int y) const {
    if (!store_ || y < 0 || y >= height_) throw EInvalidGraphicOperation(L"Scan line index out of range");
    WaitForGdi();
    return store_->Bits() + static_cast<size_t>(RowBytes()) * y;
}

TColor TBitmap::Pixel(int x, int y) const {
    if (!store_ || x < 0 || y < 0 || x >= width_ || y >= height_) return -1;
    const uint32_t mono[2] = {ColorToPx(mono_[0]), ColorToPx(mono_[1])};
    return PxToColor(ReadPx(ScanLine(y), x, format_, mono));
}

void TBitmap::SetPixel(int x, int y, TColor color) {
    if (!store_ || x < 0 || y < 0 || x >= width_ || y >= height_) return;
    const uint32_t mono[2] = {ColorToPx(mono_[0]), ColorToPx(mono_[1])};
    WritePx(ScanLine(y), x, format_, ColorToPx(ColorToRGB(color)), mono);
}

void TBitmap::Assign(const TBitmap& source) {
    if (&source == this) return;
    mono_[0] = source.mono_[0];
    mono_[1] = source.mono_[1];
    transparent_ = source.transparent_;
    transparentColor_ = source.transparentColor_;
    transparentMode_ = source.transparentMode_;
    Reallocate(source.width_, source.height_, source.format_, false);
    if (store_) {
        source.WaitForGdi();
        std::memcpy(store_->Bits(), source.store_->Bits(), static_cast<size_t>(RowBytes()) * height_);
    }
}

TColor TBitmap::TransparentColor() const {
    if (transparentMode_ == tmFixed) return transparentColor_;
    if (Empty()) return clDefault;
    return Pixel(0, height_ - 1);
}

void TBitmap::SetTransparentColor(TColor color) {
    transparentColor_ = color;
    transparentMode_ = tmFixed;
}

TCanvas& TBitmap::Canvas() {
    if (!canvas_) canvas_ = std::make_unique<TCanvas>(*this);
    return *canvas_;
}

void TBitmap::LoadFromStream(TStream& stream) {
    const int64_t available = stream.Size() - stream.Position();
    std::vector<uint8_t> bytes(static_cast<size_t>(std::max<int64_t>(available, 0)));
    const int64_t got = bytes.empty() ? 0 : stream.Read(bytes.data(), static_cast<int64_t>(bytes.size()));
    bytes.resize(static_cast<size_t>(std::max<int64_t>(got, 0)));
    ReadBmpFile(bytes.data(), bytes.size(), *this);
}

void TBitmap::SaveToStream(TStream& stream) const {
    const std::vector<uint8_t> bytes = WriteBmpFile(*this);
    if (!bytes.empty()) stream.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
}

void TBitmap::LoadFromFile(const std::wstring& fileName) {
    TFileStream file(fileName, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(file);
}

void TBitmap::SaveToFile(const std::wstring& fileName) const {
    TFileStream file(fileName, fmCreate);
    SaveToStream(file);
}

#ifdef _WIN32
HBITMAP TBitmap::Handle() const {
    return store_ ? store_->Handle() : nullptr;
}
HDC TBitmap::DC() const {
    return store_ ? store_->DC() : nullptr;
}
#endif
