// The memory behind a TBitmap. Internal to the graphics library.
//
// Rows are DIB-aligned (4 bytes) and top-down. Natively a plain heap array;
// on Windows a top-down DIB section, with a memory DC made on demand.
#pragma once

#include <cstdint>
#include <memory>

#ifdef _WIN32
#include "framework/graphics/GdiHandles.h"
#endif

namespace gfx_detail {

inline int StrideFor(int width, int bitsPerPixel) {
    return static_cast<int>(((static_cast<int64_t>(width) * bitsPerPixel + 31) / 32) * 4);
}

class PixelStore {
public:
    // palette: two 0x00RRGGBB entries for 1-bit stores, else ignored.
    // Raises EBitmapAllocError when the memory cannot be had.
    PixelStore(int width, int height, int bitsPerPixel, const uint32_t* palette);
    ~PixelStore();
    PixelStore(const PixelStore&) = delete;
    PixelStore& operator=(const PixelStore&) = delete;

    uint8_t* Bits() const { return bits_; }

#ifdef _WIN32
    HBITMAP Handle() const {
        return dib_.get();
    }
    HDC DC() const;
    bool HasDC() const {
        return static_cast<bool>(dc_);
    }
    // GDI may batch drawing; pixels read in software must wait for it.
    void WaitForGdi() const {
        if (dc_) GdiFlush();
    }
#endif

private:
    uint8_t* bits_ = nullptr;
#ifdef _WIN32
    UniqueBitmap dib_;
    mutable MemoryDC dc_;
    mutable std::unique_ptr<SelectGuard> selection_;
#else
    std::unique_ptr<uint8_t[]> memory_;
#endif
};

}  // namespace gfx_detail
