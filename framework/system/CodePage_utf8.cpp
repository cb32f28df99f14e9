// UTF-8 helpers used on every platform, and the native "Ansi" code page (UTF-8).
#include "CodePage.h"

#include <cstdint>

std::string WideToUtf8(std::wstring_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        uint32_t c = static_cast<uint32_t>(text[i]);
        if constexpr (sizeof(wchar_t) == 2) {
            if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size()) {
                uint32_t low = static_cast<uint32_t>(text[i + 1]);
                if (low >= 0xDC00 && low <= 0xDFFF) {
                    c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
                    ++i;
                }
            }
        }
        if (c >= 0xD800 && c <= 0xDFFF) c = 0xFFFD;  // lone surrogate
        if (c > 0x10FFFF) c = 0xFFFD;
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

std::wstring Utf8ToWide(std::string_view text) {
    std::wstring out;
    out.reserve(text.size());
    size_t i = 0;
    auto cont = [&](size_t k) { return i + k < text.size() && (static_cast<uint8_t>(text[i + k]) & 0xC0) == 0x80; };
    while (i < text.size()) {
        uint8_t b = static_cast<uint8_t>(text[i]);
        uint32_t c = 0xFFFD;
        size_t len = 1;
        if (b < 0x80) {
            c = b;
        } else if (b >= 0xC2 && b < 0xE0 && cont(1)) {
            c = ((b & 0x1Fu) << 6) | (static_cast<uint8_t>(text[i + 1]) & 0x3Fu);
            len = 2;
        } else if (b >= 0xE0 && b < 0xF0 && cont(1) && cont(2)) {
            c = ((b & 0x0Fu) << 12) | ((static_cast<uint8_t>(text[i + 1]) & 0x3Fu) << 6) |
                (static_cast<uint8_t>(text[i + 2]) & 0x3Fu);
            len = 3;
            if (c < 0x800 || (c >= 0xD800 && c <= 0xDFFF)) c = 0xFFFD;
        } else if (b >= 0xF0 && b < 0xF5 && cont(1) && cont(2) && cont(3)) {
            c = ((b & 0x07u) << 18) | ((static_cast<uint8_t>(text[i + 1]) & 0x3Fu) << 12) |
                ((static_cast<uint8_t>(text[i + 2]) & 0x3Fu) << 6) | (static_cast<uint8_t>(text[i + 3]) & 0x3Fu);
            len = 4;
            if (c < 0x10000 || c > 0x10FFFF) c = 0xFFFD;
        }
        i += len;
        if constexpr (sizeof(wchar_t) == 2) {
            if (c >= 0x10000) {
                c -= 0x10000;
                out += static_cast<wchar_t>(0xD800 + (c >> 10));
                out += static_cast<wchar_t>(0xDC00 + (c & 0x3FF));
                continue;
            }
        }
        out += static_cast<wchar_t>(c);
    }
    return out;
}

#ifndef _WIN32
std::string WideToAnsi(std::wstring_view text) { return WideToUtf8(text); }
std::wstring AnsiToWide(std::string_view text) { return Utf8ToWide(text); }
#endif
