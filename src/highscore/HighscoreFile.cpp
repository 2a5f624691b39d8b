// "Highscore.rnk": created with the default table when it cannot be read, loaded once at
// start-up, written back whole after every insertion. Every checked statement that fails ends
// the program with its report line.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>

#include "console/RunTimeError.h"
#include "highscore/HighscoreTable.h"

namespace numerion {
namespace {

// The game's one file number (1): the highscore file is opened and closed inside each
// operation and never held open, so two opens never overlap.
class HighscoreFile {
  public:
    HighscoreFile() = default;
    HighscoreFile(const HighscoreFile&) = delete;
    HighscoreFile& operator=(const HighscoreFile&) = delete;
    ~HighscoreFile() {
        if (fd_ >= 0) ::close(fd_);
    }

    // Open for reading as text input: fails only when the file cannot be read.
    bool openForReading() { return attempt(O_RDONLY); }

    // Update, else create, else read only: fails only when all three fail.
    bool openBinary() {
        if (attempt(O_RDWR)) return true;
        if (attempt(O_RDWR | O_CREAT)) {
            created_ = true;
            return true;
        }
        return attempt(O_RDONLY);
    }

    // Reads up to buffer.size() bytes from the start; a shorter file is no failure.
    bool readFromStart(std::span<std::uint8_t> buffer, std::size_t& got) {
        got = 0;
        while (got < buffer.size()) {
            const ssize_t n =
                ::pread(fd_, buffer.data() + got, buffer.size() - got, static_cast<off_t>(got));
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) return false;
            if (n == 0) break;
            got += static_cast<std::size_t>(n);
        }
        return true;
    }

    // Writes over the start of the file without truncating it, and does not return before
    // the bytes are on the disk: a save that returned must survive a crash or power loss.
    bool writeAtStart(std::span<const std::uint8_t> bytes) {
        std::size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n =
                ::pwrite(fd_, bytes.data() + done, bytes.size() - done, static_cast<off_t>(done));
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) return false;
            done += static_cast<std::size_t>(n);
        }
        if (::fsync(fd_) != 0 && errno != EINVAL) return false;
        if (created_) syncDirectory();
        return true;
    }

    bool close() {
        const int fd = fd_;
        fd_ = -1;
        // A failed close can mean lost bytes (network file systems report write errors only
        // here), so it is reported rather than taken as success. One interrupted by a signal
        // has still released the descriptor on Linux and lost nothing.
        return ::close(fd) == 0 || errno == EINTR;
    }

  private:
    // Only a regular file is a highscore file: a directory or a device of that name counts as
    // a file that cannot be opened (and a FIFO must not block the start-up).
    bool attempt(int flags) {
        int fd = -1;
        do {
            fd = ::open(kHighscoreFileName, flags | O_CLOEXEC | O_NONBLOCK, 0666);
        } while (fd < 0 && errno == EINTR);
        if (fd < 0) return false;
        struct stat info {};
        if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
            ::close(fd);
            return false;
        }
        fd_ = fd;
        return true;
    }

    // A newly created file's name must reach the disk too, or the synced bytes are lost with it.
    static void syncDirectory() {
        const int dir = ::open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (dir < 0) return;
        ::fsync(dir);
        ::close(dir);
    }

    int fd_ = -1;
    bool created_ = false;
};

// A checked file statement: records its error number, and ends the program when it failed.
void checked(bool ok, int error, int line) {
    errorContext().fileError = ok ? 0 : error;
    if (!ok) failFileStatement(line);
}

}  // namespace

void initHighscoreFile(HighscoreTable& table, KeyInput& keys) {
    HighscoreFile file;
    if (!file.openForReading()) {
        for (int place = 1; place <= HighscoreTable::kPlaces; ++place) {
            table.at(place, 37).points = 0;
            storeText(table.at(place, 38).name, "===============");
            storeText(table.at(place, 39).dateTime, dateTimeText(keys));
        }
        const HighscoreTable::Image image = table.image();
        checked(file.openBinary(), kErrFileNotFound, 41);
        checked(file.writeAtStart(image), kErrFileIo, 42);
        checked(file.close(), kErrFileIo, 43);
        return;
    }
    checked(file.close(), kErrFileIo, 45);
    checked(file.openBinary(), kErrFileNotFound, 46);
    HighscoreTable::Image image{};
    std::size_t got = 0;
    checked(file.readFromStart(image, got), kErrFileIo, 47);
    table.loadImage(std::span<const std::uint8_t>(image.data(), got));
    checked(file.close(), kErrFileIo, 48);
}

void saveHighscoreFile(const HighscoreTable& table) {
    const HighscoreTable::Image image = table.image();
    HighscoreFile file;
    checked(file.openBinary(), kErrFileNotFound, 338);
    checked(file.writeAtStart(image), kErrFileIo, 339);
    checked(file.close(), kErrFileIo, 340);
}

}  // namespace numerion
