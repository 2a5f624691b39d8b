#include "console/RandomGenerator.h"

#include <gtest/gtest.h>

namespace numerion {
namespace {

constexpr double kTwoToMinus32 = 1.0 / 4294967296.0;

TEST(RandomGenerator, SeedZeroGivesTheKnownFirstDraws) {
    RandomGenerator random;
    random.randomize(0.0);
    EXPECT_EQ(random.rnd(1), 1417766733 * kTwoToMinus32);
    EXPECT_EQ(random.rnd(1), 1413209507 * kTwoToMinus32);
    EXPECT_EQ(random.rnd(1), 2286996103U * kTwoToMinus32);
}

TEST(RandomGenerator, FractionOfTheSeedIsLost) {
    RandomGenerator withFraction;
    RandomGenerator whole;
    withFraction.randomize(12345.678);
    whole.randomize(12345.0);
    const unsigned expected[] = {214456958U, 1679725369U, 1766403005U};
    for (unsigned value : expected) {
        EXPECT_EQ(withFraction.rnd(1), value * kTwoToMinus32);
        EXPECT_EQ(whole.rnd(1), value * kTwoToMinus32);
    }
}

TEST(RandomGenerator, ArgumentZeroRepeatsTheLastDrawAndADrawBeforeRandomizeActsAsSeedZero) {
    RandomGenerator random;
    EXPECT_EQ(random.rnd(0), 0.0);  // before any draw
    const double first = random.rnd(1);
    EXPECT_EQ(first, 1417766733 * kTwoToMinus32);
    EXPECT_EQ(random.rnd(0), first);  // without advancing
    EXPECT_EQ(random.rnd(1), 1413209507 * kTwoToMinus32);
}

TEST(RandomGenerator, SecondTwistAndRangeStayInsideZeroToOne) {
    RandomGenerator a;
    RandomGenerator b;
    a.randomize(-7.9);  // negative seeds use their two's-complement bits
    b.randomize(-7.0);
    for (int i = 0; i < 2000; ++i) {  // crosses the 625th draw, the second twist
        double x = a.rnd(1);
        ASSERT_EQ(x, b.rnd(1));
        ASSERT_GE(x, 0.0);
        ASSERT_LT(x, 1.0);
    }
}

}  // namespace
}  // namespace numerion
