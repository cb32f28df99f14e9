#include <windows.h>

#include "framework/system/FileSystem.h"
#include "updater/SequentialFile.h"

SequentialFile::~SequentialFile() { Close(); }

void SequentialFile::Close() {
    if (handle_ != -1) CloseHandle(reinterpret_cast<HANDLE>(handle_));
    handle_ = -1;
}

SequentialFile::Opened SequentialFile::Open(const std::wstring& path) {
    Close();
    // The sharing a C runtime "rb" open asks for: others may read and write meanwhile.
    HANDLE h = CreateFileW(Win32FilePath(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? Opened::Absent : Opened::Failed;
    }
    // A device or a pipe reached through a path is no file of the release.
    if (GetFileType(h) != FILE_TYPE_DISK) {
        CloseHandle(h);
        return Opened::Failed;
    }
    // The end is found by an empty read, as a further call to learn the size would cost as much.
    sizeAtOpen_ = -1;
    read_ = 0;
    ended_ = false;
    handle_ = reinterpret_cast<intptr_t>(h);
    return Opened::Yes;
}

int64_t SequentialFile::Read(void* buffer, size_t count) {
    if (handle_ == -1) return -1;
    if (ended_) return 0;
    DWORD piece = count > 0x40000000 ? 0x40000000 : static_cast<DWORD>(count);
    DWORD got = 0;
    if (!ReadFile(reinterpret_cast<HANDLE>(handle_), buffer, piece, &got, nullptr)) return -1;
    read_ += got;
    if (got < piece && sizeAtOpen_ >= 0 && read_ >= sizeAtOpen_) ended_ = true;
    return got;
}
