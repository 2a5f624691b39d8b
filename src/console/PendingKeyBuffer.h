#pragma once
// The key presses the program has not read yet: a ring of 512 key codes. Adding to a full ring
// drops its oldest key, so at most 511 are held. Every key added sets the arrival flag that
// the waits look at.

#include <array>
#include <cstdint>
#include <optional>

namespace numerion {

class PendingKeyBuffer {
  public:
    static constexpr int kSize = 512;

    // A malformed code (neither a byte nor E x 256 + 255 with E in 1..255) is dropped, so a
    // read can always hand out one or two meaningful characters.
    void add(std::int32_t code) {
        if (!isValid(code)) return;
        ring_[tail_] = code;
        tail_ = (tail_ + 1) % kSize;
        if (tail_ == head_) head_ = (head_ + 1) % kSize;
        arrived_ = true;
    }
    // The oldest key, removed; taking one clears the arrival flag.
    std::optional<std::int32_t> take() {
        if (head_ == tail_) return std::nullopt;
        const std::int32_t code = ring_[head_];
        head_ = (head_ + 1) % kSize;
        arrived_ = false;
        return code;
    }
    // Whether a key was added since the flag was last cleared; clears it.
    bool takeArrived() {
        const bool arrived = arrived_;
        arrived_ = false;
        return arrived;
    }

  private:
    static bool isValid(std::int32_t code) {
        if (code >= 0 && code < 256) return true;
        const std::int32_t extended = code >> 8;
        return (code & 0xFF) == 0xFF && extended >= 1 && extended <= 255;
    }

    std::array<std::int32_t, kSize> ring_{};
    int head_ = 0;
    int tail_ = 0;
    bool arrived_ = false;
};

}  // namespace numerion
