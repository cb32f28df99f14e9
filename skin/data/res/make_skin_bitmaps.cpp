// Writes TRACK.bmp, TRACKVERT.bmp and QUILLETMENU.bmp into the folder given,
// from the pictures drawn in skin/data/ProgramBitmaps.cpp. The files in
// skin/data/res come from here; a test checks that they still match.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "framework/system/CodePage.h"
#include "framework/system/StreamsAndLists.h"
#include "skin/data/SkinPlatform.h"

namespace {

void Put(std::vector<uint8_t>& out, uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

// The framework writes 24 or 32 bits per pixel; a monochrome strip stays a
// 1-bit file (palette black, white), bottom-up.
std::vector<uint8_t> MonochromeFile(const TBitmap& b) {
    const int stride = (b.Width() + 31) / 32 * 4;
    const uint32_t offBits = 14 + 40 + 8;
    std::vector<uint8_t> out;
    Put(out, 0x4D42, 2);
    Put(out, offBits + static_cast<uint32_t>(stride * b.Height()), 4);
    Put(out, 0, 4);
    Put(out, offBits, 4);
    Put(out, 40, 4);
    Put(out, static_cast<uint32_t>(b.Width()), 4);
    Put(out, static_cast<uint32_t>(b.Height()), 4);
    Put(out, 1, 2);
    Put(out, 1, 2);
    Put(out, 0, 4);
    Put(out, static_cast<uint32_t>(stride * b.Height()), 4);
    Put(out, 2835, 4);
    Put(out, 2835, 4);
    Put(out, 2, 4);
    Put(out, 2, 4);
    Put(out, 0x000000, 4);
    Put(out, 0xFFFFFF, 4);
    for (int y = b.Height() - 1; y >= 0; --y) {
        const uint8_t* row = b.ScanLine(y);
        out.insert(out.end(), row, row + stride);
    }
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_skin_bitmaps <folder>\n");
        return 2;
    }
    for (const wchar_t* name : {L"TRACK", L"TRACKVERT", L"QUILLETMENU"}) {
        const std::wstring path = AnsiToWide(argv[1]) + L"/" + name + L".bmp";
        try {
            auto bitmap = DrawProgramBitmap(name);
            if (bitmap->PixelFormat() == pf1bit) {
                const std::vector<uint8_t> bytes = MonochromeFile(*bitmap);
                TFileStream file(path, fmCreate);
                file.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
            } else {
                bitmap->SaveToFile(path);
            }
        } catch (const std::exception& e) {
            std::fprintf(stderr, "%s\n", e.what());
            return 1;
        }
    }
    return 0;
}
