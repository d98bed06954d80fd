// The application's parameters: what the pattern reads and the main loop changes.
#pragma once

#include <bit>
#include <cstdint>

struct Parameters {
    uint16_t pictureSize;   // edge of the square picture in pixels; also the window's inner size
    float el;               // exponent applied to the scaled distance
    float df;               // divisor applied to pixel offsets; never exactly 0
    float elStep;           // change of el per turn with an arrow key held
    float dfStep;           // change of df per turn with an arrow key held
    float speedFactor;      // multiplier of the steps, chosen from the modifier keys
    uint8_t colourMode;     // 0xFF colour, 0x00 black and white
    uint8_t originCentred;  // 0xFF centre of the picture, 0x00 top-left pixel
};

extern Parameters gParameters;

// Fixed bit patterns, so every build starts from exactly the same picture.
constexpr float kDefaultEl = std::bit_cast<float>(0x3F8C083Au);  // 1.094001
constexpr float kDefaultDf = std::bit_cast<float>(0x3E96612Eu);  // 0.29371017

constexpr uint8_t kFlagOn = 0xFF;
constexpr uint8_t kFlagOff = 0x00;

// Assigns the defaults, in the order pictureSize, el, df, elStep, dfStep, speedFactor, colourMode,
// originCentred.
void ParametersSetDefaults();
