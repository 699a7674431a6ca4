// No silent outcomes: a missing data agent and an answer that cannot be written are errors with
// their own exit status; an exported log is where the answer says; a new state says so and another
// user sees what root changed. (Refusals and what configurations made: the scenarios.)
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "host_runner.h"

namespace {

namespace fs = std::filesystem;
using hosttest::RunResult;
using kwtest::runProgram;

// Reports and configurations, with and without parameters, in a copy of the build's programs
// without the data agent: they name the agent and the file looked for instead of concluding that
// objects are missing; usage still answers.
TEST(Outcome, AMissingAgentIsNamedBeforeAnyCheck) {
    kwtest::TempDir dir;
    const fs::path tree = fs::path(dir.path()) / "tree";
    fs::create_directories(tree / "bin");
    fs::create_directories(tree / "lib");
    fs::copy(kwtest::buildPath("bin/rkreport"), tree / "bin/rkreport");
    fs::create_symlink("rkreport", tree / "bin/rkconfig");
    fs::copy(kwtest::buildPath("share"), tree / "share", fs::copy_options::recursive);
    for (const auto& entry : fs::directory_iterator(kwtest::buildPath("lib")))
        if (entry.path().extension() == ".so" && entry.path().filename() != "libkwda.so")
            fs::copy(entry.path(), tree / "lib" / entry.path().filename());
    const std::map<std::string, std::string> env{{"KWDA_STATE", dir.file("state.db")}};
    for (const char* line :
         {"rkconfig storage vdisk action=blink controller=0 vdisk=1", "rkreport storage pdisk -?",
          "rkreport --format=json storage controller", "rkconfig storage globalinfo action=globalrescan"}) {
        const auto words = hosttest::split(line);
        const RunResult r = runProgram((tree / "bin" / words.front()).string(), {words.begin() + 1, words.end()}, env);
        EXPECT_EQ(r.exitCode, words[2] == "pdisk" ? 0 : 4) << line;
        const std::string named = "data agent 'kwda' cannot be loaded: looked for " + tree.string() + "/lib/libkwda.so";
        EXPECT_EQ(r.err.find(named) != std::string::npos, r.exitCode == 4) << line << "\n" << r.err;
    }
}

// Standard output a full disk, closed, or a pipe whose reader has gone (with SIGPIPE as by default):
// the answer is lost, which is said (exit 4) rather than ending silently or by the signal.
TEST(Outcome, AnAnswerThatCannotBeWrittenIsAnError) {
    kwtest::Cli cli;
    const std::string gone =
        "import os, subprocess, sys\nr, w = os.pipe()\nos.close(r)\n"
        "sys.exit(subprocess.call(sys.argv[1:], stdout=w))";
    const std::vector<std::string> ways[] = {{"/bin/sh", "-c", "\"$@\" > /dev/full", "sh"},
                                             {"/bin/sh", "-c", "\"$@\" >&-", "sh"},
                                             {"/usr/bin/python3", "-c", gone}};
    for (const auto& way : ways) {
        for (const std::string args : {"storage pdisk controller=0", "--format=json storage vdisk", "storage bogus"}) {
            auto words = way;
            words.push_back(kwtest::buildPath("bin/rkreport"));
            words.push_back("--state=" + cli.statePath());
            for (const auto& word : hosttest::split(args)) words.push_back(word);
            const RunResult r = runProgram(words.front(), {words.begin() + 1, words.end()});
            const bool bogus = args == "storage bogus";
            EXPECT_EQ(r.exitCode, bogus ? 2 : 4) << way[2] << " " << args << "\n" << r.err;
            EXPECT_NE(r.err.find(bogus ? "Error: " : "could not be written"), std::string::npos) << r.err;
        }
    }
}

TEST(Outcome, AnExportedLogIsWhereTheAnswerSays) {
    kwtest::Cli cli;
    const RunResult r = cli.line("rkconfig storage controller action=exportlog controller=0");
    const std::string prefix = "Log written to: ";
    const auto at = r.out.find(prefix);
    ASSERT_NE(at, std::string::npos) << r.out;
    EXPECT_TRUE(fs::exists(r.out.substr(at + prefix.size(), r.out.find('\n', at) - at - prefix.size()))) << r.out;
}

TEST(StateChoice, ANewStateIsAnnouncedOnce) {
    kwtest::TempDir dir;
    const std::string state = dir.file("new/x.db"), rkreport = kwtest::buildPath("bin/rkreport");
    const RunResult created = runProgram(rkreport, {"--state=" + state, "storage", "controller"});
    EXPECT_EQ(created.exitCode, 0);
    EXPECT_EQ(created.err, "Created the storage state " + state + " from the built-in system.\n");
    EXPECT_EQ(runProgram(rkreport, {"--state=" + state, "storage", "controller"}).err, "");
}

TEST(StateChoice, AnotherUserSeesWhatRootChanged) {
    if (::geteuid() != 0 || !fs::exists("/usr/bin/setpriv")) GTEST_SKIP() << "needs root and setpriv";
    kwtest::TempDir dir;
    ::chmod(dir.path().c_str(), 0755);
    const std::string state = "--state=" + dir.file("state.db");
    const auto renamed = runProgram(
        kwtest::buildPath("bin/rkconfig"),
        {state, "storage", "vdisk", "action=rename", "controller=0", "vdisk=1", "name=Archive"}, {{"KW_RIGHTS", "7"}});
    ASSERT_EQ(renamed.exitCode, 0) << renamed.err;
    const RunResult seen = runProgram("/usr/bin/setpriv",
                                      {"--reuid=nobody", "--regid=nogroup", "--clear-groups",
                                       kwtest::buildPath("bin/rkreport"), state, "storage", "vdisk"},
                                      {{"HOME", dir.path()}});
    EXPECT_EQ(seen.exitCode, 0) << seen.err;
    EXPECT_NE(seen.out.find("Archive"), std::string::npos) << seen.out;
}

}  // namespace
