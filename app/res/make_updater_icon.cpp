// Draws updater.exe's icon (MAINICON): a green arrow pointing down into a
// blue tray, at 16 x 16 and 32 x 32, each drawn for its size rather than
// scaled. The pictures below are the icon, pixel for pixel; this program
// only turns them into an .ico file (32-bit pixels with an alpha channel of
// 0 or 255, and the matching AND mask for systems that ignore alpha).
//
//   make_updater_icon FILE           writes the icon file
//   make_updater_icon --check FILE   fails when FILE is not what it would write
//
// app/res/updater.ico comes from here (the build runs the check as a test).
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

// clang-format off
// '.' transparent, K outline, G arrow, g arrow's lit edge, T tray, t tray's lit edge.
const char* const kIcon16[] = {
    "................",
    ".....KKKKKK.....",
    ".....KgGGGK.....",
    ".....KgGGGK.....",
    ".....KgGGGK.....",
    ".....KgGGGK.....",
    "..KKKKgGGGKKKK..",
    "...KgGGGGGGGK...",
    "KKK.KgGGGGGK.KKK",
    "KTK..KgGGGK..KTK",
    "KTK...KgGK...KTK",
    "KTK....KK....KTK",
    "KTKKKKKKKKKKKKTK",
    "KTTTTTTTTTTTTTTK",
    "KKKKKKKKKKKKKKKK",
    "................",
};

const char* const kIcon32[] = {
    "................................",
    "................................",
    "............KKKKKKKK............",
    "............KgGGGGGK............",
    "............KgGGGGGK............",
    "............KgGGGGGK............",
    "............KgGGGGGK............",
    "............KgGGGGGK............",
    "............KgGGGGGK............",
    "............KgGGGGGK............",
    "............KgGGGGGK............",
    "............KgGGGGGK............",
    "............KgGGGGGK............",
    "............KgGGGGGK............",
    "....KKKKKKKKKgGGGGGKKKKKKKKK....",
    ".....KgGGGGGGGGGGGGGGGGGGGK.....",
    "......KgGGGGGGGGGGGGGGGGGK......",
    ".KKKK..KgGGGGGGGGGGGGGGGK..KKKK.",
    ".KtTK...KgGGGGGGGGGGGGGK...KtTK.",
    ".KtTK....KgGGGGGGGGGGGK....KtTK.",
    ".KtTK.....KgGGGGGGGGGK.....KtTK.",
    ".KtTK......KgGGGGGGGK......KtTK.",
    ".KtTK.......KgGGGGGK.......KtTK.",
    ".KtTK........KgGGGK........KtTK.",
    ".KtTK.........KgGK.........KtTK.",
    ".KtTK..........KK..........KtTK.",
    ".KtTKKKKKKKKKKKKKKKKKKKKKKKKtTK.",
    ".KttttttttttttttttttttttttttttK.",
    ".KTTTTTTTTTTTTTTTTTTTTTTTTTTTTK.",
    ".KKKKKKKKKKKKKKKKKKKKKKKKKKKKKK.",
    "................................",
    "................................",
};
// clang-format on

struct Rgb {
    uint8_t r, g, b;
};

bool Colour(char c, Rgb& out) {
    switch (c) {
        case 'K': out = {32, 48, 64}; return true;
        case 'G': out = {46, 160, 67}; return true;
        case 'g': out = {126, 211, 120}; return true;
        case 'T': out = {70, 110, 170}; return true;
        case 't': out = {140, 175, 220}; return true;
        default: return false;
    }
}

void Put(Bytes& out, uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

// One image of the icon resource: the bitmap header (twice the height: the
// colour rows, then the mask rows), bottom-up BGRA rows, the 1-bit AND mask.
Bytes IconImage(const char* const* rows, int size) {
    const int maskStride = (size + 31) / 32 * 4;
    Bytes out;
    Put(out, 40, 4);
    Put(out, static_cast<uint32_t>(size), 4);
    Put(out, static_cast<uint32_t>(2 * size), 4);
    Put(out, 1, 2);
    Put(out, 32, 2);
    Put(out, 0, 4);
    Put(out, static_cast<uint32_t>(size * size * 4 + maskStride * size), 4);
    Put(out, 0, 4);
    Put(out, 0, 4);
    Put(out, 0, 4);
    Put(out, 0, 4);
    for (int y = size - 1; y >= 0; --y)
        for (int x = 0; x < size; ++x) {
            Rgb c{0, 0, 0};
            const bool opaque = Colour(rows[y][x], c);
            out.insert(out.end(), {c.b, c.g, c.r, static_cast<uint8_t>(opaque ? 255 : 0)});
        }
    for (int y = size - 1; y >= 0; --y) {
        Bytes row(static_cast<size_t>(maskStride), 0);
        for (int x = 0; x < size; ++x) {
            Rgb unused{};
            if (!Colour(rows[y][x], unused)) row[static_cast<size_t>(x / 8)] |= static_cast<uint8_t>(0x80 >> (x % 8));
        }
        out.insert(out.end(), row.begin(), row.end());
    }
    return out;
}

// Rows must be exactly size characters of the palette's letters.
bool Valid(const char* const* rows, size_t count, int size) {
    if (count != static_cast<size_t>(size)) return false;
    for (size_t y = 0; y < count; ++y) {
        if (std::strlen(rows[y]) != static_cast<size_t>(size)) return false;
        for (int x = 0; x < size; ++x) {
            Rgb unused{};
            if (rows[y][x] != '.' && !Colour(rows[y][x], unused)) return false;
        }
    }
    return true;
}

Bytes IconFile() {
    const Bytes images[] = {IconImage(kIcon16, 16), IconImage(kIcon32, 32)};
    const int sizes[] = {16, 32};
    Bytes out;
    Put(out, 0, 2);
    Put(out, 1, 2);  // an icon, not a cursor
    Put(out, 2, 2);
    uint32_t offset = 6 + 2 * 16;
    for (int i = 0; i < 2; ++i) {
        Put(out, static_cast<uint32_t>(sizes[i]), 1);
        Put(out, static_cast<uint32_t>(sizes[i]), 1);
        Put(out, 0, 1);  // no palette
        Put(out, 0, 1);
        Put(out, 1, 2);   // planes
        Put(out, 32, 2);  // bits per pixel
        Put(out, static_cast<uint32_t>(images[i].size()), 4);
        Put(out, offset, 4);
        offset += static_cast<uint32_t>(images[i].size());
    }
    for (const Bytes& image : images) out.insert(out.end(), image.begin(), image.end());
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    const bool check = argc == 3 && std::strcmp(argv[1], "--check") == 0;
    if (argc != 2 && !check) {
        std::fprintf(stderr, "usage: make_updater_icon [--check] FILE\n");
        return 2;
    }
    if (!Valid(kIcon16, std::size(kIcon16), 16) || !Valid(kIcon32, std::size(kIcon32), 32)) {
        std::fprintf(stderr, "make_updater_icon: a picture row has the wrong length or an unknown letter\n");
        return 1;
    }
    const Bytes icon = IconFile();
    const std::string path = argv[argc - 1];
    if (check) {
        std::ifstream in(path, std::ios::binary);
        const Bytes have((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        if (have != icon) {
            std::fprintf(stderr, "%s is not the icon drawn here; regenerate it with make_updater_icon %s\n",
                         path.c_str(), path.c_str());
            return 1;
        }
        return 0;
    }
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(icon.data()), static_cast<std::streamsize>(icon.size()));
    if (!out) {
        std::fprintf(stderr, "make_updater_icon: cannot write %s\n", path.c_str());
        return 1;
    }
    return 0;
}
