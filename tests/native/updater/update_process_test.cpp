// The run's stages that need no server: progress arithmetic, comparison with
// the disk, verification of staged files, install with backup and rollback.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "framework/system/CodePage.h"
#include "framework/system/FileSystem.h"
#include "framework/system/StreamsAndLists.h"
#include "updater/InstallFiles.h"
#include "updater/InstallJournal.h"
#include "updater/Md5.h"
#include "updater/UpdateProcess.h"

namespace {

struct RecordingBar : IProgressBar {
    int max = 10000, pos = 0;
    std::vector<int> positions;
    int Max() const override { return max; }
    int Position() const override { return pos; }
    void SetMax(int v) override { max = v; }
    void SetPosition(int v) override {
        pos = v;
        positions.push_back(v);
    }
};

struct RecordingLabel : IStatusLabel {
    std::vector<std::wstring> texts;
    void SetCaption(const std::wstring& t) override { texts.push_back(t); }
};

std::string Md5Of(const std::string& s) {
    MD5Context c;
    MD5Init(c);
    MD5Update(c, s.data(), s.size());
    MD5Final(c);
    return MD5Text(c.digest);
}

class UpdateRun : public ::testing::Test {
protected:
    void SetUp() override {
        dir = std::string(TEST_BINARY_DIR) + "/run_" + ::testing::UnitTest::GetInstance()->current_test_info()->name();
        Wipe(dir);
        ForceDirectories(AnsiToWide(dir));
        // Nothing listens on port 9 of the loopback: every request fails at once.
        process = std::make_unique<UpdateProcess>(L"http://127.0.0.1:9/manifest.txt", &bar, &label);
        process->SetAppPath(Utf8ToWide(dir));
    }
    static void Wipe(const std::string& path) {
        std::error_code ec;
        std::filesystem::remove_all(std::filesystem::u8path(path), ec);
    }

    std::wstring Path(const std::string& rel) { return AnsiToWide(dir + "\\" + rel); }
    void Put(const std::string& rel, const std::string& data) {
        std::wstring p = Path(rel);
        ForceDirectories(ExtractFilePath(p));
        TFileStream f(p, fmCreate);
        f.WriteBuffer(data.data(), static_cast<int64_t>(data.size()));
    }
    std::string Get(const std::string& rel) {
        if (!FileExists(Path(rel))) return "<missing>";
        TFileStream f(Path(rel), fmOpenRead);
        std::string s(static_cast<size_t>(f.Size()), '\0');
        f.ReadBuffer(s.data(), static_cast<int64_t>(s.size()));
        return s;
    }
    FileInfo Entry(const std::string& rel, const std::string& content) {
        return FileInfo{L"http://127.0.0.1:9/" + AnsiToWide(rel), AnsiToWide(rel), AnsiToWide(Md5Of(content)), 0};
    }

    std::string dir;
    RecordingBar bar;
    RecordingLabel label;
    std::unique_ptr<UpdateProcess> process;
};

}  // namespace

TEST_F(UpdateRun, ProgressCountsWholeKibOfThePassAndAddsTheAnnouncedSize) {
    process->TransferBegin(nullptr, TWorkMode::wmRead, 3000);
    process->TransferProgress(nullptr, TWorkMode::wmRead, 1023);
    process->TransferProgress(nullptr, TWorkMode::wmRead, 2500);
    // The end adds what was announced, not what arrived.
    process->TransferEnd(nullptr, TWorkMode::wmRead);
    process->TransferBegin(nullptr, TWorkMode::wmRead, 0);  // chunked: nothing announced
    process->TransferProgress(nullptr, TWorkMode::wmRead, 5000);
    process->TransferEnd(nullptr, TWorkMode::wmRead);
    // The bar is set only when its value changes: 1023 bytes leave it at 0, the end of the first at 2.
    EXPECT_EQ(bar.positions, (std::vector<int>{2, 7, 2}));
}

TEST(ProgressScale, TotalsPastTwoAndFourGibKeepWholeKib) {
    constexpr int64_t GiB = int64_t{1} << 30;
    struct Case {
        int64_t total, unit;
        int max;
    } cases[] = {
        {3000, 1024, 2},
        {2 * GiB + 512, 1024, 2097152},
        {5 * GiB + 1023, 1024, 5242880},
        {2048 * GiB - 1, 1024, 2147483647},
        // Past what a 32-bit range holds in KiB: the unit doubles.
        {2048 * GiB, 2048, 1073741824},
        {3072 * GiB, 2048, 1610612736},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ProgressUnit(c.total), c.unit) << "case: " << c.total;
        EXPECT_EQ(ProgressValue(c.total, ProgressUnit(c.total)), c.max) << "case: " << c.total;
    }
    EXPECT_EQ(ProgressValue(int64_t{1} << 62, 1024), 2147483647);  // held, not wrapped
}

TEST_F(UpdateRun, ProgressFollowsTransfersPastTwoAndFourGib) {
    constexpr int64_t GiB = int64_t{1} << 30;
    process->TransferBegin(nullptr, TWorkMode::wmRead, 3 * GiB);
    process->TransferProgress(nullptr, TWorkMode::wmRead, 2 * GiB + GiB / 2);
    process->TransferEnd(nullptr, TWorkMode::wmRead);
    process->TransferBegin(nullptr, TWorkMode::wmRead, 2 * GiB);
    process->TransferProgress(nullptr, TWorkMode::wmRead, GiB);
    process->TransferEnd(nullptr, TWorkMode::wmRead);
    EXPECT_EQ(bar.positions, (std::vector<int>{2621440, 3145728, 4194304, 5242880}));
}

TEST_F(UpdateRun, ComparisonListsMissingAndChangedFilesAndScalesTheBar) {
    Put("same.txt", "same");
    Put("changed.txt", "old");
    FileInfoList manifest = {Entry("same.txt", "same"), Entry("changed.txt", "new"), Entry("sub\\new.txt", "n"),
                             {L"u", L"upper.txt", AnsiToWide(Md5Of("same")).substr(0, 31) + L"E", 0}};
    Put("upper.txt", "same");
    FileInfoList update;
    EXPECT_EQ(process->CheckUpdateInfo(update, manifest), 3);
    ASSERT_EQ(update.size(), 3u);
    EXPECT_EQ(update[0].filePath, L"changed.txt");
    EXPECT_EQ(update[1].filePath, L"sub\\new.txt");
    EXPECT_EQ(update[2].filePath, L"upper.txt");
    EXPECT_EQ(update[0].size, 0);  // HEAD failed
    // No sizes known: the bar shows full.
    EXPECT_EQ(bar.max, 100);
    EXPECT_EQ(bar.pos, 100);
    EXPECT_EQ(label.texts.back(), L"正在核对更新信息...");
}

TEST_F(UpdateRun, CancelEmptiesTheListAndAFailedManifestIsMinusOne) {
    EXPECT_EQ(process->CheckUpdate(), -1);
    EXPECT_EQ(label.texts.front(), L"正在获取更新信息...");
    EXPECT_TRUE(process->Cancel());
    EXPECT_EQ(label.texts.back(), L"正在取消...");
    FileInfoList update;
    EXPECT_EQ(process->CheckUpdateInfo(update, {Entry("x", "x")}), 0);
    EXPECT_FALSE(process->CheckUpdateFiles({Entry("x", "x")}));
    EXPECT_FALSE(process->DownloadUpdateFiles({Entry("x", "x")}));
}

TEST_F(UpdateRun, StagedFilesVerifyByDigest) {
    Put("update\\a.txt", "new a");
    Put("update\\sub\\b.txt", "new b");
    EXPECT_TRUE(process->CheckUpdateFiles({Entry("a.txt", "new a"), Entry("sub\\b.txt", "new b")}));
    EXPECT_FALSE(process->CheckUpdateFiles({Entry("a.txt", "new a"), Entry("sub\\b.txt", "other")}));
    EXPECT_FALSE(process->CheckUpdateFiles({Entry("missing.txt", "")}));
    EXPECT_EQ(label.texts.back(), L"正在核对更新文件...");
}

TEST_F(UpdateRun, InstallBacksUpReplacesAndCleansStaging) {
    Put("a.txt", "old a");
    Put("update\\a.txt", "new a");
    Put("update\\sub\\new.txt", "brand new");
    Put("bakup\\sub\\new.txt", "stale backup from long ago");
    FileInfoList list = {Entry("a.txt", "new a"), Entry("sub\\new.txt", "brand new")};
    EXPECT_TRUE(process->ApplyUpdateFiles(list));
    EXPECT_EQ(Get("a.txt"), "new a");
    EXPECT_EQ(Get("sub\\new.txt"), "brand new");
    EXPECT_EQ(Get("bakup\\a.txt"), "old a");
    EXPECT_EQ(Get("bakup\\sub\\new.txt"), "<missing>");  // a new file leaves no older backup behind
    EXPECT_EQ(Get("update\\a.txt"), "<missing>");
    EXPECT_EQ(Get("update\\sub\\new.txt"), "<missing>");
    EXPECT_EQ(label.texts.back(), L"正在应用更新文件...");
}

TEST_F(UpdateRun, FailedCopyRestoresOnlyThisRunsBackups) {
    Put("a.txt", "old a");
    Put("b.txt", "old b");
    Put("c.txt", "old c");
    Put("bakup\\c.txt", "backup from an earlier run");
    Put("update\\a.txt", "new a");
    // b's staged file is missing, so copying it into place fails.
    Put("update\\c.txt", "new c");
    FileInfoList list = {Entry("a.txt", "new a"), Entry("b.txt", "new b"), Entry("c.txt", "new c")};
    EXPECT_FALSE(process->ApplyUpdateFiles(list));
    EXPECT_EQ(Get("a.txt"), "old a");
    EXPECT_EQ(Get("b.txt"), "old b");
    EXPECT_EQ(Get("c.txt"), "old c");
    EXPECT_EQ(Get("bakup\\a.txt"), "<missing>");
    EXPECT_EQ(Get("bakup\\b.txt"), "<missing>");
    EXPECT_EQ(Get("bakup\\c.txt"), "backup from an earlier run");
    EXPECT_EQ(Get("update\\a.txt"), "new a");  // kept for the next run
    EXPECT_EQ(Get("update\\c.txt"), "new c");
}

TEST_F(UpdateRun, PathListedTwiceRestoresTheOriginal) {
    Put("a.txt", "original");
    Put("update\\a.txt", "new a");
    FileInfoList list = {Entry("a.txt", "new a"), Entry("a.txt", "new a"), Entry("missing.txt", "x")};
    EXPECT_FALSE(process->ApplyUpdateFiles(list));
    EXPECT_EQ(Get("a.txt"), "original");
}

TEST_F(UpdateRun, CancelledInstallChangesNothing) {
    Put("a.txt", "old a");
    Put("update\\a.txt", "new a");
    process->Cancel();
    EXPECT_FALSE(process->ApplyUpdateFiles({Entry("a.txt", "new a")}));
    EXPECT_EQ(Get("a.txt"), "old a");
}

TEST_F(UpdateRun, OtherSpellingsOfAListedPathKeepTheOriginalBackup) {
    Put("sub\\a.dll", "original");
    Put("update\\sub\\a.dll", "new a");
    // The last entry's staged file is missing, so the install fails after the aliases.
    FileInfoList list = {Entry("sub\\a.dll", "new a"), Entry("sub/a.dll", "new a"), Entry("sub\\\\a.dll", "new a"),
                         Entry(".\\sub\\a.dll", "new a"), Entry("missing.txt", "x")};
    EXPECT_FALSE(process->ApplyUpdateFiles(list));
    EXPECT_EQ(Get("sub\\a.dll"), "original");
    EXPECT_EQ(Get("bakup\\sub\\a.dll"), "<missing>");
    EXPECT_EQ(Get("update\\sub\\a.dll"), "new a");
}

TEST_F(UpdateRun, StagedFileThatFailsVerificationIsRemoved) {
    Put("update\\a.txt", "tampered");
    Put("update\\b.txt", "new b");
    EXPECT_FALSE(process->CheckUpdateFiles({Entry("a.txt", "new a"), Entry("b.txt", "new b")}));
    EXPECT_EQ(Get("update\\a.txt"), "<missing>");
    EXPECT_EQ(Get("update\\b.txt"), "new b");
}

TEST_F(UpdateRun, StagingFileThatCannotBeCreatedFailsTheDownload) {
    // A folder where the staged file must go: the file cannot be had, and the
    // run must fail like a failed download instead of raising out of it.
    ForceDirectories(Path("update\\a.txt"));
    bool ok = true;
    EXPECT_NO_THROW(ok = process->DownloadUpdateFiles({Entry("a.txt", "new a")}));
    EXPECT_FALSE(ok);
    EXPECT_EQ(label.texts.back(), L"正在下载第1个文件：a.txt...");
}

TEST(DownloadLimitOf, SignedSizeElseHeadSizeElseNone) {
    struct Case {
        const char* name;
        int64_t head, signedSize, limit;
    } cases[] = {
        {"signed", 500, 10, 10},      {"signed empty file", 500, 0, 0}, {"head only", 500, -1, 500},
        {"head unknown", -1, -1, -1}, {"head failed", 0, -1, -1},
    };
    for (const auto& c : cases) {
        FileInfo e;
        e.size = c.head;
        e.signedSize = c.signedSize;
        EXPECT_EQ(DownloadLimit(e), c.limit) << "case: " << c.name;
    }
}

// Whether a run on another thread, as another process would be, finds the directory taken.
bool TakenElsewhere(const std::string& path) {
    bool taken = false;
    std::thread([&] { taken = RunLock::TryAcquire(Utf8ToWide(path)) == nullptr; }).join();
    return taken;
}

TEST(RunLockOf, OneRunPerDirectoryWhateverTheSpelling) {
    const std::string base = std::string(TEST_BINARY_DIR) + "/runlock";
    ForceDirectories(Utf8ToWide(base + "/one"));
    ForceDirectories(Utf8ToWide(base + "/two"));
    auto first = RunLock::TryAcquire(Utf8ToWide(base + "/one"));
    ASSERT_NE(first, nullptr);
    const char* sameSpellings[] = {"/one", "/one/", "/./one", "/two/../one"};
    for (const char* spelling : sameSpellings) EXPECT_TRUE(TakenElsewhere(base + spelling)) << "spelling: " << spelling;
#ifdef _WIN32
    EXPECT_TRUE(TakenElsewhere(base + "/ONE")) << "names differ only in case";
#endif
    EXPECT_FALSE(TakenElsewhere(base + "/two")) << "another directory is free";
    first.reset();
    EXPECT_FALSE(TakenElsewhere(base + "/one")) << "free again once released";
}

TEST(LockedFileNoteOf, NamesTheHoldersInFullWidthParentheses) {
    EXPECT_EQ(LockedFileNote({}), L"");
    EXPECT_EQ(LockedFileNote({L"Talvoria Pemrick.exe"}), L"（Talvoria Pemrick.exe）");
    EXPECT_EQ(LockedFileNote({L"a.exe", L"b.exe"}), L"（a.exe、b.exe）");
}

TEST_F(UpdateRun, FailedBackupStopsBeforeAnythingIsReplaced) {
    Put("a.txt", "old a");
    Put("b.txt", "old b");
    Put("update\\a.txt", "new a");
    Put("update\\b.txt", "new b");
    // A folder in the way of b's backup, holding a file so it cannot be removed.
    Put("bakup\\b.txt\\blocker", "x");
    EXPECT_FALSE(process->ApplyUpdateFiles({Entry("a.txt", "new a"), Entry("b.txt", "new b")}));
    EXPECT_EQ(Get("a.txt"), "old a");
    EXPECT_EQ(Get("b.txt"), "old b");
    EXPECT_EQ(Get("bakup\\a.txt"), "<missing>");
    EXPECT_EQ(Get("bakup\\install.journal"), "<missing>");
    EXPECT_EQ(Get("update\\a.txt"), "new a");
}

TEST_F(UpdateRun, RollbackRemovesTheFilesThisRunCreated) {
    Put("a.txt", "old a");
    Put("update\\a.txt", "new a");
    Put("update\\sub\\n.txt", "new n");
    // b's staged bytes are not what the manifest vouches for, as if swapped
    // after verification: it is refused at install time, after a and n.
    Put("b.txt", "old b");
    Put("update\\b.txt", "swapped");
    EXPECT_FALSE(
        process->ApplyUpdateFiles({Entry("a.txt", "new a"), Entry("sub\\n.txt", "new n"), Entry("b.txt", "new b")}));
    EXPECT_EQ(Get("a.txt"), "old a");
    EXPECT_EQ(Get("sub\\n.txt"), "<missing>");
    EXPECT_EQ(Get("b.txt"), "old b");
    EXPECT_EQ(Get("bakup\\a.txt"), "<missing>");
    EXPECT_EQ(Get("bakup\\b.txt.pending"), "<missing>");
    EXPECT_EQ(Get("bakup\\install.journal"), "<missing>");
}

TEST_F(UpdateRun, BusyTargetOrTooLittleSpaceReplacesNothing) {
    Put("a.txt", "old a");
    Put("b.txt", "old bb");
    Put("update\\a.txt", "new a");
    Put("update\\b.txt", "new bbb");
    Put("bakup\\a.txt", "earlier backup");
    FileInfoList list = {Entry("a.txt", "new a"), Entry("b.txt", "new bbb")};
    // Room for the two staged files (12 bytes) and the two backups (11 bytes), and not a byte less.
    const int64_t need = 12 + 11;
    struct Case {
        const char* name;
        int64_t free;
        bool busy;
        bool installs;
    } cases[] = {
        {"a byte short", need - 1, false, false},
        {"busy last file", -1, true, false},
        {"exactly enough", need, false, true},
    };
    for (const auto& c : cases) {
        process->SetFreeBytes([&](const std::wstring&) { return c.free; });
        if (c.busy) {
            // A folder where the file should be: it can never be opened for writing.
            Put("c.txt\\inside", "x");
            Put("update\\c.txt", "new c");
        }
        FileInfoList run = list;
        if (c.busy) run.push_back(Entry("c.txt", "new c"));
        EXPECT_EQ(process->ApplyUpdateFiles(run), c.installs) << "case: " << c.name;
        if (c.installs) {
            EXPECT_EQ(Get("a.txt"), "new a") << "case: " << c.name;
            EXPECT_EQ(Get("bakup\\a.txt"), "old a") << "case: " << c.name;
        } else {
            EXPECT_EQ(Get("a.txt"), "old a") << "case: " << c.name;
            EXPECT_EQ(Get("b.txt"), "old bb") << "case: " << c.name;
            // Nothing was backed up, so nothing was rolled back either.
            EXPECT_EQ(Get("bakup\\a.txt"), "earlier backup") << "case: " << c.name;
        }
        if (c.busy) {
            Wipe(dir + "/c.txt");
            FileDelete(Path("update\\c.txt"));
        }
    }
}

TEST_F(UpdateRun, NextStartFinishesTheRollbackOfARunThatDied) {
    // The state a run leaves when it dies after placing a, before b: a new,
    // b still old, n created, a's private copy of b waiting.
    Put("a.txt", "new a");
    Put("bakup\\a.txt", "old a");
    Put("b.txt", "old b");
    Put("bakup\\b.txt", "old b");
    Put("bakup\\b.txt.pending", "new b");
    Put("n.txt", "new n");
    Put("update\\a.txt", "new a");
    Put("bakup\\install.journal", FormatJournal({{JournalEntry::Replaced, L"a.txt"},
                                                 {JournalEntry::Created, L"n.txt"},
                                                 {JournalEntry::Replaced, L"b.txt"}}));
    EXPECT_EQ(process->CheckUpdate(), -1);  // nothing listens; the rollback comes first all the same
    EXPECT_EQ(Get("a.txt"), "old a");
    EXPECT_EQ(Get("b.txt"), "old b");
    EXPECT_EQ(Get("n.txt"), "<missing>");
    EXPECT_EQ(Get("bakup\\b.txt.pending"), "<missing>");
    EXPECT_EQ(Get("bakup\\install.journal"), "<missing>");
    EXPECT_EQ(Get("update\\a.txt"), "new a");  // staged copies stay for the next install
}

TEST_F(UpdateRun, RollbackThatCannotFinishFetchesNothing) {
    // A directory now stands where a.txt must go back: the rollback stays unfinished.
    Put("a.txt\\inside", "x");
    Put("bakup\\a.txt", "old a");
    Put("bakup\\install.journal", FormatJournal({{JournalEntry::Replaced, L"a.txt"}}));
    EXPECT_EQ(process->CheckUpdate(), -1);
    EXPECT_TRUE(process->UpdateList().empty());
    for (const auto& text : label.texts) EXPECT_NE(text, L"正在获取更新信息...") << "the manifest was asked for";
    EXPECT_EQ(Get("bakup\\a.txt"), "old a");
    EXPECT_NE(Get("bakup\\install.journal"), "<missing>") << "the next start must try again";
}

TEST_F(UpdateRun, HostileJournalTouchesNothing) {
    const std::string good = FormatJournal({{JournalEntry::Created, L"victim.txt"}});
    struct Case {
        const char* name;
        std::string bytes;
    } cases[] = {
        {"path out of the folder", FormatJournal({{JournalEntry::Created, L"..\\victim.txt"}})},
        {"no end line", good.substr(0, good.size() - 4)},
        {"cut in the middle", good.substr(0, good.size() / 2)},
        {"other header", "journal 2\nC victim.txt\nend\n"},
        {"unknown kind", "talvoria install journal 1\nX victim.txt\nend\n"},
        {"device name", FormatJournal({{JournalEntry::Created, L"CON"}})},
        {"not UTF-8", "talvoria install journal 1\nC vic\xff\xfetim.txt\nend\n"},
        {"too large", good + std::string(static_cast<size_t>(kJournalMaxBytes), '#')},
    };
    for (const auto& c : cases) {
        Put("victim.txt", "keep me");
        Put("sub\\victim.txt", "keep me");
        Put("bakup\\install.journal", c.bytes);
        EXPECT_FALSE(process->RecoverInterruptedInstall()) << "case: " << c.name;
        EXPECT_EQ(Get("victim.txt"), "keep me") << "case: " << c.name;
        EXPECT_EQ(Get("sub\\victim.txt"), "keep me") << "case: " << c.name;
        EXPECT_EQ(Get("bakup\\install.journal"), "<missing>") << "case: " << c.name;
    }
    // The same journal, well formed, is acted on.
    Put("bakup\\install.journal", good);
    EXPECT_TRUE(process->RecoverInterruptedInstall());
    EXPECT_EQ(Get("victim.txt"), "<missing>");
}

#ifndef _WIN32
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

namespace {

// A program image that is running: like Windows, Linux refuses to open it for
// writing (ETXTBSY) but lets it be renamed.
class RunningImage {
public:
    explicit RunningImage(const std::string& path) {
        std::filesystem::copy_file("/bin/sleep", path, std::filesystem::copy_options::overwrite_existing);
        std::filesystem::permissions(path, std::filesystem::perms::owner_all);
        std::string p = path, arg = "60";
        char* argv[] = {p.data(), arg.data(), nullptr};
        if (posix_spawn(&pid_, p.c_str(), nullptr, nullptr, argv, environ) != 0) pid_ = -1;
        // Spawned means exec'd: the image is in use from here on.
    }
    ~RunningImage() {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
    }
    bool Running() const { return pid_ > 0; }

private:
    pid_t pid_ = -1;
};

std::string ReadAll(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), {});
}

}  // namespace

TEST_F(UpdateRun, RunningProgramIsMovedAsideAndReplaced) {
    process->SetExeName(L"updater.exe");
    const std::string original = ReadAll("/bin/sleep");
    Put("bakup\\updater.exe", "moved aside by an earlier run");
    Put("bakup\\updater.exe.old1", "left over");
    Put("update\\updater.exe", "new updater");
    Put("update\\b.txt", "new b");
    RunningImage running(dir + "/updater.exe");
    ASSERT_TRUE(running.Running());
    ASSERT_FALSE(FileCopy(Path("update\\updater.exe"), Path("updater.exe"))) << "the image must be busy";
    EXPECT_TRUE(process->ApplyUpdateFiles({Entry("updater.exe", "new updater"), Entry("b.txt", "new b")}));
    EXPECT_EQ(Get("updater.exe"), "new updater");
    EXPECT_EQ(Get("b.txt"), "new b");
    EXPECT_EQ(Get("bakup\\updater.exe"), original);
    EXPECT_EQ(Get("bakup\\updater.exe.old1"), "<missing>");
    EXPECT_EQ(Get("update\\updater.exe"), "<missing>");
}

TEST_F(UpdateRun, RunningProgramMovesBackWhenALaterFileFails) {
    process->SetExeName(L"updater.exe");
    const std::string original = ReadAll("/bin/sleep");
    Put("update\\updater.exe", "new updater");
    RunningImage running(dir + "/updater.exe");
    ASSERT_TRUE(running.Running());
    EXPECT_FALSE(process->ApplyUpdateFiles({Entry("updater.exe", "new updater"), Entry("missing.txt", "x")}));
    EXPECT_EQ(Get("updater.exe"), original);
    EXPECT_EQ(Get("bakup\\updater.exe"), "<missing>");
    EXPECT_EQ(Get("update\\updater.exe"), "new updater");  // kept for the next run
}

TEST_F(UpdateRun, OtherBusyFilesKeepTheRollback) {
    // Only the updater's own file is moved; another program's busy file stops the install.
    process->SetExeName(L"updater.exe");
    const std::string original = ReadAll("/bin/sleep");
    Put("a.txt", "old a");
    Put("update\\a.txt", "new a");
    Put("update\\tool.exe", "new tool");
    RunningImage running(dir + "/tool.exe");
    ASSERT_TRUE(running.Running());
    EXPECT_FALSE(process->ApplyUpdateFiles({Entry("a.txt", "new a"), Entry("tool.exe", "new tool")}));
    EXPECT_EQ(Get("a.txt"), "old a");
    EXPECT_EQ(Get("tool.exe"), original);
}
#endif

// The private copy that is hashed and moved into place holds every byte,
// whatever the size against the copy's buffer, also where a copy left by a
// run that died is in the way.
TEST_F(UpdateRun, InstalledCopiesHoldEveryByteAndReplaceALeftoverCopy) {
    constexpr size_t kBuffer = 1 << 16;
    const size_t sizes[] = {0, 1, kBuffer - 1, kBuffer, kBuffer + 1, 3 * kBuffer};
    FileInfoList list;
    std::vector<std::string> contents;
    for (size_t size : sizes) {
        const std::string rel = "f" + std::to_string(size) + ".bin";
        std::string data(size, '\0');
        for (size_t i = 0; i < size; ++i) data[i] = static_cast<char>(i * 31 + size);
        Put("update\\" + rel, data);
        Put(rel, "old");
        // Longer than the new file, so a copy that kept its bytes would show.
        Put("bakup\\" + rel + ".pending", std::string(size + 100, 'x'));
        list.push_back(Entry(rel, data));
        contents.push_back(data);
    }
    ASSERT_TRUE(process->ApplyUpdateFiles(list));
    for (size_t i = 0; i < list.size(); ++i) {
        const std::string rel = WideToUtf8(list[i].filePath);
        EXPECT_EQ(Get(rel), contents[i]) << "case: " << rel;
        EXPECT_EQ(Get("bakup\\" + rel), "old") << "case: " << rel;
        EXPECT_EQ(Get("bakup\\" + rel + ".pending"), "<missing>") << "case: " << rel;
    }
}
