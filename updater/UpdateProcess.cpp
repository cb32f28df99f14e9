#include "updater/UpdateProcess.h"

#include <algorithm>
#include <limits>
#include <optional>
#include <set>

#include "framework/system/CodePage.h"
#include "framework/system/ErrorsAndStrings.h"
#include "framework/system/FileSystem.h"
#include "net/AntiFreeze.h"
#include "updater/Crypto.h"
#include "updater/DebugLog.h"
#include "updater/FileCheckQueue.h"
#include "updater/FileDigest.h"
#include "updater/FileMove.h"
#include "updater/InstallFiles.h"
#include "updater/InstallJournal.h"
#include "updater/Manifest.h"
#include "updater/Md5.h"
#include "updater/PartialDownload.h"
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

// Raised by the staging stream once a body passes the size the entry allows.
class EDownloadTooLarge : public EStreamError {
public:
    using EStreamError::EStreamError;
};

// The staging file, refusing every byte past `cap` (none when negative): a
// server cannot fill the disk with a file the manifest says is small. The cap
// holds for the file as a whole, also when a download continues kept bytes.
// Without presize the file is never grown ahead of the bytes written, so a
// kept partial file is exactly as long as what arrived, even if the run dies.
class CappedFileStream : public TFileStream {
public:
    CappedFileStream(const std::wstring& path, uint32_t mode, int64_t cap, bool presize = true)
        : TFileStream(path, mode), cap_(cap), presize_(presize) {}
    int64_t Write(const void* buffer, int64_t count) override {
        if (cap_ >= 0 && count > cap_ - Position())
            throw EDownloadTooLarge(L"The download is larger than the " + IntToStr(cap_) + L" bytes it may have.");
        return TFileStream::Write(buffer, count);
    }
    void SetSize(int64_t size) override {
        if (cap_ >= 0 && size > cap_)
            throw EDownloadTooLarge(L"The download is larger than the " + IntToStr(cap_) + L" bytes it may have.");
        if (!presize_ && size > Size()) return;
        TFileStream::SetSize(size);
    }

private:
    int64_t cap_;
    bool presize_;
};

// Raised from the body-start hook when an answer to a range request cannot
// continue the kept bytes.
class ERangeRefused : public EHttpError {
public:
    using EHttpError::EHttpError;
};

// The side file of a kept partial download; none when it is missing, too
// large, unreadable or not exactly of our form.
std::optional<PartialInfo> ReadPartialInfo(const std::wstring& path) {
    const int64_t size = SizeOfFile(path);
    if (size <= 0 || size > static_cast<int64_t>(kPartialInfoMaxBytes)) return std::nullopt;
    try {
        TFileStream f(path, fmOpenRead | fmShareDenyWrite);
        std::string bytes(static_cast<size_t>(size), '\0');
        bytes.resize(static_cast<size_t>(f.Read(bytes.data(), size)));
        return ParsePartialInfo(bytes);
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

bool WritePartialInfo(const std::wstring& path, const PartialInfo& info) {
    const std::string bytes = FormatPartialInfo(info);
    try {
        TFileStream f(path, fmCreate);
        f.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
        return true;
    } catch (const std::exception&) {
        FileDelete(path);
        return false;
    }
}

void DropPartial(const std::wstring& staged) {
    FileDelete(PartialPath(staged));
    FileDelete(PartialInfoPath(staged));
}

std::wstring Describe(const std::exception& e) {
    if (auto* ours = dynamic_cast<const EFrameworkError*>(&e)) return ours->Message();
    return Utf8ToWide(e.what());
}

// The journal's place, and where it is written before it is complete.
std::wstring JournalPath(const std::wstring& appPath) {
    return appPath + L"\\bakup\\install.journal";
}
std::wstring JournalDraftPath(const std::wstring& appPath) {
    return JournalPath(appPath) + L".draft";
}

// A copy moved aside by an earlier run may still be running and so cannot be
// deleted; it is renamed to one of these names, which later runs clear.
constexpr int kLeftoverSlots = 8;
std::wstring LeftoverName(const std::wstring& backup, int slot) {
    return backup + L".old" + IntToStr(slot);
}

// How often a check with no anti-freeze looks at the cancel flag while it waits for a file.
constexpr int kCheckSliceMs = 50;

// Byte counts come from the server's headers; a hostile sum must not overflow.
int64_t AddSizes(int64_t a, int64_t b) {
    if (b > 0 && a > std::numeric_limits<int64_t>::max() - b) return std::numeric_limits<int64_t>::max();
    if (b < 0 && a < std::numeric_limits<int64_t>::min() - b) return std::numeric_limits<int64_t>::min();
    return a + b;
}

bool IsAscii(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// The next file's check, while the window's messages keep flowing; none once the run is cancelled.
std::optional<FileCheckQueue::Result> TakeCheck(FileCheckQueue& checks, size_t index, const bool& cancelled) {
    return checks.Take(
        index, [&] { return cancelled; }, [] { TAntiFreeze::DoProcess(); }, TAntiFreeze::SliceMs(kCheckSliceMs));
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
      exeName(ExtractFileName(ModuleFileName())),
      freeBytes(FreeBytesAt) {
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
    // Before anything is fetched: a run that died mid-install is undone first.
    RecoverInterruptedInstall();
    // Still there: some file could not be put back. Installing over that
    // mix would make it permanent, so this run changes nothing.
    if (FileExists(JournalPath(appPath))) {
        DebugLog(L"updater: rollback: unfinished; this run installs nothing");
        updateList.clear();
        return -1;
    }
    FileInfoList manifest;
    updateList.clear();
    int rc = GetUpdateInfo(manifest, updateUrl);
    if (rc > 0) rc = CheckUpdateInfo(updateList, manifest);
    if (trust && rc == 0 && !cancelled) trust->Commit(appPath);
    return rc;
}

int UpdateProcess::GetUpdateInfo(FileInfoList& list, const std::wstring& url) {
    SetStatus(L"正在获取更新信息...");
    // The manifest as a whole, redirects included, gets one deadline, so a
    // server feeding it slowly cannot hold the run; file downloads have none.
    struct Deadline {
        THttpClient& c;
        ~Deadline() { c.RequestDeadline = 0; }
    } deadline{*client};
    client->RequestDeadline = manifestDeadlineMs;
    try {
        CappedMemoryStream raw(kManifestBodyMax);
        client->Get(url, raw);
        client->Disconnect();
        const std::string_view bytes(reinterpret_cast<const char*>(raw.Bytes().data()), raw.Bytes().size());
        // A signed manifest is checked over its bytes exactly as served, before any text conversion.
        const std::string_view body = trust ? trust->VerifiedBytes(bytes, appPath) : bytes;
        // The tool works in the ANSI code page; what it cannot hold must not reach the parser.
        // ASCII reads the same in every code page and charset, so it is parsed where it lies.
        const bool ascii = IsAscii(body);
        std::string converted;
        if (!ascii) {
            converted = WideToAnsi(trust ? Utf8ToWide(body)
                                         : DecodeBodyText(std::string(body), client->Response().ContentType));
        }
        const std::string_view text = ascii ? body : std::string_view(converted);
        trust ? ParseSignedManifestText(text, list) : ParseManifestText(text, list);
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
    // The files are hashed ahead on every core while this thread asks for the
    // sizes, in list order, and keeps the window's messages flowing.
    FileCheckQueue checks(list, appPath + L"\\", trust != nullptr);
    for (size_t i = 0; i < list.size(); ++i) {
        const FileInfo& entry = list[i];
        const auto check = cancelled ? std::nullopt : TakeCheck(checks, i, cancelled);
        if (!check) {
            update.clear();
            break;
        }
        if (check->check != FileCheck::Matches) {
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
    knownDirectories.clear();
    verifiedSizes.clear();
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

// Work events come per block read; most leave the bar where it is, and each
// position set on the control costs a repaint there.
void UpdateProcess::ShowPosition(int value) {
    if (progressBar && progressBar->Position() != value) progressBar->SetPosition(value);
}

void UpdateProcess::TransferProgress(void*, TWorkMode, int64_t workCount) {
    ShowPosition(ProgressValue(AddSizes(doneSize, workCount), progressUnit));
}

void UpdateProcess::TransferEnd(void*, TWorkMode) {
    doneSize = AddSizes(doneSize, curFileSize);
    curFileSize = 0;
    ShowPosition(ProgressValue(doneSize, progressUnit));
}

bool UpdateProcess::DownloadFile(const std::wstring& url, const std::wstring& path) {
    return DownloadFile(url, path, -1);
}

// The progress handlers are attached for one file's GET only.
struct UpdateProcess::ProgressAttached {
    UpdateProcess& p;
    explicit ProgressAttached(UpdateProcess& process) : p(process) {
        p.client->OnWork = [this](void* s, TWorkMode m, int64_t n) { p.TransferProgress(s, m, n); };
        p.client->OnWorkBegin = [this](void* s, TWorkMode m, int64_t n) { p.TransferBegin(s, m, n); };
        p.client->OnWorkEnd = [this](void* s, TWorkMode m) { p.TransferEnd(s, m); };
    }
    ~ProgressAttached() {
        p.client->OnWork = nullptr;
        p.client->OnWorkBegin = nullptr;
        p.client->OnWorkEnd = nullptr;
    }
    ProgressAttached(const ProgressAttached&) = delete;
    ProgressAttached& operator=(const ProgressAttached&) = delete;
};

bool UpdateProcess::DownloadFile(const std::wstring& url, const std::wstring& path, int64_t maxBytes) {
    ProgressAttached progress(*this);

    // Opening an existing file keeps its old bytes; the client cuts them to the new length.
    std::unique_ptr<CappedFileStream> file;
    try {
        file = std::make_unique<CappedFileStream>(path, FileExists(path) ? fmOpenWrite : fmCreate, maxBytes);
    } catch (const std::exception& e) {
        // A path too long, a read-only folder, a folder in the way: this file
        // cannot be staged, so the run cannot go on, but it fails like any download.
        DebugLog(L"updater: download: cannot create the staging file " + path + L": " + Describe(e));
        return false;
    }
    try {
        client->Get(url, *file);
        client->Disconnect();
        return true;
    } catch (const EDownloadTooLarge& e) {
        DisconnectQuietly();
        DebugLog(L"updater: download: " + url + L": " + e.Message());
        // What was written is no part of any release; it must not wait for a later run.
        file.reset();
        FileDelete(path);
        return false;
    } catch (const std::exception& e) {
        DisconnectQuietly();
        DebugLog(L"updater: download: " + url + L" failed: " + Describe(e));
        return false;
    } catch (...) {
        DisconnectQuietly();
        DebugLog(L"updater: download: " + url + L" failed");
        return false;
    }
}

int64_t DownloadLimit(const FileInfo& entry) {
    if (entry.signedSize >= 0) return entry.signedSize;
    return entry.size > 0 ? entry.size : -1;
}

bool UpdateProcess::DownloadFile(const FileInfo& entry, const std::wstring& path) {
    const int64_t limit = DownloadLimit(entry);
    // A small file that breaks is simply fetched whole again.
    if (limit >= 0 && limit < kResumeMinBytes) return DownloadFile(entry.url, path, limit);

    const std::string url = WideToUtf8(entry.url), md5 = WideToUtf8(entry.md5), sha256 = WideToUtf8(entry.sha256);
    const std::wstring infoPath = PartialInfoPath(path);
    std::optional<PartialInfo> kept = ReadPartialInfo(infoPath);
    int64_t have = kept ? SizeOfFile(PartialPath(path)) : -1;
    // Bytes of another URL, another release or another size are no start for this one.
    if (kept && (kept->url != url || kept->md5 != md5 || kept->sha256 != sha256 ||
                 (limit >= 0 && kept->total != limit) || have <= 0 || have >= kept->total)) {
        DebugLog(L"updater: download: the kept part of " + path + L" does not fit this file; starting over");
        kept.reset();
    }
    if (!kept) DropPartial(path);

    ProgressAttached progress(*this);
    // A refused range (wrong Content-Range, 416) drops the kept bytes and asks
    // once more for the whole file; never more than that.
    for (;;) {
        const PartialOutcome outcome = FetchPartial(entry, path, limit, kept, have);
        if (outcome != PartialOutcome::StartOver || !kept) return outcome == PartialOutcome::Complete;
        DropPartial(path);
        kept.reset();
        have = -1;
    }
}

UpdateProcess::PartialOutcome UpdateProcess::FetchPartial(const FileInfo& entry, const std::wstring& path,
                                                          int64_t limit, const std::optional<PartialInfo>& kept,
                                                          int64_t have) {
    const std::wstring partPath = PartialPath(path), infoPath = PartialInfoPath(path);
    // With no size known for the entry, the whole the kept bytes belong to is the limit.
    const int64_t cap = limit >= 0 || !kept ? limit : kept->total;
    std::unique_ptr<CappedFileStream> file;
    try {
        file = std::make_unique<CappedFileStream>(partPath, kept ? fmOpenWrite : fmCreate, cap, false);
        if (kept) file->SetPosition(have);
    } catch (const std::exception& e) {
        DebugLog(L"updater: download: cannot create the staging file " + partPath + L": " + Describe(e));
        return PartialOutcome::Failed;
    }

    // The side file that describes the bytes in the file now; none once they are no part of anything resumable.
    std::optional<PartialInfo> current = kept;
    // Where the file ends once the body is in; -1 when the answer does not say.
    int64_t end = -1;
    const std::string url = WideToUtf8(entry.url);
    struct RequestScope {
        THttpClient& c;
        ~RequestScope() {
            c.Request.Range.clear();
            c.Request.IfRange.clear();
            c.OnBodyStart = nullptr;
        }
    } scope{*client};
    if (kept) {
        client->Request.Range = std::to_string(have) + "-";
        client->Request.IfRange = kept->Validator();
        DebugLog(L"updater: download: continuing " + path + L" from byte " + IntToStr(have));
    }
    client->OnBodyStart = [&](const THttpResponse& response) {
        if (kept) {
            switch (JudgeRangeAnswer(response, have, *kept)) {
                case RangeAnswer::Append:
                    // The kept bytes count as received, so the bar goes on from where they end.
                    doneSize = AddSizes(doneSize, have);
                    end = kept->total;
                    return;
                case RangeAnswer::Refused:
                    throw ERangeRefused(L"The answer to the range request does not continue the kept bytes.");
                case RangeAnswer::WholeFile:
                    DebugLog(L"updater: download: the server sends " + path + L" whole; starting over");
                    file->SetPosition(0);
                    file->SetSize(0);
                    break;
            }
        }
        if (response.ResponseCode == 200 && response.TransferEncoding.empty()) end = response.ContentLength;
        current = ResumableResponse(response, url, WideToUtf8(entry.md5), WideToUtf8(entry.sha256));
        if (!current || !WritePartialInfo(infoPath, *current)) {
            current.reset();
            FileDelete(infoPath);
        }
    };

    auto failed = [&](const std::wstring& why, bool keep) {
        DisconnectQuietly();
        DebugLog(L"updater: download: " + entry.url + L" failed: " + why);
        file.reset();
        if (keep && current) {
            DebugLog(L"updater: download: kept " + IntToStr(SizeOfFile(partPath)) + L" bytes of " + path);
        } else {
            DropPartial(path);
        }
        return PartialOutcome::Failed;
    };
    try {
        client->Get(entry.url, *file);
        client->Disconnect();
    } catch (const ERangeRefused& e) {
        failed(e.Message(), false);
        return PartialOutcome::StartOver;
    } catch (const EHttpStatusError& e) {
        if (kept && e.ErrorCode() == 416) {
            failed(e.Message(), false);
            return PartialOutcome::StartOver;
        }
        return failed(e.Message(), true);
    } catch (const EDownloadTooLarge& e) {
        // What was written is no part of any release; it must not wait for a later run.
        return failed(e.Message(), false);
    } catch (const std::exception& e) {
        return failed(Describe(e), true);
    } catch (...) {
        return failed(L"unknown error", true);
    }

    // A body cut short by the peer closing ends without an error.
    const int64_t got = file->Position();
    file.reset();
    if (end >= 0 && got < end) {
        DebugLog(L"updater: download: " + entry.url + L" broke after " + IntToStr(got) + L" of " + IntToStr(end) +
                 L" bytes" + (current ? L"; kept for the next run" : L""));
        if (!current) DropPartial(path);
        return PartialOutcome::Failed;
    }
    if (!FileMove(partPath, path)) {
        DebugLog(L"updater: download: cannot move " + partPath + L" to " + path);
        DropPartial(path);
        return PartialOutcome::Failed;
    }
    FileDelete(infoPath);
    return PartialOutcome::Complete;
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
        MakeDirectories(dir);
        if (!DownloadFile(entry, path)) return false;
    }
    return true;
}

bool UpdateProcess::CheckUpdateFiles(const FileInfoList& list) {
    SetStatus(L"正在核对更新文件...");
    verifiedSizes.clear();
    bool ok = true;
    // Removed only once no worker reads any more: a path listed twice may still be open.
    std::vector<std::wstring> stale;
    {
        FileCheckQueue checks(list, appPath + L"\\update\\", trust != nullptr);
        for (size_t i = 0; i < list.size(); ++i) {
            const auto check = cancelled ? std::nullopt : TakeCheck(checks, i, cancelled);
            if (!check) {
                ok = false;
                break;
            }
            std::wstring staged = JoinPath(appPath, L"\\update\\", list[i].filePath);
            if (check->check == FileCheck::Matches) {
                verifiedSizes[staged] = check->size;
            } else {
                ok = false;
                if (check->check == FileCheck::Differs) stale.push_back(std::move(staged));
            }
        }
    }
    // Bytes that are not the release are never reused; the next download starts afresh.
    for (const auto& staged : stale)
        if (FileDelete(staged)) DebugLog(L"updater: verify: removed the staged file that did not match: " + staged);
    return ok;
}

// Every file of a run would otherwise walk its folder chain from the root again.
// A folder made or found once in this run is taken as there; should it vanish
// meanwhile, the file's own open fails and the run fails as with any such error.
void UpdateProcess::MakeDirectories(const std::wstring& dir) {
    std::wstring key = dir;
    while (key.size() > 1 && (key.back() == L'\\' || key.back() == L'/')) key.pop_back();
    if (key.empty() || knownDirectories.count(key)) return;
    if (!ForceDirectories(dir)) return;
    // Every folder above it is there too.
    for (size_t end = key.size(); end > 0 && end != std::wstring::npos; end = key.find_last_of(L"\\/", end - 1)) {
        if (!knownDirectories.insert(key.substr(0, end)).second) break;
    }
}

bool UpdateProcess::IsRunningProgram(const std::wstring& filePath) const {
    return !exeName.empty() && CanonicalPathKey(filePath) == CanonicalPathKey(exeName);
}

// The running program cannot be overwritten but can be renamed: moved into the
// backup folder it is its own backup, and its name is free for the new copy.
bool UpdateProcess::MoveAsideRunningProgram(const std::wstring& local, const std::wstring& backup) {
    ClearBackupSlot(backup);
    return FileMove(local, backup);
}

// Frees a backup path. A copy moved aside by an earlier run may still be
// running and so cannot be deleted; it is renamed to a leftover slot.
void UpdateProcess::ClearBackupSlot(const std::wstring& backup) {
    for (int slot = 1; slot <= kLeftoverSlots; ++slot) FileDelete(LeftoverName(backup, slot));
    if (FileExists(backup) && !FileDelete(backup)) {
        for (int slot = 1; slot <= kLeftoverSlots; ++slot)
            if (FileMove(backup, LeftoverName(backup, slot))) break;
    }
}

std::wstring LockedFileNote(const std::vector<std::wstring>& programs) {
    if (programs.empty()) return std::wstring();
    std::wstring note = L"（";
    for (size_t i = 0; i < programs.size(); ++i) note += (i ? L"、" : L"") + programs[i];
    return note + L"）";
}

bool UpdateProcess::CheckBeforeInstall(const std::vector<InstallTarget>& targets) {
    int64_t need = 0;
    for (const auto& t : targets) {
        const std::wstring staged = JoinPath(appPath, L"\\update\\", t.filePath);
        const std::wstring local = JoinPath(appPath, L"\\", t.filePath);
        // The verification just read every staged file; its count of bytes stands for the size.
        const auto verified = verifiedSizes.find(staged);
        const int64_t stagedSize = verified != verifiedSizes.end() ? verified->second : SizeOfFile(staged);
        if (stagedSize < 0) {
            DebugLog(L"updater: install: the staged file is missing: " + staged);
            return false;
        }
        need = AddSizes(need, stagedSize);
        if (t.existed) need = AddSizes(need, std::max<int64_t>(SizeOfFile(local), 0));
        // The running updater is renamed, not opened: it is never free.
        if (IsRunningProgram(t.filePath) || ProbeTarget(local) != TargetAccess::Busy) continue;
        const std::vector<std::wstring> holders = ProgramsHolding(local);
        std::wstring who;
        for (const auto& h : holders) who += (who.empty() ? L"" : L", ") + h;
        DebugLog(L"updater: install: the file is in use, nothing was replaced: " + local +
                 (who.empty() ? L"" : L" (held by " + who + L")"));
        SetStatus(L"正在应用更新文件..." + LockedFileNote(holders));
        return false;
    }
    const int64_t free = freeBytes(appPath);
    if (free >= 0 && free < need) {
        DebugLog(L"updater: install: not enough free space, nothing was replaced: " + IntToStr(need) +
                 L" bytes needed, " + IntToStr(free) + L" free");
        return false;
    }
    return true;
}

// Puts an entry back as the journal says it was. False leaves the journal in
// place, so the next start tries again.
bool UpdateProcess::PutBack(const JournalEntry& entry) {
    const std::wstring local = JoinPath(appPath, L"\\", entry.filePath);
    const std::wstring backup = JoinPath(appPath, L"\\bakup\\", entry.filePath);
    FileDelete(backup + kPendingSuffix);
    if (entry.kind == JournalEntry::Created) {
        if (!FileExists(local) || FileDelete(local)) return true;
        DebugLog(L"updater: rollback: cannot remove the file this run created: " + local);
        return false;
    }
    // No backup: nothing of this run replaced the file (or it was the running program, moved back already).
    if (!FileExists(backup)) return true;
    if (FileMove(backup, local)) return true;
    // A running copy of the new updater can be renamed but not replaced.
    if (IsRunningProgram(entry.filePath)) {
        for (int slot = 1; slot <= kLeftoverSlots; ++slot)
            if (FileMove(local, LeftoverName(backup, slot))) break;
        if (FileMove(backup, local)) return true;
    }
    if (FileCopy(backup, local)) {
        FileDelete(backup);
        return true;
    }
    DebugLog(L"updater: rollback: cannot restore " + local + L" from " + backup);
    return false;
}

bool UpdateProcess::RollBack(const std::vector<JournalEntry>& entries) {
    bool ok = true;
    for (const auto& e : entries) ok = PutBack(e) && ok;
    if (ok) {
        FileDelete(JournalPath(appPath));
        DebugLog(L"updater: rollback: done");
    }
    return ok;
}

bool UpdateProcess::RecoverInterruptedInstall() {
    // A draft was never complete, so nothing was replaced under it.
    FileDelete(JournalDraftPath(appPath));
    const std::wstring path = JournalPath(appPath);
    if (!FileExists(path)) return true;
    DebugLog(L"updater: rollback: an earlier install did not finish; putting its files back");
    std::optional<std::vector<JournalEntry>> entries;
    const int64_t size = SizeOfFile(path);
    if (size >= 0 && size <= kJournalMaxBytes) {
        try {
            TFileStream f(path, fmOpenRead | fmShareDenyWrite);
            std::string bytes(static_cast<size_t>(size), '\0');
            bytes.resize(static_cast<size_t>(f.Read(bytes.data(), size)));
            entries = ParseJournal(bytes);
        } catch (const std::exception& e) {
            DebugLog(L"updater: rollback: cannot read the journal: " + Describe(e));
            return false;
        }
    }
    if (!entries) {
        // Not one of ours, or damaged: acting on it could only do harm.
        DebugLog(L"updater: rollback: the journal is not valid and is ignored: " + path);
        FileDelete(path);
        return false;
    }
    return RollBack(*entries);
}

bool UpdateProcess::WriteJournal(const std::vector<JournalEntry>& entries) {
    const std::wstring draft = JournalDraftPath(appPath);
    const std::string bytes = FormatJournal(entries);
    try {
        MakeDirectories(ExtractFilePath(draft));
        TFileStream f(draft, fmCreate);
        f.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
    } catch (const std::exception& e) {
        DebugLog(L"updater: install: cannot write the journal " + draft + L": " + Describe(e));
        FileDelete(draft);
        return false;
    }
    // Complete or absent: a journal is only ever seen whole.
    if (!FileMove(draft, JournalPath(appPath))) {
        DebugLog(L"updater: install: cannot put the journal in place: " + JournalPath(appPath));
        FileDelete(draft);
        return false;
    }
    return true;
}

// The verified bytes are the installed bytes: the staged file is copied to a
// private file nobody else may write, that copy is hashed, and that very copy
// is renamed into place.
bool UpdateProcess::PlaceVerifiedCopy(const FileInfo& entry, const std::wstring& local, const std::wstring& pending) {
    const std::wstring staged = JoinPath(appPath, L"\\update\\", entry.filePath);
    std::unique_ptr<HeldCopy> copy = HeldCopy::Make(staged, pending);
    if (!copy) {
        DebugLog(L"updater: install: cannot copy " + staged + L" to " + pending);
        return false;
    }
    MD5Context md5;
    MD5Init(md5);
    std::unique_ptr<Sha256Hasher> sha256;
    try {
        if (trust) sha256 = std::make_unique<Sha256Hasher>();
        const bool read = copy->ReadAll([&](const uint8_t* data, size_t count) {
            MD5Update(md5, data, count);
            if (sha256) sha256->Update(data, count);
        });
        MD5Final(md5);
        bool same = read && AnsiToWide(MD5Text(md5.digest)) == entry.md5;
        if (same && sha256) {
            // An entry without a SHA-256 never matches: nothing would vouch for its content.
            const Sha256Digest digest = sha256->Final();
            same = !entry.sha256.empty() && AnsiToWide(HexText(digest.data(), digest.size())) == entry.sha256;
        }
        if (!same) {
            DebugLog(L"updater: install: the staged file changed after it was verified: " + staged);
            return false;
        }
    } catch (const ECryptoError& e) {
        DebugLog(L"updater: install: cannot hash " + pending + L": " + Utf8ToWide(e.what()));
        return false;
    }
    if (!copy->MoveTo(local)) {
        DebugLog(L"updater: install: cannot move " + pending + L" to " + local);
        return false;
    }
    return true;
}

bool UpdateProcess::ApplyUpdateFiles(const FileInfoList& list) {
    SetStatus(L"正在应用更新文件...");
    // One target per file: a path listed twice, in any spelling, is installed
    // once, and its backup is the file as it was before this run.
    std::vector<InstallTarget> targets;
    std::set<std::wstring> seen;
    for (const auto& entry : list) {
        if (!seen.insert(CanonicalPathKey(entry.filePath)).second) continue;
        const std::wstring local = JoinPath(appPath, L"\\", entry.filePath);
        targets.push_back({&entry, entry.filePath, FileExists(local)});
    }
    if (cancelled) {
        DebugLog(L"updater: install: cancelled before anything was replaced");
        return false;
    }
    if (!CheckBeforeInstall(targets)) return false;
    DebugLog(L"updater: install: checked");

    // Every backup first: one that cannot be made stops the run while nothing is replaced yet.
    std::vector<JournalEntry> journal;
    auto dropBackups = [&] {
        for (const auto& j : journal)
            if (j.kind == JournalEntry::Replaced) FileDelete(JoinPath(appPath, L"\\bakup\\", j.filePath));
    };
    for (const auto& t : targets) {
        const std::wstring local = JoinPath(appPath, L"\\", t.filePath);
        const std::wstring backup = JoinPath(appPath, L"\\bakup\\", t.filePath);
        MakeDirectories(ExtractFilePath(backup));
        if (!t.existed) {
            // A file new in this release leaves no older backup of its path behind.
            FileDelete(backup);
            journal.push_back({JournalEntry::Created, t.filePath});
            continue;
        }
        ClearBackupSlot(backup);
        if (cancelled || !FileCopy(local, backup)) {
            DebugLog(cancelled ? L"updater: install: cancelled while backing up"
                               : L"updater: install: cannot back up " + local + L" to " + backup);
            FileDelete(backup);
            dropBackups();
            return false;
        }
        journal.push_back({JournalEntry::Replaced, t.filePath});
        DebugLog(L"updater: install: backed up " + t.filePath);
    }
    if (!WriteJournal(journal)) {
        dropBackups();
        return false;
    }
    DebugLog(L"updater: install: journal written");

    bool ok = true;
    for (const auto& t : targets) {
        if (cancelled) {
            DebugLog(L"updater: install: cancelled");
            ok = false;
            break;
        }
        const std::wstring local = JoinPath(appPath, L"\\", t.filePath);
        const std::wstring backup = JoinPath(appPath, L"\\bakup\\", t.filePath);
        MakeDirectories(ExtractFilePath(local));
        if (t.existed && IsRunningProgram(t.filePath) && !MoveAsideRunningProgram(local, backup)) {
            DebugLog(L"updater: install: cannot move the running program aside: " + local);
            ok = false;
            break;
        }
        if (!PlaceVerifiedCopy(*t.entry, local, backup + kPendingSuffix)) {
            ok = false;
            break;
        }
        DebugLog(L"updater: install: placed " + t.filePath);
    }
    if (!ok) {
        DebugLog(L"updater: install: failed; putting every file back");
        RollBack(journal);
        return false;
    }
    for (const auto& entry : list) FileDelete(JoinPath(appPath, L"\\update\\", entry.filePath));
    DebugLog(L"updater: install: staged copies removed");
    FileDelete(JournalPath(appPath));
    DebugLog(L"updater: install: done");
    return true;
}
