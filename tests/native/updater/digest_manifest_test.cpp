#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "framework/system/CodePage.h"
#include "framework/system/FileSystem.h"
#include "framework/system/StreamsAndLists.h"
#include "updater/Manifest.h"
#include "updater/Md5.h"

namespace {

std::string DigestOf(const std::string& data) {
    MD5Context c;
    MD5Init(c);
    MD5Update(c, data.data(), data.size());
    MD5Final(c);
    return MD5Text(c.digest);
}

std::string Pattern(size_t n) {
    std::string d(n, '\0');
    for (size_t i = 0; i < n; ++i) d[i] = static_cast<char>((i * 7 + 3) & 0xFF);
    return d;
}

std::wstring WriteFile(const std::wstring& name, const std::string& data) {
    std::wstring path = Utf8ToWide(TEST_BINARY_DIR) + L"/" + name;
    ForceDirectories(ExtractFilePath(path));
    TFileStream f(path, fmCreate);
    f.WriteBuffer(data.data(), static_cast<int64_t>(data.size()));
    return path;
}

}  // namespace

TEST(Md5, Rfc1321Vectors) {
    struct {
        const char* input;
        const char* digest;
    } cases[] = {
        {"", "d41d8cd98f00b204e9800998ecf8427e"},
        {"a", "0cc175b9c0f1b6a831c399e269772661"},
        {"abc", "900150983cd24fb0d6963f7d28e17f72"},
        {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
        {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789", "d174ab98d277d9f5a5611c2c9f419d9f"},
        {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
         "57edf4a22be3c955ac49da2e2107b67a"},
    };
    for (const auto& c : cases) EXPECT_EQ(DigestOf(c.input), c.digest) << "case: \"" << c.input << "\"";
}

// Digests from md5sum for lengths around the 64-byte block and the 1024-byte read size.
TEST(Md5, BlockAndReadBoundaries) {
    struct {
        size_t length;
        const char* digest;
    } cases[] = {
        {1, "8666683506aacd900bbd5a74ac4edf68"},    {55, "52c0e574e1198de5fe3f8f11440dcb1b"},
        {56, "46c9907fc908ee68b1e7b8e71286a518"},   {57, "1c805dd236c35cab25fcb1bc73802c51"},
        {63, "a62f6d59e837867693f042f5b8f5a236"},   {64, "7160b8fb5e9e4023d549c3971fbaeead"},
        {65, "70bd662e7aefbda85a0f7244167b7897"},   {127, "acce2474d6cc8302120d09c818d17ef7"},
        {128, "10b2da1a82f16d99a81a7203fe9f02cb"},  {1023, "6f8c42978a120e01a68357829a2d0d77"},
        {1024, "a66351d9c8f941b70a02eaf9c41e69c3"}, {1025, "ee57403eb3428e1a0be41fad4a70b174"},
        {2048, "23398bb02c75378fb86bf1b62d860dee"}, {4097, "c7cfb8a6d3d4929f9035e0918250b62d"},
    };
    for (const auto& c : cases) {
        std::string data = Pattern(c.length);
        EXPECT_EQ(DigestOf(data), c.digest) << "case: length " << c.length;
        auto fromFile = MD5File(WriteFile(L"md5/len" + std::to_wstring(c.length), data));
        ASSERT_TRUE(fromFile.has_value()) << "case: length " << c.length;
        EXPECT_EQ(*fromFile, c.digest) << "case: file of length " << c.length;
    }
}

TEST(Md5, SplitUpdatesMatchOneUpdate) {
    std::string data = Pattern(300);
    std::string whole = DigestOf(data);
    for (size_t cut = 0; cut <= data.size(); ++cut) {
        MD5Context c;
        MD5Init(c);
        MD5Update(c, data.data(), cut);
        MD5Update(c, data.data() + cut, data.size() - cut);
        MD5Final(c);
        ASSERT_EQ(MD5Text(c.digest), whole) << "case: split at " << cut;
        EXPECT_EQ(c.state[0] | c.state[1] | c.count[0] | c.buffer[0], 0u) << "final clears the context";
    }
}

TEST(Md5File, MissingFileHasNoDigestAndChinesePathsOpen) {
    EXPECT_FALSE(MD5File(Utf8ToWide(TEST_BINARY_DIR) + L"/md5/does-not-exist").has_value());
    auto path = WriteFile(L"md5/中文目录/文件.txt", "abc");
    EXPECT_EQ(MD5File(path).value_or("none"), "900150983cd24fb0d6963f7d28e17f72");
    EXPECT_EQ(MD5File(WriteFile(L"md5/empty", "")).value_or("none"), "d41d8cd98f00b204e9800998ecf8427e");
}

TEST(Manifest, LineRules) {
    const std::string md5 = "0123456789abcdef0123456789abcdef";
    const std::string longField(256, 'x');
    const std::string maxField(255, 'y');
    struct Case {
        const char* name;
        std::wstring text;
        std::vector<std::vector<std::wstring>> expected;  // url, filePath, md5 per entry
    } cases[] = {
        {"plain entry", L"http://h/a a.dll " + Utf8ToWide(md5), {{L"http://h/a", L"a.dll", Utf8ToWide(md5)}}},
        {"comment and blank lines", L"# made by hand\r\n\r\nu a m\r\n", {{L"u", L"a", L"m"}}},
        {"hash after a blank is an entry", L" # b c", {{L"#", L"b", L"c"}}},
        {"two fields skipped", L"u a\nu b m", {{L"u", L"b", L"m"}}},
        {"four fields take three", L"u a m extra", {{L"u", L"a", L"m"}}},
        {"tabs and runs of blanks", L"\tu \t  sub\\a.dll\t\tm  ", {{L"u", L"sub\\a.dll", L"m"}}},
        {"cr-only breaks", L"u a m\ru b m\r", {{L"u", L"a", L"m"}, {L"u", L"b", L"m"}}},
        {"same path twice kept twice", L"u a m\nu a m", {{L"u", L"a", L"m"}, {L"u", L"a", L"m"}}},
        {"upper-case digest kept as is", L"u a ABC", {{L"u", L"a", L"ABC"}}},
        {"255-byte field accepted", L"u " + Utf8ToWide(maxField) + L" m", {{L"u", Utf8ToWide(maxField), L"m"}}},
        {"256-byte field ignored", L"u " + Utf8ToWide(longField) + L" m\nu ok m", {{L"u", L"ok", L"m"}}},
        {"long fourth field is never read", L"u a m " + Utf8ToWide(longField), {{L"u", L"a", L"m"}}},
        {"chinese path", L"u 中文\\文件.txt m", {{L"u", L"中文\\文件.txt", L"m"}}},
        {"dot-dot component", L"u ..\\evil.dll m\nu a\\..\\..\\b m\nu a/../b m", {}},
        {"absolute paths", L"u \\evil m\nu /evil m\nu C:\\evil m\nu \\\\server\\share\\x m\nu c: m", {}},
        {"stream colon", L"u a.txt:stream m", {}},
        {"dots inside names are fine", L"u a..b\\.x\\c m", {{L"u", L"a..b\\.x\\c", L"m"}}},
        {"device names dropped, the rest kept", L"u CON m\nu ok.dll m\nu sub\\aux m", {{L"u", L"ok.dll", L"m"}}},
        {"lf cr is two breaks", L"u a m\n\ru b m\n\r\r\n", {{L"u", L"a", L"m"}, {L"u", L"b", L"m"}}},
        {"hash after a break only", L"u a m\r#u b m\n# c d\r\nu c m", {{L"u", L"a", L"m"}, {L"u", L"c", L"m"}}},
        {"nul ends the line's fields", L"u a" + std::wstring(1, L'\0') + L" m\nu b m", {{L"u", L"b", L"m"}}},
        {"vertical tab and form feed separate", L"u\va\fm", {{L"u", L"a", L"m"}}},
        {"no break at the end", L"u a m", {{L"u", L"a", L"m"}}},
        {"chinese url and md5 field", L"http://h/中 中\\a 摘要", {{L"http://h/中", L"中\\a", L"摘要"}}},
    };
    for (const auto& c : cases) {
        TStringList lines;
        lines.SetText(c.text);
        FileInfoList byLine, byText;
        ParseManifestLines(lines, byLine);
        // The whole text in one pass reads the same entries as the string list's lines.
        ParseManifestText(WideToAnsi(c.text), byText);
        for (const FileInfoList* entries : {&byLine, &byText}) {
            const char* how = entries == &byLine ? " (lines)" : " (text)";
            ASSERT_EQ(entries->size(), c.expected.size()) << "case: " << c.name << how;
            for (size_t i = 0; i < entries->size(); ++i) {
                EXPECT_EQ((*entries)[i].url, c.expected[i][0]) << "case: " << c.name << how;
                EXPECT_EQ((*entries)[i].filePath, c.expected[i][1]) << "case: " << c.name << how;
                EXPECT_EQ((*entries)[i].md5, c.expected[i][2]) << "case: " << c.name << how;
                EXPECT_EQ((*entries)[i].size, 0) << "case: " << c.name << how;
            }
        }
    }
}

// Room is reserved for the entries ahead, but never more than the text could hold.
TEST(Manifest, ReservedRoomIsBounded) {
    EXPECT_EQ(ManifestLineCount(""), 1u);
    EXPECT_EQ(ManifestLineCount("u a m\nu b m\n"), 3u);
    EXPECT_EQ(ManifestLineCount(std::string(600, '\n')), 101u);
    EXPECT_EQ(ManifestLineCount(std::string(size_t{16} << 20, 'a')), 1u);
    EXPECT_LE(ManifestLineCount(std::string(size_t{16} << 20, '\n')), 100000u);
}

TEST(Manifest, PathSafety) {
    struct Case {
        const wchar_t* path;
        bool safe;
    } cases[] = {
        {L"a.dll", true},
        {L"sub\\a.dll", true},
        {L"sub/a.dll", true},
        {L"sub\\\\a.dll", true},  // a doubled separator names the same file
        {L"中文\\文件.txt", true},
        {L"a..b", true},
        {L".hidden", true},
        {L"CONSOLE.txt", true},
        {L"COM10", true},
        {L"LPT0", true},
        {L"xCON", true},
        {L"CON", false},
        {L"con", false},
        {L"Nul", false},
        {L"AUX.txt", false},
        {L"PRN.tar.gz", false},
        {L"sub\\AUX", false},
        {L"aux\\sub\\a.dll", false},
        {L"COM1", false},
        {L"com9.txt", false},
        {L"LPT1", false},
        {L"lpt9.log", false},
        {L"COM\u00b9", false},
        {L"CONIN$", false},
        {L"conout$.txt", false},
        {L"CON .txt", false},
        {L"a.", false},
        {L"a ", false},
        {L"sub.\\a", false},
        {L"sub \\a", false},
        {L".", false},
        {L".\\a.dll", false},
        {L"sub\\.\\a.dll", false},
        {L"..", false},
        {L"sub\\..\\a", false},
        {L"a<b", false},
        {L"a>b", false},
        {L"a\"b", false},
        {L"a|b", false},
        {L"a?b", false},
        {L"a*b", false},
        {L"a\x01z", false},
        {L"a\x1fz", false},
        {L"sub\\", false},
        {L"sub/", false},
        {L"", false},
        {L"\\a", false},
        {L"/a", false},
        {L"C:\\a", false},
        {L"a:b", false},
    };
    for (const auto& c : cases) EXPECT_EQ(IsSafeRelativePath(c.path), c.safe) << "case: " << WideToUtf8(c.path);
}

TEST(Manifest, CanonicalPathKeyJoinsSpellingsOfOnePath) {
    const std::wstring key = CanonicalPathKey(L"sub\\a.dll");
    for (const wchar_t* same : {L"sub/a.dll", L"sub\\\\a.dll", L".\\sub\\.\\a.dll", L"SUB\\A.DLL", L"sub//a.dll"})
        EXPECT_EQ(CanonicalPathKey(same), key) << "case: " << WideToUtf8(same);
    EXPECT_EQ(CanonicalPathKey(L"a.dll"), CanonicalPathKey(L".\\a.dll"));
    for (const wchar_t* other : {L"sub\\b.dll", L"subx\\a.dll", L"a.dll", L"sub\\a.dl"})
        EXPECT_NE(CanonicalPathKey(other), key) << "case: " << WideToUtf8(other);
}
