// The whole render of a 512 by 512 picture into a buffer laid out as the image's DIB section
// (bottom-up rows, pitch 1536, blue-green-red bytes): the straightforward evaluation of every
// pixel against PictureDraw, for the default picture in both origins and modes, and for 200
// pictures that Z gives (seeded, so every run sees the same ones) plus the default ones, with the
// slowest, the mean and the ratios to the straightforward evaluation. PictureDraw is timed with
// each lever on its own: one thread and two lanes (SSE2), one thread and four lanes (AVX2), every
// core. Wall-clock times, the best of a few runs, since the threads' work is what counts. Also the
// default picture with a pow that fails the pow probe, and the probe itself.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "app/controls.h"
#include "app/pattern.h"
#include "app/picture.h"
#include "app/pow_probe.h"
#include "runtime/core/random.h"

namespace {

constexpr int32_t kSize = 512;
constexpr int32_t kPitch = 1536;
constexpr int32_t kZSets = 200;
constexpr uint32_t kZSeed = 20240612;

struct DibBuffer {
    std::vector<uint8_t> bytes = std::vector<uint8_t>(static_cast<size_t>(kPitch) * kSize);
    PictureTarget target() { return {bytes.data() + static_cast<ptrdiff_t>(kPitch) * (kSize - 1), -kPitch, 3}; }
};

// The baseline: every pixel evaluated on its own, column by column, X² once per column, each
// stored as the drawing pass's plot stores it.
void drawStraightforward(const Parameters& parameters, DibBuffer& buffer) {
    std::memset(buffer.bytes.data(), 0, buffer.bytes.size());
    for (int32_t x = 0; x < kSize; ++x) {
        const float columnSquare = PatternColumnSquare(parameters, x);
        for (int32_t y = 0; y < kSize; ++y) {
            uint32_t colour = 0;
            if (PatternPixelInColumn(parameters, columnSquare, y, &colour)) {
                uint8_t* pixel = buffer.bytes.data() + static_cast<ptrdiff_t>(kPitch) * (kSize - 1 - y) + 3 * x;
                pixel[2] = static_cast<uint8_t>(colour);
                pixel[1] = static_cast<uint8_t>(colour >> 8);
                pixel[0] = static_cast<uint8_t>(colour >> 16);
            }
        }
    }
    benchmark::DoNotOptimize(buffer.bytes.data());
}

void drawFast(const Parameters& parameters, DibBuffer& buffer, const PictureOptions& options) {
    std::memset(buffer.bytes.data(), 0, buffer.bytes.size());
    PictureDraw(parameters, buffer.target(), options);
    benchmark::DoNotOptimize(buffer.bytes.data());
}

// The best wall-clock milliseconds of a few runs.
template <typename Draw>
double bestMs(int32_t runs, Draw draw) {
    double best = 1e300;
    for (int32_t run = 0; run < runs; ++run) {
        const auto start = std::chrono::steady_clock::now();
        draw();
        const auto end = std::chrono::steady_clock::now();
        best = std::min(best, std::chrono::duration<double, std::milli>(end - start).count());
    }
    return best;
}

Parameters defaults(bool centred, bool colour) {
    ParametersSetDefaults();
    Parameters parameters = gParameters;
    parameters.originCentred = centred ? kFlagOn : kFlagOff;
    parameters.colourMode = colour ? kFlagOn : kFlagOff;
    return parameters;
}

// Arguments: threads (0 every core), four lanes (1) or two (0).
PictureOptions optionsFor(const benchmark::State& state) {
    PictureOptions options;
    options.threads = static_cast<int32_t>(state.range(0));
    options.wideLanes = state.range(1) != 0;
    return options;
}

std::string leverLabel(const PictureOptions& options) {
    return std::string(options.threads == 1 ? "1 thread" : "every core") + (options.wideLanes ? ", AVX2" : ", SSE2");
}

void levers(benchmark::internal::Benchmark* benchmark) {
    benchmark->ArgNames({"threads", "wide"})->Unit(benchmark::kMillisecond)->UseRealTime();
    benchmark->Args({1, 0})->Args({1, 1})->Args({0, 1});
}

// The default picture in both origins and modes.
void defaultPicture(benchmark::State& state, bool centred, bool colour, bool straightforward) {
    const Parameters parameters = defaults(centred, colour);
    const PictureOptions options = straightforward ? PictureOptions{} : optionsFor(state);
    DibBuffer buffer;
    for (auto _ : state) {
        if (straightforward) {
            drawStraightforward(parameters, buffer);
        } else {
            drawFast(parameters, buffer, options);
        }
    }
    state.SetLabel(straightforward ? "straightforward" : leverLabel(options));
}

void defaultCentredColour(benchmark::State& state) { defaultPicture(state, true, true, false); }
void defaultCentredBlackAndWhite(benchmark::State& state) { defaultPicture(state, true, false, false); }
void defaultCornerColour(benchmark::State& state) { defaultPicture(state, false, true, false); }
void defaultCornerBlackAndWhite(benchmark::State& state) { defaultPicture(state, false, false, false); }
void straightforwardCentredColour(benchmark::State& state) { defaultPicture(state, true, true, true); }
void straightforwardCornerColour(benchmark::State& state) { defaultPicture(state, false, true, true); }

// The default picture when the pattern's pow fails the pow probe, so that every pixel's p is the
// pattern's: here a pow 1e-12 high, which costs what the C runtime's does.
double inexactPow(double base, double exponent) { return std::pow(base, exponent) * (1.0 + 1e-12); }
void inexactPowCentredColour(benchmark::State& state) {
    PatternPowReplace(inexactPow);
    defaultPicture(state, true, true, false);
    PatternPowReplace(nullptr);
}

// The pow probe, which the pattern's pow meets once, before the first picture.
void powProbe(benchmark::State& state) {
    const PlatformPow pow = PatternPowFunction();
    bool accurate = false;
    for (auto _ : state) {
        accurate = PowProbeAccurate(pow);
        benchmark::DoNotOptimize(accurate);
    }
    state.SetLabel(accurate ? "accepted" : "rejected");
}

BENCHMARK(powProbe)->Unit(benchmark::kMicrosecond);
BENCHMARK(straightforwardCentredColour)->Unit(benchmark::kMillisecond);
BENCHMARK(straightforwardCornerColour)->Unit(benchmark::kMillisecond);
BENCHMARK(defaultCentredColour)->Apply(levers);
BENCHMARK(defaultCentredBlackAndWhite)->Apply(levers);
BENCHMARK(defaultCornerColour)->Apply(levers);
BENCHMARK(defaultCornerBlackAndWhite)->Apply(levers);
BENCHMARK(inexactPowCentredColour)->Apply(levers);

// The pictures: the default ones in both origins and modes, then kZSets that Z gives from a fixed
// seed, alternately with the origin centred and in the corner (Z leaves the origin alone).
struct Picture {
    Parameters parameters;
    double straightforwardMs;
};

const std::vector<Picture>& zPictures() {
    static const std::vector<Picture> pictures = [] {
        std::vector<Picture> made;
        for (bool centred : {true, false}) {
            for (bool colour : {true, false}) {
                made.push_back({defaults(centred, colour), 0.0});
            }
        }
        RandomSeed(kZSeed);
        for (int32_t set = 0; set < kZSets; ++set) {
            Parameters parameters = defaults(true, true);
            RandomiseParameters(parameters);
            parameters.originCentred = (set & 1) == 0 ? kFlagOn : kFlagOff;
            made.push_back({parameters, 0.0});
        }
        DibBuffer buffer;
        for (Picture& picture : made) {
            picture.straightforwardMs = bestMs(2, [&] { drawStraightforward(picture.parameters, buffer); });
        }
        return made;
    }();
    return pictures;
}

std::string describe(const Parameters& parameters) {
    char text[120];
    std::snprintf(text, sizeof(text), "el %.7g df %.7g %s %s", parameters.el, parameters.df,
                  parameters.originCentred ? "centred" : "corner", parameters.colourMode ? "colour" : "bw");
    return text;
}

// One pass over every picture: slowest and mean milliseconds, the slowest picture's speed-up, the
// least speed-up of any picture, and the speed-up of the mean (all against the straightforward
// evaluation of the same pictures).
void zPicturesFromASeed(benchmark::State& state) {
    const std::vector<Picture>& pictures = zPictures();
    const PictureOptions options = optionsFor(state);
    DibBuffer buffer;
    for (auto _ : state) {
        double totalFast = 0.0;
        double totalStraightforward = 0.0;
        double slowest = 0.0;
        double slowestRatio = 0.0;
        double leastRatio = 1e300;
        const Picture* slowestPicture = nullptr;
        for (const Picture& picture : pictures) {
            const double fast = bestMs(3, [&] { drawFast(picture.parameters, buffer, options); });
            totalFast += fast;
            totalStraightforward += picture.straightforwardMs;
            leastRatio = std::min(leastRatio, picture.straightforwardMs / fast);
            if (fast > slowest) {
                slowest = fast;
                slowestRatio = picture.straightforwardMs / fast;
                slowestPicture = &picture;
            }
        }
        const auto count = static_cast<double>(pictures.size());
        state.counters["pictures"] = count;
        state.counters["mean_ms"] = totalFast / count;
        state.counters["slowest_ms"] = slowest;
        state.counters["slowest_x"] = slowestRatio;
        state.counters["least_x"] = leastRatio;
        state.counters["mean_x"] = totalStraightforward / totalFast;
        state.counters["straight_mean_ms"] = totalStraightforward / count;
        state.SetLabel(leverLabel(options) + "; slowest: " + describe(slowestPicture->parameters));
    }
}

BENCHMARK(zPicturesFromASeed)->Apply(levers)->Iterations(1);

}  // namespace
