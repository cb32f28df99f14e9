#include "updater/UpdateProcess.h"

#include <set>

#include "framework/system/CodePage.h"
#include "framework/system/FileSystem.h"
#include "framework/system/SysUtils.h"
#include "updater/FileDigest.h"
#include "updater/Manifest.h"
#include "updater/Md5.h"
#include "updater/Utils.h"

namespace {

// Paths are composed as ANSI text, as the rest of the tool names its files,
// and widened for the file calls.
std::wstring JoinPath(const std::string& appPath, const char* middle, const std::wstring& filePath) {
    return AnsiToWide(appPath + middle + WideToAnsi(filePath));
}

}  // namespace

UpdateProcess::UpdateProcess(std::wstring url, IProgressBar* progressBar, IStatusLabel* statusLabel)
    : client(std::make_unique<THttpClient>()),
      updateUrl(std::move(url)),
      progressBar(progressBar),
      statusLabel(statusLabel),
      appPath(GetAppPath()) {
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
        std::wstring body = trust ? trust->FetchVerified(*client, url, appPath) : client->Get(url);
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
    int32_t total = 0;
    for (const auto& entry : list) {
        if (cancelled) {
            update.clear();
            break;
        }
        if (!FileMatchesEntry(JoinPath(appPath, "\\", entry.filePath), entry, trust != nullptr)) {
            int32_t size = GetRemoteFileSize(entry.url);
            // Sizes add up as the 32-bit counter they are kept in; wrap rather than overflow.
            total = static_cast<int32_t>(static_cast<uint32_t>(total) + static_cast<uint32_t>(size));
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
            progressBar->SetMax(total / 1024);
            doneSize = 0;
            curFileSize = 0;
            progressBar->SetPosition(0);
        }
    }
    return static_cast<int>(update.size());
}

int UpdateProcess::GetRemoteFileSize(const std::wstring& url) {
    try {
        client->Head(url);
        int32_t size = static_cast<int32_t>(client->ContentLength());
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
    curFileSize = static_cast<int32_t>(workCountMax);
}

void UpdateProcess::TransferProgress(void*, TWorkMode, int64_t workCount) {
    if (progressBar) progressBar->SetPosition(static_cast<int32_t>((static_cast<int64_t>(doneSize) + workCount) / 1024));
}

void UpdateProcess::TransferEnd(void*, TWorkMode) {
    doneSize = static_cast<int32_t>(static_cast<uint32_t>(doneSize) + static_cast<uint32_t>(curFileSize));
    curFileSize = 0;
    if (progressBar) progressBar->SetPosition(doneSize / 1024);
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
        std::wstring path = JoinPath(appPath, "\\update\\", entry.filePath);
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
        if (!FileMatchesEntry(JoinPath(appPath, "\\update\\", entry.filePath), entry, trust != nullptr)) ok = false;
    }
    return ok;
}

bool UpdateProcess::ApplyUpdateFiles(const FileInfoList& list) {
    SetStatus(L"正在应用更新文件...");
    bool ok = true;
    // Only backups taken by this run may be copied back; one left by an earlier
    // run would put an older file over a current one. A path listed twice keeps
    // its first backup, the file as it was before this run.
    std::vector<bool> backedUp(list.size(), false);
    std::set<std::wstring> backupTaken;
    for (size_t i = 0; i < list.size(); ++i) {
        if (cancelled) {
            ok = false;
            break;
        }
        const auto& entry = list[i];
        std::wstring staged = JoinPath(appPath, "\\update\\", entry.filePath);
        std::wstring local = JoinPath(appPath, "\\", entry.filePath);
        std::wstring backup = JoinPath(appPath, "\\bakup\\", entry.filePath);
        ForceDirectories(ExtractFilePath(backup));
        ForceDirectories(ExtractFilePath(local));
        std::wstring key = LowerCaseAscii(backup);
        if (backupTaken.count(key) == 0) {
            if (FileCopy(local, backup)) {
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
        for (const auto& entry : list) FileDelete(JoinPath(appPath, "\\update\\", entry.filePath));
    } else {
        for (size_t i = 0; i < list.size(); ++i) {
            if (!backedUp[i]) continue;
            std::wstring local = JoinPath(appPath, "\\", list[i].filePath);
            std::wstring backup = JoinPath(appPath, "\\bakup\\", list[i].filePath);
            if (FileCopy(backup, local)) FileDelete(backup);
        }
    }
    return ok;
}
