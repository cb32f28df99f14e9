#include "tools/skinpack/SkinPack.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "framework/system/CodePage.h"
#include "framework/system/FileSystem.h"
#include "package_builder.h"

namespace fs = std::filesystem;

namespace {
fs::path P(const std::wstring& w) {
#ifdef _WIN32
    return fs::path(w);
#else
    return fs::u8path(WideToUtf8(w));
#endif
}

std::wstring Work(const std::wstring& name) {
    return Utf8ToWide(TEST_BINARY_DIR) + L"/skinpack_" + name;
}

void WriteFile(const std::wstring& path, const Bytes& data) {
    TFileStream f(path, fmCreate);
    f.WriteBuffer(data.data(), static_cast<int64_t>(data.size()));
}

Bytes ReadFile(const std::wstring& path) {
    TFileStream f(path, fmOpenRead);
    Bytes out(static_cast<size_t>(f.Size()));
    f.ReadBuffer(out.data(), static_cast<int64_t>(out.size()));
    return out;
}

// A fresh folder with the given files.
std::wstring MakeFolder(const std::wstring& name, const std::vector<std::pair<std::wstring, Bytes>>& files) {
    std::wstring dir = Work(name);
    fs::remove_all(P(dir));
    EXPECT_TRUE(ForceDirectories(dir));
    for (const auto& [file, data] : files) WriteFile(dir + L"/" + file, data);
    return dir;
}

const Bytes kIni = Text("[Personality]\r\nLeft=a.bmp\r\n");
const Bytes kA = LcgBytes(5000, 1);
const Bytes kB = Bytes(7000, 0xEE);
const Bytes kC = Text("BM chinese");
}  // namespace

TEST(SkinPack, BuildsAPackageTheReaderGivesBackByteForByte) {
    std::wstring dir = MakeFolder(
        L"src",
        {{L"b.bmp", kB}, {L"Skin.INI", kIni}, {L"皮肤.bmp", kC}, {L"A.BMP", kA}, {L"notes.txt", Text("not packed")}});
    std::wstring file = Work(L"out.skn");
    ASSERT_EQ(BuildSkinPackage(P(dir), P(file)), "");

    TSkinReader reader;
    ASSERT_EQ(OpenSkinPackage(P(file), reader), "");
    EXPECT_EQ(reader.header.Version, 40000);
    EXPECT_EQ(std::vector<std::wstring>(reader.Dir.begin(), reader.Dir.end()),
              (std::vector<std::wstring>{L"skin.ini", L"a.bmp", L"b.bmp", L"皮肤.bmp"}));
    const std::pair<std::wstring, Bytes> expected[] = {
        {L"Skin.ini", kIni}, {L"a.bmp", kA}, {L"B.bmp", kB}, {L"皮肤.BMP", kC}};
    for (const auto& [name, bytes] : expected) {
        TMemoryStream m;
        reader.readfile(name, m);
        EXPECT_TRUE(Contents(m) == bytes) << "case: " << WideToUtf8(name);
    }

    // The name field holds the folder's name; the directory starts right after its 80 bytes.
    TMemoryStream stored, expanded;
    Fill(stored, ReadFile(file));
    ASSERT_TRUE(reader.Decompress(stored, expanded));
    std::string field(reinterpret_cast<const char*>(expanded.Memory()) + 16, 80);
    EXPECT_EQ(field.substr(0, field.find('\0')), "skinpack_src");
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(expanded.Memory()) + 96, 10), "Skin.INI\r\n");

    std::string listing;
    ASSERT_EQ(ListSkinPackage(P(file), listing), "");
    EXPECT_EQ(listing, "version 40000\n" + std::to_string(kIni.size()) + " skin.ini\n5000 a.bmp\n7000 b.bmp\n" +
                           std::to_string(kC.size()) + " " + WideToUtf8(L"皮肤.bmp") + "\n");

    std::wstring out = Work(L"extracted");
    fs::remove_all(P(out));
    ASSERT_EQ(ExtractSkinPackage(P(file), P(out)), "");
    EXPECT_TRUE(ReadFile(out + L"/skin.ini") == kIni);
    EXPECT_TRUE(ReadFile(out + L"/a.bmp") == kA);
    EXPECT_TRUE(ReadFile(out + L"/b.bmp") == kB);
    EXPECT_TRUE(ReadFile(out + L"/皮肤.bmp") == kC);
}

TEST(SkinPack, SaysWhatIsWrong) {
    std::wstring noIni = MakeFolder(L"noini", {{L"a.bmp", kA}});
    std::wstring twoInis = MakeFolder(L"twoini", {{L"a.ini", kIni}, {L"b.INI", kIni}});
    std::wstring pkgDir = MakeFolder(L"pkgs", {});
    auto store = [&](const std::wstring& name, const Bytes& stored) {
        WriteFile(pkgDir + L"/" + name, stored);
        return P(pkgDir + L"/" + name);
    };
    ExpandedPackage oldVersion = MakePackage({{"a.bmp", Text("A")}}, 10000);
    ExpandedPackage shortMembers = MakePackage({{"a.bmp", Text("AAAA")}});
    shortMembers.sizes = {40};
    ExpandedPackage unsafe = MakePackage({{"../evil.bmp", Text("A")}});

    struct Case {
        const char* name;
        std::string error;
        const char* expected;  // start of the message
    } cases[] = {
        {"missing folder", BuildSkinPackage(P(Work(L"nowhere")), P(Work(L"x.skn"))), "folder not found"},
        {"no ini", BuildSkinPackage(P(noIni), P(Work(L"x.skn"))), "no .ini file"},
        {"two inis", BuildSkinPackage(P(twoInis), P(Work(L"x.skn"))), "more than one .ini"},
        {"missing package", ExtractSkinPackage(P(Work(L"none.skn")), P(Work(L"x"))), "file not found"},
        {"unknown version", ExtractSkinPackage(store(L"old.skn", Store(oldVersion.Build())), P(Work(L"x"))),
         "unknown package version 10000"},
        {"too short", ExtractSkinPackage(store(L"short.skn", {1, 0}), P(Work(L"x"))), "damaged package"},
        {"members missing", ExtractSkinPackage(store(L"cut.skn", Store(shortMembers.Build())), P(Work(L"x"))),
         "damaged package: members need 40 bytes"},
        {"path in a name", ExtractSkinPackage(store(L"evil.skn", Store(unsafe.Build())), P(Work(L"x"))),
         "refusing to extract"},
    };
    for (const auto& c : cases) EXPECT_EQ(c.error.rfind(c.expected, 0), 0u) << "case: " << c.name << ": " << c.error;
    EXPECT_FALSE(DirectoryExists(Work(L"x")));  // nothing extracted by any failing call
}
