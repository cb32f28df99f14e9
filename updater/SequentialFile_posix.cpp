#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "framework/system/CodePage.h"
#include "updater/SequentialFile.h"

SequentialFile::~SequentialFile() { Close(); }

void SequentialFile::Close() {
    if (handle_ >= 0) close(static_cast<int>(handle_));
    handle_ = -1;
}

SequentialFile::Opened SequentialFile::Open(const std::wstring& path) {
    Close();
    std::string native = WideToUtf8(path);
    for (auto& c : native)
        if (c == '\\') c = '/';
    // Non-blocking, so a named pipe put where a file should be cannot hold the open forever.
    int fd = open(native.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) return errno == ENOENT ? Opened::Absent : Opened::Failed;
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        return Opened::Failed;
    }
    // Worth a call only where read-ahead has room to work.
    if (st.st_size > 1024 * 1024) posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    handle_ = fd;
    sizeAtOpen_ = st.st_size;
    read_ = 0;
    ended_ = false;
    return Opened::Yes;
}

int64_t SequentialFile::Read(void* buffer, size_t count) {
    if (handle_ < 0) return -1;
    if (ended_) return 0;
    for (;;) {
        ssize_t n = read(static_cast<int>(handle_), buffer, count);
        if (n >= 0) {
            read_ += n;
            if (static_cast<size_t>(n) < count && read_ >= sizeAtOpen_) ended_ = true;
            return n;
        }
        if (errno != EINTR) return -1;
    }
}
