// A stored skin package from an untrusted source, built into skin objects:
// the package, its INI and its bitmaps are all attacker-shaped.
#include <cstdint>
#include <cstdlib>

#include "skin/data/SkinData.h"
#include "skin/data/SkinMessage.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool quiet = [] {
        SetSkinMessageHook([](const std::wstring&) {});
        return true;
    }();
    (void)quiet;
    TSkinDataCore skin;
    skin.data.WriteBuffer(data, static_cast<int64_t>(size));
    skin.data.SetPosition(0);
    skin.LoadSkin();
    return 0;
}
