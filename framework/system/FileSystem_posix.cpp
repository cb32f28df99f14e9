#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>

#include "CodePage.h"
#include "ErrorsAndStrings.h"
#include "FileSystem.h"
#include "StreamsAndLists.h"

namespace {
// Windows-style paths from the updater's own code use backslashes.
std::string Native(const std::wstring& path) {
    std::string s = WideToUtf8(path);
    for (auto& c : s)
        if (c == '\\') c = '/';
    return s;
}
}  // namespace

bool FileCopy(const std::wstring& from, const std::wstring& to) {
    int in = open(Native(from).c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) return false;
    struct stat st {};
    if (fstat(in, &st) != 0 || S_ISDIR(st.st_mode)) {
        close(in);
        return false;
    }
    int out = open(Native(to).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, st.st_mode & 0777);
    if (out < 0) {
        close(in);
        return false;
    }
    char buf[65536];
    bool ok = true;
    for (;;) {
        ssize_t n = read(in, buf, sizeof buf);
        if (n == 0) break;
        if (n < 0) {
            if (errno == EINTR) continue;
            ok = false;
            break;
        }
        for (ssize_t done = 0; done < n;) {
            ssize_t w = write(out, buf + done, static_cast<size_t>(n - done));
            if (w < 0 && errno == EINTR) continue;
            if (w <= 0) {
                ok = false;
                break;
            }
            done += w;
        }
        if (!ok) break;
    }
    close(in);
    if (close(out) != 0) ok = false;
    return ok;
}

bool FileDelete(const std::wstring& path) { return unlink(Native(path).c_str()) == 0; }

bool FileExists(const std::wstring& path) {
    struct stat st {};
    return stat(Native(path).c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool DirectoryExists(const std::wstring& path) {
    struct stat st {};
    return stat(Native(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool ForceDirectories(const std::wstring& dir) {
    std::string d = Native(dir);
    while (d.size() > 1 && d.back() == '/') d.pop_back();
    if (d.empty()) return false;
    for (size_t i = 1; i <= d.size(); ++i) {
        if (i == d.size() || d[i] == '/') {
            std::string part = d.substr(0, i);
            if (mkdir(part.c_str(), 0777) != 0 && errno != EEXIST) return false;
        }
    }
    return DirectoryExists(dir);
}

std::wstring ModuleFileName() {
    char buf[PATH_MAX] = {};
    ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    return n > 0 ? Utf8ToWide(std::string(buf, static_cast<size_t>(n))) : std::wstring();
}

TFileStream::TFileStream(const std::wstring& fileName, uint32_t mode) : fileName_(fileName) {
    int fd;
    if ((mode & 0xFF00) == fmCreate) {
        fd = open(Native(fileName).c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        if (fd < 0) throw EFileCreateError(L"Cannot create file \"" + fileName + L"\"");
    } else {
        int flags = (mode & 3) == fmOpenRead ? O_RDONLY : (mode & 3) == fmOpenWrite ? O_WRONLY : O_RDWR;
        fd = open(Native(fileName).c_str(), flags | O_CLOEXEC);
        if (fd < 0) throw EFOpenError(L"Cannot open file \"" + fileName + L"\"");
    }
    handle_ = fd;
}

TFileStream::~TFileStream() { close(static_cast<int>(handle_)); }

int64_t TFileStream::Read(void* buffer, int64_t count) {
    int64_t total = 0;
    auto* p = static_cast<char*>(buffer);
    while (count > 0) {
        ssize_t n = read(static_cast<int>(handle_), p, static_cast<size_t>(count));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        total += n;
        p += n;
        count -= n;
    }
    return total;
}

int64_t TFileStream::Write(const void* buffer, int64_t count) {
    int64_t total = 0;
    auto* p = static_cast<const char*>(buffer);
    while (count > 0) {
        ssize_t n = write(static_cast<int>(handle_), p, static_cast<size_t>(count));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        total += n;
        p += n;
        count -= n;
    }
    return total;
}

int64_t TFileStream::Seek(int64_t offset, TSeekOrigin origin) {
    int whence = origin == TSeekOrigin::soBeginning ? SEEK_SET : origin == TSeekOrigin::soCurrent ? SEEK_CUR : SEEK_END;
    return lseek(static_cast<int>(handle_), offset, whence);
}

void TFileStream::SetSize(int64_t size) {
    if (ftruncate(static_cast<int>(handle_), size) != 0)
        throw EStreamError(L"Cannot set the size of \"" + fileName_ + L"\"");
    if (Position() > size) SetPosition(size);
}
