// Float to decimal text on the temporary string stack.
#pragma once

#include <cstdint>

constexpr int32_t kDefaultDecimals = -1;  // ten decimals, trailing zeros and a bare point trimmed

// Writes the text at the byte position of the temporary string stack and leaves the stack's
// position on its terminator.
void FloatToText(float value, int64_t position);
void FloatToTextDecimals(float value, int32_t decimals, int64_t position);
