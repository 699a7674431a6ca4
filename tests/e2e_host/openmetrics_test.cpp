// Reports as metrics: every kind of report keeps the format's rules (and passes promtool, where it
// is installed) on the built-in system and on one of 2048 disks; the alert rules fire on a real
// scrape. (Exact output: the scenarios.)
#include <gtest/gtest.h>

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

// promtool's path, or empty where it is not installed.
const std::string kPromtool = [] {
    const std::string out = runProgram("/bin/sh", {"-c", "command -v promtool || true"}).out;
    return out.substr(0, out.find('\n'));
}();

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
            if (m[1] == "TYPE" && (m[3] != "gauge" || !typed.insert(family).second)) fail("a second or odd TYPE");
            if (m[1] == "HELP" && m[3].str().find_first_of("\"\\") != std::string::npos) fail("quote in HELP");
            if (m[1] == "UNIT" && !family.ends_with("_" + m[3].str())) fail("unit is not the name's suffix");
        } else if (name != family || !typed.count(family) || line.find(' ') == std::string::npos) fail("stray sample");
        else if (!series.insert(line.substr(0, line.rfind(' '))).second) fail("series twice");
    }
    if (!eof) problems.push_back("no # EOF at the end");
    return problems;
}

// The built-in system, and one of 2048 disks: eight connectors of four enclosures of 64 disks with
// their components, 64 mirrors.
class EveryReport : public ::testing::TestWithParam<bool> {};

TEST_P(EveryReport, KeepsTheFormatsRules) {
    kwtest::TempDir dir;
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
        auto words = split(line);
        words.insert(words.begin(), "--format=openmetrics");
        const RunResult r = cli.run("rkreport", words);
        ASSERT_EQ(r.exitCode, 0) << line << ": " << r.err;
        EXPECT_NE(r.out.find("\nrk_"), std::string::npos) << line << ": no metrics\n" << r.out;
        for (const auto& problem : expositionProblems(r.out)) ADD_FAILURE() << line << ": " << problem;
        if (kPromtool.empty()) continue;
        std::ofstream(dir.file("out.prom")) << r.out;
        const auto checked =
            runProgram("/bin/sh", {"-c", "\"$0\" check metrics < \"$1\"", kPromtool, dir.file("out.prom")});
        EXPECT_EQ(checked.exitCode, 0) << line << ": promtool check metrics: " << checked.out << checked.err;
    }
}

INSTANTIATE_TEST_SUITE_P(Metrics, EveryReport, ::testing::Bool());

// The degraded-disk alert, fed the virtual-disk series of a real scrape (as node_exporter serves
// them, each value held for 15 minutes), fires after its delay and names the disk.
TEST(AlertRules, DegradedVirtualDiskFiresOnARealScrape) {
    Cli cli;
    ASSERT_EQ(cli.line("rkconfig storage pdisk action=offline controller=0 pdisk=0:0:2").exitCode, 0);
    const RunResult scrape = cli.run("rkreport", {"--format=openmetrics", "system", "summary"});
    ASSERT_NE(scrape.out.find("\nrk_vdisk_state{controller=\"0\",vdisk=\"1\",state=\"degraded\"} 1\n"),
              std::string::npos) << scrape.out << scrape.err;
    std::string series, line;
    for (std::istringstream in(scrape.out); std::getline(in, line);)
        if (line.rfind("rk_vdisk_state{", 0) == 0)
            series += "      - series: '" + line.substr(0, line.find('}')) + ",instance=\"db1:9100\",job=\"node\"}'\n" +
                      "        values: '" + line.substr(line.find('}') + 2) + "x15'\n";
    if (kPromtool.empty()) GTEST_SKIP() << "promtool is not installed";
    const std::string rules = std::string(RK_SOURCE_DIR) + "/share/metrics/rk.rules.yml";
    std::ostringstream test;
    test << std::ifstream(std::string(RK_SOURCE_DIR) + "/tests/e2e_host/metrics/degraded-vdisk.test.yml").rdbuf();
    const std::string filled = std::regex_replace(test.str(), std::regex("@RULES@"), rules);
    std::ofstream(cli.dir().file("test.yml")) << std::regex_replace(filled, std::regex("@SERIES@\n"), series);
    for (const char* check : {"\"$0\" check rules \"$1\"", "\"$0\" test rules \"$2\""}) {
        const auto r = runProgram("/bin/sh", {"-c", check, kPromtool, rules, cli.dir().file("test.yml")});
        EXPECT_EQ(r.exitCode, 0) << check << ": " << r.out << r.err;
    }
}

// With a scrape the textfile writer replaces its file (readable by node_exporter's user); without
// one (rkreport failing) the last file stays; no temporary is left.
TEST(TextfileWriter, ReplacesItsFileWholeOrNotAtAll) {
    for (const bool scraped : {true, false}) {
        Cli cli;
        const std::string folder = cli.dir().file("textfile"), file = folder + "/rk.prom";
        std::filesystem::create_directory(folder);
        std::ofstream(file) << "earlier\n";
        const auto r = runProgram(std::string(RK_SOURCE_DIR) + "/share/metrics/rk-metrics-textfile", {folder},
                                  {{"RKREPORT", scraped ? kwtest::buildPath("bin/rkreport") : "/bin/false"},
                                   {"KWDA_STATE", cli.statePath()}});
        std::ostringstream now;
        now << std::ifstream(file).rdbuf();
        EXPECT_EQ(r.exitCode == 0, scraped) << r.out << r.err;
        const std::string last = scraped ? "rk_scrape_error{controller=\"1\"} 0\n# EOF\n" : "earlier\n";
        EXPECT_TRUE(now.str().ends_with(last) && (scraped || now.str() == last)) << now.str();
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder), {}), 1) << "a temporary file was left";
        if (scraped) {
            EXPECT_EQ(std::filesystem::status(file).permissions(), static_cast<std::filesystem::perms>(0644));
        }
    }
}

}  // namespace
