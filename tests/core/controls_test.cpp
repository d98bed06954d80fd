// What the keys do to the parameters.
#include <gtest/gtest.h>

#include <cstring>

#include "app/controls.h"
#include "runtime/core/random.h"

namespace {

uint32_t bitsOf(float value) {
    uint32_t bits = 0;
    std::memcpy(&bits, &value, sizeof(bits));
    return bits;
}

Parameters defaults() {
    Parameters parameters{};
    parameters.pictureSize = 512;
    parameters.el = kDefaultEl;
    parameters.df = kDefaultDf;
    parameters.elStep = 0.00023f;
    parameters.dfStep = 0.0023f;
    parameters.speedFactor = 1.0f;
    parameters.colourMode = kFlagOn;
    parameters.originCentred = kFlagOn;
    return parameters;
}

TEST(Controls, SpeedFactorLeftAltWinsAndCtrlNeedsShift) {
    EXPECT_EQ(SpeedFactorFor(false, false, false), 1.0f);
    EXPECT_EQ(SpeedFactorFor(false, true, false), 5.0f);
    EXPECT_EQ(SpeedFactorFor(false, true, true), 100.0f);
    EXPECT_EQ(SpeedFactorFor(false, false, true), 1.0f);
    EXPECT_EQ(SpeedFactorFor(true, true, true), 0.01f);
}

TEST(Controls, ArrowStepsAreComputedInDoubleAndStoredAsFloat) {
    Parameters parameters = defaults();
    parameters.speedFactor = 5.0f;
    StepParameters(parameters, Arrow::kLeft);
    EXPECT_EQ(parameters.el, static_cast<float>(static_cast<double>(kDefaultEl) + 0.00023f * 5.0));
    EXPECT_EQ(parameters.df, kDefaultDf);
    StepParameters(parameters, Arrow::kRight);
    StepParameters(parameters, Arrow::kDown);
    EXPECT_EQ(parameters.df, static_cast<float>(static_cast<double>(kDefaultDf) - 0.0023f * 5.0));
}

TEST(Controls, DfSteppingOntoZeroBecomesTheSmallestDfAndStepsOnFromThere) {
    EXPECT_EQ(bitsOf(kSmallestDf), 0x1FEC1E4Au);
    Parameters parameters = defaults();
    parameters.df = parameters.dfStep;
    StepParameters(parameters, Arrow::kDown);
    EXPECT_EQ(parameters.df, kSmallestDf);
    StepParameters(parameters, Arrow::kUp);
    EXPECT_EQ(parameters.df, static_cast<float>(1e-19f + static_cast<double>(0.0023f)));
    parameters.df = -parameters.dfStep;
    StepParameters(parameters, Arrow::kUp);
    EXPECT_EQ(bitsOf(parameters.df), 0x1FEC1E4Au) << "a negative zero is caught too";
}

TEST(Controls, ElHasNoZeroGuard) {
    Parameters parameters = defaults();
    parameters.el = parameters.elStep;
    StepParameters(parameters, Arrow::kRight);
    EXPECT_EQ(parameters.el, 0.0f);
}

TEST(Controls, TogglesComplementTheByte) {
    uint8_t flag = kFlagOn;
    ToggleFlag(flag);
    EXPECT_EQ(flag, kFlagOff);
    ToggleFlag(flag);
    EXPECT_EQ(flag, kFlagOn);
}

TEST(Controls, ResetRestoresThePictureButNotSpeedOrSteps) {
    Parameters parameters = defaults();
    parameters.el = 3.0f;
    parameters.df = -2.0f;
    parameters.colourMode = kFlagOff;
    parameters.originCentred = kFlagOff;
    parameters.speedFactor = 100.0f;
    parameters.elStep = 0.5f;
    ResetParameters(parameters);
    EXPECT_EQ(bitsOf(parameters.el), 0x3F8C083Au);
    EXPECT_EQ(bitsOf(parameters.df), 0x3E96612Eu);
    EXPECT_EQ(parameters.colourMode, kFlagOn);
    EXPECT_EQ(parameters.originCentred, kFlagOn);
    EXPECT_EQ(parameters.speedFactor, 100.0f);
    EXPECT_EQ(parameters.elStep, 0.5f);
}

TEST(Controls, RandomiseStaysInRangeKeepsTheOriginAndUsesBothModes) {
    RandomSeed(1);
    Parameters parameters = defaults();
    parameters.originCentred = kFlagOff;
    bool sawColour = false;
    bool sawBlackAndWhite = false;
    for (int i = 0; i < 200; ++i) {
        RandomiseParameters(parameters);
        EXPECT_GE(parameters.el, 1.0f / 999999.0f);
        EXPECT_LE(parameters.el, 3.0f + 1.0f / 999.0f);
        EXPECT_GE(parameters.df, 1.0f / 999999.0f);
        EXPECT_LE(parameters.df, 3.0f + 1.0f / 999.0f);
        ASSERT_TRUE(parameters.colourMode == kFlagOn || parameters.colourMode == kFlagOff);
        sawColour |= parameters.colourMode == kFlagOn;
        sawBlackAndWhite |= parameters.colourMode == kFlagOff;
        EXPECT_EQ(parameters.originCentred, kFlagOff);
    }
    EXPECT_TRUE(sawColour);
    EXPECT_TRUE(sawBlackAndWhite);
}

TEST(Controls, RandomiseDrawsElThenDfThenTheMode) {
    RandomSeed(0);
    const int64_t elWhole = RandomRange(3, 0);
    const int64_t elDivisor = RandomRange(999999, 999);
    const int64_t dfWhole = RandomRange(3, 0);
    const int64_t dfDivisor = RandomRange(999999, 999);
    const int64_t mode = RandomRange(1, 0);
    RandomSeed(0);
    Parameters parameters = defaults();
    RandomiseParameters(parameters);
    EXPECT_EQ(parameters.el, static_cast<float>(elWhole + 1.0 / elDivisor));
    EXPECT_EQ(parameters.df, static_cast<float>(dfWhole + 1.0 / dfDivisor));
    EXPECT_EQ(parameters.colourMode, mode == 0 ? kFlagOn : kFlagOff);
}

}  // namespace
