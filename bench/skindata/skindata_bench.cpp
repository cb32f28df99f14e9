// Loading the updater-sized skin: a stored package of about 49 KB (about
// 316 KB expanded: the 26 bitmaps of the main window's skin at their sizes
// and bit depths, and a 3 KB description with its values) turned into skin
// objects by LoadSkin: expand, parse the INI, decode the bitmaps, rebuild
// the combo strips, the arrows and the tool bar gradient.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "skin/data/SkinData.h"
#include "skin/data/Winconvert.h"
#include "tools/skinpack/SkinPack.h"

#include "bench/common/BmpHeader.h"

namespace {
using Bytes = std::vector<uint8_t>;


// A frame strip drawn as skin art usually is: frames side by side (or
// stacked), each an outlined gradient in light greys with magenta corners,
// a small glyph on small pieces, and a little dithering.
Bytes Bitmap(int width, int height, int bpp, int frames, bool stacked, uint32_t seed) {
    const int bytesPerPixel = bpp / 8;
    const int stride = (width * bytesPerPixel + 3) & ~3;
    Bytes b = bench::BmpHeader(width, height, bpp, stride);
    const int fw = stacked ? width : width / frames, fh = stacked ? height / frames : height;
    for (int row = height - 1; row >= 0; --row) {
        const size_t start = b.size();
        for (int x = 0; x < width; ++x) {
            const int f = stacked ? row / fh : x / fw;
            const int fx = stacked ? x : x % fw, fy = stacked ? row % fh : row;
            const int edge = std::min({fx, fw - 1 - fx, fy, fh - 1 - fy});
            const int t = fw >= fh ? fy * 60 / std::max(fh, 1) : fx * 60 / std::max(fw, 1);
            int r = 235 - t - 8 * f, g = r, bl = std::min(255, r + 6);
            if (edge == 0 && (fx < 2 || fw - 1 - fx < 2) && (fy < 2 || fh - 1 - fy < 2)) {
                r = 255, g = 0, bl = 255;
            } else if (edge == 0) {
                r = g = bl = 104;
            } else if (edge == 1) {
                r = g = bl = 150;
            } else if (fw <= 40 && fh <= 40 && std::abs(fx - fw / 2) == std::abs(fy - fh / 2) &&
                       std::abs(fy - fh / 2) < fh / 4) {
                r = g = bl = 40 + 20 * f;
            } else {
                seed = seed * 1103515245u + 12345u;
                if ((seed >> 16) % 7 < 2) g += 1 + static_cast<int>((seed >> 20) & 3);
            }
            b.push_back(static_cast<uint8_t>(bl));
            b.push_back(static_cast<uint8_t>(g));
            b.push_back(static_cast<uint8_t>(r));
            if (bytesPerPixel == 4) b.push_back(r == 255 && g == 0 && bl == 255 ? 0 : 255);
        }
        b.resize(start + static_cast<size_t>(stride), 0);
    }
    return b;
}

const char* const kDescription = R"([Skins]
Version=150
[TitlebarSkin]
SkinName=Bench Grey
SkinAuthor=bench
[StatusBarEdges]
Image=status.bmp
TopHeight=0
BottomHeight=0
LeftWidth=8
Rightwidth=8
Tile=0
[Headerbar]
Image=header.bmp
TopHeight=1
BottomHeight=1
LeftWidth=5
RightWidth=5
Tile=0
Trans=0
[MenuBackground]
Image=menubg.bmp
TopHeight=1
BottomHeight=1
LeftWidth=1
Rightwidth=1
[Button0]
ButtonImage=close.bmp
Align=1
XCoord=25
YCoord=6
Action=0
Visibility=0
[Button1]
ButtonImage=max.bmp
Align=1
XCoord=49
YCoord=6
Action=1
Visibility=2
Visibility1=6
[Button2]
ButtonImage=min.bmp
Align=1
XCoord=73
YCoord=6
Action=2
Visibility=8
[Button3]
ButtonImage=restore.bmp
Align=1
XCoord=49
YCoord=6
Action=1
Visibility=1
[Button4]
Align=0
XCoord=8
YCoord=9
Action=3
Visibility=0
[Personality]
Left=left.bmp
Right=right.bmp
Top=top.bmp
Bottom=bottom.bmp
LeftFrame=2
RightFrame=2
TopFrame=2
BottomFrame=2
LeftStretch=1
RightStretch=1
TopStretch=1
BottomStretch=1
LeftTrans=1
RightTrans=1
TopTrans=1
BottomTrans=1
LeftTopHeight=29
LeftBotHeight=5
RightTopHeight=29
RightBotHeight=5
TopTopHeight=19
TopBotHeight=19
BottomTopHeight=19
BottomBotHeight=19
TextShift=16
TextShiftVert=6
TextRightClip=20
[Colours]
ButtonFace=211 211 211
TitleTextActive=1 1 1
TitleTextNoActive=70 70 70
ButtonHilight=232 232 232
ButtonShadow=150 150 150
ButtonDkShadow=104 104 104
Buttonlight=238 238 238
Menubar=211 211 211
Menu=212 212 212
MenuText=0 0 0
MenuBarText=0 0 0
Hilight=141 141 141
HilightText=255 255 255
[Buttons]
Bitmap=button.bmp
CheckButton=check.bmp
RadioButton=radio.bmp
TopHeight=0
BottomHeight=0
LeftWidth=10
Rightwidth=10
Trans=1
MouseOver=1
[ComboButton]
Image=combo.bmp
TopHeight=0
BottomHeight=0
LeftWidth=0
RightWidth=0
Trans=0
[SunkEdge]
Image=sunk.bmp
TopHeight=2
BottomHeight=2
LeftWidth=2
RightWidth=2
[ExtraImages]
Image=arrows.bmp
Trans=1
[Tabs]
Image=tab.bmp
Border=tabborder.bmp
BottomHeight=1
LeftWidth=7
RightWidth=5
TopHeight=4
[Progress]
Bitmap=progress.bmp
BottomHeight=0
LeftWidth=2
RightWidth=5
TopHeight=0
[Scrollbar]
Image=scrollarrows.bmp
BasePress=0
MouseOver=1
MinBeforeSwitch=15
TopHeight=1
BottomHeight=1
LeftWidth=1
RightWidth=1
Tile=0
Trans=0
[HorzScroll]
Image=hscroll.bmp
TopHeight=1
BottomHeight=1
LeftWidth=7
RightWidth=7
[VertScroll]
Image=vscroll.bmp
TopHeight=7
BottomHeight=7
LeftWidth=1
RightWidth=1
[HorzScrollThumb]
Image=hthumb.bmp
TopHeight=0
BottomHeight=0
LeftWidth=7
RightWidth=7
ShowDot=0
[VertScrollThumb]
Image=vthumb.bmp
TopHeight=7
BottomHeight=7
LeftWidth=0
RightWidth=0
ShowDot=0
[UpDown.Horz]
Image=
GlyphImage=
TopHeight=1
BottomHeight=1
LeftWidth=1
RightWidth=1
[UpDown.Vert]
Image=
GlyphImage=
TopHeight=1
BottomHeight=1
LeftWidth=1
RightWidth=1
)";

struct Package {
    Bytes stored;
    size_t expanded = 0;
};

Package MakePackage() {
    struct Part {
        const char* name;
        int w, h, bpp, frames;
        bool stacked;
    } parts[] = {
        {"left.bmp", 8, 246, 24, 2, false},
        {"right.bmp", 8, 246, 24, 2, false},
        {"top.bmp", 292, 50, 24, 2, true},
        {"bottom.bmp", 292, 10, 32, 2, true},
        {"close.bmp", 102, 20, 32, 6, false},
        {"max.bmp", 102, 20, 32, 6, false},
        {"min.bmp", 102, 20, 32, 6, false},
        {"restore.bmp", 102, 20, 32, 6, false},
        {"button.bmp", 375, 23, 32, 5, false},
        {"check.bmp", 68, 18, 24, 4, false},
        {"radio.bmp", 68, 18, 24, 4, false},
        {"combo.bmp", 84, 22, 24, 4, false},
        {"sunk.bmp", 460, 22, 24, 4, false},
        {"arrows.bmp", 80, 16, 24, 5, false},
        {"status.bmp", 870, 25, 32, 3, false},
        {"header.bmp", 100, 17, 24, 5, false},
        {"menubg.bmp", 20, 20, 32, 1, false},
        {"tab.bmp", 70, 18, 24, 5, false},
        {"tabborder.bmp", 12, 12, 24, 1, false},
        {"progress.bmp", 80, 14, 24, 2, false},
        {"scrollarrows.bmp", 368, 16, 24, 23, false},
        {"hscroll.bmp", 64, 16, 24, 4, false},
        {"vscroll.bmp", 64, 16, 24, 4, false},
        {"hthumb.bmp", 48, 16, 24, 3, false},
        {"vthumb.bmp", 48, 16, 24, 3, false},
        {"chunk.bmp", 10, 12, 32, 1, false},
    };
    std::string ini = kDescription;
    // Authoring notes pad the description to its 3 KB, as in the real skin.
    while (ini.size() + 40 < 3030) ini += "; grey theme, frames drawn for 96 dpi\r\n";
    std::string crlf;
    for (char c : ini) {
        if (c == '\n' && (crlf.empty() || crlf.back() != '\r')) crlf += '\r';
        crlf += c;
    }
    std::vector<SkinPackMember> members = {{"skin.ini", Bytes(crlf.begin(), crlf.end())}};
    uint32_t seed = 7;
    for (const auto& p : parts) members.push_back({p.name, Bitmap(p.w, p.h, p.bpp, p.frames, p.stacked, seed++)});
    const Bytes expanded = ExpandedSkinPackage(members, "Bench Grey");
    TMemoryStream in, out;
    in.WriteBuffer(expanded.data(), static_cast<int64_t>(expanded.size()));
    LZHPackStream(in, out);
    return {out.Bytes(), expanded.size()};
}

const Package& ThePackage() {
    static const Package p = MakePackage();
    return p;
}

// The skin the description asks for, as the main window's skin has it.
bool BuiltAsExpected(const TSkinDataCore& d) {
    return !d.Empty && d.border[1]->frame == 2 && d.border[3]->Map.Width() == 292 && d.SysBtn.size() == 8 &&
           d.SysBtn[0]->frame == 6 && d.Button->checkframe == 4 && d.combox && d.combox->Map.Width() == 200 &&
           d.comboxarrow->Map.Width() == 68 && d.StatusBar && d.StatusBar->frame == 3 && d.SArrow->frame == 23 &&
           !d.HSpin && d.TrackBar && d.TrackBar->Map.Width() == 16 && d.Colors[csButtonFace] == 0xD3D3D3;
}

void Report(benchmark::State& state) {
    state.counters["stored_bytes"] = static_cast<double>(ThePackage().stored.size());
    state.counters["expanded_bytes"] = static_cast<double>(ThePackage().expanded);
}

void BM_LoadSkin(benchmark::State& state) {
    TSkinDataCore d;
    d.data.WriteBuffer(ThePackage().stored.data(), static_cast<int64_t>(ThePackage().stored.size()));
    for (auto _ : state) {
        if (!d.LoadSkin()) state.SkipWithError("not loaded");
        benchmark::DoNotOptimize(d.combox.get());
    }
    if (!BuiltAsExpected(d)) state.SkipWithError("the skin is not the one described");
    Report(state);
}

// The updater's own skin (skins/default), packed the way the build packs it.
const Bytes& DefaultPackage() {
    static const Bytes bytes = [] {
        const auto file = std::filesystem::temp_directory_path() / "skindata_bench_default.skn";
        if (!BuildSkinPackage(DEFAULT_SKIN_DIR, file).empty()) return Bytes();
        std::ifstream in(file, std::ios::binary);
        Bytes b((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        std::filesystem::remove(file);
        return b;
    }();
    return bytes;
}

void BM_LoadDefaultSkin(benchmark::State& state) {
    if (DefaultPackage().empty()) {
        state.SkipWithError("skins/default could not be packed");
        return;
    }
    TSkinDataCore d;
    d.data.WriteBuffer(DefaultPackage().data(), static_cast<int64_t>(DefaultPackage().size()));
    for (auto _ : state) {
        if (!d.LoadSkin()) state.SkipWithError("not loaded");
        benchmark::DoNotOptimize(d.combox.get());
    }
    if (d.Empty || d.SysBtn.empty() || d.Colors[csButtonFace] != 0xD3D3D3) state.SkipWithError("not the default skin");
    state.counters["stored_bytes"] = static_cast<double>(DefaultPackage().size());
}

// A hostile package: n caption-button sections (and n filler sections the
// lookups have to get past) all naming one 1024 x 512 bitmap of a single
// colour, which the LZH stream stores in a few kilobytes.
Bytes HostilePackage(int n) {
    const int w = 1024, h = 512, stride = w * 3;
    Bytes big = bench::BmpHeader(w, h, 24, stride);
    big.resize(big.size() + static_cast<size_t>(stride) * h, 0x5A);
    std::string ini = "[TitlebarSkin]\r\nSkinName=hostile\r\n";
    for (int i = 0; i < n; ++i) {
        ini += "[Filler" + std::to_string(i) + "]\r\nImage=big.bmp\r\n";
        ini += "[Button" + std::to_string(i) + "]\r\nButtonImage=big.bmp\r\nAction=0\r\nframe=1\r\n";
    }
    std::vector<SkinPackMember> members = {{"skin.ini", Bytes(ini.begin(), ini.end())}, {"big.bmp", big}};
    const Bytes expanded = ExpandedSkinPackage(members, "hostile");
    TMemoryStream in, out;
    in.WriteBuffer(expanded.data(), static_cast<int64_t>(expanded.size()));
    LZHPackStream(in, out);
    return out.Bytes();
}

void BM_LoadHostileSkin(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    const Bytes stored = HostilePackage(n);
    TSkinDataCore d;
    d.data.WriteBuffer(stored.data(), static_cast<int64_t>(stored.size()));
    for (auto _ : state) {
        if (!d.LoadSkin()) state.SkipWithError("not loaded");
        benchmark::DoNotOptimize(d.SysBtn.data());
    }
    if (d.SysBtn.size() != static_cast<size_t>(n) + 3 || d.SysBtn[0]->Map.Width() != 1024)
        state.SkipWithError("the skin is not the one described");
    state.counters["stored_bytes"] = static_cast<double>(stored.size());
}

// For comparison: the expansion alone, the largest single share.
void BM_ExpandOnly(benchmark::State& state) {
    TMemoryStream src, dst;
    src.WriteBuffer(ThePackage().stored.data(), static_cast<int64_t>(ThePackage().stored.size()));
    for (auto _ : state) {
        if (!LZHUnpackStream(src, dst)) state.SkipWithError("refused");
        benchmark::DoNotOptimize(dst.Memory());
    }
    Report(state);
}
}  // namespace

BENCHMARK(BM_LoadSkin)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadDefaultSkin)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExpandOnly)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadHostileSkin)->Arg(16)->Arg(64)->Arg(256)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
