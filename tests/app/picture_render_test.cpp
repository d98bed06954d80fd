// RenderPicture in a real window leaves in image 0 exactly what PatternPixel gives for every
// pixel (black where it gives nothing), for both origins and both modes, over parameters that
// reach the pattern's extremes.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <string>

#include "app/parameters.h"
#include "app/pattern.h"
#include "app/render.h"
#include "runtime/core/runtime.h"
#include "runtime/image/image.h"
#include "runtime/window/window.h"
#include "tests/core/parameter_sets.h"

namespace {

constexpr int32_t kSize = 512;
constexpr int32_t kPitch = 1536;

class PictureRender : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        RuntimeStart();
        ASSERT_NE(WindowOpen(0, 0, 0, kSize, kSize, L"Whirlway picture test", 0x80000001), 0);
    }

    // Pixels of image 0 that differ from the pattern, read from the bitmap's bottom-up rows.
    static int32_t pixelsUnlikeThePattern(const Parameters& parameters, std::string* first) {
        DIBSECTION section{};
        if (::GetObjectW(ImageHandle(0), sizeof(section), &section) != static_cast<int>(sizeof(section))) {
            return -1;
        }
        const auto* bytes = static_cast<const uint8_t*>(section.dsBm.bmBits);
        int32_t differing = 0;
        for (int32_t y = 0; y < kSize; ++y) {
            for (int32_t x = 0; x < kSize; ++x) {
                const uint8_t* pixel = bytes + (kSize - 1 - y) * kPitch + 3 * x;
                const uint32_t shown = pixel[2] | (pixel[1] << 8) | (pixel[0] << 16);
                uint32_t expected = 0;
                PatternPixel(parameters, x, y, &expected);  // black when it gives nothing
                if (shown != expected && differing++ == 0) {
                    char where[32];
                    std::snprintf(where, sizeof(where), "(%d, %d)", x, y);
                    *first = where;
                }
            }
        }
        return differing;
    }
};

TEST_F(PictureRender, ImageZeroHoldsThePatternAtEveryPixel) {
    for (const ParameterSet& set : kParameterSets) {
        for (uint8_t centred : {kFlagOn, kFlagOff}) {
            for (uint8_t colourMode : {kFlagOn, kFlagOff}) {
                ParametersSetDefaults();
                gParameters.el = set.el;
                gParameters.df = set.df;
                gParameters.originCentred = centred;
                gParameters.colourMode = colourMode;
                SCOPED_TRACE(std::string(set.name) + (centred ? ", centred" : ", corner") +
                             (colourMode ? ", colour" : ", black and white"));
                RenderPicture();
                std::string first;
                EXPECT_EQ(pixelsUnlikeThePattern(gParameters, &first), 0) << "first at " << first;
            }
        }
    }
}

}  // namespace
