// Texts in replies: whatever bytes a request, a profile or an old state
// holds, every reply is a well-formed document.
#include <libxml/parser.h>
#include <sqlite3.h>

#include <random>

#include "agent_harness.h"
#include "reply.h"

namespace kwda_test {
namespace {

const std::string kReplacement = "\xEF\xBF\xBD";  // U+FFFD

std::string times(const std::string& piece, int n) {
    std::string out;
    for (int i = 0; i < n; ++i) out += piece;
    return out;
}

bool parsesAsXml(const std::string& document) {
    xmlDoc* doc = xmlReadMemory(document.data(), static_cast<int>(document.size()), "t.xml", nullptr,
                                XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
    xmlFreeDoc(doc);
    return doc != nullptr;
}

// Each ill-formed piece becomes U+FFFD: one for the longest start of a character that goes wrong, one
// for each byte that cannot start one; control characters are dropped, whitespace kept.
TEST(ReplyText, TextsBecomeWellFormedUtf8WithoutControlCharacters) {
    struct Case {
        const char* what;
        std::string in, out;
    };
    const Case cases[] = {
        {"truncated at the end", "ab\xC3", "ab" + kReplacement},
        {"truncated before a letter", "\xE2\x82x", kReplacement + "x"},
        {"truncated four-byte form", "\xF0\x9F\x98", kReplacement},
        {"lone continuation bytes", "\x80\xBF", times(kReplacement, 2)},
        {"overlong two-byte '/'", "\xC0\xAF", times(kReplacement, 2)},
        {"overlong three-byte '/'", "\xE0\x80\xAF", times(kReplacement, 3)},
        {"overlong four-byte", "\xF0\x80\x80\xAF", times(kReplacement, 4)},
        {"surrogate U+D800", "\xED\xA0\x80", times(kReplacement, 3)},
        {"surrogate U+DFFF", "\xED\xBF\xBF", times(kReplacement, 3)},
        {"above U+10FFFF", "\xF4\x90\x80\x80", times(kReplacement, 4)},
        {"lead byte F5", "\xF5\x80\x80\x80", times(kReplacement, 4)},
        {"bytes FE FF", "\xFE\xFF", times(kReplacement, 2)},
        {"well-formed around a bad byte", "\xC3\xA9\xFF\xE2\x82\xAC", "\xC3\xA9" + kReplacement + "\xE2\x82\xAC"},
        {"the edges of the range", "\xED\x9F\xBF\xEE\x80\x80\xF4\x8F\xBF\xBF",
         "\xED\x9F\xBF\xEE\x80\x80\xF4\x8F\xBF\xBF"},
        {"markup next to a bad byte", "<\xFF&", "&lt;" + kReplacement + "&amp;"},
        {"control characters", std::string("a\x01" "b\x1b[31m\x7f" "c\0d", 12), "ab[31mcd"},
        {"whitespace", "a\tb\nc\rd", "a\tb\nc\rd"},
    };
    for (const auto& c : cases) EXPECT_EQ(kwda::xmlEscape(c.in), c.out) << c.what;
}

// Random bytes, escaped into an element and an attribute, always parse.
TEST(ReplyText, AnyBytesGiveAWellFormedDocument) {
    std::mt19937 random(2024);
    std::uniform_int_distribution<int> length(0, 24), byte(0, 255);
    for (int round = 0; round < 3000; ++round) {
        std::string text;
        for (int i = length(random); i > 0; --i) text += static_cast<char>(byte(random));
        const std::string escaped = kwda::xmlEscape(text);
        const std::string document = "<a b=\"" + escaped + "\">" + escaped + "</a>";
        ASSERT_TRUE(parsesAsXml(document)) << "round " << round << ": " << document;
    }
}

class TextWriteTest : public AgentTest {};

// A state written by an older agent (or edited by hand) may hold any bytes:
// the enclosure is still answered, its text with U+FFFD for what is not UTF-8.
TEST_F(TextWriteTest, AStateHoldingBytesThatAreNotUtf8IsStillAnswered) {
    steps("getEnclosureList");
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(state.c_str(), &db), SQLITE_OK);
    sqlite3_busy_timeout(db, 5000);
    const char* plant =
        "UPDATE object SET attrs = replace(attrs, 'ServiceTag=KBP1207', "
        "'ServiceTag=' || CAST(X'4BFF01EDA0803C' AS TEXT)) "
        "WHERE kind = 'Enclosure' AND instr(attrs, 'ServiceTag=KBP1207') > 0";
    EXPECT_EQ(sqlite3_exec(db, plant, nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
    EXPECT_EQ(sqlite3_changes(db), 1) << "the default system's enclosure tag was not found";
    sqlite3_close(db);

    steps("getEnclosureList; getStoreDump");  // each reply must parse
    EXPECT_EQ(run("getEnclosure GlobalNo=0 Enclosure=0:0").only().at("ServiceTag"), "K" + times(kReplacement, 4) + "<");
}

}  // namespace
}  // namespace kwda_test
