// One update run: manifest, comparison, download, verification, install.
//
// Everything runs on the calling (user-interface) thread. Failures are
// results, never exceptions, and each one is written to the debug output.
//
// The install is all or nothing: every target is checked (free to be
// replaced, room on the disk) and backed up before the first is replaced,
// and a journal in the backup folder names what to put back should the run
// die before the last; CheckUpdate finishes such a rollback first of all.
// Callers hold the directory's RunLock for the whole run.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "net/HttpClient.h"
#include "updater/FileInfo.h"
#include "updater/InstallJournal.h"
#include "updater/Manifest.h"
#include "updater/ManifestTrust.h"
#include "updater/PartialDownload.h"

// The bar and the status line a run drives; the window hands in adapters of
// its controls, a run without a window hands in none.
class IProgressBar {
public:
    virtual ~IProgressBar() = default;
    virtual int Max() const = 0;
    virtual int Position() const = 0;
    virtual void SetMax(int value) = 0;
    virtual void SetPosition(int value) = 0;
};

class IStatusLabel {
public:
    virtual ~IStatusLabel() = default;
    virtual void SetCaption(const std::wstring& text) = 0;
};

// The bar counts in units of `unit` bytes: 1024 (whole KiB), doubled as often as
// needed for `total` to fit the control's 32-bit range.
int64_t ProgressUnit(int64_t total);
// bytes / unit, rounding toward zero, held to the 32-bit range.
int ProgressValue(int64_t bytes, int64_t unit);

// The most bytes a download of entry may bring: its signed size, else the size
// HEAD reported when that is known; -1 for no limit.
int64_t DownloadLimit(const FileInfo& entry);
// The text appended to the status line for a file held by these programs:
// "（a.exe、b.exe）", or nothing when none is known.
std::wstring LockedFileNote(const std::vector<std::wstring>& programs);

class UpdateProcess {
public:
    UpdateProcess(std::wstring url, IProgressBar* progressBar, IStatusLabel* statusLabel);
    ~UpdateProcess();
    UpdateProcess(const UpdateProcess&) = delete;
    UpdateProcess& operator=(const UpdateProcess&) = delete;

    int CheckUpdate();
    bool DoUpdate();
    bool Cancel();

    int GetUpdateInfo(FileInfoList& list, const std::wstring& url);
    int CheckUpdateInfo(FileInfoList& update, const FileInfoList& list);
    int64_t GetRemoteFileSize(const std::wstring& url);

    bool DownloadUpdateFiles(const FileInfoList& list);
    bool DownloadFile(const std::wstring& url, const std::wstring& path);
    // The same, failing (and removing the staged file) once the body passes maxBytes; -1 for no limit.
    bool DownloadFile(const std::wstring& url, const std::wstring& path, int64_t maxBytes);
    // The entry's download, limited to DownloadLimit(entry). One of at least
    // kResumeMinBytes (or of unknown size) goes to its partial file first and
    // is moved into place when whole; when it breaks, the bytes received are
    // kept and the next call continues from them (PartialDownload.h).
    bool DownloadFile(const FileInfo& entry, const std::wstring& path);
    bool CheckUpdateFiles(const FileInfoList& list);
    bool ApplyUpdateFiles(const FileInfoList& list);
    // Puts back the files of an install that a journal shows unfinished; true
    // when there was none or every file is back and the journal is gone.
    bool RecoverInterruptedInstall();

    void TransferBegin(void* sender, TWorkMode mode, int64_t workCountMax);
    void TransferProgress(void* sender, TWorkMode mode, int64_t workCount);
    void TransferEnd(void* sender, TWorkMode mode);

    const FileInfoList& UpdateList() const { return updateList; }
    bool Cancelled() const { return cancelled; }
    THttpClient& Client() { return *client; }
    // The application directory (no trailing backslash); GetAppPath() unless a test sets another.
    const std::wstring& AppPath() const { return appPath; }
    void SetAppPath(std::wstring path) { appPath = std::move(path); }
    // The whole manifest fetch's time limit in ms (kManifestDeadlineMs unless a test sets another).
    void SetManifestDeadline(int ms) { manifestDeadlineMs = ms; }
    // The file name of the running updater, as the manifest would list it.
    const std::wstring& ExeName() const { return exeName; }
    void SetExeName(std::wstring name) { exeName = std::move(name); }
    // Manifest signature checks: the build's keys, none (null) in a build without them.
    ManifestTrust* Trust() const { return trust.get(); }
    void SetTrust(std::unique_ptr<ManifestTrust> value) { trust = std::move(value); }
    // How the free space of the application's volume is told (FreeBytesAt unless a test sets another).
    void SetFreeBytes(std::function<int64_t(const std::wstring&)> value) { freeBytes = std::move(value); }

private:
    struct InstallTarget {
        const FileInfo* entry;
        std::wstring filePath;
        bool existed;
    };
    struct ProgressAttached;
    enum class PartialOutcome { Complete, Failed, StartOver };
    PartialOutcome FetchPartial(const FileInfo& entry, const std::wstring& path, int64_t limit,
                                const std::optional<PartialInfo>& kept, int64_t have);
    bool CheckBeforeInstall(const std::vector<InstallTarget>& targets);
    bool WriteJournal(const std::vector<JournalEntry>& entries);
    bool PlaceVerifiedCopy(const FileInfo& entry, const std::wstring& local, const std::wstring& pending);
    bool PutBack(const JournalEntry& entry);
    bool RollBack(const std::vector<JournalEntry>& entries);
    void SetStatus(const std::wstring& text);
    void ShowPosition(int value);
    void DisconnectQuietly() noexcept;
    bool IsRunningProgram(const std::wstring& filePath) const;
    static bool MoveAsideRunningProgram(const std::wstring& local, const std::wstring& backup);
    static void ClearBackupSlot(const std::wstring& backup);
    void MakeDirectories(const std::wstring& dir);

    std::unique_ptr<THttpClient> client;
    bool cancelled = false;
    std::wstring updateUrl;
    int64_t curFileSize = 0;
    int64_t doneSize = 0;
    int64_t progressUnit = 1024;
    IProgressBar* progressBar;
    IStatusLabel* statusLabel;
    FileInfoList updateList;
    std::wstring appPath;
    int manifestDeadlineMs = kManifestDeadlineMs;
    std::wstring exeName;
    std::unique_ptr<ManifestTrust> trust = ManifestTrust::FromBuild();
    std::function<int64_t(const std::wstring&)> freeBytes;
    // Folders made or found during the current DoUpdate.
    std::set<std::wstring> knownDirectories;
    // Staged files that matched in the latest verification, with the bytes hashed.
    std::map<std::wstring, int64_t> verifiedSizes;
};
