// The table and csv views of every report of the default system (the lines
// of golden/scenarios/reports.txt), compared with reviewed transcripts.
// Every csv answer is also read by Python's csv module: one record per
// object (as json counts them) under a header, all of the header's width.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "host_runner.h"

namespace {

using hosttest::Cli;

hosttest::RunResult runIn(const Cli& cli, const std::string& line, const char* format) {
    auto words = hosttest::split(line);
    words.front() = format;
    return cli.run("rkreport", words);
}

// Records of a csv text and how many different widths they have, or -1s
// where python3 is missing.
std::pair<long, long> csvShape(const std::string& csv) {
    const std::string script =
        "import csv, sys\nrows = list(csv.reader(open(sys.argv[1], newline='')))\n"
        "print(len(rows), len({len(r) for r in rows}))";
    kwtest::TempDir dir;
    std::ofstream(dir.file("out.csv")) << csv;
    auto counted = kwtest::runProgram("/usr/bin/python3", {"-c", script, dir.file("out.csv")});
    long rows = -1, widths = -1;
    std::istringstream(counted.out) >> rows >> widths;
    return {rows, widths};
}

TEST(Golden, ReportsAsTableAndCsv) {
    Cli cli;
    std::string table, csv;
    std::ifstream in(std::string(RK_SOURCE_DIR) + "/tests/e2e_host/golden/scenarios/reports.txt");
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("$ rkreport ", 0) != 0) continue;
        line = line.substr(2);
        auto t = runIn(cli, line, "--format=table");
        auto c = runIn(cli, line, "--format=csv");
        EXPECT_EQ(t.exitCode, 0) << line << t.err;
        EXPECT_EQ(c.exitCode, 0) << line << c.err;
        table += "$ " + line + " --format=table\n" + hosttest::stable(t.out, cli) + "\n";
        csv += "$ " + line + " --format=csv\n" + hosttest::stable(c.out, cli) + "\n";
        const auto json = hosttest::parsedJson(line, runIn(cli, line, "--format=json"));
        const auto* objects = json.member("objects");
        if (!objects || objects->items.empty() || c.out.find(',') == std::string::npos) continue;
        const auto [rows, widths] = csvShape(c.out);
        if (rows < 0) continue;  // no python3 here: the transcripts are still compared
        EXPECT_EQ(rows, static_cast<long>(objects->items.size()) + 1) << line << "\n" << c.out;
        EXPECT_EQ(widths, 1) << line << ": records of different widths\n" << c.out;
    }
    hosttest::expectGolden("reports.table.txt", table);
    hosttest::expectGolden("reports.csv.txt", csv);
}

}  // namespace
