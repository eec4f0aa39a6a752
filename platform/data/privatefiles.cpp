#include "platform/data/privatefiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kadrolin::data {

bool CreateOwnerOnlyFile(const std::string &fileName) {
    const int fd = ::open(fileName.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    // The umask may have taken the owner's bits too.
    const bool ok = ::fchmod(fd, 0600) == 0;
    ::close(fd);
    if (!ok) ::unlink(fileName.c_str());
    return ok;
}

void TightenRegisterFiles(const std::string &fileName) {
    for (const char *suffix : {"", "-wal", "-shm", "-journal"}) {
        const std::string path = fileName + suffix;
        const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) continue;
        struct stat info {};
        // Through the open file: the name cannot be swapped for another in between.
        if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_uid == ::geteuid() &&
            (info.st_mode & 077) != 0)
            ::fchmod(fd, info.st_mode & 07700);
        ::close(fd);
    }
}

} // namespace kadrolin::data
