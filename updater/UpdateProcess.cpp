#include "updater/UpdateProcess.h"

#include <limits>
#include <set>

#include "framework/system/CodePage.h"
#include "framework/system/FileSystem.h"
#include "framework/system/SysUtils.h"
#include "updater/FileDigest.h"
#include "updater/FileMove.h"
#include "updater/Manifest.h"
#include "updater/Md5.h"
#include "updater/Utils.h"

namespace {

// Paths stay wide from the module name to the file call; the manifest's paths
// were already reduced to what the ANSI code page holds when it was read.
std::wstring JoinPath(const std::wstring& appPath, const wchar_t* middle, const std::wstring& filePath) {
    return appPath + middle + filePath;
}

// Holds the manifest body in memory, and raises once it would grow past the
// cap, so an endless or oversized body fails the fetch instead of eating memory.
class CappedMemoryStream : public TMemoryStream {
public:
    explicit CappedMemoryStream(int64_t cap) : cap_(cap) {}
    int64_t Write(const void* buffer, int64_t count) override {
        if (count > cap_ - Position()) throw EStreamError(L"The update manifest is too large.");
        return TMemoryStream::Write(buffer, count);
    }
    void SetSize(int64_t size) override {
        if (size > cap_) throw EStreamError(L"The update manifest is too large.");
        TMemoryStream::SetSize(size);
    }

private:
    int64_t cap_;
};

// A copy moved aside by an earlier run may still be running and so cannot be
// deleted; it is renamed to one of these names, which later runs clear.
constexpr int kLeftoverSlots = 8;
std::wstring LeftoverName(const std::wstring& backup, int slot) {
    return backup + L".old" + IntToStr(slot);
}

// Byte counts come from the server's headers; a hostile sum must not overflow.
int64_t AddSizes(int64_t a, int64_t b) {
    if (b > 0 && a > std::numeric_limits<int64_t>::max() - b) return std::numeric_limits<int64_t>::max();
    if (b < 0 && a < std::numeric_limits<int64_t>::min() - b) return std::numeric_limits<int64_t>::min();
    return a + b;
}

}  // namespace

int64_t ProgressUnit(int64_t total) {
    int64_t unit = 1024;
    while (total / unit > std::numeric_limits<int32_t>::max()) unit *= 2;
    return unit;
}

int ProgressValue(int64_t bytes, int64_t unit) {
    const int64_t v = bytes / unit;
    if (v > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
    if (v < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
    return static_cast<int>(v);
}

UpdateProcess::UpdateProcess(std::wstring url, IProgressBar* progressBar, IStatusLabel* statusLabel)
    : client(std::make_unique<THttpClient>()),
      updateUrl(std::move(url)),
      progressBar(progressBar),
      statusLabel(statusLabel),
      appPath(GetAppPath()),
      exeName(ExtractFileName(ModuleFileName())) {
    client->ReadTimeout = 5000;
    client->ConnectTimeout = 5000;
    client->HandleRedirects = true;
}

UpdateProcess::~UpdateProcess() { DisconnectQuietly(); }

// Every request is followed by a disconnect, also a failed one; nothing it raises matters then.
void UpdateProcess::DisconnectQuietly() noexcept {
    try {
        client->Disconnect();
    } catch (...) {
    }
}

void UpdateProcess::SetStatus(const std::wstring& text) {
    if (statusLabel) statusLabel->SetCaption(text);
}

bool UpdateProcess::Cancel() {
    SetStatus(L"正在取消...");
    cancelled = true;
    try {
        client->Disconnect();
        return true;
    } catch (...) {
        return false;
    }
}

int UpdateProcess::CheckUpdate() {
    FileInfoList manifest;
    updateList.clear();
    int rc = GetUpdateInfo(manifest, updateUrl);
    if (rc > 0) rc = CheckUpdateInfo(updateList, manifest);
    if (trust && rc == 0 && !cancelled) trust->Commit(appPath);
    return rc;
}

int UpdateProcess::GetUpdateInfo(FileInfoList& list, const std::wstring& url) {
    SetStatus(L"正在获取更新信息...");
    TStringList lines;
    try {
        CappedMemoryStream raw(kManifestBodyMax);
        client->Get(url, raw);
        const std::string bytes(raw.Bytes().begin(), raw.Bytes().end());
        const std::string& contentType = client->Response().ContentType;
        // A signed manifest is checked over its bytes exactly as served, before any text conversion.
        std::wstring body = trust ? trust->Verify(bytes, contentType, appPath) : DecodeBodyText(bytes, contentType);
        // The tool works in the ANSI code page; what it cannot hold must not reach the parser as wide text.
        lines.SetText(AnsiToWide(WideToAnsi(body)));
        client->Disconnect();
        trust ? ParseSignedManifestLines(lines, list) : ParseManifestLines(lines, list);
        return static_cast<int>(list.size());
    } catch (...) {
        DisconnectQuietly();
        return -1;
    }
}

int UpdateProcess::CheckUpdateInfo(FileInfoList& update, const FileInfoList& list) {
    SetStatus(L"正在核对更新信息...");
    update.clear();
    int64_t total = 0;
    for (const auto& entry : list) {
        if (cancelled) {
            update.clear();
            break;
        }
        if (!FileMatchesEntry(JoinPath(appPath, L"\\", entry.filePath), entry, trust != nullptr)) {
            int64_t size = GetRemoteFileSize(entry.url);
            total = AddSizes(total, size);
            FileInfo copy = entry;
            copy.size = size;
            update.push_back(std::move(copy));
        }
    }
    if (progressBar) {
        if (total <= 0) {
            progressBar->SetMax(100);
            progressBar->SetPosition(100);
        } else {
            progressUnit = ProgressUnit(total);
            progressBar->SetMax(ProgressValue(total, progressUnit));
            doneSize = 0;
            curFileSize = 0;
            progressBar->SetPosition(0);
        }
    }
    return static_cast<int>(update.size());
}

int64_t UpdateProcess::GetRemoteFileSize(const std::wstring& url) {
    try {
        client->Head(url);
        int64_t size = client->ContentLength();
        client->Disconnect();
        return size;
    } catch (...) {
        DisconnectQuietly();
        return 0;
    }
}

bool UpdateProcess::DoUpdate() {
    bool ok = false;
    if (CheckUpdateFiles(updateList))
        ok = ApplyUpdateFiles(updateList);
    else if (DownloadUpdateFiles(updateList) && CheckUpdateFiles(updateList))
        ok = ApplyUpdateFiles(updateList);
    // The serial is kept only once the release is in place.
    if (ok && trust) trust->Commit(appPath);
    return ok;
}

void UpdateProcess::TransferBegin(void*, TWorkMode, int64_t workCountMax) {
    curFileSize = workCountMax;
}

void UpdateProcess::TransferProgress(void*, TWorkMode, int64_t workCount) {
    if (progressBar) progressBar->SetPosition(ProgressValue(AddSizes(doneSize, workCount), progressUnit));
}

void UpdateProcess::TransferEnd(void*, TWorkMode) {
    doneSize = AddSizes(doneSize, curFileSize);
    curFileSize = 0;
    if (progressBar) progressBar->SetPosition(ProgressValue(doneSize, progressUnit));
}

bool UpdateProcess::DownloadFile(const std::wstring& url, const std::wstring& path) {
    client->OnWork = [this](void* s, TWorkMode m, int64_t n) { TransferProgress(s, m, n); };
    client->OnWorkBegin = [this](void* s, TWorkMode m, int64_t n) { TransferBegin(s, m, n); };
    client->OnWorkEnd = [this](void* s, TWorkMode m) { TransferEnd(s, m); };
    struct Detach {
        THttpClient& c;
        ~Detach() {
            c.OnWork = nullptr;
            c.OnWorkBegin = nullptr;
            c.OnWorkEnd = nullptr;
        }
    } detach{*client};

    // Opening an existing file keeps its old bytes; the client cuts them to the new length.
    // A file that cannot be had raises out of the run on purpose.
    TFileStream file(path, FileExists(path) ? fmOpenWrite : fmCreate);
    try {
        client->Get(url, file);
        client->Disconnect();
        return true;
    } catch (...) {
        DisconnectQuietly();
        return false;
    }
}

bool UpdateProcess::DownloadUpdateFiles(const FileInfoList& list) {
    SetStatus(L"正在下载更新文件...");
    int n = 1;
    for (const auto& entry : list) {
        if (cancelled) return false;
        std::wstring path = JoinPath(appPath, L"\\update\\", entry.filePath);
        std::wstring dir = ExtractFilePath(path);
        if (statusLabel)
            SetStatus(L"正在下载第" + IntToStr(n) + L"个文件：" + ExtractFileName(path) + L"...");
        ++n;
        ForceDirectories(dir);
        if (!DownloadFile(entry.url, path)) return false;
    }
    return true;
}

bool UpdateProcess::CheckUpdateFiles(const FileInfoList& list) {
    SetStatus(L"正在核对更新文件...");
    bool ok = true;
    for (const auto& entry : list) {
        if (cancelled) return false;
        if (!FileMatchesEntry(JoinPath(appPath, L"\\update\\", entry.filePath), entry, trust != nullptr)) ok = false;
    }
    return ok;
}

bool UpdateProcess::IsRunningProgram(const std::wstring& filePath) const {
    return !exeName.empty() && CanonicalPathKey(filePath) == CanonicalPathKey(exeName);
}

// The running program cannot be overwritten but can be renamed: moved into the
// backup folder it is its own backup, and its name is free for the new copy.
bool UpdateProcess::MoveAsideRunningProgram(const std::wstring& local, const std::wstring& backup) {
    for (int slot = 1; slot <= kLeftoverSlots; ++slot) FileDelete(LeftoverName(backup, slot));
    if (FileExists(backup) && !FileDelete(backup)) {
        // Still running from an earlier run: out of the way with it.
        for (int slot = 1; slot <= kLeftoverSlots; ++slot)
            if (FileMove(backup, LeftoverName(backup, slot))) break;
    }
    return FileMove(local, backup);
}

bool UpdateProcess::ApplyUpdateFiles(const FileInfoList& list) {
    SetStatus(L"正在应用更新文件...");
    bool ok = true;
    // Only backups taken by this run may be put back; one left by an earlier
    // run would put an older file over a current one. A path listed twice, in
    // any spelling, keeps its first backup, the file as it was before this run.
    std::vector<bool> backedUp(list.size(), false);
    std::vector<bool> movedAside(list.size(), false);
    std::set<std::wstring> backupTaken;
    for (size_t i = 0; i < list.size(); ++i) {
        if (cancelled) {
            ok = false;
            break;
        }
        const auto& entry = list[i];
        std::wstring staged = JoinPath(appPath, L"\\update\\", entry.filePath);
        std::wstring local = JoinPath(appPath, L"\\", entry.filePath);
        std::wstring backup = JoinPath(appPath, L"\\bakup\\", entry.filePath);
        ForceDirectories(ExtractFilePath(backup));
        ForceDirectories(ExtractFilePath(local));
        std::wstring key = CanonicalPathKey(entry.filePath);
        if (backupTaken.count(key) == 0) {
            if (IsRunningProgram(entry.filePath) && MoveAsideRunningProgram(local, backup)) {
                backedUp[i] = movedAside[i] = true;
                backupTaken.insert(key);
            } else if (FileCopy(local, backup)) {
                backedUp[i] = true;
                backupTaken.insert(key);
            } else {
                FileDelete(backup);
            }
        }
        if (!FileCopy(staged, local)) {
            ok = false;
            break;
        }
    }
    if (ok) {
        for (const auto& entry : list) FileDelete(JoinPath(appPath, L"\\update\\", entry.filePath));
    } else {
        for (size_t i = 0; i < list.size(); ++i) {
            if (!backedUp[i]) continue;
            std::wstring local = JoinPath(appPath, L"\\", list[i].filePath);
            std::wstring backup = JoinPath(appPath, L"\\bakup\\", list[i].filePath);
            if (movedAside[i] && FileMove(backup, local)) continue;
            if (FileCopy(backup, local)) FileDelete(backup);
        }
    }
    return ok;
}
