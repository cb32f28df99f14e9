#include <windows.h>

#include "ErrorsAndStrings.h"
#include "FileSystem.h"
#include "StreamsAndLists.h"

namespace {
// CreateDirectoryW stops short of MAX_PATH: it keeps room for an 8.3 name.
constexpr size_t kShortPathMax = MAX_PATH - 12;
// The longest path the wide calls take, prefix included.
constexpr size_t kLongPathMax = 32767;

bool IsExtended(const std::wstring& path) {
    return path.size() >= 4 && path[0] == L'\\' && path[1] == L'\\' && (path[2] == L'?' || path[2] == L'.') &&
           path[3] == L'\\';
}

// GetFullPathNameW applies the rules a short path gets (current directory,
// "/", ".", "..", trailing dots and blanks); empty when it fails.
std::wstring FullPathName(const std::wstring& path) {
    std::wstring buf(MAX_PATH, L'\0');
    for (int tries = 0; tries < 4; ++tries) {
        DWORD n = GetFullPathNameW(path.c_str(), static_cast<DWORD>(buf.size()), buf.data(), nullptr);
        if (n == 0 || n > kLongPathMax) return std::wstring();
        if (n < buf.size()) return buf.substr(0, n);
        buf.resize(n);  // n counts the terminating zero here
    }
    return std::wstring();
}

// The extended form of any path, short or long; empty when there is none (a device, a failure).
std::wstring ExtendedForm(const std::wstring& path) {
    std::wstring full = IsExtended(path) ? path : FullPathName(path);
    if (full.empty()) return full;
    std::wstring extended = ExtendedLengthPath(full);
    return extended.size() >= 4 && extended.compare(0, 4, L"\\\\?\\") == 0 ? extended : std::wstring();
}
}  // namespace

std::wstring Win32FilePath(const std::wstring& path) {
    if (path.size() < kShortPathMax && !IsExtended(path)) {
        // A relative name is as long as the current directory makes it.
        std::wstring full = FullPathName(path);
        if (full.size() < kShortPathMax) return path;
    }
    std::wstring extended = ExtendedForm(path);
    return extended.empty() ? path : extended;
}

bool FileCopy(const std::wstring& from, const std::wstring& to) {
    return CopyFileW(Win32FilePath(from).c_str(), Win32FilePath(to).c_str(), FALSE) != 0;
}

bool FileDelete(const std::wstring& path) {
    return DeleteFileW(Win32FilePath(path).c_str()) != 0;
}

bool FileExists(const std::wstring& path) {
    DWORD a = GetFileAttributesW(Win32FilePath(path).c_str());
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool DirectoryExists(const std::wstring& path) {
    DWORD a = GetFileAttributesW(Win32FilePath(path).c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool ForceDirectories(const std::wstring& dir) {
    if (dir.empty()) return false;
    std::wstring d = ExtendedForm(dir);
    if (d.empty()) return CreateDirectoryW(dir.c_str(), nullptr) != 0 || DirectoryExists(dir);
    while (d.size() > 1 && d.back() == L'\\') d.pop_back();
    // Below the root ("\\?\C:\" or "\\?\UNC\server\share\") every level is made in turn, the shallowest first.
    size_t root = 7;
    if (d.compare(0, 8, L"\\\\?\\UNC\\") == 0) {
        size_t server = d.find(L'\\', 8);
        size_t share = server == std::wstring::npos ? server : d.find(L'\\', server + 1);
        root = share == std::wstring::npos ? d.size() : share + 1;
    }
    for (size_t i = root; i <= d.size(); ++i) {
        if (i != d.size() && d[i] != L'\\') continue;
        std::wstring level = d.substr(0, i);
        if (GetFileAttributesW(level.c_str()) == INVALID_FILE_ATTRIBUTES) CreateDirectoryW(level.c_str(), nullptr);
    }
    DWORD a = GetFileAttributesW(d.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

std::wstring ModuleFileName() {
    // The call truncates silently when the buffer is short: grow until it fits.
    std::wstring buf(MAX_PATH, L'\0');
    for (;;) {
        DWORD n = GetModuleFileNameW(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
        if (n == 0) return std::wstring();
        if (n < buf.size()) return buf.substr(0, n);
        if (buf.size() >= 32768) return std::wstring();
        buf.resize(buf.size() * 2);
    }
}

namespace {
DWORD ShareFlags(uint32_t mode) {
    switch (mode & 0xF0) {
        case fmShareExclusive: return 0;
        case fmShareDenyWrite: return FILE_SHARE_READ;
        case fmShareDenyNone: return FILE_SHARE_READ | FILE_SHARE_WRITE;
        default: return FILE_SHARE_READ | FILE_SHARE_WRITE;
    }
}
}  // namespace

TFileStream::TFileStream(const std::wstring& fileName, uint32_t mode) : fileName_(fileName) {
    HANDLE h;
    if (mode == fmCreate || (mode & 0xFF00) == fmCreate) {
        h = CreateFileW(Win32FilePath(fileName).c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                        CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE) throw EFileCreateError(L"Cannot create file \"" + fileName + L"\"");
    } else {
        DWORD access = (mode & 3) == fmOpenRead    ? GENERIC_READ
                       : (mode & 3) == fmOpenWrite ? GENERIC_WRITE
                                                   : GENERIC_READ | GENERIC_WRITE;
        h = CreateFileW(Win32FilePath(fileName).c_str(), access, ShareFlags(mode), nullptr, OPEN_EXISTING,
                        FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE) throw EFOpenError(L"Cannot open file \"" + fileName + L"\"");
    }
    handle_ = reinterpret_cast<intptr_t>(h);
}

TFileStream::~TFileStream() {
    CloseHandle(reinterpret_cast<HANDLE>(handle_));
}

int64_t TFileStream::Read(void* buffer, int64_t count) {
    int64_t total = 0;
    auto* p = static_cast<char*>(buffer);
    while (count > 0) {
        DWORD got = 0;
        DWORD want = static_cast<DWORD>(count > (1 << 30) ? (1 << 30) : count);
        if (!ReadFile(reinterpret_cast<HANDLE>(handle_), p, want, &got, nullptr) || got == 0) break;
        total += got;
        p += got;
        count -= got;
    }
    return total;
}

int64_t TFileStream::Write(const void* buffer, int64_t count) {
    int64_t total = 0;
    auto* p = static_cast<const char*>(buffer);
    while (count > 0) {
        DWORD put = 0;
        DWORD want = static_cast<DWORD>(count > (1 << 30) ? (1 << 30) : count);
        if (!WriteFile(reinterpret_cast<HANDLE>(handle_), p, want, &put, nullptr) || put == 0) break;
        total += put;
        p += put;
        count -= put;
    }
    return total;
}

int64_t TFileStream::Seek(int64_t offset, TSeekOrigin origin) {
    LARGE_INTEGER dist, pos;
    dist.QuadPart = offset;
    DWORD method = origin == TSeekOrigin::soBeginning ? FILE_BEGIN
                   : origin == TSeekOrigin::soCurrent ? FILE_CURRENT
                                                      : FILE_END;
    if (!SetFilePointerEx(reinterpret_cast<HANDLE>(handle_), dist, &pos, method)) return -1;
    return pos.QuadPart;
}

void TFileStream::SetSize(int64_t size) {
    int64_t pos = Position();
    SetPosition(size);
    if (!SetEndOfFile(reinterpret_cast<HANDLE>(handle_))) {
        SetPosition(pos);
        throw EStreamError(L"Cannot set the size of \"" + fileName_ + L"\"");
    }
    SetPosition(pos < size ? pos : size);
}
