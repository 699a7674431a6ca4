// No silent outcomes: a missing data agent and an answer that cannot be
// written are errors with their own exit status; an exported log is where
// the answer says. (Refusals and what configurations made: the scenarios.)
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>

#include "host_runner.h"

namespace {

namespace fs = std::filesystem;
using hosttest::RunResult;

std::vector<std::string> withJson(std::vector<std::string> words) {
    words.insert(words.begin() + 1, "--format=json");
    return words;
}

// A copy of the build's programs and libraries without the data agent.
std::string treeWithoutAgent(const kwtest::TempDir& dir) {
    const fs::path root = fs::path(dir.path()) / "tree";
    fs::create_directories(root / "bin");
    fs::copy(kwtest::buildPath("bin/rkreport"), root / "bin/rkreport");
    fs::create_symlink("rkreport", root / "bin/rkconfig");
    fs::copy(kwtest::buildPath("share"), root / "share", fs::copy_options::recursive);
    fs::create_directories(root / "lib");
    for (const auto& entry : fs::directory_iterator(kwtest::buildPath("lib")))
        if (entry.path().extension() == ".so" && entry.path().filename() != "libkwda.so")
            fs::copy(entry.path(), root / "lib" / entry.path().filename());
    return root.string();
}

// Reports and configurations, with and without parameters, name the agent
// and the file looked for instead of concluding that objects are missing;
// usage still answers.
TEST(Outcome, AMissingAgentIsNamedBeforeAnyCheck) {
    kwtest::TempDir dir;
    const std::string tree = treeWithoutAgent(dir);
    const std::map<std::string, std::string> env{{"KWDA_STATE", dir.file("state.db")}};
    for (const char* line : {"rkconfig storage vdisk action=blink controller=0 vdisk=1", "rkreport storage pdisk controller=0",
                             "rkreport storage controller", "rkconfig storage globalinfo action=globalrescan"}) {
        SCOPED_TRACE(line);
        const auto words = hosttest::split(line);
        for (const auto& args : {words, withJson(words)}) {
            const RunResult r = kwtest::runProgram(tree + "/bin/" + args.front(), {args.begin() + 1, args.end()}, env);
            EXPECT_EQ(r.exitCode, 4);
            EXPECT_NE(r.err.find("data agent 'kwda' cannot be loaded: looked for " + tree + "/lib/libkwda.so"),
                      std::string::npos) << r.err;
        }
    }
    const RunResult usage = kwtest::runProgram(tree + "/bin/rkreport", {"storage", "pdisk", "-?"}, env);
    EXPECT_EQ(usage.exitCode, 0) << usage.err;
}

// Standard output a full disk or closed: the answer is lost, which is said.
TEST(Outcome, AnAnswerThatCannotBeWrittenIsAnError) {
    kwtest::Cli cli;
    const std::string program = kwtest::buildPath("bin/rkreport") + " --state=" + cli.statePath();
    for (const char* redirect : {" > /dev/full", " >&-"}) {
        for (const char* args : {" storage pdisk controller=0", " --format=json storage vdisk", " storage bogus"}) {
            SCOPED_TRACE(std::string(args) + redirect);
            const RunResult r = kwtest::runProgram("/bin/sh", {"-c", program + args + redirect});
            EXPECT_EQ(r.exitCode, std::string(args) == " storage bogus" ? 2 : 4);
            EXPECT_NE(r.err.find("Error: "), std::string::npos);
        }
    }
}

// Standard output a pipe whose reader has gone: the answer is lost, which is
// said (exit 4), rather than ending silently by the signal.
TEST(Outcome, AnAnswerIntoAClosedPipeIsAnError) {
    kwtest::Cli cli;
    int pipeEnds[2];
    ASSERT_EQ(pipe(pipeEnds), 0);
    close(pipeEnds[0]);
    const std::string errFile = cli.dir().file("err");
    const std::string program = kwtest::buildPath("bin/rkreport"), state = "--state=" + cli.statePath();
    const pid_t child = fork();
    if (child == 0) {
        dup2(pipeEnds[1], STDOUT_FILENO);
        const int err = open(errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        dup2(err, STDERR_FILENO);
        signal(SIGPIPE, SIG_DFL);
        execl(program.c_str(), program.c_str(), state.c_str(), "storage", "pdisk", "controller=0", nullptr);
        _exit(127);
    }
    close(pipeEnds[1]);
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 4);
    std::ifstream in(errFile);
    const std::string err((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(err.find("could not be written"), std::string::npos) << err;
}

// The log an export names is really there.
TEST(Outcome, AnExportedLogIsWhereTheAnswerSays) {
    kwtest::Cli cli;
    const RunResult r = cli.line("rkconfig storage controller action=exportlog controller=0");
    const std::string prefix = "Log written to: ";
    const auto at = r.out.find(prefix);
    ASSERT_NE(at, std::string::npos) << r.out;
    EXPECT_TRUE(fs::exists(r.out.substr(at + prefix.size(), r.out.find('\n', at) - at - prefix.size()))) << r.out;
}

}  // namespace
