// A file opened only to be read once from start to end, for hashing.
//
// Open never blocks on what is not a regular file (a pipe, a device, a
// folder): such a name fails to open. Read hands out at most `count` bytes
// into the caller's buffer and never reads past it. The handle is closed when
// the object goes; the object may be used on any one thread at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

class SequentialFile {
public:
    enum class Opened { Yes, Absent, Failed };

    SequentialFile() = default;
    ~SequentialFile();
    SequentialFile(const SequentialFile&) = delete;
    SequentialFile& operator=(const SequentialFile&) = delete;

    // Absent: nothing is at the path (or a folder on the way is missing);
    // Failed: something is there but cannot be read (locked, no access, not a file).
    Opened Open(const std::wstring& path);
    // Bytes read, 0 at the end of the file, -1 on a read error. A short read
    // that reaches the size the file had when it was opened is taken as its
    // end, which spares the last, empty read of every small file.
    int64_t Read(void* buffer, size_t count);

private:
    void Close();
    intptr_t handle_ = -1;  // HANDLE on Windows, file descriptor elsewhere
    int64_t sizeAtOpen_ = -1;
    int64_t read_ = 0;
    bool ended_ = false;
};
