// UTF-8 helpers used on every platform, and the native "Ansi" code page (UTF-8).
#include "CodePage.h"

#include <cstdint>

// Paths and manifests go through these line by line, so runs of ASCII are
// copied in one go.
std::string WideToUtf8(std::wstring_view text) {
    std::string out;
    out.reserve(text.size());
    auto put = [&out](uint32_t byte) { out.push_back(static_cast<char>(byte)); };
    for (size_t i = 0; i < text.size(); ++i) {
        uint32_t c = static_cast<uint32_t>(text[i]);
        if (c < 0x80) {
            size_t end = i + 1;
            while (end < text.size() && static_cast<uint32_t>(text[end]) < 0x80) ++end;
            out.append(text.begin() + static_cast<std::ptrdiff_t>(i), text.begin() + static_cast<std::ptrdiff_t>(end));
            i = end - 1;
            continue;
        }
        if constexpr (sizeof(wchar_t) == 2) {
            if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size()) {
                uint32_t low = static_cast<uint32_t>(text[i + 1]);
                if (low >= 0xDC00 && low <= 0xDFFF) {
                    c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
                    ++i;
                }
            }
        }
        if ((c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) c = 0xFFFD;  // lone surrogate, out of range
        if (c < 0x800) {
            put(0xC0 | (c >> 6));
            put(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            put(0xE0 | (c >> 12));
            put(0x80 | ((c >> 6) & 0x3F));
            put(0x80 | (c & 0x3F));
        } else {
            put(0xF0 | (c >> 18));
            put(0x80 | ((c >> 12) & 0x3F));
            put(0x80 | ((c >> 6) & 0x3F));
            put(0x80 | (c & 0x3F));
        }
    }
    return out;
}

std::wstring Utf8ToWide(std::string_view text) {
    std::wstring out;
    out.reserve(text.size());  // never more code units than bytes
    const auto* s = reinterpret_cast<const uint8_t*>(text.data());
    const size_t n = text.size();
    size_t i = 0;
    auto cont = [&](size_t k) { return i + k < n && (s[i + k] & 0xC0) == 0x80; };
    while (i < n) {
        const uint8_t b = s[i];
        if (b < 0x80) {
            size_t end = i + 1;
            while (end < n && s[end] < 0x80) ++end;
            out.append(s + i, s + end);
            i = end;
            continue;
        }
        uint32_t c = 0xFFFD;
        size_t len = 1;
        if (b >= 0xC2 && b < 0xE0 && cont(1)) {
            c = ((b & 0x1Fu) << 6) | (s[i + 1] & 0x3Fu);
            len = 2;
        } else if (b >= 0xE0 && b < 0xF0 && cont(1) && cont(2)) {
            c = ((b & 0x0Fu) << 12) | ((s[i + 1] & 0x3Fu) << 6) | (s[i + 2] & 0x3Fu);
            len = 3;
            if (c < 0x800 || (c >= 0xD800 && c <= 0xDFFF)) c = 0xFFFD;
        } else if (b >= 0xF0 && b < 0xF5 && cont(1) && cont(2) && cont(3)) {
            c = ((b & 0x07u) << 18) | ((s[i + 1] & 0x3Fu) << 12) | ((s[i + 2] & 0x3Fu) << 6) | (s[i + 3] & 0x3Fu);
            len = 4;
            if (c < 0x10000 || c > 0x10FFFF) c = 0xFFFD;
        }
        i += len;
        if constexpr (sizeof(wchar_t) == 2) {
            if (c >= 0x10000) {
                c -= 0x10000;
                out.push_back(static_cast<wchar_t>(0xD800 + (c >> 10)));
                out.push_back(static_cast<wchar_t>(0xDC00 + (c & 0x3FF)));
                continue;
            }
        }
        out.push_back(static_cast<wchar_t>(c));
    }
    return out;
}

#ifndef _WIN32
std::string WideToAnsi(std::wstring_view text) { return WideToUtf8(text); }
std::wstring AnsiToWide(std::string_view text) { return Utf8ToWide(text); }
#endif
