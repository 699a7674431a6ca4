// Usage text wrapped for any width, and echoed words that must not act on a terminal.
#include <gtest/gtest.h>

#include <sstream>

#include "render.h"
#include "usage_text.h"

namespace {

const std::string kText =
    "The size: a number with at most one decimal point and an optional unit b (bytes), m (megabytes) or g "
    "(gigabytes, the default); max and min ask for the largest and the smallest possible size.";

// No line passes the width, no word is lost or split, continuation lines
// are indented.
class Wrap : public testing::TestWithParam<size_t> {};

TEST_P(Wrap, KeepsEveryWordWithinTheWidth) {
    const size_t width = GetParam();
    // The text starts at column 6, as a parameter's meaning does.
    std::istringstream shown(std::string(6, ' ') + rkhost::wrapText(kText, width, 6, 6));
    std::string words;
    for (std::string line; std::getline(shown, line);) {
        EXPECT_LE(line.size(), width) << line;
        EXPECT_EQ(line.find_first_not_of(' '), 6u) << line;
        words += (words.empty() ? "" : " ") + line.substr(6);
    }
    EXPECT_EQ(words, kText);
}

INSTANTIATE_TEST_SUITE_P(Widths, Wrap, testing::Values(40, 80, 132));

// What a user typed is echoed so that it cannot act on a terminal: control
// characters and bytes that are not UTF-8 are escaped, UTF-8 is kept.
TEST(VisibleControls, EscapesControlsAndBytesThatAreNotUtf8) {
    const std::pair<std::string, std::string> cases[] = {
        {"a\x1B[2Jb", "a\\x1B[2Jb"},
        {"\xFF" "x\xC3", "\\xFFx\\xC3"},
        {"caf\xC3\xA9 \xE2\x82\xAC", "caf\xC3\xA9 \xE2\x82\xAC"},
        {"\xC3\x28", "\\xC3("},
        {"t\tn\n", "t\tn\\x0A"},
    };
    for (const auto& [in, out] : cases) EXPECT_EQ(rkhost::visibleControls(in, false), out) << in;
}

}  // namespace
