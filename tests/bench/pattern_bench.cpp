// One full evaluation of the default picture, column by column as the render pass walks it,
// with X² formed once per column. Reports the cost per pixel.
#include <benchmark/benchmark.h>

#include "app/pattern.h"

namespace {

void patternFullPicture(benchmark::State& state) {
    ParametersSetDefaults();
    const Parameters parameters = gParameters;
    const int32_t size = parameters.pictureSize;
    for (auto _ : state) {
        uint32_t plotted = 0;
        for (int32_t x = 0; x < size; ++x) {
            const float columnSquare = PatternColumnSquare(parameters, x);
            for (int32_t y = 0; y < size; ++y) {
                uint32_t colour = 0;
                if (PatternPixelInColumn(parameters, columnSquare, y, &colour)) {
                    plotted += colour;
                }
            }
        }
        benchmark::DoNotOptimize(plotted);
    }
    const auto pixels = static_cast<double>(size) * size;
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(pixels));
    state.counters["ns_per_pixel"] =
        benchmark::Counter(pixels * static_cast<double>(state.iterations()),
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

BENCHMARK(patternFullPicture)->Unit(benchmark::kMillisecond);

}  // namespace
