// Every example of the README and of the manual pages runs as shown, in the order written, on a
// fresh state of the built-in system. An example that shows a refusal follows "# refused (exit N)".
#include <gtest/gtest.h>

#include <fstream>
#include <regex>

#include "host_runner.h"

namespace {

// What a manual page shows for a line of roff: "\-" is "-", "\e" is "\".
std::string unroff(std::string line) {
    line = std::regex_replace(line, std::regex(R"(\\-)"), "-");
    line = std::regex_replace(line, std::regex(R"(\\e)"), "\\");
    return std::regex_replace(line, std::regex(R"(\\f[BIRP])"), "");
}

class Examples : public testing::TestWithParam<const char*> {};

// The examples: in the README, the command lines of its sh blocks; in a manual page, the lines of
// its EXAMPLES section.
TEST_P(Examples, RunAsShownInOrder) {
    const std::string path = std::string(RK_SOURCE_DIR) + "/" + GetParam();
    std::ifstream in(path);
    static const std::regex refused(R"(^# refused \(exit (\d+)\))"), command(R"(^(\./rk )?(rkreport|rkconfig)( |$))");
    kwtest::Cli cli;  // a fresh state for each file
    bool inside = false;
    int expected = 0, shown = 0;
    for (std::string line; std::getline(in, line);) {
        if (path.ends_with(".1")) {
            if (line.rfind(".SH", 0) == 0) inside = line == ".SH EXAMPLES";
            line = unroff(line);
        } else if (line.rfind("```", 0) == 0) {
            inside = !inside && line == "```sh";
            continue;
        }
        std::smatch m;
        if (inside && std::regex_search(line, m, refused)) expected = std::stoi(m[1]);
        if (!inside || !std::regex_search(line, m, command)) continue;
        const auto words = hosttest::split(line.substr(static_cast<size_t>(m[1].length())));
        const auto r = cli.run(words.front(), {words.begin() + 1, words.end()});
        EXPECT_EQ(r.exitCode, expected) << line << "\n" << r.out << r.err;
        EXPECT_FALSE((expected ? r.err : r.out).empty()) << line;
        expected = 0;
        ++shown;
    }
    EXPECT_GE(shown, 4) << path;
}

INSTANTIATE_TEST_SUITE_P(Documents, Examples,
                         testing::Values("README.md", "share/man/rkreport.1", "share/man/rkconfig.1"),
                         [](const auto& info) {
                             std::string name = info.param;
                             return std::regex_replace(name, std::regex("[^A-Za-z0-9]"), "_");
                         });

}  // namespace
