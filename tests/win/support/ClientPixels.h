// What a window shows, for Windows tests: its client area as 0x00RRGGBB
// pixels (through WM_PRINTCLIENT or copied from its DC), saved as a BMP for a
// person to look at, and the font a window was given.
#pragma once

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

namespace test_support {

struct Pixels {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> data;
    uint32_t At(int x, int y) const { return data[static_cast<size_t>(y * width + x)]; }
    // Pixels inside r (clipped) that differ from background.
    int CountInk(RECT r, uint32_t background) const {
        int n = 0;
        for (int y = std::max<LONG>(r.top, 0); y < std::min<LONG>(r.bottom, height); ++y)
            for (int x = std::max<LONG>(r.left, 0); x < std::min<LONG>(r.right, width); ++x)
                if (At(x, y) != background) ++n;
        return n;
    }
    // A bottom-up 32-bit BMP file.
    void SaveBmp(const std::string& path) const {
        BITMAPINFOHEADER ih{};
        ih.biSize = sizeof ih;
        ih.biWidth = width;
        ih.biHeight = height;
        ih.biPlanes = 1;
        ih.biBitCount = 32;
        BITMAPFILEHEADER fh{};
        fh.bfType = 0x4D42;
        fh.bfOffBits = sizeof fh + sizeof ih;
        fh.bfSize = fh.bfOffBits + static_cast<DWORD>(data.size() * 4);
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(&fh), sizeof fh);
        out.write(reinterpret_cast<const char*>(&ih), sizeof ih);
        for (int y = height - 1; y >= 0; --y)
            out.write(reinterpret_cast<const char*>(&data[static_cast<size_t>(y * width)]), width * 4);
    }
};

inline Pixels CaptureClient(HWND hwnd, bool print) {
    RECT rc;
    GetClientRect(hwnd, &rc);
    Pixels p;
    p.width = rc.right;
    p.height = rc.bottom;
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = p.width;
    bi.bmiHeader.biHeight = -p.height;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HDC mem = CreateCompatibleDC(nullptr);
    HBITMAP dib = CreateDIBSection(mem, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(mem, dib);
    if (print) {
        SendMessageW(hwnd, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(mem), PRF_CLIENT | PRF_ERASEBKGND);
    } else {
        HDC wdc = GetDC(hwnd);
        BitBlt(mem, 0, 0, p.width, p.height, wdc, 0, 0, SRCCOPY);
        ReleaseDC(hwnd, wdc);
    }
    GdiFlush();
    const auto* src = static_cast<const uint32_t*>(bits);
    p.data.assign(src, src + p.width * p.height);
    for (auto& px : p.data) px &= 0x00FFFFFF;
    SelectObject(mem, old);
    DeleteObject(dib);
    DeleteDC(mem);
    return p;
}

inline LOGFONTW FontOf(HWND hwnd) {
    LOGFONTW lf{};
    if (auto font = reinterpret_cast<HFONT>(SendMessageW(hwnd, WM_GETFONT, 0, 0))) GetObjectW(font, sizeof(lf), &lf);
    return lf;
}

}  // namespace test_support
