// LZH codec and package reader throughput on a skin-shaped package: 26
// bitmaps (24 and 32 bits per pixel, frame strips with gradients, flat
// areas, magenta key colour and a little noise) and a 3 KB INI, about 316 KB
// expanded, built the same way on every run.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "skin/data/SkinMessage.h"
#include "skin/data/Skinread.h"
#include "skin/data/Winconvert.h"

#include "bench/common/BmpHeader.h"

namespace {
using Bytes = std::vector<uint8_t>;


// A frame strip as a Windows bitmap file, drawn the way skin art usually
// is: frames side by side, each a bordered one-dimensional gradient (down
// wide pieces, across tall ones, diagonal on square ones) with magenta
// corners, a glyph in the middle of small pieces, and some dithering.
Bytes Bitmap(int width, int height, int bpp, int frames, uint32_t seed) {
    int bytesPerPixel = bpp / 8;
    int stride = (width * bytesPerPixel + 3) & ~3;
    Bytes b = bench::BmpHeader(width, height, bpp, stride);
    const int frameWidth = width / frames;
    const bool wide = frameWidth >= 2 * height, tall = height >= 2 * frameWidth;
    const bool glyph = frameWidth <= 40 && height <= 40;
    for (int y = 0; y < height; ++y) {
        size_t rowStart = b.size();
        for (int x = 0; x < width; ++x) {
            const int f = x / frameWidth, fx = x % frameWidth;
            const int edge = std::min({fx, frameWidth - 1 - fx, y, height - 1 - y});
            int t = wide ? y * 255 / height : tall ? fx * 255 / frameWidth : (fx + y) * 255 / (frameWidth + height);
            uint8_t r = static_cast<uint8_t>(60 + 25 * f + t / 3), g = static_cast<uint8_t>(90 + t / 2),
                    bl = static_cast<uint8_t>(150 + t / 3);
            if (edge == 0 && (fx < 2 || frameWidth - 1 - fx < 2) && (y < 2 || height - 1 - y < 2)) {
                r = 255, g = 0, bl = 255;  // transparent corner
            } else if (edge == 0) {
                r = 30, g = 40, bl = 70;  // outline
            } else if (glyph && std::abs(fx - frameWidth / 2) == std::abs(y - height / 2) &&
                       std::abs(y - height / 2) < height / 4) {
                r = g = bl = static_cast<uint8_t>(240 - 30 * f);  // a small cross
            } else {
                seed = seed * 1103515245u + 12345u;
                if ((seed >> 16) % 6 == 0) g = static_cast<uint8_t>(g + 1 + ((seed >> 20) & 3));
            }
            b.push_back(bl);
            b.push_back(g);
            b.push_back(r);
            if (bytesPerPixel == 4) b.push_back(r == 255 && g == 0 && bl == 255 ? 0 : 255);
        }
        b.resize(rowStart + static_cast<size_t>(stride), 0);
    }
    return b;
}

struct SkinPackage {
    Bytes expanded;
    Bytes stored;
    int members = 0;
};

SkinPackage MakePackage() {
    struct Part {
        const char* name;
        int w, h, bpp, frames;
    } parts[] = {
        {"bottom.bmp", 180, 8, 24, 2},         {"bottom_left.bmp", 16, 8, 24, 2}, {"buttons.bmp", 300, 30, 24, 4},
        {"caption.bmp", 600, 40, 24, 2},       {"check.bmp", 104, 13, 24, 8},     {"close.bmp", 84, 21, 32, 4},
        {"combo.bmp", 68, 20, 24, 4},          {"edit.bmp", 60, 20, 24, 2},       {"groupbox.bmp", 60, 40, 24, 1},
        {"header.bmp", 120, 22, 24, 3},        {"hscroll.bmp", 150, 17, 24, 3},   {"hthumb.bmp", 90, 17, 24, 3},
        {"left.bmp", 20, 300, 24, 2},          {"max.bmp", 84, 21, 32, 4},        {"menu.bmp", 120, 24, 24, 1},
        {"menubar.bmp", 250, 24, 24, 1},       {"min.bmp", 84, 21, 32, 4},        {"progress.bmp", 100, 18, 24, 1},
        {"progress_chunk.bmp", 40, 18, 24, 1}, {"radio.bmp", 104, 13, 24, 8},     {"right.bmp", 20, 300, 24, 2},
        {"sysmenu.bmp", 64, 16, 32, 4},        {"tab.bmp", 240, 30, 24, 4},       {"tabpane.bmp", 60, 60, 24, 1},
        {"vscroll.bmp", 51, 150, 24, 3},       {"vthumb.bmp", 51, 90, 24, 3},
    };
    std::string ini = "[TitlebarSkin]\r\nSkinName=Benchmark\r\n[Personality]\r\n";
    while (ini.size() < 3000) {
        for (const auto& p : parts) {
            ini += std::string(p.name).substr(0, std::string(p.name).size() - 4) + "Image=" + p.name +
                   "\r\nLeftWidth=" + std::to_string(p.w / 10) + "\r\nTopHeight=" + std::to_string(p.h / 4) +
                   "\r\nFrame=" + std::to_string(p.frames) + "\r\nTrans=1\r\nTile=0\r\n";
            if (ini.size() >= 3000) break;
        }
    }
    std::vector<std::pair<std::string, Bytes>> members = {{"skin.ini", Bytes(ini.begin(), ini.end())}};
    uint32_t seed = 1;
    for (const auto& p : parts) members.push_back({p.name, Bitmap(p.w, p.h, p.bpp, p.frames, seed++)});

    std::string dir;
    for (const auto& m : members) dir += m.first + "\r\n";
    SkinPackage pkg;
    Bytes& e = pkg.expanded;
    bench::Put32(e, 40000);
    bench::Put32(e, static_cast<uint32_t>(dir.size()));
    bench::Put32(e, 0);
    bench::Put32(e, 0);
    e.resize(e.size() + 80, 0);
    e.insert(e.end(), dir.begin(), dir.end());
    for (const auto& m : members) bench::Put32(e, static_cast<uint32_t>(m.second.size()));
    for (const auto& m : members) e.insert(e.end(), m.second.begin(), m.second.end());
    pkg.members = static_cast<int>(members.size());

    TMemoryStream in, out;
    in.WriteBuffer(e.data(), static_cast<int64_t>(e.size()));
    LZHPackStream(in, out);
    pkg.stored = out.Bytes();
    return pkg;
}

const SkinPackage& Package() {
    static const SkinPackage pkg = MakePackage();
    return pkg;
}

void Report(benchmark::State& state) {
    const auto& pkg = Package();
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(pkg.expanded.size()));
    state.counters["expanded_bytes"] = static_cast<double>(pkg.expanded.size());
    state.counters["stored_bytes"] = static_cast<double>(pkg.stored.size());
}

void BM_LZHUnpack(benchmark::State& state) {
    const auto& pkg = Package();
    TMemoryStream src, dst;
    src.WriteBuffer(pkg.stored.data(), static_cast<int64_t>(pkg.stored.size()));
    for (auto _ : state) {
        if (!LZHUnpackStream(src, dst)) state.SkipWithError("refused");
        benchmark::DoNotOptimize(dst.Memory());
    }
    if (dst.Bytes() != pkg.expanded) state.SkipWithError("expanded bytes differ");
    Report(state);
}

void BM_LZHPack(benchmark::State& state) {
    const auto& pkg = Package();
    TMemoryStream src;
    src.WriteBuffer(pkg.expanded.data(), static_cast<int64_t>(pkg.expanded.size()));
    for (auto _ : state) {
        TMemoryStream dst;
        LZHPackStream(src, dst);
        benchmark::DoNotOptimize(dst.Memory());
    }
    Report(state);
}

// What a skin load costs in the reader: expand, parse the directory, then
// fetch the INI and every bitmap by name.
void BM_LoadPackageAndReadEveryMember(benchmark::State& state) {
    const auto& pkg = Package();
    SetSkinMessageHook([](const std::wstring&) {});
    TMemoryStream src;
    src.WriteBuffer(pkg.stored.data(), static_cast<int64_t>(pkg.stored.size()));
    for (auto _ : state) {
        TSkinReader reader;
        if (!reader.Loadfromstream(src)) state.SkipWithError("not loaded");
        TMemoryStream member;
        std::wstring name;
        reader.readIni(L".ini", member, name);
        int64_t total = member.Size();
        for (int i = 0; i < reader.Num; ++i) {
            reader.readfile(reader.Dir[i], member);
            total += member.Size();
        }
        benchmark::DoNotOptimize(total);
    }
    SetSkinMessageHook(nullptr);
    Report(state);
}
}  // namespace

BENCHMARK(BM_LZHUnpack)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LZHPack)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadPackageAndReadEveryMember)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
