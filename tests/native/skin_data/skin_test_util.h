// Helpers shared by the skin data tests: fixture files and streams as byte vectors.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "framework/system/CodePage.h"
#include "framework/system/StreamsAndLists.h"

using Bytes = std::vector<uint8_t>;

inline std::wstring FixturePath(const std::string& relative) {
    return Utf8ToWide(std::string(TEST_SOURCE_DIR) + "/" + relative);
}

inline Bytes ReadFixture(const std::string& relative) {
    TFileStream file(FixturePath(relative), fmOpenRead | fmShareDenyWrite);
    Bytes out(static_cast<size_t>(file.Size()));
    file.ReadBuffer(out.data(), static_cast<int64_t>(out.size()));
    return out;
}

inline void Fill(TMemoryStream& s, const Bytes& b) {
    s.Clear();
    s.WriteBuffer(b.data(), static_cast<int64_t>(b.size()));
    s.SetPosition(0);
}

inline Bytes Contents(const TMemoryStream& s) {
    return s.Bytes();
}

inline Bytes Text(const std::string& s) {
    return Bytes(s.begin(), s.end());
}

// Deterministic pseudo-random bytes (the usual 32-bit LCG, bits 16..23).
inline Bytes LcgBytes(size_t n, uint32_t seed) {
    Bytes out(n);
    for (auto& b : out) {
        seed = seed * 1103515245u + 12345u;
        b = static_cast<uint8_t>(seed >> 16);
    }
    return out;
}
