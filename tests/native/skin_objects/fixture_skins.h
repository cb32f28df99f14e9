// Packing the fixture skins (fixtures/<name>: skin.ini and its bitmaps) with
// skinpack's writer, and loading them into a skin data core.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "framework/system/StreamsAndLists.h"
#include "skin/data/SkinData.h"
#include "skin/data/Winconvert.h"
#include "tools/skinpack/SkinPack.h"

using Bytes = std::vector<uint8_t>;

inline Bytes ReadFileBytes(const std::filesystem::path& path) {
    TFileStream file(path.wstring(), fmOpenRead | fmShareDenyWrite);
    Bytes out(static_cast<size_t>(file.Size()));
    if (!out.empty()) file.ReadBuffer(out.data(), static_cast<int64_t>(out.size()));
    return out;
}

// The stored package of fixtures/<name>, built by skinpack's writer.
inline Bytes PackFixture(const std::string& name) {
    const auto folder = std::filesystem::path(TEST_SOURCE_DIR) / "fixtures" / name;
    const auto file = std::filesystem::path(TEST_BINARY_DIR) / (name + ".skin");
    const std::string error = BuildSkinPackage(folder, file);
    EXPECT_EQ(error, "") << "packing " << name;
    return ReadFileBytes(file);
}

// A stored package made from members given here (the INI may be left out).
inline Bytes StorePackage(const std::vector<SkinPackMember>& members, int32_t version = kSkinPackVersion) {
    Bytes expanded = ExpandedSkinPackage(members, "test");
    for (int i = 0; i < 4; ++i) expanded[static_cast<size_t>(i)] = static_cast<uint8_t>(version >> (8 * i));
    TMemoryStream in, out;
    in.WriteBuffer(expanded.data(), static_cast<int64_t>(expanded.size()));
    LZHPackStream(in, out);
    return out.Bytes();
}

inline void SetBytes(TSkinDataCore& d, const Bytes& bytes) {
    d.data.Clear();
    if (!bytes.empty()) d.data.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
    d.data.SetPosition(0);
}

inline std::unique_ptr<TSkinDataCore> LoadFixture(const std::string& name) {
    auto d = std::make_unique<TSkinDataCore>();
    SetBytes(*d, PackFixture(name));
    EXPECT_TRUE(d->LoadSkin()) << "loading " << name;
    return d;
}
