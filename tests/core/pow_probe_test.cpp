// The pow probe's reference against powers worked out to 120 digits, over the ranges of the
// probe's sample and out to the ends of its own; against the long double pow over many more where
// that is accurate; and the probe's verdict on a correctly rounded pow.
#include "app/pow_probe.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <random>

namespace {

// base, exponent (a float), and the true power as the sum of two doubles, from arbitrary-precision
// arithmetic: bases 2^-30..2^72 with exponents -5..5, then with whole and half exponents and the
// default el, then within 1/64 of 1 with exponents up to ±512, then powers between e^±400 and
// e^±600.
struct KnownPower {
    double base;
    double exponent;
    double high;
    double low;
};
constexpr KnownPower kKnownPowers[] = {
    {0x1.900fce6baf424p-13, -0x1.16e0260000000p+1, 0x1.e464cdebed2e4p+26, -0x1.cc2ce6c4bc2abp-28},
    {0x1.4b965b85352edp+10, -0x1.c88a4c0000000p+1, 0x1.0045bb3fb324ep-37, 0x1.eb3ed2c3ecfd1p-95},
    {0x1.5d21c5ee9b398p+58, 0x1.109bf60000000p+1, 0x1.64e797ee14aecp+124, 0x1.5ca59cf680d53p+66},
    {0x1.edb5acb7edd28p-6, 0x1.4e9db80000000p+0, 0x1.50d7c754a110ap-7, -0x1.4cdbab8566d56p-61},
    {0x1.b845c14c6491dp+46, -0x1.2d62920000000p-2, 0x1.2c736ae4ce3f2p-14, 0x1.20b943cc81f78p-69},
    {0x1.949181dfb05afp+41, 0x1.8d20180000000p-2, 0x1.1d5928eaf497ep+16, 0x1.7c7a8b7420f61p-38},
    {0x1.28eaffff39b65p+36, 0x1.cf2c0a0000000p-1, 0x1.b19fe5b1a3921p+32, 0x1.a40a01918587ep-22},
    {0x1.3a08f4433bdaep+60, 0x1.0ffb2a0000000p+2, 0x1.2d4b107fb7282p+256, -0x1.ea9b80ed23bf8p+201},
    {0x1.318bae2d51bcep+67, -0x1.d174c20000000p+1, 0x1.5a02656d24c6cp-245, 0x1.e29ce87fc4977p-299},
    {0x1.46bd62242b975p-1, -0x1.3ad64a0000000p+1, 0x1.82609c466c5f5p+1, -0x1.66180c534bec3p-53},
    {0x1.c79f976d113e2p-21, -0x1.2abf140000000p+2, 0x1.1ad859927c59fp+94, 0x1.7ece98f3e3fcep+40},
    {0x1.0a7b183815819p-22, 0x1.4a70640000000p+0, 0x1.9978858ee00b7p-29, -0x1.94d51d131c066p-83},
    {0x1.c6c8a7c0328a3p+68, 0x1.0cbe640000000p-3, 0x1.05ba227c99299p+9, 0x1.73b87c2308352p-45},
    {0x1.54bcde053b975p-20, 0x1.b2fe1e0000000p-2, 0x1.99f1eb0dca00ap-9, -0x1.a6f130387b5f1p-65},
    {0x1.08115c859be0ap+32, -0x1.47f9980000000p-1, 0x1.634c7b7c2b5a5p-21, 0x1.1863f2b147538p-76},
    {0x1.c99d0eb3d1b42p+5, 0x1.9f036e0000000p-2, 0x1.49f0781017074p+2, 0x1.f5a98039476dbp-52},
    {0x1.3ad040c70e40ap+64, 0x1.1810740000000p+0, 0x1.44969222df245p+70, -0x1.db99a059c6ee1p+15},
    {0x1.69bfce53760a2p+14, 0x1.0000000000000p+1, 0x1.ff2e839ce9bd2p+28, -0x1.763381ea197c0p-28},
    {0x1.1497b9364093ep+64, 0x1.8000000000000p+1, 0x1.42e174b506837p+192, 0x1.b4b23599955bdp+137},
    {0x1.5cd1772019f24p+56, 0x1.4000000000000p+2, 0x1.2c974c14dee45p+282, 0x1.789a7bdccb775p+228},
    {0x1.ff30dba0349fap+2, -0x1.0000000000000p+1, 0x1.00cfa2589f36bp-6, 0x1.7875064758cc8p-66},
    {0x1.e53e74a55c140p+60, 0x1.0000000000000p-1, 0x1.6073ba4d411fbp+30, -0x1.352a00c690409p-29},
    {0x1.ba69566f63dc6p+19, -0x1.4000000000000p+1, 0x1.70d968bfa261fp-50, -0x1.480fea6faa10ap-106},
    {0x1.5e1af4abc9ca4p+58, 0x1.8000000000000p+0, 0x1.996db028a0bf6p+87, -0x1.3932bdadd9e6bp+31},
    {0x1.023e074db130fp+0, -0x1.6fa6f80000000p+8, 0x1.4bd901ba81129p-5, -0x1.9c9a0a239403fp-59},
    {0x1.015f7da856e6fp+0, 0x1.56e9500000000p+8, 0x1.90a90492156c0p+2, -0x1.4afcaf6806f3dp-53},
    {0x1.00368088675c1p+0, 0x1.2329440000000p+8, 0x1.461aab007ca2bp+0, -0x1.815862ef0ab81p-54},
    {0x1.035708785cb3dp+0, 0x1.f9ebc00000000p+6, 0x1.49c2eea373ea0p+2, -0x1.e5af7c1ffb217p-52},
    {0x1.039911ee855d6p+0, -0x1.c3aae60000000p+2, 0x1.cff962d80bd78p-1, 0x1.0dc4f149bf3edp-55},
    {0x1.fbd52d59f2e74p-1, 0x1.25e1160000000p+8, 0x1.72eff624165bbp-4, 0x1.e229abbd7d624p-58},
    {0x1.00f2bc3315f8ep+0, -0x1.8b6d2e0000000p+8, 0x1.dab8791ddedd7p-3, 0x1.ceda876016799p-58},
    {0x1.fb5681e1e4d3cp-1, -0x1.a4c0800000000p+8, 0x1.777a793017a48p+5, 0x1.7bdb19742a49cp-49},
    {0x1.54c0ff03fae38p-237, 0x1.a1883a0000000p+1, 0x1.32579b9e67bf5p-772, 0x1.986b84ffa483fp-827},
    {0x1.0397e18a13494p+322, 0x1.1998440000000p+1, 0x1.59294de93e601p+708, -0x1.7b4577460f7b0p+652},
    {0x1.6ab53bc8b38fdp-177, -0x1.0d008e0000000p+2, 0x1.cc45472f41995p+741, 0x1.2388613e14791p+687},
    {0x1.1179fc8fae79fp+136, 0x1.3432e80000000p+2, 0x1.4d752508f7edfp+655, -0x1.2fc48a878af95p+598},
    {0x1.d0365336f60c6p-699, 0x1.b1a7160000000p-1, 0x1.9cea857ea2d4dp-592, -0x1.ebb1c3d6bf7e5p-646},
    {0x1.824671d186723p+250, -0x1.a8f08a0000000p+1, 0x1.0ca515f342f20p-832, 0x1.c4948d2e0635ep-887},
    {0x1.2cc2f5caf454cp-199, 0x1.8bacea0000000p+1, 0x1.7b3d4a859eadbp-615, 0x1.15e492f4b9260p-669},
};

// The reference rounded to the nearest double: within half an ulp of the true power.
double roundedReference(double base, double exponent) { return PowProbeReference(base, exponent).high; }

// The reference claims 2^-90; the probe's bound is 2^-52, so a reference as good as this cannot
// turn a verdict, and a correctly rounded pow passes.
TEST(PowProbe, ReferenceIsAccurate) {
    for (const KnownPower& known : kKnownPowers) {
        const PowProbeValue reference = PowProbeReference(known.base, known.exponent);
        const double error = (reference.high - known.high) + (reference.low - known.low);
        EXPECT_LE(std::fabs(error), 0x1p-88 * known.high) << std::hexfloat << known.base << " ^ " << known.exponent;
    }
#if defined(__GLIBC__)
    // glibc's long double pow is within a few of its 64-bit ulps; mingw's only within about 2^-55.
    std::mt19937_64 random(16);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    for (int32_t i = 0; i < 6000; ++i) {
        double base = std::ldexp(1.0 + unit(random), static_cast<int32_t>(-40 + 120 * unit(random)));
        double exponent = static_cast<float>(-6.0 + 12.0 * unit(random));
        if (i % 3 == 1) {
            base = 1.0 + (2.0 * unit(random) - 1.0) / 64.0;
            exponent = static_cast<float>(-600.0 + 1200.0 * unit(random));
        } else if (i % 3 == 2) {
            base = std::ldexp(1.0 + unit(random), static_cast<int32_t>(-860 + 1720 * unit(random)));
            exponent = static_cast<float>(-0.7 + 1.4 * unit(random));
        }
        if (std::fabs(exponent * std::log(base)) >= 600.0) {
            continue;
        }
        const PowProbeValue reference = PowProbeReference(base, exponent);
        const long double expected = std::pow(static_cast<long double>(base), static_cast<long double>(exponent));
        const long double got = static_cast<long double>(reference.high) + static_cast<long double>(reference.low);
        EXPECT_LE(std::fabs(got - expected), 0x1p-58L * expected) << std::hexfloat << base << " ^ " << exponent;
    }
#endif
    EXPECT_TRUE(PowProbeAccurate(roundedReference));
}

}  // namespace
