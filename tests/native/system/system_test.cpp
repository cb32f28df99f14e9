#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/system/CodePage.h"
#include "framework/system/ErrorsAndStrings.h"
#include "framework/system/FileSystem.h"
#include "framework/system/StreamsAndLists.h"

TEST(StringList, SplitsAtEveryKindOfLineBreak) {
    struct Case {
        const wchar_t* name;
        std::wstring text;
        std::vector<std::wstring> lines;
    } cases[] = {
        {L"empty", L"", {}},
        {L"no break", L"a", {L"a"}},
        {L"crlf", L"a\r\nb\r\n", {L"a", L"b"}},
        {L"lf", L"a\nb", {L"a", L"b"}},
        {L"cr only", L"a\rb\rc", {L"a", L"b", L"c"}},
        {L"lf then cr is two breaks", L"a\n\rb", {L"a", L"", L"b"}},
        {L"blank lines kept", L"a\r\n\r\nb", {L"a", L"", L"b"}},
        {L"single break", L"\n", {L""}},
    };
    for (const auto& c : cases) {
        TStringList list;
        list.SetText(c.text);
        ASSERT_EQ(list.Count(), static_cast<int>(c.lines.size())) << "case: " << WideToUtf8(c.name);
        for (int i = 0; i < list.Count(); ++i) EXPECT_EQ(list[i], c.lines[i]) << "case: " << WideToUtf8(c.name);
    }
}

TEST(CodePage, Utf8RoundTripsChineseAndRejectsBrokenInput) {
    std::wstring text = L"更新进度：abc";
    EXPECT_EQ(Utf8ToWide(WideToUtf8(text)), text);
    EXPECT_EQ(WideToUtf8(L"宋"), "\xE5\xAE\x8B");
    EXPECT_EQ(Utf8ToWide("\xE5\xAE"), L"\xFFFD\xFFFD");  // truncated sequence
    EXPECT_EQ(Utf8ToWide("\xC0\x80"), L"\xFFFD\xFFFD");  // overlong
}

TEST(MemoryStream, SizeGrowsAndCutsAndClampsPosition) {
    TMemoryStream s;
    s.WriteBuffer("hello world", 11);
    EXPECT_EQ(s.Size(), 11);
    s.SetSize(5);
    EXPECT_EQ(s.Position(), 5);
    char buf[16] = {};
    s.SetPosition(0);
    EXPECT_EQ(s.Read(buf, sizeof buf), 5);
    EXPECT_EQ(std::string(buf, 5), "hello");
    EXPECT_THROW(s.ReadBuffer(buf, 1), EStreamError);
}

TEST(FileStream, OpenForWriteKeepsOldBytesUntilCut) {
    std::wstring path = Utf8ToWide(TEST_BINARY_DIR) + L"/文件_stream.bin";
    {
        TFileStream f(path, fmCreate);
        f.WriteBuffer("0123456789", 10);
    }
    {
        TFileStream f(path, fmOpenWrite);
        EXPECT_EQ(f.Position(), 0);
        EXPECT_EQ(f.Size(), 10);
        f.WriteBuffer("ab", 2);
        f.SetSize(f.Position());
    }
    {
        TFileStream f(path, fmOpenRead);
        char buf[16] = {};
        EXPECT_EQ(f.Read(buf, sizeof buf), 2);
        EXPECT_EQ(std::string(buf, 2), "ab");
    }
    EXPECT_TRUE(FileDelete(path));
    EXPECT_THROW(TFileStream(path, fmOpenRead), EFOpenError);
}

TEST(FileSystem, ForceDirectoriesCopyAndPathParts) {
    std::wstring root = Utf8ToWide(TEST_BINARY_DIR) + L"/fs_test/中文/a/b";
    ASSERT_TRUE(ForceDirectories(root + L"/"));
    EXPECT_TRUE(DirectoryExists(root));
    std::wstring src = root + L"/src.txt", dst = root + L"/dst.txt";
    { TFileStream(src, fmCreate).WriteBuffer("abc", 3); }
    { TFileStream(dst, fmCreate).WriteBuffer("longer old content", 18); }
    EXPECT_TRUE(FileCopy(src, dst));
    EXPECT_EQ(TFileStream(dst, fmOpenRead).Size(), 3);
    EXPECT_FALSE(FileCopy(root + L"/missing", dst));
    EXPECT_EQ(ExtractFilePath(L"C:\\app\\update\\sub\\f.dll"), L"C:\\app\\update\\sub\\");
    EXPECT_EQ(ExtractFileName(L"C:\\app\\update\\sub\\f.dll"), L"f.dll");
    EXPECT_EQ(ExtractFileName(L"plain"), L"plain");
}

// The "\\?\" form turns the system's own clean-up off, so every case that a
// short path would have cleaned must come out clean here.
TEST(FileSystem, ExtendedLengthPathCleansAndPrefixes) {
    struct Case {
        const char* name;
        std::wstring in, out;
    } cases[] = {
        {"drive", L"C:\\app\\update\\a.dll", L"\\\\?\\C:\\app\\update\\a.dll"},
        {"forward slashes", L"C:/app/update/sub/a.dll", L"\\\\?\\C:\\app\\update\\sub\\a.dll"},
        {"mixed and doubled separators", L"C:\\app\\\\update//sub\\/a.dll", L"\\\\?\\C:\\app\\update\\sub\\a.dll"},
        {"dot", L"C:\\app\\.\\update\\.\\a.dll", L"\\\\?\\C:\\app\\update\\a.dll"},
        {"dot dot", L"C:\\app\\x\\..\\update\\y\\z\\..\\..\\a.dll", L"\\\\?\\C:\\app\\update\\a.dll"},
        {"dot dot stops at the drive", L"C:\\..\\..\\app\\..\\..\\a.dll", L"\\\\?\\C:\\a.dll"},
        {"drive root", L"C:\\", L"\\\\?\\C:\\"},
        {"up to the drive root", L"d:\\app\\..", L"\\\\?\\d:\\"},
        {"directory keeps its separator", L"C:\\app\\update\\", L"\\\\?\\C:\\app\\update\\"},
        {"three dots are a name", L"C:\\app\\...\\a", L"\\\\?\\C:\\app\\...\\a"},
        {"wide names", L"C:\\Łódź narzędzia\\数据\\文件.txt", L"\\\\?\\C:\\Łódź narzędzia\\数据\\文件.txt"},
        {"UNC", L"\\\\server\\share\\app\\a.dll", L"\\\\?\\UNC\\server\\share\\app\\a.dll"},
        {"UNC with slashes", L"//server/share/app/./b/../a.dll", L"\\\\?\\UNC\\server\\share\\app\\a.dll"},
        {"dot dot stops at the share", L"\\\\server\\share\\..\\..\\a.dll", L"\\\\?\\UNC\\server\\share\\a.dll"},
        {"UNC share root", L"\\\\server\\share", L"\\\\?\\UNC\\server\\share\\"},
        {"already extended", L"\\\\?\\C:\\app\\a.dll", L"\\\\?\\C:\\app\\a.dll"},
        {"already extended is cleaned", L"\\\\?\\C:\\app/x\\..\\\\a.dll", L"\\\\?\\C:\\app\\a.dll"},
        {"already extended UNC", L"\\\\?\\UNC\\server\\share\\x\\..\\a", L"\\\\?\\UNC\\server\\share\\a"},
        // Not full paths: left for the system to resolve.
        {"relative", L"app\\a.dll", L"app\\a.dll"},
        {"drive-relative", L"C:app\\a.dll", L"C:app\\a.dll"},
        {"rooted without drive", L"\\app\\a.dll", L"\\app\\a.dll"},
        {"device", L"\\\\.\\COM1", L"\\\\.\\COM1"},
        {"volume", L"\\\\?\\Volume{0}\\a", L"\\\\?\\Volume{0}\\a"},
        {"server without share", L"\\\\server", L"\\\\server"},
        {"server and empty share", L"\\\\server\\\\", L"\\\\server\\\\"},
        {"share named dot dot", L"\\\\server\\..\\a", L"\\\\server\\..\\a"},
        {"empty", L"", L""},
    };
    for (const auto& c : cases) EXPECT_EQ(ExtendedLengthPath(c.in), c.out) << "case: " << c.name;
}
