#include <windows.h>

#include <cstring>
#include <vector>

#include "framework/graphics/BmpCodec.h"
#include "skin/data/SkinPlatform.h"

int ScrollArrowWidth() {
    return GetSystemMetrics(SM_CXHSCROLL);
}

std::unique_ptr<TBitmap> LoadBitmapResource(const std::wstring& name) {
    HMODULE module = GetModuleHandleW(nullptr);
    HRSRC info = FindResourceW(module, name.c_str(), MAKEINTRESOURCEW(2) /* RT_BITMAP */);
    if (!info) return nullptr;
    HGLOBAL loaded = LoadResource(module, info);
    const DWORD size = SizeofResource(module, info);
    const auto* dib = static_cast<const uint8_t*>(loaded ? LockResource(loaded) : nullptr);
    if (!dib || size < sizeof(BITMAPINFOHEADER)) return nullptr;
    // A bitmap resource is the file without its 14-byte file header; put one
    // back so the file reader (which checks every size) can take it.
    BITMAPINFOHEADER header;
    std::memcpy(&header, dib, sizeof header);
    uint32_t colours = header.biClrUsed;
    if (colours == 0 && header.biBitCount <= 8) colours = 1u << header.biBitCount;
    uint32_t offBits = 14 + header.biSize + colours * 4;
    if (header.biSize == sizeof(BITMAPINFOHEADER) && header.biCompression == BI_BITFIELDS) offBits += 12;
    std::vector<uint8_t> file(14 + size);
    BITMAPFILEHEADER fileHeader{};
    fileHeader.bfType = 0x4D42;
    fileHeader.bfSize = static_cast<DWORD>(file.size());
    fileHeader.bfOffBits = offBits;
    std::memcpy(file.data(), &fileHeader, 14);
    std::memcpy(file.data() + 14, dib, size);
    auto bitmap = std::make_unique<TBitmap>();
    if (!ReadBmpFile(file.data(), file.size(), *bitmap)) return nullptr;
    return bitmap;
}

std::unique_ptr<TBitmap> LoadProgramBitmap(const std::wstring& name) {
    if (auto resource = LoadBitmapResource(name)) return resource;
    return DrawProgramBitmap(name);
}
