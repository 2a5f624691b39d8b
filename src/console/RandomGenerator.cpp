#include "console/RandomGenerator.h"

#include <array>
#include <cstdint>
#include <sstream>

namespace numerion {

void RandomGenerator::randomize(double seed) {
    // The fraction is lost; a negative seed gives its two's-complement low bits.
    auto s =
        static_cast<std::uint32_t>(static_cast<std::uint64_t>(static_cast<std::int64_t>(seed)));
    std::array<std::uint32_t, std::mt19937::state_size> state{};
    state[0] = s;
    for (std::size_t i = 1; i < state.size(); ++i) {
        state[i] = state[i - 1] * 1664525U + 1013904223U;
    }
    // The engine's textual form is its state words and the position; position 624 makes the
    // first draw twist the whole state.
    std::stringstream text;
    for (std::uint32_t word : state)
        text << word << ' ';
    text << std::mt19937::state_size;
    text >> engine_;
    seeded_ = true;
}

double RandomGenerator::rnd(float x) {
    if (x == 0.0F) return lastResult_;
    if (!seeded_) randomize(0.0);
    lastResult_ = static_cast<double>(engine_()) / 4294967296.0;
    return lastResult_;
}

}  // namespace numerion
