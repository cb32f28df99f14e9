#include "framework/graphics/PngCodec.h"

#include <algorithm>
#include <array>
#include <cstdlib>

#include "framework/graphics/Bitmap.h"
#include "framework/system/StreamsAndLists.h"

namespace {

// Bits go out least significant first, as deflate packs them.
class BitWriter {
public:
    explicit BitWriter(std::vector<uint8_t>& out) : out_(out) {}
    void Put(uint32_t value, int count) {
        acc_ |= static_cast<uint64_t>(value) << bits_;
        bits_ += count;
        while (bits_ >= 8) {
            out_.push_back(static_cast<uint8_t>(acc_));
            acc_ >>= 8;
            bits_ -= 8;
        }
    }
    // A Huffman code is defined most significant bit first.
    void PutCode(uint32_t code, int length) {
        uint32_t reversed = 0;
        for (int i = 0; i < length; ++i) reversed |= ((code >> i) & 1u) << (length - 1 - i);
        Put(reversed, length);
    }
    void Flush() {
        if (bits_ > 0) out_.push_back(static_cast<uint8_t>(acc_));
        acc_ = 0;
        bits_ = 0;
    }

private:
    std::vector<uint8_t>& out_;
    uint64_t acc_ = 0;
    int bits_ = 0;
};

// The fixed literal/length code of deflate.
void PutLiteralOrLength(BitWriter& w, int symbol) {
    if (symbol < 144)
        w.PutCode(0x30 + symbol, 8);
    else if (symbol < 256)
        w.PutCode(0x190 + (symbol - 144), 9);
    else if (symbol < 280)
        w.PutCode(symbol - 256, 7);
    else
        w.PutCode(0xC0 + (symbol - 280), 8);
}

constexpr std::array<int, 29> kLengthBase = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                             31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr std::array<int, 29> kLengthExtra = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                              2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr std::array<int, 30> kDistBase = {1,    2,    3,    4,    5,    7,    9,    13,    17,    25,
                                           33,   49,   65,   97,   129,  193,  257,  385,   513,   769,
                                           1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
constexpr std::array<int, 30> kDistExtra = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                            6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};

void PutMatch(BitWriter& w, int length, int distance) {
    int lc = 28;
    while (kLengthBase[lc] > length) --lc;
    PutLiteralOrLength(w, 257 + lc);
    if (kLengthExtra[lc] > 0) w.Put(static_cast<uint32_t>(length - kLengthBase[lc]), kLengthExtra[lc]);
    int dc = 29;
    while (kDistBase[dc] > distance) --dc;
    w.PutCode(static_cast<uint32_t>(dc), 5);
    if (kDistExtra[dc] > 0) w.Put(static_cast<uint32_t>(distance - kDistBase[dc]), kDistExtra[dc]);
}

constexpr int kWindow = 32768;
constexpr int kMinMatch = 3;
constexpr int kMaxMatch = 258;
constexpr int kHashBits = 15;
constexpr int kMaxChain = 48;

uint32_t Hash3(const uint8_t* p) {
    return ((static_cast<uint32_t>(p[0]) << 10) ^ (static_cast<uint32_t>(p[1]) << 5) ^ p[2]) & ((1u << kHashBits) - 1);
}

void Deflate(const uint8_t* data, size_t size, std::vector<uint8_t>& out) {
    BitWriter w(out);
    w.Put(1, 1);  // the last block
    w.Put(1, 2);  // fixed codes
    std::vector<int32_t> head(size_t{1} << kHashBits, -1);
    std::vector<int32_t> prev(kWindow, -1);
    auto insert = [&](size_t pos) {
        if (pos + kMinMatch > size) return;
        const uint32_t h = Hash3(data + pos);
        prev[pos % kWindow] = head[h];
        head[h] = static_cast<int32_t>(pos);
    };
    size_t i = 0;
    while (i < size) {
        int bestLength = 0;
        int bestDistance = 0;
        if (i + kMinMatch <= size) {
            const int limit = static_cast<int>(std::min<size_t>(kMaxMatch, size - i));
            int32_t candidate = head[Hash3(data + i)];
            for (int chain = 0; candidate >= 0 && chain < kMaxChain; ++chain) {
                const size_t distance = i - static_cast<size_t>(candidate);
                if (distance > kWindow) break;
                const uint8_t* a = data + candidate;
                const uint8_t* b = data + i;
                int length = 0;
                while (length < limit && a[length] == b[length]) ++length;
                if (length > bestLength) {
                    bestLength = length;
                    bestDistance = static_cast<int>(distance);
                    if (length == limit) break;
                }
                const int32_t next = prev[static_cast<size_t>(candidate) % kWindow];
                if (next >= candidate) break;  // an entry of an older window pass
                candidate = next;
            }
        }
        if (bestLength >= kMinMatch) {
            PutMatch(w, bestLength, bestDistance);
            for (int k = 0; k < bestLength; ++k) insert(i + static_cast<size_t>(k));
            i += static_cast<size_t>(bestLength);
        } else {
            PutLiteralOrLength(w, data[i]);
            insert(i);
            ++i;
        }
    }
    PutLiteralOrLength(w, 256);
    w.Flush();
}

void PutBE32(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(static_cast<uint8_t>(v >> 24));
    out.push_back(static_cast<uint8_t>(v >> 16));
    out.push_back(static_cast<uint8_t>(v >> 8));
    out.push_back(static_cast<uint8_t>(v));
}

void WriteChunk(TStream& out, const char type[4], const std::vector<uint8_t>& body) {
    std::vector<uint8_t> chunk;
    chunk.reserve(body.size() + 12);
    PutBE32(chunk, static_cast<uint32_t>(body.size()));
    chunk.insert(chunk.end(), type, type + 4);
    chunk.insert(chunk.end(), body.begin(), body.end());
    PutBE32(chunk, PngCrc32(chunk.data() + 4, chunk.size() - 4));
    out.WriteBuffer(chunk.data(), static_cast<int64_t>(chunk.size()));
}

int Paeth(int a, int b, int c) {
    const int p = a + b - c;
    const int pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
    if (pa <= pb && pa <= pc) return a;
    return pb <= pc ? b : c;
}

// Each row filtered the way that leaves the smallest sum of signed bytes,
// the usual guess at what compresses best.
std::vector<uint8_t> FilteredRows(const TBitmap& bitmap) {
    const int w = bitmap.Width(), h = bitmap.Height();
    const size_t rowBytes = static_cast<size_t>(w) * 3;
    std::vector<uint8_t> out;
    out.reserve((rowBytes + 1) * static_cast<size_t>(h));
    std::vector<uint8_t> above(rowBytes, 0), row(rowBytes), best, trial(rowBytes);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const TColor c = bitmap.Pixel(x, y);
            row[static_cast<size_t>(x) * 3] = static_cast<uint8_t>(c & 0xFF);
            row[static_cast<size_t>(x) * 3 + 1] = static_cast<uint8_t>((c >> 8) & 0xFF);
            row[static_cast<size_t>(x) * 3 + 2] = static_cast<uint8_t>((c >> 16) & 0xFF);
        }
        long bestScore = -1;
        uint8_t bestType = 0;
        for (uint8_t type = 0; type <= 4; ++type) {
            long score = 0;
            for (size_t i = 0; i < rowBytes; ++i) {
                const int a = i >= 3 ? row[i - 3] : 0;
                const int b = above[i];
                const int c = i >= 3 ? above[i - 3] : 0;
                int predictor = 0;
                switch (type) {
                    case 1: predictor = a; break;
                    case 2: predictor = b; break;
                    case 3: predictor = (a + b) / 2; break;
                    case 4: predictor = Paeth(a, b, c); break;
                    default: break;
                }
                trial[i] = static_cast<uint8_t>(row[i] - predictor);
                score += std::abs(static_cast<int8_t>(trial[i]));
            }
            if (bestScore < 0 || score < bestScore) {
                bestScore = score;
                bestType = type;
                best = trial;
            }
        }
        out.push_back(bestType);
        out.insert(out.end(), best.begin(), best.end());
        above = row;
    }
    return out;
}

}  // namespace

uint32_t PngCrc32(const uint8_t* data, size_t size, uint32_t crc) {
    static const std::array<uint32_t, 256> table = [] {
        std::array<uint32_t, 256> t{};
        for (uint32_t n = 0; n < 256; ++n) {
            uint32_t c = n;
            for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    crc = ~crc;
    for (size_t i = 0; i < size; ++i) crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

uint32_t Adler32(const uint8_t* data, size_t size, uint32_t adler) {
    uint32_t a = adler & 0xFFFF, b = adler >> 16;
    for (size_t i = 0; i < size; ++i) {
        a = (a + data[i]) % 65521;
        b = (b + a) % 65521;
    }
    return (b << 16) | a;
}

std::vector<uint8_t> ZlibCompress(const uint8_t* data, size_t size) {
    std::vector<uint8_t> out = {0x78, 0x01};  // deflate, 32 KiB window, no dictionary
    Deflate(data, size, out);
    PutBE32(out, Adler32(data, size));
    return out;
}

void SavePng(const TBitmap& bitmap, TStream& out) {
    static const uint8_t signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    out.WriteBuffer(signature, 8);
    std::vector<uint8_t> header;
    PutBE32(header, static_cast<uint32_t>(bitmap.Width()));
    PutBE32(header, static_cast<uint32_t>(bitmap.Height()));
    header.insert(header.end(), {8, 2, 0, 0, 0});  // 8 bits, RGB, deflate, standard filters, no interlace
    WriteChunk(out, "IHDR", header);
    const std::vector<uint8_t> rows = FilteredRows(bitmap);
    WriteChunk(out, "IDAT", ZlibCompress(rows.data(), rows.size()));
    WriteChunk(out, "IEND", {});
}
