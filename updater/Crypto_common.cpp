#include "updater/Crypto.h"

Sha256Digest Sha256Of(const void* data, size_t count) {
    Sha256Hasher hasher;
    hasher.Update(data, count);
    return hasher.Final();
}

std::string HexText(const uint8_t* data, size_t count) {
    static const char hex[] = "0123456789abcdef";
    std::string out(2 * count, '0');
    for (size_t i = 0; i < count; ++i) {
        out[2 * i] = hex[data[i] >> 4];
        out[2 * i + 1] = hex[data[i] & 0xF];
    }
    return out;
}
