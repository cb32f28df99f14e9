#include "framework/graphics/Bitmap.h"
#include "framework/graphics/PixelStore.h"

namespace gfx_detail {

PixelStore::PixelStore(int width, int height, int bitsPerPixel, const uint32_t* palette) {
    struct {
        BITMAPINFOHEADER header;
        RGBQUAD colors[2];
    } info{};
    info.header.biSize = sizeof(BITMAPINFOHEADER);
    info.header.biWidth = width;
    info.header.biHeight = -height;  // top-down: row 0 first in memory
    info.header.biPlanes = 1;
    info.header.biBitCount = static_cast<WORD>(bitsPerPixel);
    info.header.biCompression = BI_RGB;
    if (bitsPerPixel == 1) {
        info.header.biClrUsed = 2;
        for (int i = 0; i < 2; ++i) {
            info.colors[i].rgbRed = static_cast<BYTE>(palette[i] >> 16);
            info.colors[i].rgbGreen = static_cast<BYTE>(palette[i] >> 8);
            info.colors[i].rgbBlue = static_cast<BYTE>(palette[i]);
        }
    }
    void* bits = nullptr;
    dib_.reset(CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!dib_ || !bits) throw EBitmapAllocError(L"Out of system resources");
    bits_ = static_cast<uint8_t*>(bits);
}

PixelStore::~PixelStore() = default;  // selection, then DC, then section

HDC PixelStore::DC() const {
    if (!dc_) {
        MemoryDC dc = MemoryDC::CompatibleWith(nullptr);
        if (!dc) throw EBitmapAllocError(L"Out of system resources");
        selection_ = std::make_unique<SelectGuard>(dc.get(), dib_.get());
        dc_ = std::move(dc);
    }
    return dc_.get();
}

}  // namespace gfx_detail
