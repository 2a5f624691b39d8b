#include "console/posix/StoreSync.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace numerion::posix {

// flock on the file itself serves every process here.
void beginLockedUse() {}
void endLockedUse() {}

bool makeLasting(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    const std::string directory = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    const int fd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    // A directory that may not be read cannot be synced from here; its name still stands.
    if (fd < 0) return true;
    // EINVAL: a file system that has no syncing to wait for.
    const bool synced = ::fsync(fd) == 0 || errno == EINVAL;
    ::close(fd);
    return synced;
}

}  // namespace numerion::posix
