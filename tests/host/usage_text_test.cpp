// Usage answers for people, and texts that must not act on a terminal.
#include <gtest/gtest.h>

#include <sstream>

#include "render.h"
#include "usage_text.h"

namespace {

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) out.push_back(line);
    return out;
}

const std::string kText =
    "The size: a number with at most one decimal point and an optional unit b (bytes), m (megabytes) or g "
    "(gigabytes, the default); max and min ask for the largest and the smallest possible size.";

// No line passes the width, no word is lost or split, continuation lines
// are indented.
class Wrap : public testing::TestWithParam<size_t> {};

TEST_P(Wrap, KeepsEveryWordWithinTheWidth) {
    const size_t width = GetParam();
    // The text starts at column 6, as a parameter's meaning does.
    const auto shown = lines(std::string(6, ' ') + rkhost::wrapText(kText, width, 6, 6));
    ASSERT_GT(shown.size(), 1u);
    std::string words;
    for (const auto& line : shown) {
        EXPECT_LE(line.size(), width) << line;
        EXPECT_EQ(line.find_first_not_of(' '), 6u) << line;
        words += (words.empty() ? "" : " ") + line.substr(6);
    }
    EXPECT_EQ(words, kText);
}

INSTANTIATE_TEST_SUITE_P(Widths, Wrap, testing::Values(40, 80, 132));

TEST(Usage, ExplainsEveryParameterOfRowsSynopsesAndActionLists) {
    const auto describe = [](const std::string& object, const std::string& name) -> std::string {
        if (object == "pdisk" && name == "pdisk") return "One disk.";
        if (name == "controller") return "The controller's number.";
        if (name == "pdisk") return "Disks, comma-separated.";
        return "";
    };
    // One action's parameter rows: the meaning below each row, the kind of
    // value where there is no meaning.
    const std::string rows = rkhost::explainUsage(
        "Usage: x\n\nParameters:\n  controller=<number>   required   a decimal integer\n"
        "  pdisk=<disk list>     optional   a list\n  force=<yes>           optional   one of: yes\n",
        "vdisk", describe, 80);
    EXPECT_EQ(rows, "Usage: x\n\nParameters:\n  controller=<number>   required\n      The controller's number.\n"
                    "  pdisk=<disk list>   optional\n      Disks, comma-separated.\n  force=<yes>   optional\n"
                    "      one of: yes\n");
    // A synopsis: the parameters it names, each once, with the object's own
    // meaning, before the closing hint.
    const std::string synopsis = rkhost::explainUsage(
        "Usage:\n  rk storage pdisk pdisk=<disk> controller=<number>\n  rk storage pdisk controller=<number>\n\n"
        "For the parameters of one action: more\n",
        "pdisk", describe, 80);
    EXPECT_EQ(synopsis, "Usage:\n  rk storage pdisk pdisk=<disk> controller=<number>\n  rk storage pdisk controller=<number>\n"
                        "\nParameters:\n  pdisk=\n      One disk.\n  controller=\n      The controller's number.\n"
                        "\nFor the parameters of one action: more\n");
}

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
