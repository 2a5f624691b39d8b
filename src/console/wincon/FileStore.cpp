#include "console/FileStore.h"

#include <windows.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <limits>
#include <string>

namespace numerion {

namespace {

HANDLE handleOf(std::intptr_t handle) {
    return reinterpret_cast<HANDLE>(handle);
}

std::intptr_t valueOf(HANDLE handle) {
    return reinterpret_cast<std::intptr_t>(handle);
}

constexpr std::intptr_t kNone = -1;

void closeHandle(std::intptr_t& handle) {
    if (handle == kNone) return;
    CloseHandle(handleOf(handle));
    handle = kNone;
}

// Another program may read the file meanwhile, as on Linux; only a regular file on a disk is
// a highscore file (a directory cannot be opened this way at all, a device or pipe of that
// name is refused).
HANDLE attempt(const char* name, DWORD access, DWORD disposition) {
    HANDLE file = CreateFileA(name, access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return file;
    BY_HANDLE_FILE_INFORMATION info{};
    const bool writing = (access & GENERIC_WRITE) != 0;
    // A file marked read-only is never written, as Windows refuses it to everyone; wine
    // running as root would otherwise let the write through.
    if (GetFileType(file) != FILE_TYPE_DISK || !GetFileInformationByHandle(file, &info) ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ||
        (writing && (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0)) {
        CloseHandle(file);
        SetLastError(ERROR_ACCESS_DENIED);
        return INVALID_HANDLE_VALUE;
    }
    return file;
}

// A transfer at an offset, leaving no file position behind that matters.
OVERLAPPED at(std::size_t offset) {
    OVERLAPPED where{};
    const auto wide = static_cast<std::uint64_t>(offset);
    where.Offset = static_cast<DWORD>(wide & 0xFFFFFFFFU);
    where.OffsetHigh = static_cast<DWORD>(wide >> 32);
    return where;
}

constexpr std::size_t kLargestTransfer = std::numeric_limits<DWORD>::max();

bool readAllAt(HANDLE file, std::size_t offset, std::span<std::uint8_t> buffer, std::size_t& got) {
    got = 0;
    while (got < buffer.size()) {
        OVERLAPPED where = at(offset + got);
        DWORD n = 0;
        const DWORD want = static_cast<DWORD>(std::min(buffer.size() - got, kLargestTransfer));
        if (!ReadFile(file, buffer.data() + got, want, &n, &where)) {
            if (GetLastError() == ERROR_HANDLE_EOF) break;
            return false;
        }
        if (n == 0) break;
        got += n;
    }
    return true;
}

bool writeAllAt(HANDLE file, std::size_t offset, std::span<const std::uint8_t> bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        OVERLAPPED where = at(offset + done);
        DWORD n = 0;
        const DWORD want = static_cast<DWORD>(std::min(bytes.size() - done, kLargestTransfer));
        if (!WriteFile(file, bytes.data() + done, want, &n, &where) || n == 0) return false;
        done += n;
    }
    return true;
}

// Everything the file holds, also beyond what the program writes: the new file keeps it.
bool copyAll(HANDLE from, HANDLE to) {
    std::array<std::uint8_t, 8192> chunk{};
    for (std::size_t offset = 0;;) {
        std::size_t got = 0;
        if (!readAllAt(from, offset, chunk, got)) return false;
        if (got == 0) return true;
        if (!writeAllAt(to, offset, std::span<const std::uint8_t>(chunk.data(), got))) return false;
        offset += got;
    }
}

std::string directoryOf(const std::string& path) {
    const std::size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// A file of its own beside path, hidden and made afresh, so no other program's file is ever
// taken: ".Highscore.rnk-<process>-<n>".
HANDLE makeBeside(const std::string& path, std::string& made) {
    const std::string directory = directoryOf(path);
    const std::string prefix = directory + "." + path.substr(directory.size()) + "-" +
                               std::to_string(GetCurrentProcessId()) + "-";
    for (int n = 0; n < 100; ++n) {
        made = prefix + std::to_string(n);
        HANDLE file = attempt(made.c_str(), GENERIC_READ | GENERIC_WRITE, CREATE_NEW);
        if (file != INVALID_HANDLE_VALUE) return file;
        if (GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS) break;
    }
    made.clear();
    return INVALID_HANDLE_VALUE;
}

void discard(std::intptr_t& staged, std::string& made) {
    closeHandle(staged);
    if (!made.empty()) DeleteFileA(made.c_str());
    made.clear();
}

// Windows refuses to rename over a file that is open, so a lock on the file itself cannot be
// held while its new content takes its place. The lock is a named mutex of the file's
// directory instead (one highscore file to a directory), which every game takes before it
// opens the file: it outlives the rename, and a game that dies holding it gives it up. The
// name comes from the directory's final path, the same however the directory was reached.
HANDLE takeLock(const char* name) {
    std::array<wchar_t, MAX_PATH * 2> path{};
    std::array<char, MAX_PATH * 2> full{};
    const DWORD length =
        GetFullPathNameA(name, static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (length == 0 || length >= full.size()) return nullptr;
    const std::string directory = directoryOf(std::string(full.data(), length));
    HANDLE folder =
        CreateFileA(directory.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    DWORD got = 0;
    if (folder != INVALID_HANDLE_VALUE) {
        got = GetFinalPathNameByHandleW(folder, path.data(), static_cast<DWORD>(path.size()), 0);
        CloseHandle(folder);
    }
    if (got == 0 || got >= path.size()) {
        got = static_cast<DWORD>(MultiByteToWideChar(CP_ACP, 0, directory.c_str(), -1, path.data(),
                                                     static_cast<int>(path.size())));
    }
    // FNV-1a over the path's characters: a mutex name may not hold backslashes.
    std::uint64_t hash = 14695981039346656037ULL;
    for (DWORD i = 0; i < got && path[i] != L'\0'; ++i)
        hash = (hash ^ static_cast<std::uint16_t>(path[i])) * 1099511628211ULL;
    std::array<char, 64> lockName{};
    std::snprintf(lockName.data(), lockName.size(), "Local\\numerion-highscore-%016llx",
                  static_cast<unsigned long long>(hash));
    HANDLE lock = CreateMutexA(nullptr, FALSE, lockName.data());
    if (lock == nullptr) return nullptr;
    // An abandoned mutex (its holder died) is ours all the same.
    const DWORD waited = WaitForSingleObject(lock, INFINITE);
    if (waited != WAIT_OBJECT_0 && waited != WAIT_ABANDONED) {
        CloseHandle(lock);
        return nullptr;
    }
    return lock;
}

// Programs outside the game (a virus scanner, an indexer, an editor) may have the file open
// for a moment, which makes the rename fail: it is tried again, for about two seconds.
bool moveIntoPlace(const std::string& from, const std::string& to, bool replace, bool& raced) {
    const DWORD flags = MOVEFILE_WRITE_THROUGH | (replace ? MOVEFILE_REPLACE_EXISTING : 0);
    DWORD waited = 0;
    for (DWORD wait = 1;; wait = std::min<DWORD>(wait * 2, 100)) {
        if (MoveFileExA(from.c_str(), to.c_str(), flags)) return true;
        const DWORD error = GetLastError();
        raced = !replace && (error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS);
        const bool busy = error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION ||
                          error == ERROR_LOCK_VIOLATION;
        if (raced || !busy || waited >= 2000) return false;
        Sleep(wait);
        waited += wait;
    }
}

// The attributes a new content carries over from the file it replaces.
constexpr DWORD kKeptAttributes = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                  FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

}  // namespace

FileStore::~FileStore() {
    close();
}

bool FileStore::openForReading() {
    handle_ = valueOf(attempt(name_, GENERIC_READ, OPEN_EXISTING));
    return handle_ != kNone;
}

bool FileStore::openBinary() {
    HANDLE lock = takeLock(name_);
    lock_ = lock == nullptr ? kNone : valueOf(lock);
    std::array<char, MAX_PATH * 2> full{};
    const DWORD length =
        GetFullPathNameA(name_, static_cast<DWORD>(full.size()), full.data(), nullptr);
    path_ = length > 0 && length < full.size() ? std::string(full.data(), length) : name_;

    handle_ = valueOf(attempt(name_, GENERIC_READ | GENERIC_WRITE, OPEN_EXISTING));
    writable_ = handle_ != kNone;
    if (writable_) return true;
    if (GetLastError() == ERROR_FILE_NOT_FOUND) {
        std::string made;
        HANDLE created = makeBeside(path_, made);
        if (created == INVALID_HANDLE_VALUE) return false;
        staged_ = valueOf(created);
        stagedPath_ = made;
        new_ = writable_ = true;
        return true;
    }
    handle_ = valueOf(attempt(name_, GENERIC_READ, OPEN_EXISTING));
    return handle_ != kNone;
}

std::optional<std::size_t> FileStore::readAt(std::size_t offset, std::span<std::uint8_t> buffer) {
    std::size_t got = 0;
    if (!readAllAt(handleOf(new_ ? staged_ : handle_), offset, buffer, got)) return std::nullopt;
    return got;
}

bool FileStore::writeAt(std::size_t offset, std::span<const std::uint8_t> bytes) {
    if (!writable_) return false;
    if (staged_ == kNone && !inPlace_) {
        // Where no copy can be made beside the file (a directory that may not be written to),
        // or the file has other names (hard links) a copy would leave behind, the file is
        // written in place under the lock, as the safest way left.
        BY_HANDLE_FILE_INFORMATION info{};
        if (!GetFileInformationByHandle(handleOf(handle_), &info)) return false;
        HANDLE copy =
            info.nNumberOfLinks > 1 ? INVALID_HANDLE_VALUE : makeBeside(path_, stagedPath_);
        if (copy == INVALID_HANDLE_VALUE && info.nNumberOfLinks <= 1 &&
            GetLastError() != ERROR_ACCESS_DENIED) {
            return false;
        }
        inPlace_ = copy == INVALID_HANDLE_VALUE;
        if (!inPlace_) {
            staged_ = valueOf(copy);
            if (!copyAll(handleOf(handle_), copy)) {
                discard(staged_, stagedPath_);
                return false;
            }
        }
    }
    if (writeAllAt(handleOf(inPlace_ ? handle_ : staged_), offset, bytes)) return true;
    // A failure ends the program, which does not come back to remove the copy.
    discard(staged_, stagedPath_);
    writable_ = false;
    return false;
}

FileStore::Commit FileStore::commit() {
    if (!writable_) return Commit::Failed;
    // Flushes the file's data and its directory entry (Windows keeps both with the file).
    if (inPlace_) return FlushFileBuffers(handleOf(handle_)) ? Commit::Done : Commit::Failed;
    if (staged_ == kNone) return Commit::Done;
    BY_HANDLE_FILE_INFORMATION info{};
    const DWORD kept = handle_ != kNone && GetFileInformationByHandle(handleOf(handle_), &info)
                           ? info.dwFileAttributes & kKeptAttributes
                           : 0;
    const bool flushed = FlushFileBuffers(handleOf(staged_)) != 0;
    closeHandle(staged_);
    // Nothing of ours may hold the file open while the copy is renamed over it.
    closeHandle(handle_);
    if (kept != 0) SetFileAttributesA(stagedPath_.c_str(), kept);
    bool raced = false;
    if (!flushed || !moveIntoPlace(stagedPath_, path_, !new_, raced)) {
        discard(staged_, stagedPath_);
        return raced ? Commit::Raced : Commit::Failed;
    }
    stagedPath_.clear();  // the file itself now
    return Commit::Done;
}

bool FileStore::close() {
    discard(staged_, stagedPath_);
    bool closed = true;
    if (handle_ != kNone) closed = CloseHandle(handleOf(handle_)) != 0;
    handle_ = kNone;
    if (lock_ != kNone) {
        ReleaseMutex(handleOf(lock_));
        closeHandle(lock_);
    }
    writable_ = new_ = inPlace_ = false;
    return closed;
}

}  // namespace numerion
