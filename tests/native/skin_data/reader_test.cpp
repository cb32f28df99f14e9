#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/system/CodePage.h"
#include "package_builder.h"
#include "skin/data/SkinMessage.h"
#include "skin/data/Skinread.h"

namespace {
std::string Ansi(const std::wstring& s) {
    return WideToAnsi(s);
}

class SkinReaderTest : public ::testing::Test {
protected:
    // Never the platform default here: under Wine it would open a message box.
    void SetUp() override {
        SetSkinMessageHook([this](const std::wstring& text) { messages.push_back(text); });
    }
    void TearDown() override { SetSkinMessageHook(nullptr); }

    bool Load(const Bytes& stored) {
        TMemoryStream src;
        Fill(src, stored);
        return reader.Loadfromstream(src);
    }
    Bytes Member(const std::wstring& name) {
        TMemoryStream out;
        reader.readfile(name, out);
        EXPECT_EQ(out.Position(), 0);
        return Contents(out);
    }
    std::vector<std::wstring> DirEntries() const { return {reader.Dir.begin(), reader.Dir.end()}; }

    TSkinReader reader;
    std::vector<std::wstring> messages;
};

const Bytes kIni = Text("[Personality]\r\nLeft=left.bmp\r\n");
const Bytes kLeft = Text("BM-left-bitmap-bytes");
const Bytes kTop = Text("BM-top");
}  // namespace

TEST_F(SkinReaderTest, LoadsEveryKnownVersionWhateverTheSourcePosition) {
    const std::pair<int32_t, int> versions[] = {{20000, 0},  {30000, 256}, {40000, 80},
                                                {50000, 48}, {60000, 117}, {70000, 69}};
    for (auto [version, width] : versions) {
        EXPECT_EQ(TSkinReader::NameFieldWidth(version), width) << "case: " << version;
        ExpandedPackage p = MakePackage({{"Skin.INI", kIni}, {"Left.BMP", kLeft}, {"top.bmp", kTop}}, version);
        TMemoryStream src;
        Fill(src, Store(p.Build()));
        src.SetPosition(src.Size() / 2);
        ASSERT_TRUE(reader.Loadfromstream(src)) << "case: " << version;
        EXPECT_EQ(reader.header.Version, version);
        EXPECT_EQ(reader.header.DirLen, static_cast<int32_t>(p.dir.size()));
        EXPECT_EQ(reader.header.U1, 0x01020304);
        EXPECT_EQ(reader.header.U2, -7);
        EXPECT_EQ(DirEntries(), (std::vector<std::wstring>{L"skin.ini", L"left.bmp", L"top.bmp"}))
            << "case: " << version;
        EXPECT_EQ(reader.Num, 3);
        EXPECT_EQ(reader.sizes,
                  (std::vector<int32_t>{static_cast<int32_t>(kIni.size()), static_cast<int32_t>(kLeft.size()),
                                        static_cast<int32_t>(kTop.size())}));
        EXPECT_TRUE(Member(L"LEFT.bmp") == kLeft) << "case: " << version;
        EXPECT_TRUE(Member(L"top.BMP") == kTop) << "case: " << version;
        TMemoryStream ini;
        std::wstring name = L"untouched";
        reader.readIni(L".ini", ini, name);
        EXPECT_TRUE(Contents(ini) == kIni) << "case: " << version;
        EXPECT_EQ(name, L"skin.ini");
    }
    EXPECT_TRUE(messages.empty());
}

TEST_F(SkinReaderTest, DirectorySplitsLikeTextAndEndsAtNul) {
    struct Case {
        const char* name;
        std::string dir;
        std::vector<std::wstring> entries;
    } cases[] = {
        {"crlf after last", "a\r\nb\r\n", {L"a", L"b"}},
        {"no break after last", "a\r\nb", {L"a", L"b"}},
        {"lf and cr", "a\nb\rc", {L"a", L"b", L"c"}},
        {"empty line is an entry", "a\r\n\r\nb\r\n", {L"a", L"", L"b"}},
        {"nul ends the text", std::string("a\r\nb\0c\r\n", 8), {L"a", L"b"}},
        {"empty", "", {}},
    };
    for (const auto& c : cases) {
        ExpandedPackage p;
        p.dir = c.dir;
        Bytes files;
        for (size_t i = 0; i < c.entries.size(); ++i) {
            p.sizes.push_back(static_cast<int32_t>(i + 1));
            p.files.insert(p.files.end(), i + 1, static_cast<uint8_t>('0' + i));
        }
        ASSERT_TRUE(Load(Store(p.Build()))) << "case: " << c.name;
        EXPECT_EQ(DirEntries(), c.entries) << "case: " << c.name;
        // The size table follows the whole DirLen bytes, NUL or not.
        for (size_t i = 0; i < c.entries.size(); ++i) {
            if (c.entries[i].empty()) continue;
            EXPECT_TRUE(Member(c.entries[i]) == Bytes(i + 1, static_cast<uint8_t>('0' + i))) << "case: " << c.name;
        }
    }
}

TEST_F(SkinReaderTest, NamesMatchInAnyAsciiCaseAndExactlyOtherwise) {
    std::string chinese = Ansi(L"皮肤.BMP");
    std::string omega = Ansi(L"\x03A9.Bmp");  // capital omega, in the Chinese code page as well
    ExpandedPackage p = MakePackage({{"MiXeD.BmP", Text("m")}, {chinese, Text("c")}, {omega, Text("o")}});
    ASSERT_TRUE(Load(Store(p.Build())));
    EXPECT_EQ(DirEntries(), (std::vector<std::wstring>{L"mixed.bmp", L"皮肤.bmp", L"\x03A9.bmp"}));
    EXPECT_TRUE(Member(L"MIXED.BMP") == Text("m"));
    EXPECT_TRUE(Member(L"皮肤.Bmp") == Text("c"));
    EXPECT_TRUE(Member(L"\x03A9.BMP") == Text("o"));
    EXPECT_TRUE(Member(L"\x03C9.bmp").empty());  // small omega is another letter here
    TMemoryStream out;
    reader.readfile(Ansi(L"皮肤.bmp"), out);  // 8-bit names from the INI
    EXPECT_TRUE(Contents(out) == Text("c"));
}

TEST_F(SkinReaderTest, LookupServesFirstOfDuplicatesAndCountsEveryOffset) {
    ExpandedPackage p = MakePackage({{"notes.ini.bak", Text("bak")},
                                     {"dup.bmp", Text("first")},
                                     {"empty.bmp", {}},
                                     {"dup.bmp", Text("second!")},
                                     {"skin.ini", Text("ini")},
                                     {"last.bmp", Text("LAST")}});
    ASSERT_TRUE(Load(Store(p.Build())));
    EXPECT_TRUE(Member(L"dup.bmp") == Text("first"));
    EXPECT_TRUE(Member(L"last.bmp") == Text("LAST"));
    EXPECT_TRUE(Member(L"empty.bmp").empty());
    EXPECT_TRUE(Member(L"missing.bmp").empty());
    TMemoryStream entry;
    reader.ReadEntry(3, entry);  // by position, so the second dup.bmp is reachable too
    EXPECT_TRUE(Contents(entry) == Text("second!"));
    EXPECT_EQ(reader.MemberBytes(), 3 + 5 + 0 + 7 + 3 + 4);

    TMemoryStream ini;
    ini.WriteBuffer("old", 3);
    std::wstring name;
    reader.readIni(L".ini", ini, name);
    EXPECT_EQ(name, L"notes.ini.bak");  // contains ".ini", listed first
    EXPECT_TRUE(Contents(ini) == Text("bak"));
    name = L"unchanged";
    reader.readIni(L".INI", ini, name);  // the part is taken as given
    EXPECT_TRUE(Contents(ini).empty());
    EXPECT_EQ(name, L"unchanged");
}

TEST_F(SkinReaderTest, UnknownVersionShowsTheMessageAndKeepsThePreviousPackage) {
    ASSERT_TRUE(Load(Store(MakePackage({{"a.bmp", Text("AAA")}}).Build())));
    struct Case {
        const char* name;
        Bytes expanded;
    } cases[] = {
        {"version 10000", MakePackage({{"b.bmp", Text("B")}}, 10000).Build()},
        {"version 40001", MakePackage({{"b.bmp", Text("B")}}, 40001).Build()},
        {"header cut short", {0x07}},
        {"nothing expanded", {}},
    };
    for (const auto& c : cases) {
        messages.clear();
        EXPECT_FALSE(Load(Store(c.expanded))) << "case: " << c.name;
        ASSERT_EQ(messages.size(), 1u) << "case: " << c.name;
        EXPECT_EQ(messages[0], L"This is Older Skin File\rPlease update to new version !");
        EXPECT_EQ(DirEntries(), std::vector<std::wstring>{L"a.bmp"}) << "case: " << c.name;
        EXPECT_TRUE(Member(L"a.bmp") == Text("AAA")) << "case: " << c.name;
    }
}

TEST_F(SkinReaderTest, StoredFormTooShortOrImpossiblyLongIsRefusedSilently) {
    Bytes good = Store(MakePackage({{"a.bmp", Text("AAA")}}).Build());
    Bytes huge = good;
    huge[0] = 0xFF, huge[1] = 0xFF, huge[2] = 0xFF, huge[3] = 0x7F;
    Bytes tooLong = good;
    int32_t bound = static_cast<int32_t>((good.size() - 4) * 48 + 1);
    for (int i = 0; i < 4; ++i) tooLong[static_cast<size_t>(i)] = static_cast<uint8_t>(bound >> (8 * i));
    struct Case {
        const char* name;
        Bytes stored;
    } cases[] = {
        {"empty", {}}, {"3 bytes", {0x20, 0, 0}}, {"2^31-1 bytes declared", huge}, {"one past the bound", tooLong}};
    for (const auto& c : cases) {
        EXPECT_FALSE(Load(c.stored)) << "case: " << c.name;
    }
    EXPECT_TRUE(messages.empty());
}

TEST_F(SkinReaderTest, DamagedTablesServeOnlyBytesThatExist) {
    // More entries than the old fixed table of 1001 had room for.
    std::vector<std::pair<std::string, Bytes>> many;
    for (int i = 0; i < 1500; ++i) many.push_back({"f" + std::to_string(i) + ".bmp", Text(std::to_string(i * 7))});
    ASSERT_TRUE(Load(Store(MakePackage(many).Build())));
    EXPECT_EQ(reader.Num, 1500);
    EXPECT_TRUE(Member(L"f1000.bmp") == Text("7000"));
    EXPECT_TRUE(Member(L"f1499.bmp") == Text("10493"));

    struct Case {
        const char* name;
        ExpandedPackage package;
        std::vector<std::pair<std::wstring, Bytes>> members;
    };
    ExpandedPackage dirPastEnd = MakePackage({{"a.bmp", Text("AAAA")}});
    dirPastEnd.dirLen = 100000;
    ExpandedPackage negativeDir = MakePackage({{"a.bmp", Text("AAAA")}});
    negativeDir.dirLen = -5;
    ExpandedPackage versionOnly = MakePackage({{"a.bmp", Text("AAAA")}});
    versionOnly.cutAt = 4;
    ExpandedPackage tableCut = MakePackage({{"a.bmp", {}}, {"b.bmp", {}}});
    tableCut.sizes = {};
    tableCut.files = {5, 0, 0};  // only 3 bytes of the table
    ExpandedPackage sizesPastEnd = MakePackage({{"a.bmp", Text("AAAA")}, {"b.bmp", Text("BB")}});
    sizesPastEnd.sizes = {3, 1000};  // b runs past the end
    ExpandedPackage hugeSizes = MakePackage({{"a.bmp", Text("AAAA")}, {"b.bmp", Text("BB")}});
    hugeSizes.sizes = {INT32_MAX, INT32_MAX};
    ExpandedPackage negativeSize = MakePackage({{"a.bmp", Text("AAAA")}, {"b.bmp", Text("BB")}});
    negativeSize.sizes = {-4, 4};
    Case cases[] = {
        {"nothing after the version", versionOnly, {{L"a.bmp", {}}}},
        {"directory length past the end", dirPastEnd, {{L"a.bmp", {}}}},
        {"negative directory length", negativeDir, {{L"a.bmp", {}}}},
        {"size table cut short", tableCut, {{L"a.bmp", {}}, {L"b.bmp", {}}}},
        {"member past the end", sizesPastEnd, {{L"a.bmp", Text("AAA")}, {L"b.bmp", Text("ABB")}}},
        {"sizes of 2^31-1", hugeSizes, {{L"a.bmp", Text("AAAABB")}, {L"b.bmp", {}}}},
        {"negative size counts as 0", negativeSize, {{L"a.bmp", {}}, {L"b.bmp", Text("AAAA")}}},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(Load(Store(c.package.Build()))) << "case: " << c.name;
        for (const auto& [name, bytes] : c.members) EXPECT_TRUE(Member(name) == bytes) << "case: " << c.name;
        TMemoryStream ini;
        std::wstring found;
        reader.readIni(L"", ini, found);  // every name contains ""
    }
    EXPECT_TRUE(messages.empty());
}

TEST_F(SkinReaderTest, LoadFromFileNeedsAnExistingFile) {
    ASSERT_TRUE(Load(Store(MakePackage({{"a.bmp", Text("AAA")}}).Build())));
    EXPECT_FALSE(reader.loadfromfile(Utf8ToWide(TEST_BINARY_DIR) + L"/no such skin.skn"));
    EXPECT_TRUE(Member(L"a.bmp") == Text("AAA"));

    std::wstring path = Utf8ToWide(TEST_BINARY_DIR) + L"/皮肤.skn";
    {
        Bytes stored = Store(MakePackage({{"b.bmp", Text("BBB")}}).Build());
        TFileStream file(path, fmCreate);
        file.WriteBuffer(stored.data(), static_cast<int64_t>(stored.size()));
    }
    ASSERT_TRUE(reader.loadfromfile(path));
    EXPECT_TRUE(Member(L"b.bmp") == Text("BBB"));
    EXPECT_TRUE(Member(L"a.bmp").empty());
}
