// The message catalogue: how arguments are placed, and that the shipped
// texts read well whatever a rejection leaves in its arguments.
#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <sstream>

#include "catalogue.h"
#include "e2e.h"

namespace {

using rkhost::Catalogue;
using rkhost::expandMessage;

const std::string kShipped = std::string(RK_SOURCE_DIR) + "/share/messages.cat";

struct Expansion {
    const char* text;
    const char* arg1;
    const char* arg2;
    const char* expected;
};

TEST(MessageText, PlacesArgumentsAndOptionalParts) {
    const Expansion cases[] = {
        {"Virtual disk {1} does not exist. Valid virtual disks: {2}.", "7", "0, 1, 2",
         "Virtual disk 7 does not exist. Valid virtual disks: 0, 1, 2."},
        {"{2} before {1}", "a", "b", "b before a"},
        {"A{?1: one={1}}{!1: none}.", "x", "", "A one=x."},
        {"A{?1: one={1}}{!1: none}.", "", "", "A none."},
        {"{?1:{?2:both}{!2:first only}}{!1:{?2:second only}{!2:neither}}", "a", "b", "both"},
        {"{?1:{?2:both}{!2:first only}}{!1:{?2:second only}{!2:neither}}", "a", "", "first only"},
        {"{?1:{?2:both}{!2:first only}}{!1:{?2:second only}{!2:neither}}", "", "b", "second only"},
        {"{?1:{?2:both}{!2:first only}}{!1:{?2:second only}{!2:neither}}", "", "", "neither"},
        // An argument that ends a sentence swallows the text's full stop.
        {"Valid: {2}.", "", "None - There are no batteries in this controller.",
         "Valid: None - There are no batteries in this controller."},
        {"Ends {1}.. twice", "x.", "", "Ends x.. twice"},
        {"Part{?1: ends {1}.}.", "here", "", "Part ends here."},
        // Braces inside arguments are never read as placeholders.
        {"[{1}] [{2}]", "{2}", "{?1:no}", "[{2}] [{?1:no}]"},
        // Anything that is not a placeholder stands as written.
        {"{3} {x} {?3:y} {?1 broken", "a", "b", "{3} {x} {?3:y} {?1 broken"},
        {"unclosed {?1:part", "a", "", "unclosed {?1:part"},
        {"", "a", "b", ""},
        {"from {1:size} to {2:size}.", "104857600", "2399276105728",
         "from 100.00 MB (104857600 bytes) to 2.18 TB (2399276105728 bytes)."},
        {"{1:size}|{2:size}", "1023", "1024", "1023 bytes|1.00 KB (1024 bytes)"},
        {"{1:size} {2:size}", "12a", "", "12a "},
        {"{1:sizes}", "1", "", "{1:sizes}"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(expandMessage(c.text, {c.arg1, c.arg2}), c.expected) << "text: " << c.text;
}

TEST(Catalogue, ReadsIdsCommentsLineBreaksAndCommandTextsAndNamesUnknownIds) {
    kwtest::TempDir dir;
    std::ofstream(dir.file("messages.cat")) << "# comment\n1600 Controller {1} does not exist.\n\n6000   Two\\nlines\n"
                                               "6951 Summary heading\n6951@rkconfig Enclosure heading\nnot a message\n";
    Catalogue catalogue;
    ASSERT_TRUE(catalogue.load(dir.file("messages.cat")));
    EXPECT_EQ(catalogue.format(1600, "7", ""), "Controller 7 does not exist.");
    EXPECT_EQ(catalogue.format(6000, "", ""), "Two\nlines");
    EXPECT_EQ(catalogue.format(6951, "", ""), "Summary heading");
    EXPECT_EQ(catalogue.format(1699, "7", "0, 1"), "Message 1699: 7 (0, 1)");
    EXPECT_FALSE(catalogue.has(1601));
    catalogue.setCommandWord("rkconfig");
    EXPECT_EQ(catalogue.format(6951, "", ""), "Enclosure heading");
    EXPECT_EQ(catalogue.format(1600, "7", ""), "Controller 7 does not exist.");
    Catalogue missing;
    EXPECT_FALSE(missing.load("/nonexistent/messages.cat"));
    EXPECT_EQ(missing.format(1000, "", ""), "Message 1000");
}

// Every shipped text, with every combination of empty and filled arguments,
// reads as finished prose: no placeholder left, no doubled or dangling
// punctuation, no empty quotes or lists.
TEST(ShippedCatalogue, ReadsWellWithAnyArguments) {
    Catalogue catalogue;
    ASSERT_TRUE(catalogue.load(kShipped));
    std::vector<long> ids;
    for (long id = 0; id < 100000; ++id)
        if (catalogue.has(id)) ids.push_back(id);
    ASSERT_GT(ids.size(), 90u);
    // (" ..." stands in usage synopses.)
    const std::regex broken("\\{[12?!]|[^.]\\.\\.(?!\\.)|\\s[,:;]|\\s\\.(?!\\.\\.)|:\\s*\\.|,\\s*\\.|\\(\\s*\\)|^\\s|\\s$|  ");
    const std::pair<std::string, std::string> argSets[] = {
        {"7", "0, 1, 2"}, {"", ""}, {"7", ""}, {"", "0, 1"}, {"x", "None - There are no enclosures on this controller."}};
    for (long id : ids) {
        for (const auto& [a1, a2] : argSets) {
            std::string text = catalogue.format(id, a1, a2);
            EXPECT_FALSE(text.empty()) << id;
            // Line breaks are deliberate in usage texts; check each line.
            std::istringstream lines(text);
            for (std::string part; std::getline(lines, part);)
                EXPECT_FALSE(std::regex_search(part, broken)) << id << " with '" << a1 << "', '" << a2 << "': " << part;
        }
    }
}

}  // namespace
