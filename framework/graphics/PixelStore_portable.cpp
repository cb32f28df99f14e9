#include <new>

#include "framework/graphics/Bitmap.h"
#include "framework/graphics/PixelStore.h"

namespace gfx_detail {

PixelStore::PixelStore(int width, int height, int bitsPerPixel, const uint32_t*) {
    const int64_t bytes = static_cast<int64_t>(StrideFor(width, bitsPerPixel)) * height;
    memory_.reset(new (std::nothrow) uint8_t[static_cast<size_t>(bytes)]);
    if (!memory_) throw EBitmapAllocError(L"Out of system resources");
    bits_ = memory_.get();
}

PixelStore::~PixelStore() = default;

}  // namespace gfx_detail
