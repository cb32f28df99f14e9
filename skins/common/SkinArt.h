// What the programs that draw the bundled skins share: a colour, a picture
// with pixel helpers, and the driver that writes a skin's files into a folder
// or checks that the committed ones are what the program draws. Native tools
// only.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "framework/graphics/Bitmap.h"
#include "framework/system/StreamsAndLists.h"
#include "skins/common/SkinColour.h"

namespace skin_art {

constexpr Rgb kMagenta{255, 0, 255};  // what a part lets show through

// num/den of the way from a to b.
inline Rgb Mix(Rgb a, Rgb b, int num, int den) {
    if (den <= 0) return a;
    auto m = [&](int x, int y) { return x + (y - x) * num / den; };
    return {m(a.r, b.r), m(a.g, b.g), m(a.b, b.b)};
}

// A bitmap being drawn, magenta to begin with.
class Picture {
public:
    Picture(int width, int height, TPixelFormat format = pf24bit)
        : bmp_(std::make_unique<TBitmap>(width, height, format)) {
        Fill(0, 0, width, height, kMagenta);
    }

    int Width() const { return bmp_->Width(); }
    int Height() const { return bmp_->Height(); }
    const TBitmap& Bitmap() const { return *bmp_; }

    void Put(int x, int y, Rgb c) { bmp_->SetPixel(x, y, c.r | (c.g << 8) | (c.b << 16)); }
    Rgb Get(int x, int y) const {
        const TColor c = bmp_->Pixel(x, y);
        return {c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF};
    }
    // Half-open rectangle [x0, x1) x [y0, y1).
    void Fill(int x0, int y0, int x1, int y1, Rgb c) {
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x) Put(x, y, c);
    }
    void HLine(int x0, int x1, int y, Rgb c) { Fill(x0, y, x1, y + 1, c); }
    void VLine(int x, int y0, int y1, Rgb c) { Fill(x, y0, x + 1, y1, c); }
    // Top to bottom (or left to right) from `from` to `to`, both ends included.
    void Gradient(int x0, int y0, int x1, int y1, Rgb from, Rgb to, bool across = false) {
        const int n = across ? x1 - x0 : y1 - y0;
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x) Put(x, y, Mix(from, to, across ? x - x0 : y - y0, n - 1));
    }
    // A letter grid: every 'X' becomes c, every other letter is left alone.
    void Glyph(int x, int y, const std::vector<const char*>& rows, Rgb c) {
        for (size_t j = 0; j < rows.size(); ++j)
            for (size_t i = 0; rows[j][i] != '\0'; ++i)
                if (rows[j][i] == 'X') Put(x + static_cast<int>(i), y + static_cast<int>(j), c);
    }
    // Copies a rectangle onto another place of this picture, turned a quarter
    // (rows become columns), to make the upright twin of a lying part.
    void Transpose(int sx, int sy, int w, int h, int dx, int dy) {
        std::vector<Rgb> keep;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) keep.push_back(Get(sx + x, sy + y));
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) Put(dx + y, dy + x, keep[static_cast<size_t>(y * w + x)]);
    }

private:
    std::unique_ptr<TBitmap> bmp_;
};

struct SkinFile {
    std::string name;
    std::vector<uint8_t> bytes;
};

inline SkinFile BitmapFile(const std::string& name, const Picture& picture) {
    TMemoryStream stream;
    picture.Bitmap().SaveToStream(stream);
    return {name, stream.Bytes()};
}

inline bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& out) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}

// The whole of such a program's main: `tool DIR` writes files into DIR,
// `tool --check DIR` fails when a file in DIR differs from them. `folder` is
// the skin's folder in the source tree, for the hint on how to regenerate.
inline int WriteOrCheck(const char* tool, const char* folder, int argc, char** argv,
                        const std::vector<SkinFile>& files) {
    const bool check = argc == 3 && std::strcmp(argv[1], "--check") == 0;
    if (argc != 2 && !check) {
        std::fprintf(stderr, "usage: %s [--check] DIR\n", tool);
        return 2;
    }
    const std::string dir = argv[argc - 1];
    int failures = 0;
    for (const SkinFile& f : files) {
        const std::string path = dir + "/" + f.name;
        if (check) {
            std::vector<uint8_t> have;
            if (!ReadWholeFile(path, have)) {
                std::fprintf(stderr, "%s: missing\n", path.c_str());
                ++failures;
            } else if (have != f.bytes) {
                std::fprintf(stderr, "%s: differs from what %s writes\n", path.c_str(), tool);
                ++failures;
            }
            continue;
        }
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(f.bytes.data()), static_cast<std::streamsize>(f.bytes.size()));
        if (!out) {
            std::fprintf(stderr, "%s: cannot write\n", path.c_str());
            ++failures;
        }
    }
    if (check && failures > 0)
        std::fprintf(stderr, "regenerate with: build/native/%s/%s %s\n", folder, tool, folder);
    return failures == 0 ? 0 : 1;
}

}  // namespace skin_art
