// LZHUnpack on arbitrary bit streams, and pack/unpack round trips of arbitrary data.
// Input: a 32-bit little-endian length, then the bit stream. The length is
// cut to what the stream could hold plus a short zero-filled tail, so runs
// stay fast and spend their time on real input.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "skin/data/Winconvert.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 4) return 0;
    int64_t declared = data[0] | data[1] << 8 | data[2] << 16;
    int32_t length =
        static_cast<int32_t>(std::min<int64_t>(declared, lzh::MaxExpansion(static_cast<int64_t>(size) - 4) + 256));
    size_t pos = 4;
    std::vector<uint8_t> out;
    TLZH lzh;
    auto reader = [&](void* b, uint16_t, uint16_t& n) {
        n = pos < size ? 1 : 0;
        if (n) *static_cast<uint8_t*>(b) = data[pos++];
    };
    auto writer = [&](const void* b, uint16_t, uint16_t& n) {
        out.push_back(*static_cast<const uint8_t*>(b));
        n = 1;
    };
    lzh.LZHUnpack(length, reader, writer);
    if (out.size() != static_cast<size_t>(length)) std::abort();

    // Whatever the input, packing it and expanding the result gives it back.
    pos = 0;
    std::vector<uint8_t> packed;
    int32_t consumed = 0;
    lzh.LZHPack(consumed, reader, [&](const void* b, uint16_t, uint16_t& n) {
        packed.push_back(*static_cast<const uint8_t*>(b));
        n = 1;
    });
    if (consumed != static_cast<int32_t>(size)) std::abort();
    size_t at = 0;
    out.clear();
    lzh.LZHUnpack(
        consumed,
        [&](void* b, uint16_t, uint16_t& n) {
            n = at < packed.size() ? 1 : 0;
            if (n) *static_cast<uint8_t*>(b) = packed[at++];
        },
        writer);
    if (out.size() != size || std::memcmp(out.data(), data, size) != 0) std::abort();
    return 0;
}
