// PictureFill against PatternPixel, pixel for pixel, over parameter sets that reach the pattern's
// extremes: each pixel with a colour is plotted exactly once with that colour, the others never.
#include "app/picture.h"

#include <gtest/gtest.h>

#include <vector>

#include "app/pattern.h"
#include "tests/core/parameter_sets.h"

namespace {

constexpr int32_t kSize = 512;

struct PlotRecord {
    std::vector<uint32_t> colours = std::vector<uint32_t>(kSize * kSize);
    std::vector<int32_t> plots = std::vector<int32_t>(kSize * kSize);  // plots per pixel
    int32_t outside = 0;                                               // plots off the picture
};

void recordPlot(void* sink, int32_t x, int32_t y, uint32_t colour) {
    auto* record = static_cast<PlotRecord*>(sink);
    if (x < 0 || x >= kSize || y < 0 || y >= kSize) {
        ++record->outside;
        return;
    }
    record->colours[static_cast<size_t>(y * kSize + x)] = colour;
    ++record->plots[static_cast<size_t>(y * kSize + x)];
}

// Differences as "(x, y)" texts, the first few only, so a failure says where to look.
std::string firstDifferences(const Parameters& parameters, const PlotRecord& record, int32_t* count) {
    std::string where;
    *count = 0;
    for (int32_t y = 0; y < kSize; ++y) {
        for (int32_t x = 0; x < kSize; ++x) {
            uint32_t expected = 0;
            const bool coloured = PatternPixel(parameters, x, y, &expected);
            const size_t at = static_cast<size_t>(y * kSize + x);
            const bool same =
                coloured ? record.plots[at] == 1 && record.colours[at] == expected : record.plots[at] == 0;
            if (!same && ++*count <= 5) {
                where += " (" + std::to_string(x) + ", " + std::to_string(y) + ")";
            }
        }
    }
    return where;
}

TEST(Picture, EveryPixelIsWhatThePatternGives) {
    ParametersSetDefaults();
    for (const ParameterSet& set : kParameterSets) {
        for (uint8_t centred : {kFlagOn, kFlagOff}) {
            for (uint8_t colourMode : {kFlagOn, kFlagOff}) {
                Parameters parameters = gParameters;
                parameters.el = set.el;
                parameters.df = set.df;
                parameters.originCentred = centred;
                parameters.colourMode = colourMode;
                SCOPED_TRACE(std::string(set.name) + (centred ? ", centred" : ", corner") +
                             (colourMode ? ", colour" : ", black and white"));
                PlotRecord record;
                PictureFill(parameters, recordPlot, &record);
                EXPECT_EQ(record.outside, 0);
                int32_t differing = 0;
                const std::string where = firstDifferences(parameters, record, &differing);
                EXPECT_EQ(differing, 0) << "first at" << where;
            }
        }
    }
}

}  // namespace
