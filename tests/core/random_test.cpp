// The generator's sequences, range rules and rounding modes.
#include "runtime/core/random.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

namespace {

TEST(Random, SeededSequencesAreFixed) {
    RandomSeed(0);
    EXPECT_EQ(gRandomState.seeded, 1);
    EXPECT_EQ(gRandomState.p1, 3);  // 31 warm-up steps from lane indices 0 and 10
    EXPECT_EQ(gRandomState.p2, 13);
    EXPECT_EQ(RandomValue(4294967295), 0x8B910D61);
    EXPECT_EQ(RandomValue(4294967295), 0xC8AFE081);
    EXPECT_EQ(RandomValue(4294967295), 0xA90E502F);

    RandomSeed(0);
    const int64_t expected[] = {54, 78, 66, 37, 23};
    for (int64_t value : expected) {
        EXPECT_EQ(RandomValue(99), value);
    }

    RandomSeed(1);
    EXPECT_EQ(RandomValue(4294967295), 0xB8C1309F);
    EXPECT_EQ(RandomValue(4294967295), 0x2E59857A);
    EXPECT_EQ(RandomValue(4294967295), 0x9B9E595F);
}

TEST(Random, FullRangeReturnsTheWholeStep) {
    RandomSeed(0);
    EXPECT_EQ(static_cast<uint64_t>(RandomValue(-1)), 0x8B910D6160217BDFull);
    EXPECT_EQ(static_cast<uint64_t>(RandomValue(-1)), 0xC8AFE081ED8E05C2ull);
}

TEST(Random, ValueZeroStillAdvances) {
    RandomSeed(0);
    EXPECT_EQ(RandomValue(0), 0);
    EXPECT_EQ(RandomValue(4294967295), 0xC8AFE081);  // the second step's high word
}

TEST(Random, WideRangesStayBelowTheMaximumAndNearTheExactProduct) {
    const uint64_t maxima[] = {1ull << 32, (1ull << 40) + 12345, 0x7FFFFFFFFFFFFFFFull, 0xFFFFFFFFFFFFFFFEull};
    for (uint64_t maximum : maxima) {
        RandomSeed(5);
        RandomState shadow = gRandomState;
        for (int i = 0; i < 1000; ++i) {
            uint32_t low = 0;
            uint32_t high = 0;
            RandomStep(&shadow, &low, &high);
            const unsigned __int128 r = (static_cast<unsigned __int128>(high) << 32) | low;
            const auto exact = static_cast<uint64_t>((r * (static_cast<unsigned __int128>(maximum) + 1)) >> 64);
            const auto value = static_cast<uint64_t>(RandomValue(static_cast<int64_t>(maximum)));
            EXPECT_LE(value, maximum);
            EXPECT_LE(value, exact);
            EXPECT_LE(exact - value, 2u);
        }
    }
}

TEST(Random, RangeComparesBoundsUnsigned) {
    RandomSeed(3);
    bool seen[4] = {};
    for (int i = 0; i < 200; ++i) {
        const int64_t value = RandomRange(3, 0);
        ASSERT_GE(value, 0);
        ASSERT_LE(value, 3);
        seen[value] = true;
        EXPECT_EQ(RandomRange(0, 3), 0);
        EXPECT_EQ(RandomRange(5, -5), 5);
        const int64_t wide = RandomRange(999999, 999);
        EXPECT_GE(wide, 999);
        EXPECT_LE(wide, 999999);
    }
    EXPECT_TRUE(seen[0] && seen[1] && seen[2] && seen[3]);
}

TEST(Random, FirstUseSeedsFromTheClock) {
    gRandomState = {};
    RandomValue(10);
    EXPECT_EQ(gRandomState.seeded, 1);
    gRandomState = {};
    RandomSeedFromClock();
    EXPECT_EQ(gRandomState.seeded, 1);
    EXPECT_EQ(gRandomState.p1, 3);
}

TEST(Random, FillWritesStepsLittleEndianLowWordFirst) {
    RandomSeed(0);
    unsigned char bytes[16];
    std::memset(bytes, 0xAA, sizeof bytes);
    RandomFill(bytes, 12);
    const unsigned char expected[12] = {0xDF, 0x7B, 0x21, 0x60, 0x61, 0x0D, 0x91, 0x8B, 0xC2, 0x05, 0x8E, 0xED};
    EXPECT_EQ(std::memcmp(bytes, expected, sizeof expected), 0);
    for (int i = 12; i < 16; ++i) {
        EXPECT_EQ(bytes[i], 0xAA);
    }

    RandomSeed(0);
    RandomFill(bytes, 0);
    RandomFill(bytes, -8);
    EXPECT_EQ(bytes[0], 0xDF);                       // nothing written...
    EXPECT_EQ(RandomValue(4294967295), 0x8B910D61);  // ...and no step taken
}

TEST(Random, StepAndRotation) {
    RandomState state = {};
    state.p1 = 0;
    state.p2 = 10;
    state.b[0] = 1;
    state.b[10] = 2;
    state.a[0] = 0x20;
    state.a[10] = 5;
    uint32_t low = 0;
    uint32_t high = 0;
    RandomStep(&state, &low, &high);
    EXPECT_EQ(high, 0x80002u);  // B rotated left by 19, plus the lagged B
    EXPECT_EQ(low, 6u);         // A rotated left by 27 wraps bit 5 round to bit 0
    EXPECT_EQ(state.a[0], high);
    EXPECT_EQ(state.b[0], low);
    EXPECT_EQ(state.p1, 16);
    EXPECT_EQ(state.p2, 9);

    EXPECT_EQ(RotateLeft(0x12345678u, 0), 0x12345678u);
    EXPECT_EQ(RotateLeft(0x80000001u, 1), 3u);
    EXPECT_EQ(RotateLeft(0x12345678u, 32), 0x12345678u);
    EXPECT_EQ(RotateLeft(0x00010000u, 19), 0x8u);
}

TEST(Random, RoundValueModes) {
    EXPECT_EQ(RoundValue(2.5, kRoundNearest), 3.0);
    EXPECT_EQ(RoundValue(-2.5, kRoundNearest), -3.0);
    EXPECT_EQ(RoundValue(127.5, kRoundNearest), 128.0);
    EXPECT_EQ(RoundValue(2.5, kRoundDown), 2.0);
    EXPECT_EQ(RoundValue(2.1, kRoundUp), 3.0);
    EXPECT_EQ(RoundValue(2.5, 7), 2.0);
    EXPECT_EQ(RoundValue(-2.5, 7), -3.0);
    EXPECT_EQ(RoundValue(2.5, 0x100000002ll), 3.0);  // only the low 32 bits of the mode count

    const double minusZero = RoundValue(-0.4, kRoundNearest);
    EXPECT_EQ(minusZero, 0.0);
    EXPECT_TRUE(std::signbit(minusZero));

    // x + 0.5 rounds to 1 in double, so the largest double below one half rounds up.
    EXPECT_EQ(RoundValue(0.49999999999999994, kRoundNearest), 1.0);
    EXPECT_EQ(RoundValue(-0.49999999999999994, kRoundNearest), -1.0);

    const double infinity = std::numeric_limits<double>::infinity();
    EXPECT_TRUE(std::isnan(RoundValue(std::nan(""), kRoundNearest)));
    EXPECT_EQ(RoundValue(infinity, kRoundNearest), infinity);
    EXPECT_EQ(RoundValue(-infinity, kRoundNearest), -infinity);
    EXPECT_EQ(RoundValue(-infinity, kRoundUp), -infinity);
}

}  // namespace
