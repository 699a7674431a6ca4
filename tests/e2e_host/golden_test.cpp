// The table and csv views of every report of the default system (the lines of
// golden/scenarios/reports.txt), compared with reviewed transcripts.
#include <gtest/gtest.h>

#include <fstream>

#include "host_runner.h"

namespace {

TEST(Golden, ReportsAsTableAndCsv) {
    hosttest::Cli cli;
    std::string table, csv;
    std::ifstream in(std::string(RK_SOURCE_DIR) + "/tests/e2e_host/golden/scenarios/reports.txt");
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("$ rkreport ", 0) != 0) continue;
        for (auto [format, out] : {std::pair{"table", &table}, std::pair{"csv", &csv}}) {
            auto words = hosttest::split(line.substr(2));
            words.front() = std::string("--format=") + format;
            const auto r = cli.run("rkreport", words);
            EXPECT_EQ(r.exitCode, 0) << line << r.err;
            *out += line + " --format=" + format + "\n" + hosttest::stable(r.out, cli) + "\n";
        }
    }
    hosttest::expectGolden("reports.table.txt", table);
    hosttest::expectGolden("reports.csv.txt", csv);
}

}  // namespace
