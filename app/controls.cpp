// Parameter arithmetic of the key bindings. Values are floats; each change is computed in
// double and stored back, so that repeated steps land on the same floats on every machine.
#include "app/controls.h"

#include "runtime/core/random.h"

float SpeedFactorFor(bool leftAlt, bool leftShift, bool leftCtrl) {
    if (leftAlt) {
        return 0.01f;
    }
    if (leftShift) {
        return leftCtrl ? 100.0f : 5.0f;
    }
    return 1.0f;
}

static float stepped(float value, float step, float factor, double direction) {
    return static_cast<float>(static_cast<double>(value) +
                              direction * (static_cast<double>(step) * static_cast<double>(factor)));
}

static void guardDf(Parameters& parameters) {
    if (parameters.df == 0.0f) {
        parameters.df = kSmallestDf;
    }
}

void StepParameters(Parameters& parameters, Arrow arrow) {
    switch (arrow) {
        case Arrow::kLeft: {
            parameters.el = stepped(parameters.el, parameters.elStep, parameters.speedFactor, +1.0);
            break;
        }
        case Arrow::kRight: {
            parameters.el = stepped(parameters.el, parameters.elStep, parameters.speedFactor, -1.0);
            break;
        }
        case Arrow::kUp: {
            parameters.df = stepped(parameters.df, parameters.dfStep, parameters.speedFactor, +1.0);
            guardDf(parameters);
            break;
        }
        case Arrow::kDown: {
            parameters.df = stepped(parameters.df, parameters.dfStep, parameters.speedFactor, -1.0);
            guardDf(parameters);
            break;
        }
    }
}

void ToggleFlag(uint8_t& flag) { flag = static_cast<uint8_t>(~flag); }

void ResetParameters(Parameters& parameters) {
    parameters.el = kDefaultEl;
    parameters.df = kDefaultDf;
    parameters.colourMode = kFlagOn;
    parameters.originCentred = kFlagOn;
}

// A whole part 0..3 plus 1/999..1/999999, so the value is never 0.
static float randomParameter() {
    const int64_t whole = RandomRange(3, 0);
    const int64_t divisor = RandomRange(999999, 999);
    return static_cast<float>(static_cast<double>(whole) + 1.0 / static_cast<double>(divisor));
}

void RandomiseParameters(Parameters& parameters) {
    parameters.el = randomParameter();
    parameters.df = randomParameter();
    // 0 gives 0xFF (colour), 1 gives 0x00 (black and white).
    parameters.colourMode = static_cast<uint8_t>(RandomRange(1, 0) - 1);
}
