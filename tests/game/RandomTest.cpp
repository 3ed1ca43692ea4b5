#include <gtest/gtest.h>

#include "Random.h"

namespace {

TEST(RandomTest, SequenceIsTheClassicLcg) {
    // State * 22695477 + 1 mod 2^32, bits 16..30, one draw discarded by seeding.
    struct Case { uint32_t seed; int first[5]; } cases[] = {
        {0, {346, 130, 10982, 1090, 11656}},
        {1, {130, 10982, 1090, 11656, 7117}},
        {12345, {24996, 10921, 23577, 19316, 10386}},
    };
    for (const Case& c : cases) {
        SeedRandom(c.seed);
        CLcgRandom local(c.seed);
        for (int v : c.first) {
            EXPECT_EQ(v, NextRandom()) << "seed " << c.seed;
            EXPECT_EQ(v, local.Next());
        }
    }
}

TEST(RandomTest, RangeAndReseeding) {
    SeedRandom(42);
    int first = NextRandom();
    uint32_t state = GetRandomState();
    for (int i = 0; i < 100000; ++i) {
        int v = NextRandom();
        ASSERT_GE(v, 0);
        ASSERT_LE(v, 32767);
    }
    SeedRandom(42);
    EXPECT_EQ(first, NextRandom());
    EXPECT_EQ(state, GetRandomState());
}

}  // namespace
