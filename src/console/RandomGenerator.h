#pragma once
// The program's one random generator: MT19937 with its own seeding (a linear congruential fill
// of the state) and draws scaled to [0, 1) as multiples of 2^-32.

#include <cstdint>
#include <random>

namespace numerion {

class RandomGenerator {
  public:
    void randomize(double seed);
    // Any x other than 0 draws the next number; x = 0 returns the last result again.
    double rnd(float x = 1.0F);
    // floor(rnd(1) x k): a draw from 0 to k - 1.
    int below(int k) { return static_cast<int>(rnd(1.0F) * k); }

  private:
    std::mt19937 engine_;
    double lastResult_ = 0.0;
    bool seeded_ = false;
};

}  // namespace numerion
