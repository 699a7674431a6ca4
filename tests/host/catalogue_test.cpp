// The message catalogue: how its file is read, and that the shipped texts
// read well whatever a rejection leaves in their arguments.
#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <sstream>

#include "catalogue.h"
#include "e2e.h"

namespace {

using rkhost::Catalogue;

const std::string kShipped = std::string(RK_SOURCE_DIR) + "/share/messages.cat";

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
    const std::regex broken("\\{[12?!]|[^.]\\.\\.(?!\\.)|\\s[,:;]|\\s\\.(?!\\.\\.)|:\\s*\\.|,\\s*\\.|"
                            "\\(\\s*\\)|^\\s|\\s$|  ");
    const std::pair<std::string, std::string> argSets[] = {
        {"7", "0, 1, 2"}, {"", ""}, {"7", ""}, {"", "0, 1"},
        {"x", "None - There are no enclosures on this controller."}};
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
