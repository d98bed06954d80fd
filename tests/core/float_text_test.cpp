// Float to text: the default trimmed form, explicit decimals and the special values.
#include "runtime/core/float_text.h"

#include <gtest/gtest.h>

#include <bit>
#include <limits>
#include <string>

#include "tests/core/text_fixture.h"

namespace {

class FloatText : public TextFacilities {
protected:
    // The text written at the current position; the position must end on its terminator.
    static std::u16string textOf(float value, int32_t decimals = kDefaultDecimals) {
        const int64_t start = TempStringPosition();
        FloatToTextDecimals(value, decimals, start);
        std::u16string text(TempStringAt(start));
        EXPECT_EQ(TempStringPosition(), start + 2 * static_cast<int64_t>(text.size()));
        TempStringSetPosition(static_cast<int32_t>(start));
        return text;
    }
};

TEST_F(FloatText, DefaultFormTrimsOnlyAfterThePoint) {
    EXPECT_EQ(textOf(std::bit_cast<float>(0x3F8C083Au)), u"1.0940010548");
    EXPECT_EQ(textOf(std::bit_cast<float>(0x3E96612Eu)), u"0.2937101722");
    EXPECT_EQ(textOf(2.0f), u"2");
    EXPECT_EQ(textOf(100.0f), u"100");
    EXPECT_EQ(textOf(1.5f), u"1.5");
    EXPECT_EQ(textOf(0.0f), u"0");
    EXPECT_EQ(textOf(-0.0f), u"0");
    EXPECT_EQ(textOf(0.1f), u"0.1000000015");
    EXPECT_EQ(textOf(-0.00023f), u"-0.00023");
    EXPECT_EQ(textOf(1e-12f), u"0");
    EXPECT_EQ(textOf(-1e-12f), u"-0");  // only an exact zero loses its sign
}

TEST_F(FloatText, ExplicitDecimalsAreClampedAndNeverTrimmed) {
    EXPECT_EQ(textOf(2.0f, 2), u"2.00");
    EXPECT_EQ(textOf(2.0f, 0), u"2");
    EXPECT_EQ(textOf(2.0f, -5), u"2");
    EXPECT_EQ(textOf(-0.0f, 1), u"0.0");
    const std::u16string most = textOf(1.0f, 512);
    EXPECT_EQ(most.size(), 514u);
    EXPECT_EQ(most, u"1." + std::u16string(512, u'0'));
    EXPECT_EQ(textOf(1.0f, 513), most);
    EXPECT_EQ(textOf(-std::numeric_limits<float>::max(), 100000).size(), 1u + 39u + 1u + 512u);
}

// An exact tie at the last decimal is the C runtime's to round. The values box shows the Windows
// build's answers, from msvcrt; the native build describes glibc's.
TEST_F(FloatText, TiesAtTheLastDecimalRoundAsTheCRuntimeDoes) {
#ifdef _WIN32
    EXPECT_EQ(textOf(0.00048828125f), u"0.0004882813");  // msvcrt: half away from zero
    EXPECT_EQ(textOf(2.5f, 0), u"3");
    EXPECT_EQ(textOf(0.125f, 2), u"0.13");
#else
    EXPECT_EQ(textOf(0.00048828125f), u"0.0004882812");  // glibc: half to even
    EXPECT_EQ(textOf(2.5f, 0), u"2");
    EXPECT_EQ(textOf(0.125f, 2), u"0.12");
#endif
}

TEST_F(FloatText, SpecialValuesIgnoreTheDecimals) {
    const float infinity = std::numeric_limits<float>::infinity();
    for (int32_t decimals : {kDefaultDecimals, 0, 3, 600}) {
        EXPECT_EQ(textOf(infinity, decimals), u"+Infinity");
        EXPECT_EQ(textOf(-infinity, decimals), u"-Infinity");
        EXPECT_EQ(textOf(std::numeric_limits<float>::quiet_NaN(), decimals), u"NaN");
        EXPECT_EQ(textOf(std::bit_cast<float>(0xFFC00001u), decimals), u"NaN");
    }
}

TEST_F(FloatText, ResultsConcatenateOnTheStack) {
    TempStringAppend(u"el = ");
    FloatToText(2.0f, TempStringPosition());
    TempStringAppend(u", df = ");
    FloatToText(1.5f, TempStringPosition());
    EXPECT_EQ(std::u16string(TempStringAt(0)), u"el = 2, df = 1.5");
    EXPECT_EQ(TempStringPosition(), 2 * 16);
}

}  // namespace
