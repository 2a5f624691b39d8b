#pragma once
// One file of the working directory, as the highscore file needs it: opened and closed inside
// each operation, read at an offset, and written whole or not at all. Only a regular file
// counts; a directory or a device of that name is a file that cannot be opened. Every
// failure is a value, never an exception or an end of the program: the caller decides.
// Each platform supplies the implementation (console/posix, console/wincon).
//
// Several programs may use the same file at once (two games started in one directory): a
// store opened with openBinary holds the file's lock until it is closed, so what it reads is
// still the file's content when its write takes effect. Writes take effect at commit(), all at
// once: until then the file is as it was, also after a crash or a power loss.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace numerion {

class FileStore {
  public:
    explicit FileStore(const char* name) : name_(name) {}
    // Closes the file if it is still open and drops what was written but not committed; a
    // failure there is nobody's business any more.
    ~FileStore();
    FileStore(const FileStore&) = delete;
    FileStore& operator=(const FileStore&) = delete;

    // Opens for reading only, without the lock: fails when the file cannot be read.
    bool openForReading();
    // Opens for update, else makes a new file, else opens for reading only: fails only when
    // all three fail. Waits for the file's lock and holds it until close().
    bool openBinary();
    // openBinary found no file and makes a new one: it reads as empty, and it appears under
    // the name at commit().
    bool isNew() const { return new_; }
    // Reads up to buffer.size() bytes from offset; the count read (short at the end of the
    // file), or nullopt on a failure.
    std::optional<std::size_t> readAt(std::size_t offset, std::span<std::uint8_t> buffer);
    // Writes all of bytes at offset without truncating the file, to take effect at commit();
    // false unless all were taken (a file opened for reading only takes none).
    bool writeAt(std::size_t offset, std::span<const std::uint8_t> bytes);

    enum class Commit {
        Done,    // the file is what was written over what it held, on the disk
        Failed,  // the file is as it was
        Raced,   // a new file was not made: another program made one of that name meanwhile
    };
    // Makes the writes the file's content at once and does not return before that is on the
    // disk.
    Commit commit();
    // Closes the file and gives up its lock; false when the close reports lost bytes.
    bool close();

  private:
    const char* name_;
    std::string path_;           // the file the name leads to (through symbolic links)
    std::intptr_t handle_ = -1;  // the platform's descriptor or handle; -1 while closed
    std::intptr_t lock_ = -1;    // a lock apart from the file, where the platform has one
    std::intptr_t staged_ = -1;  // the new content's file until commit; -1 when none
    std::string stagedPath_;     // its name, beside path_
    bool writable_ = false;      // opened for update (or new)
    bool new_ = false;           // no file was there
    bool inPlace_ = false;       // no new file can be made: writes go into the file
};

}  // namespace numerion
