// The application's parameters and their defaults. The main loop owns and changes them; the
// pattern and the render pass only read them.
#include "app/parameters.h"

#include <bit>

Parameters gParameters = {};

// The defaults are fixed bit patterns, so every build starts from exactly the same picture.
void ParametersSetDefaults() {
    gParameters.pictureSize = 512;
    gParameters.el = kDefaultEl;
    gParameters.df = kDefaultDf;
    gParameters.elStep = std::bit_cast<float>(0x39712C28u);  // 0.00023
    gParameters.dfStep = std::bit_cast<float>(0x3B16BB99u);  // 0.0023
    gParameters.speedFactor = 1.0f;
    gParameters.colourMode = kFlagOn;
    gParameters.originCentred = kFlagOn;
}
