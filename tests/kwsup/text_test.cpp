// Text, number and name rules.
#include <string.h>

#include <string>

#include "kwsup/kwsup.h"
#include "kwsup_fixture.h"

namespace kwsuptest {
namespace {

TEST(TextRules, FreeLengthIsNeverNegative) {
    // Signed 32-bit arithmetic: a capacity past 2^31 leaves no room.
    struct Case { const char* text; uint32_t capacity; int32_t free; };
    const Case cases[] = {
        {"abc", 4, 0},           {"abc", 3, 0},           {"abc", 0, 0},       {"abc", 5, 1},
        {"", 256, 255},          {"", 0x80000000u, INT32_MAX}, {"", 0x80000001u, 0}, {"ab", 0xFFFFFFFFu, 0},
    };
    for (const Case& c : cases) EXPECT_EQ(strFreeLen(c.text, c.capacity), c.free) << c.text << " " << c.capacity;
}

TEST(TextRules, CaseIgnoringComparison) {
    struct Case { const char* a; const char* b; int32_t result; };
    const Case cases[] = {
        {"Blink", "bLINK", 0}, {"", "", 0},          {"blink", "blinks", 1}, {"blinks", "blink", 1},
        {"abc", "abd", 1},     {"R5", "r5", 0},      {"a-b", "A-B", 0},      {"a", nullptr, 1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(strcmpCaseIgnore(c.a, c.b), c.result) << (c.a ? c.a : "(null)") << " / " << (c.b ? c.b : "(null)");
}

TEST(TextRules, CharacterClasses) {
    // Every byte: digits for MyIsDigit (inverse sense), name characters with
    // and without the blank.
    for (int byte = 0; byte < 256; ++byte) {
        const char c = static_cast<char>(byte);
        const bool digit = byte >= '0' && byte <= '9';
        const bool letter = (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z');
        const bool nameNoSpace = digit || letter || byte == '-' || byte == '_';
        EXPECT_EQ(MyIsDigit(c), digit ? 0 : 1) << byte;
        EXPECT_EQ(IsValidCharNoSpace(c), nameNoSpace ? 0 : 1) << byte;
        EXPECT_EQ(IsValidChar(c), (nameNoSpace || byte == ' ') ? 0 : 1) << byte;
    }
}

TEST(TextRules, Names) {
    struct Case { const char* text; uint32_t edgeRule; int32_t result; };
    const Case cases[] = {
        {" a", 1, 1},  {"a ", 1, 1},   {"a b", 1, 0},    {" a ", 0, 0}, {"a.b", 0, 1},
        {"", 1, 0},    {" ", 1, 1},    {" ", 0, 0},      {"Vd_1-x", 1, 0}, {"caf\xc3\xa9", 0, 1},
        {"a\tb", 0, 1}, {"a  b", 1, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(IsStringAValidName(c.text, c.edgeRule), c.result) << "'" << c.text << "' " << c.edgeRule;
    for (const char* text : {"a b", "a,b"}) EXPECT_EQ(IsStringAValidNameNoSpace(text), 1) << text;
    for (const char* text : {"Tag_01-x", ""}) EXPECT_EQ(IsStringAValidNameNoSpace(text), 0) << text;
}

TEST(TextRules, NumericValues) {
    for (const char* valid : {"12", "12.5", ".5", "5.", ".", "", "007"})
        EXPECT_EQ(IsStringAValidNumericValue(valid), 0) << "'" << valid << "'";
    for (const char* invalid : {"-1", "1e3", "1,5", " 1", "1.2.3", "1..2", "+1", "1 "})
        EXPECT_EQ(IsStringAValidNumericValue(invalid), 1) << "'" << invalid << "'";
}

TEST(TextRules, IntegerTextWithoutRounding) {
    struct Case { double value; const char* text; };
    const Case cases[] = {
        {1.5 * 1024 * 1024, "1572864"}, {2048.75, "2048"}, {0.999, "0"},
        {-3.0, ""}, {1e20, "100000000000000000000"},
    };
    for (const Case& c : cases) {
        char text[256];
        memset(text, 'X', sizeof text);
        EXPECT_EQ(ConvertToStringRepresentingInteger(c.value, text), 0);
        EXPECT_STREQ(text, c.text) << c.value;
    }
    // A value with more integer digits than the work buffer holds keeps 254.
    char text[512];
    ConvertToStringRepresentingInteger(1e300, text);
    EXPECT_EQ(strlen(text), 254u);
}

TEST(TextRules, BinaryMasks) {
    struct Case { const char* text; uint32_t value; };
    const Case cases[] = {
        {"101", 5},
        {"", 0},
        {"00000000000000000000010000000000", 0x400},
        {"100000000000000000000000000000000", 0},             // 33 digits: the leading 1 adds nothing
        {"111111111111111111111111111111111", 0xFFFFFFFFu},
        {"10000000000000000000000000000000", 0x80000000u},
    };
    for (const Case& c : cases) {
        uint32_t value = 12345;
        EXPECT_EQ(ConvertBinaryStringToInteger(c.text, &value), 0);
        EXPECT_EQ(value, c.value) << c.text;
    }
    EXPECT_EQ(IsStringABinaryRepresentation("0101"), 0);
    EXPECT_EQ(IsStringABinaryRepresentation(""), 0);
    EXPECT_EQ(IsStringABinaryRepresentation("0121"), 2);
    EXPECT_NE(IsStringABinaryRepresentation("2"), 0);
}

TEST(TextRules, BlanksAreRemovedAndAdiskPdiskAreOneParameter) {
    char text[] = "0:1, 0:2 ,\t0:3  ";
    stripWhiteSpaceFromStr(text);
    EXPECT_STREQ(text, "0:1,0:2,\t0:3");  // other white space stays
    stripWhiteSpaceFromStr(nullptr);

    char adiskValue[] = "0:1";
    char pdiskValue[] = "0:2";
    char* adisk = nullptr;
    char* pdisk = nullptr;
    EXPECT_EQ(checkAdiskPdisk(&adisk, &pdisk), 1667);
    adisk = adiskValue;
    pdisk = pdiskValue;
    EXPECT_EQ(checkAdiskPdisk(&adisk, &pdisk), 1668);
    adisk = nullptr;
    EXPECT_EQ(checkAdiskPdisk(&adisk, &pdisk), 0);
    EXPECT_EQ(adisk, pdiskValue);
    pdisk = nullptr;
    adisk = adiskValue;
    EXPECT_EQ(checkAdiskPdisk(&adisk, &pdisk), 0);
    EXPECT_EQ(adisk, adiskValue);
}

// ---- Name length against the controller ------------------------------------

class NameLength : public AgentTest {
protected:
    int32_t check(const std::string& name) {
        memset(maxLength, 0, sizeof maxLength);
        return IsNameCorrectLength(name.c_str(), "0", maxLength, sizeof maxLength);
    }
    char maxLength[8];
};

TEST_F(NameLength, BoundsComeFromTheController) {
    agent.on("getController", reply({{{"GlobalNo", "0"}, {"MaxNameLength", "15"}}}));
    EXPECT_EQ(check(std::string(15, 'a')), 0);
    EXPECT_STREQ(maxLength, "15");
    EXPECT_EQ(check(std::string(16, 'a')), 1);
    EXPECT_EQ(check(""), 1);
    EXPECT_EQ(agent.requests()[0], (Request{"vexcmd=getController", "GlobalNo=0", "CLI=true"}));
    // The maximum is read within the caller's capacity.
    agent.on("getController", reply({{{"MaxNameLength", "123456789"}}}));
    EXPECT_EQ(check("abc"), 0);
    EXPECT_STREQ(maxLength, "1234567");
    // Without the element every name is too long.
    agent.on("getController", reply({{{"GlobalNo", "0"}}}));
    EXPECT_EQ(check("a"), 1);
    EXPECT_STREQ(maxLength, "");
    agent.silent("getController");
    EXPECT_EQ(check("a"), -1);
}

}  // namespace
}  // namespace kwsuptest
