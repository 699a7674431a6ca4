// Reports as metrics: every kind of report keeps the format's rules (and passes promtool, where it
// is installed) on the built-in system and on one of 2048 disks; the alert rules fire on a real
// scrape; the textfile writer replaces its file whole or not at all. (Exact output: the scenarios.)
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>

#include "host_runner.h"

namespace {

using hosttest::split;
using kwtest::Cli;
using kwtest::RunResult;
using kwtest::runProgram;
using kwtest::TempDir;

// Runs a shell script with arguments: its exit status and all it printed.
std::pair<int, std::string> sh(const std::string& script, const std::vector<std::string>& args = {},
                               const std::map<std::string, std::string>& env = {}) {
    std::vector<std::string> all = {"-c", script, "sh"};
    all.insert(all.end(), args.begin(), args.end());
    RunResult r = runProgram("/bin/sh", all, env);
    return {r.exitCode, r.out + r.err};
}

std::string readFile(const std::string& path) {
    std::stringstream text;
    text << std::ifstream(path).rdbuf();
    return text.str();
}

// promtool's path, or empty where it is not installed.
const std::string kPromtool = [] {
    const std::string out = sh("command -v promtool || true").second;
    return out.substr(0, out.find('\n'));
}();

#define SKIP_WITHOUT_PROMTOOL() \
    if (kPromtool.empty()) GTEST_SKIP() << "promtool is missing (Debian's prometheus package)"

// What the text format asks beyond what promtool's parser checks: metadata before a family's
// samples, every family in one piece, a UNIT that is the name's suffix, help without quotes, no
// series twice, "# EOF" last.
std::vector<std::string> expositionProblems(const std::string& text) {
    static const std::regex meta("# (TYPE|UNIT|HELP) ([a-zA-Z_:][a-zA-Z0-9_:]*) (.+)");
    std::vector<std::string> problems;
    std::set<std::string> families, series, typed;
    std::string family, line;
    std::istringstream in(text);
    bool eof = false;
    for (int n = 1; std::getline(in, line); ++n) {
        const auto fail = [&](const char* why) { problems.push_back(std::to_string(n) + ": " + why + ": " + line); };
        std::smatch m;
        const std::string name = line.substr(0, line.find_first_of("{ "));
        if (eof) fail("after # EOF");
        else if (line == "# EOF") eof = true;
        else if (std::regex_match(line, m, meta)) {
            if (m[2] != family && !families.insert(family = m[2]).second) fail("family split");
            if (m[1] == "TYPE" && (m[3] != "gauge" || !typed.insert(family).second)) fail("a second or not a gauge TYPE");
            if (m[1] == "HELP" && m[3].str().find_first_of("\"\\") != std::string::npos) fail("quote or backslash in HELP");
            if (m[1] == "UNIT" && !family.ends_with("_" + m[3].str())) fail("unit is not the name's suffix");
        } else if (name != family || !typed.count(family) || line.find(' ') == std::string::npos) fail("sample outside its family");
        else if (!series.insert(line.substr(0, line.rfind(' '))).second) fail("series twice");
    }
    if (!eof) problems.push_back("no # EOF at the end");
    return problems;
}

RunResult metrics(const Cli& cli, const std::string& line) {
    auto words = split(line);
    words.insert(words.begin(), "--format=openmetrics");
    return cli.run("rkreport", words);
}

// The built-in system, and one of 2048 disks: eight connectors of four enclosures of 64 disks with
// their components, 64 mirrors.
class EveryReport : public ::testing::TestWithParam<bool> {};

TEST_P(EveryReport, KeepsTheFormatsRules) {
    TempDir dir;
    const std::string big = dir.file("big.xml"), enclosure = GetParam() ? "7:3" : "0:0";
    ASSERT_EQ(runProgram("/usr/bin/python3", {std::string(RK_SOURCE_DIR) + "/bench/genprofile.py", "--connectors", "8",
                                              "--enclosures", "4", "--disks", "64", "--vdisks", "64", "--components",
                                              "1", "-o", big}).exitCode, 0);
    Cli cli(GetParam() ? big : "");
    std::vector<std::string> lines = {
        "storage controller", "storage controller controller=0", "storage controller dump=store",
        "storage pdisk controller=0", "storage vdisk", "storage connector controller=0", "storage enclosure",
        "storage battery", "storage globalinfo", "system version", "system alertlog", "system summary"};
    for (const char* info : {"temps", "fans", "pwrsupplies", "emms"})
        lines.push_back("storage enclosure controller=0 enclosure=" + enclosure + " info=" + info);
    for (const auto& line : lines) {
        RunResult r = metrics(cli, line);
        ASSERT_EQ(r.exitCode, 0) << line << ": " << r.err;
        EXPECT_NE(r.out.find("\nrk_"), std::string::npos) << line << ": no metrics\n" << r.out;
        for (const auto& problem : expositionProblems(r.out)) ADD_FAILURE() << line << ": " << problem;
        if (kPromtool.empty()) continue;
        std::ofstream(dir.file("out.prom")) << r.out;
        const auto [status, said] = sh("\"$1\" check metrics < \"$2\"", {kPromtool, dir.file("out.prom")});
        EXPECT_EQ(status, 0) << line << ": promtool check metrics: " << said;
    }
}

INSTANTIATE_TEST_SUITE_P(Metrics, EveryReport, ::testing::Bool());

TEST(AlertRules, DegradedVirtualDiskFiresOnARealScrape) {
    Cli cli;
    ASSERT_EQ(cli.line("rkconfig storage pdisk action=offline controller=0 pdisk=0:0:2").exitCode, 0);
    RunResult scrape = metrics(cli, "system summary");
    ASSERT_EQ(scrape.exitCode, 0) << scrape.err;
    ASSERT_NE(scrape.out.find("\nrk_vdisk_state{controller=\"0\",vdisk=\"1\",state=\"degraded\"} 1\n"), std::string::npos)
        << scrape.out;
    // Every virtual disk's states, as node_exporter serves them.
    std::string series;
    std::istringstream in(scrape.out);
    for (std::string line; std::getline(in, line);)
        if (line.rfind("rk_vdisk_state{", 0) == 0) {
            const size_t brace = line.find('}');
            series += "      - series: '" + line.substr(0, brace) + ",instance=\"db1:9100\",job=\"node\"}'\n" +
                      "        values: '" + line.substr(brace + 2) + "x15'\n";
        }
    SKIP_WITHOUT_PROMTOOL();
    const std::string rules = std::string(RK_SOURCE_DIR) + "/share/metrics/rk.rules.yml";
    const auto checked = sh("\"$1\" check rules \"$2\"", {kPromtool, rules});
    EXPECT_EQ(checked.first, 0) << checked.second;

    std::string test = readFile(std::string(RK_SOURCE_DIR) + "/tests/e2e_host/metrics/degraded-vdisk.test.yml");
    test = std::regex_replace(test, std::regex("@RULES@"), rules);
    test = std::regex_replace(test, std::regex("@SERIES@\n"), series);
    std::ofstream(cli.dir().file("test.yml")) << test;
    const auto [status, said] = sh("\"$1\" test rules \"$2\"", {kPromtool, cli.dir().file("test.yml")});
    EXPECT_EQ(status, 0) << said << "\n" << test;
}

// With a scrape the file is replaced (readable by node_exporter's user); without one (rkreport
// failing) the last file stays; no temporary is left.
class TextfileWriter : public ::testing::TestWithParam<bool> {};

TEST_P(TextfileWriter, ReplacesItsFileWholeOrNotAtAll) {
    Cli cli;
    const std::string folder = cli.dir().file("textfile"), file = folder + "/rk.prom";
    std::filesystem::create_directory(folder);
    std::ofstream(file) << "earlier\n";
    const auto [status, said] =
        sh("\"$1\" \"$2\"", {std::string(RK_SOURCE_DIR) + "/share/metrics/rk-metrics-textfile", folder},
           {{"RKREPORT", GetParam() ? kwtest::buildPath("bin/rkreport") : "/bin/false"}, {"KWDA_STATE", cli.statePath()}});
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder), {}), 1) << "a temporary file was left";
    EXPECT_EQ(status == 0, GetParam()) << said;
    EXPECT_EQ(readFile(file).ends_with("rk_scrape_error{controller=\"1\"} 0\n# EOF\n"), GetParam()) << readFile(file);
    EXPECT_EQ(readFile(file) == "earlier\n", !GetParam());
    struct stat st {};
    EXPECT_TRUE(!GetParam() || (stat(file.c_str(), &st) == 0 && (st.st_mode & 0777) == 0644));
}

INSTANTIATE_TEST_SUITE_P(Metrics, TextfileWriter, ::testing::Bool());

}  // namespace
