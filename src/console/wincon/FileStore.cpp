#include "console/FileStore.h"

#include <windows.h>

#include <algorithm>
#include <limits>

namespace numerion {

namespace {

HANDLE handleOf(std::intptr_t handle) {
    return reinterpret_cast<HANDLE>(handle);
}

std::intptr_t valueOf(HANDLE handle) {
    return reinterpret_cast<std::intptr_t>(handle);
}

// Another program may read the file meanwhile, as on Linux; only a regular file on a disk is
// a highscore file (a directory cannot be opened this way at all, a device or pipe of that
// name is refused).
HANDLE attempt(const char* name, DWORD access, DWORD disposition, bool& created) {
    SetLastError(ERROR_SUCCESS);
    HANDLE file = CreateFileA(name, access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return file;
    created = disposition == OPEN_ALWAYS && GetLastError() != ERROR_ALREADY_EXISTS;
    BY_HANDLE_FILE_INFORMATION info{};
    const bool writing = (access & GENERIC_WRITE) != 0;
    // A file marked read-only is never written, as Windows refuses it to everyone; wine
    // running as root would otherwise let the write through.
    if (GetFileType(file) != FILE_TYPE_DISK || !GetFileInformationByHandle(file, &info) ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ||
        (writing && (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0)) {
        CloseHandle(file);
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

}  // namespace

FileStore::~FileStore() {
    if (handle_ != -1) CloseHandle(handleOf(handle_));
}

bool FileStore::openForReading() {
    bool created = false;
    handle_ = valueOf(attempt(name_, GENERIC_READ, OPEN_EXISTING, created));
    return handle_ != -1;
}

bool FileStore::openBinary() {
    bool created = false;
    handle_ = valueOf(attempt(name_, GENERIC_READ | GENERIC_WRITE, OPEN_EXISTING, created));
    if (handle_ != -1) return true;
    handle_ = valueOf(attempt(name_, GENERIC_READ | GENERIC_WRITE, OPEN_ALWAYS, created));
    if (handle_ != -1) {
        created_ = created;
        return true;
    }
    handle_ = valueOf(attempt(name_, GENERIC_READ, OPEN_EXISTING, created));
    return handle_ != -1;
}

std::optional<std::size_t> FileStore::readAt(std::size_t offset, std::span<std::uint8_t> buffer) {
    std::size_t got = 0;
    while (got < buffer.size()) {
        OVERLAPPED where = at(offset + got);
        DWORD n = 0;
        const DWORD want = static_cast<DWORD>(std::min(buffer.size() - got, kLargestTransfer));
        if (!ReadFile(handleOf(handle_), buffer.data() + got, want, &n, &where)) {
            if (GetLastError() == ERROR_HANDLE_EOF) break;
            return std::nullopt;
        }
        if (n == 0) break;
        got += n;
    }
    return got;
}

bool FileStore::writeAt(std::size_t offset, std::span<const std::uint8_t> bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        OVERLAPPED where = at(offset + done);
        DWORD n = 0;
        const DWORD want = static_cast<DWORD>(std::min(bytes.size() - done, kLargestTransfer));
        if (!WriteFile(handleOf(handle_), bytes.data() + done, want, &n, &where) || n == 0)
            return false;
        done += n;
    }
    return true;
}

bool FileStore::sync() {
    // Flushes the file's data and its directory entry (Windows keeps both with the file).
    return FlushFileBuffers(handleOf(handle_)) != 0;
}

bool FileStore::close() {
    HANDLE file = handleOf(handle_);
    handle_ = -1;
    return CloseHandle(file) != 0;
}

}  // namespace numerion
