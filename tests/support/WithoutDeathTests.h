#pragma once
// Where GoogleTest cannot start a second process (the browser build under node), a test of a
// program that dies is skipped from its dying part on, which still compiles: what follows it
// checks what the dead program left.
// Included before every test source of that build only.

#include <gtest/gtest.h>

#if !GTEST_HAS_DEATH_TEST
#define NUMERION_WITHOUT_DEATH_TEST(statement, regex) \
    GTEST_AMBIGUOUS_ELSE_BLOCKER_                     \
    if (::testing::internal::AlwaysFalse()) {         \
        static_cast<void>(regex);                     \
        statement;                                    \
    } else                                            \
        GTEST_SKIP() << "no second process here to die: " #statement
#define EXPECT_EXIT(statement, predicate, regex) NUMERION_WITHOUT_DEATH_TEST(statement, regex)
#define ASSERT_EXIT(statement, predicate, regex) NUMERION_WITHOUT_DEATH_TEST(statement, regex)
#define EXPECT_DEATH(statement, regex) NUMERION_WITHOUT_DEATH_TEST(statement, regex)
#define ASSERT_DEATH(statement, regex) NUMERION_WITHOUT_DEATH_TEST(statement, regex)
#endif
