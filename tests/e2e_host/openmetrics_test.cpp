// Reports as metrics, end to end: every kind of report and the whole-system
// scrape keep the OpenMetrics rules (and pass promtool, where it is
// installed) on the built-in system and on one of 2048 disks; a controller
// that cannot be read is marked while the rest still comes out; the alert
// rules fire on a real scrape; the textfile writer replaces its file whole
// or not at all.
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

std::string sh(const std::string& script, const std::vector<std::string>& args = {},
               const std::map<std::string, std::string>& env = {}, int* status = nullptr) {
    std::vector<std::string> all = {"-c", script, "sh"};
    all.insert(all.end(), args.begin(), args.end());
    RunResult r = runProgram("/bin/sh", all, env);
    if (status) *status = r.exitCode;
    return r.out + r.err;
}

std::string readFile(const std::string& path) {
    std::stringstream text;
    text << std::ifstream(path).rdbuf();
    return text.str();
}

// promtool's path, or empty where it is not installed.
std::string promtool() {
    static const std::string path = [] {
        std::string out = sh("command -v promtool || true");
        while (!out.empty() && out.back() == '\n') out.pop_back();
        return out;
    }();
    return path;
}

#define SKIP_WITHOUT_PROMTOOL()                                                                          \
    if (promtool().empty())                                                                             \
    GTEST_SKIP() << "promtool is missing: ./rk test run as root installs it (Debian's prometheus package)"

// What the OpenMetrics text format asks beyond what promtool's parser
// checks: metadata before a family's samples, every family in one piece, a
// UNIT that is the name's suffix, help without quotes, no series twice,
// "# EOF" last.
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

// A system of 2048 disks: one controller, eight connectors of four
// enclosures of 64 disks with their components, 64 mirrors.
std::string bigProfile(const TempDir& dir) {
    const auto made = runProgram("/usr/bin/python3", {std::string(RK_SOURCE_DIR) + "/bench/genprofile.py", "--connectors",
                                                      "8", "--enclosures", "4", "--disks", "64", "--vdisks", "64",
                                                      "--components", "1", "-o", dir.file("big.xml")});
    EXPECT_EQ(made.exitCode, 0) << made.err;
    return dir.file("big.xml");
}

std::vector<std::string> reportLines(const std::string& enclosure) {
    std::vector<std::string> lines = {
        "storage controller", "storage controller controller=0", "storage controller dump=store",
        "storage pdisk controller=0", "storage vdisk", "storage connector controller=0", "storage enclosure",
        "storage battery", "storage globalinfo", "system version", "system alertlog", "system summary"};
    for (const char* info : {"temps", "fans", "pwrsupplies", "emms"})
        lines.push_back("storage enclosure controller=0 enclosure=" + enclosure + " info=" + info);
    return lines;
}

RunResult metrics(const Cli& cli, const std::string& line, const std::map<std::string, std::string>& env = {}) {
    auto words = split(line);
    words.insert(words.begin(), "--format=openmetrics");
    return cli.run("rkreport", words, env);
}

struct System {
    const char* name;
    bool big;
    const char* enclosure;
};

class EveryReport : public ::testing::TestWithParam<System> {};

TEST_P(EveryReport, KeepsTheFormatsRules) {
    TempDir dir;
    Cli cli(GetParam().big ? bigProfile(dir) : "");
    std::vector<std::pair<std::string, std::string>> outputs;
    for (const auto& line : reportLines(GetParam().enclosure)) {
        RunResult r = metrics(cli, line);
        ASSERT_EQ(r.exitCode, 0) << line << ": " << r.err;
        EXPECT_NE(r.out.find("\nrk_"), std::string::npos) << line << ": no metrics\n" << r.out;
        for (const auto& problem : expositionProblems(r.out)) ADD_FAILURE() << line << ": " << problem;
        outputs.emplace_back(line, r.out);
    }
    SKIP_WITHOUT_PROMTOOL();
    for (const auto& [line, out] : outputs) {
        std::ofstream(dir.file("out.prom")) << out;
        int status = -1;
        const std::string said = sh("\"$1\" check metrics < \"$2\"", {promtool(), dir.file("out.prom")}, {}, &status);
        EXPECT_EQ(status, 0) << line << ": promtool check metrics: " << said;
    }
}

INSTANTIATE_TEST_SUITE_P(Metrics, EveryReport,
                         ::testing::Values(System{"BuiltIn", false, "0:0"}, System{"Disks2048", true, "7:3"}),
                         [](const auto& info) { return std::string(info.param.name); });

// The n-th request to the agent (counted from 1) that names the controller.
int firstRequestOf(const Cli& cli, const std::string& controller) {
    TempDir dir;
    metrics(cli, "system summary", {{"KWDA_LOG", dir.file("log")}});
    std::ifstream log(dir.file("log"));
    std::string request;
    for (int n = 1; std::getline(log, request); ++n)
        if (request.find("\tGlobalNo=" + controller) != std::string::npos) return n;
    return 0;
}

class Scrape : public ::testing::TestWithParam<const char*> {};

TEST_P(Scrape, MarksAControllerThatCannotBeReadAndShowsTheRest) {
    const std::string broken = GetParam(), other = broken == std::string("0") ? "1" : "0";
    Cli cli;
    const int n = firstRequestOf(cli, broken);
    ASSERT_GT(n, 0);
    RunResult r = metrics(cli, "system summary", {{"KWTEST_FAIL", "reply:" + std::to_string(n)}});
    EXPECT_EQ(r.exitCode, 4) << r.err;
    EXPECT_NE(r.err.find("controller " + broken + " could not be read"), std::string::npos) << r.err;
    EXPECT_NE(r.out.find("\nrk_scrape_error{controller=\"" + broken + "\"} 1\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\nrk_scrape_error{controller=\"" + other + "\"} 0\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("rk_pdisk_state{controller=\"" + other + "\""), std::string::npos) << r.out;
    EXPECT_TRUE(expositionProblems(r.out).empty()) << r.out;
}

INSTANTIATE_TEST_SUITE_P(Metrics, Scrape, ::testing::Values("0", "1"));

TEST(AlertRules, DegradedVirtualDiskFiresOnARealScrape) {
    Cli cli;
    ASSERT_EQ(cli.line("rkconfig storage pdisk action=offline controller=0 pdisk=0:0:2").exitCode, 0);
    RunResult scrape = metrics(cli, "system summary");
    ASSERT_EQ(scrape.exitCode, 0) << scrape.err;
    ASSERT_NE(scrape.out.find("\nrk_vdisk_state{controller=\"0\",vdisk=\"1\",state=\"degraded\"} 1\n"), std::string::npos)
        << scrape.out;
    // Every virtual disk's states, as the server's node_exporter serves them.
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
    int status = -1;
    std::string said = sh("\"$1\" check rules \"$2\"", {promtool(), rules}, {}, &status);
    EXPECT_EQ(status, 0) << said;

    std::string test = readFile(std::string(RK_SOURCE_DIR) + "/tests/e2e_host/metrics/degraded-vdisk.test.yml");
    test = std::regex_replace(test, std::regex("@RULES@"), rules);
    test = std::regex_replace(test, std::regex("@SERIES@\n"), series);
    std::ofstream(cli.dir().file("test.yml")) << test;
    said = sh("\"$1\" test rules \"$2\"", {promtool(), cli.dir().file("test.yml")}, {}, &status);
    EXPECT_EQ(status, 0) << said << "\n" << test;
}

// With a scrape the file is replaced (readable by node_exporter's user);
// without one (rkreport failing) the last file stays; no temporary is left.
class TextfileWriter : public ::testing::TestWithParam<bool> {};

TEST_P(TextfileWriter, ReplacesItsFileWholeOrNotAtAll) {
    Cli cli;
    const std::string folder = cli.dir().file("textfile"), file = folder + "/rk.prom";
    std::filesystem::create_directory(folder);
    std::ofstream(file) << "earlier\n";
    int status = -1;
    const std::string said = sh("\"$1\" \"$2\"", {std::string(RK_SOURCE_DIR) + "/share/metrics/rk-metrics-textfile", folder},
                                {{"RKREPORT", GetParam() ? kwtest::buildPath("bin/rkreport") : "/bin/false"},
                                 {"KWDA_STATE", cli.statePath()}}, &status);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder), {}), 1) << "a temporary file was left";
    EXPECT_EQ(status == 0, GetParam()) << said;
    EXPECT_EQ(readFile(file).ends_with("rk_scrape_error{controller=\"1\"} 0\n# EOF\n"), GetParam()) << readFile(file);
    EXPECT_EQ(readFile(file) == "earlier\n", !GetParam());
    struct stat st {};
    EXPECT_TRUE(!GetParam() || (stat(file.c_str(), &st) == 0 && (st.st_mode & 0777) == 0644));
}

INSTANTIATE_TEST_SUITE_P(Metrics, TextfileWriter, ::testing::Bool());

TEST(Golden, OpenMetricsOfTheBuiltInSystem) {
    Cli cli;
    std::string out;
    for (const char* line : {"rkreport system summary", "rkreport storage pdisk controller=0 pdisk=0:0:6",
                             "rkreport storage enclosure controller=0 enclosure=0:0 info=temps", "rkreport system alertlog"}) {
        RunResult r = metrics(cli, std::string(line).substr(9));
        r.out = std::regex_replace(r.out, std::regex("(_timestamp_seconds\\{[^}]*\\}) [0-9]+"), "$1 <time>");
        out += hosttest::transcript(cli, std::string(line) + " --format=openmetrics", r);
    }
    hosttest::expectGolden("openmetrics.txt", out);
}

}  // namespace
