// TSkinReader::Loadfromstream, then every member read by name and by position.
// Input: one mode byte, then either a stored package (even mode) or an
// expanded one (odd mode), which is packed first so that the fuzzer reaches
// the directory and size table without having to invent LZH streams.
#include <cstdint>
#include <cstdlib>

#include "skin/data/SkinMessage.h"
#include "skin/data/Skinread.h"
#include "skin/data/Winconvert.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    static const bool quiet = [] {
        SetSkinMessageHook([](const std::wstring&) {});
        return true;
    }();
    (void)quiet;
    TMemoryStream source;
    if (data[0] & 1) {
        TMemoryStream expanded;
        expanded.WriteBuffer(data + 1, static_cast<int64_t>(size - 1));
        LZHPackStream(expanded, source);
    } else {
        source.WriteBuffer(data + 1, static_cast<int64_t>(size - 1));
    }
    TSkinReader reader;
    if (!reader.Loadfromstream(source)) return 0;
    if (reader.Num != reader.Dir.Count() || reader.sizes.size() != static_cast<size_t>(reader.Num)) std::abort();

    // Lookups walk the directory, so a huge one is read in part only.
    const int count = reader.Num < 512 ? reader.Num : 512;
    int64_t served = 0;
    for (int i = 0; i < count; ++i) {
        TMemoryStream byName, byIndex;
        reader.readfile(reader.Dir[i], byName);
        reader.ReadEntry(i, byIndex);
        if (byIndex.Size() > reader.ms.Size() ||
            byIndex.Size() > (reader.sizes[static_cast<size_t>(i)] < 0 ? 0 : reader.sizes[static_cast<size_t>(i)]))
            std::abort();
        served += byIndex.Size();
    }
    if (served > reader.ms.Size()) std::abort();
    TMemoryStream ini;
    std::wstring name;
    reader.readIni(L".ini", ini, name);
    return 0;
}
