// Nine-slice composition and region scanning at full-screen size, each
// reported as bytes of output per second beside a memcpy of the same bytes.
//   GetHMap: the 1920 x 1080 24-bit piece composed from a 292 x 50 strip of
//            two frames (stretched or tiled centre).
//   Region scan: the 1920 x 1080 bitmap's pixel bytes scanned into
//            rectangles (rounded, colour-keyed corners), in RGNDATA-sized batches.
#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>
#include <vector>

#include "skin/draw/DrawUtils.h"

namespace {

constexpr int kW = 1920, kH = 1080;

std::unique_ptr<TBitmap> Strip() {
    auto b = std::make_unique<TBitmap>(292, 50, pf24bit);
    for (int y = 0; y < 50; ++y)
        for (int x = 0; x < 292; ++x) b->SetPixel(x, y, ColorFromRGB(x, y * 5, x ^ y));
    return b;
}

std::unique_ptr<TBitmap> RoundedShape(TPixelFormat format) {
    auto b = std::make_unique<TBitmap>(kW, kH, format);
    b->Canvas().Brush.Color = ColorFromRGB(40, 90, 160);
    b->Canvas().FillRect(Rect(0, 0, kW, kH));
    const int r = 24;
    for (int y = 0; y < r; ++y)
        for (int x = 0; x < r; ++x)
            if ((r - x) * (r - x) + (r - y) * (r - y) > r * r)
                for (auto [px, py] : {std::pair{x, y}, {kW - 1 - x, y}, {x, kH - 1 - y}, {kW - 1 - x, kH - 1 - y}})
                    b->SetPixel(px, py, clFuchsia);
    return b;
}

void GetHMapBench(benchmark::State& state, bool tile) {
    const auto strip = Strip();
    int64_t bytes = 0;
    for (auto _ : state) {
        auto piece = GetHMap(Rect(0, 0, kW, kH), *strip, Rect(12, 10, 12, 10), 2, 2, tile, false);
        benchmark::DoNotOptimize(piece->Bits());
        bytes += static_cast<int64_t>(piece->RowBytes()) * piece->Height();
    }
    state.SetBytesProcessed(bytes);
}

void MemcpyBench(benchmark::State& state, size_t bytes) {
    std::vector<uint8_t> from(bytes, 1), to(bytes);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), bytes);
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(bytes));
}

void RegionBench(benchmark::State& state, TPixelFormat format) {
    const auto shape = RoundedShape(format);
    std::vector<TRect> buffer;
    buffer.reserve(2000);
    size_t rects = 0;
    for (auto _ : state) {
        rects = 0;
        ScanRegionRects(*shape, 0, 0, clFuchsia, 1, 1, 1, [&](const TRect* r, size_t n) {
            buffer.assign(r, r + n);  // what becomes the RGNDATA of one batch
            rects += n;
        });
        benchmark::DoNotOptimize(buffer.data());
    }
    state.counters["rects"] = static_cast<double>(rects);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * shape->RowBytes() * shape->Height());
}

}  // namespace

BENCHMARK_CAPTURE(GetHMapBench, stretched_centre, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(GetHMapBench, tiled_centre, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(MemcpyBench, same_bytes_as_24bit_1920x1080, size_t{5760} * kH)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(RegionBench, scan_32bit, pf32bit)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(MemcpyBench, same_bytes_as_32bit_1920x1080, size_t{4} * kW * kH)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(RegionBench, scan_24bit, pf24bit)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
