// The colour of the skin-drawing programs and of the tests that compare the
// screen with their palettes. Plain data: it builds natively and for Windows.
#pragma once

namespace skin_art {

struct Rgb {
    int r, g, b;
    // 0x00RRGGBB, the form in which the tests read the screen.
    constexpr unsigned Packed() const { return (unsigned(r) << 16) | (unsigned(g) << 8) | unsigned(b); }
};

}  // namespace skin_art
