// Writing a bitmap as a PNG picture (8-bit RGB, no interlacing), for
// screenshots that people and scripts look at. Portable.
//
// The pixels are compressed with our own small deflate (fixed codes and
// back-references within the last 32 KiB), which shrinks window pictures
// with their large flat areas well enough; any PNG reader reads the result.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

class TBitmap;
class TStream;

// The whole picture of bitmap, written to out from its position.
void SavePng(const TBitmap& bitmap, TStream& out);

// The building blocks, exposed for their tests.
uint32_t PngCrc32(const uint8_t* data, size_t size, uint32_t crc = 0);
uint32_t Adler32(const uint8_t* data, size_t size, uint32_t adler = 1);
// A zlib stream (deflate, fixed codes) of data.
std::vector<uint8_t> ZlibCompress(const uint8_t* data, size_t size);
