// Sessions of commands, each compared with its reviewed transcript in golden/scenarios/. A
// transcript is its own script: "$ [NAME=value ...] line" runs a line (with extra environment;
// <source> stands for the checkout), "## " is a comment, "#! profile FILE" and "#! new state" start
// again on a fresh state, "#! test machine" on the test machine of tests/sysfs, and "#! unusable
// state" spoils the state file. Every run checks the plug-in left nothing live; plain-text reports
// and refusals also run in json and xml. What moves with the clock shows as <n>.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <regex>

#include "host_runner.h"
#include "machine.h"

namespace {

namespace fs = std::filesystem;
const fs::path kFolder = fs::path(RK_SOURCE_DIR) / "tests/e2e_host/golden/scenarios";

hosttest::RunResult runLine(const hosttest::Cli& cli, std::string line, std::map<std::string, std::string> env) {
    line = std::regex_replace(line, std::regex("<source>"), RK_SOURCE_DIR);
    auto words = hosttest::split(line);
    env["KWTEST_LEAKS"] = "1";
    while (!words.empty() && words.front().find('=') != std::string::npos) {
        const auto& w = words.front();
        env[w.substr(0, w.find('='))] = w.substr(w.find('=') + 1);
        words.erase(words.begin());
    }
    const std::string command = words.front();
    const bool plain = line.find("--format=") == std::string::npos;
    auto r = cli.run(command, {words.begin() + 1, words.end()}, env);
    if (plain && (command == "rkreport" || r.exitCode != 0))
        hosttest::runChecked(cli, line.substr(line.find(command)), env);
    else if (plain)
        hosttest::checkText(line, r);
    return r;
}

std::string replay(const fs::path& file) {
    std::ifstream in(file);
    auto cli = std::make_unique<hosttest::Cli>();
    const std::regex clock("(\"Progress\": \"|_timestamp_seconds\\{[^}]*\\} )[0-9]+");
    std::string out;
    std::map<std::string, std::string> machine;  // the agent's view of a test machine, if any
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("#! ", 0) == 0) machine.clear();
        if (line.rfind("#! profile ", 0) == 0) {
            const fs::path name = line.substr(11), beside = kFolder / name;
            cli = std::make_unique<hosttest::Cli>(fs::exists(beside) ? beside.string() : kwtest::profilePath(name));
        } else if (line == "#! new state") {
            cli = std::make_unique<hosttest::Cli>();
        } else if (line == "#! unusable state") {
            std::ofstream(cli->statePath(), std::ios::binary) << "not a database\n";
        } else if (line == "#! test machine") {
            cli = std::make_unique<hosttest::Cli>();
            EXPECT_TRUE(kwtest::makeMachine(cli->dir().file("machine")));
            machine = kwtest::machineEnvironment(cli->dir().file("machine"));
        }
        if (line.rfind("## ", 0) == 0 || line.rfind("#! ", 0) == 0) out += line + "\n";
        if (line.rfind("$ ", 0) != 0) continue;
        auto r = runLine(*cli, line.substr(2), machine);
        r.out = std::regex_replace(r.out, clock, "$1<n>");
        out += hosttest::transcript(*cli, line.substr(2), r);
    }
    return out;
}

class Scenario : public testing::TestWithParam<std::string> {};

TEST_P(Scenario, RunsAsTranscribed) {
    hosttest::expectGolden("scenarios/" + GetParam() + ".txt", replay(kFolder / (GetParam() + ".txt")));
}

std::vector<std::string> scenarios() {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(kFolder))
        if (entry.path().extension() == ".txt") names.push_back(entry.path().stem().string());
    std::sort(names.begin(), names.end());
    return names;
}

INSTANTIATE_TEST_SUITE_P(Golden, Scenario, testing::ValuesIn(scenarios()), [](const auto& info) { return info.param; });

}  // namespace
