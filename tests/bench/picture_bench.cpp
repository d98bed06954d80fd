// The whole render of a 512 by 512 picture into a buffer laid out as the image's DIB section
// (bottom-up rows, pitch 1536, blue-green-red bytes), each pixel through a plot routine of the
// drawing pass's shape: the straightforward evaluation of every pixel against PictureFill, for
// both origins and both modes.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "app/pattern.h"
#include "app/picture.h"

namespace {

constexpr int32_t kSize = 512;
constexpr int32_t kPitch = 1536;

// The image's pixel memory and the plot routine the drawing pass would call for it.
struct DibBuffer {
    void (*plot)(DibBuffer* buffer, int32_t x, int32_t y, uint32_t colour);
    std::vector<uint8_t> bytes = std::vector<uint8_t>(static_cast<size_t>(kPitch) * kSize);
};

void plotBottomUp(DibBuffer* buffer, int32_t x, int32_t y, uint32_t colour) {
    uint8_t* pixel = buffer->bytes.data() + static_cast<ptrdiff_t>(kPitch) * (kSize - 1 - y) + 3 * x;
    pixel[2] = static_cast<uint8_t>(colour);
    pixel[1] = static_cast<uint8_t>(colour >> 8);
    pixel[0] = static_cast<uint8_t>(colour >> 16);
}

void plotIntoBuffer(void* sink, int32_t x, int32_t y, uint32_t colour) {
    auto* buffer = static_cast<DibBuffer*>(sink);
    buffer->plot(buffer, x, y, colour);
}

Parameters parametersFor(const benchmark::State& state) {
    ParametersSetDefaults();
    Parameters parameters = gParameters;
    parameters.originCentred = state.range(0) != 0 ? kFlagOn : kFlagOff;
    parameters.colourMode = state.range(1) != 0 ? kFlagOn : kFlagOff;
    return parameters;
}

void reportPerPixel(benchmark::State& state) {
    const double pixels = static_cast<double>(kSize) * kSize;
    state.counters["ns_per_pixel"] = benchmark::Counter(pixels * static_cast<double>(state.iterations()),
                                                        benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.SetLabel(std::string(state.range(0) != 0 ? "centred" : "corner") +
                   (state.range(1) != 0 ? " colour" : " black-and-white"));
}

// The baseline: every pixel evaluated on its own, column by column, X² once per column.
void renderStraightforward(benchmark::State& state) {
    const Parameters parameters = parametersFor(state);
    DibBuffer buffer{plotBottomUp};
    for (auto _ : state) {
        std::memset(buffer.bytes.data(), 0, buffer.bytes.size());
        for (int32_t x = 0; x < kSize; ++x) {
            const float columnSquare = PatternColumnSquare(parameters, x);
            for (int32_t y = 0; y < kSize; ++y) {
                uint32_t colour = 0;
                if (PatternPixelInColumn(parameters, columnSquare, y, &colour)) {
                    plotIntoBuffer(&buffer, x, y, colour);
                }
            }
        }
        benchmark::DoNotOptimize(buffer.bytes.data());
    }
    reportPerPixel(state);
}

void renderPictureFill(benchmark::State& state) {
    const Parameters parameters = parametersFor(state);
    DibBuffer buffer{plotBottomUp};
    for (auto _ : state) {
        std::memset(buffer.bytes.data(), 0, buffer.bytes.size());
        PictureFill(parameters, plotIntoBuffer, &buffer);
        benchmark::DoNotOptimize(buffer.bytes.data());
    }
    reportPerPixel(state);
}

// Arguments: origin centred (1) or corner (0), colour (1) or black and white (0).
void originsAndModes(benchmark::internal::Benchmark* benchmark) {
    benchmark->ArgNames({"centred", "colour"})->Unit(benchmark::kMillisecond);
    for (int64_t centred : {1, 0}) {
        for (int64_t colour : {1, 0}) {
            benchmark->Args({centred, colour});
        }
    }
}

BENCHMARK(renderStraightforward)->Apply(originsAndModes);
BENCHMARK(renderPictureFill)->Apply(originsAndModes);

}  // namespace
