#pragma once
// Death-test helpers: exact patterns for reports, and a cleanup that shows it ran.

#include <unistd.h>

#include <string>
#include <string_view>

namespace numerion::testing {

// A regular expression that matches exactly this text and nothing around it.
inline std::string exactly(const std::string& text) {
    std::string pattern = "^";
    for (char c : text) {
        if (std::string_view("\\^$.|?*+()[]{}").find(c) != std::string_view::npos) {
            pattern += '\\';
        }
        pattern += c;
    }
    return pattern + "$";
}

// A fatal cleanup that writes "terminal restored" to standard error, as a signal handler may.
inline void writeCleanupMarker() {
    const char marker[] = "terminal restored";
    (void)!::write(STDERR_FILENO, marker, sizeof marker - 1);
}

}  // namespace numerion::testing
