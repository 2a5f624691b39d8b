#include "console/FileStore.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <climits>
#include <utility>

#include "console/posix/StoreSync.h"

namespace numerion {

namespace {

int fdOf(std::intptr_t handle) {
    return static_cast<int>(handle);
}

// Only a regular file is a highscore file: a directory or a device of that name counts as a
// file that cannot be opened (and a FIFO must not block the start-up).
int attempt(const char* name, int flags, mode_t mode = 0666) {
    int fd = -1;
    do {
        fd = ::open(name, flags | O_CLOEXEC | O_NONBLOCK, mode);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) return -1;
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        errno = EINVAL;
        return -1;
    }
    return fd;
}

std::string directoryOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// The file a name leads to through symbolic links (a relative one counts from its own
// directory): a new content is made beside that file and renamed over it, so the link stays.
std::string resolve(const char* name) {
    std::string path = name;
    std::array<char, PATH_MAX> target{};
    for (int hops = 0; hops < 40; ++hops) {
        const ssize_t n = ::readlink(path.c_str(), target.data(), target.size() - 1);
        if (n <= 0) break;  // no link, or nothing there: the path as it stands
        std::string next = target[0] == '/' ? std::string() : directoryOf(path);
        next.append(target.data(), static_cast<std::size_t>(n));
        path = std::move(next);
    }
    return path;
}

bool sameFile(int fd, const char* name) {
    struct stat open {};
    struct stat named {};
    return ::fstat(fd, &open) == 0 && ::stat(name, &named) == 0 && open.st_dev == named.st_dev &&
           open.st_ino == named.st_ino;
}

// A file system without locks (some network ones) leaves the file unlocked; the save is whole
// all the same.
void lockFile(int fd) {
    while (::flock(fd, LOCK_EX) != 0 && errno == EINTR) {
    }
}

// Linux makes a file without a name in a directory (O_TMPFILE), which a crash leaves nothing
// of; it takes a name through /proc only as it takes the file's place.
constexpr const char* kUnnamed = "/proc/self/fd/";

bool unnamed(const std::string& made) {
    return made.rfind(kUnnamed, 0) == 0;
}

// Links the file made (named or not) to a new name; false with errno.
bool linkTo(const std::string& made, const std::string& name) {
    return ::linkat(AT_FDCWD, made.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0;
}

std::string hiddenPrefix(const std::string& path) {
    const std::string directory = directoryOf(path);
    return directory + "." + path.substr(directory.size()) + "-" + std::to_string(::getpid()) + "-";
}

// A file of its own beside path: unnamed where the system can, else hidden and made afresh
// (O_EXCL), so no other program's file is ever taken: ".Highscore.rnk-<pid>-<n>".
int makeBeside(const std::string& path, mode_t mode, std::string& made) {
#if defined(__linux__) && defined(O_TMPFILE)
    if (::access(kUnnamed, X_OK) == 0) {
        const std::string directory = directoryOf(path);
        const int fd =
            attempt(directory.empty() ? "." : directory.c_str(), O_RDWR | O_TMPFILE, mode);
        if (fd >= 0) {
            made = kUnnamed + std::to_string(fd);
            return fd;
        }
    }
#endif
    const std::string prefix = hiddenPrefix(path);
    for (int n = 0; n < 100; ++n) {
        made = prefix + std::to_string(n);
        const int fd = attempt(made.c_str(), O_RDWR | O_CREAT | O_EXCL, mode);
        if (fd >= 0) return fd;
        if (errno != EEXIST) break;
    }
    made.clear();
    return -1;
}

// An unnamed file's hidden name beside path, for the rename over it.
bool nameBeside(std::string& made, const std::string& path) {
    const std::string prefix = hiddenPrefix(path);
    for (int n = 0; n < 100; ++n) {
        if (linkTo(made, prefix + std::to_string(n))) {
            made = prefix + std::to_string(n);
            return true;
        }
        if (errno != EEXIST) break;
    }
    return false;
}

void removeName(const std::string& made) {
    if (!unnamed(made)) ::unlink(made.c_str());
}

void discard(int fd, std::string& made) {
    ::close(fd);
    removeName(made);
    made.clear();
}

bool syncFile(int fd) {
    // EINVAL: a file that cannot be synced (a special file system) has nothing to wait for.
    return ::fsync(fd) == 0 || errno == EINVAL;
}

bool readAllAt(int fd, std::size_t offset, std::span<std::uint8_t> buffer, std::size_t& got) {
    got = 0;
    while (got < buffer.size()) {
        const ssize_t n =
            ::pread(fd, buffer.data() + got, buffer.size() - got, static_cast<off_t>(offset + got));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        if (n == 0) break;
        got += static_cast<std::size_t>(n);
    }
    return true;
}

bool writeAllAt(int fd, std::size_t offset, std::span<const std::uint8_t> bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::pwrite(fd, bytes.data() + done, bytes.size() - done,
                                   static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// Everything the file holds, also beyond what the program writes: the new file keeps it.
bool copyAll(int from, int to) {
    std::array<std::uint8_t, 8192> chunk{};
    for (std::size_t offset = 0;;) {
        std::size_t got = 0;
        if (!readAllAt(from, offset, chunk, got)) return false;
        if (got == 0) return true;
        if (!writeAllAt(to, offset, std::span<const std::uint8_t>(chunk.data(), got))) return false;
        offset += got;
    }
}

enum class Staging { Made, InPlace, Failed };

// A copy of the file beside it, with its owner and mode, to take its place whole at the commit.
// Where no such copy can stand in for it, the file is written in place under its lock, as the
// safest way left: a directory that may not be written to, an owner the copy cannot be given,
// or other names of the file (hard links), which a new file would leave behind.
Staging stageCopy(int file, const std::string& path, std::string& made, int& staged) {
    struct stat info {};
    if (::fstat(file, &info) != 0) return Staging::Failed;
    if (info.st_nlink > 1) return Staging::InPlace;
    const int fd = makeBeside(path, S_IRUSR | S_IWUSR, made);
    if (fd < 0) {
        return errno == EACCES || errno == EPERM || errno == EROFS ? Staging::InPlace
                                                                   : Staging::Failed;
    }
    struct stat mine {};
    const bool owned =
        ::fstat(fd, &mine) == 0 && ((mine.st_uid == info.st_uid && mine.st_gid == info.st_gid) ||
                                    ::fchown(fd, info.st_uid, info.st_gid) == 0);
    if (!owned || ::fchmod(fd, info.st_mode & 07777) != 0) {
        discard(fd, made);
        return Staging::InPlace;
    }
    if (!copyAll(file, fd)) {
        discard(fd, made);
        return Staging::Failed;
    }
    staged = fd;
    return Staging::Made;
}

// Where a file system has no hard links (FAT, the browser's), a new file is renamed into place.
bool linksUnsupported(int error) {
    return error == EPERM || error == EMLINK || error == ENOSYS || error == EOPNOTSUPP;
}

void dropStaged(std::intptr_t& staged, std::string& made) {
    if (staged < 0) return;
    if (made.empty()) {
        ::close(static_cast<int>(staged));
    } else {
        discard(static_cast<int>(staged), made);
    }
    staged = -1;
}

// The synced copy takes the file's name: over the old file, or as a new one that never
// replaces a file another program made meanwhile (a link refuses).
FileStore::Commit putInPlace(int staged, std::string& made, const std::string& path, bool fresh) {
    if (!syncFile(staged)) return FileStore::Commit::Failed;
    if (fresh) {
        if (linkTo(made, path)) {
            removeName(made);
        } else if (errno == EEXIST) {
            return FileStore::Commit::Raced;
        } else if (unnamed(made) || !linksUnsupported(errno) ||
                   ::rename(made.c_str(), path.c_str()) != 0) {
            return FileStore::Commit::Failed;
        }
    } else if ((unnamed(made) && !nameBeside(made, path)) ||
               ::rename(made.c_str(), path.c_str()) != 0) {
        return FileStore::Commit::Failed;
    }
    made.clear();  // the file itself now
    return FileStore::Commit::Done;
}

// A save that renamed its new file over the old one while this waited for the lock leaves the
// old one locked here, so the open is tried again on what the name leads to now; each try
// means another save was done meanwhile.
constexpr int kMaxOpens = 1000;

}  // namespace

FileStore::~FileStore() {
    close();
}

bool FileStore::openForReading() {
    handle_ = attempt(name_, O_RDONLY);
    return handle_ >= 0;
}

bool FileStore::openBinary() {
    posix::beginLockedUse();
    lock_ = 1;
    for (int opens = 0; opens < kMaxOpens; ++opens) {
        path_ = resolve(name_);
        int fd = attempt(name_, O_RDWR);
        writable_ = fd >= 0;
        if (fd < 0 && errno == ENOENT) {
            std::string made;
            const int created = makeBeside(path_, 0666, made);
            if (created < 0) return false;
            staged_ = created;
            stagedPath_ = made;
            new_ = true;
            writable_ = true;
            return true;
        }
        if (fd < 0) fd = attempt(name_, O_RDONLY);
        if (fd < 0) return false;
        lockFile(fd);
        if (sameFile(fd, name_)) {
            handle_ = fd;
            return true;
        }
        ::close(fd);
    }
    return false;
}

std::optional<std::size_t> FileStore::readAt(std::size_t offset, std::span<std::uint8_t> buffer) {
    std::size_t got = 0;
    if (!readAllAt(fdOf(new_ ? staged_ : handle_), offset, buffer, got)) return std::nullopt;
    return got;
}

bool FileStore::writeAt(std::size_t offset, std::span<const std::uint8_t> bytes) {
    if (!writable_) return false;
    if (staged_ < 0 && !inPlace_) {
        int staged = -1;
        switch (stageCopy(fdOf(handle_), path_, stagedPath_, staged)) {
            case Staging::Made:
                staged_ = staged;
                break;
            case Staging::InPlace:
                inPlace_ = true;
                break;
            case Staging::Failed:
                return false;
        }
    }
    if (writeAllAt(fdOf(inPlace_ ? handle_ : staged_), offset, bytes)) return true;
    // A failure ends the program, which does not come back to remove the copy.
    dropStaged(staged_, stagedPath_);
    writable_ = false;
    return false;
}

FileStore::Commit FileStore::commit() {
    if (!writable_) return Commit::Failed;
    if (inPlace_) return syncFile(fdOf(handle_)) ? Commit::Done : Commit::Failed;
    if (staged_ < 0) return Commit::Done;
    const Commit placed = putInPlace(fdOf(staged_), stagedPath_, path_, new_);
    if (placed == Commit::Failed) dropStaged(staged_, stagedPath_);
    if (placed != Commit::Done) return placed;
    return posix::makeLasting(path_) ? Commit::Done : Commit::Failed;
}

bool FileStore::close() {
    bool closed = true;
    if (staged_ >= 0) {
        // Only a copy that became the file can lose bytes in its close.
        const bool published = stagedPath_.empty();
        const bool ok = ::close(fdOf(staged_)) == 0 || errno == EINTR;
        if (published) closed = ok;
        if (!published) removeName(stagedPath_);
        staged_ = -1;
        stagedPath_.clear();
    }
    if (handle_ >= 0) {
        // A failed close can mean lost bytes (network file systems report write errors only
        // here), so it is reported rather than taken as success. One interrupted by a signal
        // has still released the descriptor on Linux and lost nothing.
        closed = (::close(fdOf(handle_)) == 0 || errno == EINTR) && closed;
        handle_ = -1;
    }
    if (lock_ >= 0) posix::endLockedUse();
    lock_ = -1;
    writable_ = new_ = inPlace_ = false;
    return closed;
}

}  // namespace numerion
