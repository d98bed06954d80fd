// The check of the pattern's pow that the picture's quick arithmetic rests on: its results on a
// fixed sample of what pictures reach, against an accurate power worked out in double-double
// arithmetic. Plain arithmetic, no state.
#pragma once

#include "runtime/core/platform.h"

// The relative error of the pattern's pow that the picture's quick lanes allow for: 2^-52, which
// a pow within one ulp meets everywhere.
constexpr double kPowProbeBound = 0x1p-52;

// Whether pow(base, exponent) lies within kPowProbeBound of the true power for every pair of the
// sample: bases from 2^-30 to 2^72 and near 1, exponents that are floats from -5 to 5 (whole and
// half numbers and the default el among them) and, near 1, up to ±512.
bool PowProbeAccurate(PlatformPow pow);

// base^exponent as the unevaluated sum high + low, within 2^-90 of the true power relatively, for
// a positive normal base and |exponent × ln base| below 700.
struct PowProbeValue {
    double high;
    double low;
};
PowProbeValue PowProbeReference(double base, double exponent);
