// Float to text against a model of its rules: the fixed texts, the clamped decimals, the
// ten-decimal default with its trailing zeros trimmed, and results that follow each other on the
// temporary string stack, its position left on the last terminator.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdio>
#include <string>

#include "runtime/core/float_text.h"
#include "runtime/core/runtime_heap.h"
#include "runtime/core/temp_string.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

std::string expectedText(float value, int32_t decimals) {
    const uint32_t bits = std::bit_cast<uint32_t>(value);
    if (bits == 0x7F800000u) {
        return "+Infinity";
    }
    if (bits == 0xFF800000u) {
        return "-Infinity";
    }
    if (std::isnan(value)) {
        return "NaN";
    }
    const int places = decimals == kDefaultDecimals ? 10 : std::clamp(decimals, 0, 512);
    char buffer[640];
    std::snprintf(buffer, sizeof buffer, "%.*f", places, value == 0.0f ? 0.0 : static_cast<double>(value));
    std::string text = buffer;
    if (decimals == kDefaultDecimals && text.back() == '0' && text.find('.') != std::string::npos) {
        text.erase(text.find_last_not_of('0') + 1);
        if (text.back() == '.') {
            text.pop_back();
        }
    }
    return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    RuntimeHeapCreate();
    TempStringStart();
    TempStringAppend(u"v=");
    std::string expected = "v=";
    while (input.remaining_bytes() > 0) {
        const auto value = std::bit_cast<float>(input.ConsumeIntegral<uint32_t>());
        const int32_t decimals = input.ConsumeBool() ? kDefaultDecimals : input.ConsumeIntegral<int32_t>();
        const int64_t position = TempStringPosition();
        if (decimals == kDefaultDecimals) {
            FloatToText(value, position);
        } else {
            FloatToTextDecimals(value, decimals, position);
        }
        expected += expectedText(value, decimals);
        require(TempStringPosition() == 2 * static_cast<int64_t>(expected.size()), "position on the terminator");
    }
    const std::u16string text(TempStringAt(0));
    require(std::equal(text.begin(), text.end(), expected.begin(), expected.end()), "text");
    TempStringEnd();
    RuntimeHeapDestroy();
    return 0;
}
