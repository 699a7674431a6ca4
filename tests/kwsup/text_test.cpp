// Text, number and name rules.
#include <ctype.h>

#include <string>

#include "kwsup/kwsup.h"
#include "kwsup_fixture.h"

namespace kwsuptest {
namespace {

int32_t nameWithEdges(const char* text) { return IsStringAValidName(text, 1); }
int32_t nameInside(const char* text) { return IsStringAValidName(text, 0); }
int32_t sameAsBlink(const char* text) { return strcmpCaseIgnore("Blink", text); }

TEST(TextRules, StringChecks) {
    struct Case { int32_t (*check)(const char*); const char* text; int32_t result; };
    const Case cases[] = {
        {nameWithEdges, " a", 1},  {nameWithEdges, "a ", 1},  {nameWithEdges, "a  b", 0}, {nameWithEdges, "", 0},
        {nameWithEdges, " ", 1},   {nameInside, " a ", 0},    {nameInside, " ", 0},       {nameInside, "a.b", 1},
        {nameInside, "Vd_1-x", 0}, {nameInside, "caf\xc3\xa9", 1}, {nameInside, "a\tb", 1},
        {IsStringAValidNameNoSpace, "a b", 1}, {IsStringAValidNameNoSpace, "Tag_01-x", 0},
        {IsStringAValidNameNoSpace, "", 0},    {IsStringAValidNameNoSpace, "a,b", 1},
        {IsStringAValidNumericValue, "12.5", 0}, {IsStringAValidNumericValue, ".", 0},
        {IsStringAValidNumericValue, "", 0},     {IsStringAValidNumericValue, "-1", 1},
        {IsStringAValidNumericValue, "1e3", 1},  {IsStringAValidNumericValue, "1..2", 1},
        {IsStringAValidNumericValue, " 1", 1},   {IsStringAValidNumericValue, "1 ", 1},
        {IsStringABinaryRepresentation, "0101", 0}, {IsStringABinaryRepresentation, "", 0},
        {IsStringABinaryRepresentation, "0121", 2},
        {sameAsBlink, "bLINK", 0}, {sameAsBlink, "blinks", 1}, {sameAsBlink, "Blinj", 1}, {sameAsBlink, nullptr, 1},
    };
    for (const Case& c : cases) EXPECT_EQ(c.check(c.text), c.result) << "row " << &c - cases;
}

TEST(TextRules, FreeLengthIsNeverNegative) {
    struct Case { const char* text; uint32_t capacity; int32_t free; };
    const Case cases[] = {
        {"abc", 4, 0}, {"abc", 3, 0}, {"abc", 0, 0}, {"abc", 5, 1}, {"", 256, 255},
        {"", 0x80000000u, INT32_MAX}, {"", 0x80000001u, 0}, {"ab", 0xFFFFFFFFu, 0},
    };
    for (const Case& c : cases) EXPECT_EQ(strFreeLen(c.text, c.capacity), c.free) << c.text << " " << c.capacity;
}

TEST(TextRules, CharacterClasses) {
    for (int byte = 0; byte < 256; ++byte) {
        const char c = static_cast<char>(byte);
        const bool digit = byte >= '0' && byte <= '9';
        const bool nameNoSpace = digit || isalpha(byte) || byte == '-' || byte == '_';
        EXPECT_EQ(MyIsDigit(c), digit ? 0 : 1) << byte;
        EXPECT_EQ(IsValidCharNoSpace(c), nameNoSpace ? 0 : 1) << byte;
        EXPECT_EQ(IsValidChar(c), (nameNoSpace || byte == ' ') ? 0 : 1) << byte;
    }
}

TEST(TextRules, NumberConversions) {
    struct Case { double value; const char* text; };
    const Case cases[] = {{1.5 * 1024 * 1024, "1572864"}, {2048.75, "2048"}, {0.999, "0"}, {-3.0, ""},
                          {1e20, "100000000000000000000"}};
    for (const Case& c : cases) {
        char text[256];
        EXPECT_EQ(ConvertToStringRepresentingInteger(c.value, text), 0);
        EXPECT_STREQ(text, c.text) << c.value;
    }
    struct Mask { const char* text; uint32_t value; };
    const Mask masks[] = {
        {"101", 5}, {"", 0}, {"00000000000000000000010000000000", 0x400},
        {"100000000000000000000000000000000", 0},  // 33 digits: the leading 1 adds nothing
        {"111111111111111111111111111111111", 0xFFFFFFFFu}, {"10000000000000000000000000000000", 0x80000000u},
    };
    for (const Mask& m : masks) {
        uint32_t value = 12345;
        EXPECT_EQ(ConvertBinaryStringToInteger(m.text, &value), 0);
        EXPECT_EQ(value, m.value) << m.text;
    }
}

TEST(TextRules, BlanksAreRemovedButOtherWhiteSpaceStays) {
    char text[] = "0:1, 0:2 ,\t0:3  ";
    stripWhiteSpaceFromStr(text);
    EXPECT_STREQ(text, "0:1,0:2,\t0:3");
    stripWhiteSpaceFromStr(nullptr);
}

}  // namespace
}  // namespace kwsuptest
