// The install seam on Win32; paths arrive in the long form where they need it.
// clang-format off
#include <windows.h>
#include <restartmanager.h>
// clang-format on

#include <algorithm>
#include <vector>

#include "framework/system/FileSystem.h"
#include "updater/InstallFiles.h"

namespace {

HANDLE AsHandle(intptr_t h) {
    return reinterpret_cast<HANDLE>(h);
}

// The one form of a directory every spelling shares: full, long names, one case.
std::wstring CanonicalDirectory(const std::wstring& path) {
    std::wstring full(32768, L'\0');
    DWORD n = GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    full.resize(n > 0 && n < full.size() ? n : 0);
    if (full.empty()) full = path;
    std::wstring longer(32768, L'\0');
    n = GetLongPathNameW(full.c_str(), longer.data(), static_cast<DWORD>(longer.size()));
    if (n > 0 && n < longer.size()) full.assign(longer.data(), n);
    while (full.size() > 3 && (full.back() == L'\\' || full.back() == L'/')) full.pop_back();
    CharUpperBuffW(full.data(), static_cast<DWORD>(full.size()));
    return full;
}

}  // namespace

std::unique_ptr<RunLock> RunLock::TryAcquire(const std::wstring& appPath) {
    const std::wstring name = RunLockName(CanonicalDirectory(appPath));
    // Global, so a run in another session on the same folder is seen too; a
    // session without the right falls back to its own namespace.
    HANDLE h = CreateMutexW(nullptr, FALSE, (L"Global\\" + name).c_str());
    if (!h) h = CreateMutexW(nullptr, FALSE, (L"Local\\" + name).c_str());
    if (!h) return nullptr;
    // Abandoned means the holder died: its run is over, and the lock is ours.
    DWORD wait = WaitForSingleObject(h, 0);
    if (wait != WAIT_OBJECT_0 && wait != WAIT_ABANDONED) {
        CloseHandle(h);
        return nullptr;
    }
    return std::unique_ptr<RunLock>(new RunLock(reinterpret_cast<intptr_t>(h)));
}

RunLock::~RunLock() {
    ReleaseMutex(AsHandle(handle_));
    CloseHandle(AsHandle(handle_));
}

std::unique_ptr<HeldCopy> HeldCopy::Make(const std::wstring& from, const std::wstring& tempPath) {
    HANDLE in = CreateFileW(from.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (in == INVALID_HANDLE_VALUE) return nullptr;
    // Read sharing only, and delete sharing so it can be renamed into place
    // while still held: nobody else can write to it between hash and move.
    // A copy left by a run that died is removed only when one is in the way.
    auto create = [&] {
        return CreateFileW(tempPath.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, FILE_SHARE_READ | FILE_SHARE_DELETE,
                           nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    };
    HANDLE out = create();
    if (out == INVALID_HANDLE_VALUE && GetLastError() == ERROR_FILE_EXISTS && DeleteFileW(tempPath.c_str()))
        out = create();
    if (out == INVALID_HANDLE_VALUE) {
        CloseHandle(in);
        return nullptr;
    }
    std::unique_ptr<HeldCopy> copy(new HeldCopy(reinterpret_cast<intptr_t>(out), tempPath));
    std::vector<char> buf(1 << 16);
    bool ok = true;
    for (;;) {
        DWORD got = 0, put = 0;
        if (!ReadFile(in, buf.data(), static_cast<DWORD>(buf.size()), &got, nullptr)) {
            ok = false;
            break;
        }
        if (got == 0) break;
        if (!WriteFile(out, buf.data(), got, &put, nullptr) || put != got) {
            ok = false;
            break;
        }
        copy->size_ += got;
    }
    CloseHandle(in);
    if (!ok) return nullptr;  // the destructor removes the partial copy
    return copy;
}

HeldCopy::~HeldCopy() {
    CloseHandle(AsHandle(handle_));
    if (!moved_) DeleteFileW(path_.c_str());
}

bool HeldCopy::ReadAll(const std::function<void(const uint8_t*, size_t)>& sink) {
    LARGE_INTEGER zero{};
    if (!SetFilePointerEx(AsHandle(handle_), zero, nullptr, FILE_BEGIN)) return false;
    std::vector<uint8_t> buf(1 << 16);
    int64_t at = 0;
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(AsHandle(handle_), buf.data(), static_cast<DWORD>(buf.size()), &got, nullptr)) return false;
        if (got == 0) return true;
        sink(buf.data(), got);
        at += got;
        // A short read that reaches what was written is the end: no further empty read.
        if (got < buf.size() && at >= size_) return true;
    }
}

bool HeldCopy::MoveTo(const std::wstring& to) {
    FlushFileBuffers(AsHandle(handle_));
    moved_ = MoveFileExW(path_.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
    return moved_;
}

TargetAccess ProbeTarget(const std::wstring& path) {
    HANDLE h = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                           nullptr);
    if (h != INVALID_HANDLE_VALUE) {
        CloseHandle(h);
        return TargetAccess::Free;
    }
    DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return TargetAccess::Missing;
    return TargetAccess::Busy;
}

int64_t SizeOfFile(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return -1;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return -1;
    return (static_cast<int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

int64_t FreeBytesAt(const std::wstring& dir) {
    ULARGE_INTEGER avail{};
    if (!GetDiskFreeSpaceExW(dir.c_str(), &avail, nullptr, nullptr)) return -1;
    return avail.QuadPart > static_cast<ULONGLONG>(INT64_MAX) ? INT64_MAX : static_cast<int64_t>(avail.QuadPart);
}

std::vector<std::wstring> ProgramsHolding(const std::wstring& path) {
    constexpr UINT kMostNames = 8;
    std::vector<std::wstring> names;
    DWORD session = 0;
    WCHAR key[CCH_RM_SESSION_KEY + 1] = {};
    if (RmStartSession(&session, 0, key) != ERROR_SUCCESS) return names;
    LPCWSTR files[] = {path.c_str()};
    if (RmRegisterResources(session, 1, files, 0, nullptr, 0, nullptr) == ERROR_SUCCESS) {
        std::vector<RM_PROCESS_INFO> info(kMostNames);
        UINT needed = 0, count = kMostNames;
        DWORD reasons = 0;
        DWORD rc = RmGetList(session, &needed, &count, info.data(), &reasons);
        // More holders than room: the first few name the culprit well enough.
        if (rc == ERROR_SUCCESS || rc == ERROR_MORE_DATA) {
            count = std::min(count, kMostNames);
            for (UINT i = 0; i < count; ++i) {
                std::wstring name(info[i].strAppName, wcsnlen(info[i].strAppName, CCH_RM_MAX_APP_NAME));
                // The image's file name is what a user recognises; the friendly name when it cannot be had.
                HANDLE p = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, info[i].Process.dwProcessId);
                if (p) {
                    std::wstring image(32768, L'\0');
                    DWORD size = static_cast<DWORD>(image.size());
                    if (QueryFullProcessImageNameW(p, 0, image.data(), &size))
                        name = ExtractFileName(image.substr(0, size));
                    CloseHandle(p);
                }
                if (!name.empty()) names.push_back(name);
            }
        }
    }
    RmEndSession(session);
    return names;
}
