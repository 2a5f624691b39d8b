#pragma once
// One file of the working directory, as the highscore file needs it: opened and closed inside
// each operation, read and written at an offset, synced to the disk. Only a regular file
// counts; a directory or a device of that name is a file that cannot be opened. Every
// failure is a value, never an exception or an end of the program: the caller decides.
// Each platform supplies the implementation (console/posix, console/wincon).

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace numerion {

class FileStore {
  public:
    explicit FileStore(const char* name) : name_(name) {}
    // Closes the file if it is still open; a failure there is nobody's business any more.
    ~FileStore();
    FileStore(const FileStore&) = delete;
    FileStore& operator=(const FileStore&) = delete;

    // Opens for reading only: fails when the file cannot be read.
    bool openForReading();
    // Opens for update, else creates it, else opens for reading only: fails only when all
    // three fail.
    bool openBinary();
    // Reads up to buffer.size() bytes from offset; the count read (short at the end of the
    // file), or nullopt on a failure.
    std::optional<std::size_t> readAt(std::size_t offset, std::span<std::uint8_t> buffer);
    // Writes all of bytes at offset without truncating the file; false unless all were taken.
    bool writeAt(std::size_t offset, std::span<const std::uint8_t> bytes);
    // Does not return before what was written is on the disk (with the name of a file that
    // this store created); false when the system says it is not.
    bool sync();
    // Closes the file; false when the close reports lost bytes.
    bool close();

  private:
    const char* name_;
    std::intptr_t handle_ = -1;  // the platform's descriptor or handle; -1 while closed
    bool created_ = false;
};

}  // namespace numerion
