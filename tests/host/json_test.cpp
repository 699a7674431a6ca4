// The host's JSON strings: whatever bytes an agent or a user puts in a
// value, the output is valid JSON and keeps every valid character.
#include <gtest/gtest.h>

#include "../e2e_host/json_check.h"
#include "json.h"

namespace {

using rkhost::jsonString;
using rkhost::jsonStringList;

std::string decoded(const std::string& json) {
    jsoncheck::Value value;
    std::string error;
    EXPECT_TRUE(jsoncheck::parse(json, value, error)) << error << " in " << json;
    return value.string;
}

TEST(JsonString, EscapesWhatJsonRequires) {
    const std::pair<std::string, std::string> cases[] = {
        {"plain", "\"plain\""},
        {"", "\"\""},
        {"say \"hi\"", "\"say \\\"hi\\\"\""},
        {"back\\slash", "\"back\\\\slash\""},
        {"a\nb\tc\rd", "\"a\\nb\\tc\\rd\""},
        {std::string("nul\0byte", 8), "\"nul\\u0000byte\""},
        {"\x01\x1f\x7f", "\"\\u0001\\u001f\\u007f\""},
        {"/", "\"/\""},
    };
    for (const auto& [in, out] : cases) {
        EXPECT_EQ(jsonString(in), out);
        EXPECT_EQ(decoded(jsonString(in)), in);
    }
}

TEST(JsonString, KeepsValidUtf8) {
    for (const std::string text : {"é", "日本語", "😀 ok", "\xF4\x8F\xBF\xBF", "\xEF\xBF\xBD"}) {
        EXPECT_EQ(jsonString(text), "\"" + text + "\"");
        EXPECT_EQ(decoded(jsonString(text)), text);
    }
}

// Bytes that are not UTF-8 each become U+FFFD; the text around them stays.
TEST(JsonString, ReplacesInvalidUtf8) {
    const std::pair<std::string, std::string> cases[] = {
        {"a\x80z", "a\\ufffdz"},                 // lone continuation byte
        {"\xC0\x80", "\\ufffd\\ufffd"},          // overlong NUL
        {"\xC3", "\\ufffd"},                     // truncated at the end
        {"\xE6\x97x", "\\ufffd\\ufffdx"},        // truncated in the middle
        {"\xED\xA0\x80", "\\ufffd\\ufffd\\ufffd"},  // UTF-16 surrogate
        {"\xF4\x90\x80\x80", "\\ufffd\\ufffd\\ufffd\\ufffd"},  // beyond U+10FFFF
        {"\xFF\xFE", "\\ufffd\\ufffd"},
    };
    for (const auto& [in, out] : cases) {
        EXPECT_EQ(jsonString(in), "\"" + out + "\"");
        decoded(jsonString(in));
    }
}

TEST(JsonString, EveryByteValueGivesValidJson) {
    std::string all;
    for (int c = 0; c < 256; ++c) all += static_cast<char>(c);
    decoded(jsonString(all));
    decoded(jsonString(all + all.substr(0xC0) + "\xE2\x82"));
}

TEST(JsonStringList, JoinsStringsAsAnArray) {
    EXPECT_EQ(jsonStringList({}), "[]");
    EXPECT_EQ(jsonStringList({"vexcmd=setVDBlink", "", "a\"b"}), "[\"vexcmd=setVDBlink\", \"\", \"a\\\"b\"]");
    jsoncheck::Value value;
    std::string error;
    ASSERT_TRUE(jsoncheck::parse(jsonStringList({"x", "\x80"}), value, error)) << error;
    EXPECT_EQ(value.items.size(), 2u);
}

}  // namespace
