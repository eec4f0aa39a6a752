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
        struct stat info {};
        // By name, never through a descriptor of our own: closing one would drop
        // the locks another connection of this process holds on the file.
        if (::lstat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && info.st_uid == ::geteuid() &&
            (info.st_mode & 077) != 0)
            ::chmod(path.c_str(), info.st_mode & 07700);
    }
}

} // namespace kadrolin::data
