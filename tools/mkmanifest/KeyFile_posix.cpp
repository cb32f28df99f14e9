#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "KeyFile.h"

bool CreateOwnerOnlyFile(const std::string& path, const std::string& data, std::string& error) {
    // O_EXCL also refuses a symbolic link, dangling or not, at path.
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) {
        error = std::strerror(errno);
        return false;
    }
    // The umask can only take bits away; put back exactly owner read and write.
    bool ok = ::fchmod(fd, 0600) == 0;
    for (size_t done = 0; ok && done < data.size();) {
        ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0 && errno == EINTR) continue;
        ok = n > 0;
        if (ok) done += static_cast<size_t>(n);
    }
    if (!ok) error = std::strerror(errno);
    if (::close(fd) != 0 && ok) {
        error = std::strerror(errno);
        ok = false;
    }
    if (!ok) ::unlink(path.c_str());
    return ok;
}
