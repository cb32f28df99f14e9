#include "updater/Md5.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "framework/system/CodePage.h"
#include "framework/system/FileSystem.h"

namespace {

constexpr uint32_t K[64] = {
    0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a, 0xa8304613, 0xfd469501,
    0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193, 0xa679438e, 0x49b40821,
    0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 0xd62f105d, 0x02441453, 0xd8a1e681, 0xe7d3fbc8,
    0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed, 0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a,
    0xfffa3942, 0x8771f681, 0x6d9d6122, 0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70,
    0x289b7ec6, 0xeaa127fa, 0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665,
    0xf4292244, 0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1,
    0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 0xf7537e82, 0xbd3af235, 0x2ad7d2bb, 0xeb86d391};

inline uint32_t Rotl(uint32_t x, int n) { return (x << n) | (x >> (32 - n)); }
inline uint32_t Le32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

#define MD5_STEP(f, a, b, c, d, k, s, i) a = b + Rotl(a + f(b, c, d) + x[k] + K[i], s)
#define F1(b, c, d) (d ^ (b & (c ^ d)))
// Additive form: the two halves do not depend on each other.
#define F2(b, c, d) ((b & d) + (c & ~d))
#define F3(b, c, d) (b ^ c ^ d)
#define F4(b, c, d) (c ^ (b | ~d))

void Transform(uint32_t state[4], const uint8_t block[64]) {
    uint32_t x[16];
    for (int i = 0; i < 16; ++i) x[i] = Le32(block + 4 * i);
    uint32_t a = state[0], b = state[1], c = state[2], d = state[3];
    MD5_STEP(F1, a, b, c, d, 0, 7, 0);    MD5_STEP(F1, d, a, b, c, 1, 12, 1);
    MD5_STEP(F1, c, d, a, b, 2, 17, 2);   MD5_STEP(F1, b, c, d, a, 3, 22, 3);
    MD5_STEP(F1, a, b, c, d, 4, 7, 4);    MD5_STEP(F1, d, a, b, c, 5, 12, 5);
    MD5_STEP(F1, c, d, a, b, 6, 17, 6);   MD5_STEP(F1, b, c, d, a, 7, 22, 7);
    MD5_STEP(F1, a, b, c, d, 8, 7, 8);    MD5_STEP(F1, d, a, b, c, 9, 12, 9);
    MD5_STEP(F1, c, d, a, b, 10, 17, 10); MD5_STEP(F1, b, c, d, a, 11, 22, 11);
    MD5_STEP(F1, a, b, c, d, 12, 7, 12);  MD5_STEP(F1, d, a, b, c, 13, 12, 13);
    MD5_STEP(F1, c, d, a, b, 14, 17, 14); MD5_STEP(F1, b, c, d, a, 15, 22, 15);
    MD5_STEP(F2, a, b, c, d, 1, 5, 16);   MD5_STEP(F2, d, a, b, c, 6, 9, 17);
    MD5_STEP(F2, c, d, a, b, 11, 14, 18); MD5_STEP(F2, b, c, d, a, 0, 20, 19);
    MD5_STEP(F2, a, b, c, d, 5, 5, 20);   MD5_STEP(F2, d, a, b, c, 10, 9, 21);
    MD5_STEP(F2, c, d, a, b, 15, 14, 22); MD5_STEP(F2, b, c, d, a, 4, 20, 23);
    MD5_STEP(F2, a, b, c, d, 9, 5, 24);   MD5_STEP(F2, d, a, b, c, 14, 9, 25);
    MD5_STEP(F2, c, d, a, b, 3, 14, 26);  MD5_STEP(F2, b, c, d, a, 8, 20, 27);
    MD5_STEP(F2, a, b, c, d, 13, 5, 28);  MD5_STEP(F2, d, a, b, c, 2, 9, 29);
    MD5_STEP(F2, c, d, a, b, 7, 14, 30);  MD5_STEP(F2, b, c, d, a, 12, 20, 31);
    MD5_STEP(F3, a, b, c, d, 5, 4, 32);   MD5_STEP(F3, d, a, b, c, 8, 11, 33);
    MD5_STEP(F3, c, d, a, b, 11, 16, 34); MD5_STEP(F3, b, c, d, a, 14, 23, 35);
    MD5_STEP(F3, a, b, c, d, 1, 4, 36);   MD5_STEP(F3, d, a, b, c, 4, 11, 37);
    MD5_STEP(F3, c, d, a, b, 7, 16, 38);  MD5_STEP(F3, b, c, d, a, 10, 23, 39);
    MD5_STEP(F3, a, b, c, d, 13, 4, 40);  MD5_STEP(F3, d, a, b, c, 0, 11, 41);
    MD5_STEP(F3, c, d, a, b, 3, 16, 42);  MD5_STEP(F3, b, c, d, a, 6, 23, 43);
    MD5_STEP(F3, a, b, c, d, 9, 4, 44);   MD5_STEP(F3, d, a, b, c, 12, 11, 45);
    MD5_STEP(F3, c, d, a, b, 15, 16, 46); MD5_STEP(F3, b, c, d, a, 2, 23, 47);
    MD5_STEP(F4, a, b, c, d, 0, 6, 48);   MD5_STEP(F4, d, a, b, c, 7, 10, 49);
    MD5_STEP(F4, c, d, a, b, 14, 15, 50); MD5_STEP(F4, b, c, d, a, 5, 21, 51);
    MD5_STEP(F4, a, b, c, d, 12, 6, 52);  MD5_STEP(F4, d, a, b, c, 3, 10, 53);
    MD5_STEP(F4, c, d, a, b, 10, 15, 54); MD5_STEP(F4, b, c, d, a, 1, 21, 55);
    MD5_STEP(F4, a, b, c, d, 8, 6, 56);   MD5_STEP(F4, d, a, b, c, 15, 10, 57);
    MD5_STEP(F4, c, d, a, b, 6, 15, 58);  MD5_STEP(F4, b, c, d, a, 13, 21, 59);
    MD5_STEP(F4, a, b, c, d, 4, 6, 60);   MD5_STEP(F4, d, a, b, c, 11, 10, 61);
    MD5_STEP(F4, c, d, a, b, 2, 15, 62);  MD5_STEP(F4, b, c, d, a, 9, 21, 63);
    state[0] += a;
    state[1] += b;
    state[2] += c;
    state[3] += d;
}

}  // namespace

void MD5Init(MD5Context& context) {
    std::memset(&context, 0, sizeof context);
    context.state[0] = 0x67452301;
    context.state[1] = 0xefcdab89;
    context.state[2] = 0x98badcfe;
    context.state[3] = 0x10325476;
}

void MD5Update(MD5Context& context, const void* data, size_t count) {
    auto* input = static_cast<const uint8_t*>(data);
    size_t index = (context.count[0] >> 3) & 0x3F;
    uint64_t bits = (uint64_t(context.count[1]) << 32 | context.count[0]) + (uint64_t(count) << 3);
    context.count[0] = static_cast<uint32_t>(bits);
    context.count[1] = static_cast<uint32_t>(bits >> 32);

    size_t room = 64 - index;
    size_t i = 0;
    if (count >= room) {
        std::memcpy(context.buffer + index, input, room);
        Transform(context.state, context.buffer);
        for (i = room; i + 63 < count; i += 64) Transform(context.state, input + i);
        index = 0;
    }
    std::memcpy(context.buffer + index, input + i, count - i);
}

void MD5Final(MD5Context& context) {
    uint8_t bits[8];
    for (int i = 0; i < 4; ++i) {
        bits[i] = static_cast<uint8_t>(context.count[0] >> (8 * i));
        bits[4 + i] = static_cast<uint8_t>(context.count[1] >> (8 * i));
    }
    static const uint8_t padding[64] = {0x80};
    size_t index = (context.count[0] >> 3) & 0x3F;
    size_t padLen = index < 56 ? 56 - index : 120 - index;
    MD5Update(context, padding, padLen);
    MD5Update(context, bits, 8);
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) context.digest[4 * i + j] = static_cast<uint8_t>(context.state[i] >> (8 * j));
    std::memset(context.state, 0, sizeof context.state);
    std::memset(context.count, 0, sizeof context.count);
    std::memset(context.buffer, 0, sizeof context.buffer);
}

std::string MD5Text(const uint8_t digest[16]) {
    static const char hex[] = "0123456789abcdef";
    std::string out(32, '0');
    for (int i = 0; i < 16; ++i) {
        out[2 * i] = hex[digest[i] >> 4];
        out[2 * i + 1] = hex[digest[i] & 0xF];
    }
    return out;
}

std::optional<std::string> MD5File(const std::wstring& path) { return MD5File(path, nullptr); }

std::optional<std::string> MD5File(const std::wstring& path,
                                   const std::function<void(const uint8_t*, size_t)>& alsoRead) {
    return MD5File(path, alsoRead, nullptr);
}

std::optional<std::string> MD5File(const std::wstring& path,
                                   const std::function<void(const uint8_t*, size_t)>& alsoRead, bool* absent) {
    if (absent) *absent = false;
    MD5Context context;
    MD5Init(context);
    uint8_t buffer[1024] = {};
#ifdef _WIN32
    FILE* f = _wfopen(Win32FilePath(path).c_str(), L"rb");
#else
    std::string native = WideToUtf8(path);
    for (auto& c : native)
        if (c == '\\') c = '/';
    FILE* f = std::fopen(native.c_str(), "rb");
#endif
    if (!f) {
        // The failed open already says why; no second look at the path is needed.
        if (absent) *absent = errno == ENOENT;
        return std::nullopt;
    }
    // A larger stdio buffer keeps the 1024-byte reads from costing a system call each.
    static thread_local char streamBuffer[64 * 1024];
    std::setvbuf(f, streamBuffer, _IOFBF, sizeof streamBuffer);
    for (;;) {
        size_t n = std::fread(buffer, 1, sizeof buffer, f);
        if (n == 0) break;
        MD5Update(context, buffer, n);
        if (alsoRead) alsoRead(buffer, n);
    }
    MD5Final(context);
    std::fclose(f);
    return MD5Text(context.digest);
}
