#include <windows.h>

#include "Classes.h"
#include "FileSystem.h"
#include "SysUtils.h"

bool FileCopy(const std::wstring& from, const std::wstring& to) {
    return CopyFileW(from.c_str(), to.c_str(), FALSE) != 0;
}

bool FileDelete(const std::wstring& path) { return DeleteFileW(path.c_str()) != 0; }

bool FileExists(const std::wstring& path) {
    DWORD a = GetFileAttributesW(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool DirectoryExists(const std::wstring& path) {
    DWORD a = GetFileAttributesW(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool ForceDirectories(const std::wstring& dir) {
    std::wstring d = dir;
    while (!d.empty() && (d.back() == L'\\' || d.back() == L'/')) d.pop_back();
    if (d.empty() || DirectoryExists(d)) return !d.empty();
    std::wstring parent = ExtractFilePath(d);
    // Stop at a drive root ("C:\") or a bare name.
    if (!parent.empty() && parent != d && !(parent.size() <= 3 && parent.find(L':') != std::wstring::npos))
        ForceDirectories(parent);
    return CreateDirectoryW(d.c_str(), nullptr) != 0 || DirectoryExists(d);
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
        h = CreateFileW(fileName.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                        FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE) throw EFCreateError(L"Cannot create file \"" + fileName + L"\"");
    } else {
        DWORD access = (mode & 3) == fmOpenRead ? GENERIC_READ
                       : (mode & 3) == fmOpenWrite ? GENERIC_WRITE
                                                   : GENERIC_READ | GENERIC_WRITE;
        h = CreateFileW(fileName.c_str(), access, ShareFlags(mode), nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                        nullptr);
        if (h == INVALID_HANDLE_VALUE) throw EFOpenError(L"Cannot open file \"" + fileName + L"\"");
    }
    handle_ = reinterpret_cast<intptr_t>(h);
}

TFileStream::~TFileStream() { CloseHandle(reinterpret_cast<HANDLE>(handle_)); }

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
