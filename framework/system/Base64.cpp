#include "framework/system/Base64.h"

namespace {

const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

int Value(char c) {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    return -1;
}

}  // namespace

std::string Base64Encode(const uint8_t* data, size_t count) {
    std::string out;
    out.reserve((count + 2) / 3 * 4);
    for (size_t i = 0; i < count; i += 3) {
        uint32_t group = uint32_t(data[i]) << 16;
        if (i + 1 < count) group |= uint32_t(data[i + 1]) << 8;
        if (i + 2 < count) group |= data[i + 2];
        out += kAlphabet[group >> 18];
        out += kAlphabet[(group >> 12) & 63];
        out += i + 1 < count ? kAlphabet[(group >> 6) & 63] : '=';
        out += i + 2 < count ? kAlphabet[group & 63] : '=';
    }
    return out;
}

std::optional<std::vector<uint8_t>> Base64Decode(std::string_view text) {
    if (text.size() % 4 != 0) return std::nullopt;
    std::vector<uint8_t> out;
    out.reserve(text.size() / 4 * 3);
    for (size_t i = 0; i < text.size(); i += 4) {
        const bool last = i + 4 == text.size();
        int pad = 0;
        if (last && text[i + 3] == '=') pad = text[i + 2] == '=' ? 2 : 1;
        uint32_t group = 0;
        for (int j = 0; j < 4; ++j) {
            int v = j >= 4 - pad ? 0 : Value(text[i + j]);
            if (v < 0) return std::nullopt;
            group = group << 6 | uint32_t(v);
        }
        // Bits that the padding says are unused must be zero.
        if ((pad == 1 && (group & 0xFF) != 0) || (pad == 2 && (group & 0xFFFF) != 0)) return std::nullopt;
        out.push_back(static_cast<uint8_t>(group >> 16));
        if (pad < 2) out.push_back(static_cast<uint8_t>(group >> 8));
        if (pad < 1) out.push_back(static_cast<uint8_t>(group));
    }
    return out;
}
