// The install seam on POSIX, for the native build and its tests.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "framework/system/CodePage.h"
#include "updater/InstallFiles.h"

namespace {

std::string Native(const std::wstring& path) {
    std::string s = WideToUtf8(path);
    for (auto& c : s)
        if (c == '\\') c = '/';
    return s;
}

bool WriteAll(int fd, const char* p, size_t n) {
    while (n > 0) {
        ssize_t put = write(fd, p, n);
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) return false;
        p += put;
        n -= static_cast<size_t>(put);
    }
    return true;
}

}  // namespace

std::unique_ptr<RunLock> RunLock::TryAcquire(const std::wstring& appPath) {
    // The lock is the directory's own: every spelling of it opens the same inode.
    int fd = open(Native(appPath).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return nullptr;
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        close(fd);
        return nullptr;
    }
    return std::unique_ptr<RunLock>(new RunLock(fd));
}

RunLock::~RunLock() {
    close(static_cast<int>(handle_));
}

std::unique_ptr<HeldCopy> HeldCopy::Make(const std::wstring& from, const std::wstring& tempPath) {
    int in = open(Native(from).c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) return nullptr;
    struct stat st {};
    if (fstat(in, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(in);
        return nullptr;
    }
    // Owner-only and new: POSIX has no deny-write sharing, this is the nearest.
    // A copy left by a run that died is removed only when one is in the way.
    const std::string temp = Native(tempPath);
    int out = open(temp.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (out < 0 && errno == EEXIST && unlink(temp.c_str()) == 0)
        out = open(temp.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (out < 0) {
        close(in);
        return nullptr;
    }
    std::unique_ptr<HeldCopy> copy(new HeldCopy(out, tempPath));
    std::vector<char> buf(1 << 16);
    bool ok = true;
    for (;;) {
        ssize_t got = read(in, buf.data(), buf.size());
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) ok = false;
        if (got <= 0) break;
        if (!WriteAll(out, buf.data(), static_cast<size_t>(got))) {
            ok = false;
            break;
        }
        copy->size_ += got;
        // A short read that reaches the size the file had is its end: no further empty read.
        if (static_cast<size_t>(got) < buf.size() && copy->size_ >= st.st_size) break;
    }
    close(in);
    if (!ok) return nullptr;
    // The installed file keeps the permissions the staged one had.
    fchmod(out, st.st_mode & 0777);
    return copy;
}

HeldCopy::~HeldCopy() {
    close(static_cast<int>(handle_));
    if (!moved_) unlink(Native(path_).c_str());
}

bool HeldCopy::ReadAll(const std::function<void(const uint8_t*, size_t)>& sink) {
    std::vector<uint8_t> buf(1 << 16);
    off_t at = 0;
    for (;;) {
        ssize_t got = pread(static_cast<int>(handle_), buf.data(), buf.size(), at);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return false;
        if (got == 0) return true;
        sink(buf.data(), static_cast<size_t>(got));
        at += got;
        if (static_cast<size_t>(got) < buf.size() && at >= size_) return true;
    }
}

bool HeldCopy::MoveTo(const std::wstring& to) {
    fsync(static_cast<int>(handle_));
    moved_ = std::rename(Native(path_).c_str(), Native(to).c_str()) == 0;
    return moved_;
}

TargetAccess ProbeTarget(const std::wstring& path) {
    int fd = open(Native(path).c_str(), O_RDWR | O_CLOEXEC | O_NONBLOCK);
    if (fd >= 0) {
        struct stat st {};
        bool dir = fstat(fd, &st) == 0 && S_ISDIR(st.st_mode);
        close(fd);
        return dir ? TargetAccess::Busy : TargetAccess::Free;
    }
    if (errno == ENOENT) return TargetAccess::Missing;
    // ETXTBSY (a running image), EACCES, EISDIR, ENOTDIR: it cannot be replaced now.
    return TargetAccess::Busy;
}

int64_t SizeOfFile(const std::wstring& path) {
    struct stat st {};
    if (stat(Native(path).c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return -1;
    return static_cast<int64_t>(st.st_size);
}

int64_t FreeBytesAt(const std::wstring& dir) {
    struct statvfs vfs {};
    if (statvfs(Native(dir).c_str(), &vfs) != 0) return -1;
    const unsigned long long bytes = static_cast<unsigned long long>(vfs.f_bavail) * vfs.f_frsize;
    return bytes > static_cast<unsigned long long>(INT64_MAX) ? INT64_MAX : static_cast<int64_t>(bytes);
}

std::vector<std::wstring> ProgramsHolding(const std::wstring&) {
    return {};
}
