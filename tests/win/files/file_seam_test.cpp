// The Win32 file seam with paths past MAX_PATH, written the untidy ways the
// updater composes them (forward slashes from the manifest, doubled
// separators, "." and ".."). What lands on disk is checked with the system's
// own calls on the clean "\\?\" path, not through the seam.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "framework/system/CodePage.h"
#include "framework/system/ErrorsAndStrings.h"
#include "framework/system/FileSystem.h"
#include "framework/system/StreamsAndLists.h"

namespace {

std::wstring Extended(const std::wstring& clean) {
    return L"\\\\?\\" + clean;
}

bool IsDirectoryOnDisk(const std::wstring& clean) {
    DWORD a = GetFileAttributesW(Extended(clean).c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool IsFileOnDisk(const std::wstring& clean) {
    DWORD a = GetFileAttributesW(Extended(clean).c_str());
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

// Removes a tree through the extended form, deepest first.
void RemoveTree(const std::wstring& clean) {
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW(Extended(clean + L"\\*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            std::wstring name = fd.cFileName;
            if (name == L"." || name == L"..") continue;
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(clean + L"\\" + name);
            else
                DeleteFileW(Extended(clean + L"\\" + name).c_str());
        } while (FindNextFileW(h, &fd));
        FindClose(h);
    }
    RemoveDirectoryW(Extended(clean).c_str());
}

class LongPaths : public ::testing::Test {
protected:
    void SetUp() override {
        wchar_t full[MAX_PATH * 2] = {};
        std::wstring bin = Utf8ToWide(TEST_BINARY_DIR);
        ASSERT_GT(GetFullPathNameW(bin.c_str(), MAX_PATH * 2, full, nullptr), 0u);
        root_ = std::wstring(full) + L"\\long_paths";
        RemoveTree(root_);
        // Three long names take every path below them past MAX_PATH.
        for (wchar_t c : {L'a', L'b', L'c'}) names_.push_back(std::wstring(90, c) + L" Łódź 数据");
        clean_ = root_ + L"\\" + names_[0] + L"\\" + names_[1] + L"\\" + names_[2];
        ASSERT_GT(clean_.size(), static_cast<size_t>(MAX_PATH));
    }
    void TearDown() override { RemoveTree(root_); }

    std::wstring root_, clean_;
    std::vector<std::wstring> names_;
};

TEST_F(LongPaths, EveryCallReachesTheCleanPath) {
    // The same directory, written untidily.
    std::wstring untidy = root_ + L"/" + names_[0] + L"\\\\.\\stray\\..\\" + names_[1] + L"//" + names_[2];
    ASSERT_TRUE(ForceDirectories(untidy + L"\\"));
    EXPECT_TRUE(IsDirectoryOnDisk(clean_));
    EXPECT_FALSE(IsDirectoryOnDisk(root_ + L"\\" + names_[0] + L"\\stray")) << "\"..\" was taken as a name";
    EXPECT_TRUE(DirectoryExists(untidy));
    EXPECT_TRUE(DirectoryExists(clean_));

    std::wstring file = untidy + L"\\./new.dat";
    {
        TFileStream out(file, fmCreate);
        out.WriteBuffer("new content", 11);
    }
    ASSERT_TRUE(IsFileOnDisk(clean_ + L"\\new.dat"));
    EXPECT_TRUE(FileExists(file));
    EXPECT_FALSE(DirectoryExists(file));
    {
        TFileStream in(clean_ + L"\\new.dat", fmOpenRead | fmShareDenyWrite);
        char buf[16] = {};
        EXPECT_EQ(in.Read(buf, sizeof buf), 11);
        EXPECT_EQ(std::string(buf, 11), "new content");
    }

    std::wstring copy = clean_ + L"\\sub/../copy.dat";
    ASSERT_TRUE(FileCopy(file, copy));
    EXPECT_TRUE(IsFileOnDisk(clean_ + L"\\copy.dat"));
    EXPECT_EQ(TFileStream(copy, fmOpenRead).Size(), 11);

    EXPECT_TRUE(FileDelete(copy));
    EXPECT_FALSE(IsFileOnDisk(clean_ + L"\\copy.dat"));
    EXPECT_FALSE(FileExists(copy));
    EXPECT_FALSE(FileDelete(copy));
    EXPECT_THROW(TFileStream(copy, fmOpenRead), EFOpenError);
}

TEST_F(LongPaths, OnlyPathsPastTheLimitAreExtended) {
    std::wstring shortPath = root_ + L"/x\\..\\short.txt";
    ASSERT_LT(shortPath.size(), static_cast<size_t>(MAX_PATH - 12));
    EXPECT_EQ(Win32FilePath(shortPath), shortPath);

    std::wstring longPath = root_ + L"/" + names_[0] + L"\\\\" + names_[1] + L"\\x\\..\\" + names_[2] + L"\\f";
    EXPECT_EQ(Win32FilePath(longPath), Extended(clean_ + L"\\f"));
    // Already extended: cleaned, never extended twice.
    EXPECT_EQ(Win32FilePath(Extended(clean_ + L"\\x\\..\\f")), Extended(clean_ + L"\\f"));
    // A short relative name made long by the current directory (itself short).
    ASSERT_TRUE(ForceDirectories(root_));
    std::wstring relative = std::wstring(MAX_PATH - 12 - root_.size() + 4, L'r') + L".txt";
    ASSERT_LT(relative.size(), static_cast<size_t>(MAX_PATH - 12));
    std::wstring cwd(MAX_PATH * 2, L'\0');
    cwd.resize(GetCurrentDirectoryW(static_cast<DWORD>(cwd.size()), cwd.data()));
    ASSERT_TRUE(SetCurrentDirectoryW(root_.c_str()));
    std::wstring resolved = Win32FilePath(relative);
    SetCurrentDirectoryW(cwd.c_str());
    EXPECT_EQ(resolved, Extended(root_ + L"\\" + relative));
}

TEST_F(LongPaths, FileOperationsFailCleanlyOnMissingOrWrongKinds) {
    std::wstring missing = clean_ + L"\\missing\\f.dat";
    EXPECT_FALSE(FileExists(missing));
    EXPECT_FALSE(DirectoryExists(missing));
    EXPECT_FALSE(FileCopy(missing, clean_ + L"\\g.dat"));
    EXPECT_THROW(TFileStream(missing, fmCreate), EFileCreateError);
    // A file where a directory level must go.
    ASSERT_TRUE(ForceDirectories(clean_));
    { TFileStream(clean_ + L"\\blocker", fmCreate).WriteBuffer("x", 1); }
    EXPECT_FALSE(ForceDirectories(clean_ + L"\\blocker\\below"));
    EXPECT_FALSE(IsDirectoryOnDisk(clean_ + L"\\blocker\\below"));
}

}  // namespace
