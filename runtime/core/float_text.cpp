// Float to decimal text, written on the temporary string stack at a caller's position.
// Relies on the stack's reservation and on FormatText (the C runtime's wide printf).
#include "runtime/core/float_text.h"

#include <bit>
#include <cmath>

#include "runtime/core/temp_string.h"

static constexpr int32_t kReservedChars = 1024;  // enough for 512 decimals of the largest float
static constexpr int32_t kMostDecimals = 512;
static constexpr uint32_t kPlusInfinityBits = 0x7F800000u;
static constexpr uint32_t kMinusInfinityBits = 0xFF800000u;

void FloatToText(float value, int64_t position) { FloatToTextDecimals(value, kDefaultDecimals, position); }

// Trailing zeros after a point, then a bare point; only the default form is trimmed.
static int trimZeros(const char16_t* text, int length) {
    if (length == 0 || text[length - 1] != u'0') {
        return length;
    }
    bool hasPoint = false;
    for (int i = 0; i < length; ++i) {
        hasPoint = hasPoint || text[i] == u'.';
    }
    if (!hasPoint) {
        return length;
    }
    while (length > 0 && text[length - 1] == u'0') {
        --length;
    }
    if (length > 0 && text[length - 1] == u'.') {
        --length;
    }
    return length;
}

void FloatToTextDecimals(float value, int32_t decimals, int64_t position) {
    char16_t* text = TempStringReserve(kReservedChars, static_cast<int32_t>(position));
    const uint32_t bits = std::bit_cast<uint32_t>(value);
    int length = 0;
    if (bits == kPlusInfinityBits) {
        length = 9;
        CopyChars(text, u"+Infinity", length);
    } else if (bits == kMinusInfinityBits) {
        length = 9;
        CopyChars(text, u"-Infinity", length);
    } else if (std::isnan(static_cast<double>(value))) {
        length = 3;
        CopyChars(text, u"NaN", length);
    } else {
        char16_t explicitFormat[16];
        const char16_t* format = u"%.10f";
        if (decimals != kDefaultDecimals) {
            const int32_t clamped = decimals > kMostDecimals ? kMostDecimals : (decimals < 0 ? 0 : decimals);
            FormatText(explicitFormat, u"%%.%df", clamped);
            format = explicitFormat;
        }
        if (value == 0.0f) {
            value = 0.0f;  // a negative zero prints without its sign
        }
        length = FormatText(text, format, static_cast<double>(value));
        if (length < 0) {
            length = 0;
        }
        if (decimals == kDefaultDecimals) {
            length = trimZeros(text, length);
        }
        text[length] = 0;
    }
    TempStringGiveBack(kReservedChars - length);
}
