// Windows bitmap files. Portable.
//
// Reading takes 1, 4, 8, 16, 24 and 32 bits per pixel, BI_RGB and
// BI_BITFIELDS (and BI_ALPHABITFIELDS), OS/2 core and Windows 3 to 5 headers,
// bottom-up and top-down rows. 1-bit files keep their two colours (pf1bit),
// 16-bit 5-5-5 files stay pf16bit, 32-bit files become pf32bit, everything
// else becomes pf24bit.
//
// Contract: the reader never reads outside data[0, size). A header whose
// sizes overflow or exceed the data, a palette index beyond the palette, a
// pixel array cut short or an unsupported kind leave the bitmap empty and
// return false.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

class TBitmap;

bool ReadBmpFile(const uint8_t* data, size_t size, TBitmap& bitmap);
// A bottom-up BI_RGB file, 32 bits per pixel for pf32bit and 24 otherwise;
// nothing for an empty bitmap.
std::vector<uint8_t> WriteBmpFile(const TBitmap& bitmap);
