// What the keys do to the parameters: speed from the modifiers, arrow steps with the df zero
// guard, toggles, reset and randomise. Kept apart from the keyboard so it can be tested alone.
#pragma once

#include "app/parameters.h"

enum class Arrow { kLeft, kRight, kUp, kDown };

constexpr float kSmallestDf = 1e-19f;  // df stepping onto exactly 0 becomes this (0x1FEC1E4A)

// Left Alt wins over Shift; Ctrl counts only together with Shift.
float SpeedFactorFor(bool leftAlt, bool leftShift, bool leftCtrl);

// Left/Right add/subtract elStep × speedFactor to el, Up/Down to df; in double, stored as float.
void StepParameters(Parameters& parameters, Arrow arrow);

void ToggleFlag(uint8_t& flag);              // 0x00 <-> 0xFF
void ResetParameters(Parameters& parameters);  // the default picture; speed and steps untouched
void RandomiseParameters(Parameters& parameters);  // el, df and the colour mode; the origin stays
