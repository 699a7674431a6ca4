// Usage text wrapped for any width.
#include <gtest/gtest.h>

#include <sstream>

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

}  // namespace
