// Skins for Windows tests: one built in memory (flat, distinct colours, so a
// frame is known by its pixels) with the skinned-form object that controls
// are skinned under, and a packed skin as the stream the skin data reads.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "framework/system/StreamsAndLists.h"
#include "skin/form/SkinData_win.h"
#include "skin/form/WinSkinForm.h"

namespace test_support {

// The skin data a test fills in, and a skinned-form object on parent that
// uses it, as the skin manager would make for a skinned window.
struct SkinFixture {
    std::unique_ptr<TSkinData> sd = std::make_unique<TSkinData>(nullptr);
    std::unique_ptr<TWinSkinForm> sf;

    // fill(skin data, args...) draws the skin.
    template <class Fill, class... Args>
    SkinFixture(HWND parent, Fill fill, Args&&... args) {
        fill(*sd, std::forward<Args>(args)...);
        sf = std::make_unique<TWinSkinForm>(nullptr);
        sf->Hwnd = parent;
        sf->fsd = sd.get();
    }
    ~SkinFixture() {
        sf.reset();  // frees the remaining control objects while the skin is still there
    }
    SkinFixture(const SkinFixture&) = delete;
    SkinFixture& operator=(const SkinFixture&) = delete;
};

// frames frames of w x h side by side, frame i (from 1) all color(i).
template <class Color>
void FillStrip(TBitmap& bmp, int frames, int w, int h, Color color) {
    bmp.SetSize(frames * w, h);
    for (int i = 1; i <= frames; ++i)
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) bmp.SetPixel((i - 1) * w + x, y, color(i));
}

// A packed skin as the skin data reads it: its length (32-bit, little
// endian), then its bytes.
inline TMemoryStream SkinStreamOf(const std::vector<uint8_t>& package) {
    TMemoryStream s;
    const auto n = static_cast<uint32_t>(package.size());
    const uint8_t count[4] = {static_cast<uint8_t>(n), static_cast<uint8_t>(n >> 8), static_cast<uint8_t>(n >> 16),
                              static_cast<uint8_t>(n >> 24)};
    s.WriteBuffer(count, 4);
    if (n) s.WriteBuffer(package.data(), n);
    s.SetPosition(0);
    return s;
}

}  // namespace test_support
