// Random numbers (a two-lane RANROT type W generator) and rounding.
#pragma once

#include <cstdint>

struct RandomState {
    int32_t seeded;  // 0 until the first seeding
    int32_t p1;      // first lane index, 0..16
    int32_t p2;      // second lane index, always (p1 + 10) mod 17
    uint32_t a[17];  // lane A
    uint32_t b[17];  // lane B
};

extern RandomState gRandomState;  // the process-wide generator; zero at start

int64_t RandomRange(int64_t maximum, int64_t minimum);
int64_t RandomValue(int64_t maximum);
void RandomSeed(uint32_t seed);
void RandomSeedFromClock();
void RandomFill(void* buffer, int64_t length);
void RandomStep(RandomState* state, uint32_t* low, uint32_t* high);
uint32_t RotateLeft(uint32_t value, uint32_t count);

enum RoundMode : int32_t { kRoundDown = 0, kRoundUp = 1, kRoundNearest = 2 };
double RoundValue(double x, int64_t mode);  // only the low 32 bits of mode count
