// The bitmap file reader on arbitrary bytes: it must never read outside the
// input, and whatever it accepts must survive writing and reading back.
#include <cstdint>
#include <cstdlib>

#include "framework/graphics/Bitmap.h"
#include "framework/graphics/BmpCodec.h"
#include "framework/system/StreamsAndLists.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TBitmap bitmap;
    if (!ReadBmpFile(data, size, bitmap)) {
        if (!bitmap.Empty()) std::abort();  // a refused file must leave an empty bitmap
        return 0;
    }
    if (bitmap.Empty()) std::abort();
    TMemoryStream stream;
    bitmap.SaveToStream(stream);
    stream.SetPosition(0);
    TBitmap again;
    again.LoadFromStream(stream);
    if (again.Width() != bitmap.Width() || again.Height() != bitmap.Height()) std::abort();
    for (int y = 0; y < bitmap.Height(); y += 1 + bitmap.Height() / 8)
        for (int x = 0; x < bitmap.Width(); x += 1 + bitmap.Width() / 8)
            if (again.Pixel(x, y) != bitmap.Pixel(x, y)) std::abort();
    return 0;
}
