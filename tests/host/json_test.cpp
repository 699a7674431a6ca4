// The host's JSON strings: whatever bytes an agent or a user puts in a
// value, the output is valid JSON and keeps every valid character.
#include <gtest/gtest.h>

#include "../e2e_host/json_check.h"
#include "json.h"

namespace {

using rkhost::jsonString;

jsoncheck::Value parsed(const std::string& json) {
    jsoncheck::Value value;
    std::string error;
    EXPECT_TRUE(jsoncheck::parse(json, value, error)) << error << " in " << json;
    return value;
}

// Each byte that is not UTF-8 becomes U+FFFD; the text around it stays.
TEST(JsonString, EscapesWhatJsonRequiresKeepsUtf8AndReplacesTheRest) {
    const std::pair<std::string, std::string> cases[] = {
        {"", ""},
        {"say \"hi\" back\\slash /", "say \\\"hi\\\" back\\\\slash /"},
        {"a\nb\tc\rd", "a\\nb\\tc\\rd"},
        {std::string("nul\0\x01\x1f\x7f", 7), "nul\\u0000\\u0001\\u001f\\u007f"},
        {"é 日本語 😀 \xF4\x8F\xBF\xBF \xEF\xBF\xBD", "é 日本語 😀 \xF4\x8F\xBF\xBF \xEF\xBF\xBD"},
        {"a\x80z", "a\\ufffdz"},                              // lone continuation byte
        {"\xC0\x80", "\\ufffd\\ufffd"},                       // overlong NUL
        {"\xC3", "\\ufffd"},                                  // truncated at the end
        {"\xE6\x97x", "\\ufffd\\ufffdx"},                     // truncated in the middle
        {"\xED\xA0\x80", "\\ufffd\\ufffd\\ufffd"},            // UTF-16 surrogate
        {"\xF4\x90\x80\x80", "\\ufffd\\ufffd\\ufffd\\ufffd"},  // beyond U+10FFFF
    };
    for (const auto& [in, out] : cases) {
        EXPECT_EQ(jsonString(in), "\"" + out + "\"");
        if (out.find("ufffd") == std::string::npos) EXPECT_EQ(parsed(jsonString(in)).string, in);
    }
    std::string all;
    for (int c = 0; c < 256; ++c) all += static_cast<char>(c);
    parsed(jsonString(all + all.substr(0xC0) + "\xE2\x82"));
}

TEST(JsonStringList, JoinsStringsAsAnArray) {
    EXPECT_EQ(rkhost::jsonStringList({}), "[]");
    EXPECT_EQ(rkhost::jsonStringList({"vexcmd=setVDBlink", "", "a\"b"}), "[\"vexcmd=setVDBlink\", \"\", \"a\\\"b\"]");
    EXPECT_EQ(parsed(rkhost::jsonStringList({"x", "\x80"})).items.size(), 2u);
}

}  // namespace
