// The message catalogue: how arguments are placed, and that the shipped
// texts read well whatever a rejection leaves in its arguments.
#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <set>

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

class CatalogueFile : public ::testing::Test {
protected:
    std::string write(const std::string& content) {
        std::string path = dir_.file("messages.cat");
        std::ofstream(path) << content;
        return path;
    }
    kwtest::TempDir dir_;
};

TEST_F(CatalogueFile, ReadsIdsCommentsLineBreaksAndCommandTexts) {
    Catalogue catalogue;
    ASSERT_TRUE(catalogue.load(write("# comment\n"
                                     "1600 Controller {1} does not exist.\n"
                                     "\n"
                                     "6000   Two\\nlines\n"
                                     "6951 Summary heading\n"
                                     "6951@rkconfig Enclosure heading\n"
                                     "not a message\n")));
    EXPECT_EQ(catalogue.format(1600, "7", ""), "Controller 7 does not exist.");
    EXPECT_EQ(catalogue.format(6000, "", ""), "Two\nlines");
    EXPECT_EQ(catalogue.format(6951, "", ""), "Summary heading");
    catalogue.setCommandWord("rkconfig");
    EXPECT_EQ(catalogue.format(6951, "", ""), "Enclosure heading");
    EXPECT_EQ(catalogue.format(1600, "7", ""), "Controller 7 does not exist.");
    EXPECT_FALSE(catalogue.has(1601));
}

TEST_F(CatalogueFile, AnUnknownIdStillShowsItsArguments) {
    Catalogue catalogue;
    ASSERT_TRUE(catalogue.load(write("")));
    EXPECT_EQ(catalogue.format(1699, "7", "0, 1"), "Message 1699: 7 (0, 1)");
    EXPECT_EQ(catalogue.format(1699, "", ""), "Message 1699");
}

TEST(Catalogue, AMissingFileIsReported) {
    Catalogue catalogue;
    EXPECT_FALSE(catalogue.load("/nonexistent/messages.cat"));
    EXPECT_EQ(catalogue.format(1000, "", ""), "Message 1000");
}

// Every shipped text, with every combination of empty and filled arguments,
// reads as finished prose: no placeholder left, no doubled or dangling
// punctuation, no empty quotes or lists.
TEST(ShippedCatalogue, ReadsWellWithAnyArguments) {
    std::ifstream in(kShipped);
    ASSERT_TRUE(in) << kShipped;
    Catalogue catalogue;
    ASSERT_TRUE(catalogue.load(kShipped));
    std::set<long> ids;
    std::string line;
    while (std::getline(in, line)) {
        std::smatch m;
        if (std::regex_search(line, m, std::regex("^(\\d+)\\s"))) ids.insert(std::stol(m[1]));
    }
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
            size_t start = 0;
            while (start <= text.size()) {
                size_t end = text.find('\n', start);
                std::string part = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
                EXPECT_FALSE(std::regex_search(part, broken)) << id << " with '" << a1 << "', '" << a2 << "': " << part;
                if (end == std::string::npos) break;
                start = end + 1;
            }
        }
    }
}

}  // namespace
