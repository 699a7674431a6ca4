// Every example of the README and of the manual pages runs as shown, in the order written, on a
// fresh state of the built-in system. An example that shows a refusal follows "# refused (exit N)".
#include <gtest/gtest.h>

#include <fstream>
#include <regex>

#include "host_runner.h"

namespace {

struct Example {
    std::string line;      // as written, for messages
    std::vector<std::string> words;  // the program first
    int exitCode = 0;
};

// What a manual page shows for a line of roff: "\-" is "-", "\e" is "\".
std::string unroff(std::string line) {
    line = std::regex_replace(line, std::regex(R"(\\-)"), "-");
    line = std::regex_replace(line, std::regex(R"(\\e)"), "\\");
    return std::regex_replace(line, std::regex(R"(\\f[BIRP])"), "");
}

// The examples of a file: in the README, the command lines of its sh blocks; in a manual page, the
// lines of its EXAMPLES section.
std::vector<Example> examplesOf(const std::string& path) {
    std::ifstream in(path);
    EXPECT_TRUE(in) << path;
    const bool manual = path.size() > 2 && path.compare(path.size() - 2, 2, ".1") == 0;
    static const std::regex refused(R"(^# refused \(exit (\d+)\))");
    static const std::regex command(R"(^(\./rk )?(rkreport|rkconfig)( |$))");
    std::vector<Example> examples;
    bool inside = false;
    int nextExit = 0;
    for (std::string line; std::getline(in, line);) {
        if (manual) {
            if (line.rfind(".SH", 0) == 0) inside = line == ".SH EXAMPLES";
            line = unroff(line);
        } else if (line.rfind("```", 0) == 0) {
            inside = !inside && line == "```sh";
            continue;
        }
        std::smatch m;
        if (!inside) continue;
        if (std::regex_search(line, m, refused)) nextExit = std::stoi(m[1]);
        if (!std::regex_search(line, m, command)) continue;
        Example example{line, hosttest::split(line), nextExit};
        if (example.words.front() == "./rk") example.words.erase(example.words.begin());
        examples.push_back(std::move(example));
        nextExit = 0;
    }
    return examples;
}

class Examples : public testing::TestWithParam<const char*> {};

TEST_P(Examples, RunAsShownInOrder) {
    const auto examples = examplesOf(std::string(RK_SOURCE_DIR) + "/" + GetParam());
    ASSERT_GE(examples.size(), 4u);
    kwtest::Cli cli;  // a fresh state for each file
    for (const auto& example : examples) {
        const kwtest::RunResult r =
            cli.run(example.words.front(), {example.words.begin() + 1, example.words.end()});
        EXPECT_EQ(r.exitCode, example.exitCode) << example.line << "\n" << r.out << r.err;
        if (example.exitCode == 0) EXPECT_FALSE(r.out.empty()) << example.line;
        else EXPECT_FALSE(r.err.empty()) << example.line;
    }
}

INSTANTIATE_TEST_SUITE_P(Documents, Examples,
                         testing::Values("README.md", "share/man/rkreport.1", "share/man/rkconfig.1"),
                         [](const auto& info) {
                             std::string name = info.param;
                             return std::regex_replace(name, std::regex("[^A-Za-z0-9]"), "_");
                         });

}  // namespace
