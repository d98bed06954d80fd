// QuickSine: p less the nearest multiple k of π (π in two parts, so that the reduction loses less
// than 1e-15 below 2^19), then the Taylor polynomial of sin to r^15 on [-π/2, π/2], whose first
// omitted term is below 7e-12 there; sin p = (-1)^k sin r. The polynomial is evaluated in pairs of
// terms (Estrin's scheme) rather than one term after another, which shortens the chain of
// dependent operations. Plain double arithmetic, no state.
#include "app/quick_sine.h"

namespace {

constexpr double kOneOverPi = 0.318309886183790671538;
// π ≈ kPi1 + kPi2. kPi1 has 33 significant bits, so its product with a multiple count below 2^20
// is exact; what the two parts leave out of π is below 4.1e-21.
constexpr double kPi1 = 3.14159265346825122833e+00;
constexpr double kPi2 = 1.21542010126079319532e-10;

// Taylor coefficients of sin r / r in powers of r², from r² on.
constexpr double kC1 = -1.0 / 6.0;
constexpr double kC2 = 1.0 / 120.0;
constexpr double kC3 = -1.0 / 5040.0;
constexpr double kC4 = 1.0 / 362880.0;
constexpr double kC5 = -1.0 / 39916800.0;
constexpr double kC6 = 1.0 / 6227020800.0;
constexpr double kC7 = -1.0 / 1307674368000.0;

}  // namespace

QuickReduction QuickReduce(double p) {
    const double half = p < 0.0 ? -0.5 : 0.5;
    const auto multiple = static_cast<int64_t>(p * kOneOverPi + half);  // the nearest one
    const auto k = static_cast<double>(multiple);
    return {multiple, (p - k * kPi1) - k * kPi2};
}

double QuickSine(double p) {
    const QuickReduction reduced = QuickReduce(p);
    // An odd multiple of π flips the sign; the polynomial is odd, so flipping r flips its value.
    const double r = (reduced.multiple & 1) != 0 ? -reduced.remainder : reduced.remainder;
    const double r2 = r * r;
    const double r4 = r2 * r2;
    const double r8 = r4 * r4;
    const double low = (kC1 + kC2 * r2) + r4 * (kC3 + kC4 * r2);
    const double high = (kC5 + kC6 * r2) + r4 * kC7;
    return r + r * r2 * (low + r8 * high);
}
