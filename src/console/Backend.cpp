#include "console/Backend.h"

namespace numerion {

std::optional<std::tm> Backend::localTime() {
    const std::time_t now = std::time(nullptr);
    if (now == static_cast<std::time_t>(-1)) return std::nullopt;
    // The program reads the clock on its one thread only, so localtime's shared result is
    // copied out before anything else can ask.
    const std::tm* local = std::localtime(&now);
    if (local == nullptr) return std::nullopt;
    return *local;
}

}  // namespace numerion
