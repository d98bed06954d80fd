// The temporary string stack's capacity rules, positions and the string utilities.
#include "runtime/core/temp_string.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/core/text_fixture.h"

namespace {

class TempString : public TextFacilities {
protected:
    static std::u16string textAt(int64_t position) { return std::u16string(TempStringAt(position)); }
};

TEST_F(TempString, StartsSmallAndGrowsPastTheHeadroom) {
    EXPECT_EQ(TempStringPosition(), 0);
    EXPECT_EQ(TempStringCapacity(), 16);
    TempStringAppend(u"el = ");  // end 10 is below 16 - 4
    EXPECT_EQ(TempStringCapacity(), 16);
    EXPECT_EQ(TempStringPosition(), 10);
    EXPECT_EQ(textAt(0), u"el = ");

    TempStringSetPosition(0);
    TempStringAppend(u"abcdef");  // end 12 reaches 16 - 4
    EXPECT_EQ(TempStringCapacity(), 12 + 16384);
    EXPECT_EQ(textAt(0), u"abcdef");
}

TEST_F(TempString, ReservationIsMeasuredFromThePosition) {
    char16_t* text = TempStringReserve(1024, 0);
    EXPECT_EQ(TempStringCapacity(), 2048 + 16384);
    EXPECT_EQ(TempStringPosition(), 2048);
    EXPECT_EQ(text, TempStringBuffer());
    TempStringGiveBack(1000);
    EXPECT_EQ(TempStringPosition(), 48);

    // A base below the position: the position becomes base + 2 × count.
    char16_t* inner = TempStringReserve(3, 8);
    EXPECT_EQ(inner, TempStringAt(8));
    EXPECT_EQ(TempStringPosition(), 14);
}

TEST_F(TempString, NullAppendTerminatesWithoutMoving) {
    TempStringAppend(u"abc");
    const int64_t saved = TempStringPosition();
    TempStringAppend(nullptr);
    EXPECT_EQ(TempStringPosition(), saved);
    EXPECT_EQ(textAt(saved), u"");
    EXPECT_EQ(textAt(0), u"abc");
}

TEST_F(TempString, RestoringASavedPositionDiscardsNestedAppends) {
    TempStringAppend(u"keep");
    const int64_t saved = TempStringPosition();
    TempStringAppend(u"one ");
    TempStringAppend(u"two ");
    TempStringAppend(u"three");
    EXPECT_EQ(textAt(0), u"keepone two three");
    TempStringSetPosition(static_cast<int32_t>(saved));
    EXPECT_EQ(textAt(0), u"keep");
    TempStringAppend(u"X");
    EXPECT_EQ(textAt(0), u"keepX");
    EXPECT_EQ(TempStringPosition(), saved + 2);
}

TEST_F(TempString, LargeBuffersShrinkOnTheNextReservation) {
    TempStringReserve(786432, 0);  // 1.5 MiB
    EXPECT_EQ(TempStringCapacity(), 1572864 + 16384);
    TempStringSetPosition(0);

    char* bytes = reinterpret_cast<char*>(TempStringReserve(600000, 0));  // end over 1 MiB: exactly the end
    EXPECT_EQ(TempStringCapacity(), 1200000);
    bytes[1200000 + 9] = 1;  // the 10 bytes beyond the capacity are allocated
    TempStringSetPosition(0);

    TempStringReserve(1000, 0);  // end 2000: back to 1 MiB
    EXPECT_EQ(TempStringCapacity(), 1048576);
    bytes = reinterpret_cast<char*>(TempStringBuffer());
    bytes[1048576 + 9] = 1;

    TempStringReserve(1000, 0);  // no longer above 1 MiB: stays
    EXPECT_EQ(TempStringCapacity(), 1048576);
}

TEST_F(TempString, AppendingTextFromTheStackItselfSurvivesTheGrowth) {
    const std::u16string once = u"abcdef" + std::u16string(8180, u'x');
    TempStringAppend(u"abcdef");
    TempStringAppend(once.c_str() + 6);
    TempStringAppend(TempStringAt(0));  // this append moves the buffer
    EXPECT_EQ(TempStringPosition(), 32744);
    EXPECT_EQ(textAt(0), once + once);
}

// The first buffer takes a terminator at its capacity like every later one, and text that lies on
// the stack beyond what a shrinking reservation keeps is copied before the buffer is cut.
TEST_F(TempString, TerminatorsAndTextFromTheStackAtTheBufferEdges) {
    TempStringSetPosition(16);
    EXPECT_EQ(textAt(16), u"");
    TempStringSetPosition(0);
    TempStringGiveBack(-8);
    TempStringAppend(nullptr);
    EXPECT_EQ(TempStringPosition(), 16);

    TempStringSetPosition(0);
    TempStringAppend(std::u16string(600000, u'x').c_str());
    TempStringAppend(u"hello");  // at byte 1,200,000
    TempStringSetPosition(0);
    TempStringAppend(TempStringAt(1200000));
    EXPECT_EQ(TempStringCapacity(), 1048576);
    EXPECT_EQ(textAt(0), u"hello");
}

TEST_F(TempString, CopyCharsReadsOnlyTheGivenCount) {
    // An odd count from a source with nothing after it: a pairwise copy would read past it.
    auto* source = static_cast<char16_t*>(RuntimeAllocRaw(3 * sizeof(char16_t)));
    source[0] = u'x';
    source[1] = u'y';
    source[2] = u'z';
    char16_t destination[8] = {u'-', u'-', u'-', u'-', u'-', u'-', u'-', u'-'};
    CopyChars(destination, source, 3);
    EXPECT_EQ(std::u16string(destination), u"xyz");
    EXPECT_EQ(destination[4], u'-');
    RuntimeFree(source);

    CopyChars(destination, u"abc", 0);
    EXPECT_EQ(destination[0], 0);
    EXPECT_EQ(destination[1], u'y');
    destination[0] = u'q';
    CopyChars(destination, u"abc", -4);
    EXPECT_EQ(destination[0], 0);
}

TEST_F(TempString, FormatTextAndDuplicates) {
    char16_t buffer[64];
    EXPECT_EQ(FormatText(buffer, u"WindowClass_%I64d", static_cast<int64_t>(-9000000000)), 23);
    EXPECT_EQ(std::u16string(buffer), u"WindowClass_-9000000000");
    EXPECT_EQ(FormatText(buffer, u"%%.%df", 3), 4);
    EXPECT_EQ(std::u16string(buffer), u"%.3f");
    EXPECT_EQ(FormatText(buffer, u"%%I64d=%5I64d", static_cast<int64_t>(42)), 11);
    EXPECT_EQ(std::u16string(buffer), u"%I64d=   42") << "a literal percent sign is not a conversion";

    EXPECT_EQ(StringDuplicate(nullptr), nullptr);
    char16_t* copy = StringDuplicate(u"values");
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(std::u16string(copy), u"values");
    StringFree(copy);
    StringFree(nullptr);
    char16_t* empty = StringDuplicate(u"");
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(empty[0], 0);
    StringFree(empty);
}

}  // namespace
