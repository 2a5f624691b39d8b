#pragma once
// Writing a whole buffer to a descriptor: continued after partial writes and interruptions, and
// after a moment's wait where the descriptor was set non-blocking (a terminal shared with our
// own input). Only write and poll, so signal handlers use it too.

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>

namespace numerion {

// Returns the bytes written: all of them, unless the descriptor failed (a closed terminal or
// pipe, a full disk), where there is nobody left to tell.
inline std::size_t writeAll(int fd, const char* bytes, std::size_t size) {
    std::size_t written = 0;
    while (written < size) {
        const ssize_t n = ::write(fd, bytes + written, size - written);
        if (n > 0) {
            written += static_cast<std::size_t>(n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            pollfd p{fd, POLLOUT, 0};
            ::poll(&p, 1, 100);
        } else {
            break;
        }
    }
    return written;
}

}  // namespace numerion
