// Random numbers from a two-lane RANROT type W generator, its range functions, and rounding.
// Owns the process-wide generator state; relies on the platform seam only for the automatic
// seed (thread id and tick count).
#include "runtime/core/random.h"

#include <bit>
#include <cmath>

#include "runtime/core/platform.h"

RandomState gRandomState = {};  // zero until the first seeding

static constexpr int32_t kLaneLength = 17;
static constexpr int32_t kLag = 10;
static constexpr uint32_t kSeedMultiplier = 0x53A9B4FBu;
static constexpr int kWarmUpSteps = 31;

uint32_t RotateLeft(uint32_t value, uint32_t count) { return std::rotl(value, static_cast<int>(count & 31u)); }

void RandomStep(RandomState* state, uint32_t* low, uint32_t* high) {
    const int32_t p1 = state->p1;
    const int32_t p2 = state->p2;
    const uint32_t y = RotateLeft(state->b[p1], 19) + state->b[p2];
    const uint32_t z = RotateLeft(state->a[p1], 27) + state->a[p2];
    state->a[p1] = y;  // the lanes cross: B's new word goes into A and A's into B
    state->b[p1] = z;
    state->p1 = p1 == 0 ? kLaneLength - 1 : p1 - 1;
    state->p2 = p2 == 0 ? kLaneLength - 1 : p2 - 1;
    *low = z;
    *high = y;
}

void RandomSeed(uint32_t seed) {
    RandomState* state = &gRandomState;
    state->seeded = 1;
    uint32_t s = seed;
    for (int32_t i = 0; i < kLaneLength; ++i) {
        state->b[i] = 1u - s * kSeedMultiplier;
        s = 1u - state->b[i] * kSeedMultiplier;
        state->a[i] = s;
    }
    state->p1 = 0;
    state->p2 = kLag;
    uint32_t low = 0;
    uint32_t high = 0;
    for (int i = 0; i < kWarmUpSteps; ++i) {
        RandomStep(state, &low, &high);
    }
}

void RandomSeedFromClock() {
    RandomSeed(PlatformThreadId() ^ PlatformTickCount());
}

static void seedIfNeeded() {
    if (gRandomState.seeded == 0) {
        RandomSeedFromClock();
    }
}

// ⌊R × n / 2^64⌋ from below without 128-bit arithmetic; never more than n − 1.
int64_t RandomValue(int64_t maximum) {
    seedIfNeeded();
    uint32_t z = 0;
    uint32_t y = 0;
    RandomStep(&gRandomState, &z, &y);
    const uint64_t n = static_cast<uint64_t>(maximum) + 1u;
    if (n == 0) {
        return static_cast<int64_t>((static_cast<uint64_t>(y) << 32) | z);
    }
    const uint64_t nLow = n & 0xFFFFFFFFu;
    const uint64_t nHigh = n >> 32;
    const uint64_t result = ((y * nLow) >> 32) + ((z * nHigh) >> 32) + y * nHigh;
    return static_cast<int64_t>(result);
}

// The bounds compare unsigned; a minimum above the maximum yields the maximum.
int64_t RandomRange(int64_t maximum, int64_t minimum) {
    const uint64_t a = static_cast<uint64_t>(maximum);
    const uint64_t b = static_cast<uint64_t>(minimum);
    const uint64_t smaller = a < b ? a : b;
    return static_cast<int64_t>(smaller + static_cast<uint64_t>(RandomValue(static_cast<int64_t>(a - smaller))));
}

void RandomFill(void* buffer, int64_t length) {
    seedIfNeeded();
    auto* bytes = static_cast<unsigned char*>(buffer);
    uint32_t z = 0;
    uint32_t y = 0;
    // Each step's value (z, y) as little-endian bytes, z first.
    auto stepBytes = [&](unsigned char* out, int64_t count) {
        RandomStep(&gRandomState, &z, &y);
        const uint64_t value = (static_cast<uint64_t>(y) << 32) | z;
        for (int64_t i = 0; i < count; ++i) {
            out[i] = static_cast<unsigned char>(value >> (8 * i));
        }
    };
    int64_t done = 0;
    for (; length - done >= 8; done += 8) {
        stepBytes(bytes + done, 8);
    }
    if (length - done > 0) {
        stepBytes(bytes + done, length - done);
    }
}

double RoundValue(double x, int64_t mode) {
    switch (static_cast<int32_t>(mode)) {
        case kRoundUp:
            return std::ceil(x);
        case kRoundNearest:
            return x > 0.0 ? std::floor(x + 0.5) : std::ceil(x - 0.5);
        default:
            return std::floor(x);
    }
}
