#include "console/FileStore.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace numerion {

namespace {

int fdOf(std::intptr_t handle) {
    return static_cast<int>(handle);
}

// A newly created file's name must reach the disk too, or the synced bytes are lost with it.
void syncDirectory() {
    const int dir = ::open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0) return;
    ::fsync(dir);
    ::close(dir);
}

// Only a regular file is a highscore file: a directory or a device of that name counts as a
// file that cannot be opened (and a FIFO must not block the start-up).
int attempt(const char* name, int flags) {
    int fd = -1;
    do {
        fd = ::open(name, flags | O_CLOEXEC | O_NONBLOCK, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) return -1;
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return -1;
    }
    return fd;
}

}  // namespace

FileStore::~FileStore() {
    if (handle_ >= 0) ::close(fdOf(handle_));
}

bool FileStore::openForReading() {
    handle_ = attempt(name_, O_RDONLY);
    return handle_ >= 0;
}

bool FileStore::openBinary() {
    handle_ = attempt(name_, O_RDWR);
    if (handle_ >= 0) return true;
    handle_ = attempt(name_, O_RDWR | O_CREAT);
    if (handle_ >= 0) {
        created_ = true;
        return true;
    }
    handle_ = attempt(name_, O_RDONLY);
    return handle_ >= 0;
}

std::optional<std::size_t> FileStore::readAt(std::size_t offset, std::span<std::uint8_t> buffer) {
    std::size_t got = 0;
    while (got < buffer.size()) {
        const ssize_t n = ::pread(fdOf(handle_), buffer.data() + got, buffer.size() - got,
                                  static_cast<off_t>(offset + got));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return std::nullopt;
        if (n == 0) break;
        got += static_cast<std::size_t>(n);
    }
    return got;
}

bool FileStore::writeAt(std::size_t offset, std::span<const std::uint8_t> bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::pwrite(fdOf(handle_), bytes.data() + done, bytes.size() - done,
                                   static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

bool FileStore::sync() {
    // EINVAL: a file that cannot be synced (a special file system) has nothing to wait for.
    if (::fsync(fdOf(handle_)) != 0 && errno != EINVAL) return false;
    if (created_) syncDirectory();
    return true;
}

bool FileStore::close() {
    const int fd = fdOf(handle_);
    handle_ = -1;
    // A failed close can mean lost bytes (network file systems report write errors only
    // here), so it is reported rather than taken as success. One interrupted by a signal
    // has still released the descriptor on Linux and lost nothing.
    return ::close(fd) == 0 || errno == EINTR;
}

}  // namespace numerion
